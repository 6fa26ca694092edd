#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <memory>

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

// A window a game page opened with window features: a payment or login
// dialog, say. It is a normal framed window with the page's title and the
// client's icon, kept in front of the window that opened it. Its page lives in
// the game's profile, so cookies and the login are shared and window.opener
// reaches the game. It closes when its page calls window.close() or when the
// player closes it, and deletes itself then.
class PopupWindow : public QWidget {
    Q_OBJECT
  public:
    PopupWindow(QWebEngineProfile* profile, QWidget* opener);
    ~PopupWindow() override;

    QWebEnginePage* page() const { return m_page.get(); }
    QWidget* view() const;

    // Shows the window with the size the page asked for, centred on the
    // window that opened it and kept on that window's screen.
    void showFor(const QRect& requested);

  private:
    static constexpr QSize kDefaultSize{800, 600};

    std::unique_ptr<QWebEnginePage> m_page;
    QPointer<QWebEngineView> m_view;
    QPointer<QWidget> m_opener;
};
