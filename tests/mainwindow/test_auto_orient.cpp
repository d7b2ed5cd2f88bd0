// "Automatic" from the toolbar on real photos in a real folder, with the real grid,
// the progress window offscreen and scripted boxes. Turned photos are checked
// against jpegtran and exiftool.
#include "grid_fixture.h"

#include "engine/common.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/toolbar.h"
#include "progress/frm_wait.h"
#include "translation/lang.h"
#include "tests/support/oracle.h"

#include <QDir>
#include <QToolButton>
#include <QThread>
#include <algorithm>
#include <sys/stat.h>

using namespace testsupport;

namespace {

struct FileState {
    QByteArray bytes;
    struct timespec ctime {};
};
FileState StateOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return {ReadFile(path), st.st_ctim};
}
// Same bytes, and not even opened for writing (any write or rename moves the ctime).
bool Untouched(const FileState& a, const FileState& b) {
    return a.bytes == b.bytes && a.ctime.tv_sec == b.ctime.tv_sec &&
           a.ctime.tv_nsec == b.ctime.tv_nsec;
}

// The jpegtran arguments that turn a photo of this orientation upright.
QStringList Upright(int orientation) {
    const QString angle = orientation == 6 ? "90" : orientation == 3 ? "180" : "270";
    return {"-rotate", angle, "-trim", "-copy", "all"};
}

}  // namespace

class AutoOrientTest : public GridTest {
protected:
    // A 64 x 48 photo whose EXIF orientation is `orientation` (0: no tag).
    QString Oriented(const QString& name, uint16_t orientation, unsigned seed = 1) {
        const QString path = folder.File(name);
        WriteFile(path, MakeExifJpeg(64, 48, orientation, false, Sampling::S420, seed));
        return path;
    }
    // A click on the button, as the user makes it (failures go to the error box).
    void ClickAuto() {
        form->tbAuto->Button()->click();
        Pump();
    }
    // The one box shown so far; the record is cleared.
    ScriptedBox TakeBox() {
        EXPECT_EQ(dialogs->boxes.size(), 1u);
        ScriptedBox box = dialogs->boxes.empty() ? ScriptedBox{} : dialogs->boxes.front();
        dialogs->boxes.clear();
        return box;
    }
    // The photo turned upright exactly as jpegtran turns the original, orientation 1.
    void ExpectTurned(const QString& path, const QByteArray& original, int orientation) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(Decode(ReadFile(path)), Decode(Jpegtran(Upright(orientation), original)));
        const auto orientations = ExiftoolOrientations(path);
        EXPECT_FALSE(orientations.empty());
        for (const auto& [group, value] : orientations) EXPECT_EQ(value, 1) << group.toStdString();
    }
    // Whether the grid's thumbnail of the photo is upright for a turned 64 x 48 photo.
    bool PortraitThumbnail(const QString& path) {
        const int i = Images().IndexOf(path);
        auto* thumb = i >= 0 ? static_cast<TGPImage*>(Images().Objects(i)) : nullptr;
        return thumb && thumb->GetHeight() > thumb->GetWidth();
    }
    // Lets the window's pending repaints and timers run out.
    void Settle() {
        for (int i = 0; i < 4; ++i) {
            Pump();
            QThread::msleep(100);
        }
        Pump();
    }
    TfrmWait* ProgressForm() const {
        auto* wait = qobject_cast<TfrmWait*>(FindWindowByClassName(QStringLiteral("TfrmWait")));
        return wait && wait->Visible() ? wait : nullptr;
    }
};

