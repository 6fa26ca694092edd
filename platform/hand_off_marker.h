#pragma once

#include <cstddef>
#include <string_view>

// The address with which the site's pages send the player into the game: the
// marker followed by the game's address. The page's plug-in content hands the
// launcher such addresses too, and the launcher cuts the marker's length off.
inline constexpr std::string_view kHandOffMarker = "client://loadgame|";
inline constexpr std::size_t kHandOffMarkerLength = kHandOffMarker.size();
static_assert(kHandOffMarkerLength == 18, "pages and plug-ins count on 18 characters");

// What the launcher looks for: the marker without its first letter, anywhere
// in an address, so that any scheme ending in "lient" counts as well.
inline constexpr std::string_view kHandOffMarkerSearch = kHandOffMarker.substr(1);
