#include "widgets/layout.h"

#include <QPixmap>

namespace quorvane::widgets {

QLabel* MakeImage(QWidget* parent, const char* picture, const QRect& box, bool stretch) {
    auto* image = new QLabel(parent);
    image->setGeometry(box);
    image->setPixmap(QPixmap(QString::fromLatin1(picture)));
    image->setScaledContents(stretch);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, const QPoint& position,
                  const QFont& font, const QColor& colour) {
    auto* label = new QLabel(parent);
    // Captions are shown as they stand: a page title such as "<b>x</b>" is
    // text, never markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(position);
    label->adjustSize();  // labels size themselves to their text
    return label;
}

QWidget* MakePanel(QWidget* parent, const QRect& box, const QColor& colour) {
    auto* panel = new QWidget(parent);
    panel->setGeometry(box);
    if (colour.isValid()) PaintBackground(panel, colour);
    return panel;
}

TGraphicButton* MakeButton(QWidget* parent, const quorvane::pictures::Skins& skins,
                           const QRect& box) {
    auto* button = new TGraphicButton(parent);
    button->setGeometry(box);
    button->SetSkinNormal(QPixmap(QString::fromLatin1(skins.normal)));
    button->SetSkinOver(QPixmap(QString::fromLatin1(skins.hover)));
    button->SetSkinDown(QPixmap(QString::fromLatin1(skins.pressed)));
    return button;
}

QFont MakeFont(std::initializer_list<const char*> families, int pixelHeight, bool bold) {
    QFont font;
    QStringList names;
    for (const char* family : families) names << QString::fromUtf8(family);
    font.setFamilies(names);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

void PaintBackground(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

}  // namespace quorvane::widgets
