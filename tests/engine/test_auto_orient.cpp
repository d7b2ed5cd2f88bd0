// The automatic orientation of a folder: the rule, the boxes, the progress loop with
// its cancel and its failures, checked on real photos against jpegtran and exiftool.

#include "engine/common.h"
#include "platform/system/exceptions.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/scripted_dialogs.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "progress/app_wait.h"
#include "progress/frm_wait.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"
#include "translation/lang.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <sys/stat.h>

using namespace testsupport;

namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr long long kOldTime = 1000000000;  // 2001-09-09
constexpr long kOldNsec = 123456789;

struct Photo {
    QString path;
    int orientation = 0;  // 0: no Orientation tag
    QByteArray original;
};

// Writes a photo with the orientation and an old time (so a kept time shows).
Photo WritePhoto(const QString& path, int orientation, int width = 64, int height = 48,
                 Sampling sampling = Sampling::S420, unsigned seed = 1) {
    Photo p{path, orientation,
            MakeExifJpeg(width, height, static_cast<uint16_t>(orientation), false, sampling, seed)};
    WriteFile(path, p.original);
    SetTimes(path, kOldTime, kOldNsec);
    return p;
}

bool HasOldTime(const QString& path) {
    const FileStat st = Stat(path);
    return st.exists && st.mtime.tv_sec == kOldTime && st.mtime.tv_nsec == kOldNsec;
}

// A photo the batch must have turned: exactly jpegtran's pixels, orientation 1 in
// every IFD that had one.
void ExpectTurned(const Photo& p, bool timeKept = true) {
    SCOPED_TRACE(p.path.toStdString());
    const int code = AutoOrientationCode(static_cast<TExifOrientation>(p.orientation));
    ASSERT_NE(code, 0);
    const Pixels expected = Decode(Jpegtran(JpegtranArgs(code), p.original));
    ASSERT_GT(expected.width, 0);
    EXPECT_TRUE(Decode(ReadFile(p.path)) == expected);
    const auto orientations = ExiftoolOrientations(p.path);
    EXPECT_FALSE(orientations.empty());
    for (const auto& [group, value] : orientations) EXPECT_EQ(value, 1) << group.toStdString();
    EXPECT_EQ(HasOldTime(p.path), timeKept);
}

void ExpectUntouched(const Photo& p) {
    SCOPED_TRACE(p.path.toStdString());
    EXPECT_EQ(ReadFile(p.path), p.original);
    EXPECT_TRUE(HasOldTime(p.path));
}

// The order in which the batch visits the folder's photos.
std::vector<Photo> InScanOrder(std::vector<Photo> photos, const QString& folder, bool recurse) {
    TStringList list;
    FindJpegFiles(folder, list, recurse);
    std::vector<Photo> ordered;
    for (int i = 0; i < list.Count(); ++i)
        for (const Photo& p : photos)
            if (p.path == list[i]) ordered.push_back(p);
    EXPECT_EQ(ordered.size(), photos.size());
    return ordered;
}

QString Question(int count) {
    return WrapText(sys::Format(
        S("%s has detected %u images that can be automatically transformed to normal "
          "orientation.\r\n\r\nWould you like to transform them now?"),
        {S("Orlisk"), count}));
}
const QString kNotice = S("Orlisk has not detected any images that can be \r\n"
                          "transformed automatically.");

// Watches the progress window the batch makes: records the bar's positions and lets
// a test act at a given position (click Cancel, remove a file). The window exists only
// inside the call, so a zero-interval timer, run by the pumps of the loop itself,
// finds it; the bar's valueChanged signal then fires synchronously inside
// SetProgressBy, so the action lands at an exact point of the loop: after a file's
// step and before the next file's cancel test.
class ProgressWatcher {
public:
    std::vector<int> positions;
    int windows = 0;
    std::function<void(int position, TfrmWait* form)> OnPosition;
    std::function<void(TfrmWait* form)> OnShown;

    ProgressWatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start(0);
    }
    QPointer<TfrmWait> LastForm() const { return form_; }

