#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "browser/browser_engine.h"

// Makes the engine a window's browser runs on, with the control's parent.
using BrowserEngineFactory = std::function<std::unique_ptr<BrowserEngine>(QWidget* parent)>;

// The embedded browser control the windows hold as `WebBrowser1`. It owns its
// engine and lets the engine's view fill the control.
class TWebBrowser : public QWidget {
    Q_OBJECT
  public:
    // Without an engine the control makes the real one (Qt WebEngine).
    explicit TWebBrowser(QWidget* parent, std::unique_ptr<BrowserEngine> engine = nullptr);
    ~TWebBrowser() override;

    void Navigate(const QString& url) { engine_->Navigate(url); }
    void Stop() { engine_->Stop(); }
    void Refresh() { engine_->Refresh(); }
    QString LocationURL() const { return engine_->LocationURL(); }
    bool Busy() const { return engine_->Busy(); }

    // Document access: everything a caller asks of the loaded HTML document.
    bool HasDocument() const { return engine_->HasDocument(); }
    void ExecScript(const QString& code) { engine_->ExecScript(code); }
    QString DocumentTitle() const { return engine_->DocumentTitle(); }
    void ClearBodyBorderWidth() { engine_->ClearBodyBorderWidth(); }
    void SetBackgroundColor(const QColor& colour) { engine_->SetBackgroundColor(colour); }

    // Starts the engine; what was asked of the control before is carried out
    // then (see BrowserEngine::Start).
    void StartEngine() { engine_->Start(); }

    // Gives the page the keyboard, also when the control had it already.
    void FocusPage();

    // What the page may ask of the desktop (see BrowserEngine::setPageRole).
    void setPageRole(PageRole role) { engine_->setPageRole(role); }
    void setSiteHosts(const QStringList& deploymentHosts, const QString& gameAddress = QString()) {
        engine_->setSiteHosts(deploymentHosts, gameAddress);
    }
    void exitFullScreen() { engine_->exitFullScreen(); }

    BrowserEngine& Engine() { return *engine_; }

  signals:
    void OnNavigateComplete2(TWebBrowser* sender, const QString& url);
    void OnDocumentComplete(TWebBrowser* sender, const QString& url);
    void OnTopRequestStarted(TWebBrowser* sender);
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
    std::unique_ptr<BrowserEngine> engine_;
};

// Makes the Qt WebEngine engine; separated so that test builds can avoid it.
std::unique_ptr<BrowserEngine> MakeWebEngineBrowserEngine(QWidget* parent);
