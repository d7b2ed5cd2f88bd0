#pragma once
// File names are bytes. Every conversion between a name of the file system and a
// QString goes through this pair, so a name that is not valid UTF-8 (Latin-1 names
// from old cards and archives) is carried as it is: each byte that is not part of a
// valid UTF-8 sequence becomes the lone surrogate U+DC80 + byte, and back.
// QFile::encodeName/decodeName (and with them Qt's file classes) cannot do this: they
// turn such bytes into U+FFFD and the name is lost.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace sys {

// The name's bytes as text: valid UTF-8 decoded, every other byte escaped.
QString DecodeFileName(QByteArrayView bytes);
// The text back to the name's bytes: U+DC80..U+DCFF to the raw byte, the rest UTF-8.
QByteArray EncodeFileName(QStringView name);
// A name as it is shown to the user: each escaped byte as U+FFFD.
QString DisplayFileName(QStringView name);

}  // namespace sys
