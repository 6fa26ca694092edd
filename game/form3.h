#pragma once

#include <QWidget>

// The closing notice: a small stay-on-top window, created hidden.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    TForm3();
};
