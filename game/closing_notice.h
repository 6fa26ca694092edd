#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "platform/application_services.h"
#include "platform/shared_values.h"
#include "widgets/colour_key.h"
#include "widgets/skinned_button.h"

using quorvane::widgets::TGraphicButton;

// The closing notice: a small stay-on-top window, created hidden, whose blue
// background is keyed out so only its pictures, labels and button show.
class TForm3 : public QWidget {
    Q_OBJECT
  public:
    TForm3(SharedValues& values, ApplicationServices& services);

    void Timer1Timer();
    void GraphicButton1Click(QObject* sender);

    // Controls in creation order.
    QLabel* Image1 = nullptr;  // banner
    QLabel* Image2 = nullptr;  // arrow up-left
    QLabel* Image3 = nullptr;  // arrow up-right
    QLabel* Image4 = nullptr;  // arrow down-right
    QLabel* Image5 = nullptr;  // arrow down-left
    QLabel* Label1 = nullptr;  // "…seconds until it closes"
    QLabel* Label2 = nullptr;  // the countdown number
    QWidget* Panel1 = nullptr;
    TGraphicButton* GraphicButton1 = nullptr;  // close
    QTimer* Timer1 = nullptr;
    quorvane::widgets::ColourKeyShape* ColourKey = nullptr;

  private:
    SharedValues& Values;
    ApplicationServices& Services;
};
