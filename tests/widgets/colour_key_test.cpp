#include "widgets/colour_key.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>

#include "widgets/layout.h"

namespace quorvane::widgets {
namespace {

QPixmap Filled(QSize size, QColor colour) {
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

// The suite also runs at 125, 150 and 200 % (see its CMakeLists): the
// region is in the window's own pixels at every scale.
TEST(ColourKeyShapeTest, KeyPixelsFallOutsideTheWindowShape) {
    using Mode = ColourKeyShape::Mode;
    for (auto [key, mode] :
         {std::pair{QColor(Qt::black), Mode::Shape}, std::pair{QColor(0, 0, 255), Mode::Shape},
          std::pair{QColor(Qt::black), Mode::Translucent},
          std::pair{QColor(0, 0, 255), Mode::Translucent}}) {
        SCOPED_TRACE(key.name().toStdString() + (mode == Mode::Shape ? " shape" : " translucent"));
        QWidget window;
        window.resize(200, 100);
        paintBackground(&window, key);
        auto* picture = new QLabel(&window);
        picture->setGeometry(10, 10, 40, 20);
        picture->setPixmap(Filled(QSize(40, 20), QColor(200, 30, 30)));
        auto* keyed = new QLabel(&window);  // a picture pixel that is exactly the key
        keyed->setGeometry(60, 10, 10, 10);
        keyed->setPixmap(Filled(QSize(10, 10), key));
        auto* nearKey = new QLabel(&window);  // one step off the key stays visible
        nearKey->setGeometry(80, 10, 10, 10);
        nearKey->setPixmap(Filled(QSize(10, 10), QColor(key.red() ^ 1, key.green(), key.blue())));
        auto* live = new QWidget(&window);  // stands in for the web view
        live->setGeometry(120, 40, 50, 40);
        paintBackground(live, key);

        ColourKeyShape shape(&window, key, {live}, mode);
        // Without window shapes the key colour of the background is painted as
        // nothing, so the window shows through where it is keyed.
        EXPECT_EQ(window.testAttribute(Qt::WA_TranslucentBackground), mode == Mode::Translucent);
        EXPECT_EQ(window.palette().color(QPalette::Window).alpha(), mode == Mode::Shape ? 255 : 0);
        const QRegion region = shape.visibleRegion();
        EXPECT_TRUE(region.contains(QPoint(10, 10)));
        EXPECT_TRUE(region.contains(QPoint(49, 29)));
        EXPECT_FALSE(region.contains(QPoint(50, 29))) << "background is keyed";
        EXPECT_FALSE(region.contains(QPoint(65, 15))) << "key-coloured picture pixels are keyed";
        EXPECT_TRUE(region.contains(QPoint(85, 15)));
        EXPECT_TRUE(region.contains(QPoint(130, 50))) << "live content is never keyed";

        live->hide();
        EXPECT_FALSE(shape.visibleRegion().contains(QPoint(130, 50)));
    }
}

TEST(ColourKeyShapeTest, ShownWindowTakesTheShape) {
    QWidget window;
    window.resize(100, 100);
    paintBackground(&window, Qt::black);
    auto* picture = new QLabel(&window);
    picture->setGeometry(0, 0, 30, 30);
    picture->setPixmap(Filled(QSize(30, 30), Qt::white));
    new ColourKeyShape(&window, Qt::black);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.mask().boundingRect(), QRect(0, 0, 30, 30));

    picture->setGeometry(0, 0, 30, 60);
    picture->setPixmap(Filled(QSize(30, 60), Qt::white));
    picture->hide();
    picture->show();  // a child shown again reshapes the window
    QCoreApplication::processEvents();
    EXPECT_EQ(window.mask().boundingRect(), QRect(0, 0, 30, 60));
}

}  // namespace
}  // namespace quorvane::widgets
