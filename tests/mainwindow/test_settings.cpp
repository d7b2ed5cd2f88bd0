// The settings kept between runs: what a first start shows, what a close writes, and
// what the next start reads back, with the store in a temporary HOME.

#include "mainwindow_fixture.h"

#include "platform/system/knownfolders.h"
#include "platform/system/registry.h"
#include "platform/system/settingsstore.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls_extra.h"
#include "tests/support/files.h"
#include "translation/lang.h"

#include <QDir>
#include <QFile>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const QString kMain = QStringLiteral("Main");

class SettingsTest : public MainWindowTest {
protected:
    // The registry store the window uses outside portable mode.
    static std::unique_ptr<TRegistryIniFile> Store() { return OpenRegistrySettings(); }

    // Closes the window (it saves) and makes the next one, not yet shown.
    void Restart() {
        delete form;
        form = new TFormOrlisk(Application());
    }
    void ShowForm() {
        form->Show();
        Pump();
    }
    // A language folder with an English and a German file; the menu is read from it.
    void UseLanguages() {
        WriteFile(langDir.File("english.lng"), "[Translations]\n");
        WriteFile(langDir.File("deutsch.lng"),
                  "[Translations]\nFormOrlisk.ActionOpen.Caption=Bild zeigen\n"
                  "[Messages]\nfile(s)=Datei(en)\nAdd Current Folder=Ordner merken\n");
        Access::LoadLanguageMenuFrom(*form, langDir.Path());
    }
    TMenuItem* LanguageItem(const QString& caption) const {
        for (TMenuItem* item : Access::LanguageItems(*form))
            if (item->Caption() == caption) return item;
        return nullptr;
    }
    QString Panel1() const { return form->StatusBar->Panels()->Items(1)->Text(); }

    TempDir langDir;
    TempDir folders;
};

}  // namespace

TEST_F(SettingsTest, AFirstStartWithAnEmptyStoreShowsTheDefaults) {
    UseLanguages();
    ShowForm();

    EXPECT_EQ(form->Width(), 800);
    EXPECT_EQ(form->Height(), 600);
    EXPECT_EQ(form->Left(), Screen()->Width() / 2 - 400);
    EXPECT_EQ(form->Top(), Screen()->Height() / 2 - 300);
    EXPECT_EQ(form->WindowState(), wsNormal);
    EXPECT_EQ(form->DrawGrid->ColCount(), 5);
    EXPECT_EQ(form->DrawGrid->Color(), clWhite);
    EXPECT_EQ(Access::ForeColor(*form), clBlack);
    EXPECT_TRUE(form->pmiHiQuality->Checked());
    EXPECT_FALSE(form->pmiLowQuality->Checked());
    EXPECT_TRUE(form->pmiRebuildWhenResized->Checked());
    EXPECT_TRUE(form->pmiEnlargeSmall->Checked());
    EXPECT_TRUE(form->pmiKeepTimestamp->Checked());
    EXPECT_TRUE(form->pmiDeleteConfirm->Checked());
    EXPECT_FALSE(form->cbSubFolders->Checked());
    ASSERT_NE(LanguageItem("English"), nullptr);
    EXPECT_TRUE(LanguageItem("English")->Checked());
    EXPECT_FALSE(LanguageItem("Deutsch")->Checked());
    EXPECT_EQ(form->Language->LanguageFile(), langDir.File("english.lng"));
    EXPECT_EQ(Access::Mru(*form)->Count(), 0);
    ASSERT_EQ(form->pmMru->Items()->Count(), 1);
    EXPECT_EQ(form->pmMru->Items()->Items(0)->Caption(), "Add Current Folder");
    EXPECT_TRUE(form->pmMru->Items()->Items(0)->Default());
    EXPECT_EQ(Access::Images(*form)->Count(), 0);
    EXPECT_TRUE(Access::RecentFolder(*form).isEmpty());
    EXPECT_EQ(Panel1(), "0 file(s)");
}

