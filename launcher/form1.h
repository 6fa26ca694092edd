#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>

#include "browser/web_browser.h"
#include "launcher/runtime_random.h"

class QCloseEvent;

using BrowserEngineFactory = std::function<std::unique_ptr<BrowserEngine>(QWidget* parent)>;

// The launcher window: shows the site's server list and hands the player over
// to the game window when the page asks for it.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Without a factory the browser uses the real engine.
    explicit TForm1(BrowserEngineFactory engineFactory = nullptr);
    ~TForm1() override;

    void LoadStartPage();
    void RunPageScript(const QString& code);
    void WebBrowser1NavigateComplete2(TWebBrowser* sender, const QString& url);
    void Button1Click();

    // The scripts that dress the first blank page, in the order they run.
    static QStringList FirstBlankScripts();

    QWidget* Panel6 = nullptr;
    TWebBrowser* WebBrowser1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;

    // Shared with the link buttons, which draw without seeding.
    RuntimeRandom Random;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void HandOff(const QString& gameUrl);
};