TEST_F(AutoOrientTest, AsksOnceAndTurnsOnlyTheTurnedPhotos) {
    const QString upright = Oriented("a_upright.jpg", 1, 1);
    const QString right = Oriented("b_right.jpg", 6, 2);
    const QString left = Oriented("c_left.jpg", 8, 3);
    const QString none = Oriented("d_none.jpg", 0, 4);
    ShowWindow();
    Load();
    const QByteArray rightBefore = ReadFile(right), leftBefore = ReadFile(left);
    const FileState uprightBefore = StateOf(upright), noneBefore = StateOf(none);
    ASSERT_FALSE(PortraitThumbnail(right));

    dialogs->Answer(IDYES);
    ShownWindows shown(form->Handle());
    ClickAuto();

    const ScriptedBox question = TakeBox();
    EXPECT_EQ(question.text.toStdString(),
              AutoOrientQuestionText(nullptr, "Orlisk", 2).toStdString());
    EXPECT_TRUE(question.text.startsWith("Orlisk has detected 2 images"));
    EXPECT_EQ(question.caption, form->Caption());
    EXPECT_EQ(question.owner, form->Handle());
    EXPECT_EQ(question.type, 0x24u);
    EXPECT_EQ(shown.count, 1);  // the progress window
    EXPECT_FALSE(ProgressForm());

    // The 6 got code 1 (90 clockwise), the 8 code 3 (90 counter-clockwise).
    ExpectTurned(right, rightBefore, 6);
    ExpectTurned(left, leftBefore, 8);
    EXPECT_TRUE(Untouched(StateOf(upright), uprightBefore));
    EXPECT_TRUE(Untouched(StateOf(none), noneBefore));
    EXPECT_TRUE(PortraitThumbnail(right));
    EXPECT_TRUE(PortraitThumbnail(left));
    EXPECT_FALSE(PortraitThumbnail(upright));
    EXPECT_EQ(Images().Count(), 4);
}

TEST_F(AutoOrientTest, AnswerNoChangesNothing) {
    const QString right = Oriented("right.jpg", 6);
    ShowWindow();
    Load();
    const FileState state = StateOf(right);
    Settle();
    ShownWindows shown(form->Handle());
    Paints paints(Viewport());
    dialogs->Answer(IDNO);
    ClickAuto();
    EXPECT_EQ(TakeBox().type, 0x24u);
    EXPECT_EQ(shown.count, 0);
    EXPECT_EQ(paints.count, 0);
    EXPECT_TRUE(Untouched(StateOf(right), state));
    EXPECT_FALSE(PortraitThumbnail(right));
}

TEST_F(AutoOrientTest, NoMatchShowsOnlyTheNotice) {
    Oriented("upright.jpg", 1);
    Oriented("none.jpg", 0);
    ShowWindow();
    Load();
    ShownWindows shown(form->Handle());
    ClickAuto();
    const ScriptedBox notice = TakeBox();
    EXPECT_EQ(notice.text.toStdString(), AutoOrientNoticeText(nullptr, "Orlisk").toStdString());
    EXPECT_TRUE(notice.text.startsWith("Orlisk has not detected any images"));
    EXPECT_EQ(notice.caption, form->Caption());
    EXPECT_EQ(notice.owner, form->Handle());
    EXPECT_EQ(notice.type, 0x40u);
    EXPECT_EQ(shown.count, 0);
}

TEST_F(AutoOrientTest, NoFolderShownScansNothing) {
    // The working folder holds a turned photo: an empty folder name reaches neither it
    // nor the root.
    const QString turned = Oriented("turned.jpg", 6);
    const FileState state = StateOf(turned);
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(folder.Path());
    ShowWindow();
    ClickAuto();
    QDir::setCurrent(cwd);
    const ScriptedBox notice = TakeBox();
    EXPECT_EQ(notice.type, 0x40u);
    EXPECT_TRUE(notice.text.startsWith("Orlisk has not detected"));
    EXPECT_TRUE(Untouched(StateOf(turned), state));
}

