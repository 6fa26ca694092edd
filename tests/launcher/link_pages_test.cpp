#include "launcher/link_pages.h"

#include <gtest/gtest.h>

#include "launcher/runtime_random.h"

namespace {

TEST(LinkPageUrlTest, JoinsHostPlatformTypeAndVersion) {
    struct Case {
        std::string host;
        std::int32_t platformId;
        LinkPage type;
        int ver;
        std::string url;
    };
    const Case cases[] = {
        {"127.0.0.1:8731", 1401, LinkPage::OfficialSite, 0,
         "http://127.0.0.1:8731/publish/hot_update/url_redirect/jump1401.html?type=1&ver=0"},
        {"link.example", 1401, LinkPage::TopUp, 32767,
         "http://link.example/publish/hot_update/url_redirect/jump1401.html?type=2&ver=32767"},
        {"h", 7, LinkPage::CustomerService, 130,
         "http://h/publish/hot_update/url_redirect/jump7.html?type=3&ver=130"},
        {"h", 0, LinkPage::GameCentre, 5,
         "http://h/publish/hot_update/url_redirect/jump0.html?type=4&ver=5"},
        {"h", -12, LinkPage::GameCentre, 5,
         "http://h/publish/hot_update/url_redirect/jump-12.html?type=4&ver=5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(buildLinkPageUrl(c.host, c.platformId, c.type, c.ver), c.url);
}

TEST(LinkPageUrlTest, ConsecutiveLinksTakeConsecutiveDraws) {
    // Seed 1 yields 130 then 10982 (the runtime's documented sequence).
    RuntimeRandom random;
    random.seed(1);
    const std::string first = buildLinkPageUrl("h", 1401, LinkPage::OfficialSite, random.draw());
    const std::string second = buildLinkPageUrl("h", 1401, LinkPage::OfficialSite, random.draw());
    EXPECT_EQ(first, "http://h/publish/hot_update/url_redirect/jump1401.html?type=1&ver=130");
    EXPECT_EQ(second, "http://h/publish/hot_update/url_redirect/jump1401.html?type=1&ver=10982");
}

}  // namespace
