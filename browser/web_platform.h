#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebEnginePage>
#include <memory>
#include <vector>

#include "browser/browser_engine.h"
#include "browser/web_platform_policy.h"

class QWebEngineDownloadRequest;
class QWebEngineFullScreenRequest;
class QWebEngineNewWindowRequest;
class QWebEngineProfile;
class PopupWindow;

// Answers what the pages of one window ask of the desktop, after the policy
// of web_platform_policy.h: permissions, full screen, new windows, downloads,
// and (for the game window) notifications. It watches the window's own page
// and every popup that page opened; the popups are its own and go when the
// page is left.
//
// Every request is settled, granted or denied: no permission promise of a
// page ever hangs.
class WebPlatform : public QObject {
    Q_OBJECT
  public:
    explicit WebPlatform(QObject* parent = nullptr);
    ~WebPlatform() override;

    // Shows the pages' notifications through the window whose role is the
    // game's; call once for the profile the pages live in.
    static void serveNotifications(QWebEngineProfile* profile);

    void setRole(PageRole role);
    void setSiteHosts(const QStringList& deploymentHosts, const QString& gameAddress);

    // Begins answering for the window's page, which `view` shows.
    void attach(QWebEnginePage* page, QWidget* view);

    // The window's page goes to another document or is blanked: its popups
    // close and full screen ends.
    void pageLeft();
    void exitFullScreen();
    bool inFullScreen() const { return m_fullScreen; }

  signals:
    void fullScreenRequested(bool on);
    void notificationRequested(std::shared_ptr<PageNotification> notification);
    void downloadEnded(const QString& path, bool saved);

  protected:
    // Notes the player's clicks and keys in the pages, which allow a download.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void watch(QWebEnginePage* page, PageRole role);
    void applySettings(QWebEnginePage* page, PageRole role, const QUrl& address) const;
    RequestContext contextFor(const QWebEnginePage* page, const QUrl& origin,
                              bool playerGesture = false) const;
    PageRole roleOf(const QWebEnginePage* page) const;
    bool owns(const QWebEnginePage* page) const;
    bool insideOurViews(const QObject* object) const;
    QWidget* windowOf(const QWebEnginePage* page) const;

    void onPermission(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature);
    void onFullScreen(QWebEngineFullScreenRequest request);
    void onNewWindow(QWebEnginePage* opener, QWebEngineNewWindowRequest& request);
    void onDownload(QWebEngineDownloadRequest* download);
    void openPopup(QWebEnginePage* opener, QWebEngineNewWindowRequest& request);

    PageRole m_role = PageRole::Launcher;
    GameSite m_site;
    WindowOpenLimit m_openLimit;
    bool m_playerGesture = false;
    bool m_fullScreen = false;
    QPointer<QWebEnginePage> m_page;
    QPointer<QWidget> m_view;
    std::vector<QPointer<PopupWindow>> m_popups;
};
