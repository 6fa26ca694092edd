#include "browser/browser_view.h"

#include <QResizeEvent>

BrowserView::BrowserView(QWidget* parent, std::unique_ptr<BrowserEngine> engine)
    : QWidget(parent), m_engine(engine ? std::move(engine) : makeWebEngineBrowserEngine(this)) {
    if (QWidget* view = m_engine->view()) {
        view->setParent(this);
        view->setGeometry(rect());
        view->show();
        // Focusing the control focuses the page itself, so typed keys reach it.
        setFocusProxy(view);
    }
    connect(m_engine.get(), &BrowserEngine::navigationCompleted, this,
            &BrowserView::navigationCompleted);
    connect(m_engine.get(), &BrowserEngine::documentCompleted, this,
            &BrowserView::documentCompleted);
    connect(m_engine.get(), &BrowserEngine::topRequestStarted, this,
            &BrowserView::topRequestStarted);
    connect(m_engine.get(), &BrowserEngine::fullScreenRequested, this,
            &BrowserView::fullScreenRequested);
    connect(m_engine.get(), &BrowserEngine::notificationRequested, this,
            &BrowserView::notificationRequested);
    connect(m_engine.get(), &BrowserEngine::downloadEnded, this, &BrowserView::downloadEnded);
    connect(m_engine.get(), &BrowserEngine::pageDiscarded, this, [this] {
        if (!window()->isHidden()) return;
        m_engine->prepareWindowRelease();
        emit windowReleasable();
    });
}

BrowserView::~BrowserView() = default;

void BrowserView::focusPage() {
    // A newly loaded page may render in a new surface inside the engine's
    // view, and that surface learns of the keyboard only when the view gains
    // it: a view that already had the focus must gain it afresh, or the first
    // keys after a load are dropped.
    QWidget* holder = this;
    while (holder->focusProxy()) holder = holder->focusProxy();
    if (holder->hasFocus()) holder->clearFocus();
    setFocus(Qt::OtherFocusReason);
}

void BrowserView::resizeEvent(QResizeEvent* event) {
    if (QWidget* view = m_engine->view()) view->setGeometry(QRect(QPoint(0, 0), event->size()));
    QWidget::resizeEvent(event);
}