TEST_F(AutoOrientTest, CancelKeepsWhatWasTurnedAndRefreshesTheGrid) {
    std::map<QString, QByteArray> originals;
    for (int i = 0; i < 4; ++i) {
        const QString path = Oriented(QStringLiteral("p%1.jpg").arg(i), 6, i + 1);
        originals[path] = ReadFile(path);
    }
    ShowWindow();
    Load();
    TStringList order;
    FindPhotosToTurn(folder.Path(), false, order);
    ASSERT_EQ(order.Count(), 4);

    // Cancel is clicked once two photos are turned: before the third one's turn.
    bool clicked = false;
    DuringLoad cancelAfterTwo([&] {
        TfrmWait* wait = ProgressForm();
        int turned = 0;
        for (const auto& [path, bytes] : originals) turned += ReadFile(path) != bytes ? 1 : 0;
        if (wait && turned == 2 && !clicked) {
            clicked = true;
            wait->btnCancel->Click();
        }
    });
    Paints paints(Viewport());
    dialogs->Answer(IDYES);
    ClickAuto();
    TakeBox();
    EXPECT_TRUE(clicked);
    for (int i = 0; i < 4; ++i) {
        const QString path = order.Strings(i);
        SCOPED_TRACE(path.toStdString());
        if (i < 2) {
            ExpectTurned(path, originals[path], 6);
            EXPECT_TRUE(PortraitThumbnail(path));
        } else {
            EXPECT_EQ(ReadFile(path), originals[path]);
            EXPECT_FALSE(PortraitThumbnail(path));
        }
    }
    EXPECT_GT(paints.count, 0);
    EXPECT_FALSE(ProgressForm());
}

TEST_F(AutoOrientTest, PhotosThatChangedSinceTheScan) {
    const QString first = Oriented("a.jpg", 6, 1);
    const QString second = Oriented("b.jpg", 6, 2);
    const QString dropped = Oriented("c.jpg", 8, 3);
    const QString keep = Oriented("d.jpg", 1, 4);
    ShowWindow();
    Load();
    ASSERT_EQ(Images().Count(), 4);
    // Added after the load: not in the grid.
    const QString added = Oriented("e_added.jpg", 3, 5);
    const QByteArray addedBefore = ReadFile(added);
    const QByteArray secondBefore = ReadFile(second);

    // While the question is open: the first photo is turned upright by someone else
    // (orientation 1, and a new picture), the third becomes unreadable.
    dialogs->OnBox = [&](const ScriptedBox&) {
        WriteFile(first, MakeExifJpeg(40, 80, 1, false, Sampling::S420, 9));
        WriteFile(dropped, "no longer a photo");
    };
    std::vector<int> positions;  // the bar at each pump
    DuringLoad watch([&] {
        if (TfrmWait* wait = ProgressForm()) positions.push_back(wait->ProgressBar->Position());
    });
    dialogs->Answer(IDYES);
    ClickAuto();
    EXPECT_TRUE(TakeBox().text.startsWith("Orlisk has detected 4 images"));

    // The first is not transformed, but its thumbnail is made anew and the bar moves.
    EXPECT_EQ(Decode(ReadFile(first)), Decode(MakeExifJpeg(40, 80, 1, false, Sampling::S420, 9)));
    EXPECT_TRUE(PortraitThumbnail(first));
    // Every photo still there stepped the bar, the unchanged one included.
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(*std::max_element(positions.begin(), positions.end()), 4);
    ExpectTurned(second, secondBefore, 6);
    ExpectTurned(added, addedBefore, 3);
    // The unreadable one dropped out; rows and the file count follow.
    EXPECT_EQ(Images().IndexOf(dropped), -1);
    EXPECT_EQ(Images().IndexOf(added), -1);
    EXPECT_EQ(Images().Count(), 3);
    EXPECT_EQ(Panel(1), "3 file(s)");
    const int cols = form->DrawGrid->ColCount();
    EXPECT_EQ(form->DrawGrid->RowCount(), std::max(1, (3 + cols - 1) / cols));
    EXPECT_EQ(Images().IndexOf(keep), 2);
}

