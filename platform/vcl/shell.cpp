#include "platform/vcl/shell.h"

#include "platform/system/filenames.h"

#include <QDesktopServices>
#include <QUrl>

bool ShellOpen(WindowHandle, const QString& fileOrAddress) {
    if (fileOrAddress.isEmpty()) return false;
    // A path is always a local file, whatever characters it holds ("#", "?", ":"); the
    // address carries the name's own bytes, so a name that is not UTF-8 opens too.
    const QUrl url =
        fileOrAddress.startsWith(u'/')
            ? QUrl::fromEncoded("file://" + sys::EncodeFileName(fileOrAddress).toPercentEncoding("/"),
                                QUrl::StrictMode)
            : QUrl::fromUserInput(fileOrAddress);
    return url.isValid() && QDesktopServices::openUrl(url);
}
