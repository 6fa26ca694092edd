#include "app/application.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <vector>

#include "game/game_key_filter.h"
#include "launcher/launcher_key_filter.h"
#include "widgets/input_filter.h"

namespace {

// A widget that counts what reaches it.
class Probe : public QWidget {
  public:
    using QWidget::QWidget;
    std::vector<int> keys;  // Qt key codes of the presses that reached it, modifiers aside
    int rightPresses = 0;
    int contextMenus = 0;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Shift:
            case Qt::Key_Control:
            case Qt::Key_Alt:
            case Qt::Key_Meta:
                break;
            default:
                keys.push_back(event->key());
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) ++rightPresses;
    }
    void contextMenuEvent(QContextMenuEvent*) override { ++contextMenus; }
};

// A filter that writes down what it is asked, and keeps everything from the
// widgets when told to.
class RecordingFilter : public quorvane::widgets::InputFilter {
  public:
    struct Seen {
        QObject* target;
        QEvent::Type type;
    };
    std::vector<Seen> seen;
    bool dropAll = false;

  protected:
    bool filterInput(QObject* target, const QEvent& event, bool) override {
        seen.push_back({target, event.type()});
        return dropAll;
    }
};

// A window with a page stand-in holding the focus and a title strip beside it,
// under the application's input filter. Input goes through the native window
// the way the window system delivers it.
class ApplicationFilterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        app = Application::current();
        ASSERT_NE(app, nullptr);
        window = std::make_unique<QWidget>();
        window->setGeometry(100, 100, 400, 300);
        page = new Probe(window.get());
        page->setGeometry(0, 50, 400, 250);
        page->setFocusPolicy(Qt::StrongFocus);
        strip = new Probe(window.get());
        strip->setGeometry(0, 0, 400, 50);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        page->setFocus();
        app->setInputFilter(&recorder);
    }
    void TearDown() override { app->setInputFilter(nullptr); }

    int KeyPressesSeen() const {
        return static_cast<int>(std::count_if(
            recorder.seen.begin(), recorder.seen.end(),
            [](const RecordingFilter::Seen& s) { return s.type == QEvent::KeyPress; }));
    }

    Application* app = nullptr;
    std::unique_ptr<QWidget> window;
    Probe* page = nullptr;
    Probe* strip = nullptr;
    RecordingFilter recorder;
};

// Qt hands a key press to the native window and then to the focus widget,
// both as window-system events; the filter decides once, on the widget's.
TEST_F(ApplicationFilterTest, EachPressReachesTheFilterOnceAtTheFocusWidget) {
    QTest::keyPress(window->windowHandle(), Qt::Key_A);
    ASSERT_EQ(KeyPressesSeen(), 1);
    EXPECT_EQ(recorder.seen.back().target, page);
}

TEST_F(ApplicationFilterTest, AKeptEventNeverReachesTheWidget) {
    recorder.dropAll = true;
    QTest::keyPress(window->windowHandle(), Qt::Key_A);
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(200, 150));
    EXPECT_TRUE(page->keys.empty());
    EXPECT_EQ(page->rightPresses, 0);

    recorder.dropAll = false;
    QTest::keyPress(window->windowHandle(), Qt::Key_A);
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(200, 150));
    EXPECT_EQ(page->keys, std::vector<int>{Qt::Key_A});
    EXPECT_EQ(page->rightPresses, 1);
}

// A page's view passes keys on to the page itself; those are not input.
TEST_F(ApplicationFilterTest, EventsTheProgramSendsAreNotInput) {
    recorder.dropAll = true;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(page, &key);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(page, &press);
    EXPECT_TRUE(recorder.seen.empty());
    EXPECT_EQ(page->keys, std::vector<int>{Qt::Key_F5});
    EXPECT_EQ(page->rightPresses, 1);
}

// The game window's host with the page stand-in as its browser.
class GameHost : public GameKeyFilterHost {
  public:
    explicit GameHost(QWidget* browser) : browser_(browser) {}
    bool isInsideBrowser(const QObject* target) const override {
        const auto* widget = qobject_cast<const QWidget*>(target);
        return widget && browser_->isAncestorOf(widget);
    }
    bool isGameLoaded() const override { return true; }
    bool isGameWindowVisible() const override { return true; }
    bool inFullScreen() const override { return false; }
    void refreshUnlessBlank() override { ++refreshes; }
    void hideToTray() override { ++hides; }
    void restoreFromTray() override {}
    void leaveFullScreen() override {}
    int refreshes = 0;
    int hides = 0;

