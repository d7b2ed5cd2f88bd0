#include "platform/vcl/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

bool ShellExecute(WindowHandle, const QString& target) {
    if (target.isEmpty()) return false;
    const QUrl url = QDir::isAbsolutePath(target) ? QUrl::fromLocalFile(target)
                                                  : QUrl(target, QUrl::StrictMode);
    if (!url.isValid()) return false;
    return QDesktopServices::openUrl(url);
}
