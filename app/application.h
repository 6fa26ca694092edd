#pragma once

#include <QApplication>
#include <QPointer>
#include <QTranslator>

#include "platform/application_services.h"

// The application object: it holds the one filter over the application's
// input, and shows the exceptions that escape event handlers.
class Application : public QApplication, public ApplicationServices {
    Q_OBJECT
  public:
    Application(int& argc, char** argv);

    void setInputFilter(QObject* filter) override;
    bool askYesNo(QWidget* owner, const QString& text, const QString& caption) override;
    [[noreturn]] void exitProcess(int code) override;
    bool systemTrayAvailable() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an exception's message the way the application shows every failure.
    static void showException(const QString& message);

    static Application* current();

  private:
    QPointer<QObject> m_inputFilter;
    // Qt's own texts (the Yes and No of message boxes) in Chinese, the
    // language of every text of the client, whatever the system's locale: a
    // box never mixes a Chinese question with English buttons.
    QTranslator m_qtTranslations;
};
