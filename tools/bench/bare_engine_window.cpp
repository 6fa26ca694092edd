// The yardstick for the start-up benchmark: the least program that shows a
// page in the same engine, on a persistent profile with a disk cache like the
// client's. One engine view in a plain window, nothing else.
//
//   bare_engine_window --url URL --size WxH
//
// Lines on standard input move it on, so one process serves a whole run:
//   open URL WxH    resize the window and load another page
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

QSize ParseSize(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2) return {};
    return QSize(parts[0].toInt(), parts[1].toInt());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("BareEngineWindow"));
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption(
        {QStringLiteral("url"), QStringLiteral("Page to load."), QStringLiteral("url")});
    options.addOption(
        {QStringLiteral("size"), QStringLiteral("Window size, WxH."), QStringLiteral("size")});
    options.process(app);
    const QSize size = ParseSize(options.value(QStringLiteral("size")));
    if (!options.isSet(QStringLiteral("url")) || !size.isValid()) {
        std::fprintf(stderr, "usage: bare_engine_window --url URL --size WxH\n");
        return 2;
    }

    QWebEngineProfile profile(QStringLiteral("Bare"));
    profile.setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    // Declared in this order so the page goes first and the profile last.
    QWebEngineView view;
    QWebEnginePage page(&profile);
    view.setPage(&page);
    view.resize(size);
    view.load(QUrl(options.value(QStringLiteral("url"))));
    view.show();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &view, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            input.setEnabled(false);
            return;
        }
        const QStringList words = QString::fromStdString(line).split(QLatin1Char(' '));
        if (words.size() == 3 && words[0] == QLatin1String("open")) {
            view.resize(ParseSize(words[2]));
            view.load(QUrl(words[1]));
        } else {
            std::fprintf(stderr, "bare_engine_window: unknown line: %s\n", line.c_str());
        }
    });
    return QApplication::exec();
}
