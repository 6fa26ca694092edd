#include "launcher/hand_off.h"

#include "platform/code_page.h"

CompletionDecision classifyCompletion(std::string_view ansiUrl, bool firstBlankPending,
                                      const SiteHosts& hosts) {
    CompletionDecision decision;
    if (firstBlankPending && ansiUrl == kBlankPage) {
        decision.action = CompletionAction::StyleFirstBlank;
        return decision;
    }
    // A search without the leading "c": the marker counts wherever it appears.
    if (ansiUrl.find(kHandOffMarkerSearch) != std::string_view::npos) {
        decision.action = CompletionAction::HandOffCut;
        decision.gameUrl = ansiUrl.size() > kHandOffMarkerLength
                               ? std::string(ansiUrl.substr(kHandOffMarkerLength))
                               : std::string();
        return decision;
    }
    // Portal texts start at "ttp://" so both http and https addresses match.
    const std::string portalPage = "ttp://" + hosts.portalHost + "/playgame_";
    const std::string startIndex = "ttp://" + hosts.startPageHost + "/index";
    if (ansiUrl.find(portalPage) != std::string_view::npos ||
        ansiUrl.find(startIndex) != std::string_view::npos) {
        decision.action = CompletionAction::HandOffWhole;
        decision.gameUrl = std::string(ansiUrl);
    }
    return decision;
}

std::string buildStartPageUrl(std::string_view startPageHost, std::int32_t platformId, int ver) {
    std::string url = "http://";
    url += startPageHost;
    url += "/hot_update/url_redirect/jump";
    url += std::to_string(platformId);
    url += ".html?type=0&ver=";
    url += std::to_string(ver);
    return url;
}

std::u16string withLiteralHandOffMarker(std::u16string_view url) {
    // The marker's search form without its "|", then the escape in either case.
    const std::string_view stem = kHandOffMarkerSearch.substr(0, kHandOffMarkerSearch.size() - 1);
    const std::u16string escapedStem(stem.begin(), stem.end());
    std::u16string out;
    out.reserve(url.size());
    std::size_t from = 0;
    for (std::size_t at = url.find(escapedStem); at != std::u16string_view::npos;
         at = url.find(escapedStem, at + 1)) {
        const std::size_t escape = at + escapedStem.size();
        const std::u16string_view rest = url.substr(escape);
        if (rest.size() < 3 || rest[0] != u'%' || rest[1] != u'7' ||
            (rest[2] != u'C' && rest[2] != u'c'))
            continue;
        out.append(url.substr(from, escape - from));
        out += u'|';
        from = escape + 3;
    }
    out.append(url.substr(from));
    return out;
}

std::u16string dropAnsiBytes(std::u16string_view url, std::size_t bytes) {
    std::size_t consumed = 0;
    for (std::size_t i = 0; i < url.size() && consumed < bytes; ++i) {
        // One code unit at a time: the code page turns each unit it cannot
        // hold, either half of a surrogate pair included, into one '?'.
        const std::string ansi = quorvane::platform::ToAnsi(url.substr(i, 1));
        consumed += ansi.size();
        if (consumed > bytes) {
            return quorvane::platform::FromAnsi(
                       std::string_view(ansi).substr(ansi.size() - (consumed - bytes))) +
                   std::u16string(url.substr(i + 1));
        }
        if (consumed == bytes) return std::u16string(url.substr(i + 1));
    }
    return std::u16string();
}
