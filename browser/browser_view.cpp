#include "browser/browser_view.h"

#include <QResizeEvent>

TWebBrowser::TWebBrowser(QWidget* parent, std::unique_ptr<BrowserEngine> engine)
    : QWidget(parent), engine_(engine ? std::move(engine) : MakeWebEngineBrowserEngine(this)) {
    if (QWidget* view = engine_->View()) {
        view->setParent(this);
        view->setGeometry(rect());
        view->show();
        // Focusing the control focuses the page itself, so typed keys reach it.
        setFocusProxy(view);
    }
    connect(engine_.get(), &BrowserEngine::NavigateComplete2, this,
            [this](const QString& url) { emit OnNavigateComplete2(this, url); });
    connect(engine_.get(), &BrowserEngine::DocumentComplete, this,
            [this](const QString& url) { emit OnDocumentComplete(this, url); });
    connect(engine_.get(), &BrowserEngine::TopRequestStarted, this,
            [this] { emit OnTopRequestStarted(this); });
    connect(engine_.get(), &BrowserEngine::fullScreenRequested, this,
            &TWebBrowser::fullScreenRequested);
    connect(engine_.get(), &BrowserEngine::notificationRequested, this,
            &TWebBrowser::notificationRequested);
    connect(engine_.get(), &BrowserEngine::downloadEnded, this, &TWebBrowser::downloadEnded);
    connect(engine_.get(), &BrowserEngine::pageDiscarded, this, [this] {
        if (!window()->isHidden()) return;
        engine_->prepareWindowRelease();
        emit windowReleasable();
    });
}

TWebBrowser::~TWebBrowser() = default;

void TWebBrowser::FocusPage() {
    // A newly loaded page may render in a new surface inside the engine's
    // view, and that surface learns of the keyboard only when the view gains
    // it: a view that already had the focus must gain it afresh, or the first
    // keys after a load are dropped.
    QWidget* holder = this;
    while (holder->focusProxy()) holder = holder->focusProxy();
    if (holder->hasFocus()) holder->clearFocus();
    setFocus(Qt::OtherFocusReason);
}

void TWebBrowser::resizeEvent(QResizeEvent* event) {
    if (QWidget* view = engine_->View()) view->setGeometry(QRect(QPoint(0, 0), event->size()));
    QWidget::resizeEvent(event);
}
