#include "platform/shell_open.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

namespace {

// Stands in for the user's web browser.
class Browser : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

TEST(ShellOpenTest, HandsTheAddressToTheWebBrowser) {
    Browser browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "Open");
    const QString url = QStringLiteral(
        "http://127.0.0.1:8731/publish/hot_update/url_redirect/jump1401.html?type=3&ver=130");
    ShellOpen(url);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(browser.opened[0].toString(), url);
}

}  // namespace

#include "shell_open_test.moc"
