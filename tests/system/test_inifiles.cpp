// The two settings stores behind one interface, value by value as the settings
// table encodes them.
#include "platform/system/exceptions.h"
#include "platform/system/inifiles.h"
#include "tests/support/files.h"

#include <QDir>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <vector>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::TempHome;
using testsupport::WriteFile;

namespace {

const QString kKey = QStringLiteral("Software\\TolvaneStudio\\Orlisk");
const QString kMain = QStringLiteral("Software\\TolvaneStudio\\Orlisk\\Main");

template <typename E, typename F>
QString errorOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return QStringLiteral("(no exception)");
}

// Puts a value of the given type straight into the registry.
void putValue(const QString& name, const TRegValue& v) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, true));
    reg.UpdateValue(QString(), name, [&](const std::optional<TRegValue>&) { return v; });
}

TRegValue sz(const QString& s) { return TRegValue{rdString, s, 0}; }

}  // namespace

// ---- the registry store -------------------------------------------------------------

TEST(RegistryIniFile, OpensOrCreatesItsKeyAndWritesSectionsAsSubkeys) {
    TempHome home;
    TRegistryIniFile ini(kKey);
    EXPECT_TRUE(TRegistry().KeyExists(kKey));
    EXPECT_FALSE(TRegistry().KeyExists(kMain));  // reading does not make the section
    EXPECT_EQ(ini.ReadString("Main", "Language", "none"), "none");
    EXPECT_FALSE(TRegistry().KeyExists(kMain));

    ini.WriteString("Main", "Language", "/usr/share/orlisk/lang/de.lng");
    ini.WriteBool("Main", "KeepTimestamp", false);
    ini.WriteInteger("Main", "ThumbsInRow", 7);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, false));
    EXPECT_EQ(reg.GetDataType("Language"), rdString);
    EXPECT_EQ(reg.GetDataType("KeepTimestamp"), rdString);  // Booleans are REG_SZ "0" / "1"
    EXPECT_EQ(reg.ReadString("KeepTimestamp"), "0");
    EXPECT_EQ(reg.GetDataType("ThumbsInRow"), rdInteger);
    EXPECT_EQ(reg.ReadInteger("ThumbsInRow"), 7);

    EXPECT_EQ(ini.ReadString("Main", "Language", ""), "/usr/share/orlisk/lang/de.lng");
    EXPECT_FALSE(ini.ReadBool("Main", "KeepTimestamp", true));
    EXPECT_EQ(ini.ReadInteger("Main", "ThumbsInRow", 5), 7);
    EXPECT_TRUE(ini.ValueExists("Main", "thumbsinrow"));
    EXPECT_FALSE(ini.ValueExists("Main", "MRU0"));
    EXPECT_FALSE(ini.ValueExists("Other", "ThumbsInRow"));
}

TEST(RegistryIniFile, BooleansReadAsIntegers) {
    TempHome home;
    TRegistryIniFile ini(kKey);
    putValue("KeepTimestamp", sz("0"));
    EXPECT_FALSE(ini.ReadBool("Main", "KeepTimestamp", true));
    putValue("KeepTimestamp", sz("abc"));
    EXPECT_TRUE(ini.ReadBool("Main", "KeepTimestamp", true));
    EXPECT_FALSE(ini.ReadBool("Main", "KeepTimestamp", false));
    putValue("KeepTimestamp", sz("2"));
    EXPECT_TRUE(ini.ReadBool("Main", "KeepTimestamp", false));
    putValue("KeepTimestamp", TRegValue{rdInteger, {}, 0});
    EXPECT_FALSE(ini.ReadBool("Main", "KeepTimestamp", true));  // a number is read too
    EXPECT_TRUE(ini.ReadBool("Main", "Missing", true));
}

