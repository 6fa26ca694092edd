#include "widgets/frameless_frame.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <memory>

namespace {

using namespace quorvane::widgets;

// Counts the left presses a widget receives.
class PressCounter : public QObject {
  public:
    explicit PressCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int presses = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) ++presses;
        return false;
    }
};

// A borderless window with a content child inside a two-pixel ring, as the
// game window's layout makes it. The offscreen platform has no window manager,
// so every drag takes the path where the window follows the mouse itself.
class FramelessFrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->setWindowFlag(Qt::FramelessWindowHint);
        window->setGeometry(kStart);
        content = new QWidget(window.get());
        content->setGeometry(2, 2, kStart.width() - 4, kStart.height() - 4);
        frame = new FramelessFrame(window.get(), &gameWindowHitTest, [this] { return enabled; });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_EQ(window->frameGeometry(), kStart);
        // The application drops a move to where the pointer already is; start
        // every test from the same place off the bands.
        QTest::mouseMove(Handle(), QPoint(150, 151));
    }

    QWindow* Handle() { return window->windowHandle(); }
    QPoint Local(const QPoint& screen) { return Handle()->mapFromGlobal(screen); }

    // Left press at a screen point, a move by `delta` and the release there.
    void Drag(const QPoint& from, const QPoint& delta) {
        QTest::mousePress(Handle(), Qt::LeftButton, {}, Local(from));
        QTest::mouseMove(Handle(), Local(from + delta / 2));
        QTest::mouseMove(Handle(), Local(from + delta));
        QTest::mouseRelease(Handle(), Qt::LeftButton, {}, Local(from + delta));
    }

    static constexpr QRect kStart{300, 200, 400, 300};
    std::unique_ptr<QWidget> window;
    QWidget* content = nullptr;
    FramelessFrame* frame = nullptr;
    bool enabled = true;
};

TEST_F(FramelessFrameTest, DraggingTheRingMovesOrResizesByTheMouseDelta) {
    const QPoint topLeft = kStart.topLeft();
    const struct {
        const char* where;
        QPoint press;
        QPoint delta;
        QRect expected;
    } drags[] = {
        {"caption row", topLeft + QPoint(10, 0), {40, 25}, {340, 225, 400, 300}},
        {"right band", topLeft + QPoint(399, 150), {30, 10}, {300, 200, 430, 300}},
        {"left band", topLeft + QPoint(1, 150), {-20, 10}, {280, 200, 420, 300}},
        {"bottom band", topLeft + QPoint(150, 299), {5, 15}, {300, 200, 400, 315}},
        {"top band", topLeft + QPoint(150, 1), {5, 15}, {300, 215, 400, 285}},
        // QTest reads a local (0, 0) as "the window's centre"; (1, 1) lies in
        // the same corner.
        {"top-left corner", topLeft + QPoint(1, 1), {-20, -10}, {280, 190, 420, 310}},
        {"bottom-right corner", topLeft + QPoint(399, 299), {-50, -40}, {300, 200, 350, 260}},
    };
    for (const auto& drag : drags) {
        window->setGeometry(kStart);
        Drag(drag.press, drag.delta);
        EXPECT_EQ(window->frameGeometry(), drag.expected) << drag.where;
    }
}

TEST_F(FramelessFrameTest, TheMouseIsFollowedOnlyUntilTheRelease) {
    const QPoint press = kStart.topLeft() + QPoint(10, 0);
    Drag(press, {40, 25});
    QTest::mouseMove(Handle(), Local(press + QPoint(100, 100)));
    EXPECT_EQ(window->frameGeometry().topLeft(), kStart.topLeft() + QPoint(40, 25));
}

TEST_F(FramelessFrameTest, PressOnAChildIsTheChildsOwn) {
    auto* counter = new PressCounter(content);
    Drag(kStart.topLeft() + QPoint(3, 10), {40, 25});  // inside the caption band, but on a child
    EXPECT_EQ(window->frameGeometry(), kStart);
    EXPECT_EQ(counter->presses, 1);
}

TEST_F(FramelessFrameTest, DisabledFrameNeitherMovesNorResizes) {
    enabled = false;
    Drag(kStart.topLeft() + QPoint(10, 0), {40, 25});
    Drag(kStart.topLeft() + QPoint(399, 150), {30, 10});
    EXPECT_EQ(window->frameGeometry(), kStart);
}

TEST_F(FramelessFrameTest, HoverShowsResizeCursorsOnlyOverTheBands) {
    const auto hoverShape = [this](const QPoint& offset) {
        QTest::mouseMove(Handle(), Local(kStart.topLeft() + offset));
        return window->testAttribute(Qt::WA_SetCursor) ? window->cursor().shape() : Qt::ArrowCursor;
    };
    EXPECT_EQ(hoverShape({399, 150}), Qt::SizeHorCursor);
    EXPECT_EQ(hoverShape({150, 299}), Qt::SizeVerCursor);
    EXPECT_EQ(hoverShape({1, 1}), Qt::SizeFDiagCursor);
    EXPECT_EQ(hoverShape({399, 0}), Qt::SizeBDiagCursor);
    EXPECT_EQ(hoverShape({10, 0}), Qt::ArrowCursor) << "caption";
    EXPECT_EQ(hoverShape({399, 150}), Qt::SizeHorCursor);
    EXPECT_EQ(hoverShape({150, 150}), Qt::ArrowCursor) << "over the content";
    enabled = false;
    EXPECT_EQ(hoverShape({399, 150}), Qt::ArrowCursor) << "disabled";
}

