// The real program under a private X server with a window manager, driven with
// xdotool as a person drives it: type a folder and Enter, R on the first photo, a
// range with Shift and an arrow key, H, Ctrl+Del; keys after a click on the toolbar.
// The effects are checked on disk.

#include "tests/app/window_manager_fixture.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <map>

using namespace testsupport;

namespace {

class UserSession : public WindowManagerTest {
protected:
    QString folder;
    std::map<QString, QByteArray> original;

    void SetUp() override {
        StartSession({"openbox", "xdotool"});
        if (IsSkipped() || HasFatalFailure()) return;

        // The user wants to be asked before a delete (the setting's default too).
        WriteFile(home.ConfigHome() + "/TolvaneStudio/Orlisk.reg",
                  "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\n"
                  "\"ConfirmDelete\"=\"1\"\n\n");

        folder = home.Path() + "/Pictures/Holiday";
        for (int i = 0; i < 6; ++i) {
            JpegSpec spec;
            spec.width = 160;
            spec.height = 128;
            spec.seed = static_cast<unsigned>(i + 7);
            original[Photo(i)] = MakeJpeg(spec);
            WriteFile(Photo(i), original[Photo(i)]);
        }
    }

    QString Photo(int i) const { return folder + QStringLiteral("/p%1.jpg").arg(i); }
    QString Xdo(const QStringList& args) {
        const ProcessResult r = testsupport::Run("xdotool", args, Env(), 20000);
        EXPECT_EQ(r.exitCode, 0) << "xdotool " << args.join(' ').toStdString() << ": "
                                 << r.err.constData();
        return QString::fromUtf8(r.out).trimmed();
    }
    // The visible windows titled "Orlisk": the main window, and a question box.
    QStringList OrliskWindows() {
        const ProcessResult r =
            testsupport::Run("xdotool", {"search", "--onlyvisible", "--name", "^Orlisk$"}, Env(), 20000);
        return QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
    }
    bool Transformed(int i, int code) {
        return Decode(ReadFile(Photo(i))) == Decode(Jpegtran(JpegtranArgs(code), original[Photo(i)]));
    }
    // Starts the program, types the folder into the path box and presses Enter, then
    // clicks the first photo; the main window's id, empty when it did not show.
    QString OpenFolderAndClickTheFirstPhoto() {
        app.setProcessEnvironment(Env());
        app.start(OrliskExe(), {});
        EXPECT_TRUE(app.waitForStarted(5000));
        QString window;
        EXPECT_TRUE(WaitFor([&] {
            const QStringList w = OrliskWindows();
            if (w.size() == 1) window = w.first();
            return !window.isEmpty();
        })) << app.readAllStandardError().constData();
        if (window.isEmpty()) return window;
        Xdo({"windowactivate", "--sync", window});

        // The path box lies below the toolbar.
        Xdo({"mousemove", "--window", window, "300", "72", "click", "1"});
        Xdo({"key", "--clearmodifiers", "ctrl+a"});
        Xdo({"type", "--delay", "10", folder});
        Xdo({"key", "Return"});
        QThread::msleep(1500);  // six small photos load in far less

        Xdo({"mousemove", "--window", window, "40", "130", "click", "1"});
        QThread::msleep(300);
        return window;
    }
};

}  // namespace

TEST_F(UserSession, TypeAFolderRotateFlipARangeAndMoveItToTheTrash) {
    const QString window = OpenFolderAndClickTheFirstPhoto();
    ASSERT_FALSE(window.isEmpty());
    // R on the first photo.
    Xdo({"key", "r"});
    ASSERT_TRUE(WaitFor([&] { return Transformed(0, 1); })) << "R did not rotate the first photo";

    // Right, then Shift+Right: the second and third photo; H flips both.
    Xdo({"key", "Right"});
    Xdo({"key", "shift+Right"});
    QThread::msleep(300);
    Xdo({"key", "h"});
    ASSERT_TRUE(WaitFor([&] { return Transformed(1, 5) && Transformed(2, 5); }))
        << "H did not flip the range";
    for (int i : {3, 4, 5}) EXPECT_EQ(ReadFile(Photo(i)), original[Photo(i)]) << i;
    EXPECT_TRUE(Transformed(0, 1));  // turned once only

    // Ctrl+Del: the window asks first (the settings say so), the user answers with
    // Enter (Yes).
    Xdo({"key", "ctrl+Delete"});
    bool answered = false;
    ASSERT_TRUE(WaitFor([&] {
        if (!QFile::exists(Photo(1)) && !QFile::exists(Photo(2))) return true;
        if (!answered && OrliskWindows().size() >= 2) {
            Xdo({"key", "Return"});
            answered = true;
        }
        return false;
    })) << "Ctrl+Del did not move the range to the trash";
    EXPECT_TRUE(answered) << "no question before the delete";

    const QString trash = home.DataHome() + "/Trash";
    for (int i : {1, 2}) {
        const QString name = QStringLiteral("p%1.jpg").arg(i);
        EXPECT_TRUE(QFile::exists(trash + "/files/" + name)) << name.toStdString();
        const QByteArray info = ReadFile(trash + "/info/" + name + ".trashinfo");
        EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + QFile::encodeName(Photo(i)) +
                                    "\nDeletionDate="))
            << info.constData();
        EXPECT_EQ(Decode(ReadFile(trash + "/files/" + name)),
                  Decode(Jpegtran(JpegtranArgs(5), original[Photo(i)])));
    }
    for (int i : {0, 3, 4, 5}) EXPECT_TRUE(QFile::exists(Photo(i))) << i;

    x.RequestClose(window.toULong());
    ASSERT_TRUE(app.waitForFinished(20000));
    EXPECT_EQ(app.exitCode(), 0) << app.readAllStandardError().constData();
}

TEST_F(UserSession, AfterAToolBarClickTheArrowsAndLettersStillActOnTheGrid) {
    const QString window = OpenFolderAndClickTheFirstPhoto();
    ASSERT_FALSE(window.isEmpty());
    // A click on the toolbar's empty part (right of its last button), then Right
    // and R: the second photo turns, the first stays.
    Xdo({"mousemove", "--window", window, "770", "30", "click", "1"});
    QThread::msleep(300);
    Xdo({"key", "Right"});
    QThread::msleep(300);
    Xdo({"key", "r"});
    EXPECT_TRUE(WaitFor([&] { return Transformed(1, 1); })) << "R did not turn the second photo";
    EXPECT_EQ(ReadFile(Photo(0)), original[Photo(0)]);

    x.RequestClose(window.toULong());
    ASSERT_TRUE(app.waitForFinished(20000));
    EXPECT_EQ(app.exitCode(), 0) << app.readAllStandardError().constData();
}
