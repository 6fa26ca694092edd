#include "game/game_key_filter.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <memory>
#include <string>

namespace {

using Action = GameInputDecision::Action;

std::shared_ptr<QEvent> Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                            bool repeat = false) {
    return std::make_shared<QKeyEvent>(QEvent::KeyPress, key, modifiers, QString(), repeat);
}

std::shared_ptr<QEvent> Mouse(QEvent::Type type, Qt::MouseButton button) {
    return std::make_shared<QMouseEvent>(type, QPointF(5, 5), QPointF(5, 5), button, button,
                                         Qt::NoModifier);
}

TEST(GameKeyFilter, EachInputItsOutcome) {
    struct Row {
        const char* name;
        std::shared_ptr<QEvent> event;
        GameInputState state;
        GameInputDecision decision;
    };
    // In the page, a game loaded, its window visible.
    const GameInputState playing{true, true, true, false, false};
    GameInputState notLoaded = playing, hidden = playing, fullScreen = playing, composing = playing,
                   onStrip = playing;
    notLoaded.gameLoaded = false;
    hidden.windowVisible = false;
    fullScreen.fullScreen = true;
    composing.composing = true;
    onStrip.insideBrowser = false;
    const GameInputDecision passes{false, Action::None}, swallowed{true, Action::None};

    const Row rows[] = {
        {"Enter", Key(Qt::Key_Return), playing, passes},
        {"Escape", Key(Qt::Key_Escape), playing, passes},
        {"Escape in full screen", Key(Qt::Key_Escape), fullScreen, {true, Action::LeaveFullScreen}},
        {"Enter in full screen", Key(Qt::Key_Return), fullScreen, passes},
        {"F5", Key(Qt::Key_F5), playing, {true, Action::Refresh}},
        {"F5 before any game", Key(Qt::Key_F5), notLoaded, {true, Action::Refresh}},
        {"Shift+F5", Key(Qt::Key_F5, Qt::ShiftModifier), playing, {true, Action::Refresh}},
        {"F5 in full screen", Key(Qt::Key_F5), fullScreen, {true, Action::Refresh}},
        {"Alt+F5", Key(Qt::Key_F5, Qt::AltModifier), playing, passes},
        {"F9, window visible", Key(Qt::Key_F9), playing, {true, Action::HideToTray}},
        {"F9, window hidden", Key(Qt::Key_F9), hidden, {true, Action::RestoreFromTray}},
        {"held F9", Key(Qt::Key_F9, Qt::NoModifier, true), hidden, {true, Action::RestoreFromTray}},
        {"Ctrl+F9", Key(Qt::Key_F9, Qt::ControlModifier), playing, {true, Action::HideToTray}},
        {"F9 before any game", Key(Qt::Key_F9), notLoaded, passes},
        {"Alt+F9", Key(Qt::Key_F9, Qt::AltModifier), playing, passes},
        {"Ctrl+N", Key(Qt::Key_N, Qt::ControlModifier), playing, swallowed},
        {"Ctrl+N on the strip", Key(Qt::Key_N, Qt::ControlModifier), onStrip, swallowed},
        {"Ctrl+Alt+N", Key(Qt::Key_N, Qt::ControlModifier | Qt::AltModifier), playing, passes},
        {"N", Key(Qt::Key_N), playing, passes},
        {"Ctrl+A", Key(Qt::Key_A, Qt::ControlModifier), playing, passes},
        // Keys a composition uses are left to the input method.
        {"F5 while composing", Key(Qt::Key_F5), composing, passes},
        {"F9 while composing", Key(Qt::Key_F9), composing, passes},
        {"Ctrl+N while composing", Key(Qt::Key_N, Qt::ControlModifier), composing, passes},
        {"F5 going up", std::make_shared<QKeyEvent>(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier),
         playing, passes},
        {"right press in the page", Mouse(QEvent::MouseButtonPress, Qt::RightButton), playing,
         swallowed},
        {"right double in the page", Mouse(QEvent::MouseButtonDblClick, Qt::RightButton), playing,
         swallowed},
        {"right press on the frame", Mouse(QEvent::NonClientAreaMouseButtonPress, Qt::RightButton),
         playing, swallowed},
        {"context menu in the page",
         std::make_shared<QContextMenuEvent>(QContextMenuEvent::Mouse, QPoint(5, 5)), playing,
         swallowed},
        {"right press on the strip", Mouse(QEvent::MouseButtonPress, Qt::RightButton), onStrip,
         passes},
        {"left press in the page", Mouse(QEvent::MouseButtonPress, Qt::LeftButton), playing,
         passes},
    };
    for (const Row& row : rows) {
        const GameInputDecision decision = decideGameInput(*row.event, row.state);
        EXPECT_EQ(decision.swallowed, row.decision.swallowed) << row.name;
        EXPECT_EQ(decision.action, row.decision.action) << row.name;
    }
}

}  // namespace