TEST_F(AutoOrientTest, SubfoldersInTheScansOrder) {
    QDir(folder.Path()).mkpath("sub/deeper");
    const QString top = Oriented("top.jpg", 6, 1);
    const QString sub = Oriented("sub/s.jpg", 3, 2);
    const QString deeper = Oriented("sub/deeper/d.jpg", 8, 3);
    std::map<QString, QByteArray> originals = {
        {top, ReadFile(top)}, {sub, ReadFile(sub)}, {deeper, ReadFile(deeper)}};
    ShowWindow();
    form->cbSubFolders->SetChecked(true);  // after the start, which reads the setting
    Load();
    TStringList order;
    FindPhotosToTurn(folder.Path(), true, order);
    ASSERT_EQ(order.Count(), 3);

    // Which photos are turned at each pump of the loop: the order of the turns.
    QStringList turned;
    DuringLoad watch([&] {
        if (!ProgressForm()) return;
        for (const auto& [path, bytes] : originals)
            if (!turned.contains(path) && ReadFile(path) != bytes) turned << path;
    });
    dialogs->Answer(IDYES);
    ClickAuto();
    EXPECT_TRUE(TakeBox().text.startsWith("Orlisk has detected 3 images"));
    for (const auto& [path, bytes] : originals)
        if (!turned.contains(path) && ReadFile(path) != bytes) turned << path;
    EXPECT_EQ(turned, order.ToQStringList());
    ExpectTurned(top, originals[top], 6);
    ExpectTurned(sub, originals[sub], 3);
    ExpectTurned(deeper, originals[deeper], 8);

    // Without "Include subfolders" only the shown folder counts.
    form->cbSubFolders->SetChecked(false);
    Oriented("sub/again.jpg", 6);
    dialogs->boxes.clear();
    ClickAuto();
    EXPECT_EQ(TakeBox().type, 0x40u);
}

TEST_F(AutoOrientTest, AFailureEndsTheBatchInTheErrorBox) {
    Oriented("a.jpg", 6, 1);
    Oriented("b.jpg", 6, 2);
    Oriented("c.jpg", 6, 3);
    ShowWindow();
    Load();
    TStringList order;
    FindPhotosToTurn(folder.Path(), false, order);
    ASSERT_EQ(order.Count(), 3);
    // The second in the scan's order has its scan data cut: its header and orientation
    // read, its transform fails.
    const QString good = order.Strings(0), bad = order.Strings(1), later = order.Strings(2);
    const QByteArray goodBefore = ReadFile(good), laterBefore = ReadFile(later);
    const QByteArray whole = ReadFile(bad);
    WriteFile(bad, whole.left(whole.size() - 200));
    dialogs->Answer(IDYES);
    Paints paints(Viewport());
    ClickAuto();
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[1].text.toStdString(),
              "Unable to rotate the image: " + QFileInfo(bad).fileName().toStdString());
    EXPECT_EQ(dialogs->boxes[1].type & MB_ICONMASK, unsigned{MB_ICONERROR});
    dialogs->boxes.clear();
    ExpectTurned(good, goodBefore, 6);
    EXPECT_TRUE(PortraitThumbnail(good));
    EXPECT_EQ(ReadFile(later), laterBefore);
    EXPECT_GT(paints.count, 0);
    EXPECT_FALSE(ProgressForm());
}

TEST_F(AutoOrientTest, SpeaksTheWindowsLanguageButNamesItselfByTheCaption) {
    const QString right = Oriented("right.jpg", 6);
    const QString lng = folder.File("test.lng.txt");
    WriteFile(lng,
              "[Messages]\n"
              "%s has detected %u images that can be automatically transformed to normal "
              "orientation.=%s hat %u Bilder gefunden.\n"
              "Would you like to transform them now?=Jetzt drehen?\n"
              "Transformation is in progress...=Wird gedreht...\n"
              "%s has not detected any images that can be transformed automatically.=%s hat "
              "nichts gefunden.\n");
    form->Language->SetLanguageFile(lng);
    ShowWindow();
    Load();
    QStringList labels;
    DuringLoad watch([&] {
        if (TfrmWait* wait = ProgressForm()) labels << wait->lblInfo->Caption();
    });
    dialogs->Answer(IDYES);
    ClickAuto();
    const ScriptedBox question = TakeBox();
    EXPECT_EQ(question.text.toStdString(), "Orlisk hat 1 Bilder gefunden.\r\n\r\nJetzt drehen?");
    EXPECT_EQ(question.caption.value_or(QString()).toStdString(), "Orlisk");
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_EQ(labels.last().toStdString(), "Wird gedreht...");
    EXPECT_TRUE(PortraitThumbnail(right));

    ClickAuto();  // nothing left to turn
    const ScriptedBox notice = TakeBox();
    EXPECT_EQ(notice.text.toStdString(), "Orlisk hat nichts gefunden.");
    EXPECT_EQ(notice.caption.value_or(QString()).toStdString(), "Orlisk");
}
