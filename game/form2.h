#pragma once

#include <QLabel>
#include <QSystemTrayIcon>
#include <QWidget>

#include "launcher/form1.h"

// The game window: shows the game page in a borderless frame with its own
// title strip.
class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(BrowserEngineFactory engineFactory = nullptr);
    ~TForm2() override;

    void OpenGame(const QString& url);
    void WebBrowser1DocumentComplete(TWebBrowser* sender, const QString& url);
    void RefreshUnlessBlank();
    void GraphicButton5Click();
    void GraphicButton6Click();
    void ApplySizeMode(int mode);
    void FormResize();

    QWidget* Panel1 = nullptr;  // title strip
    QLabel* Label1 = nullptr;   // page title
    QWidget* Panel3 = nullptr;  // the strip's button area at its right end
    QWidget* Panel2 = nullptr;  // browser panel
    TWebBrowser* WebBrowser1 = nullptr;
    QSystemTrayIcon* TrayIcon1 = nullptr;

    bool GameLoaded = false;
    int WorkAreaWidth = 0;
    int WorkAreaHeight = 0;
    float SizeFactor = 0.0f;
    bool Maximised = false;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void AlignPanels();
};
