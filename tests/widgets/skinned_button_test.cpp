#include "widgets/skinned_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace quorvane::widgets {
namespace {

const QColor kParent(128, 128, 128);
const QColor kNormal(Qt::red);
const QColor kOver(Qt::green);
const QColor kDown(Qt::blue);

QPixmap Solid(const QColor& color, QSize size = {50, 50}) {
    QPixmap picture(size);
    picture.fill(color);
    return picture;
}

// Left half fully transparent, right half `color`.
QPixmap HalfTransparent(const QColor& color) {
    QPixmap picture(50, 50);
    picture.fill(Qt::transparent);
    QPainter(&picture).fillRect(25, 0, 25, 50, color);
    return picture;
}

class ClickRecorder : public QObject {
  public:
    void Record(QObject* sender) { senders.push_back(sender); }
    std::vector<QObject*> senders;
};

class PaintCounter : public QObject {
  public:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
    int paints = 0;
};

// A shown grey window with one button at (10, 10); what the tests read back
// is the window's backing store, i.e. what the user would see.
class GraphicButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.resize(200, 200);
        window_.setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, kParent);
        window_.setPalette(palette);
        button_ = new SkinnedButton(&window_);
        button_->move(10, 10);
        // Never seen unless the button fills its own background.
        QPalette own;
        own.setColor(QPalette::Window, Qt::magenta);
        button_->setPalette(own);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }

    void Skin(const QPixmap& normal, const QPixmap& over, const QPixmap& down) {
        button_->setNormalSkin(normal);
        button_->setHoverSkin(over);
        button_->setPressedSkin(down);
        QApplication::processEvents();
    }

    QColor OnScreen(QPoint in_button = {25, 25}) {
        const QImage shown = window_.screen()->grabWindow(window_.winId()).toImage();
        return shown.pixelColor(button_->mapTo(&window_, in_button));
    }

    void Send(QEvent::Type type, Qt::MouseButton button, QPoint at = {25, 25}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, button_->mapToGlobal(QPointF(at)), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(button_, &event);
    }
    void Enter() {
        QEnterEvent event(QPointF(25, 25), QPointF(25, 25), button_->mapToGlobal(QPointF(25, 25)));
        QApplication::sendEvent(button_, &event);
    }
    void Leave() {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(button_, &event);
    }

    // Goes through the window system, so Qt's own grab and double-click
    // detection decide which widget gets what.
    void PressAndRelease(Qt::MouseButton button, QPoint press, QPoint release) {
        const QPoint origin = button_->pos();
        QTest::mousePress(window_.windowHandle(), button, {}, origin + press);
        QTest::mouseRelease(window_.windowHandle(), button, {}, origin + release);
    }

    QWidget window_;
    SkinnedButton* button_ = nullptr;
};

TEST_F(GraphicButtonTest, FreshButtonIsAnEmptyAlien50By50AtTheOrigin) {
    SkinnedButton fresh(&window_);
    fresh.show();
    QApplication::processEvents();
    EXPECT_EQ(fresh.geometry(), QRect(0, 0, 50, 50));
    EXPECT_EQ(fresh.internalWinId(), WId(0));
    EXPECT_EQ(fresh.focusPolicy(), Qt::NoFocus);
    const QImage shown = window_.screen()->grabWindow(window_.winId()).toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), kParent);  // left of the other button
}

