// The settings files keep what they do not own: a repeated name in another hive's
// key, lines that end in more than one carriage return, values that begin with a
// byte-order mark.

#include "platform/system/inifiles.h"
#include "platform/system/registry.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const QString kMain = QStringLiteral("Software\\TolvaneStudio\\Orlisk\\Main");
const QString kBom = QString(QChar(0xFEFF));

QString StoreFile(const TempHome& home) { return home.ConfigHome() + "/TolvaneStudio/Orlisk.reg"; }

}  // namespace

TEST(SettingsKeep, ARepeatedNameInAnotherHiveKeepsBothLines) {
    TempHome home;
    const QByteArray original = TestData("registry-foreign-key-duplicate-name.reg");
    WriteFile(StoreFile(home), original);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, true));
    reg.WriteString("Language", "de");
    const QByteArray after = ReadFile(StoreFile(home));
    // The other hive's key, both of its lines and the comment come through as they were.
    EXPECT_TRUE(after.contains(original.mid(original.indexOf("[HKEY_LOCAL_MACHINE"))))
        << after.toStdString();
    EXPECT_TRUE(after.contains("; kept\n")) << after.toStdString();
    EXPECT_TRUE(after.contains("\"Language\"=\"de\"")) << after.toStdString();
}

TEST(SettingsKeep, ARepeatedNameInTheUsersOwnKeyReadsAndWritesTheLastOne) {
    TempHome home;
    const QByteArray original = "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + kMain.toUtf8() +
                                "]\n\"Language\"=\"en\"\n\"LANGUAGE\"=\"fr\"\n\n";
    WriteFile(StoreFile(home), original);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, false));
    EXPECT_EQ(reg.ReadString("Language"), "fr");
    reg.WriteString("Language", "de");
    EXPECT_EQ(reg.ReadString("Language"), "de");
    QByteArray expected = original;
    expected.replace("\"LANGUAGE\"=\"fr\"", "\"LANGUAGE\"=\"de\"");
    EXPECT_EQ(ReadFile(StoreFile(home)), expected);
    // Deleting it takes the overridden line too, so no older value comes back.
    EXPECT_TRUE(reg.DeleteValue("Language"));
    EXPECT_FALSE(reg.ValueExists("Language"));
}

TEST(SettingsKeep, ValuesBeginningWithAByteOrderMarkKeepIt) {
    TempHome home;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kMain, true));
    reg.WriteString("Folder", kBom + "photos");
    EXPECT_EQ(reg.ReadString("Folder"), kBom + "photos");
    reg.WriteString(kBom + "Name", "x");
    EXPECT_EQ(reg.ReadString(kBom + "Name"), "x");
    EXPECT_FALSE(reg.ValueExists("Name"));

    TempDir dir;
    TIniFile ini(dir.File("orlisk.ini"));
    ini.WriteString("Main", "Folder", kBom + "photos");
    EXPECT_EQ(ini.ReadString("Main", "Folder", "?"), kBom + "photos");
    // The file's own byte-order mark is still the file's, not the first value's.
    WriteFile(dir.File("bom.ini"), "\xEF\xBB\xBF[Main]\r\nA=\xEF\xBB\xBFx\r\n");
    TIniFile bom(dir.File("bom.ini"));
    EXPECT_EQ(bom.ReadString("Main", "A", "?"), kBom + "x");
    bom.WriteString("Main", "B", "1");
    EXPECT_EQ(ReadFile(dir.File("bom.ini")), "\xEF\xBB\xBF[Main]\r\nA=\xEF\xBB\xBFx\r\nB=1\r\n");
}

TEST(SettingsKeep, IniLinesKeepTheirOwnCarriageReturns) {
    TempDir dir;
    const QString file = dir.File("orlisk.ini");
    for (const QByteArray& original : {
             QByteArray("[Other]\nx=1\r\r\ny=2\r\n\n[Main]\nA=1\n"),
             QByteArray("[Other]\r\nx=1\r\r\ny=2\r\r\r\n[Main]\r\nA=1\r\n"),
             QByteArray("[Other]\nx=1\r\r"),
         }) {
        WriteFile(file, original);
        TIniFile ini(file);
        ini.WriteString("Main", "A", "2");
        const QByteArray after = ReadFile(file);
        EXPECT_TRUE(after.contains(original.left(original.indexOf("[Main]") < 0
                                                     ? original.size()
                                                     : original.indexOf("[Main]"))))
            << after.toStdString();
        EXPECT_EQ(ini.ReadString("Main", "A", "?"), "2");
        EXPECT_EQ(ini.ReadString("Other", "x", "?"), "1");
    }
}
