#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include "resources/picture_names.h"
#include "widgets/skinned_button.h"

// Small builders the window layouts are written with, so each window's layout
// reads as one list of controls in creation order. Siblings stack in creation
// order, later above earlier.
namespace quorvane::widgets {

// A picture of the resources, the one painted for 200 % where a screen is
// scaled past 100 %: its size in the window's pixels is the same either way.
QPixmap LoadPicture(const char* picture);

// A picture control: drawn with its own transparency, unscaled at the box's
// top-left corner unless stretched over the box.
QLabel* MakeImage(QWidget* parent, const char* picture, const QRect& box, bool stretch = false);

// A label that paints no background of its own.
QLabel* MakeLabel(QWidget* parent, const QString& caption, const QPoint& position,
                  const QFont& font, const QColor& colour);

// A panel without bevel. With a colour it paints its own background; without
// one it shows its parent's background behind its children.
QWidget* MakePanel(QWidget* parent, const QRect& box, const QColor& colour = QColor());

SkinnedButton* MakeButton(QWidget* parent, const quorvane::pictures::Skins& skins,
                          const QRect& box);

// The font of a window or label: a family list (the first one present wins)
// and a character height in pixels.
QFont MakeFont(std::initializer_list<const char*> families, int pixelHeight, bool bold = false);

// Paints a widget's background in one colour.
void PaintBackground(QWidget* widget, const QColor& colour);

}  // namespace quorvane::widgets
