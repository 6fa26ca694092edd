#include "widgets/layout.h"

#include <QGuiApplication>
#include <QPixmap>

namespace quorvane::widgets {

QPixmap loadPicture(const char* picture) {
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

QLabel* makeImage(QWidget* parent, const PicturePlace& place, bool stretch) {
    auto* image = new QLabel(parent);
    image->setObjectName(QLatin1String(place.name));
    image->setGeometry(place.box);
    image->setPixmap(loadPicture(place.picture));
    image->setScaledContents(stretch);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const QPoint& position,
                  const QFont& font, const QColor& colour) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
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

QWidget* makePanel(QWidget* parent, const char* name, const QRect& box, const QColor& colour) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(box);
    if (colour.isValid()) paintBackground(panel, colour);
    return panel;
}

SkinnedButton* makeButton(QWidget* parent, const char* name, const pictures::Skins& skins,
                          const QRect& box) {
    auto* button = new SkinnedButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(box);
    button->setNormalSkin(loadPicture(skins.normal));
    button->setHoverSkin(loadPicture(skins.hover));
    button->setPressedSkin(loadPicture(skins.pressed));
    return button;
}

QFont makeFont(std::initializer_list<const char*> families, int pixelHeight, bool bold) {
    QFont font;
    QStringList names;
    for (const char* family : families) names << QString::fromUtf8(family);
    font.setFamilies(names);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

void paintBackground(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

}  // namespace quorvane::widgets
