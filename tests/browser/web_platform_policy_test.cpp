#include "browser/web_platform_policy.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

constexpr PageRole kLauncher = PageRole::Launcher, kGame = PageRole::Game, kPopup = PageRole::Popup;

TEST(WebPlatformPolicyTest, WhatEachWindowsPagesMayAsk) {
    struct Row {
        PageRequest request;
        PageRole role;
        bool onGameSite;
        bool gesture;
        bool allowed;
    };
    using R = PageRequest;
    const Row rows[] = {
        {R::FullScreen, kGame, true, false, true},
        {R::FullScreen, kGame, false, true, false},
        {R::FullScreen, kLauncher, true, true, false},
        {R::FullScreen, kPopup, true, true, false},
        {R::PointerLock, kGame, true, false, true},
        {R::PointerLock, kLauncher, true, false, false},
        {R::SoundWithoutGesture, kGame, true, false, true},
        {R::SoundWithoutGesture, kGame, false, false, false},
        {R::SoundWithoutGesture, kLauncher, true, false, false},
        // Kept per site for the whole profile: every window answers alike.
        {R::Notifications, kGame, true, false, true},
        {R::Notifications, kLauncher, true, false, true},
        {R::Notifications, kPopup, true, false, true},
        {R::Notifications, kGame, false, true, false},
        {R::Download, kGame, true, true, true},
        {R::Download, kPopup, true, true, true},
        {R::Download, kGame, true, false, false},
        {R::Download, kGame, false, true, false},
        {R::Download, kLauncher, true, true, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(allows(row.request, {row.role, row.onGameSite, row.gesture}), row.allowed)
            << "request " << static_cast<int>(row.request) << ", role "
            << static_cast<int>(row.role) << ", on site " << row.onGameSite << ", gesture "
            << row.gesture;

    for (R denied : {R::Microphone, R::Camera, R::CameraAndMicrophone, R::Location,
                     R::ScreenCapture, R::ScreenCaptureWithSound, R::ClipboardRead})
        for (PageRole role : {kLauncher, kGame, kPopup})
            EXPECT_FALSE(allows(denied, {role, true, true})) << static_cast<int>(denied);
}

TEST(WebPlatformPolicyTest, NewWindowsGoToAPopupTheDefaultBrowserOrNowhere) {
    using K = NewWindowKind;
    using T = NewWindowTarget;
    const QUrl web(QStringLiteral("https://forum.example.com/t/1?a=%7C"));
    struct Row {
        const char* name;
        K kind;
        QUrl address;
        bool onGameSite;
        bool gesture;
        bool withinLimit;
        T target;
    };
    const Row rows[] = {
        {"dialog from the game's site", K::Dialog, web, true, true, true, T::ClientPopup},
        {"blank dialog from the game's site", K::Dialog, QUrl(), true, true, true, T::ClientPopup},
        {"dialog from elsewhere", K::Dialog, web, false, true, true, T::DefaultBrowser},
        {"tab from the game's site", K::Tab, web, true, true, true, T::DefaultBrowser},
        {"middle click", K::BackgroundTab, web, true, true, true, T::DefaultBrowser},
        {"shift click", K::Window, web, true, true, true, T::DefaultBrowser},
        {"script without a click", K::Dialog, web, true, false, true, T::Refused},
        {"over the limit", K::Tab, web, true, true, false, T::Refused},
        {"a file", K::Tab, QUrl(QStringLiteral("file:///etc/passwd")), true, true, true,
         T::Refused},
        {"a script", K::Tab, QUrl(QStringLiteral("javascript:alert(1)")), true, true, true,
         T::Refused},
    };
    for (const Row& row : rows)
        EXPECT_EQ(decideNewWindow(row.kind, row.address, {kGame, row.onGameSite, row.gesture},
                                  row.withinLimit),
                  row.target)
            << row.name;
}

TEST(WebPlatformPolicyTest, AtMostFiveWindowsInAnyMinute) {
    using std::chrono::seconds;
    const WindowOpenLimit::Clock::time_point start{seconds(1000)};
    // Seconds after the first window at which the page asks for another.
    const std::pair<int, bool> asks[] = {{0, true},  {1, true},  {2, true},   {3, true},
                                         {4, true},  {5, false}, {59, false}, {60, true},
                                         {61, true}, {62, true}, {62, false}};
    WindowOpenLimit limit;
    for (const auto& [at, opens] : asks)
        EXPECT_EQ(limit.tryOpen(start + seconds(at)), opens) << "+" << at << " s";
}

TEST(WebPlatformPolicyTest, TheGameSiteIsTheBuiltHostsPlusTheGamesHost) {
    GameSite site;
    site.setDeploymentHosts({QStringLiteral("127.0.0.1:8731"), QStringLiteral("Play.Example.com")});
    site.setGameAddress(QStringLiteral("http://s7.example.net:9000/game.html?server=7|x"));
    const std::pair<const char*, bool> pages[] = {
        {"http://127.0.0.1:8731/game.html", true},
        {"https://127.0.0.1/other", true},  // any port of a built host
        {"http://play.example.COM/pay.html", true},
        {"http://s7.example.net:9000/", true},
        {"http://localhost:8731/game.html", false},
        {"http://example.com/", false},
        {"about:blank", false},
    };
    for (const auto& [page, inside] : pages)
        EXPECT_EQ(site.contains(QUrl(QString::fromUtf8(page))), inside) << page;

    site.setGameAddress(QStringLiteral("http://s8.example.net/game.html"));
    EXPECT_FALSE(site.contains(QUrl(QStringLiteral("http://s7.example.net/"))))
        << "the last game's host leaves with it";
}

TEST(WebPlatformPolicyTest, DownloadNamesAreSafeAndNeverTakeAnExistingFile) {
    const QString longStem = QString(200, QChar(0x4e2d));  // 3 bytes each in UTF-8
    const std::pair<QString, QString> names[] = {
        {QStringLiteral("replay.json"), QStringLiteral("replay.json")},
        {QStringLiteral("../../.bashrc"), QStringLiteral("_.._.bashrc")},
        {QStringLiteral("..\\evil.exe"), QStringLiteral("_evil.exe")},
        {QStringLiteral(".hidden"), QStringLiteral("hidden")},
        {QStringLiteral("a\nb\x01.txt"), QStringLiteral("a_b_.txt")},
        {QStringLiteral("  ..  "), QStringLiteral("download")},
        {QString(), QStringLiteral("download")},
        {longStem + QStringLiteral(".log"), QString(83, QChar(0x4e2d)) + QStringLiteral(".log")},
    };
    for (const auto& [suggested, safe] : names) {
        EXPECT_EQ(safeDownloadName(suggested), safe) << suggested.toStdString();
        EXPECT_LE(safeDownloadName(suggested).toUtf8().size(), 255);
    }

    QSet<QString> taken{QStringLiteral("replay.json"), QStringLiteral("replay (1).json"),
                        QStringLiteral("notes")};
    const auto isTaken = [&taken](const QString& name) { return taken.contains(name); };
    EXPECT_EQ(freeDownloadName(QStringLiteral("fresh.json"), isTaken),
              QStringLiteral("fresh.json"));
    EXPECT_EQ(freeDownloadName(QStringLiteral("replay.json"), isTaken),
              QStringLiteral("replay (2).json"));
    EXPECT_EQ(freeDownloadName(QStringLiteral("notes"), isTaken), QStringLiteral("notes (1)"));
    const QString full = safeDownloadName(longStem + QStringLiteral(".log"));
    taken.insert(full);
    const QString numbered = freeDownloadName(full, isTaken);
    EXPECT_TRUE(numbered.endsWith(QStringLiteral(" (1).log"))) << numbered.toStdString();
    EXPECT_LE(numbered.toUtf8().size(), 255);
}

}  // namespace
