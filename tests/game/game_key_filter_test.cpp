#include "game/game_key_filter.h"

#include <gtest/gtest.h>

#include <QObject>
#include <string>
#include <vector>

namespace {

constexpr int kEnter = VirtualKey::Return, kEscape = VirtualKey::Escape, kA = VirtualKey::LetterA,
              kN = VirtualKey::LetterN, kF5 = VirtualKey::F5, kF9 = VirtualKey::F9;

// The game window as the filter sees it; records what the filter asks for.
class FakeGameWindow : public GameKeyFilterHost {
  public:
    bool isInsideBrowser(const QObject* target) const override { return target == &browserView; }
    bool isGameLoaded() const override { return loaded; }
    bool isGameWindowVisible() const override { return visible; }
    void refreshUnlessBlank() override { calls.push_back("Refresh"); }
    void hideToTray() override {
        calls.push_back("Hide");
        visible = false;
    }
    void restoreFromTray() override {
        calls.push_back("Restore");
        visible = true;
    }
    bool inFullScreen() const override { return fullScreen; }
    void leaveFullScreen() override {
        calls.push_back("leaveFullScreen");
        fullScreen = false;
    }
    void Trace(std::u16string_view text) override {
        calls.push_back("Trace");
        traces.emplace_back(text);
    }

