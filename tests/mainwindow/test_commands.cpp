// Commands on the selection, on real photos in the real window offscreen: view,
// rotate and flip (checked against jpegtran), delete to the trash.

#include "commands_fixture.h"

#include "tests/support/oracle.h"

#include "platform/system/sysutils.h"
#include "platform/vcl/actions.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls_extra.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <map>
#include <sys/mount.h>
#include <unistd.h>

using namespace testsupport;

namespace {

// Stands in for the desktop: records the files it was asked to open.
class Desktop : public QObject {
    Q_OBJECT
public:
    Desktop() { QDesktopServices::setUrlHandler("file", this, "open"); }
    ~Desktop() override { QDesktopServices::unsetUrlHandler("file"); }
    QStringList opened;
public slots:
    void open(const QUrl& url) { opened.append(url.toLocalFile()); }
};

// What the transform of `code` makes of `original`, as jpegtran does it.
Pixels Expected(const QByteArray& original, int code) {
    return Decode(Jpegtran(JpegtranArgs(code), original));
}

class CommandsTest : public PhotosTest {
protected:
    // The bytes of every photo before the command.
    std::map<QString, QByteArray> Snapshot(int count) const {
        std::map<QString, QByteArray> bytes;
        for (int i = 0; i < count; ++i) bytes[Photo(i)] = ReadFile(Photo(i));
        return bytes;
    }
    QString TrashFile(const QString& name) const {
        return home.DataHome() + "/Trash/files/" + name;
    }
    QString CannotOpen(const QString& name) const {
        return QStringLiteral("Cannot open \"%1\". The file or folder has been moved or deleted.").arg(name);
    }
};

}  // namespace

TEST_F(CommandsTest, TheFiveActionsPassTheirCodesAndMatchJpegtran) {
    struct Row {
        TAction* TFormOrlisk::*action;
        int code;
    };
    const Row rows[] = {{&TFormOrlisk::ActionRotateLeft, 3}, {&TFormOrlisk::ActionRotateRight, 1},
                        {&TFormOrlisk::ActionRotate180, 2}, {&TFormOrlisk::ActionFlipVer, 4},
                        {&TFormOrlisk::ActionFlipHor, 5}};
    Show(5, 5);
    for (int i = 0; i < 5; ++i) {
        TAction* action = form->*rows[i].action;
        SCOPED_TRACE(action->Name().toStdString());
        EXPECT_EQ(action->Tag(), rows[i].code);
        const QByteArray before = ReadFile(Photo(i));
        Select(i, 0, i, 0);
        ASSERT_TRUE(action->Execute());
        EXPECT_EQ(Decode(ReadFile(Photo(i))), Expected(before, rows[i].code));
    }
    EXPECT_TRUE(dialogs->boxes.empty());
}

TEST_F(CommandsTest, ASelectionIsTransformedRowByRowEachThumbnailRemadeAfterItsFile) {
    // 60 pixels wide: every photo asks about cropping, which lets the test look at
    // the state of all photos at the moment each one is about to be transformed.
    Show(12, 4, 60, 48);
    const auto before = Snapshot(12);
    MarkThumbnails();
    Select(1, 1, 3, 2);  // 2 rows x 3 columns: entries 5, 6, 7, 9, 10, 11
    const std::vector<int> selected = {5, 6, 7, 9, 10, 11};

    QStringList order;
    dialogs->OnBox = [&](const ScriptedBox& box) {
        const int k = static_cast<int>(order.size());
        order.append(box.text.section('"', 0, 0).section(' ', 2, 2));
        for (int j = 0; j < 6; ++j) {
            const int entry = selected[static_cast<size_t>(j)];
            const bool done = j < k;
            EXPECT_EQ(ReadFile(Photo(entry)) != before.at(Photo(entry)), done) << "entry " << entry;
            EXPECT_EQ(Remade(entry), done) << "entry " << entry;
        }
        dialogs->Answer(IDOK);
    };
    form->ActionRotateRight->Execute();
    EXPECT_EQ(order, QStringList({"p05.jpg", "p06.jpg", "p07.jpg", "p09.jpg", "p10.jpg", "p11.jpg"}));
    for (int i = 0; i < 12; ++i) {
        const bool isSelected = std::count(selected.begin(), selected.end(), i) > 0;
        if (isSelected)
            EXPECT_EQ(Decode(ReadFile(Photo(i))), Expected(before.at(Photo(i)), 1)) << i;
        else
            EXPECT_EQ(ReadFile(Photo(i)), before.at(Photo(i))) << i;
    }
    // The grid's selection did not move; FileName is the last visited photo.
    EXPECT_EQ(form->DrawGrid->Selection(), (TGridRect{1, 1, 3, 2}));
    EXPECT_EQ(FileName(), Photo(11));
}

