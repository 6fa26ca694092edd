#pragma once

#include "widgets/input_filter.h"

// What the game window's filter asks of the window and does to it.
class GameKeyFilterHost {
  public:
    virtual ~GameKeyFilterHost() = default;

    // True for the browser's control and everything inside it.
    virtual bool isInsideBrowser(const QObject* target) const = 0;
    virtual bool isGameLoaded() const = 0;
    // The window's own visibility, which stays true while it is minimised.
    virtual bool isGameWindowVisible() const = 0;
    // Whether the page has the window in full screen.
    virtual bool inFullScreen() const = 0;

    virtual void refreshUnlessBlank() = 0;
    virtual void hideToTray() = 0;
    virtual void restoreFromTray() = 0;
    virtual void leaveFullScreen() = 0;
};

// What the game window does with one input event.
struct GameInputDecision {
    enum class Action { None, Refresh, HideToTray, RestoreFromTray, LeaveFullScreen };
    bool swallowed = false;  // kept from the widget it was meant for
    Action action = Action::None;
    bool operator==(const GameInputDecision& other) const {
        return swallowed == other.swallowed && action == other.action;
    }
};

// The state of the game window a decision depends on.
struct GameInputState {
    bool insideBrowser = false;  // the event is aimed at the page
    bool gameLoaded = false;
    bool windowVisible = false;
    bool fullScreen = false;
    bool composing = false;  // an input method holds uncommitted text
};

// F5 reloads the game, F9 hides it to the tray or brings it back (once a game
// has been opened), Escape leaves full screen, Ctrl+N and the page's context
// menu are kept from the browser, and every other key goes to the page. Alt
// makes a key a system key, left alone; a held F9 toggles on every repeat;
// keys a composition uses are left to it.
GameInputDecision decideGameInput(const QEvent& event, const GameInputState& state);

// The game window's filter over the whole application's input, from the
// first game on; it sees the launcher's input too.
class GameKeyFilter : public quorvane::widgets::InputFilter {
  public:
    GameKeyFilter(GameKeyFilterHost& host, QObject* parent = nullptr)
        : InputFilter(parent), m_host(host) {}

  protected:
    bool filterInput(QObject* target, const QEvent& event, bool composing) override;

  private:
    GameKeyFilterHost& m_host;
};