TEST_F(GraphicButtonTest, EachMouseEventShowsItsSkinAtOnce) {
    Skin(Solid(kNormal), Solid(kOver), Solid(kDown));
    ASSERT_EQ(OnScreen(), kNormal);
    const struct {
        const char* step;
        std::function<void()> act;
        QColor shown;
    } steps[] = {
        {"enter", [&] { Enter(); }, kOver},
        {"leave", [&] { Leave(); }, kNormal},
        {"left press", [&] { Send(QEvent::MouseButtonPress, Qt::LeftButton); }, kDown},
        {"left release", [&] { Send(QEvent::MouseButtonRelease, Qt::LeftButton); }, kOver},
        // Qt delivers a double click's second press as this event.
        {"double-click press", [&] { Send(QEvent::MouseButtonDblClick, Qt::LeftButton); }, kDown},
        {"its release", [&] { Send(QEvent::MouseButtonRelease, Qt::LeftButton); }, kOver},
        {"leave again", [&] { Leave(); }, kNormal},
        {"right press", [&] { Send(QEvent::MouseButtonPress, Qt::RightButton); }, kNormal},
        {"right release", [&] { Send(QEvent::MouseButtonRelease, Qt::RightButton); }, kOver},
        {"middle press", [&] { Send(QEvent::MouseButtonPress, Qt::MiddleButton); }, kOver},
        {"left press again", [&] { Send(QEvent::MouseButtonPress, Qt::LeftButton); }, kDown},
        {"repaint while held",
         [&] {
             button_->update();
             QApplication::processEvents();
         },
         kNormal},
        {"enter again", [&] { Enter(); }, kOver},
        {"resize while hovered",
         [&] {
             button_->resize(60, 60);
             QApplication::processEvents();
         },
         kNormal},
    };
    for (const auto& s : steps) {
        s.act();  // no event processing: the skin must be there already
        EXPECT_EQ(OnScreen(), s.shown) << s.step;
    }
}

TEST_F(GraphicButtonTest, TransparentSkinPixelsShowTheParentNotThePreviousSkin) {
    Skin(HalfTransparent(kNormal), HalfTransparent(kOver), Solid(kDown));
    EXPECT_EQ(OnScreen({10, 25}), kParent);
    EXPECT_EQ(OnScreen({40, 25}), kNormal);
    Send(QEvent::MouseButtonPress, Qt::LeftButton);
    Enter();
    EXPECT_EQ(OnScreen({10, 25}), kParent);  // the pressed skin beneath is gone
    EXPECT_EQ(OnScreen({40, 25}), kOver);
}

