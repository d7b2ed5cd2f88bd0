// Reading the language file and translating user messages, on real files.
#include "platform/system/exceptions.h"
#include "tests/support/files.h"
#include "translation/lang.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// A byte string that may hold NULs.
template <size_t N>
QByteArray Bytes(const char (&s)[N]) {
    return QByteArray(s, N - 1);
}

class LanguageFileTest : public ::testing::Test {
protected:
    // Writes the file and translates one message through it.
    QString Message(const QByteArray& file, const QString& message) {
        WriteFile(path, file);
        lang.SetLanguageFile(path);
        return lang.TranslateUserMessage(message);
    }

    TempDir dir;
    QString path = dir.File("lang.ini");
    TLanguage lang{nullptr};
};

TEST_F(LanguageFileTest, NoFileGivesTheMessageItself) {
    EXPECT_EQ(lang.TranslateUserMessage("Cancel"), "Cancel");  // empty LanguageFile
    lang.SetLanguageFile(dir.File("missing.ini"));
    EXPECT_EQ(lang.TranslateUserMessage("Cancel"), "Cancel");
    lang.SetLanguageFile(dir.Path());  // a folder is no file
    EXPECT_EQ(lang.TranslateUserMessage("Cancel"), "Cancel");
}

TEST_F(LanguageFileTest, ReadsAfreshOnEveryCall) {
    EXPECT_EQ(Message("[Messages]\nCancel=Abbrechen\n", "Cancel"), "Abbrechen");
    WriteFile(path, "[Messages]\nCancel=Annuler\n");
    EXPECT_EQ(lang.TranslateUserMessage("Cancel"), "Annuler");
}