TEST(RegistryIniFile, IntegersFromTextAndDword) {
    TempHome home;
    TRegistryIniFile ini(kKey);
    putValue("N", sz("$1F"));
    EXPECT_EQ(ini.ReadInteger("Main", "N", 5), 31);
    putValue("N", sz("-12"));
    EXPECT_EQ(ini.ReadInteger("Main", "N", 5), -12);
    putValue("N", sz("0x1F"));  // only "$" marks hexadecimal here
    EXPECT_EQ(ini.ReadInteger("Main", "N", 5), 5);
    putValue("N", sz(""));
    EXPECT_EQ(ini.ReadInteger("Main", "N", 5), 5);
    putValue("N", TRegValue{rdInteger, {}, 0xFFFFFFFFu});
    EXPECT_EQ(ini.ReadInteger("Main", "N", 5), -1);
    EXPECT_EQ(ini.ReadInteger("Main", "Missing", 5), 5);
    EXPECT_EQ(ini.ReadInteger("NoSuchSection", "N", 9), 9);
}

TEST(RegistryIniFile, WrongTypesRaise) {
    TempHome home;
    TRegistryIniFile ini(kKey);
    putValue("ThumbsInRow", TRegValue{rdInteger, {}, 5});
    EXPECT_EQ(errorOf<ERegistryException>([&] { ini.ReadString("Main", "ThumbsInRow", ""); }),
              "Invalid data type for 'ThumbsInRow'");
    putValue("Expand", TRegValue{rdExpandString, "%HOME%", 0});
    EXPECT_EQ(ini.ReadString("Main", "Expand", ""), "%HOME%");
    EXPECT_EQ(errorOf<ERegistryException>([&] { ini.ReadInteger("Main", "Expand", 0); }),
              "Invalid data type for 'Expand'");
    EXPECT_EQ(errorOf<ERegistryException>([&] { ini.ReadBool("Main", "Expand", true); }),
              "Invalid data type for 'Expand'");
    WriteFile(TRegistry::DefaultStoreFile(),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\n\"Bin\"=hex:01\n");
    EXPECT_EQ(errorOf<ERegistryException>([&] { ini.ReadInteger("Main", "Bin", 0); }),
              "Invalid data type for 'Bin'");
}

TEST(RegistryIniFile, AnIntegerOverAStringStaysAString) {
    TempHome home;
    TRegistryIniFile ini(kKey);
    putValue("WinWidth", sz("800"));
    ini.WriteInteger("Main", "WinWidth", 1024);
    ini.WriteInteger("Main", "WinHeight", 768);
    putValue("Expand", TRegValue{rdExpandString, "1", 0});
    ini.WriteInteger("Main", "Expand", 2);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, false));
    EXPECT_EQ(reg.GetDataType("WinWidth"), rdString);
    EXPECT_EQ(reg.ReadString("WinWidth"), "1024");
    EXPECT_EQ(reg.GetDataType("WinHeight"), rdInteger);
    EXPECT_EQ(reg.GetDataType("Expand"), rdInteger);  // only REG_SZ is kept as text
    EXPECT_EQ(ini.ReadInteger("Main", "WinWidth", 0), 1024);
}

TEST(RegistryIniFile, AFailedWriteNamesTheValue) {
    TempHome home;
    WriteFile(home.ConfigHome() + "/TolvaneStudio", "a file where the folder belongs");
    TRegistryIniFile ini(kKey);  // cannot create its key: reads give the defaults
    EXPECT_EQ(ini.ReadString("Main", "Language", "dflt"), "dflt");
    EXPECT_EQ(errorOf<ERegistryException>([&] { ini.WriteBool("Main", "KeepTimestamp", true); }),
              "Failed to set data for 'KeepTimestamp'");
}

// ---- the INI file -------------------------------------------------------------------

