#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "platform/application_services.h"
#include "widgets/colour_key.h"
#include "widgets/skinned_button.h"

using quorvane::widgets::SkinnedButton;

// The closing notice: a small stay-on-top window, created hidden, whose blue
// background is keyed out so only its pictures, labels and button show.
class ClosingNotice : public QWidget {
    Q_OBJECT
  public:
    explicit ClosingNotice(ApplicationServices& services);

    void onCountdownTick();
    void onCloseClicked(QObject* sender);

    // Controls in creation order.
    QLabel* m_banner = nullptr;          // banner
    QLabel* m_arrowUpLeft = nullptr;     // arrow up-left
    QLabel* m_arrowUpRight = nullptr;    // arrow up-right
    QLabel* m_arrowDownRight = nullptr;  // arrow down-right
    QLabel* m_arrowDownLeft = nullptr;   // arrow down-left
    QLabel* m_closesLabel = nullptr;     // "…seconds until it closes"
    QLabel* m_countdownLabel = nullptr;  // the countdown number
    QWidget* m_closePanel = nullptr;
    SkinnedButton* m_closeButton = nullptr;  // close
    QTimer* m_countdownTimer = nullptr;
    quorvane::widgets::ColourKeyShape* m_colourKey = nullptr;

  private:
    // Seconds the notice counts down before the process ends.
    std::int32_t m_noticeSeconds = 7;
    ApplicationServices& m_services;
};
