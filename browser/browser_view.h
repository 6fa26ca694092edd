#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "browser/browser_engine.h"

// Makes the engine a window's browser runs on, with the control's parent.
using BrowserEngineFactory = std::function<std::unique_ptr<BrowserEngine>(QWidget* parent)>;

// The embedded browser control each window holds. It owns its engine and lets
// the engine's view fill the control.
class BrowserView : public QWidget {
    Q_OBJECT
  public:
    // Without an engine the control makes the real one (Qt WebEngine).
    explicit BrowserView(QWidget* parent, std::unique_ptr<BrowserEngine> engine = nullptr);
    ~BrowserView() override;

    void navigate(const QString& url) { m_engine->navigate(url); }
    void stop() { m_engine->stop(); }
    void refresh() { m_engine->refresh(); }
    QString location() const { return m_engine->location(); }

    // Document access: everything a caller asks of the loaded HTML document.
    bool hasDocument() const { return m_engine->hasDocument(); }
    void runScript(const QString& code) { m_engine->runScript(code); }
    QString documentTitle() const { return m_engine->documentTitle(); }
    void clearBodyBorderWidth() { m_engine->clearBodyBorderWidth(); }
    void setBackgroundColor(const QColor& colour) { m_engine->setBackgroundColor(colour); }

    // Starts the engine; what was asked of the control before is carried out
    // then (see BrowserEngine::start).
    void startEngine() { m_engine->start(); }

    // Gives the page the keyboard, also when the control had it already.
    void focusPage();

    // What the page may ask of the desktop (see BrowserEngine::setPageRole).
    void setPageRole(PageRole role) { m_engine->setPageRole(role); }
    void setSiteHosts(const QStringList& deploymentHosts, const QString& gameAddress = QString()) {
        m_engine->setSiteHosts(deploymentHosts, gameAddress);
    }
    void exitFullScreen() { m_engine->exitFullScreen(); }

    BrowserEngine& engine() { return *m_engine; }

  signals:
    void navigationCompleted(const QString& url);
    void documentCompleted(const QString& url);
    void topRequestStarted();
    void fullScreenRequested(bool on);
    void notificationRequested(std::shared_ptr<PageNotification> notification);
    void downloadEnded(const QString& path, bool saved);
    // The window is hidden and its page discarded: nothing draws through the
    // window now, so it may give back its window-system resources (its
    // pictures on the screen and for the compositor). Showing it again makes
    // them anew.
    void windowReleasable();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::unique_ptr<BrowserEngine> m_engine;
};

// Makes the Qt WebEngine engine; separated so that test builds can avoid it.
std::unique_ptr<BrowserEngine> makeWebEngineBrowserEngine(QWidget* parent);
