#pragma once

// What the player suites do as a player would: keys and clicks through the
// window system (XTest, by xdotool) to whatever has the focus, and pictures
// of the screen.
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QWidget>

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

// `button` 1 is the left button, 2 the middle one.
inline void ClickAt(const QPoint& screen, int times = 1, int button = 1) {
    Shell(QStringLiteral("xdotool mousemove --sync %1 %2 click --repeat %3 --delay 150 %4")
              .arg(screen.x())
              .arg(screen.y())
              .arg(times)
              .arg(button));
}

inline void ClickOn(QWidget* widget) {
    ClickAt(widget->mapToGlobal(widget->rect().center()));
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
