// The registry file: its format, its types, what it keeps on a rewrite, and that
// neither a broken file, a second writer nor a killed writer loses anything.
#include "platform/system/exceptions.h"
#include "platform/system/registry.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <cstdio>
#include <memory>
#include <gtest/gtest.h>

using testsupport::ReadFile;
using testsupport::TempHome;
using testsupport::WriteFile;

namespace {

const QString kMain = QStringLiteral("Software\\TolvaneStudio\\Orlisk\\Main");

QString storeFile(const TempHome& home) { return home.ConfigHome() + "/TolvaneStudio/Orlisk.reg"; }

template <typename F>
QString errorOf(F&& f) {
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return QStringLiteral("(no ERegistryException)");
}

QStringList temporaries(const TempHome& home) {
    return QDir(home.ConfigHome() + "/TolvaneStudio").entryList({"Orlisk.reg.tmp-*"}, QDir::Files | QDir::Hidden);
}

}  // namespace

TEST(Registry, WritesRegedit4WithTypedValues) {
    TempHome home;
    TRegistry reg;
    EXPECT_EQ(reg.StoreFile(), storeFile(home));
    ASSERT_TRUE(reg.OpenKey(kMain, true));
    reg.WriteString("Path", R"(C:\photos "new")");
    reg.WriteInteger("Count", 31);
    reg.WriteExpandString("Home", "%H%");

    const QByteArray text = ReadFile(storeFile(home));
    EXPECT_EQ(text,
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\TolvaneStudio]\n\n"
              "[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk]\n\n"
              "[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\n"
              "\"Path\"=\"C:\\\\photos \\\"new\\\"\"\n"
              "\"Count\"=dword:0000001f\n"
              "\"Home\"=hex(2):25,00,48,00,25,00,00,00\n\n");

    TRegistry again;
    ASSERT_TRUE(again.OpenKey(kMain, false));
    EXPECT_EQ(again.ReadString("Path"), R"(C:\photos "new")");
    EXPECT_EQ(again.ReadInteger("Count"), 31);
    EXPECT_EQ(again.GetDataType("Home"), rdExpandString);
    EXPECT_EQ(again.ReadString("Home"), "%H%");  // not expanded
}

TEST(Registry, StoreFileFollowsXdgConfigHome) {
    TempHome home;
    EXPECT_EQ(TRegistry::DefaultStoreFile(), storeFile(home));
    setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored
    EXPECT_EQ(TRegistry::DefaultStoreFile(), home.Path() + "/.config/TolvaneStudio/Orlisk.reg");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(TRegistry::DefaultStoreFile(), home.Path() + "/.config/TolvaneStudio/Orlisk.reg");
}

TEST(Registry, RoundTripsAwkwardStrings) {
    TempHome home;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, true));
    const QString lines = QStringLiteral("first\nsecond\r\nthird");
    const QString unicode = QStringLiteral("Fotos \u00e4\u00f6\u00fc \u65e5\u672c \U0001F600");
    const QString longText = QString(300, u'x') + QStringLiteral("\\\"");
    reg.WriteString("Lines", lines);
    reg.WriteString("Unicode", unicode);
    reg.WriteExpandString("Long", longText);
    reg.WriteString("", "default value");
    reg.WriteInteger("Negative", -2);

    TRegistry r;
    ASSERT_TRUE(r.OpenKey(kMain, false));
    EXPECT_EQ(r.GetDataType("Lines"), rdString);
    EXPECT_EQ(r.ReadString("Lines"), lines);
    EXPECT_EQ(r.ReadString("Unicode"), unicode);
    EXPECT_EQ(r.ReadString("Long"), longText);
    EXPECT_EQ(r.ReadString(""), "default value");
    EXPECT_EQ(r.ReadInteger("Negative"), -2);
    const QByteArray text = ReadFile(storeFile(home));
    EXPECT_TRUE(text.contains("\"Negative\"=dword:fffffffe\n"));
    EXPECT_TRUE(text.contains("@=\"default value\"\n"));
    EXPECT_TRUE(text.contains("\"Lines\"=hex(1):"));  // a line break cannot stand in quotes
    for (const QByteArray& line : text.split('\n')) EXPECT_LE(line.size(), 80) << line.constData();
}

TEST(Registry, KeysAndNamesIgnoreCaseAndKeepTheirFirstCase) {
    TempHome home;
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kMain, false));
    EXPECT_FALSE(QFile::exists(storeFile(home)));  // looking creates nothing
    ASSERT_TRUE(reg.OpenKey(kMain, true));
    reg.WriteString("KeepTimestamp", "1");
    reg.WriteString("KEEPTIMESTAMP", "0");

    TRegistry other;
    ASSERT_TRUE(other.OpenKey("software\\tolvanestudio\\ORLISK\\main", false));
    EXPECT_EQ(other.ReadString("keeptimestamp"), "0");
    EXPECT_TRUE(other.KeyExists("\\SOFTWARE\\TolvaneStudio"));
    const QByteArray text = ReadFile(storeFile(home));
    EXPECT_TRUE(text.contains("\"KeepTimestamp\"=\"0\""));
    EXPECT_FALSE(text.contains("KEEPTIMESTAMP"));
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]"));

    // Relative keys open below the open key.
    ASSERT_TRUE(other.OpenKey("Sub", true));
    EXPECT_EQ(other.CurrentPath(), "software\\tolvanestudio\\ORLISK\\main\\Sub");
    EXPECT_TRUE(TRegistry().KeyExists(kMain + "\\sub"));
    other.CloseKey();
    EXPECT_EQ(other.CurrentPath(), "");
}

