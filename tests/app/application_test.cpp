#include "app/application.h"

#include <QtTest/qtestspontaneevent.h>
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
#include <memory>
#include <vector>

#include "game/game_key_filter.h"
#include "launcher/launcher_key_filter.h"

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

// A window with a page stand-in holding the focus and a title strip beside it,
// under the application's message hook. Input goes either straight to the
// widget (as a spontaneous event) or through the native window the way the
// window system delivers it.
class ApplicationHookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        app = Application::Instance();
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
        app->SetOnMessage([this](const AppMessage& message, bool& handled) {
            seen.push_back(message);
            if (dropAll) handled = true;
        });
    }
    void TearDown() override { app->SetOnMessage(nullptr); }

    // The messages the hook saw that were aimed at widgets; the native window
    // sees the same input first and is not what the filters decide on.
    std::vector<AppMessage> SeenAtWidgets() const {
        std::vector<AppMessage> result;
        for (const AppMessage& m : seen) {
            if (m.target && m.target->isWidgetType()) result.push_back(m);
        }
        return result;
    }

    Application* app = nullptr;
    std::unique_ptr<QWidget> window;
    Probe* page = nullptr;
    Probe* strip = nullptr;
    std::vector<AppMessage> seen;
    bool dropAll = false;
};

struct KeyRow {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    unsigned code;
    int virtualKey;
    bool controlDown;
};

const KeyRow kKeyRows[] = {
    {"F5", Qt::Key_F5, Qt::NoModifier, AppMessage::KeyDown, 0x74, false},
    {"Shift+F5", Qt::Key_F5, Qt::ShiftModifier, AppMessage::KeyDown, 0x74, false},
    {"Alt+F9", Qt::Key_F9, Qt::AltModifier, AppMessage::SysKeyDown, 0x78, false},
    {"Ctrl+N", Qt::Key_N, Qt::ControlModifier, AppMessage::KeyDown, 0x4E, true},
    {"Enter", Qt::Key_Return, Qt::NoModifier, AppMessage::KeyDown, 0x0D, false},
};

// The press as the widget receives it; modifier keys arrive before it as
// presses of their own.
TEST_F(ApplicationHookTest, KeyPressesAreTranslatedForTheFocusWidget) {
    for (const KeyRow& row : kKeyRows) {
        seen.clear();
        QTest::keyPress(window->windowHandle(), row.key, row.modifiers);
        const auto atWidgets = SeenAtWidgets();
        ASSERT_FALSE(atWidgets.empty()) << row.name;
        const AppMessage& m = atWidgets.back();
        EXPECT_EQ(m.target, page) << row.name;
        EXPECT_EQ(m.code, row.code) << row.name;
        EXPECT_EQ(m.key, row.virtualKey) << row.name;
        EXPECT_EQ(m.controlDown, row.controlDown) << row.name;
        EXPECT_FALSE(m.keyUp) << row.name;
        EXPECT_FALSE(m.autoRepeat) << row.name;
        QTest::keyRelease(window->windowHandle(), row.key, row.modifiers);
    }
}

// Qt hands a key press to the native window and then again to the focus
// widget, and both arrive as spontaneous events; the hook should see one.
TEST_F(ApplicationHookTest, EachKeyPressReachesTheHookOnce) {
    QTest::keyPress(window->windowHandle(), Qt::Key_A);
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(ApplicationHookTest, AutoRepeatIsCarried) {
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier, QString(), true);
    QSpontaneKeyEvent::setSpontaneous(&repeat);
    app->notify(page, &repeat);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].autoRepeat);
}

TEST_F(ApplicationHookTest, RightButtonAndContextMenuAreTranslatedLeftClicksAreNot) {
    const QPoint inPage(200, 150);
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, inPage);
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, inPage);
    EXPECT_TRUE(seen.empty());

    // The toolkit follows a right press with a context-menu event of its own.
    const auto codesAtWidgets = [this] {
        std::vector<unsigned> codes;
        for (const AppMessage& m : SeenAtWidgets()) {
            EXPECT_EQ(m.target, page);
            codes.push_back(m.code);
        }
        return codes;
    };
    QTest::mousePress(window->windowHandle(), Qt::RightButton, {}, inPage);
    QTest::mouseRelease(window->windowHandle(), Qt::RightButton, {}, inPage);
    EXPECT_EQ(codesAtWidgets(),
              (std::vector<unsigned>{AppMessage::RButtonDown, AppMessage::ContextMenu}));

    seen.clear();
    QTest::mouseDClick(window->windowHandle(), Qt::RightButton, {}, inPage);
    const auto codes = codesAtWidgets();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), AppMessage::RButtonDown);
    EXPECT_EQ(codes.back(), AppMessage::RButtonDblClk);
}