TEST_F(GraphicButtonTest, EmptySkinLeavesTheScreenAsItIs) {
    Skin(Solid(kNormal), QPixmap(), QPixmap());
    Send(QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_EQ(OnScreen(), kNormal);
}

TEST_F(GraphicButtonTest, SkinsAreStretchedOverTheButton) {
    QPixmap quadrants(2, 2);
    quadrants.fill(kNormal);
    {
        QPainter painter(&quadrants);
        painter.fillRect(1, 1, 1, 1, kDown);
    }
    button_->resize(100, 60);
    Skin(quadrants, Solid(kOver, {1, 1}), QPixmap());
    EXPECT_EQ(OnScreen({25, 15}), kNormal);
    EXPECT_EQ(OnScreen({75, 45}), kDown);
    Enter();
    EXPECT_EQ(OnScreen({99, 59}), kOver);
}

TEST_F(GraphicButtonTest, OnlyANewNormalPictureRepaints) {
    Skin(Solid(kNormal), Solid(kOver), Solid(kDown));
    PaintCounter counter;
    button_->installEventFilter(&counter);
    QPixmap source = Solid(Qt::cyan);
    const struct {
        const char* setter;
        std::function<void()> set;
        bool repaints;
        QColor shown;
    } cases[] = {
        {"over", [&] { button_->setHoverSkin(Solid(Qt::yellow)); }, false, kNormal},
        {"down", [&] { button_->setPressedSkin(Solid(Qt::yellow)); }, false, kNormal},
        {"null over", [&] { button_->setHoverSkin(QPixmap()); }, false, kNormal},
        {"null normal", [&] { button_->setNormalSkin(QPixmap()); }, false, kNormal},
        // The button keeps its own copy: later changes to the source stay off screen.
        {"normal",
         [&] {
             button_->setNormalSkin(source);
             source.fill(kDown);
         },
         true, Qt::cyan},
    };
    for (const auto& c : cases) {
        counter.paints = 0;
        c.set();
        QApplication::processEvents();
        EXPECT_EQ(counter.paints > 0, c.repaints) << c.setter;
        EXPECT_EQ(OnScreen(), c.shown) << c.setter;
    }
    Enter();
    EXPECT_EQ(OnScreen(), QColor(Qt::yellow));  // the new hover picture, not the null one
}

TEST_F(GraphicButtonTest, NewNormalPictureStillArrivesWhenHoverIsDrawnFirst) {
    Skin(Solid(kNormal), Solid(kOver), QPixmap());
    button_->setNormalSkin(Solid(Qt::cyan));
    Enter();  // forces a paint before the pending update is processed
    EXPECT_EQ(OnScreen(), kOver);
    QApplication::processEvents();
    EXPECT_EQ(OnScreen(), QColor(Qt::cyan));
}

TEST_F(GraphicButtonTest, HiddenButtonDoesNotCarryAMouseSkinIntoItsNextPaint) {
    Skin(Solid(kNormal), Solid(kOver), QPixmap());
    button_->hide();
    Enter();
    button_->show();
    QApplication::processEvents();
    EXPECT_EQ(OnScreen(), kNormal);
}

struct ReleaseCase {
    Qt::MouseButton button;
    QSize picture;
    QPoint release;  // in button coordinates; the press is at (5, 5)
    bool clicks;
    qreal pictureRatio = 1;  // 2 for a picture drawn for 200 % screens
};

void PrintTo(const ReleaseCase& c, std::ostream* os) {
    *os << "button " << c.button << ", picture " << c.picture.width() << "x" << c.picture.height()
        << ", release at (" << c.release.x() << ", " << c.release.y() << ")";
}

class ClickAreaTest : public GraphicButtonTest,
                      public ::testing::WithParamInterface<ReleaseCase> {};

TEST_P(ClickAreaTest, LeftReleaseWithinTheNormalPictureClicks) {
    const ReleaseCase& c = GetParam();
    QPixmap normal = Solid(kNormal, c.picture);
    normal.setDevicePixelRatio(c.pictureRatio);
    Skin(normal, Solid(kOver), Solid(kDown));
    ClickRecorder recorder;
    QObject::connect(button_, &SkinnedButton::clicked, &recorder, &ClickRecorder::Record);
    PressAndRelease(c.button, {5, 5}, c.release);
    EXPECT_EQ(recorder.senders,
              c.clicks ? std::vector<QObject*>{button_} : std::vector<QObject*>{});
}

// The button is 50 x 50; pictures smaller and larger than it show that the
// picture, not the widget, bounds the click, both edges included.
INSTANTIATE_TEST_SUITE_P(
    Bounds, ClickAreaTest,
    ::testing::Values(ReleaseCase{Qt::LeftButton, {40, 30}, {0, 0}, true},
                      ReleaseCase{Qt::LeftButton, {40, 30}, {40, 30}, true},
                      ReleaseCase{Qt::LeftButton, {40, 30}, {-1, 0}, false},
                      ReleaseCase{Qt::LeftButton, {40, 30}, {0, -1}, false},
                      ReleaseCase{Qt::LeftButton, {40, 30}, {41, 0}, false},
                      ReleaseCase{Qt::LeftButton, {40, 30}, {40, 31}, false},
                      ReleaseCase{Qt::LeftButton, {80, 70}, {80, 70}, true},
                      ReleaseCase{Qt::LeftButton, {80, 70}, {81, 10}, false},
                      // An 80 x 60 picture for 200 % is 40 x 30 on the button.
                      ReleaseCase{Qt::LeftButton, {80, 60}, {40, 30}, true, 2},
                      ReleaseCase{Qt::LeftButton, {80, 60}, {41, 10}, false, 2},
                      ReleaseCase{Qt::LeftButton, {80, 60}, {10, 31}, false, 2},
                      ReleaseCase{Qt::RightButton, {40, 30}, {5, 5}, false},
                      ReleaseCase{Qt::MiddleButton, {40, 30}, {5, 5}, false}));

TEST_F(GraphicButtonTest, DoubleClickGivesTwoClicks) {
    Skin(Solid(kNormal), Solid(kOver), Solid(kDown));
    ClickRecorder recorder;
    QObject::connect(button_, &SkinnedButton::clicked, &recorder, &ClickRecorder::Record);
    QTest::mouseDClick(window_.windowHandle(), Qt::LeftButton, {}, button_->pos() + QPoint(5, 5));
    EXPECT_EQ(recorder.senders.size(), 2u);
    EXPECT_EQ(OnScreen(), kOver);
}

}  // namespace
}  // namespace quorvane::widgets

int main(int argc, char** argv) {
    // Test discovery runs this binary outside ctest's environment too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