private:
    void Look() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* form = qobject_cast<TfrmWait*>(TControl::FromWidget(w));
            if (!form || !w->isVisible() || seen_.count(form)) continue;
            seen_.insert(form);
            ++windows;
            form_ = form;
            auto* bar = qobject_cast<QProgressBar*>(form->ProgressBar->Widget());
            if (!bar) {
                ADD_FAILURE() << "the progress bar is no QProgressBar";
                continue;
            }
            if (OnShown) OnShown(form);
            QPointer<TfrmWait> guarded(form);
            QObject::connect(bar, &QProgressBar::valueChanged, [this, guarded](int v) {
                positions.push_back(v);
                if (OnPosition && guarded) OnPosition(v, guarded);
            });
        }
    }
    QTimer timer_;
    std::set<const TfrmWait*> seen_;
    QPointer<TfrmWait> form_;
};

class AutoOrient : public ::testing::Test {
protected:
    void SetUp() override {
        // The real form, offscreen; forms released by earlier tests go first.
        TProgressWindow::SetUseForm(true);
        sys::SetProcessArguments({});
        Application()->ProcessMessages();
    }
    void TearDown() override {
        sys::SetProcessArguments({});
        TProgressWindow::SetUseForm(std::nullopt);
    }

    void Run(bool recurse = false, bool keepTimestamp = true, WindowHandle parent = nullptr) {
        AutoOrientFolder(dir.Path(), recurse, &language, keepTimestamp, parent);
    }
    // Photos with orientations 1, 3, 6, 8 and none.
    std::vector<Photo> FiveKinds() {
        std::vector<Photo> photos;
        unsigned seed = 1;
        for (int o : {1, 3, 6, 8, 0})
            photos.push_back(WritePhoto(dir.File(QString("o%1.jpg").arg(o)), o, 64, 48,
                                        Sampling::S420, seed++));
        return photos;
    }

    TempHome home;
    TempDir dir;
    ScopedDialogs dialogs;
    TLanguage language{nullptr};
};

TEST(AutoOrientationCode, TurnsOnlyTheThreeRotatedOrientations) {
    EXPECT_EQ(AutoOrientationCode(3), 2);
    EXPECT_EQ(AutoOrientationCode(6), 1);
    EXPECT_EQ(AutoOrientationCode(8), 3);
    for (TExifOrientation o : {0, 1, 2, 4, 5, 7, 9, 0x0300, 0x0600, 0xFFFF})
        EXPECT_EQ(AutoOrientationCode(o), 0) << o;
}

TEST_F(AutoOrient, YesTurnsTheRotatedPhotosAndLeavesTheOthersAlone) {
    const auto photos = FiveKinds();
    dialogs->Answer(IDYES);
    ProgressWatcher watcher;
    QWidget parent;
    Run(false, true, &parent);

    ASSERT_EQ(dialogs->boxes.size(), 1u);
    const ScriptedBox& box = dialogs->boxes[0];
    EXPECT_EQ(box.owner, nullptr);  // the desktop, not the parent handed on
    ASSERT_TRUE(box.caption.has_value());
    EXPECT_EQ(*box.caption, "Orlisk");
    EXPECT_EQ(box.type, 0x24u);
    EXPECT_EQ(box.text, S("Orlisk has detected 3 images that can be \r\n"
                          "automatically transformed to normal orientation.\r\n"
                          "\r\n"
                          "Would you like to transform them now?"));

    for (const Photo& p : photos) {
        if (p.orientation == 3 || p.orientation == 6 || p.orientation == 8)
            ExpectTurned(p);
        else
            ExpectUntouched(p);
    }
    EXPECT_EQ(watcher.windows, 1);
    EXPECT_EQ(watcher.positions, (std::vector<int>{1, 2, 3}));
    // Gone at once when the batch ends.
    ASSERT_TRUE(watcher.LastForm());
    EXPECT_FALSE(IsWindowVisible(watcher.LastForm()->Handle()));
}

TEST_F(AutoOrient, NoChangesNothingAndShowsNoProgress) {
    const auto photos = FiveKinds();
    dialogs->Answer(IDNO);
    ProgressWatcher watcher;
    Run();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].type, 0x24u);
    for (const Photo& p : photos) ExpectUntouched(p);
    QCoreApplication::processEvents();
    EXPECT_EQ(watcher.windows, 0);
    EXPECT_TRUE(watcher.positions.empty());
}

