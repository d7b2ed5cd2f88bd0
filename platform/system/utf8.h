#pragma once
// UTF-8 text of a settings file decoded as it stands: QString::fromUtf8 drops a
// leading U+FEFF, which would silently change a value or a name that begins with one.

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace sys {

inline QString Utf8Text(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(bytes);
}

}  // namespace sys
