#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "platform/application_services.h"

// The closing notice: a small stay-on-top window, made hidden, whose blue
// background is keyed out so only its pictures, labels and button show. It
// counts seconds down and ends the process, or ends it at once on its close
// button. The game window's exit ends the process before the notice could
// show (see GameWindow::onExitTimer); it is kept for an exit that would show
// it first.
class ClosingNotice : public QWidget {
    Q_OBJECT
  public:
    explicit ClosingNotice(ApplicationServices& services);

  private:
    void onCountdownTick();
    void onCloseClicked();

    ApplicationServices& m_services;
    QLabel* m_countdownLabel = nullptr;
    QTimer* m_countdownTimer = nullptr;
    // Seconds the notice counts down before the process ends.
    std::int32_t m_seconds = 7;
};