TEST_F(CommandsTest, EmptyCellsArePassedOverByRotateAndDelete) {
    Show(6, 4);  // row 1 holds entries 4 and 5
    const auto before = Snapshot(6);
    Select(1, 1, 3, 2);  // only entry 5 is a photo
    form->ActionFlipHor->Execute();
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_EQ(Decode(ReadFile(Photo(5))), Expected(before.at(Photo(5)), 5));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadFile(Photo(i)), before.at(Photo(i)));

    form->pmiDeleteConfirm->SetChecked(false);
    form->ActionDelete->Execute();
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_FALSE(QFile::exists(Photo(5)));
    EXPECT_TRUE(QFile::exists(TrashFile("p05.jpg")));
    EXPECT_EQ(Images()->Count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(QFile::exists(Photo(i)));
}

TEST_F(CommandsTest, ARotateKeepsToTheSelectedPhotosWhenAThumbnailDropsOut) {
    Show(5, 5, 60, 48);
    const auto before = Snapshot(5);
    Select(0, 0, 3, 0);  // p00..p03; p04 stands right behind the selection
    QStringList asked;
    dialogs->OnBox = [&](const ScriptedBox& box) {
        const QString name = box.text.section('"', 0, 0).section(' ', 2, 2);
        asked.append(name);
        if (name == "p01.jpg") {
            // The photo goes while its question is open: its thumbnail cannot be
            // made again and the photos behind it move one cell back.
            QFile::remove(Photo(1));
            dialogs->Answer(IDCANCEL);
        } else {
            dialogs->Answer(IDOK);
        }
    };
    form->ActionRotateLeft->Execute();
    EXPECT_EQ(asked, QStringList({"p00.jpg", "p01.jpg", "p02.jpg", "p03.jpg"}));
    EXPECT_EQ(Decode(ReadFile(Photo(3))), Expected(before.at(Photo(3)), 3));
    EXPECT_EQ(ReadFile(Photo(4)), before.at(Photo(4)));
    EXPECT_EQ(Images()->Count(), 4);
    EXPECT_EQ(FileCountPanel(), "4 file(s)");
}

TEST_F(CommandsTest, ATransformFailingOnTheSecondOfFourStopsThereAndNamesIt) {
    Show(4, 4);
    const auto before = Snapshot(4);
    MarkThumbnails();
    WriteFile(Photo(1), "no JPEG any more");
    Select(0, 0, 3, 0);
    form->ActionRotate180->Execute();

    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, "Unable to rotate the image: p01.jpg");
    EXPECT_EQ(dialogs->boxes[0].type & MB_ICONMASK, unsigned{MB_ICONERROR});
    EXPECT_EQ(Decode(ReadFile(Photo(0))), Expected(before.at(Photo(0)), 2));
    EXPECT_TRUE(Remade(0));
    EXPECT_FALSE(Remade(1));
    EXPECT_EQ(ReadFile(Photo(1)), "no JPEG any more");
    EXPECT_EQ(ReadFile(Photo(2)), before.at(Photo(2)));
    EXPECT_EQ(ReadFile(Photo(3)), before.at(Photo(3)));
    EXPECT_FALSE(Remade(2));
    EXPECT_FALSE(Remade(3));
}

