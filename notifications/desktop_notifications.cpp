#include "notifications/desktop_notifications.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "platform/debug_output.h"

namespace quorvane::notifications {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// The installed desktop entry, which names the program and its icon.
const QString kDesktopEntry = QStringLiteral("com.quorvane.Client");
constexpr int kCallTimeoutMs = 5000;

// Icon names of the freedesktop icon theme for the balloon's icon kinds; a
// message without a kind shows the program's own icon.
QString iconName(QSystemTrayIcon::MessageIcon icon) {
    switch (icon) {
        case QSystemTrayIcon::Information:
            return QStringLiteral("dialog-information");
        case QSystemTrayIcon::Warning:
            return QStringLiteral("dialog-warning");
        case QSystemTrayIcon::Critical:
            return QStringLiteral("dialog-error");
        default:
            return QStringLiteral("quorvane");
    }
}

}  // namespace

DesktopNotifications::DesktopNotifications(QObject* parent, Notice notice)
    : QObject(parent), m_notice(std::move(notice)) {
    if (!m_notice) {
        m_notice = [](const QString& text) {
            quorvane::platform::OutputDebugString(text.toStdU16String());
        };
    }
}

void DesktopNotifications::show(const QString& title, const QString& text,
                                QSystemTrayIcon::MessageIcon icon, int timeoutMs) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        noService(title, text, QStringLiteral("no session bus"));
        return;
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>(icon == QSystemTrayIcon::Critical ? 2 : 1));
    hints.insert(QStringLiteral("desktop-entry"), kDesktopEntry);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QCoreApplication::applicationName() << m_lastId << iconName(icon) << title << text
         << QStringList() << hints << timeoutMs;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, title, text](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    noService(title, text, reply.error().message());
                    return;
                }
                m_lastId = reply.value();
                emit shown(m_lastId);
            });
}

void DesktopNotifications::noService(const QString& title, const QString& text,
                                     const QString& reason) {
    m_notice(QStringLiteral("桌面通知：%1 %2 (not shown: %3)").arg(title, text, reason));
}

}  // namespace quorvane::notifications
