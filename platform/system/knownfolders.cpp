#include "platform/system/knownfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString DocumentsFolder() {
    for (const QString& folder : {QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                  QDir::homePath()}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) return QDir::cleanPath(folder);
    }
    return QString();
}
