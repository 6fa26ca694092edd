#include "game/game_key_filter.h"

#include <QKeyEvent>

using Action = GameInputDecision::Action;

GameInputDecision decideGameInput(const QEvent& event, const GameInputState& state) {
    if (quorvane::widgets::isControlN(event, state.composing)) return {true, Action::None};
    if (quorvane::widgets::isContextMenuInput(event)) return {state.insideBrowser, Action::None};
    if (event.type() != QEvent::KeyPress || state.composing) return {};
    const auto& key = static_cast<const QKeyEvent&>(event);
    if (key.modifiers() & Qt::AltModifier) return {};
    switch (key.key()) {
        case Qt::Key_F5:
            return {true, Action::Refresh};
        case Qt::Key_F9:
            if (!state.gameLoaded) return {};
            return {true, state.windowVisible ? Action::HideToTray : Action::RestoreFromTray};
        case Qt::Key_Escape:
            // The player's way out of full screen, which a page cannot keep
            // for itself; otherwise the page's key.
            if (state.fullScreen) return {true, Action::LeaveFullScreen};
            return {};
        default:
            return {};
    }
}

bool GameKeyFilter::filterInput(QObject* target, const QEvent& event, bool composing) {
    const GameInputDecision decision =
        decideGameInput(event, {m_host.isInsideBrowser(target), m_host.isGameLoaded(),
                                m_host.isGameWindowVisible(), m_host.inFullScreen(), composing});
    switch (decision.action) {
        case Action::Refresh:
            m_host.refreshUnlessBlank();
            break;
        case Action::HideToTray:
            m_host.hideToTray();
            break;
        case Action::RestoreFromTray:
            m_host.restoreFromTray();
            break;
        case Action::LeaveFullScreen:
            m_host.leaveFullScreen();
            break;
        case Action::None:
            break;
    }
    return decision.swallowed;
}
