#pragma once

#include <string_view>

#include "platform/app_message.h"

// What the game window's filter needs of the window and its browser.
class GameKeyFilterHost {
  public:
    virtual ~GameKeyFilterHost() = default;

    // True for the browser's control and everything inside it.
    virtual bool isInsideBrowser(const QObject* target) const = 0;

    virtual bool isGameLoaded() const = 0;
    // The window's own visibility, which stays true while it is minimised.
    virtual bool isGameWindowVisible() const = 0;
    virtual void refreshUnlessBlank() = 0;
    virtual void hideToTray() = 0;
    virtual void restoreFromTray() = 0;
    // Whether the page has the window in full screen, and the way out of it.
    virtual bool inFullScreen() const = 0;
    virtual void leaveFullScreen() = 0;

    // One notice on the debug channel.
    virtual void Trace(std::u16string_view text) = 0;
};

// The game window's application-wide message filter: F5 reloads the game, F9
// hides it to the tray or brings it back, Escape leaves full screen, Ctrl+N and
// the page's context menu are kept from the browser, and every other key goes
// to the page exactly once.
//
// Once installed it sees the messages of every window of the application, the
// launcher's included, for the rest of the process.
class GameKeyFilter {
  public:
    explicit GameKeyFilter(GameKeyFilterHost& host) : host_(host) {}

    void filterMessage(const AppMessage& message, bool& handled);

  private:
    void KeyDown(const AppMessage& message, bool& handled);

    GameKeyFilterHost& host_;
};
