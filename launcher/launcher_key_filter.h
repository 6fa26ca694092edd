#pragma once

#include <QPointer>
#include <QWidget>

#include "widgets/input_filter.h"

// The launcher's filter over the application's input: keeps the start page
// from opening browser windows by keyboard (Ctrl+N, anywhere in the
// application) and from showing the browser's context menu (the right button
// over the page; the launcher's own background keeps it).
class LauncherKeyFilter : public quorvane::widgets::InputFilter {
  public:
    LauncherKeyFilter(QWidget* browser, QObject* parent);

    // The decision: true for input the launcher keeps from its target.
    static bool swallows(const QEvent& event, bool insideBrowser, bool composing);

  protected:
    bool filterInput(QObject* target, const QEvent& event, bool composing) override;

  private:
    QPointer<QWidget> m_browser;
};
