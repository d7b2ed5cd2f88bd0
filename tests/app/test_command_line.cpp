// The command line as real processes: a temporary HOME, no display, so every box is
// written to stderr and every question is answered No (stdin is no terminal).

#include "platform/system/filenames.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

using namespace testsupport;

namespace {

const char kUsage[] =
    "Invalid command line parameters (should be orlisk.exe -[r|l|u|v|h] [-s] filename)";

class CommandLine : public ::testing::Test {
protected:
    TempHome home;
    TempDir dir;

    QProcessEnvironment Env() const {
        QProcessEnvironment env = home.Env();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        return env;
    }
    ProcessResult Orlisk(const QStringList& args) const {
        return testsupport::Run(OrliskExe(), args, Env());
    }
    // A photo whose size needs no crop question (multiples of 16).
    QString Photo(const QString& name, uint16_t orientation = 1, unsigned seed = 1) const {
        const QString path = dir.File(name);
        WriteFile(path, MakeExifJpeg(64, 48, orientation, false, Sampling::S420, seed));
        return path;
    }
    void WriteSettings(const QString& mainValues) const {
        WriteFile(home.ConfigHome() + "/TolvaneStudio/Orlisk.reg",
                  ("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\r\n" +
                   mainValues + "\r\n")
                      .toUtf8());
    }
    // Runs with arguments given as bytes: QProcess would encode them as UTF-8 text, so
    // the shell's printf makes each one from its bytes written in octal.
    ProcessResult RunWithBytes(const QString& program, const QList<QByteArray>& args) const {
        QString script = QStringLiteral("exec \"$0\"");
        for (const QByteArray& arg : args) {
            QString octal;
            for (const char c : arg) octal += QString::asprintf("\\%03o", static_cast<unsigned char>(c));
            script += QStringLiteral(" \"$(printf '%1')\"").arg(octal);
        }
        return testsupport::Run("/bin/sh", {"-c", script, program}, Env());
    }
    static bool Rotated(const QByteArray& before, const QString& path, int code) {
        return Decode(ReadFile(path)) == Decode(Jpegtran(JpegtranArgs(code), before));
    }
};

TEST_F(CommandLine, EachTransformSwitchTurnsThePhotoAndExitsZero) {
    const std::pair<const char*, int> switches[] = {{"-r", 1}, {"-u", 2}, {"-l", 3},
                                                    {"-v", 4}, {"-h", 5}};
    for (const auto& [sw, code] : switches) {
        const QString path = Photo(QString("p%1.jpg").arg(code), 6);
        const QByteArray before = ReadFile(path);
        const ProcessResult r = Orlisk({sw, path});
        EXPECT_EQ(r.exitCode, 0) << sw << r.err.constData();
        EXPECT_FALSE(r.crashed);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
        EXPECT_TRUE(Rotated(before, path, code)) << sw;
    }
}

TEST_F(CommandLine, SwitchesAreFoundAnywhereWithDashOrSlashInAnyCase) {
    const QString a = Photo("a.jpg", 1, 1), b = Photo("b.jpg", 1, 2), c = Photo("c.jpg", 1, 3);
    const QByteArray ba = ReadFile(a), bb = ReadFile(b), bc = ReadFile(c);
    EXPECT_EQ(Orlisk({"-s", "-r", a}).exitCode, 0);
    EXPECT_EQ(Orlisk({"/R", "-S", b}).exitCode, 0);
    EXPECT_EQ(Orlisk({"-L", c}).exitCode, 0);
    EXPECT_TRUE(Rotated(ba, a, 1));
    EXPECT_TRUE(Rotated(bb, b, 1));
    EXPECT_TRUE(Rotated(bc, c, 3));
}

TEST_F(CommandLine, WithoutSilentSwitchThePathIsTheSecondArgument) {
    const ProcessResult r = Orlisk({"-l", "-r"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Cannot open \"-r\". The file has been moved or deleted."))
        << r.err.constData();
}

TEST_F(CommandLine, AThirdArgumentThatIsNotTheSilentSwitchIsAUsageError) {
    // A glob that matched two photos, or a folder with a second switch: said no to,
    // never half done.
    const QString a = Photo("a.jpg", 6, 1), b = Photo("b.jpg", 6, 2);
    const QByteArray ba = ReadFile(a), bb = ReadFile(b);
    const QList<QStringList> cases = {
        {"-r", a, b},
        {"-auto", dir.Path(), "-r"},
        {"-auto", "-r", dir.Path()},
    };
    for (const QStringList& args : cases) {
        const ProcessResult r = Orlisk(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(kUsage)) << args.join(' ').toStdString() << r.err.constData();
    }
    EXPECT_EQ(ReadFile(a), ba);
    EXPECT_EQ(ReadFile(b), bb);
}

TEST_F(CommandLine, UsageErrors) {
    const QString a = Photo("a.jpg");
    const QByteArray before = ReadFile(a);
    const QList<QStringList> cases = {
        {a},                        // one argument ("Open with")
        {"-x", a},                  // unknown switch
        {"-s", a},                  // no transform switch
        {"-r", "-s", a, "extra"},   // four arguments
        {"-autox", a},              // "auto" must match whole
    };
    for (const QStringList& args : cases) {
        const ProcessResult r = Orlisk(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(kUsage)) << args.join(' ').toStdString() << r.err.constData();
    }
    EXPECT_EQ(ReadFile(a), before);
}

TEST_F(CommandLine, MissingFileAndMisplacedPath) {
    ProcessResult r = Orlisk({"-r", dir.File("gone.jpg")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(
        ("Cannot open \"" + dir.File("gone.jpg") + "\". The file has been moved or deleted.").toUtf8()));

    // "-r photo -s": the path is the third argument, "-s" itself.
    const QString a = Photo("a.jpg");
    const QByteArray before = ReadFile(a);
    r = Orlisk({"-r", a, "-s"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Cannot open \"-s\". The file has been moved or deleted."));
    EXPECT_EQ(ReadFile(a), before);

    // "-r -s": the path index lies beyond the arguments: an empty path.
    r = Orlisk({"-r", "-s"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Cannot open \"\". The file has been moved or deleted."));

    // A folder is no file.
    r = Orlisk({"-r", dir.Path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("The file has been moved or deleted."));

    // Nor is a FIFO: refused before its read-only mode is touched.
    const QString fifo = dir.File("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0444), 0);
    r = Orlisk({"-r", "-s", fifo});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Unable to rotate the image: pipe.jpg")) << r.err.constData();
    EXPECT_EQ(Stat(fifo).mode & 07777, 0444u);
}

TEST_F(CommandLine, AutoSwitchesNeedAnExistingFolder) {
    ProcessResult r = Orlisk({"-auto", "-s", dir.File("missing")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(("Cannot open \"" + dir.File("missing") + "\". Invalid folder.").toUtf8()))
        << r.err.constData();

    // Without "s" the path is the second argument: here "-r".
    r = Orlisk({"-auto", "-r"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Cannot open \"-r\". Invalid folder.")) << r.err.constData();
}

TEST_F(CommandLine, AutoAsksAndAutosubIncludesSubfolders) {
    const QString top = Photo("top.jpg", 6, 1);
    QDir(dir.Path()).mkdir("sub");
    const QString sub = Photo("sub/low.jpg", 8, 2);
    const QByteArray bt = ReadFile(top), bs = ReadFile(sub);

    // Without "s" the batch asks; with no terminal the answer is No.
    ProcessResult r = Orlisk({"-auto", dir.Path()});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(ReadFile(top), bt);

    r = Orlisk({"-s", "-auto", dir.Path()});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(Rotated(bt, top, 1));
    EXPECT_EQ(ReadFile(sub), bs);

    r = Orlisk({"/AUTOSUB", "-s", dir.Path()});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(Rotated(bs, sub, 3));
    for (const auto& [group, value] : ExiftoolOrientations(sub)) EXPECT_EQ(value, 1) << group.toStdString();
}

TEST_F(CommandLine, ALatin1NameIsTurnedByNameAndInAFolder) {
    const QString path = Photo(sys::DecodeFileName("caf\xe9.jpg"), 6, 1);
    const QByteArray before = ReadFile(path);
    ProcessResult r = RunWithBytes(OrliskExe(), {"-r", sys::EncodeFileName(path)});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(Rotated(before, path, 1));

    QDir(dir.Path()).mkdir("card");
    const QString card = Photo("card/" + sys::DecodeFileName("\xc4pfel.jpg"), 6, 2);
    const QByteArray cardBefore = ReadFile(card);
    r = Orlisk({"-s", "-auto", dir.File("card")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(Rotated(cardBefore, card, 1));
    r = RunWithBytes("exiftool", {"-s3", "-n", "-Orientation", sys::EncodeFileName(card)});
    EXPECT_EQ(r.out.trimmed(), "1") << r.err.constData();

    // A message names it with U+FFFD for the byte.
    r = RunWithBytes(OrliskExe(), {"-r", sys::EncodeFileName(dir.Path()) + "/gon\xe9.jpg"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("/gon\xef\xbf\xbd.jpg\". The file has been moved or deleted."))
        << r.err.constData();
}

TEST_F(CommandLine, CtrlCStopsTheBatchAfterThePhotoInHandWithStatus130) {
    // Photos large enough that the batch is still busy when the signal comes.
    constexpr int kCount = 400;
    const QByteArray before = MakeExifJpeg(512, 384, 6);
    const Pixels turned = Decode(Jpegtran(JpegtranArgs(1), before));
    QStringList names;
    for (int i = 0; i < kCount; ++i) {
        names << QString("p%1.jpg").arg(i, 3, 10, QChar('0'));
        WriteFile(dir.File(names.back()), before);
    }
    QProcess orlisk;
    orlisk.setProcessEnvironment(Env());
    orlisk.setReadChannel(QProcess::StandardError);
    orlisk.start(OrliskExe(), {"-s", "-auto", dir.Path()});
    ASSERT_TRUE(orlisk.waitForStarted());
    // Ctrl+C as the terminal sends it, once the first tenth is reported done.
    QByteArray err;
    while (!err.contains("/400 (") && orlisk.waitForReadyRead(60000))
        err += orlisk.readAllStandardError();
    ASSERT_TRUE(err.contains("40/400 (10%)")) << err.constData();
    ASSERT_EQ(::kill(orlisk.processId(), SIGINT), 0);
    ASSERT_TRUE(orlisk.waitForFinished(60000));
    EXPECT_EQ(orlisk.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(orlisk.exitCode(), 130);

    // Every photo whole or turned, the batch stopped before the end, no temporary left.
    int done = 0;
    for (const QString& name : names) {
        const QByteArray now = ReadFile(dir.File(name));
        if (now == before) continue;
        EXPECT_TRUE(Decode(now) == turned) << name.toStdString();
        ++done;
    }
    EXPECT_GE(done, 40);
    EXPECT_LT(done, kCount);
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                         QDir::Name),
              names);
}

TEST_F(CommandLine, LibraryFailureIsReportedWithTheFileName) {
    const QString bad = dir.File("bad.jpg");
    WriteFile(bad, "this is not a photo");
    const ProcessResult r = Orlisk({"-r", bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Unable to rotate the image: bad.jpg")) << r.err.constData();
    EXPECT_EQ(ReadFile(bad), QByteArray("this is not a photo"));
}

TEST_F(CommandLine, CropQuestionWithoutTerminalIsCancelled) {
    const QString path = dir.File("odd.jpg");
    WriteFile(path, MakeExifJpeg(1000, 48, 1));
    const QByteArray before = ReadFile(path);
    ProcessResult r = Orlisk({"-r", path});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("cannot be rotated fully lossless")) << r.err.constData();
    EXPECT_EQ(ReadFile(path), before);

    r = Orlisk({"-r", "-s", path});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_FALSE(r.err.contains("cannot be rotated fully lossless"));
    EXPECT_TRUE(Rotated(before, path, 1));
}

TEST_F(CommandLine, KeepTimestampFollowsTheStore) {
    const QString kept = Photo("kept.jpg", 6, 1);
    SetTimes(kept, 1000000000, 123456789);
    ASSERT_EQ(Orlisk({"-r", kept}).exitCode, 0);
    EXPECT_EQ(Stat(kept).mtime.tv_sec, 1000000000);
    EXPECT_EQ(Stat(kept).mtime.tv_nsec, 123456789);

    WriteSettings("\"KeepTimestamp\"=\"0\"");
    const QString fresh = Photo("fresh.jpg", 6, 2);
    SetTimes(fresh, 1000000000, 0);
    ASSERT_EQ(Orlisk({"-r", fresh}).exitCode, 0);
    EXPECT_NE(Stat(fresh).mtime.tv_sec, 1000000000);

    // Not a number: the default (keep) holds.
    WriteSettings("\"KeepTimestamp\"=\"abc\"");
    const QString third = Photo("third.jpg", 6, 3);
    SetTimes(third, 1000000000, 5);
    ASSERT_EQ(Orlisk({"-r", third}).exitCode, 0);
    EXPECT_EQ(Stat(third).mtime.tv_sec, 1000000000);
}

TEST_F(CommandLine, ATurnWhoseTimesCannotBeGivenBackStands) {
    // Anyone may write this photo, but only its owner may set its times. Root makes it
    // and runs the program as nobody; hard-linked, the photo is rewritten in place and
    // stays root's.
    if (!RunningAsRoot()) GTEST_SKIP() << "another user's photo needs root to make";
    const QString path = Photo("shared.jpg", 6);
    const QString link = dir.File("link.jpg");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
    SetTimes(path, 1000000000, 0);
    const QByteArray before = ReadFile(path);
    for (const auto& [folder, mode] : {std::pair {home.Path(), 0755}, {home.TmpDir(), 0755},
                                       {home.ConfigHome(), 0777}, {dir.Path(), 0777},
                                       {path, 0666}})
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), mode_t(mode)), 0);

    const ProcessResult r = testsupport::Run(
        "setpriv", QStringList {"--reuid=65534", "--regid=65534", "--clear-groups", OrliskExe(),
                                "-s", "-r", path},
        Env());
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_FALSE(r.err.contains("System Error")) << r.err.constData();
    EXPECT_TRUE(Rotated(before, path, 1));
    EXPECT_EQ(ReadFile(link), ReadFile(path));
}

TEST_F(CommandLine, MessagesAreTranslatedByTheStoredLanguageFile) {
    const QString lng = dir.File("test.lng");
    WriteFile(lng, QString("[Messages]\n%1=Falsche Parameter\n").arg(kUsage).toUtf8());
    WriteSettings("\"Language\"=\"" + QString(lng).replace("\\", "\\\\") + "\"");
    const ProcessResult r = Orlisk({"-x", "y"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Falsche Parameter")) << r.err.constData();
}

TEST_F(CommandLine, NoArgumentsWithoutDisplayIsAClearError) {
    const ProcessResult r = Orlisk({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_TRUE(r.err.contains("no display")) << r.err.constData();
}

}  // namespace

TEST_F(CommandLine, ALanguageStoredRelativeToTheProgramIsFound) {
    // As portable mode writes it: "lang/" and the file's name.
    WriteSettings("\"Language\"=\"lang/german.lng\"");
    const ProcessResult r = Orlisk({"-x", dir.File("a.jpg")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8("Ungültige Befehlszeilenparameter")))
        << r.err.constData();
}
