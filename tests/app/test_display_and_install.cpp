// What a user and a packager meet before any photo: the packages each use installs,
// a display that cannot be reached, the command line's quiet fallback to the terminal,
// and the files the install ships (desktop entry, man page, icon) checked with
// Debian's own tools.

#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

// scripts/deps.sh on a machine where no package is installed and the user is not
// root: dpkg-query finds nothing, and sudo only writes down what it was asked to run.
// Gives the commands run through sudo, one per line.
QStringList DepsCommands(const QString& group) {
    TempDir bin;
    const auto tool = [&](const char* name, const QByteArray& body) {
        const QString path = bin.File(name);
        WriteFile(path, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    tool("dpkg-query", "exit 1");
    tool("id", "echo 1000");
    tool("sudo", "echo \"$*\" >>\"$DEPS_LOG\"");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", bin.Path() + ":" + env.value("PATH"));
    env.insert("DEPS_LOG", bin.File("log"));
    const ProcessResult r =
        testsupport::Run("bash", {SourceDir() + "/scripts/deps.sh", group}, env, 30000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QString::fromUtf8(ReadFile(bin.File("log"))).split(u'\n', Qt::SkipEmptyParts);
}

TEST(Packages, EachUseInstallsWhatItNeedsAndNothingElse) {
    const QStringList forTests = {"libgtest-dev", "googletest", "libjpeg-turbo-progs",
                                  "libimage-exiftool-perl", "golang-github-rwcarlsen-goexif-dev",
                                  "locales", "xvfb", "openbox", "wmctrl", "xdotool"};
    const QStringList forBench = {"exiftran", "jhead", "libvips-tools"};
    const QStringList forFuzz = {"clang", "libclang-rt-14-dev", "llvm"};
    const QStringList forRun = {"cmake", "qt6-base-dev", "libturbojpeg0-dev", "libexif-dev",
                                "qt6-translations-l10n"};
    struct Use {
        const char* group;
        QStringList wanted, unwanted;
    };
    const Use uses[] = {
        {"run", forRun, forTests + forBench + forFuzz},
        {"test", forRun + forTests, forBench + forFuzz},
        {"bench", forRun + forTests + forBench, forFuzz},
        {"fuzz", forRun + forFuzz + QStringList{"libgtest-dev"},
         forBench + QStringList{"xvfb", "openbox", "locales"}},
    };
    for (const Use& use : uses) {
        SCOPED_TRACE(use.group);
        const QStringList commands = DepsCommands(use.group);
        // The package lists are updated, the packages installed, and nothing else is
        // done to the machine (no locale generated into it).
        ASSERT_EQ(commands.size(), 2) << commands.join('\n').toStdString();
        EXPECT_TRUE(commands[0].startsWith("apt-get ") && commands[0].contains(" update"));
        ASSERT_TRUE(commands[1].startsWith("apt-get ") && commands[1].contains(" install "));
        const QStringList installed = commands[1].split(u' ');
        for (const QString& p : use.wanted) EXPECT_TRUE(installed.contains(p)) << p.toStdString();
        for (const QString& p : use.unwanted) EXPECT_FALSE(installed.contains(p)) << p.toStdString();
    }
}

bool HaveTool(const char* name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

// The build folder (two levels above the program, build/orlisk/orlisk) and a value of
// its CMake cache.
QString BuildDir() { return QFileInfo(OrliskExe()).absoluteDir().absoluteFilePath(".."); }
QString CacheValue(const char* name) {
    const QRegularExpression line(QStringLiteral("^%1:[A-Z]+=(.*)$").arg(name),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(ReadFile(BuildDir() + "/CMakeCache.txt"))).captured(1);
}
QString ManPage() { return BuildDir() + "/man/orlisk.1"; }

TEST(InstallFiles, TheDesktopEntryValidates) {
    if (!HaveTool("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate is not installed";
    const ProcessResult r =
        testsupport::Run("desktop-file-validate", {SourceDir() + "/dist/linux/orlisk.desktop"});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
}

TEST(InstallFiles, TheManPageRendersWithoutWarnings) {
    if (!HaveTool("man") || !HaveTool("lexgrog")) GTEST_SKIP() << "man-db is not installed";
    const QString page = ManPage();
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

TEST(InstallFiles, TheManPageCarriesTheProjectsVersion) {
    // The About box's version is the same compile-time value (tests/mainwindow).
    const QString version = CacheValue("CMAKE_PROJECT_VERSION");
    EXPECT_EQ(version, "6.6");
    const QString header = QString::fromUtf8(ReadFile(ManPage())).section(u'\n', 0, 0);
    EXPECT_TRUE(header.contains("\"Orlisk " + version + "\"")) << header.toStdString();
}

TEST(InstallFiles, TheInstallPutsEveryFileWhereDebiansToolsLook) {
    // A packager's install: into DESTDIR, every file listed in the manifest (without
    // DESTDIR, as packagers read it).
    TempDir destdir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DESTDIR", destdir.Path());
    const ProcessResult r =
        testsupport::Run("cmake", {"--install", BuildDir(), "--prefix", "/usr"}, env, 120000);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString app = "/usr/" + CacheValue("CMAKE_INSTALL_LIBDIR") + "/orlisk/";
    const QStringList manifest =
        QString::fromUtf8(ReadFile(BuildDir() + "/install_manifest.txt")).split(u'\n');
    for (const QString& file :
         {QString("/usr/share/man/man1/orlisk.1"), QString("/usr/share/applications/orlisk.desktop"),
          QString("/usr/share/icons/hicolor/scalable/apps/orlisk.svg"), QString("/usr/bin/orlisk"),
          app + "orlisk", app + "libvantrel.so", app + "lang/english.lng", app + "README.html"}) {
        EXPECT_TRUE(QFileInfo(destdir.Path() + file).exists()) << file.toStdString();
        EXPECT_TRUE(manifest.contains(file)) << file.toStdString();
    }
    // bin/orlisk is a relative link to the program, which finds libvantrel.so beside
    // itself through it: started without a display it says so, as the program.
    const QFileInfo link(destdir.Path() + "/usr/bin/orlisk");
    EXPECT_TRUE(link.isSymLink());
    EXPECT_EQ(link.symLinkTarget(), QFileInfo(destdir.Path() + app + "orlisk").absoluteFilePath());
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LD_LIBRARY_PATH"})
        bare.remove(name);
    const ProcessResult started = testsupport::Run(link.filePath(), {}, bare, 30000);
    EXPECT_EQ(started.exitCode, 1);
    EXPECT_TRUE(started.err.startsWith("orlisk: cannot open the window: no display"))
        << started.err.toStdString();
}

}  // namespace