TEST_F(CommandsTest, AFileShownInSeveralCellsIsTurnedOnceAndTrashedOnce) {
    MakePhotos(2);
    const auto before = Snapshot(2);
    // Second names: a hard link to p00, a symbolic link to p01.
    const QString hard = folder + "/p00-hard.jpg", link = folder + "/p01-link.jpg";
    ASSERT_EQ(::link(QFile::encodeName(Photo(0)).constData(), QFile::encodeName(hard).constData()), 0);
    ASSERT_EQ(::symlink("p01.jpg", QFile::encodeName(link).constData()), 0);
    form->DrawGrid->SetColCount(4);
    CommandsTestAccess::LoadFolder(*form, folder);
    ASSERT_EQ(Images()->Count(), 4);
    MarkThumbnails();
    Select(0, 0, 3, 0);
    form->ActionRotateRight->Execute();
    EXPECT_TRUE(dialogs->boxes.empty());
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Decode(ReadFile(Photo(i))), Expected(before.at(Photo(i)), 1)) << i;
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Remade(i)) << i;

    // A cell naming p00's entry by another path, as a folder reached again through a
    // link gave: the entry goes to the trash once, the other names of the file too.
    ASSERT_TRUE(QFile::remove(link));
    CommandsTestAccess::LoadFolder(*form, folder);
    ASSERT_EQ(Images()->Count(), 3);
    Images()->AddObject(folder + "/../photos/p00.jpg", new Marker);
    form->pmiDeleteConfirm->SetChecked(false);
    Select(0, 0, 3, 0);
    form->ActionDelete->Execute();
    EXPECT_TRUE(dialogs->boxes.empty()) << dialogs->boxes[0].text.toStdString();
    EXPECT_EQ(Images()->Count(), 0);
    for (const char* name : {"p00.jpg", "p00-hard.jpg", "p01.jpg"})
        EXPECT_TRUE(QFile::exists(TrashFile(name))) << name;
}

TEST_F(CommandsTest, ViewOpensThePhotoOrWarnsThatItIsGone) {
    Desktop desktop;
    Show(6, 4);
    Select(2, 0, 2, 0);
    bool canSelect = true;
    form->DrawGridSelectCell(form->DrawGrid, 2, 0, canSelect);
    EXPECT_TRUE(form->ActionOpen->Execute());
    EXPECT_EQ(desktop.opened, QStringList{Photo(2)});
    EXPECT_TRUE(dialogs->boxes.empty());

    // The selection starts on a photo, but the cell visited last holds none.
    Select(1, 1, 3, 1);
    form->DrawGridSelectCell(form->DrawGrid, 3, 1, canSelect);
    ASSERT_TRUE(FileName().isEmpty());
    EXPECT_TRUE(form->ActionOpen->Execute());
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, CannotOpen(""));
    EXPECT_EQ(dialogs->boxes[0].caption, std::nullopt);
    EXPECT_EQ(dialogs->boxes[0].type, unsigned{MB_OK | MB_ICONWARNING});

    // A photo removed behind the window's back is named without its folder.
    form->DrawGridSelectCell(form->DrawGrid, 1, 1, canSelect);
    QFile::remove(Photo(5));
    form->ActionOpen->Execute();
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[1].text, CannotOpen("p05.jpg"));
    EXPECT_EQ(desktop.opened.size(), 1u);
}

TEST_F(CommandsTest, DeleteWithoutConfirmationAsksNothingAndUpdatesRowsAndCount) {
    Show(12, 4);
    form->pmiDeleteConfirm->SetChecked(false);
    Select(0, 1, 3, 1);  // p04..p07
    form->ActionDelete->Execute();
    EXPECT_EQ(Images()->Count(), 8);
    Select(0, 1, 0, 1);  // p08 has moved up into the row
    form->ActionDelete->Execute();
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_EQ(Images()->Count(), 7);
    EXPECT_EQ(form->DrawGrid->RowCount(), 2);
    EXPECT_EQ(FileCountPanel(), "7 file(s)");
    for (int i : {4, 5, 6, 7, 8}) {
        EXPECT_FALSE(QFile::exists(Photo(i)));
        EXPECT_TRUE(QFile::exists(TrashFile(QStringLiteral("p%1.jpg").arg(i, 2, 10, QChar(u'0')))));
    }
    // The photos behind moved up; the remaining ones are all still there.
    EXPECT_EQ(Shown(),
              QStringList({Photo(0), Photo(1), Photo(2), Photo(3), Photo(9), Photo(10), Photo(11)}));
    EXPECT_TRUE(QFile::exists(home.DataHome() + "/Trash/info/p04.jpg.trashinfo"));

    // Deleting all of them leaves one empty row.
    Select(0, 0, 3, 1);
    form->ActionDelete->Execute();
    EXPECT_EQ(Images()->Count(), 0);
    EXPECT_EQ(form->DrawGrid->RowCount(), 1);
    EXPECT_EQ(FileCountPanel(), "0 file(s)");
    EXPECT_TRUE(QDir(folder).isEmpty());
    EXPECT_TRUE(FileName().isEmpty());
}