TEST_F(AutoOrient, SilentSwitchAsksNothingAndStillShowsProgress) {
    const auto photos = FiveKinds();
    sys::SetProcessArguments({"-auto", "/S", dir.Path()});
    ProgressWatcher watcher;
    Run(false, /*keepTimestamp=*/false);
    EXPECT_TRUE(dialogs->boxes.empty());
    for (const Photo& p : photos) {
        if (AutoOrientationCode(static_cast<TExifOrientation>(p.orientation)))
            ExpectTurned(p, /*timeKept=*/false);
        else
            ExpectUntouched(p);
    }
    EXPECT_EQ(watcher.windows, 1);
    EXPECT_EQ(watcher.positions, (std::vector<int>{1, 2, 3}));
}

TEST_F(AutoOrient, NothingToDoShowsOnlyTheNotice) {
    const Photo upright = WritePhoto(dir.File("up.jpg"), 1);
    const Photo none = WritePhoto(dir.File("none.jpg"), 0);
    const Photo mirrored = WritePhoto(dir.File("mirror.jpg"), 2);
    WriteFile(dir.File("text.jpg"), "not a photo");
    WritePhoto(dir.File("turned.png"), 6);  // not a JPEG name
    ProgressWatcher watcher;
    Run();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    const ScriptedBox& box = dialogs->boxes[0];
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption.value_or("<none>"), "Orlisk");
    EXPECT_EQ(box.type, 0x40u);
    EXPECT_EQ(box.text, kNotice);
    for (const Photo& p : {upright, none, mirrored}) ExpectUntouched(p);
    EXPECT_EQ(watcher.windows, 0);

    // With the silent switch nothing at all.
    dialogs->boxes.clear();
    sys::SetProcessArguments({"-s", "-auto", dir.Path()});
    Run();
    EXPECT_TRUE(dialogs->boxes.empty());

    // A folder that does not exist finds nothing either.
    sys::SetProcessArguments({});
    AutoOrientFolder(dir.File("missing"), true, &language, true, nullptr);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, kNotice);
}

TEST_F(AutoOrient, SubfoldersOnlyWithRecurseAndInScanOrder) {
    const Photo top = WritePhoto(dir.File("top.jpg"), 6);
    const Photo inner = WritePhoto(dir.File("sub/inner.jpg"), 8, 64, 48, Sampling::S420, 2);
    const Photo deep = WritePhoto(dir.File("sub/deeper/deep.JPEG"), 3, 64, 48, Sampling::S420, 3);

    dialogs->Answer(IDYES);
    Run(false);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, Question(1));
    ExpectTurned(top);
    ExpectUntouched(inner);
    ExpectUntouched(deep);

    // The scan order is the order of the transforms: watch which file turns at each step.
    const auto ordered = InScanOrder({inner, deep}, dir.Path() + "/sub", true);
    dialogs->boxes.clear();
    dialogs->Answer(IDYES);
    std::vector<QString> turnedAtStep;
    ProgressWatcher watcher;
    watcher.OnPosition = [&](int, TfrmWait*) {
        for (const Photo& p : ordered)
            if (ReadFile(p.path) != p.original &&
                std::find(turnedAtStep.begin(), turnedAtStep.end(), p.path) == turnedAtStep.end())
                turnedAtStep.push_back(p.path);
    };
    Application()->ProcessMessages();  // the first run's form goes
    Run(true);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, Question(2));  // top.jpg is upright now
    ASSERT_EQ(turnedAtStep.size(), 2u);
    EXPECT_EQ(turnedAtStep[0], ordered[0].path);
    EXPECT_EQ(turnedAtStep[1], ordered[1].path);
    ExpectTurned(inner);
    ExpectTurned(deep);
}

