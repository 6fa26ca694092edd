#include "game/form3.h"

TForm3::TForm3() {
    setWindowTitle(QStringLiteral("Form3"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    resize(350, 133);
    setAutoFillBackground(true);
    QPalette blue = palette();
    blue.setColor(QPalette::Window, QColor(0, 0, 255));
    setPalette(blue);
}
