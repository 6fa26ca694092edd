#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "browser/web_platform_policy.h"

class QWidget;

// A page's notification on its way to the player. The window that shows it
// reports back, so the page's onshow, onclick and onclose handlers run; the
// page hears of its close once, also when the window never reports it.
class PageNotification {
  public:
    enum class Event { Shown, Clicked, Closed };

    PageNotification(QString title, QString message, std::function<void(Event)> onEvent)
        : m_title(std::move(title)), m_message(std::move(message)), m_report(std::move(onEvent)) {}
    ~PageNotification() { report(Event::Closed); }
    PageNotification(const PageNotification&) = delete;
    PageNotification& operator=(const PageNotification&) = delete;

    const QString& title() const { return m_title; }
    const QString& message() const { return m_message; }
    void report(Event event) {
        if (m_closed || !m_report) return;
        m_closed = event == Event::Closed;
        m_report(event);
    }

  private:
    QString m_title;
    QString m_message;
    std::function<void(Event)> m_report;
    bool m_closed = false;
};

// What the windows need of a web engine. The real one wraps Qt WebEngine; tests
// drive window logic through a scripted fake.
class BrowserEngine : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~BrowserEngine() override = default;

    // The widget that renders the page; owned by the engine's host.
    virtual QWidget* view() = 0;
    // Makes the engine ready, which may hold the event loop for a while; what
    // was asked of it before is carried out then, in order. Until then it has
    // no document and shows its background colour.
    virtual void start() {}

    // Starts loading the address exactly as given and returns at once.
    virtual void navigate(const QString& url) = 0;
    virtual void stop() = 0;
    virtual void refresh() = 0;

    // Address of the top-level document as the page itself spells it.
    virtual QString location() const = 0;

    // Whether an HTML document is loaded at all; scripts and document reads
    // need one.
    virtual bool hasDocument() const = 0;
    virtual void runScript(const QString& code) = 0;
    virtual QString documentTitle() const = 0;
    virtual void clearBodyBorderWidth() = 0;

    // The colour shown where the page paints nothing, before the first page
    // included.
    virtual void setBackgroundColor(const QColor& colour) = 0;
    // The process that renders the page, 0 while there is none.
    virtual qint64 renderProcessId() const = 0;

    // What the page may ask of the desktop (full screen, new windows,
    // notifications, sound, downloads) depends on the window that shows it
    // and on whether the page is on the game's own site: the hosts the client
    // was built for plus the host of the game address.
    virtual void setPageRole(PageRole) {}
    virtual void setSiteHosts(const QStringList& /*deploymentHosts*/,
                              const QString& /*gameAddress*/) {}
    // Takes the page out of full screen; fullScreenRequested(false) follows
    // if it was in.
    virtual void exitFullScreen() {}
    // The hidden window is about to give back what the window system holds
    // for it; the engine lets go of whatever draws through it.
    virtual void prepareWindowRelease() {}

  signals:
    // A navigation of the page or of one of its frames has completed; `url` is
    // the exact text of the address, also for addresses no URL parser accepts.
    void navigationCompleted(const QString& url);
    // A document (top level or frame) has finished loading.
    void documentCompleted(const QString& url);
    // The engine has asked the network for a top-level document.
    void topRequestStarted();
    // The page entered or left full screen; the engine has let it. The window
    // is to cover its screen, or to go back to what it was.
    void fullScreenRequested(bool on);
    // A page of the game's own site shows a notification.
    void notificationRequested(std::shared_ptr<PageNotification> notification);
    // The page was discarded: it keeps no render process until the window
    // shows it again or it is sent elsewhere.
    void pageDiscarded();
    // A download the page started has ended: saved at `path`, or failed or
    // cancelled (`saved` false, `path` the file it was meant for).
    void downloadEnded(const QString& path, bool saved);
};
