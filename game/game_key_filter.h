#pragma once

#include <memory>
#include <string_view>

#include "app/application.h"

// The browser's in-place accelerator handler: the part of a browser that turns
// keys into its own commands when the host hands them over.
class InPlaceActiveObject {
  public:
    virtual ~InPlaceActiveObject() = default;
    virtual void TranslateAccelerator(const AppMessage& message) = 0;
};

// What the game window's filter needs of the window and its browser.
class GameKeyFilterHost {
  public:
    virtual ~GameKeyFilterHost() = default;

    // Offers a key-down to the browser the way a dialog hands keys to its
    // controls. Answers true only when it has delivered the key to the page
    // itself; the message loop then drops it, so that the page sees it once.
    // False when there is no browser or the key is left to normal dispatch.
    virtual bool IsDialogMessage(const AppMessage& message) = 0;
    virtual bool BrowserBusy() const = 0;
    // The browser's in-place accelerator handler, or null when it cannot be
    // had now (a later key-down asks again).
    virtual std::shared_ptr<InPlaceActiveObject> QueryInPlaceObject() = 0;

    // True for the browser's control and everything inside it.
    virtual bool IsInsideBrowser(const QObject* target) const = 0;

    virtual bool GameLoaded() const = 0;
    // The window's own visibility, which stays true while it is minimised.
    virtual bool GameWindowVisible() const = 0;
    virtual void RefreshUnlessBlank() = 0;
    virtual void HideToTray() = 0;
    virtual void RestoreFromTray() = 0;

    // One notice on the debug channel.
    virtual void Trace(std::u16string_view text) = 0;
};

// The game window's application-wide message filter: F5 reloads the game, F9
// hides it to the tray or brings it back, Ctrl+N and the page's context menu are
// kept from the browser, and every other key goes to the page exactly once.
//
// Once installed it sees the messages of every window of the application, the
// launcher's included, for the rest of the process.
class GameKeyFilter {
  public:
    explicit GameKeyFilter(GameKeyFilterHost& host) : host_(host) {}

    void AEMessage(const AppMessage& message, bool& handled);

    // Obtained at most once, on the first key-down the browser takes while it is
    // not busy, and held from then on.
    const std::shared_ptr<InPlaceActiveObject>& InPlaceObject() const { return inPlaceObject_; }

  private:
    void KeyDown(const AppMessage& message, bool& handled);
    bool OfferToBrowser(const AppMessage& message);

    GameKeyFilterHost& host_;
    std::shared_ptr<InPlaceActiveObject> inPlaceObject_;
};
