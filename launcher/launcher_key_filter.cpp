#include "launcher/launcher_key_filter.h"

LauncherKeyFilter::LauncherKeyFilter(QWidget* browser, QObject* parent)
    : InputFilter(parent), m_browser(browser) {}

bool LauncherKeyFilter::swallows(const QEvent& event, bool insideBrowser, bool composing) {
    return quorvane::widgets::isControlN(event, composing) ||
           (insideBrowser && quorvane::widgets::isContextMenuInput(event));
}

bool LauncherKeyFilter::filterInput(QObject* target, const QEvent& event, bool composing) {
    const auto* widget = qobject_cast<const QWidget*>(target);
    const bool insideBrowser = m_browser && widget && m_browser->isAncestorOf(widget);
    return swallows(event, insideBrowser, composing);
}
