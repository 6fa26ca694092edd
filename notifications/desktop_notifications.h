#pragma once

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>

namespace quorvane::notifications {

// The desktop's notification service (org.freedesktop.Notifications on the
// session bus), where a desktop without a tray shows what the tray would show
// as a balloon. Each message takes the place of the one before, as a balloon
// does. Where the desktop has no such service, the message is only written to
// the debug channel.
//
// Messages go out without waiting for the service: the GUI thread never
// blocks on the bus.
class DesktopNotifications : public QObject {
    Q_OBJECT
  public:
    // Receives the notice for a message no service took; by default it goes to
    // the debug channel.
    using Notice = std::function<void(const QString& notice)>;

    explicit DesktopNotifications(QObject* parent = nullptr, Notice notice = nullptr);

    void show(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon,
              int timeoutMs);

  signals:
    // The service shows the message under this number.
    void shown(uint id);

  private:
    void noService(const QString& title, const QString& text, const QString& reason);

    Notice m_notice;
    uint m_lastId = 0;  // the message on screen, replaced by the next one
};

}  // namespace quorvane::notifications
