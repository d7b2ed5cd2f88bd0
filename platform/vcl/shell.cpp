#include "platform/vcl/shell.h"

#include <QDesktopServices>
#include <QUrl>

bool ShellOpen(WindowHandle, const QString& fileOrAddress) {
    if (fileOrAddress.isEmpty()) return false;
    // A path is always a local file, whatever characters it holds ("#", "?", ":").
    const QUrl url = fileOrAddress.startsWith(u'/') ? QUrl::fromLocalFile(fileOrAddress)
                                                    : QUrl::fromUserInput(fileOrAddress);
    return url.isValid() && QDesktopServices::openUrl(url);
}