TEST(Registry, WrongTypesAndMissingValuesRaise) {
    TempHome home;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, true));
    reg.WriteInteger("ThumbsInRow", 5);
    reg.WriteString("Language", "en");
    EXPECT_EQ(errorOf([&] { reg.ReadString("ThumbsInRow"); }), "Invalid data type for 'ThumbsInRow'");
    EXPECT_EQ(errorOf([&] { reg.ReadInteger("Language"); }), "Invalid data type for 'Language'");
    EXPECT_EQ(errorOf([&] { reg.ReadInteger("Nothing"); }), "Failed to get data for 'Nothing'");
    EXPECT_EQ(reg.ReadString("Nothing"), "");
    EXPECT_FALSE(reg.ValueExists("Nothing"));
    EXPECT_EQ(reg.GetDataType("Nothing"), rdUnknown);

    // A write replaces a value of another type.
    reg.WriteString("ThumbsInRow", "7");
    EXPECT_EQ(reg.GetDataType("ThumbsInRow"), rdString);
    EXPECT_TRUE(reg.DeleteValue("thumbsinrow"));
    EXPECT_FALSE(reg.DeleteValue("ThumbsInRow"));
    EXPECT_FALSE(reg.ValueExists("ThumbsInRow"));
    EXPECT_TRUE(reg.ValueExists("Language"));
}

TEST(Registry, KeepsWhatItDoesNotWriteByteForByte) {
    TempHome home;
    // As the registry editor would write it: CRLF, a wrapped REG_EXPAND_SZ, a
    // REG_MULTI_SZ, a binary value, a QWORD, a comment and another hive.
    const QByteArray original =
        "REGEDIT4\r\n"
        "\r\n"
        "; written by hand\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
        "\"Keep\"=\"me\"\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\r\n"
        "\"Expand\"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,4c,\\\r\n"
        "  00,45,00,25,00,5c,00,50,00,69,00,63,00,73,00,00,00\r\n"
        "; a note on the next value\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Blob\"=hex:de,ad,BE,EF\r\n"
        "\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "\"Count\"=dword:00000003\r\n"
        "\r\n";
    WriteFile(storeFile(home), original);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, false));
    EXPECT_EQ(reg.GetDataType("Expand"), rdExpandString);
    EXPECT_EQ(reg.ReadString("Expand"), "%USERPROFILE%\\Pics");
    EXPECT_EQ(reg.GetDataType("Multi"), rdUnknown);
    EXPECT_EQ(reg.GetDataType("Blob"), rdBinary);
    EXPECT_EQ(reg.GetDataType("Big"), rdUnknown);
    EXPECT_EQ(errorOf([&] { reg.ReadString("Blob"); }), "Invalid data type for 'Blob'");

    reg.WriteString("Language", "de");
    reg.WriteInteger("Count", 4);
    QByteArray expected = original;
    expected.replace("\"Count\"=dword:00000003\r\n", "\"Count\"=dword:00000004\r\n\"Language\"=\"de\"\r\n");
    EXPECT_EQ(ReadFile(storeFile(home)), expected);
}

TEST(Registry, NeverOverwritesAStoreItCannotParse) {
    TempHome home;
    const QByteArray broken = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"A\"=\"1\"\nthis is not a value\n";
    WriteFile(storeFile(home), broken);
    const QString file = storeFile(home);

    TRegistry reg;
    const QString onOpen = errorOf([&] { reg.OpenKey(kMain, true); });
    EXPECT_TRUE(onOpen.contains(file)) << onOpen.toStdString();
    EXPECT_TRUE(onOpen.contains("line 5")) << onOpen.toStdString();
    EXPECT_TRUE(errorOf([&] { reg.WriteString("A", "2"); }).contains(file));
    EXPECT_TRUE(errorOf([&] { reg.ReadString("A"); }).contains(file));
    EXPECT_TRUE(errorOf([&] { reg.DeleteValue("A"); }).contains(file));
    EXPECT_EQ(ReadFile(file), broken);
    EXPECT_TRUE(temporaries(home).isEmpty());

    // Not a registry file at all, and an unclosed quote: named by file and line too.
    WriteFile(file, "[Main]\nA=1\n");
    EXPECT_TRUE(errorOf([&] { reg.ReadString("A"); }).contains(file + " cannot be read: line 1"));
    WriteFile(file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\X]\n\"A\"=\"open\n");
    EXPECT_TRUE(errorOf([&] { reg.ReadString("A"); }).contains("line 4"));
    WriteFile(file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\X]\n\"A\"=hex:01,\\\n");
    EXPECT_TRUE(errorOf([&] { reg.ReadString("A"); }).contains("line 4"));
}