TEST(IniFile, RoundTripsAndCreatesTheFile) {
    TempDir dir;
    const QString path = dir.File("sub/orlisk.ini");
    TIniFile ini(path);
    EXPECT_EQ(ini.FileName(), path);
    EXPECT_EQ(ini.ReadString("Main", "Language", "dflt"), "dflt");
    EXPECT_FALSE(QFile::exists(path));
    ini.WriteString("Main", "Language", "lang\\de.lng");
    ini.WriteBool("Main", "KeepTimestamp", true);
    ini.WriteInteger("Main", "BackColor", 0xFFFFFF);
    ini.WriteString("Main", "Padded", "  two blanks  ");
    ini.WriteString("Main", "Quoted", "\"q\"");
    ini.WriteString("Main", "Empty", "");
    EXPECT_EQ(ReadFile(path),
              "[Main]\nLanguage=lang\\de.lng\nKeepTimestamp=1\nBackColor=16777215\n"
              "Padded=\"  two blanks  \"\nQuoted=\"\"q\"\"\nEmpty=\n");

    TIniFile again(path);
    EXPECT_EQ(again.ReadString("main", "LANGUAGE", ""), "lang\\de.lng");
    EXPECT_TRUE(again.ReadBool("Main", "KeepTimestamp", false));
    EXPECT_EQ(again.ReadInteger("Main", "BackColor", 0), 0xFFFFFF);
    EXPECT_EQ(again.ReadString("Main", "Padded", ""), "  two blanks  ");
    EXPECT_EQ(again.ReadString("Main", "Quoted", ""), "\"q\"");
    EXPECT_TRUE(again.ValueExists("Main", "Empty"));
    EXPECT_EQ(again.ReadString("Main", "Empty", "dflt"), "");
    EXPECT_FALSE(again.ValueExists("Main", "Nothing"));
    EXPECT_FALSE(again.ValueExists("Other", "Language"));
}

TEST(IniFile, ReadsNumbersAndBooleansAsTheTableSays) {
    TempDir dir;
    const QString path = dir.File("orlisk.ini");
    WriteFile(path,
              "[Main]\n"
              "Hex0x = 0x1F\n"
              "HexUpper=0X1f\n"
              "Just0x=0x\n"
              "Dollar=$1F\n"
              "Negative=-5\n"
              "Junk=12abc\n"
              "False=0\n"
              "Word=abc\n"
              "Big=2147483648\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Main", "Hex0x", 7), 31);
    EXPECT_EQ(ini.ReadInteger("Main", "HexUpper", 7), 31);
    EXPECT_EQ(ini.ReadInteger("Main", "Just0x", 7), 7);
    EXPECT_EQ(ini.ReadInteger("Main", "Dollar", 7), 31);
    EXPECT_EQ(ini.ReadInteger("Main", "Negative", 7), -5);
    EXPECT_EQ(ini.ReadInteger("Main", "Junk", 7), 7);
    EXPECT_EQ(ini.ReadInteger("Main", "Big", 7), 7);
    EXPECT_EQ(ini.ReadInteger("Main", "Missing", 7), 7);
    EXPECT_FALSE(ini.ReadBool("Main", "False", true));
    EXPECT_TRUE(ini.ReadBool("Main", "Word", true));
    EXPECT_FALSE(ini.ReadBool("Main", "Word", false));
    EXPECT_TRUE(ini.ReadBool("Main", "Hex0x", false));
}

TEST(IniFile, ReadsAtMost2047Characters) {
    TempDir dir;
    const QString path = dir.File("orlisk.ini");
    TIniFile ini(path);
    ini.WriteString("Main", "Long", QString(3000, u'a'));
    ini.WriteString("Main", "Exact", QString(2047, u'b'));
    EXPECT_EQ(ini.ReadString("Main", "Long", ""), QString(2047, u'a'));
    EXPECT_EQ(ini.ReadString("Main", "Exact", ""), QString(2047, u'b'));
    EXPECT_TRUE(ReadFile(path).contains(QByteArray(3000, 'a')));  // the file keeps it all
}

