#include <QIcon>
#include <QMessageBox>
#include <exception>
#include <memory>

#include "app/application.h"
#include "app/shared_values.h"
#include "game/form2.h"
#include "game/form3.h"
#include "launcher/form1.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/app_icon.png")));
    // The launcher is the main window: only closing it ends the loop, hiding
    // windows at the hand-off must not.
    QApplication::setQuitOnLastWindowClosed(false);

    try {
        auto launcher = std::make_unique<TForm1>();
        Form1 = launcher.get();
        auto game = std::make_unique<TForm2>();
        Form2 = game.get();
        auto notice = std::make_unique<TForm3>();
        Form3 = notice.get();

        Form1->show();
        QApplication::exec();
    } catch (const std::exception& e) {
        TApplication::ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        TApplication::ShowException(QString());
    }
    return 0;
}