TEST_F(SettingsTest, ThumbnailsInARowOutsideOneToTwentyGiveThree) {
    const std::pair<const char*, int> cases[] = {{"0", 3}, {"21", 3}, {"-1", 3}, {"20", 20},
                                                 {"1", 1}, {"", 5}};
    for (const auto& [stored, expected] : cases) {
        SCOPED_TRACE(stored);
        Restart();
        if (*stored) {
            Store()->WriteInteger(kMain, "ThumbsInRow", QByteArray(stored).toInt());
        } else {
            TRegistry reg;
            reg.OpenKey(kSettingsKey + "\\Main", true);
            reg.DeleteValue("ThumbsInRow");
        }
        ShowForm();
        EXPECT_EQ(form->DrawGrid->ColCount(), expected);
    }
}

TEST_F(SettingsTest, TheNextStartComesBackAsTheWindowWasLeft) {
    UseLanguages();
    ShowForm();
    form->SetBounds(20, 30, 900, 700);
    form->pmiRebuildWhenResized->SetChecked(false);
    form->pmiEnlargeSmall->SetChecked(false);
    form->pmiDeleteConfirm->SetChecked(false);
    form->pmiLowQuality->SetChecked(true);
    form->cbSubFolders->SetChecked(true);
    form->DrawGrid->SetColCount(7);
    form->DrawGrid->SetColor(0x123456);
    LanguageItem("Deutsch")->Click();
    form->edPath->SetText(folders.Path());
    Restart();
    UseLanguages();
    ShowForm();

    // As left, where the screen's work area holds it; else shrunk to the work area
    // and at its edge (the offscreen screen may be only 800 x 600).
    const TRect work = Screen()->WorkAreaRect();
    const bool wide = 900 > work.Width(), high = 700 > work.Height();
    EXPECT_EQ(form->Left(), wide ? work.Left : 20);
    EXPECT_EQ(form->Top(), high ? work.Top : 30);
    EXPECT_EQ(form->Width(), wide ? work.Width() : 900);
    EXPECT_EQ(form->Height(), high ? work.Height() : 700);
    EXPECT_FALSE(form->pmiRebuildWhenResized->Checked());
    EXPECT_FALSE(form->pmiEnlargeSmall->Checked());
    EXPECT_FALSE(form->pmiDeleteConfirm->Checked());
    EXPECT_TRUE(form->pmiKeepTimestamp->Checked());
    EXPECT_FALSE(form->pmiHiQuality->Checked());
    EXPECT_TRUE(form->pmiLowQuality->Checked());
    EXPECT_TRUE(form->cbSubFolders->Checked());
    EXPECT_EQ(form->DrawGrid->ColCount(), 7);
    EXPECT_EQ(form->DrawGrid->Color(), 0x123456);
    EXPECT_TRUE(LanguageItem("Deutsch")->Checked());
    EXPECT_EQ(form->ActionOpen->Caption(), "Bild zeigen");
    EXPECT_EQ(form->pmMru->Items()->Items(0)->Caption(), "Ordner merken");
    EXPECT_EQ(Panel1(), "0 Datei(en)");
    EXPECT_EQ(Access::RecentFolder(*form), folders.Path());
    EXPECT_EQ(Store()->ReadString(kMain, "Language", ""), langDir.File("deutsch.lng"));
}

TEST_F(SettingsTest, AWindowClosedMaximisedKeepsTheBoundsOfTheLastNormalSave) {
    ShowForm();
    form->SetBounds(40, 50, 850, 650);
    Access::SaveSettings(*form);
    form->SetBounds(10, 10, 1000, 1000);  // never saved: the window is maximised at the end
    form->SetWindowState(wsMaximized);
    Pump();
    ASSERT_EQ(form->WindowState(), wsMaximized);
    Restart();

    EXPECT_TRUE(Store()->ReadBool(kMain, "WinMax", false));
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinWidth", 0), 850);
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinHeight", 0), 650);
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinLeft", 0), 40);
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinTop", 0), 50);
    ShowForm();
    EXPECT_EQ(form->WindowState(), wsMaximized);
}