TEST(IniFile, KeepsLinesItDoesNotUnderstand) {
    TempDir dir;
    const QString path = dir.File("orlisk.ini");
    const QByteArray original =
        "\xEF\xBB\xBF; settings of the portable copy\r\n"
        "stray line before any section\r\n"
        "[Main]\r\n"
        "  Language = lang\\en.lng  \r\n"
        "# another comment\r\n"
        "no equals sign here\r\n"
        "Latin1=\xE9t\xE9\r\n"
        "\r\n"
        "[Other]\r\n"
        "Language=other\r\n";
    WriteFile(path, original);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Main", "Language", ""), "lang\\en.lng");
    ini.WriteString("Main", "ThumbsInRow", "5");     // new key: after the section's last line
    ini.WriteString("main", "language", "lang\\de.lng");  // existing key keeps its spelling
    ini.WriteString("Third", "A", "1");              // new section at the end
    EXPECT_EQ(ReadFile(path),
              "\xEF\xBB\xBF; settings of the portable copy\r\n"
              "stray line before any section\r\n"
              "[Main]\r\n"
              "Language=lang\\de.lng\r\n"
              "# another comment\r\n"
              "no equals sign here\r\n"
              "Latin1=\xE9t\xE9\r\n"
              "ThumbsInRow=5\r\n"
              "\r\n"
              "[Other]\r\n"
              "Language=other\r\n"
              "\r\n"
              "[Third]\r\n"
              "A=1\r\n");
    EXPECT_EQ(ini.ReadString("Other", "Language", ""), "other");
}

TEST(IniFile, FirstOfRepeatedSectionsAndKeysWins) {
    TempDir dir;
    const QString path = dir.File("orlisk.ini");
    WriteFile(path, "[Main]\nA=first\nA=second\n[MAIN]\nB=hidden\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Main", "A", ""), "first");
    EXPECT_EQ(ini.ReadString("Main", "B", "dflt"), "dflt");
    ini.WriteString("Main", "A", "new");
    EXPECT_EQ(ReadFile(path), "[Main]\nA=new\nA=second\n[MAIN]\nB=hidden\n");
}

TEST(IniFile, AFailedWriteRaisesWithThePath) {
    TempDir dir;
    WriteFile(dir.File("file"), "x");
    const QString path = dir.File("file/orlisk.ini");  // its folder is a file
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Main", "A", "dflt"), "dflt");
    EXPECT_EQ(errorOf<EIniFileException>([&] { ini.WriteString("Main", "A", "1"); }),
              "Unable to write to " + path);

    // What a line cannot carry is refused rather than written broken.
    TIniFile ok(dir.File("orlisk.ini"));
    EXPECT_EQ(errorOf<EIniFileException>([&] { ok.WriteString("Main", "A", "two\nlines"); }),
              "Unable to write to " + dir.File("orlisk.ini"));
    EXPECT_EQ(errorOf<EIniFileException>([&] { ok.WriteString("Main", "A=B", "x"); }),
              "Unable to write to " + dir.File("orlisk.ini"));
    EXPECT_FALSE(QFile::exists(dir.File("orlisk.ini")));
}

TEST(IniFile, AnUnreadableFileIsNotReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "runs as root";
    TempDir dir;
    const QString path = dir.File("orlisk.ini");
    WriteFile(path, "[Main]\nA=1\n");
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Main", "A", "dflt"), "dflt");
    EXPECT_EQ(errorOf<EIniFileException>([&] { ini.WriteString("Main", "B", "2"); }),
              "Unable to write to " + path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadFile(path), "[Main]\nA=1\n");
}

TEST(IniFile, ConcurrentWritersLoseNothing) {
    TempDir dir;
    const QString path = dir.File("orlisk.ini");
    // Each thread opens its own lock file descriptor, so they exclude each other
    // exactly as processes do.
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&, t] {
            TIniFile ini(path);
            for (int i = 0; i < 50; ++i) ini.WriteInteger("Main", QStringLiteral("T%1_%2").arg(t).arg(i), i);
        });
    for (std::thread& w : writers) w.join();
    TIniFile ini(path);
    int found = 0;
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 50; ++i) found += ini.ReadInteger("Main", QStringLiteral("T%1_%2").arg(t).arg(i), -1) == i;
    EXPECT_EQ(found, 200);
    EXPECT_EQ(QDir(dir.Path()).entryList({"orlisk.ini.tmp-*"}, QDir::Files).size(), 0);
}
