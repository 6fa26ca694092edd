#include "game/game_key_filter.h"

#include <gtest/gtest.h>

#include <QObject>
#include <string>
#include <vector>

namespace {

constexpr int kBack = 0x08, kEnter = 0x0D, kEscape = 0x1B, kLeft = 0x25, kRight = 0x27, kA = 0x41,
              kN = 0x4E, kF5 = 0x74, kF9 = 0x78;

class FakeAccelerator : public InPlaceActiveObject {
  public:
    void TranslateAccelerator(const AppMessage& message) override { keys.push_back(message.key); }
    std::vector<int> keys;
};

// The game window as the filter sees it; records what the filter asks for.
class FakeGameWindow : public GameKeyFilterHost {
  public:
    bool IsDialogMessage(const AppMessage& message) override {
        calls.push_back("Dialog");
        dialogKeys.push_back(message.key);
        return dialogResult;
    }
    bool BrowserBusy() const override { return busy; }
    std::shared_ptr<InPlaceActiveObject> QueryInPlaceObject() override {
        ++queries;
        return offerAccelerator ? accelerator : nullptr;
    }
    bool IsInsideBrowser(const QObject* target) const override { return target == &browserView; }
    bool GameLoaded() const override { return loaded; }
    bool GameWindowVisible() const override { return visible; }
    void RefreshUnlessBlank() override { calls.push_back("Refresh"); }
    void HideToTray() override {
        calls.push_back("Hide");
        visible = false;
    }
    void RestoreFromTray() override {
        calls.push_back("Restore");
        visible = true;
    }
    void Trace(std::u16string_view text) override {
        calls.push_back("Trace");
        traces.emplace_back(text);
    }

