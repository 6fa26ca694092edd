#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include "launcher/deployment.h"
#include "tests/support/wait.h"

// The bundled demo site on the address the client is built for, with the
// log of every request it serves ("GET /path?query 200").
class DemoSite {
  public:
    bool Start() {
        const QString address = QString::fromLatin1(deployment::kStartPageHost);
        process_.setProgram(QStringLiteral("python3"));
        process_.setArguments({QStringLiteral(QUORVANE_SOURCE_DIR "/demo/serve.py"),
                               QStringLiteral("--port"), address.section(':', 1)});
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(5000)) return false;
        return WaitFor([this] { return Log().contains("serving "); }, 10000) &&
               process_.state() == QProcess::Running;
    }
    ~DemoSite() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(1000);
    }
    QString Log() {
        log_ += QString::fromUtf8(process_.readAllStandardOutput());
        return log_;
    }
    // Requests whose line matches `pattern` (a regular expression).
    int Count(const QString& pattern) {
        return static_cast<int>(Log().count(QRegularExpression(pattern)));
    }
    QString Errors() { return QString::fromUtf8(process_.readAllStandardError()); }

  private:
    QProcess process_;
    QString log_;
};
