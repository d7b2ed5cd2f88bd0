// The language files shipped beside the program: each one translates exactly the keys
// and messages of english.lng, keeps every placeholder in its order, every access key
// and every "..." of a caption, and reads as valid UTF-8 through the translator.
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "translation/lang.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>
#include <map>

namespace {

using Section = std::map<QString, QString>;

// The entries of one section: the name before the first "=", the value after it.
Section ReadSection(const QByteArray& bytes, const QString& section) {
    Section entries;
    bool inside = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            inside = line.mid(1, line.size() - 2).trimmed().compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inside && eq > 0) entries[line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
    }
    return entries;
}

// "%s", "%u", "%d" and "%%" in their order.
QStringList Placeholders(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral("%[sud%]"));
    QStringList found;
    for (auto it = placeholder.globalMatch(text); it.hasNext();) found << it.next().captured();
    return found;
}

// The access-key marks: single "&" before a character ("&&" is a literal "&").
int AccessKeys(const QString& text) {
    int count = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] != u'&') ++count;
        ++i;
    }
    return count;
}

QString LangDir() { return testsupport::SourceDir() + QStringLiteral("/lang"); }

QByteArray Read(const QString& name) { return testsupport::ReadFile(LangDir() + u'/' + name); }

}  // namespace

TEST(ShippedLanguages, EnglishFrenchAndGermanAreShipped) {
    const QStringList files = QDir(LangDir()).entryList({QStringLiteral("*.lng")}, QDir::Files);
    for (const char* name : {"english.lng", "french.lng", "german.lng"})
        EXPECT_TRUE(files.contains(QString::fromLatin1(name))) << name;
}

TEST(ShippedLanguages, EveryFileHoldsExactlyTheEnglishKeysWithTheirPlaceholders) {
    const QByteArray english = Read(QStringLiteral("english.lng"));
    const QStringList files = QDir(LangDir()).entryList({QStringLiteral("*.lng")}, QDir::Files);
    for (const QString& file : files) {
        if (file == QLatin1String("english.lng")) continue;
        SCOPED_TRACE(file.toStdString());
        const QByteArray bytes = Read(file);
        QStringDecoder decoder(QStringDecoder::Utf8);
        (void)decoder.decode(bytes);
        EXPECT_FALSE(decoder.hasError()) << "the translator would find no entries at all";

        for (const char* sectionName : {"Translations", "Messages"}) {
            const QString section = QString::fromLatin1(sectionName);
            const Section want = ReadSection(english, section);
            const Section have = ReadSection(bytes, section);
            for (const auto& [key, value] : want) EXPECT_TRUE(have.count(key)) << "missing: " << key.toStdString();
            for (const auto& [key, value] : have) EXPECT_TRUE(want.count(key)) << "unknown: " << key.toStdString();
            for (const auto& [key, englishValue] : want) {
                const auto it = have.find(key);
                if (it == have.end()) continue;
                const QString& value = it->second;
                SCOPED_TRACE(key.toStdString());
                // An empty English text (a hint) may stay empty; every other is translated.
                EXPECT_EQ(value.isEmpty(), englishValue.isEmpty());
                EXPECT_EQ(Placeholders(value), Placeholders(englishValue)) << value.toStdString();
                EXPECT_EQ(AccessKeys(value), AccessKeys(englishValue)) << value.toStdString();
                EXPECT_EQ(value.endsWith(QLatin1String("...")), englishValue.endsWith(QLatin1String("...")))
                    << value.toStdString();
            }
        }

        // Through the translator: a message comes out translated.
        TLanguage language(nullptr);
        language.SetLanguageFile(LangDir() + u'/' + file);
        EXPECT_NE(language.TranslateUserMessage(QStringLiteral("Add Current Folder")),
                  QStringLiteral("Add Current Folder"));
    }
}