TEST_F(LanguageFileTest, ByteOrderMarkIsSkippedAndNoOtherIsKnown) {
    const QByteArray body = "[Messages]\nCancel=Abbrechen\n";
    EXPECT_EQ(Message(body, "Cancel"), "Abbrechen");
    EXPECT_EQ(Message("\xEF\xBB\xBF" + body, "Cancel"), "Abbrechen");

    // The same text as UTF-16, with and without its mark, in both byte orders.
    const QString text = QString::fromUtf8(body);
    QByteArray le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    for (QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    EXPECT_EQ(Message(le, "Cancel"), "Cancel");
    EXPECT_EQ(Message(be, "Cancel"), "Cancel");
    EXPECT_EQ(Message(le.mid(2), "Cancel"), "Cancel");
}

TEST_F(LanguageFileTest, ValidMultiByteTextIsKept) {
    EXPECT_EQ(Message("[Messages]\nDelete \"%s\"?=\xC2\xBF""Borrar \xE2\x80\x9C%s\xE2\x80\x9D? "
                      "\xF0\x9F\x97\x91\n",
                      "Delete \"%s\"?"),
              QString::fromUtf8("\xC2\xBF""Borrar \xE2\x80\x9C%s\xE2\x80\x9D? \xF0\x9F\x97\x91"));
}

TEST_F(LanguageFileTest, AnyInvalidSequenceGivesNoEntriesAtAll) {
    const QByteArray good = "[Messages]\nCancel=Abbrechen\n; comment\nOK=Gut\n";
    const QList<QByteArray> bad = {
        "\xFF",              // never valid
        "\x80",              // lone continuation byte
        "\xC0\xAF",          // overlong "/"
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xF0\x80\x80\xAF",  // overlong, four bytes
        "\xED\xA0\x80",      // surrogate half
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF5\x80\x80\x80",  // lead byte out of range
        "\xE2\x82",          // truncated
    };
    for (const QByteArray& b : bad) {
        SCOPED_TRACE(b.toHex().toStdString());
        const qsizetype inComment = good.indexOf("; comment") + 3;
        for (qsizetype at : {qsizetype(0), qsizetype(12), inComment, good.size()}) {
            QByteArray file = good;
            file.insert(at, b);
            EXPECT_EQ(Message(file, "Cancel"), "Cancel") << "at " << at;
        }
    }
    // Even behind the NUL that ends the text.
    EXPECT_EQ(Message(good + Bytes("\0\xFF"), "Cancel"), "Cancel");
}

TEST_F(LanguageFileTest, NulEndsTheText) {
    const QByteArray file = Bytes("[Messages]\nCancel=Abbrechen\n\0OK=Gut\n");
    EXPECT_EQ(Message(file, "Cancel"), "Abbrechen");
    EXPECT_EQ(lang.TranslateUserMessage("OK"), "OK");
    EXPECT_EQ(Message(Bytes("[Messages]\nCancel=Abb\0rechen\n"), "Cancel"), "Abb");
}

TEST_F(LanguageFileTest, LineBreaksOfEveryKind) {
    EXPECT_EQ(Message("[Messages]\r\nCancel=A\r\nOK=B\r\n", "OK"), "B");
    EXPECT_EQ(Message("[Messages]\rCancel=A\rOK=B", "Cancel"), "A");
    EXPECT_EQ(lang.TranslateUserMessage("OK"), "B");
    EXPECT_EQ(Message("[Messages]\n\r\rCancel=A\n\rOK=B\r\n", "OK"), "B");
}

TEST_F(LanguageFileTest, SectionsAndNamesIgnoreCase) {
    EXPECT_EQ(Message("[messages]\ncANCEL=Abbrechen\n", "Cancel"), "Abbrechen");
    EXPECT_EQ(Message("[ MESSAGES ]\nCancel=Abbrechen\n", "Cancel"), "Abbrechen");
    // Upper-casing is Unicode, not ASCII only.
    EXPECT_EQ(Message("[Messages]\n\xC3\x84ndern=Change\n", QString::fromUtf8("\xC3\xA4NDERN")),
              "Change");
    // Other sections are not searched.
    EXPECT_EQ(Message("[Translations]\nCancel=Abbrechen\n", "Cancel"), "Cancel");
    // Not a section line: "]" is not its last character.
    EXPECT_EQ(Message("[Other]\n[Messages] x\nCancel=Abbrechen\n", "Cancel"), "Cancel");
}

TEST_F(LanguageFileTest, LastSectionAndLastEntryWin) {
    const QByteArray file =
        "[Messages]\nCancel=First\nOnlyFirst=1\n"
        "[Other]\nCancel=Other\n"
        "[MESSAGES]\nCancel=Second\ncancel=Third\nOK=Gut\n"
        "[Other]\nOK=Other\n";
    EXPECT_EQ(Message(file, "Cancel"), "Third");
    EXPECT_EQ(lang.TranslateUserMessage("OK"), "Gut");
    EXPECT_EQ(lang.TranslateUserMessage("OnlyFirst"), "OnlyFirst");
}

TEST_F(LanguageFileTest, EntryLines) {
    const QByteArray file =
        "Cancel=AboveTheFirstSection\n"
        "[Messages]\n"
        "  Cancel \t=\t Abbrechen  \n"
        "Equation=a=b=c\n"
        "OK\n"
        ";Yes=Ja\n"
        "   ; No=Nein\n"
        "#Yes=Hash\n"
        "Later=x ; not a comment\n"
        "Empty=\n"
        "=no name\n"
        "a=b=never\n";
    EXPECT_EQ(Message(file, "Cancel"), "Abbrechen");
    EXPECT_EQ(lang.TranslateUserMessage("Equation"), "a=b=c");
    EXPECT_EQ(lang.TranslateUserMessage("OK"), "OK");  // a line without "=" is no entry
    EXPECT_EQ(lang.TranslateUserMessage("Yes"), "Yes");
    EXPECT_EQ(lang.TranslateUserMessage(";Yes"), ";Yes");
    EXPECT_EQ(lang.TranslateUserMessage("No"), "No");
    EXPECT_EQ(lang.TranslateUserMessage("#Yes"), "Hash");
    EXPECT_EQ(lang.TranslateUserMessage("Later"), "x ; not a comment");
    EXPECT_EQ(lang.TranslateUserMessage("Empty"), "");
    EXPECT_EQ(lang.TranslateUserMessage(""), "no name");
    // A message holding "=", or blanks at its ends, can never match a trimmed name.
    EXPECT_EQ(lang.TranslateUserMessage("a=b"), "a=b");
    EXPECT_EQ(lang.TranslateUserMessage(" Cancel"), " Cancel");
}

TEST_F(LanguageFileTest, FileThatCannotBeOpenedRaisesAndTranslatorStaysUsable) {
    if (geteuid() == 0) GTEST_SKIP() << "runs as root";
    WriteFile(path, "[Messages]\nCancel=Abbrechen\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);

    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.Path()));
    lang.SetLanguageFile("./lang.ini");  // stored only: no error yet
    QString message;
    try {
        lang.TranslateUserMessage("Cancel");
    } catch (const EFOpenError& e) {
        message = e.Message();
    }
    QDir::setCurrent(old);
    EXPECT_EQ(message, "Cannot open file \"" + path + "\". Permission denied");

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    lang.SetLanguageFile(path);
    EXPECT_EQ(lang.TranslateUserMessage("Cancel"), "Abbrechen");
}