  private:
    QPointer<QWidget> browser_;
};

TEST_F(ApplicationFilterTest, TheGameFilterGivesEachKeyItsOutcome) {
    GameHost host(page);
    GameKeyFilter filter(host);
    app->setInputFilter(&filter);

    QTest::keyClick(window->windowHandle(), Qt::Key_F5);
    EXPECT_EQ(host.refreshes, 1);
    QTest::keyClick(window->windowHandle(), Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(host.refreshes, 2);
    QTest::keyClick(window->windowHandle(), Qt::Key_F9, Qt::AltModifier);
    EXPECT_EQ(host.hides, 0);
    QTest::keyClick(window->windowHandle(), Qt::Key_N, Qt::ControlModifier);
    // F5, Shift+F5 and Ctrl+N kept; Alt+F9 left alone.
    EXPECT_EQ(page->keys, std::vector<int>{Qt::Key_F9});

    page->keys.clear();
    QTest::keyClick(window->windowHandle(), Qt::Key_Return);
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    QTest::keyClick(window->windowHandle(), Qt::Key_A);
    EXPECT_EQ(page->keys, (std::vector<int>{Qt::Key_Return, Qt::Key_Escape, Qt::Key_A}))
        << "each exactly once";

    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(200, 150));
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(200, 20));
    EXPECT_EQ(page->rightPresses, 0);
    EXPECT_EQ(page->contextMenus, 0);
    EXPECT_EQ(strip->rightPresses, 1);
    EXPECT_EQ(strip->contextMenus, 1);
}

// The page holds an input method's uncommitted text from the first pre-edit
// until a commit: meanwhile F5 and F9 reach the page and do nothing else.
TEST_F(ApplicationFilterTest, KeysGoToAComposingPageUntilItCommits) {
    GameHost host(page);
    GameKeyFilter filter(host);
    app->setInputFilter(&filter);
    const auto inputMethod = [](const QString& preedit, const QString& commit) {
        QInputMethodEvent event(preedit, {});
        event.setCommitString(commit);
        QCoreApplication::sendEvent(QGuiApplication::focusObject(), &event);
    };

    inputMethod(QStringLiteral("wo"), QString());
    QTest::keyClick(window->windowHandle(), Qt::Key_F5);
    QTest::keyClick(window->windowHandle(), Qt::Key_F9);
    inputMethod(QStringLiteral("women"), QString());
    QTest::keyClick(window->windowHandle(), Qt::Key_F5);
    EXPECT_EQ(host.refreshes + host.hides, 0);
    EXPECT_EQ(page->keys, (std::vector<int>{Qt::Key_F5, Qt::Key_F9, Qt::Key_F5}));

    inputMethod(QString(), QStringLiteral("我们"));
    QTest::keyClick(window->windowHandle(), Qt::Key_F5);
    EXPECT_EQ(host.refreshes, 1) << "the composition ended with its commit";

    // Text composed for a widget that has lost the focus holds nothing back.
    inputMethod(QStringLiteral("ni"), QString());
    strip->setFocusPolicy(Qt::StrongFocus);
    strip->setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_F5);
    EXPECT_EQ(host.refreshes, 2);
}

TEST_F(ApplicationFilterTest, TheLauncherFilterKeepsCtrlNAndPageMenus) {
    LauncherKeyFilter filter(page, nullptr);
    app->setInputFilter(&filter);

    QTest::keyClick(window->windowHandle(), Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(window->windowHandle(), Qt::Key_N);
    EXPECT_EQ(page->keys, std::vector<int>{Qt::Key_N});

    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(200, 150));
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(200, 20));
    EXPECT_EQ(page->rightPresses, 0);
    EXPECT_EQ(page->contextMenus, 0);
    EXPECT_EQ(strip->rightPresses, 1);
    EXPECT_EQ(strip->contextMenus, 1);
}

// The suite runs under the C locale (see its CMakeLists): the client's
// questions are Chinese, and so are the buttons under them.
TEST(ApplicationLanguageTest, MessageBoxButtonsAreChineseWhateverTheLocale) {
    ASSERT_NE(QLocale().language(), QLocale::Chinese) << "the test needs another locale";
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("呜呜呜。。。"), QStringLiteral("亲"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")))
        << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("否")))
        << box.button(QMessageBox::No)->text().toStdString();
}

}  // namespace
