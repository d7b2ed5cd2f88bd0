// Which store the settings go to, and the removable-drive test behind the choice.
#include "platform/system/registry.h"
#include "platform/system/settingsstore.h"
#include "platform/system/sysutils.h"
#include "tests/support/files.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/sysmacros.h>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::TempHome;
using testsupport::WriteFile;

TEST(SettingsStore, IniPathReplacesTheExtension) {
    EXPECT_EQ(IniPathForExecutable("/media/stick/orlisk.exe"), "/media/stick/orlisk.ini");
    EXPECT_EQ(IniPathForExecutable("/media/stick/orlisk"), "/media/stick/orlisk.ini");
    EXPECT_EQ(IniPathForExecutable("/media/stick/orlisk.1.2.bin"), "/media/stick/orlisk.1.2.ini");
    EXPECT_EQ(IniPathForExecutable("/media/st.ick/orlisk"), "/media/st.ick/orlisk.ini");
    EXPECT_EQ(IniPathForExecutable("/media/stick/.orlisk"), "/media/stick/.orlisk.ini");
    EXPECT_EQ(PortableIniPath(), IniPathForExecutable(sys::ExecutablePath()));
}

namespace {
// A sysfs tree as the kernel lays it out: /dev/block/MAJ:MIN links to the device's
// folder; a partition's folder lies inside its disk's and has a "partition" file;
// a mapped device lists the devices beneath it in "slaves".
class FakeSysfs {
public:
    FakeSysfs() {
        disk("usb/block/sdb", "1");
        partition("usb/block/sdb/sdb1");
        disk("ata/block/sda", "0");
        partition("ata/block/sda/sda1");
        disk("virtual/block/dm-0", "0");
        slave("virtual/block/dm-0", "sdb1", "usb/block/sdb/sdb1");
        disk("virtual/block/dm-1", "0");
        slave("virtual/block/dm-1", "sda1", "ata/block/sda/sda1");
        disk("mmc/block/mmcblk0", "1\n");
        link(8, 16, "usb/block/sdb");
        link(8, 17, "usb/block/sdb/sdb1");
        link(8, 0, "ata/block/sda");
        link(8, 1, "ata/block/sda/sda1");
        link(254, 0, "virtual/block/dm-0");
        link(254, 1, "virtual/block/dm-1");
        link(179, 0, "mmc/block/mmcblk0");
    }
    QString Root() const { return dir_.Path(); }

private:
    QString devices(const QString& p) const { return dir_.Path() + "/devices/" + p; }
    void disk(const QString& p, const QByteArray& flag) { WriteFile(devices(p) + "/removable", flag); }
    void partition(const QString& p) { WriteFile(devices(p) + "/partition", "1\n"); }
    void slave(const QString& p, const QString& name, const QString& target) {
        QDir().mkpath(devices(p) + "/slaves");
        ASSERT_TRUE(QFile::link(devices(target), devices(p) + "/slaves/" + name));
    }
    void link(unsigned maj, unsigned min, const QString& p) {
        QDir().mkpath(dir_.Path() + "/dev/block");
        ASSERT_TRUE(QFile::link(devices(p), dir_.Path() + QStringLiteral("/dev/block/%1:%2").arg(maj).arg(min)));
    }
    TempDir dir_;
};
}  // namespace

TEST(SettingsStore, RemovableByTheDevicesOwnFlagOrItsDisks) {
    FakeSysfs sysfs;
    EXPECT_TRUE(IsBlockDeviceRemovable(sysfs.Root(), makedev(8, 16)));   // the stick itself
    EXPECT_TRUE(IsBlockDeviceRemovable(sysfs.Root(), makedev(8, 17)));   // its partition
    EXPECT_TRUE(IsBlockDeviceRemovable(sysfs.Root(), makedev(179, 0)));  // flag with a line end
    EXPECT_TRUE(IsBlockDeviceRemovable(sysfs.Root(), makedev(254, 0)));  // encrypted stick
    EXPECT_FALSE(IsBlockDeviceRemovable(sysfs.Root(), makedev(8, 0)));
    EXPECT_FALSE(IsBlockDeviceRemovable(sysfs.Root(), makedev(8, 1)));
    EXPECT_FALSE(IsBlockDeviceRemovable(sysfs.Root(), makedev(254, 1)));
    EXPECT_FALSE(IsBlockDeviceRemovable(sysfs.Root(), makedev(8, 32)));  // no such device
    EXPECT_FALSE(IsBlockDeviceRemovable(sysfs.Root(), makedev(0, 45)));  // tmpfs, NFS, overlay
    EXPECT_FALSE(IsBlockDeviceRemovable(sysfs.Root() + "/nowhere", makedev(8, 16)));
}

TEST(SettingsStore, OpensTheStoreTheDriveCallsFor) {
    TempHome home;
    const bool removable = IsOnRemovableDrive();
    std::unique_ptr<TCustomIniFile> store = OpenSettingsStore();
    if (removable) {
        ASSERT_NE(dynamic_cast<TIniFile*>(store.get()), nullptr);
        EXPECT_EQ(store->FileName(), PortableIniPath());
        return;
    }
    ASSERT_NE(dynamic_cast<TRegistryIniFile*>(store.get()), nullptr);
    EXPECT_EQ(store->FileName(), kSettingsKey);
    store->WriteString("Main", "Language", "");
    EXPECT_TRUE(ReadFile(home.ConfigHome() + "/TolvaneStudio/Orlisk.reg")
                    .contains("[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\n\"Language\"=\"\"\n"));
}

TEST(SettingsStore, TheCropWarningAlwaysLivesInTheRegistry) {
    TempHome home;
    auto reg = OpenRegistrySettings();
    EXPECT_TRUE(reg->ReadBool("Main", "DisplayCropWarning", true));
    reg->WriteBool("Main", "DisplayCropWarning", false);
    EXPECT_FALSE(OpenRegistrySettings()->ReadBool("Main", "DisplayCropWarning", true));
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(kSettingsKey + "\\Main", false));
    EXPECT_EQ(r.GetDataType("DisplayCropWarning"), rdString);
    EXPECT_EQ(r.ReadString("DisplayCropWarning"), "0");
}

TEST(SettingsStore, ARelativeStoredLanguageLiesBelowTheProgramFolder) {
    EXPECT_EQ(ResolveStoredLanguage("lang/german.lng"), sys::ExecutableFolder() + "/lang/german.lng");
    EXPECT_EQ(ResolveStoredLanguage("/opt/orlisk/lang/french.lng"), "/opt/orlisk/lang/french.lng");
    EXPECT_EQ(ResolveStoredLanguage(""), "");
}
