#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The four pages of the game's site the launcher opens in the web browser.
enum class LinkPage { OfficialSite = 1, TopUp = 2, CustomerService = 3, GameCentre = 4 };

// "http://" host "/publish/hot_update/url_redirect/jump" platform ".html?type=" type "&ver=" ver
std::string buildLinkPageUrl(std::string_view linkHost, std::int32_t platformId, LinkPage type,
                             int ver);
