#include "notifications/desktop_notifications.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTemporaryFile>
#include <QVariantMap>
#include <csignal>

#include "tests/support/wait.h"

namespace {

using quorvane::notifications::DesktopNotifications;

// What the desktop's service was asked, as it arrived over the bus.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    struct Call {
        QString app, icon, summary, body;
        uint replaces = 0;
        QVariantMap hints;
        int timeout = 0;
    };
    QList<Call> calls;

  public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int timeout) {
        calls.append({app, icon, summary, body, replaces, hints, timeout});
        return 40 + static_cast<uint>(calls.size());
    }
};

// The service's own connection to the test's bus, as a notification daemon
// has one of its own.
class DesktopNotificationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bus = QDBusConnection::connectToBus(
            QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")),
            QStringLiteral("notification-service"));
        ASSERT_TRUE(bus.isConnected()) << bus.lastError().message().toStdString();
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }
    void TearDown() override {
        bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("notification-service"));
    }

    NotificationService service;
    QDBusConnection bus{QString()};
};

TEST_F(DesktopNotificationsTest, EachMessageReplacesTheOneBeforeWithItsKind) {
    QStringList notices;
    DesktopNotifications notifications(nullptr, [&](const QString& n) { notices << n; });
    const struct {
        QSystemTrayIcon::MessageIcon kind;
        const char* icon;
        uchar urgency;
    } rows[] = {
        {QSystemTrayIcon::NoIcon, "quorvane", 1},
        {QSystemTrayIcon::Information, "dialog-information", 1},
        {QSystemTrayIcon::Warning, "dialog-warning", 1},
        {QSystemTrayIcon::Critical, "dialog-error", 2},
    };
    for (const auto& row : rows) {
        const qsizetype before = service.calls.size();
        notifications.show(QStringLiteral("游戏已经最小化"),
                           QStringLiteral("恢复请双击右下角游戏图标。"), row.kind, 10000);
        ASSERT_TRUE(WaitFor([&] { return service.calls.size() > before; })) << row.icon;
        const NotificationService::Call& call = service.calls.last();
        EXPECT_EQ(call.app, QStringLiteral("Quorvane"));
        EXPECT_EQ(call.summary, QStringLiteral("游戏已经最小化"));
        EXPECT_EQ(call.body, QStringLiteral("恢复请双击右下角游戏图标。"));
        EXPECT_EQ(call.icon, QLatin1String(row.icon));
        EXPECT_EQ(call.hints.value(QStringLiteral("urgency")).value<uchar>(), row.urgency);
        EXPECT_EQ(call.hints.value(QStringLiteral("desktop-entry")).toString(),
                  QStringLiteral("com.quorvane.Client"));
        EXPECT_EQ(call.timeout, 10000);
        // The first message is new; each later one takes the last one's place.
        EXPECT_EQ(call.replaces, before == 0 ? 0u : static_cast<uint>(40 + before));
        WaitFor([] { return false; }, 50);  // the answer with the number
    }
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(DesktopNotificationsTest, WithoutAServiceOnlyANoticeIsWritten) {
    bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QStringList notices;
    DesktopNotifications notifications(nullptr, [&](const QString& n) { notices << n; });
    notifications.show(QStringLiteral("公告"), QStringLiteral("今晚八点 攻城战开启！"),
                       QSystemTrayIcon::Information, 10000);
    ASSERT_TRUE(WaitFor([&] { return !notices.isEmpty(); }));
    EXPECT_TRUE(notices.first().startsWith(QStringLiteral("桌面通知：公告 今晚八点 攻城战开启！")))
        << notices.first().toStdString();
    EXPECT_TRUE(service.calls.isEmpty());
}

}  // namespace

// A session bus of the test's own, so no desktop's notifications are touched,
// and without service activation, so no installed notification daemon starts.
int main(int argc, char** argv) {
    QTemporaryFile config;
    if (!config.open()) return 1;
    config.write(R"(<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>
        <auth>EXTERNAL</auth><policy context="default"><allow send_destination="*"/><allow eavesdrop="true"/>
        <allow own="*"/></policy></busconfig>)");
    config.flush();
    QProcess daemon;
    // Ends with the test, however the test ends.
    daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address")});
    if (!daemon.waitForReadyRead(10000)) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());
    int status = 0;
    {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    daemon.terminate();
    daemon.waitForFinished(3000);
    return status;
}

#include "desktop_notifications_test.moc"
