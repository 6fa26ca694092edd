#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <chrono>
#include <deque>
#include <functional>

// What a page may ask of the desktop beyond drawing into its own window.
// Everything here is decided by the functions below, so the table of what a
// page may do is in one place and testable without an engine.

// The window that shows a page. The game window is where the player plays:
// its pages get what a game needs. The launcher's fixed frame gets the
// engine's defaults; a popup is a small window of the game's own.
enum class PageRole { Launcher, Game, Popup };

enum class PageRequest {
    FullScreen,
    Notifications,
    PointerLock,
    // Sound (media elements, an audio context) before the player has
    // clicked into the page.
    SoundWithoutGesture,
    Download,
    Microphone,
    Camera,
    CameraAndMicrophone,
    Location,
    ScreenCapture,
    ScreenCaptureWithSound,
    ClipboardRead,
};

struct RequestContext {
    PageRole role = PageRole::Launcher;
    // The asking page is on the game's own site (see GameSite).
    bool onGameSite = false;
    // The player clicked or typed into the page, and no earlier request has
    // used that gesture up.
    bool playerGesture = false;
};

bool allows(PageRequest request, const RequestContext& context);

// The game's own site: the hosts the client was built for, plus the host of
// the game address the launcher handed over (game servers often live on
// hosts of their own). Hosts compare without their port and letter case.
class GameSite {
  public:
    // Entries are host names, optionally with a port ("play.example.com:8080").
    void setDeploymentHosts(const QStringList& hosts);
    // The game address the player entered; an address without a host adds
    // nothing.
    void setGameAddress(const QString& url);
    bool contains(const QUrl& page) const;

  private:
    QStringList m_hosts;
    QString m_gameHost;
};

// How a page asked for a new window.
enum class NewWindowKind {
    Dialog,         // window.open with window features
    Tab,            // window.open without features, a target=_blank link
    BackgroundTab,  // a middle click on a link
    Window,         // a shift click on a link
};

enum class NewWindowTarget {
    ClientPopup,     // a framed window of the client's own, in the same profile
    DefaultBrowser,  // the player's web browser, with the address as it is
    Refused,
};

// `withinLimit` says whether the page may open another window now (see
// WindowOpenLimit). Only the player's gesture opens windows, as in every
// browser: a script on its own opens none. The default browser gets web
// addresses only; anything else (files, scripts, blank pages) stays refused.
NewWindowTarget decideNewWindow(NewWindowKind kind, const QUrl& address,
                                const RequestContext& context, bool withinLimit);

// At most `limit` new windows in any `span` of time, so a script in a loop
// cannot flood the desktop.
class WindowOpenLimit {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kDefaultLimit = 5;
    static constexpr std::chrono::seconds kDefaultSpan{60};

    explicit WindowOpenLimit(int limit = kDefaultLimit, Clock::duration span = kDefaultSpan)
        : m_limit(limit), m_span(span) {}

    // Counts the window when it may open.
    bool tryOpen(Clock::time_point now);

  private:
    int m_limit;
    Clock::duration m_span;
    std::deque<Clock::time_point> m_opened;
};

// The file name a download is saved under: the page's suggestion without
// path separators, control characters or leading dots, at most 255 bytes of
// UTF-8 (never a character cut in two, the extension kept where it fits);
// "download" when nothing is left.
QString safeDownloadName(const QString& suggested);

// `name`, or the first of "stem (1).ext", "stem (2).ext" … that `taken` does
// not report, each within the same 255 bytes.
QString freeDownloadName(const QString& name, const std::function<bool(const QString&)>& taken);
