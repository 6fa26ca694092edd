#include "launcher/link_pages.h"

std::string buildLinkPageUrl(std::string_view linkHost, std::int32_t platformId, LinkPage type,
                             int ver) {
    std::string url = "http://";
    url += linkHost;
    url += "/publish/hot_update/url_redirect/jump";
    url += std::to_string(platformId);
    url += ".html?type=";
    url += std::to_string(static_cast<int>(type));
    url += "&ver=";
    url += std::to_string(ver);
    return url;
}
