// The language file on any text: parsing and every kind of lookup, never a crash,
// and a lookup gives the same answer twice.

#include "tests/fuzz/fuzz_util.h"
#include "translation/lang_file.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const lang::LanguageFileData file = lang::LanguageFileData::FromBytes(bytes);
    const QStringList keys = {QStringLiteral("FormOrlisk.Caption"), QStringLiteral("Unable to rotate the image"),
                              QString(), QStringLiteral(" a "), QStringLiteral("%s")};
    for (const QString& section : {QStringLiteral("Translations"), QStringLiteral("Messages"), QString()}) {
        const auto first = file.Lookup(section, keys);
        FUZZ_CHECK(first.size() == static_cast<size_t>(keys.size()));
        FUZZ_CHECK(file.Lookup(section, keys) == first);
        for (qsizetype i = 0; i < keys.size(); ++i)
            FUZZ_CHECK(file.ReadString(section, keys[i], QStringLiteral("\x01")) ==
                       first[static_cast<size_t>(i)].value_or(QStringLiteral("\x01")));
    }
    return 0;
}