TEST_F(LanguageFileTest, LargeFileGivesItsEntries) {
    QByteArray file = "[Messages]\n";
    const QByteArray filler = "Some message number 0123456789=Some translation 0123456789\n";
    file.reserve(51 * 1024 * 1024);
    while (file.size() < 50 * 1024 * 1024) file += filler;
    file += "Cancel=Abbrechen\n";
    EXPECT_EQ(Message(file, "Cancel"), "Abbrechen");
    EXPECT_EQ(lang.TranslateUserMessage("OK"), "OK");
}

TEST_F(LanguageFileTest, FileAboveTheSizeCapIsRefused) {
    // Entries first, then a sparse tail of NULs: read whole it would translate.
    WriteFile(path, "[Messages]\nCancel=Abbrechen\n");
    lang.SetLanguageFile(path);
    ASSERT_EQ(lang.TranslateUserMessage("Cancel"), "Abbrechen");
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 65LL * 1024 * 1024), 0);
    EXPECT_EQ(lang.TranslateUserMessage("Cancel"), "Cancel");
}

TEST_F(LanguageFileTest, BinaryFileGivesDefaults) {
    QRandomGenerator random(20240601);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(64 * 1024, '\0');
        for (char& c : bytes) c = char(random.bounded(256));
        EXPECT_EQ(Message("[Messages]\nCancel=Abbrechen\n" + bytes, "Cancel"), "Cancel");
    }
    // Random ASCII noise with line breaks, brackets and "=" is valid text: no crash,
    // and whatever it parses to, the real entry at the end wins.
    QByteArray noise = "[Messages]\n";
    const char alphabet[] = "[]=;\r\n \tab";
    for (int i = 0; i < 200000; ++i) noise += alphabet[random.bounded(int(sizeof alphabet) - 1)];
    EXPECT_EQ(Message(noise + "\n[Messages]\nCancel=Abbrechen\n", "Cancel"), "Abbrechen");
}

TEST(LanguageTest, KeyListIsOwnedAndAssignedByCopy) {
    TComponent owner(nullptr);
    auto* lang = new TLanguage(&owner);
    TStringList keys;
    keys.Add("X.Caption");
    keys.Add("X.Caption");
    lang->Properties()->Add("A.B");
    lang->SetProperties(&keys);
    keys.Add("Y.Hint");
    EXPECT_EQ(lang->Properties()->ToQStringList(), QStringList({"X.Caption", "X.Caption"}));
    delete lang;  // leaves its owner
    EXPECT_EQ(owner.ComponentCount(), 0);
}

}  // namespace
