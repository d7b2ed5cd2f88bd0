// Folder navigation in the real window offscreen: the path box, "Browse...", the
// recent-folder button and "Include subfolders".

#include "commands_fixture.h"

#include "platform/vcl/actions.h"
#include "platform/vcl/stdctrls_extra.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <map>

using namespace testsupport;

namespace {

class NavigationTest : public PhotosTest {
protected:
    void SetUp() override {
        PhotosTest::SetUp();
        form->Show();
        Pump();
    }
    QString& CurrentFolder() { return CommandsTestAccess::CurrentFolder(*form); }

    static void Press(int key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods, text);
        QApplication::sendEvent(target, &release);
    }
    // Types into the path box as a user does: the focus there, the text replaced.
    void TypePath(const QString& text) {
        form->edPath->SetFocus();
        Pump();
        form->edPath->LineEdit()->selectAll();
        Press(Qt::Key_Backspace, "");
        for (const QChar c : text) Press(0, QString(c));
    }
};

}  // namespace

TEST_F(NavigationTest, KeysTypedIntoThePathBoxNeverActOnAPhoto) {
    Show(3, 3);
    form->DrawGrid->SetFocus();
    Pump();
    std::map<QString, QByteArray> before;
    for (int i = 0; i < 3; ++i) before[Photo(i)] = ReadFile(Photo(i));

    form->edPath->SetFocus();
    Pump();
    ASSERT_TRUE(form->edPath->Focused());
    form->edPath->LineEdit()->setCursorPosition(0);
    for (const auto& [key, text] : std::vector<std::pair<int, const char*>>{
             {Qt::Key_L, "l"}, {Qt::Key_R, "r"}, {Qt::Key_U, "u"}, {Qt::Key_H, "h"},
             {Qt::Key_V, "v"}, {Qt::Key_E, "e"}})
        Press(key, text);
    Press(Qt::Key_Return, "\r");  // the text is no folder now: nothing happens
    form->edPath->LineEdit()->setCursorPosition(0);
    Press(Qt::Key_Delete, "", Qt::ControlModifier);
    Pump();

    EXPECT_TRUE(dialogs->boxes.empty());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(Photo(i)), before[Photo(i)]) << i;
    EXPECT_EQ(Images()->Count(), 3);
    EXPECT_TRUE(form->edPath->Text().endsWith(folder)) << form->edPath->Text().toStdString();
    EXPECT_FALSE(form->edPath->Text().startsWith("lruhve"));  // Ctrl+Del took the word
}

TEST_F(NavigationTest, EnterLoadsATypedFolderAndShowsItWithoutTheTrailingSlash) {
    MakePhotos(4);
    TypePath(folder + "//");
    ASSERT_EQ(form->edPath->Text(), folder + "//");
    Press(Qt::Key_Return, "\r");
    EXPECT_EQ(CurrentFolder(), folder);
    EXPECT_EQ(form->edPath->Text(), folder);
    EXPECT_EQ(Images()->Count(), 4);
    EXPECT_EQ(FileName(), Photo(0));

    // Enter with a modifier works the same.
    QDir().mkpath(folder + "/sub");
    WriteFile(folder + "/sub/x.jpg", MakeJpeg({}));
    TypePath(folder + "/sub");
    Press(Qt::Key_Return, "\r", Qt::ShiftModifier);
    EXPECT_EQ(CurrentFolder(), folder + "/sub");
    EXPECT_EQ(Images()->Count(), 1);
}

TEST_F(NavigationTest, AFilesPathOrAMissingFolderDoesNothing) {
    Show(2, 2);
    for (const QString& typed : {Photo(0), folder + "/missing", QString()}) {
        TypePath(typed);
        Press(Qt::Key_Return, "\r");
        EXPECT_EQ(CurrentFolder(), folder);
        EXPECT_EQ(Images()->Count(), 2);
        EXPECT_EQ(form->edPath->Text(), typed);
    }
    EXPECT_TRUE(dialogs->boxes.empty());
}

TEST_F(NavigationTest, TheBrowserPreselectsTheBoxsTextAndLoadsTheChoice) {
    MakePhotos(3);
    form->edPath->SetText("no such folder");
    dialogs->AnswerFolder(folder);
    form->btnBrowse->Click();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].kind, ScriptedBox::Folder);
    EXPECT_EQ(dialogs->boxes[0].text, "no such folder");
    EXPECT_EQ(dialogs->boxes[0].owner, form->Handle());
    EXPECT_EQ(CurrentFolder(), folder);
    EXPECT_EQ(Images()->Count(), 3);
    EXPECT_FALSE(form->btnRecent->Enabled());
}

TEST_F(NavigationTest, ACancelledBrowserOrAVanishedChoiceChangesNothing) {
    Show(3, 3);
    form->btnBrowse->Click();  // the script is empty: cancelled
    dialogs->AnswerFolder(folder + "/gone");
    form->btnBrowse->Click();
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[0].text, folder);  // the box shows the shown folder
    EXPECT_EQ(CurrentFolder(), folder);
    EXPECT_EQ(Images()->Count(), 3);
    EXPECT_TRUE(form->btnRecent->Enabled());
}

TEST_F(NavigationTest, TheRecentFolderButtonOpensTheRecentOrTheDocumentsFolder) {
    MakePhotos(2);
    CommandsTestAccess::RecentFolder(*form) = folder;
    form->btnRecent->Click();
    EXPECT_EQ(CurrentFolder(), folder);
    EXPECT_EQ(form->edPath->Text(), folder);
    EXPECT_EQ(Images()->Count(), 2);
    EXPECT_FALSE(form->btnRecent->Enabled());
}

TEST_F(NavigationTest, ADeletedLastFolderGivesTheDocumentsFolder) {
    const QString documents = home.Path() + "/Documents";
    WriteFile(documents + "/doc.jpg", MakeJpeg({}));
    CommandsTestAccess::RecentFolder(*form) = home.Path() + "/deleted since";
    form->btnRecent->Click();
    EXPECT_EQ(CurrentFolder(), documents);
    EXPECT_EQ(form->edPath->Text(), documents);
    EXPECT_EQ(Images()->Count(), 1);
    EXPECT_FALSE(form->btnRecent->Enabled());
    EXPECT_EQ(GetMyDocumentsFolder(), documents);
}

TEST_F(NavigationTest, IncludeSubfoldersReloadsOnlyAShownFolder) {
    MakePhotos(2);
    WriteFile(folder + "/2024/sub.jpg", MakeJpeg({}));
    // No folder shown: nothing is loaded.
    form->cbSubFolders->SetChecked(true);
    EXPECT_TRUE(CurrentFolder().isEmpty());
    EXPECT_EQ(Images()->Count(), 0);

    CommandsTestAccess::LoadFolder(*form, folder);
    EXPECT_EQ(Images()->Count(), 3);
    form->cbSubFolders->SetChecked(false);
    EXPECT_EQ(Images()->Count(), 2);
    form->cbSubFolders->SetChecked(true);
    EXPECT_EQ(Shown(), QStringList({folder + "/2024/sub.jpg", Photo(0), Photo(1)}));
}