TEST(Registry, AFailedWriteRaisesWithTheValueName) {
    TempHome home;
    // The configuration folder cannot be made: a file stands in its way.
    WriteFile(home.ConfigHome() + "/TolvaneStudio", "in the way");
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kMain, true));
    EXPECT_EQ(errorOf([&] { reg.WriteString("Language", "x"); }), "Failed to set data for 'Language'");
    EXPECT_EQ(errorOf([&] { reg.WriteInteger("ThumbsInRow", 3); }), "Failed to set data for 'ThumbsInRow'");
}

TEST(Registry, StrayTemporaryFilesAreIgnoredAndCleared) {
    TempHome home;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, true));
    reg.WriteString("Language", "en");
    // What a writer killed between writing and renaming leaves behind.
    const QString stray = home.ConfigHome() + "/TolvaneStudio/Orlisk.reg.tmp-Ab12Cd";
    WriteFile(stray, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\n\"Language\"=\"half");
    const QString notOurs = home.ConfigHome() + "/TolvaneStudio/Orlisk.reg.tmp-keep-this";
    WriteFile(notOurs, "x");

    EXPECT_EQ(TRegistry().ReadValue(kMain, "Language")->text, "en");
    reg.WriteString("LastFolder", "/photos");
    EXPECT_FALSE(QFile::exists(stray));
    EXPECT_TRUE(QFile::exists(notOurs));
    EXPECT_EQ(reg.ReadString("Language"), "en");
}

TEST(Registry, FollowsASymbolicLinkToTheStore) {
    TempHome home;
    const QString real = home.Path() + "/dotfiles/Orlisk.reg";
    WriteFile(real, "REGEDIT4\n\n");
    QDir().mkpath(home.ConfigHome() + "/TolvaneStudio");
    ASSERT_TRUE(QFile::link(real, storeFile(home)));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, true));
    reg.WriteString("Language", "fr");
    EXPECT_TRUE(QFileInfo(storeFile(home)).isSymLink());
    EXPECT_TRUE(ReadFile(real).contains("\"Language\"=\"fr\""));
}

// ---- several processes --------------------------------------------------------------

// The writer process of the tests below.
ORLISK_TEST_CHILD(RegistryWriter) {
    const QByteArray prefix = qgetenv("ORLISK_REG_WRITER");
    const int count = qEnvironmentVariableIntValue("ORLISK_REG_COUNT");
    TRegistry reg;
    if (!reg.OpenKey(kMain, true)) return 1;
    for (int i = 0; i < count; ++i) {
        reg.WriteString(QString::fromUtf8(prefix) + QString::number(i), QString::number(i * 7));
        printf("wrote %d\n", i);  // after the write is on disk
        fflush(stdout);
    }
    return 0;
}

namespace {
std::unique_ptr<QProcess> startWriter(const TempHome& home, const QString& prefix, int count) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = home.Env();
    env.insert("ORLISK_REG_WRITER", prefix);
    env.insert("ORLISK_REG_COUNT", QString::number(count));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::SeparateChannels);
    p->start(QCoreApplication::applicationFilePath(), testsupport::ChildArguments("RegistryWriter"));
    return p;
}
}  // namespace

TEST(Registry, TwoProcessesWritingAtOnceLoseNothing) {
    TempHome home;
    auto a = startWriter(home, "A", 200);
    auto b = startWriter(home, "B", 200);
    ASSERT_TRUE(a->waitForFinished(300000));
    ASSERT_TRUE(b->waitForFinished(300000));
    ASSERT_EQ(a->exitCode(), 0) << a->readAllStandardOutput().toStdString();
    ASSERT_EQ(b->exitCode(), 0) << b->readAllStandardOutput().toStdString();

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, false));
    int found = 0;
    for (const char* prefix : {"A", "B"})
        for (int i = 0; i < 200; ++i) {
            const QString name = prefix + QString::number(i);
            if (reg.ValueExists(name) && reg.ReadString(name) == QString::number(i * 7)) ++found;
        }
    EXPECT_EQ(found, 400);
    EXPECT_TRUE(temporaries(home).isEmpty());
}

TEST(Registry, AWriterKilledMidWayLeavesAReadableStore) {
    TempHome home;
    auto w = startWriter(home, "K", 100000);
    ASSERT_TRUE(w->waitForStarted());
    // Wait for 30 reported writes, then kill it wherever it is.
    QByteArray out;
    while (out.count("wrote ") < 30 && w->state() == QProcess::Running)
        if (w->waitForReadyRead(60000)) out += w->readAllStandardOutput();
    w->kill();
    w->waitForFinished();
    ASSERT_GE(out.count("wrote "), 30);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, false));
    for (int i = 0; i < 30; ++i) EXPECT_EQ(reg.ReadString("K" + QString::number(i)), QString::number(i * 7));
    reg.WriteString("After", "yes");  // and the store takes writes again
    EXPECT_EQ(reg.ReadString("After"), "yes");
    EXPECT_TRUE(temporaries(home).isEmpty());
}
