// The favourite folders: adding the shown folder, the captions, opening one, and a
// favourite whose folder is gone.

#include "mainwindow_fixture.h"

#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls_extra.h"
#include "tests/support/files.h"
#include "translation/lang.h"

#include <QDir>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class FavoritesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->Show();
        Pump();
    }
    // A new folder below the temporary one.
    QString Folder(const QString& name) {
        QDir(root.Path()).mkpath(name);
        return root.File(name);
    }
    void Add(const QString& folder) {
        Access::SetCurrentFolder(*form, folder);
        form->pmMru->Items()->Items(0)->Click();
    }
    QStringList Captions() const {
        QStringList captions;
        const TMenuItem* items = form->pmMru->Items();
        for (int i = 1; i < items->Count(); ++i) captions << items->Items(i)->Caption();
        return captions;
    }
    QStringList Entries() const { return Access::Mru(*form)->ToQStringList(); }

    TempDir root;
};

}  // namespace

TEST_F(FavoritesTest, TheNewestComesFirstAndAnEleventhDropsTheOldest) {
    for (int i = 0; i < 10; ++i) Add(Folder(QStringLiteral("f%1").arg(i)));
    ASSERT_EQ(Entries().size(), 10);
    EXPECT_EQ(Entries().first(), root.File("f9"));
    EXPECT_EQ(Entries().last(), root.File("f0"));

    Add(Folder("f10"));
    ASSERT_EQ(Entries().size(), 10);
    EXPECT_EQ(Entries().first(), root.File("f10"));
    EXPECT_EQ(Entries().last(), root.File("f1"));
    EXPECT_FALSE(Entries().contains(root.File("f0")));
    // The menu follows the list; each item's Tag is its entry's index.
    EXPECT_EQ(Captions().first(), "f10");
    EXPECT_EQ(Captions().size(), 10);
    for (int i = 1; i < form->pmMru->Items()->Count(); ++i)
        EXPECT_EQ(form->pmMru->Items()->Items(i)->Tag(), i - 1);
}

TEST_F(FavoritesTest, AFolderAlreadyListedKeepsItsPlaceAndOneDifferingInCaseIsAnother) {
    const QString a = Folder("Alpha");
    const QString b = Folder("beta");
    Add(a);
    Add(b);
    Add(a);
    EXPECT_EQ(Entries(), (QStringList{b, a}));
    // Another folder on a Linux file system, so another favourite.
    const QString upper = Folder("ALPHA");
    Add(upper);
    EXPECT_EQ(Entries(), (QStringList{upper, b, a}));
    EXPECT_EQ(Captions(), (QStringList{"ALPHA", "beta", "Alpha"}));
}

TEST_F(FavoritesTest, NoShownFolderOrADeletedOneAddsNothing) {
    Add(QString());
    Add(root.File("never-made"));
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_EQ(form->pmMru->Items()->Count(), 1);
}

TEST_F(FavoritesTest, CaptionsShowTheLastNameOrTheWholeEntryEndingInADelimiter) {
    Access::Mru(*form)->Add("/");
    Access::Mru(*form)->Add("/media/stick/");
    Access::Mru(*form)->Add("/home/anna/Photos 2024");
    Access::Mru(*form)->Add("relative");
    Access::Mru(*form)->Add("");  // only from a hand-edited store: shown empty, read safely
    Access::RebuildFavorites(*form);
    EXPECT_EQ(Captions(), (QStringList{"/", "/media/stick/", "Photos 2024", "relative", ""}));
}

TEST_F(FavoritesTest, ALanguageSwitchReCaptionsTheFirstItemOnly) {
    TempDir lang;
    WriteFile(lang.File("deutsch.lng"), "[Messages]\nAdd Current Folder=Aktuellen Ordner merken\n");
    Access::LoadLanguageMenuFrom(*form, lang.Path());
    Add(Folder("Urlaub"));
    Access::LanguageItems(*form).front()->Click();
    EXPECT_EQ(form->pmMru->Items()->Items(0)->Caption(), "Aktuellen Ordner merken");
    EXPECT_EQ(Captions(), QStringList{"Urlaub"});
}

TEST_F(FavoritesTest, AFavouriteThatIsGoneWarnsWithItsFullPathAndStays) {
    const QString shown = Folder("shown");
    const QString gone = Folder("gone");
    Add(gone);
    Access::SetCurrentFolder(*form, shown);
    ASSERT_TRUE(QDir(gone).removeRecursively());

    form->pmMru->Items()->Items(1)->Click();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    const ScriptedBox& box = dialogs->boxes[0];
    EXPECT_EQ(box.text,
              "Cannot open \"" + gone + "\". The file or folder has been moved or deleted.");
    EXPECT_EQ(box.caption, std::nullopt);
    EXPECT_EQ(box.type, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(box.owner, form->Handle());
    EXPECT_EQ(form->edPath->Text(), gone);
    EXPECT_EQ(Access::CurrentFolder(*form), shown);
    EXPECT_EQ(Entries(), QStringList{gone});
    dialogs->boxes.clear();

    // Once the folder is back it opens without a word.
    QDir().mkpath(gone);
    form->pmMru->Items()->Items(1)->Click();
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_EQ(form->edPath->Text(), gone);
}
