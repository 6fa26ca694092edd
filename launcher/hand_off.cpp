#include "launcher/hand_off.h"

CompletionDecision ClassifyCompletion(std::string_view ansiUrl, bool firstBlankPending,
                                      const SiteHosts& hosts) {
    CompletionDecision decision;
    if (firstBlankPending && ansiUrl == kBlankPage) {
        decision.action = CompletionAction::StyleFirstBlank;
        return decision;
    }
    // A search without the leading "c": the marker counts wherever it appears.
    if (ansiUrl.find("lient://loadgame|") != std::string_view::npos) {
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

std::string BuildStartPageUrl(std::string_view startPageHost, std::int32_t platformId, int ver) {
    std::string url = "http://";
    url += startPageHost;
    url += "/hot_update/url_redirect/jump";
    url += std::to_string(platformId);
    url += ".html?type=0&ver=";
    url += std::to_string(ver);
    return url;
}
