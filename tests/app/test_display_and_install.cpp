// What a user and a packager meet before any photo: a display that cannot be reached,
// the command line's quiet fallback to the terminal, and the files the install ships
// (desktop entry, man page, icon) checked with Debian's own tools.

#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class Display : public ::testing::Test {
protected:
    TempHome home;
    TempDir dir;

    QProcessEnvironment Env(const QString& display) const {
        QProcessEnvironment env = home.Env();
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        if (display.isEmpty())
            env.remove("DISPLAY");
        else
            env.insert("DISPLAY", display);
        return env;
    }
    QString Photo() const {
        const QString path = dir.File("photo.jpg");
        WriteFile(path, MakeExifJpeg(64, 48, 6));
        return path;
    }
};

TEST_F(Display, AnUnreachableDisplayIsOneClearLineAndStatusOneInBothModes) {
    const QString photo = Photo();
    const QByteArray before = ReadFile(photo);
    for (const QStringList& args : {QStringList{}, QStringList{"-r", photo}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ProcessResult r = testsupport::Run(OrliskExe(), args, Env(":999"), 30000);
        EXPECT_FALSE(r.crashed);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, QByteArray("orlisk: cannot open the display \":999\"\n"));
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(ReadFile(photo), before);
}

TEST_F(Display, TheTerminalFallbackWritesNothingOfItsOwn) {
    const QString photo = Photo();
    const ProcessResult r =
        testsupport::Run(OrliskExe(), {"-s", "-r", photo}, Env(QString()), 60000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_NE(ReadFile(photo), MakeExifJpeg(64, 48, 6));
}

bool HaveTool(const char* name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

TEST(InstallFiles, TheDesktopEntryValidates) {
    if (!HaveTool("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate is not installed";
    const ProcessResult r =
        testsupport::Run("desktop-file-validate", {SourceDir() + "/dist/linux/orlisk.desktop"});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
}

TEST(InstallFiles, TheManPageRendersWithoutWarnings) {
    if (!HaveTool("man") || !HaveTool("lexgrog")) GTEST_SKIP() << "man-db is not installed";
    const QString page = SourceDir() + "/dist/linux/orlisk.1";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MANWIDTH", "80");
    const ProcessResult r = testsupport::Run("man", {"--warnings", "-l", page}, env);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    for (const char* text : {"-autosub", "EXIT STATUS", "XDG_CONFIG_HOME", "TMPDIR",
                             "not a help switch"})
        EXPECT_TRUE(r.out.contains(text)) << text;
    const ProcessResult name = testsupport::Run("lexgrog", {page});
    EXPECT_EQ(name.exitCode, 0) << name.out.toStdString();
}

TEST(InstallFiles, TheInstallPutsEveryFileWhereDebiansToolsLook) {
    // The build tree is two levels above the program (build/orlisk/orlisk).
    const QString build = QFileInfo(OrliskExe()).absoluteDir().absoluteFilePath("..");
    TempDir prefix;
    const ProcessResult r =
        testsupport::Run("cmake", {"--install", build, "--prefix", prefix.Path()},
                         QProcessEnvironment::systemEnvironment(), 120000);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (const char* file :
         {"share/man/man1/orlisk.1", "share/applications/orlisk.desktop",
          "share/icons/hicolor/scalable/apps/orlisk.svg", "bin/orlisk", "lib/orlisk/orlisk",
          "lib/orlisk/libvantrel.so", "lib/orlisk/lang/english.lng", "lib/orlisk/README.html"})
        EXPECT_TRUE(QFileInfo::exists(prefix.Path() + "/" + file)) << file;
}

}  // namespace
