#pragma once

#include <QColor>
#include <QObject>
#include <QString>

class QWidget;

// What the windows need of a web engine. The real one wraps Qt WebEngine; tests
// drive window logic through a scripted fake.
class BrowserEngine : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~BrowserEngine() override = default;

    // The widget that renders the page; owned by the engine's host.
    virtual QWidget* View() = 0;
    // Makes the engine ready, which may hold the event loop for a while; what
    // was asked of it before is carried out then, in order. Until then it has
    // no document and shows its background colour.
    virtual void Start() {}

    // Starts loading the address exactly as given and returns at once.
    virtual void Navigate(const QString& url) = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;

    // Address of the top-level document as the page itself spells it.
    virtual QString LocationURL() const = 0;
    virtual bool Busy() const = 0;

    // Whether an HTML document is loaded at all; scripts and document reads
    // need one.
    virtual bool HasDocument() const = 0;
    virtual void ExecScript(const QString& code) = 0;
    virtual QString DocumentTitle() const = 0;
    virtual void ClearBodyBorderWidth() = 0;

    // The colour shown where the page paints nothing, before the first page
    // included.
    virtual void SetBackgroundColor(const QColor& colour) = 0;
    // The process that renders the page, 0 while there is none.
    virtual qint64 RenderProcessId() const = 0;

  signals:
    // A navigation of the page or of one of its frames has completed; `url` is
    // the exact text of the address, also for addresses no URL parser accepts.
    void NavigateComplete2(const QString& url);
    // A document (top level or frame) has finished loading.
    void DocumentComplete(const QString& url);
    // The engine has asked the network for a top-level document.
    void TopRequestStarted();
};