TEST_F(ApplicationHookTest, HandledDropsTheEventBeforeTheWidget) {
    dropAll = true;
    QTest::keyPress(window->windowHandle(), Qt::Key_A);
    QTest::keyPress(page, Qt::Key_B);
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(200, 150));
    EXPECT_TRUE(page->keys.empty());
    EXPECT_EQ(page->rightPresses, 0);

    dropAll = false;
    QTest::keyPress(window->windowHandle(), Qt::Key_A);
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(200, 150));
    EXPECT_EQ(page->keys, std::vector<int>{Qt::Key_A});
    EXPECT_EQ(page->rightPresses, 1);
}

TEST_F(ApplicationHookTest, EventsSentByTheProgramAreNotSeen) {
    dropAll = true;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(page, &key);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(page, &press);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(page->keys, std::vector<int>{Qt::Key_F5});
    EXPECT_EQ(page->rightPresses, 1);
}

// The game window's host with the page stand-in as its browser. Keys are left
// to normal dispatch: the dialog step never delivers anything itself.
class GameHost : public GameKeyFilterHost {
  public:
    explicit GameHost(QWidget* browser) : browser_(browser) {}
    bool isInsideBrowser(const QObject* target) const override {
        const auto* widget = qobject_cast<const QWidget*>(target);
        return widget && browser_->isAncestorOf(widget);
    }
    bool isGameLoaded() const override { return true; }
    bool isGameWindowVisible() const override { return true; }
    void refreshUnlessBlank() override { ++refreshes; }
    void hideToTray() override { ++hides; }
    void restoreFromTray() override {}
    bool inFullScreen() const override { return false; }
    void leaveFullScreen() override {}
    void Trace(std::u16string_view) override {}
    int refreshes = 0;
    int hides = 0;

  private:
    QPointer<QWidget> browser_;
};

TEST_F(ApplicationHookTest, GameFilterOnTheHookGivesEachKeyItsOutcome) {
    GameHost host(page);
    GameKeyFilter filter(host);
    app->SetOnMessage(
        [&filter](const AppMessage& m, bool& handled) { filter.filterMessage(m, handled); });

    QTest::keyClick(window->windowHandle(), Qt::Key_F5);
    EXPECT_EQ(host.refreshes, 1);
    QTest::keyClick(window->windowHandle(), Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(host.refreshes, 2);
    QTest::keyClick(window->windowHandle(), Qt::Key_F9, Qt::AltModifier);
    EXPECT_EQ(host.hides, 0);
    QTest::keyClick(window->windowHandle(), Qt::Key_N, Qt::ControlModifier);
    // F5, Shift+F5 and Ctrl+N swallowed; Alt+F9 left alone.
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
TEST_F(ApplicationHookTest, KeysGoToAComposingPageUntilItCommits) {
    GameHost host(page);
    GameKeyFilter filter(host);
    app->SetOnMessage(
        [&filter](const AppMessage& m, bool& handled) { filter.filterMessage(m, handled); });
    const auto inputMethod = [this](const QString& preedit, const QString& commit) {
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

class LauncherHost : public LauncherKeyFilterHost {
  public:
    explicit LauncherHost(QWidget* browser) : browser_(browser) {}
    bool isInsideBrowser(const QObject* target) const override {
        const auto* widget = qobject_cast<const QWidget*>(target);
        return widget && browser_->isAncestorOf(widget);
    }

  private:
    QPointer<QWidget> browser_;
};

TEST_F(ApplicationHookTest, LauncherFilterOnTheHookDropsCtrlNAndPageMenus) {
    LauncherHost host(page);
    LauncherKeyFilter filter(host);
    app->SetOnMessage(
        [&filter](const AppMessage& m, bool& handled) { filter.filterMessage(m, handled); });

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
