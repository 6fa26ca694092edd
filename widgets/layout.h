#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include "resources/picture_names.h"
#include "widgets/skinned_button.h"

// Builders the windows' layout tables are made with. Each control gets its
// name as its object name, by which a reader (or a test) finds it. Siblings
// stack in creation order, later above earlier.
namespace quorvane::widgets {

// A picture of a window's layout, drawn unscaled at its box's top-left corner.
struct PicturePlace {
    const char* name;
    const char* picture;
    QRect box;
};

// A skinned button in a panel of its own, and what a click on it does.
template <class Window>
struct ButtonPlace {
    const char* name;
    const char* panelName;  // null: the button sits in the window itself
    const pictures::Skins& skins;
    QRect box;
    void (Window::*clicked)();
};

// A picture of the resources, the one painted for 200 % where a screen is
// scaled past 100 %: its size in the window's pixels is the same either way.
QPixmap loadPicture(const char* picture);

// A picture control: drawn with its own transparency, unscaled at the box's
// top-left corner unless stretched over the box.
QLabel* makeImage(QWidget* parent, const PicturePlace& place, bool stretch = false);

// A label that paints no background of its own and sizes itself to its text.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const QPoint& position,
                  const QFont& font, const QColor& colour);

// A panel without bevel. With a colour it paints its own background; without
// one it shows its parent's background behind its children.
QWidget* makePanel(QWidget* parent, const char* name, const QRect& box,
                   const QColor& colour = QColor());

SkinnedButton* makeButton(QWidget* parent, const char* name, const pictures::Skins& skins,
                          const QRect& box);

// The buttons of a table, each in its panel, each click bound to its slot.
template <class Window>
void makeButtons(Window* window, QWidget* parent,
                 std::initializer_list<ButtonPlace<Window>> table) {
    for (const ButtonPlace<Window>& place : table) {
        QWidget* holder = parent;
        QRect box = place.box;
        if (place.panelName) {
            holder = makePanel(parent, place.panelName, place.box);
            box.moveTo(0, 0);
        }
        SkinnedButton* button = makeButton(holder, place.name, place.skins, box);
        QObject::connect(button, &SkinnedButton::clicked, window, place.clicked);
    }
}

// The font of a window or label: a family list (the first one present wins)
// and a character height in pixels.
QFont makeFont(std::initializer_list<const char*> families, int pixelHeight, bool bold = false);

// Paints a widget's background in one colour.
void paintBackground(QWidget* widget, const QColor& colour);

}  // namespace quorvane::widgets
