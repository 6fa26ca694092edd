#include "widgets/layout.h"

#include <QGuiApplication>
#include <QPixmap>

namespace quorvane::widgets {

QPixmap LoadPicture(const char* picture) {
    const QString name = QString::fromLatin1(picture);
    // A screen scaled past 100 % gets the picture painted for 200 %, named
    // the toolkit's way; the reader takes its pixel ratio from the name.
    if (qApp && qApp->devicePixelRatio() > 1.0) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QPixmap sharp(name.left(dot) + QStringLiteral("@2x") + name.mid(dot));
        if (!sharp.isNull()) return sharp;
    }
    return QPixmap(name);
}

QLabel* MakeImage(QWidget* parent, const char* picture, const QRect& box, bool stretch) {
    auto* image = new QLabel(parent);
    image->setGeometry(box);
    image->setPixmap(LoadPicture(picture));
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

SkinnedButton* MakeButton(QWidget* parent, const quorvane::pictures::Skins& skins,
                          const QRect& box) {
    auto* button = new SkinnedButton(parent);
    button->setGeometry(box);
    button->setNormalSkin(LoadPicture(skins.normal));
    button->setHoverSkin(LoadPicture(skins.hover));
    button->setPressedSkin(LoadPicture(skins.pressed));
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
