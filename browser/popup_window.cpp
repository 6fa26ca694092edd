#include "browser/popup_window.h"

#include <QApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>

PopupWindow::PopupWindow(QWebEngineProfile* profile, QWidget* opener)
    // Owned by the opener's window, so the window manager keeps it in front of
    // the game: a click into the game must not bury the payment dialog.
    : QWidget(opener ? opener->window() : nullptr, Qt::Dialog),
      m_page(std::make_unique<QWebEnginePage>(profile)),
      m_opener(opener) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QApplication::windowIcon());
    m_view = new QWebEngineView(this);
    m_view->setPage(m_page.get());
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    connect(m_page.get(), &QWebEnginePage::titleChanged, this, &QWidget::setWindowTitle);
    connect(m_page.get(), &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
    // A page may size its window later (window.resizeTo); where it stands is
    // the window manager's affair.
    connect(m_page.get(), &QWebEnginePage::geometryChangeRequested, this,
            [this](const QRect& geometry) {
                if (!geometry.size().isEmpty()) resize(geometry.size());
            });
}

PopupWindow::~PopupWindow() {
    delete m_view.data();  // the view must go before the page it shows
}

QWidget* PopupWindow::view() const {
    return m_view;
}

void PopupWindow::showFor(const QRect& requested) {
    QSize size = requested.size().isEmpty() ? kDefaultSize : requested.size();
    QRect area = m_opener ? m_opener->window()->frameGeometry() : QRect();
    QScreen* screen = m_opener ? m_opener->window()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->availableGeometry();
        size = size.boundedTo(available.size());
        if (!area.isValid()) area = available;
        QRect placed(QPoint(0, 0), size);
        placed.moveCenter(area.center());
        // Keep it on the opener's screen even when the opener reaches past it.
        placed.moveLeft(
            std::clamp(placed.left(), available.left(), available.right() - size.width() + 1));
        placed.moveTop(
            std::clamp(placed.top(), available.top(), available.bottom() - size.height() + 1));
        setGeometry(placed);
    } else {
        resize(size);
    }
    show();
    activateWindow();
}
