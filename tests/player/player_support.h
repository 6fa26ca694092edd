#pragma once

// What the player suites do as a player would: keys and clicks through the
// window system (XTest, by xdotool) to whatever has the focus, and pictures
// of the screen.
#include <QGuiApplication>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QWidget>

#include "command/loopback_client.h"
#include "command/protocol.h"
#include "tests/support/wait.h"

inline QString Shell(const QString& command) {
    QProcess process;
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Keys typed through the window system into whatever window has the focus.
inline void PressKeys(const QString& keys) {
    Shell(QStringLiteral("xdotool key --delay 80 ") + keys);
}

// For input that takes a while, such as a drag: the windows go on handling
// events while the command runs, as they do for a player.
inline void ShellWhileRunning(const QString& command) {
    QProcess process;
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    WaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000);
}

// A point of the window system's screen: the toolkit's coordinates times the
// scale the desktop runs at.
inline QPoint OnScreen(const QPoint& logical) {
    return logical * qApp->devicePixelRatio();
}

// Clicks at a point in the toolkit's coordinates; `button` 1 is the left
// button, 2 the middle one.
inline void ClickAt(const QPoint& logical, int times = 1, int button = 1) {
    const QPoint at = OnScreen(logical);
    Shell(QStringLiteral("xdotool mousemove --sync %1 %2 click --repeat %3 --delay 80 %4")
              .arg(at.x())
              .arg(at.y())
              .arg(times)
              .arg(button));
}

inline void ClickOn(QWidget* widget, int times = 1) {
    ClickAt(widget->mapToGlobal(widget->rect().center()), times);
}

// The page's plug-in content sends the launcher somewhere, as "jumpto" does.
inline void JumpTo(const std::u16string& address) {
    quorvane::command::LoopbackClient(quorvane::command::kLauncherFirstPort)
        .Send(quorvane::command::EncodeCommandText(u"jumpto 123456789012345678" + address));
}

inline void Screenshot(const QString& name) {
    Shell(QStringLiteral("mkdir -p shots && import -window root shots/%1.png").arg(name));
}

// Lets the windows run for a while, as time passes for a player.
inline void Play(int ms) {
    WaitFor([] { return false; }, ms);
}

// A window's outer rectangle as the X server has it.
inline QRect XGeometry(WId window) {
    const QString shell = Shell(QStringLiteral("xdotool getwindowgeometry --shell %1").arg(window));
    const auto value = [&](const char* name) {
        return QRegularExpression(QStringLiteral("%1=(-?\\d+)").arg(QLatin1String(name)))
            .match(shell)
            .captured(1)
            .toInt();
    };
    return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
}
