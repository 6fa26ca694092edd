#include "browser/web_browser.h"

#include <QResizeEvent>

TWebBrowser::TWebBrowser(QWidget* parent, std::unique_ptr<BrowserEngine> engine)
    : QWidget(parent), engine_(engine ? std::move(engine) : MakeWebEngineBrowserEngine(this)) {
    if (QWidget* view = engine_->View()) {
        view->setParent(this);
        view->setGeometry(rect());
        view->show();
    }
    connect(engine_.get(), &BrowserEngine::NavigateComplete2, this,
            [this](const QString& url) { emit OnNavigateComplete2(this, url); });
    connect(engine_.get(), &BrowserEngine::DocumentComplete, this,
            [this](const QString& url) { emit OnDocumentComplete(this, url); });
}

TWebBrowser::~TWebBrowser() = default;

void TWebBrowser::resizeEvent(QResizeEvent* event) {
    if (QWidget* view = engine_->View()) view->setGeometry(QRect(QPoint(0, 0), event->size()));
    QWidget::resizeEvent(event);
}
