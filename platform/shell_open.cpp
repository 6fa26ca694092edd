#include "platform/shell_open.h"

#include <QDesktopServices>
#include <QUrl>

void ShellOpen(const QString& url) {
    // Tolerant parsing keeps a site's address as it was written.
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}
