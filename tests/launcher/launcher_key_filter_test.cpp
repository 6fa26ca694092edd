#include "launcher/launcher_key_filter.h"

#include <gtest/gtest.h>

#include <QObject>

namespace {

class FakeLauncher : public LauncherKeyFilterHost {
  public:
    bool isInsideBrowser(const QObject* target) const override { return target == &browserView; }
    QObject browserView;
    QObject background;
};

AppMessage Key(unsigned code, int key, bool control, QObject* target = nullptr, bool up = false) {
    AppMessage m;
    m.code = code;
    m.key = key;
    m.controlDown = control;
    m.target = target;
    m.keyUp = up;
    return m;
}

AppMessage Composing(AppMessage m) {
    m.composing = true;
    return m;
}

AppMessage Aimed(unsigned code, QObject* target) {
    AppMessage m;
    m.code = code;
    m.target = target;
    return m;
}

TEST(LauncherKeyFilter, DropsCtrlNAnywhereAndBrowserMenusOnly) {
    FakeLauncher host;
    LauncherKeyFilter filter(host);
    const struct {
        const char* name;
        AppMessage message;
        bool handled;
    } rows[] = {
        {"Ctrl+N in the page", Key(AppMessage::KeyDown, 0x4E, true, &host.browserView), true},
        {"Ctrl+N in the URL box", Key(AppMessage::KeyDown, 0x4E, true, &host.background), true},
        {"N alone", Key(AppMessage::KeyDown, 0x4E, false), false},
        {"Ctrl+N going up", Key(AppMessage::KeyDown, 0x4E, true, nullptr, true), false},
        {"Ctrl+M", Key(AppMessage::KeyDown, 0x4D, true), false},
        {"Ctrl+Alt+N", Key(AppMessage::SysKeyDown, 0x4E, true), false},
        {"Ctrl+N while composing", Composing(Key(AppMessage::KeyDown, 0x4E, true)), false},
        {"context menu in browser", Aimed(AppMessage::ContextMenu, &host.browserView), true},
        {"nc right down in browser", Aimed(AppMessage::NcRButtonDown, &host.browserView), true},
        {"nc right double in browser", Aimed(AppMessage::NcRButtonDblClk, &host.browserView), true},
        {"right down in browser", Aimed(AppMessage::RButtonDown, &host.browserView), true},
        {"right double in browser", Aimed(AppMessage::RButtonDblClk, &host.browserView), true},
        {"right down on background", Aimed(AppMessage::RButtonDown, &host.background), false},
        {"context menu on background", Aimed(AppMessage::ContextMenu, &host.background), false},
        {"left down in browser", Aimed(0x201, &host.browserView), false},
        {"key up", Key(0x101, 0x4E, true), false},
    };
    for (const auto& row : rows) {
        bool handled = false;
        filter.filterMessage(row.message, handled);
        EXPECT_EQ(handled, row.handled) << row.name;
    }
}

TEST(LauncherKeyFilter, NeverLetsThroughWhatWasAlreadyDropped) {
    FakeLauncher host;
    LauncherKeyFilter filter(host);
    for (const AppMessage& m : {Key(AppMessage::KeyDown, 0x41, false),
                                Aimed(AppMessage::RButtonDown, &host.background)}) {
        bool handled = true;
        filter.filterMessage(m, handled);
        EXPECT_TRUE(handled);
    }
}

}  // namespace
