#include "launcher/launcher_key_filter.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <memory>

namespace {

TEST(LauncherKeyFilter, KeepsCtrlNAnywhereAndMenusOverThePage) {
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers modifiers,
                        QEvent::Type type = QEvent::KeyPress) {
        return std::make_shared<QKeyEvent>(type, k, modifiers);
    };
    const auto right = [](QEvent::Type type) {
        return std::make_shared<QMouseEvent>(type, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                                             Qt::RightButton, Qt::NoModifier);
    };
    const struct {
        const char* name;
        std::shared_ptr<QEvent> event;
        bool insideBrowser;
        bool composing;
        bool swallowed;
    } rows[] = {
        {"Ctrl+N in the page", key(Qt::Key_N, Qt::ControlModifier), true, false, true},
        {"Ctrl+N in the address box", key(Qt::Key_N, Qt::ControlModifier), false, false, true},
        {"N alone", key(Qt::Key_N, Qt::NoModifier), true, false, false},
        {"Ctrl+N going up", key(Qt::Key_N, Qt::ControlModifier, QEvent::KeyRelease), true, false,
         false},
        {"Ctrl+M", key(Qt::Key_M, Qt::ControlModifier), true, false, false},
        {"Ctrl+Alt+N", key(Qt::Key_N, Qt::ControlModifier | Qt::AltModifier), true, false, false},
        {"Ctrl+N while composing", key(Qt::Key_N, Qt::ControlModifier), true, true, false},
        {"F5", key(Qt::Key_F5, Qt::NoModifier), true, false, false},
        {"right press in the page", right(QEvent::MouseButtonPress), true, false, true},
        {"right double in the page", right(QEvent::MouseButtonDblClick), true, false, true},
        {"context menu in the page",
         std::make_shared<QContextMenuEvent>(QContextMenuEvent::Keyboard, QPoint()), true, false,
         true},
        {"right press on the artwork", right(QEvent::MouseButtonPress), false, false, false},
        {"context menu on the artwork",
         std::make_shared<QContextMenuEvent>(QContextMenuEvent::Mouse, QPoint()), false, false,
         false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(LauncherKeyFilter::swallows(*row.event, row.insideBrowser, row.composing),
                  row.swallowed)
            << row.name;
}

}  // namespace
