#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/hand_off_marker.h"

// The launcher's reading of a completed navigation. Everything works on the
// address in the ANSI code page, byte for byte and case-sensitively, because
// that is how the site's pages have always been matched.

inline constexpr std::string_view kBlankPage = "about:blank";

enum class CompletionAction {
    StyleFirstBlank,  // the very first blank page: dress it, nothing else
    HandOffCut,       // marker found: the game URL is the address minus 18 bytes
    HandOffWhole,     // a game-portal address: handed over unchanged
    StatusOnly,       // anything else: only the status line follows it
};

struct CompletionDecision {
    CompletionAction action = CompletionAction::StatusOnly;
    std::string gameUrl;  // ANSI bytes, for the two hand-off actions
};

struct SiteHosts {
    std::string startPageHost;
    std::string portalHost;
};

CompletionDecision classifyCompletion(std::string_view ansiUrl, bool firstBlankPending,
                                      const SiteHosts& hosts);

// The game window gets the address as UTF-16, so characters the code page
// cannot hold arrive intact: this drops the characters whose ANSI form makes
// up the first `bytes` bytes of the address and keeps the rest as it stands.
// A double-byte character split by the cut leaves its second byte, read back
// through the code page, as the byte cut of the ANSI text would.
std::u16string dropAnsiBytes(std::u16string_view url, std::size_t bytes);

// The engine writes the marker's "|" as "%7C" where it stands in a query
// (other engines kept it): this gives the address back with each escaped
// marker written as the literal one, so the launcher reads it as the page meant
// it. Nothing else of the address changes, other escapes included.
std::u16string withLiteralHandOffMarker(std::u16string_view url);

// "http://" host "/hot_update/url_redirect/jump" platform ".html?type=0&ver=" ver
std::string buildStartPageUrl(std::string_view startPageHost, std::int32_t platformId, int ver);
