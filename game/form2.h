#pragma once

#include <QLabel>
#include <QSystemTrayIcon>
#include <QWidget>

#include "launcher/form1.h"
#include "widgets/graphic_button.h"

using quorvane::widgets::TGraphicButton;

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
    void GraphicButton5Click(QObject* sender);
    void GraphicButton6Click(QObject* sender);
    void ApplySizeMode(int mode);
    void FormResize();

    QWidget* Panel1 = nullptr;  // title strip
    QLabel* Image1 = nullptr;   // strip background, stretched
    QLabel* Label1 = nullptr;   // page title
    QLabel* Image4 = nullptr;   // figure at the strip's left end
    QLabel* Image3 = nullptr;   // title lettering
    QWidget* Panel3 = nullptr;  // the strip's button area at its right end
    QLabel* Image2 = nullptr;
    TGraphicButton* GraphicButton1 = nullptr;  // exit
    TGraphicButton* GraphicButton2 = nullptr;  // size toggle
    TGraphicButton* GraphicButton3 = nullptr;  // minimise
    TGraphicButton* GraphicButton4 = nullptr;  // hide to tray
    TGraphicButton* GraphicButton5 = nullptr;  // refresh
    TGraphicButton* GraphicButton6 = nullptr;  // back to the server list
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
