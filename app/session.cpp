#include "app/session.h"

Session::Session(ApplicationServices& services, BrowserEngineFactory launcherEngine,
                 BrowserEngineFactory gameEngine)
    // The launcher's creation runs its whole start (start page, shortcut,
    // command server) before the other windows exist, and needs none of them.
    : Form1(std::make_unique<TForm1>(Values, services, std::move(launcherEngine))),
      Form2(std::make_unique<TForm2>(Values, services, std::move(gameEngine))),
      Form3(std::make_unique<TForm3>(Values, services)) {
    TForm1* launcher = Form1.get();
    TForm2* game = Form2.get();
    TForm3* notice = Form3.get();
    QObject::connect(launcher, &TForm1::GameRequested, game, [game](const QString& gameUrl) {
        game->show();
        // A shown window takes the keyboard, as the launcher had it: the game
        // page is to get the player's keys without a click.
        game->activateWindow();
        game->OpenGame(gameUrl);
    });
    QObject::connect(game, &TForm2::ServerListRequested, launcher, [launcher] {
        launcher->show();
        launcher->activateWindow();
        launcher->LoadStartPage();
    });
    QObject::connect(game, &TForm2::ClosingNoticeRequested, notice, &QWidget::show);
}