TEST_F(CommandsTest, DeleteWithConfirmationAsksOnceAndADeclineKeepsEverything) {
    Show(6, 3);
    form->pmiDeleteConfirm->SetChecked(true);
    Select(0, 0, 2, 1);
    MarkThumbnails();
    form->DrawGrid->SetRowCount(7);  // the row count is set again all the same
    form->ActionDelete->Execute();  // the script is empty: No
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].kind, ScriptedBox::Trash);
    EXPECT_EQ(dialogs->boxes[0].text, "Do you want to move these 6 photos to the trash?");
    EXPECT_EQ(dialogs->boxes[0].caption, QString("Orlisk"));
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(QFile::exists(Photo(i)));
        EXPECT_FALSE(Remade(i));
    }
    EXPECT_EQ(form->DrawGrid->RowCount(), 2);

    // One photo is named.
    dialogs->boxes.clear();
    dialogs->Answer(IDYES);
    Select(1, 0, 1, 0);
    form->ActionDelete->Execute();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, "Do you want to move \"p01.jpg\" to the trash?");
    EXPECT_FALSE(QFile::exists(Photo(1)));
    EXPECT_EQ(Images()->Count(), 5);
    // The current cell now shows the photo behind it, and the commands act on that.
    EXPECT_EQ(FileName(), Photo(2));
}

TEST_F(CommandsTest, APhotoThatCannotBeTrashedStaysAndTheUserIsToldWhich) {
    Show(4, 4);
    form->pmiDeleteConfirm->SetChecked(false);
    // No trash can be made in this home.
    QDir(home.DataHome()).removeRecursively();
    WriteFile(home.DataHome(), "");
    MarkThumbnails();
    Select(1, 0, 2, 0);
    form->ActionDelete->Execute();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    const QString text = dialogs->boxes[0].text;
    EXPECT_TRUE(text.startsWith("These photos could not be moved to the trash and stay where they are:"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\r\np01.jpg: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("\r\np02.jpg: ")) << text.toStdString();
    EXPECT_FALSE(text.contains("p00.jpg"));
    EXPECT_EQ(dialogs->boxes[0].type, unsigned{MB_OK | MB_ICONWARNING});
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(QFile::exists(Photo(i)));
        EXPECT_FALSE(Remade(i));
    }
    EXPECT_EQ(FileCountPanel(), "4 file(s)");
}

TEST_F(CommandsTest, OnlyThePhotoThatCannotBeTrashedStays) {
    if (!RunningAsRoot()) GTEST_SKIP() << "mounting a read-only file system needs root; skipped";
    // A memory card mounted read-only: no trash can be made on it.
    const QString card = folder + "/card";
    QDir().mkpath(card);
    const QByteArray mountPoint = QFile::encodeName(card);
    if (::mount("orlisk-test", mountPoint.constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here; skipped";
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{mountPoint};
    WriteFile(card + "/c.jpg", MakeJpeg({}));
    ASSERT_EQ(::mount("orlisk-test", mountPoint.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
    MakePhotos(2);
    form->cbSubFolders->SetChecked(true);
    form->DrawGrid->SetColCount(3);
    CommandsTestAccess::LoadFolder(*form, folder);
    ASSERT_EQ(Shown(), QStringList({card + "/c.jpg", Photo(0), Photo(1)}));
    MarkThumbnails();
    form->pmiDeleteConfirm->SetChecked(false);
    Select(0, 0, 1, 0);
    form->ActionDelete->Execute();

    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_TRUE(dialogs->boxes[0].text.endsWith("\r\n\r\nc.jpg: " + QString::fromLocal8Bit(std::strerror(EROFS))))
        << dialogs->boxes[0].text.toStdString();
    EXPECT_EQ(Shown(), QStringList({card + "/c.jpg", Photo(1)}));
    EXPECT_FALSE(Remade(0));
    EXPECT_FALSE(QFile::exists(Photo(0)));
    EXPECT_TRUE(QFile::exists(TrashFile("p00.jpg")));
    EXPECT_EQ(FileCountPanel(), "2 file(s)");
}

#include "test_commands.moc"
