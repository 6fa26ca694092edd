#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>

#include "browser/web_browser.h"
#include "launcher/runtime_random.h"
#include "widgets/colour_key.h"
#include "widgets/graphic_button.h"

using quorvane::widgets::TGraphicButton;

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

    // Controls in creation order.
    QLabel* Image1 = nullptr;  // the artwork
    QLabel* Label1 = nullptr;  // version
    QLabel* Image2 = nullptr;  // healthy-gaming advisory
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QWidget* Panel1 = nullptr;
    TGraphicButton* GraphicButton0 = nullptr;  // official site
    QWidget* Panel2 = nullptr;
    TGraphicButton* GraphicButton2 = nullptr;  // top-up centre
    QWidget* Panel3 = nullptr;
    TGraphicButton* GraphicButton3 = nullptr;  // customer service
    QWidget* Panel4 = nullptr;
    TGraphicButton* GraphicButton4 = nullptr;  // game centre
    QWidget* Panel5 = nullptr;
    TGraphicButton* GraphicButton5 = nullptr;  // close
    QWidget* Panel6 = nullptr;
    TWebBrowser* WebBrowser1 = nullptr;
    QWidget* Panel7 = nullptr;
    TGraphicButton* GraphicButton1 = nullptr;  // minimise
    QWidget* Panel8 = nullptr;
    TGraphicButton* GraphicButton6 = nullptr;  // clear cache
    quorvane::widgets::ColourKeyShape* ColourKey = nullptr;

    // Shared with the link buttons, which draw without seeding.
    RuntimeRandom Random;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void HandOff(const QString& gameUrl);
};