    bool loaded = true;
    bool visible = true;
    bool fullScreen = false;
    std::vector<std::string> calls;
    std::vector<std::u16string> traces;
    QObject browserView;
    QObject titleStrip;
};

AppMessage KeyDown(int key, bool control = false) {
    AppMessage m;
    m.code = AppMessage::KeyDown;
    m.key = key;
    m.controlDown = control;
    return m;
}

AppMessage Message(unsigned code) {
    AppMessage m;
    m.code = code;
    return m;
}

enum class Aim { Nowhere, Page, TitleStrip };

struct Row {
    const char* name;
    AppMessage message;
    Aim aim;
    bool loaded;
    bool visible;
    bool handled;
    std::vector<std::string> calls;
    bool fullScreen = false;
};

AppMessage With(AppMessage m, void (*change)(AppMessage&)) {
    change(m);
    return m;
}

TEST(GameKeyFilter, ResultingHandledValueAndActions) {
    const auto repeated = [](AppMessage& m) { m.autoRepeat = true; };
    const auto goingUp = [](AppMessage& m) { m.keyUp = true; };
    const auto withAlt = [](AppMessage& m) { m.code = AppMessage::SysKeyDown; };
    const auto composing = [](AppMessage& m) { m.composing = true; };
    const Aim page = Aim::Page, strip = Aim::TitleStrip, none = Aim::Nowhere;

    const std::vector<Row> rows = {
        // Enter and Escape go to the page by normal dispatch, whatever else.
        {"Enter", KeyDown(kEnter), page, true, true, false, {}},
        {"Escape", KeyDown(kEscape), page, true, true, false, {}},
        // In full screen Escape is the player's way out; the page never sees it.
        {"Escape in full screen",
         KeyDown(kEscape),
         page,
         true,
         true,
         true,
         {"leaveFullScreen"},
         true},
        {"Enter in full screen", KeyDown(kEnter), page, true, true, false, {}, true},
        {"F5 in full screen", KeyDown(kF5), page, true, true, true, {"Refresh"}, true},
        {"F5", KeyDown(kF5), page, true, true, true, {"Refresh"}},
        {"F5, page not loaded", KeyDown(kF5), page, false, true, true, {"Refresh"}},
        {"Ctrl+F5", KeyDown(kF5, true), page, true, true, true, {"Refresh"}},
        {"F9 visible", KeyDown(kF9), page, true, true, true, {"Hide"}},
        {"F9 hidden", KeyDown(kF9), none, true, false, true, {"Restore"}},
        {"Ctrl+F9", KeyDown(kF9, true), page, true, true, true, {"Hide"}},
        {"F9 auto-repeat", With(KeyDown(kF9), repeated), none, true, false, true, {"Restore"}},
        {"F9 not loaded", KeyDown(kF9), page, false, true, false, {}},
        {"Ctrl+N", KeyDown(kN, true), page, true, true, true, {}},
        {"N alone", KeyDown(kN), page, true, true, false, {}},
        {"Ctrl+N going up", With(KeyDown(kN, true), goingUp), page, true, true, false, {}},
        {"Ctrl+A", KeyDown(kA, true), page, true, true, false, {}},
        {"other key", KeyDown(kA), page, true, true, false, {}},
        {"Alt+F9", With(KeyDown(kF9), withAlt), page, true, true, false, {}},
        {"Alt+F5", With(KeyDown(kF5), withAlt), page, true, true, false, {}},
        // An input method composing in the page gets the window's own keys.
        {"F5 composing", With(KeyDown(kF5), composing), page, true, true, false, {}},
        {"F9 composing", With(KeyDown(kF9), composing), page, true, true, false, {}},
        {"Ctrl+N composing", With(KeyDown(kN, true), composing), page, true, true, false, {}},
        {"context menu composing",
         With(Message(AppMessage::ContextMenu), composing),
         page,
         true,
         true,
         true,
         {}},
        {"context menu in page", Message(AppMessage::ContextMenu), page, true, true, true, {}},
        {"nc right down in page", Message(AppMessage::NcRButtonDown), page, true, true, true, {}},
        {"nc right double in page",
         Message(AppMessage::NcRButtonDblClk),
         page,
         true,
         true,
         true,
         {}},
        {"right down in page", Message(AppMessage::RButtonDown), page, true, true, true, {}},
        {"right double in page", Message(AppMessage::RButtonDblClk), page, true, true, true, {}},
        {"right down on title strip",
         Message(AppMessage::RButtonDown),
         strip,
         true,
         true,
         false,
         {}},
        {"context menu on title strip",
         Message(AppMessage::ContextMenu),
         strip,
         true,
         true,
         false,
         {}},
        {"system command", Message(AppMessage::SysCommand), none, true, true, false, {"Trace"}},
        {"key up", Message(0x101), page, true, true, false, {}},
        {"left down in page", Message(0x201), page, true, true, false, {}},
    };

    for (const Row& row : rows) {
        FakeGameWindow host;
        host.loaded = row.loaded;
        host.visible = row.visible;
        host.fullScreen = row.fullScreen;
        GameKeyFilter filter(host);
        AppMessage message = row.message;
        if (row.aim == Aim::Page) message.target = &host.browserView;
        if (row.aim == Aim::TitleStrip) message.target = &host.titleStrip;

        bool handled = false;
        filter.filterMessage(message, handled);
        EXPECT_EQ(handled, row.handled) << row.name;
        EXPECT_EQ(host.calls, row.calls) << row.name;
    }
}

TEST(GameKeyFilter, SystemCommandsTraceOncePerMessage) {
    FakeGameWindow host;
    GameKeyFilter filter(host);
    for (int i = 0; i < 2; ++i) {
        bool handled = false;
        filter.filterMessage(Message(AppMessage::SysCommand), handled);
    }
    EXPECT_EQ(host.traces, (std::vector<std::u16string>{u"调试", u"调试"}));
}

TEST(GameKeyFilter, HeldF9TogglesOnEveryRepeat) {
    FakeGameWindow host;
    GameKeyFilter filter(host);
    AppMessage f9 = KeyDown(kF9);
    for (bool repeat : {false, true, true}) {
        f9.autoRepeat = repeat;
        bool handled = false;
        filter.filterMessage(f9, handled);
        EXPECT_TRUE(handled);
    }
    EXPECT_EQ(host.calls, (std::vector<std::string>{"Hide", "Restore", "Hide"}));
}

}  // namespace
