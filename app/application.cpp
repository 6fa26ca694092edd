#include "app/application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <exception>

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    if (m_qtTranslations.load(
            QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China),
            QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&m_qtTranslations);
}

void Application::setInputFilter(QObject* filter) {
    if (m_inputFilter) removeEventFilter(m_inputFilter);
    m_inputFilter = filter;
    if (filter) installEventFilter(filter);
}

bool Application::askYesNo(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

void Application::exitProcess(int code) {
    std::exit(code);
}

bool Application::systemTrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

Application* Application::current() {
    return qobject_cast<Application*>(QCoreApplication::instance());
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showException(QString::fromUtf8(e.what()));
    } catch (...) {
        showException(QString());
    }
    return false;
}

void Application::showException(const QString& message) {
    QMessageBox::critical(nullptr, QApplication::applicationName(), message);
}