TEST_F(FramelessFrameTest, HoverRestoresTheWindowsOwnCursor) {
    window->setCursor(Qt::CrossCursor);
    QTest::mouseMove(Handle(), Local(kStart.topLeft() + QPoint(399, 150)));
    EXPECT_EQ(window->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(Handle(), Local(kStart.topLeft() + QPoint(150, 150)));
    EXPECT_EQ(window->cursor().shape(), Qt::CrossCursor);
}

// A press handler of a title-strip picture moving the window from its press.
class MoveOnPress : public QObject {
  public:
    explicit MoveOnPress(QWidget* picture) : QObject(picture) { picture->installEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress) return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        startSystemMove(static_cast<QWidget*>(watched), mouse->globalPosition().toPoint());
        return true;
    }
};

TEST_F(FramelessFrameTest, StartSystemMoveFromAChildsPressMovesTheWindow) {
    new MoveOnPress(content);
    Drag(kStart.topLeft() + QPoint(150, 150), {-60, 35});
    EXPECT_EQ(window->frameGeometry(), kStart.translated(-60, 35));
}

// A title strip: its press arms the caption's move, its double-click counts.
class TitleStrip : public QObject {
  public:
    TitleStrip(QWidget* strip, CaptionDrag* drag) : QObject(strip), drag_(drag) {
        strip->installEventFilter(this);
    }
    int doubleClicks = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonPress) {
            drag_->press(mouse->globalPosition().toPoint());
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            drag_->cancel();
            ++doubleClicks;
        } else {
            return false;
        }
        return true;
    }

  private:
    CaptionDrag* drag_;
};

TEST_F(FramelessFrameTest, ACaptionMovesOnlyPastTheDragDistanceSoDoubleClicksStay) {
    auto* strip = new TitleStrip(content, new CaptionDrag(window.get()));
    const QPoint press = kStart.topLeft() + QPoint(150, 150);
    const int distance = QGuiApplication::styleHints()->startDragDistance();
    ASSERT_GT(distance, 2);

    // Within the drag distance: a click, not a move.
    Drag(press, {distance / 2, 0});
    EXPECT_EQ(window->frameGeometry(), kStart);
    QTest::mouseDClick(Handle(), Qt::LeftButton, {}, Local(press));
    EXPECT_EQ(strip->doubleClicks, 1);
    QTest::mouseMove(Handle(), Local(press + QPoint(60, 60)));
    EXPECT_EQ(window->frameGeometry(), kStart) << "a double-click armed no move";

    // Past it the window follows the pointer from the press on.
    QTest::mousePress(Handle(), Qt::LeftButton, {}, Local(press));
    QTest::mouseMove(Handle(), Local(press + QPoint(distance + 1, 0)));
    QTest::mouseMove(Handle(), Local(press + QPoint(-40, 30)));
    QTest::mouseRelease(Handle(), Qt::LeftButton, {}, Local(press + QPoint(-40, 30)));
    EXPECT_EQ(window->frameGeometry(), kStart.translated(-40, 30));
}

// The launcher: fixed size, its background picture covering the whole window
// and standing for the window's surface, the browser a real child.
class LauncherFrameTest : public FramelessFrameTest {
  protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->setWindowFlag(Qt::FramelessWindowHint);
        window->setGeometry(kStart);
        window->setFixedSize(kStart.size());
        background = new QWidget(window.get());
        background->setGeometry(0, 0, kStart.width(), kStart.height());
        browser = new QWidget(window.get());
        browser->setGeometry(100, 100, 200, 100);
        frame = new FramelessFrame(window.get(), &launcherHitTest);
        frame->addSurface(background);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QWidget* background = nullptr;
    QWidget* browser = nullptr;
};

TEST_F(LauncherFrameTest, FixedSizeHoldsWhenTheEdgesAreDragged) {
    Drag(kStart.topLeft() + QPoint(399, 150), {30, 10});
    EXPECT_EQ(window->frameGeometry(), kStart);
    Drag(kStart.topLeft() + QPoint(399, 299), {-30, -40});
    EXPECT_EQ(window->frameGeometry(), kStart);
}

TEST_F(LauncherFrameTest, BackgroundPictureDragsTheWindowTheBrowserDoesNot) {
    Drag(kStart.topLeft() + QPoint(50, 50), {-25, 15});
    EXPECT_EQ(window->frameGeometry(), kStart.translated(-25, 15));
    window->setGeometry(kStart);
    Drag(kStart.topLeft() + QPoint(150, 150), {-25, 15});
    EXPECT_EQ(window->frameGeometry(), kStart);
}

TEST(DraggedFrame, OppositeEdgesStayPutWithinTheSizeLimits) {
    const QRect start(100, 100, 400, 300);
    const QSize none(0, 0), huge(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    EXPECT_EQ(draggedFrame(start, {}, {-7, 9}, none, huge), QRect(93, 109, 400, 300));
    EXPECT_EQ(draggedFrame(start, Qt::LeftEdge, {390, 0}, QSize(50, 50), huge),
              QRect(450, 100, 50, 300));
    EXPECT_EQ(draggedFrame(start, Qt::TopEdge | Qt::RightEdge, {100, -100}, none, QSize(450, 350)),
              QRect(100, 50, 450, 350));
    EXPECT_EQ(draggedFrame(start, Qt::BottomEdge, {0, -500}, none, huge), QRect(100, 100, 400, 1));
    EXPECT_EQ(
        draggedFrame(start, Qt::RightEdge | Qt::BottomEdge, {50, 50}, start.size(), start.size()),
        start);
}

}  // namespace