    bool dialogResult = false;
    bool busy = false;
    bool offerAccelerator = true;
    bool loaded = true;
    bool visible = true;
    int queries = 0;
    std::shared_ptr<FakeAccelerator> accelerator = std::make_shared<FakeAccelerator>();
    std::vector<std::string> calls;
    std::vector<int> dialogKeys;
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
    bool dialogResult;
    bool loaded;
    bool visible;
    bool handled;
    std::vector<std::string> calls;
};

AppMessage With(AppMessage m, void (*change)(AppMessage&)) {
    change(m);
    return m;
}

TEST(GameKeyFilter, ResultingHandledValueAndActions) {
    const auto repeated = [](AppMessage& m) { m.autoRepeat = true; };
    const auto goingUp = [](AppMessage& m) { m.keyUp = true; };
    const auto withAlt = [](AppMessage& m) { m.code = AppMessage::SysKeyDown; };
    const Aim page = Aim::Page, strip = Aim::TitleStrip, none = Aim::Nowhere;

    const std::vector<Row> rows = {
        // Enter and Escape go to normal dispatch and are never offered to the
        // dialog step, which could deliver them a second time.
        {"Enter", KeyDown(kEnter), page, true, true, true, false, {}},
        {"Escape", KeyDown(kEscape), page, true, true, true, false, {}},
        {"F5", KeyDown(kF5), page, false, true, true, true, {"Refresh"}},
        {"F5, page not loaded", KeyDown(kF5), page, true, false, true, true, {"Refresh"}},
        {"Ctrl+F5", KeyDown(kF5, true), page, false, true, true, true, {"Refresh"}},
        {"F9 visible", KeyDown(kF9), page, false, true, true, true, {"Hide"}},
        {"F9 hidden", KeyDown(kF9), none, false, true, false, true, {"Restore"}},
        {"Ctrl+F9", KeyDown(kF9, true), page, false, true, true, true, {"Hide"}},
        {"F9 auto-repeat",
         With(KeyDown(kF9), repeated),
         none,
         false,
         true,
         false,
         true,
         {"Restore"}},
        {"F9 not loaded, dialog false", KeyDown(kF9), page, false, false, true, false, {"Dialog"}},
        {"F9 not loaded, dialog true", KeyDown(kF9), page, true, false, true, true, {"Dialog"}},
        {"Ctrl+N", KeyDown(kN, true), page, false, true, true, true, {}},
        {"Ctrl+N, dialog true", KeyDown(kN, true), page, true, true, true, true, {}},
        {"N alone", KeyDown(kN), page, false, true, true, false, {"Dialog"}},
        {"Ctrl+N going up",
         With(KeyDown(kN, true), goingUp),
         page,
         false,
         true,
         true,
         false,
         {"Dialog"}},
        {"Ctrl+A", KeyDown(kA, true), page, false, true, true, false, {"Dialog"}},
        {"other key, dialog false", KeyDown(kA), page, false, true, true, false, {"Dialog"}},
        {"other key, dialog true", KeyDown(kA), page, true, true, true, true, {"Dialog"}},
        {"Alt+F9", With(KeyDown(kF9), withAlt), page, true, true, true, false, {}},
        {"Alt+F5", With(KeyDown(kF5), withAlt), page, true, true, true, false, {}},
        {"context menu in page",
         Message(AppMessage::ContextMenu),
         page,
         false,
         true,
         true,
         true,
         {}},
        {"nc right down in page",
         Message(AppMessage::NcRButtonDown),
         page,
         false,
         true,
         true,
         true,
         {}},
        {"nc right double in page",
         Message(AppMessage::NcRButtonDblClk),
         page,
         false,
         true,
         true,
         true,
         {}},
        {"right down in page", Message(AppMessage::RButtonDown), page, false, true, true, true, {}},
        {"right double in page",
         Message(AppMessage::RButtonDblClk),
         page,
         false,
         true,
         true,
         true,
         {}},
        {"right down on title strip",
         Message(AppMessage::RButtonDown),
         strip,
         false,
         true,
         true,
         false,
         {}},
        {"context menu on title strip",
         Message(AppMessage::ContextMenu),
         strip,
         false,
         true,
         true,
         false,
         {}},
        {"system command",
         Message(AppMessage::SysCommand),
         none,
         true,
         true,
         true,
         false,
         {"Trace"}},
        {"key up", Message(0x101), page, true, true, true, false, {}},
        {"left down in page", Message(0x201), page, true, true, true, false, {}},
    };

    for (const Row& row : rows) {
        FakeGameWindow host;
        host.dialogResult = row.dialogResult;
        host.loaded = row.loaded;
        host.visible = row.visible;
        GameKeyFilter filter(host);
        AppMessage message = row.message;
        if (row.aim == Aim::Page) message.target = &host.browserView;
        if (row.aim == Aim::TitleStrip) message.target = &host.titleStrip;

        bool handled = false;
        filter.AEMessage(message, handled);
        EXPECT_EQ(handled, row.handled) << row.name;
        EXPECT_EQ(host.calls, row.calls) << row.name;
    }
}

TEST(GameKeyFilter, SystemCommandsTraceOncePerMessage) {
    FakeGameWindow host;
    GameKeyFilter filter(host);
    for (int i = 0; i < 2; ++i) {
        bool handled = false;
        filter.AEMessage(Message(AppMessage::SysCommand), handled);
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
        filter.AEMessage(f9, handled);
        EXPECT_TRUE(handled);
    }
    EXPECT_EQ(host.calls, (std::vector<std::string>{"Hide", "Restore", "Hide"}));
}

void Press(GameKeyFilter& filter, int key) {
    bool handled = false;
    filter.AEMessage(KeyDown(key), handled);
}

TEST(GameKeyFilter, InPlaceObjectIsObtainedOnceWhenNotBusyAndHandedOneKey) {
    FakeGameWindow host;
    host.dialogResult = true;
    host.busy = true;
    GameKeyFilter filter(host);

    Press(filter, kA);
    EXPECT_EQ(host.queries, 0) << "busy loading: not asked";
    EXPECT_EQ(filter.InPlaceObject(), nullptr);

    host.busy = false;
    Press(filter, 0x42);
    EXPECT_EQ(host.queries, 1);
    EXPECT_EQ(filter.InPlaceObject(), host.accelerator);
    Press(filter, 0x43);
    Press(filter, kA);
    EXPECT_EQ(host.queries, 1) << "held from then on";
    EXPECT_EQ(host.accelerator->keys, std::vector<int>{0x42});
}

TEST(GameKeyFilter, InPlaceObjectIsOnlyAskedForKeysTheDialogStepDelivered) {
    FakeGameWindow host;
    host.dialogResult = false;
    GameKeyFilter filter(host);
    Press(filter, kA);
    EXPECT_EQ(host.queries, 0);

    // Keys the window acts on itself are not offered to the browser at all.
    host.dialogResult = true;
    for (int key : {kF5, kF9, kEnter, kEscape}) Press(filter, key);
    bool handled = false;
    filter.AEMessage(KeyDown(kN, true), handled);
    EXPECT_EQ(host.queries, 0);
    EXPECT_TRUE(host.dialogKeys == std::vector<int>{kA});
}

TEST(GameKeyFilter, UnavailableInPlaceObjectIsAskedForAgain) {
    FakeGameWindow host;
    host.dialogResult = true;
    host.offerAccelerator = false;
    GameKeyFilter filter(host);
    Press(filter, kA);
    EXPECT_EQ(filter.InPlaceObject(), nullptr);
    host.offerAccelerator = true;
    Press(filter, 0x42);
    EXPECT_EQ(host.queries, 2);
    EXPECT_EQ(host.accelerator->keys, std::vector<int>{0x42});
}

TEST(GameKeyFilter, BackspaceLeftAndRightAreNeverHandedOver) {
    for (int key : {kBack, kLeft, kRight}) {
        FakeGameWindow host;
        host.dialogResult = true;
        GameKeyFilter filter(host);
        Press(filter, key);
        EXPECT_EQ(filter.InPlaceObject(), host.accelerator) << key;
        Press(filter, kA);
        EXPECT_TRUE(host.accelerator->keys.empty()) << key << ": the one hand-over is spent";
    }
}

}  // namespace