TEST_F(AutoOrient, FailureOnTheSecondOfFiveEndsTheBatchWithTheDriversMessage) {
    std::vector<Photo> photos;
    for (int i = 0; i < 5; ++i)
        photos.push_back(WritePhoto(dir.File(QString("f%1.jpg").arg(i)), 6, 64, 48,
                                    Sampling::S420, static_cast<unsigned>(i + 1)));
    photos = InScanOrder(photos, dir.Path(), false);
    ASSERT_EQ(photos.size(), 5u);
    // The second keeps its EXIF (orientation 6, so the filter keeps it) but loses most
    // of its image data.
    Photo& broken = photos[1];
    broken.original = broken.original.left(broken.original.size() / 3);
    WriteFile(broken.path, broken.original);
    SetTimes(broken.path, kOldTime, kOldNsec);
    ASSERT_EQ(GetFileOrientation(broken.path), 6);

    sys::SetProcessArguments({"-s", "-auto", dir.Path()});
    ProgressWatcher watcher;
    QString message;
    try {
        Run();
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, "Unable to rotate the image: " + sys::ExtractFileName(broken.path));
    ExpectTurned(photos[0]);
    for (size_t i = 1; i < photos.size(); ++i) ExpectUntouched(photos[i]);
    EXPECT_EQ(watcher.positions, (std::vector<int>{1}));
    ASSERT_TRUE(watcher.LastForm());
    EXPECT_FALSE(IsWindowVisible(watcher.LastForm()->Handle()));
}

TEST_F(AutoOrient, CancelAfterTheSecondOfFiveKeepsTwoTurnedAndReturns) {
    std::vector<Photo> photos;
    for (int i = 0; i < 5; ++i)
        photos.push_back(WritePhoto(dir.File(QString("c%1.jpg").arg(i)), i % 2 ? 8 : 3, 64, 48,
                                    Sampling::S420, static_cast<unsigned>(i + 1)));
    photos = InScanOrder(photos, dir.Path(), false);
    dialogs->Answer(IDYES);
    ProgressWatcher watcher;
    watcher.OnPosition = [](int position, TfrmWait* form) {
        if (position == 2) form->btnCancel->Click();  // as the user would, between files
    };
    Run();
    EXPECT_EQ(watcher.positions, (std::vector<int>{1, 2}));
    ExpectTurned(photos[0]);
    ExpectTurned(photos[1]);
    for (size_t i = 2; i < photos.size(); ++i) ExpectUntouched(photos[i]);
    EXPECT_EQ(dialogs->boxes.size(), 1u);  // no message after the cancel
}

TEST_F(AutoOrient, CancelBeforeTheFirstFileTurnsNothing) {
    const auto photos = FiveKinds();
    sys::SetProcessArguments({"-s", "-auto", dir.Path()});
    ProgressWatcher watcher;
    // Clicked while the label is set, before the loop: its first cancel test, ahead of
    // the first transform, ends it.
    watcher.OnShown = [](TfrmWait* form) { form->btnCancel->Click(); };
    Run();
    EXPECT_EQ(watcher.windows, 1);
    EXPECT_TRUE(watcher.positions.empty());
    for (const Photo& p : photos) ExpectUntouched(p);
}

TEST_F(AutoOrient, FileGoneBeforeItsTurnGetsNoStep) {
    std::vector<Photo> photos;
    for (int i = 0; i < 4; ++i)
        photos.push_back(WritePhoto(dir.File(QString("g%1.jpg").arg(i)), 6, 64, 48,
                                    Sampling::S420, static_cast<unsigned>(i + 1)));
    photos = InScanOrder(photos, dir.Path(), false);
    sys::SetProcessArguments({"-s", "-auto", dir.Path()});
    ProgressWatcher watcher;
    // After the first file: the third disappears, and a folder takes its name.
    watcher.OnPosition = [&](int position, TfrmWait*) {
        if (position != 1) return;
        QFile::remove(photos[2].path);
        QDir().mkdir(photos[2].path);
    };
    Run();
    EXPECT_EQ(watcher.positions, (std::vector<int>{1, 2, 3}));  // the bar stops short of 4
    ExpectTurned(photos[0]);
    ExpectTurned(photos[1]);
    ExpectTurned(photos[3]);
}

TEST_F(AutoOrient, PhotoUprightSinceTheQuestionIsNotTurnedButCounts) {
    const auto photos = InScanOrder(
        {WritePhoto(dir.File("u0.jpg"), 6, 64, 48, Sampling::S420, 1),
         WritePhoto(dir.File("u1.jpg"), 8, 64, 48, Sampling::S420, 2)},
        dir.Path(), false);
    const Photo changed = WritePhoto(photos[0].path + ".tmp", 1, 64, 48, Sampling::S420, 3);
    dialogs->Answer(IDYES);
    dialogs->OnBox = [&](const ScriptedBox&) {
        ASSERT_EQ(std::rename(QFile::encodeName(changed.path).constData(),
                              QFile::encodeName(photos[0].path).constData()),
                  0);
    };
    ProgressWatcher watcher;
    Run();
    EXPECT_EQ(ReadFile(photos[0].path), changed.original);
    ExpectTurned(photos[1]);
    EXPECT_EQ(watcher.positions, (std::vector<int>{1, 2}));
}