TEST_F(SettingsTest, AMinimisedWindowSavesItsRestoredBounds) {
    ShowForm();
    form->SetBounds(60, 70, 820, 640);
    Pump();
    form->SetWindowState(wsMinimized);
    Pump();
    Access::SaveSettings(*form);
    EXPECT_FALSE(Store()->ReadBool(kMain, "WinMax", true));
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinWidth", 0), 820);
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinHeight", 0), 640);
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinLeft", 0), 60);
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinTop", 0), 70);
}

TEST_F(SettingsTest, SmallStoredSizesGiveTheMinimumAndLostPlacesTheCentre) {
    Store()->WriteInteger(kMain, "WinWidth", 300);
    Store()->WriteInteger(kMain, "WinHeight", 200);
    // A monitor far to the right that is gone.
    Store()->WriteInteger(kMain, "WinLeft", 5000);
    Store()->WriteInteger(kMain, "WinTop", 40);
    ShowForm();
    EXPECT_EQ(form->Width(), 800);
    EXPECT_EQ(form->Height(), 600);
    EXPECT_EQ(form->Left(), Screen()->Width() / 2 - 400);
    EXPECT_EQ(form->Top(), Screen()->Height() / 2 - 300);

    // A place whose title bar still shows in part is taken as it is.
    Restart();
    const int left = Screen()->Width() - 100;
    const int top = Screen()->Height() - 15;
    Store()->WriteInteger(kMain, "WinLeft", left);
    Store()->WriteInteger(kMain, "WinTop", top);
    ShowForm();
    EXPECT_EQ(form->Left(), left);
    EXPECT_EQ(form->Top(), top);
}

TEST_F(SettingsTest, ClickingKeepFileTimestampWritesEverySettingAtOnce) {
    ShowForm();
    form->SetBounds(11, 12, 813, 614);
    form->edPath->SetText(folders.Path());
    Access::SetCurrentFolder(*form, folders.Path());
    form->pmMru->Items()->Items(0)->Click();  // adds the shown folder
    ASSERT_TRUE(form->pmiKeepTimestamp->Checked());

    form->pmiKeepTimestamp->Click();

    EXPECT_FALSE(Store()->ReadBool(kMain, "KeepTimestamp", true));
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinWidth", 0), 813);
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinHeight", 0), 614);
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinLeft", 0), 11);
    EXPECT_EQ(Store()->ReadInteger(kMain, "WinTop", 0), 12);
    EXPECT_EQ(Store()->ReadString(kMain, "LastFolder", ""), folders.Path());
    EXPECT_EQ(Store()->ReadString(kMain, "MRU0", ""), folders.Path());
    EXPECT_EQ(Store()->ReadInteger(kMain, "ThumbsInRow", 0), 5);
    EXPECT_TRUE(Store()->ValueExists(kMain, "HighQuality"));
    EXPECT_TRUE(Store()->ValueExists(kMain, "BackColor"));
}

TEST_F(SettingsTest, AGapInTheFavouritesIsClosedOnSaveAndTheOldKeyStays) {
    Store()->WriteString(kMain, "MRU0", "/photos/a");
    Store()->WriteString(kMain, "MRU1", "/photos/b");
    Store()->WriteString(kMain, "MRU5", "/photos/f");
    ShowForm();
    ASSERT_EQ(Access::Mru(*form)->Count(), 3);
    EXPECT_EQ(Access::Mru(*form)->Strings(2), "/photos/f");
    EXPECT_EQ(form->pmMru->Items()->Count(), 4);
    Restart();

    EXPECT_EQ(Store()->ReadString(kMain, "MRU2", ""), "/photos/f");
    EXPECT_EQ(Store()->ReadString(kMain, "MRU5", ""), "/photos/f");
    ShowForm();
    EXPECT_EQ(Access::Mru(*form)->Count(), 4);
}

TEST_F(SettingsTest, AnEmptyStoredFavouriteIsSkipped) {
    Store()->WriteString(kMain, "MRU0", "/photos/a");
    Store()->WriteString(kMain, "MRU1", "");
    Store()->WriteString(kMain, "MRU2", "/photos/c");
    ShowForm();
    ASSERT_EQ(Access::Mru(*form)->Count(), 2);
    EXPECT_EQ(Access::Mru(*form)->Strings(1), "/photos/c");
    EXPECT_EQ(form->pmMru->Items()->Items(2)->Caption(), "c");
}

