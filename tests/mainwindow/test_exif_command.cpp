// "Display EXIF" from the main window: the selected photo's dialog, and the warning
// for a photo that is gone.
#include "grid_fixture.h"

#include "platform/vcl/listview.h"
#include "platform/vcl/stdctrls.h"

#include <QTimer>

using namespace testsupport;

// The window made as window mode makes it, so it is the application's main form,
// over which the dialog centres.
class ExifCommandTest : public GridTest {
protected:
    void SetUp() override {
        TProgressWindow::SetUseForm(true);
        Application()->SetTitle(QStringLiteral("Orlisk"));
        form = Application()->CreateForm<TFormOrlisk>();
        ASSERT_EQ(Application()->MainForm(), form);
    }
};

TEST_F(ExifCommandTest, TheSelectedPhotosDialogCentredOverTheWindow) {
    WriteFile(folder.File("cam.jpg"), MakeExifJpeg(64, 48, 6));
    ShowWindow();
    Load();
    ASSERT_EQ(Grid::FileName(*form), folder.File("cam.jpg"));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        TForm* dialog = FindWindowByClassName(QStringLiteral("TFormExif"));
        ASSERT_TRUE(dialog && dialog->Visible());
        seen = true;
        EXPECT_EQ(dialog->Owner(), Application());
        const QPoint centre = dialog->Handle()->frameGeometry().center();
        EXPECT_LE((centre - form->Handle()->frameGeometry().center()).manhattanLength(), 2);
        auto* list = qobject_cast<TListView*>(dialog->FindComponent("ListView"));
        bool orientation = false;
        for (int i = 0; i < list->Items()->Count(); ++i)
            orientation |= list->Items()->Item(i)->SubItems()->Strings(0) ==
                           "Right-hand side/top (Rotate 90 CW)";
        EXPECT_TRUE(orientation);
        qobject_cast<TButton*>(dialog->FindComponent("btnOk"))->Click();
    });
    form->ActionDisplayExif->Execute();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(dialogs->boxes.empty());
    Pump();
}

TEST_F(ExifCommandTest, APhotoDeletedBehindTheProgramsBackGetsTheWarningOnly) {
    WriteFile(folder.File("gone.jpg"), MakeExifJpeg(64, 48, 6));
    ShowWindow();
    Load();
    QFile::remove(folder.File("gone.jpg"));
    form->ActionDisplayExif->Execute();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text,
              "Cannot open \"gone.jpg\". The file or folder has been moved or deleted.");
    EXPECT_EQ(dialogs->boxes[0].type, unsigned{MB_OK | MB_ICONWARNING});
    dialogs->boxes.clear();
    EXPECT_FALSE(FindWindowByClassName(QStringLiteral("TFormExif")));
}

TEST_F(ExifCommandTest, APhotoWithoutExifGetsTheNoticeOnce) {
    Photo("plain.jpg");
    ShowWindow();
    Load();
    // Its owner, the dialog that is not shown, stands over the window.
    QPoint ownerCentre;
    dialogs->OnBox = [&](const ScriptedBox& box) {
        if (box.owner) ownerCentre = box.owner->geometry().center();
    };
    form->ActionDisplayExif->Execute();
    EXPECT_LE((ownerCentre - form->Handle()->frameGeometry().center()).manhattanLength(), 2);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, "This file does not contain EXIF data.");
    EXPECT_FALSE(dialogs->boxes[0].caption.has_value());
    dialogs->boxes.clear();
    Pump();
    EXPECT_FALSE(FindWindowByClassName(QStringLiteral("TFormExif")));
}
