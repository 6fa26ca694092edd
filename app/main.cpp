#include <QIcon>
#include <exception>

#include "app/application.h"
#include "app/session.h"
#include "browser/webengine_engine.h"
#include "command/descriptors.h"

int main(int argc, char** argv) {
    // The browser engine and both command servers share the process's
    // descriptors; a burst of connections must not starve the engine.
    quorvane::command::RaiseDescriptorLimit();
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/app_icon.png")));
    chooseBrowserCompositing();
    // The launcher is the main window: only closing it ends the loop, hiding
    // windows at the hand-off must not.
    QApplication::setQuitOnLastWindowClosed(false);

    try {
        Session session(app, nullptr, nullptr, Session::LauncherShow::kAtOnce);
        return QApplication::exec();
    } catch (const std::exception& e) {
        Application::showException(QString::fromUtf8(e.what()));
    } catch (...) {
        Application::showException(QString());
    }
    // The program did not end the way it should: say so to whoever started it.
    return 1;
}