TEST_F(SettingsTest, AStoredLanguageThatIsNotListedAppliesButChecksNoItem) {
    UseLanguages();
    const QString elsewhere = folders.File("eigene.lng");
    WriteFile(elsewhere, "[Translations]\nFormOrlisk.ActionOpen.Caption=Ansehen\n");
    Store()->WriteString(kMain, "Language", elsewhere);
    ShowForm();
    EXPECT_EQ(form->Language->LanguageFile(), elsewhere);
    EXPECT_EQ(form->ActionOpen->Caption(), "Ansehen");
    for (TMenuItem* item : Access::LanguageItems(*form)) EXPECT_FALSE(item->Checked());
    EXPECT_TRUE(Panel1().isEmpty());
}

TEST_F(SettingsTest, AStoredLanguageThatIsGoneGivesTheEnglishItem) {
    UseLanguages();
    Store()->WriteString(kMain, "Language", folders.File("gone.lng"));
    ShowForm();
    EXPECT_TRUE(LanguageItem("English")->Checked());
    EXPECT_EQ(form->Language->LanguageFile(), langDir.File("english.lng"));
}

TEST_F(SettingsTest, ADeletedLastFolderStillFillsTheRecentFolder) {
    Store()->WriteString(kMain, "LastFolder", folders.File("gone"));
    ShowForm();
    EXPECT_EQ(Access::RecentFolder(*form), folders.File("gone"));
    // The path box names no folder at the close: the key keeps its value.
    Restart();
    EXPECT_EQ(Store()->ReadString(kMain, "LastFolder", ""), folders.File("gone"));

    // The recent-folder button then opens the documents folder.
    ShowForm();
    form->btnRecent->Click();
    EXPECT_FALSE(DocumentsFolder().isEmpty());
    EXPECT_EQ(Access::CurrentFolder(*form), DocumentsFolder());
    EXPECT_EQ(form->edPath->Text(), DocumentsFolder());
}

TEST_F(SettingsTest, PortableModeStoresTheLanguageBelowTheProgramFolder) {
    const QString ini = folders.File("orlisk.ini");
    Access::UsePortableStore(*form, ini);
    UseLanguages();
    ShowForm();
    LanguageItem("Deutsch")->Click();
    Access::SaveSettings(*form);
    EXPECT_TRUE(ReadFile(ini).contains("Language=lang/deutsch.lng")) << ReadFile(ini).toStdString();
    // Nothing went to the registry store.
    EXPECT_FALSE(QFile::exists(TRegistry::DefaultStoreFile()) &&
                 Store()->ValueExists(kMain, "Language"));

    Restart();
    Access::UsePortableStore(*form, ini);
    UseLanguages();
    ShowForm();
    EXPECT_EQ(form->Language->LanguageFile(), langDir.File("deutsch.lng"));
    EXPECT_TRUE(LanguageItem("Deutsch")->Checked());
    EXPECT_EQ(form->ActionOpen->Caption(), "Bild zeigen");

    // Without a language, portable mode writes "lang/".
    form->Language->SetLanguageFile(QString());
    Access::SaveSettings(*form);
    EXPECT_TRUE(ReadFile(ini).contains("Language=lang/\n")) << ReadFile(ini).toStdString();
}

TEST_F(SettingsTest, AStoreThatCannotBeParsedIsReportedAndNeverOverwritten) {
    const QByteArray broken = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\n"
                              "\"WinWidth\"=dword:zz\n";
    WriteFile(TRegistry::DefaultStoreFile(), broken);
    ShowForm();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].type, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(dialogs->boxes[0].text.contains(TRegistry::DefaultStoreFile()))
        << dialogs->boxes[0].text.toStdString();
    delete form;  // the save at the close fails the same way
    form = nullptr;
    EXPECT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(ReadFile(TRegistry::DefaultStoreFile()), broken);
    dialogs->boxes.clear();
}
