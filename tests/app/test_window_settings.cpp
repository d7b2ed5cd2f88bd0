// The window comes back as it was left, under a private X server with a window
// manager that frames the window: the stored outer size and place survive a start and
// a close unchanged, a window closed maximised opens maximised, and a size from a
// larger screen opens within this one.

#include "tests/app/window_manager_fixture.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class WindowSettings : public WindowManagerTest {
protected:
    void SetUp() override { StartSession({"openbox", "xprop", "xdotool"}); }
    QString StoreFile() const { return home.ConfigHome() + "/TolvaneStudio/Orlisk.reg"; }
    // A DWORD or string value of the store's Main key, as written.
    QString Value(const QString& name) const {
        const QString text = QString::fromUtf8(ReadFile(StoreFile()));
        const QRegularExpression re("\"" + name + "\"=(dword:([0-9a-f]{8})|\"([^\"]*)\")");
        const QRegularExpressionMatch m = re.match(text);
        if (!m.hasMatch()) return QString();
        if (!m.captured(2).isEmpty()) return QString::number(int(m.captured(2).toUInt(nullptr, 16)));
        return m.captured(3);
    }
    // Starts the program and waits until the window manager has framed its window.
    unsigned long Start() {
        app.setProcessEnvironment(Env());
        app.start(OrliskExe(), {});
        EXPECT_TRUE(app.waitForStarted(5000));
        // The window manager reparents the window: search the whole tree.
        unsigned long w = 0;
        EXPECT_TRUE(WaitFor([&] {
            const QStringList found =
                QString::fromUtf8(testsupport::Run("xdotool", {"search", "--onlyvisible", "--name", "^Orlisk$"},
                                                   Env(), 5000).out)
                    .split('\n', Qt::SkipEmptyParts);
            if (found.size() == 1) w = found.first().toULong();
            return w != 0;
        })) << app.readAllStandardError().constData();
        if (!w) return 0;
        EXPECT_TRUE(WaitFor([&] { return Prop(w, "_NET_FRAME_EXTENTS").contains("="); }));
        QThread::msleep(1500);  // the frame's size reaches the program
        return w;
    }
    void Close(unsigned long window) {
        x.RequestClose(window);
        ASSERT_TRUE(app.waitForFinished(20000));
        EXPECT_EQ(app.exitCode(), 0) << app.readAllStandardError().constData();
    }
    QString Prop(unsigned long window, const char* name) {
        return QString::fromUtf8(
            testsupport::Run("xprop", {"-id", QString::number(window), name}, Env(), 5000).out);
    }
};

}  // namespace

TEST_F(WindowSettings, TheStoredSizeAndPlaceComeBackUnchangedAndAMaximisedCloseOpensMaximised) {
    WriteFile(StoreFile(),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\n"
              "\"WinWidth\"=dword:00000384\n\"WinHeight\"=dword:0000028a\n"
              "\"WinLeft\"=dword:00000078\n\"WinTop\"=dword:0000005a\n"
              "\"ThumbsInRow\"=dword:00000004\n\"Language\"=\"lang/german.lng\"\n\n");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        Close(Start());
        // The frame has the stored outer bounds, so the same values are written back.
        EXPECT_EQ(Value("WinWidth"), "900");
        EXPECT_EQ(Value("WinHeight"), "650");
        EXPECT_EQ(Value("WinLeft"), "120");
        EXPECT_EQ(Value("WinTop"), "90");
        EXPECT_EQ(Value("WinMax"), "0");
        EXPECT_EQ(Value("ThumbsInRow"), "4");
        // The language stored relative to the program was found and is written back
        // as the file it names.
        EXPECT_EQ(QFileInfo(Value("Language")).fileName(), "german.lng");
    }

    if (QStandardPaths::findExecutable("wmctrl").isEmpty())
        GTEST_SKIP() << "wmctrl is not installed (scripts/deps.sh installs it)";
    unsigned long window = Start();
    testsupport::Run("wmctrl", {"-i", "-r", QString::number(window), "-b", "add,maximized_vert,maximized_horz"},
        Env(), 5000);
    ASSERT_TRUE(WaitFor([&] { return Prop(window, "_NET_WM_STATE").contains("MAXIMIZED_HORZ"); }));
    QThread::msleep(500);
    Close(window);
    EXPECT_EQ(Value("WinMax"), "1");
    EXPECT_EQ(Value("WinWidth"), "900") << "the bounds of the last normal save stay";
    EXPECT_EQ(Value("WinLeft"), "120");

    window = Start();
    EXPECT_TRUE(Prop(window, "_NET_WM_STATE").contains("MAXIMIZED_HORZ"));
    Close(window);
}

TEST_F(WindowSettings, AStoredSizeLargerThanTheScreenOpensWithinIt) {
    // 3000 x 2500 from a larger screen, on this 1280 x 1024 one.
    WriteFile(StoreFile(),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\n"
              "\"WinWidth\"=dword:00000bb8\n\"WinHeight\"=dword:000009c4\n"
              "\"WinLeft\"=dword:00000064\n\"WinTop\"=dword:00000032\n\n");
    const unsigned long window = Start();
    ASSERT_NE(window, 0u);
    // The inside of the window, on the screen (xwininfo: absolute coordinates).
    if (QStandardPaths::findExecutable("xwininfo").isEmpty())
        GTEST_SKIP() << "xwininfo is not installed (scripts/deps.sh installs it)";
    const QString info = QString::fromUtf8(
        testsupport::Run("xwininfo", {"-id", QString::number(window)}, Env(), 5000).out);
    auto field = [&](const char* name) {
        const QRegularExpressionMatch m = QRegularExpression(QString("%1:\\s*(-?\\d+)").arg(name)).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -100000;
    };
    const int left = field("Absolute upper-left X"), top = field("Absolute upper-left Y");
    EXPECT_GE(left, 0) << info.toStdString();
    EXPECT_GE(top, 0) << info.toStdString();
    EXPECT_LE(left + field("Width"), 1280) << info.toStdString();
    EXPECT_LE(top + field("Height"), 1024) << info.toStdString();
    Close(window);
    EXPECT_LE(Value("WinWidth").toInt(), 1280);
    EXPECT_LE(Value("WinHeight").toInt(), 1024);
    EXPECT_LE(Value("WinLeft").toInt() + Value("WinWidth").toInt(), 1280);
    EXPECT_LE(Value("WinTop").toInt() + Value("WinHeight").toInt(), 1024);
}