TEST_F(AutoOrient, DriverQuestionsAreOwnedByTheParentAndADeclinedFileIsPassedOver) {
    const Photo readOnly = WritePhoto(dir.File("ro.jpg"), 6, 64, 48, Sampling::S420, 1);
    const Photo normal = WritePhoto(dir.File("rw.jpg"), 3, 64, 48, Sampling::S420, 2);
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly.path).constData(), 0444), 0);
    dialogs->Answer(IDYES);  // the batch's question
    dialogs->Answer(IDNO);   // the driver's read-only question
    QWidget parent;
    Run(false, true, &parent);
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[0].owner, nullptr);
    EXPECT_EQ(dialogs->boxes[1].owner, &parent);
    EXPECT_TRUE(dialogs->boxes[1].text.contains("read-only"));
    ExpectUntouched(readOnly);
    ExpectTurned(normal);
}

TEST_F(AutoOrient, BoxesUseTheTranslationsAndFillThemAfterwards) {
    WritePhoto(dir.File("t.jpg"), 6);
    const QString file = dir.File("de.lng");
    WriteFile(file, S("[Messages]\n"
                      "%s has detected %u images that can be automatically transformed to "
                      "normal orientation.=%s hat %u Bilder gefunden.\n"
                      "Would you like to transform them now?=Jetzt drehen?\n")
                        .toUtf8());
    language.SetLanguageFile(file);
    dialogs->Answer(IDNO);
    Run();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, S("Orlisk hat 1 Bilder gefunden.\r\n\r\nJetzt drehen?"));
}

// ---- the oracle run: twenty photos of every kind, in a tree --------------------------

std::vector<Photo> MakeOracleFolder(const QString& root) {
    const int orientations[] = {1, 3, 6, 8, 0};
    const int sizes[][2] = {{64, 48}, {70, 37}, {101, 64}, {48, 96}, {33, 21}};
    const Sampling samplings[] = {Sampling::S420, Sampling::S422, Sampling::S444, Sampling::Grey};
    std::vector<Photo> photos;
    for (int i = 0; i < 20; ++i) {
        const QString folder = i < 12 ? root : (i < 17 ? root + "/sub" : root + "/sub/more");
        const QString name = QString(i % 3 ? "photo %1.jpg" : "IMG_%1.JPG").arg(i);
        const auto& size = sizes[i % 5 == 0 ? (i / 5) % 5 : i % 5];
        photos.push_back(WritePhoto(folder + "/" + name, orientations[i % 5], size[0], size[1],
                                    samplings[i % 4], static_cast<unsigned>(i + 7)));
    }
    return photos;
}

void ExpectOracle(const std::vector<Photo>& photos) {
    int turned = 0;
    for (const Photo& p : photos) {
        if (AutoOrientationCode(static_cast<TExifOrientation>(p.orientation))) {
            ExpectTurned(p);
            ++turned;
        } else {
            ExpectUntouched(p);
        }
    }
    EXPECT_EQ(turned, 12);
}

TEST_F(AutoOrient, OracleRunOfTwentyPhotosInATree) {
    const auto photos = MakeOracleFolder(dir.Path());
    sys::SetProcessArguments({"-autosub", "-s", dir.Path()});
    Run(true);
    EXPECT_TRUE(dialogs->boxes.empty());
    ExpectOracle(photos);
}

TEST(AutoOrientProcess, OracleRunThroughTheCommandLine) {
    const QString exe = OrliskExe();
    if (exe.isEmpty() || !QFile::exists(exe)) GTEST_SKIP() << "the orlisk program is not built";
    TempHome home;
    TempDir dir;
    const auto photos = MakeOracleFolder(dir.Path());
    const ProcessResult r = testsupport::Run(exe, {"-autosub", "-s", dir.Path()}, home.Env());
    ASSERT_FALSE(r.crashed) << r.err.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ExpectOracle(photos);
}

}  // namespace
