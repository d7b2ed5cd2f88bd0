// The language menu: items from the language folder in the file system's order, and
// what clicking one does.

#include "mainwindow_fixture.h"

#include "platform/system/sysutils.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "tests/support/files.h"
#include "translation/lang.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dirent.h>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// The names of a folder as readdir gives them, in its order.
QStringList ReaddirOrder(const QString& folder) {
    QStringList names;
    if (DIR* dir = opendir(QFile::encodeName(folder).constData())) {
        while (const dirent* e = readdir(dir)) names << QFile::decodeName(e->d_name);
        closedir(dir);
    }
    return names;
}

class LanguageMenuTest : public MainWindowTest {
protected:
    // The items after N2.
    std::vector<TMenuItem*> LanguageItems() const {
        std::vector<TMenuItem*> items;
        const TMenuItem* root = form->pmOptions->Items();
        for (int i = root->IndexOf(form->N2) + 1; i < root->Count(); ++i)
            items.push_back(root->Items(i));
        return items;
    }
    QString Panel1Text() const { return form->StatusBar->Panels()->Items(1)->Text(); }

    TempDir dir;
};

}  // namespace

TEST(LanguageCaption, RaisesOnlyASmallAsciiFirstLetterAndCutsAtTheLastDot) {
    EXPECT_EQ(LanguageCaption(QStringLiteral("english.lng")), "English");
    EXPECT_EQ(LanguageCaption(QStringLiteral("pt.br.lng")), "Pt.br");
    EXPECT_EQ(LanguageCaption(QStringLiteral("1st.lng")), "1st");
    EXPECT_EQ(LanguageCaption(QStringLiteral("Deutsch.lng")), "Deutsch");
    EXPECT_EQ(LanguageCaption(QString::fromUtf8("ärger.lng")), QString::fromUtf8("ärger"));
    EXPECT_EQ(LanguageCaption(QString::fromUtf8("ýkrainska.LNG")), QString::fromUtf8("ýkrainska"));
    EXPECT_EQ(LanguageCaption(QStringLiteral(".lng")), "");
}

TEST_F(LanguageMenuTest, WithoutALanguageFolderTheMenuEndsWithItsLastSeparator) {
    if (QFileInfo(sys::ExecutableFolder() + "/lang").exists())
        GTEST_SKIP() << "the test program has a lang folder beside it";
    EXPECT_EQ(form->pmOptions->Items()->Items(form->pmOptions->Items()->Count() - 1), form->N2);
    EXPECT_EQ(Access::Languages(*form)->Count(), 0);
    Access::LoadLanguageMenuFrom(*form, dir.File("missing"));
    EXPECT_TRUE(LanguageItems().empty());
}

TEST_F(LanguageMenuTest, OneRadioItemPerLanguageFileInTheFileSystemsOrder) {
    for (const char* name : {"english.lng", "pt.br.lng", "1st.lng", "ärger.lng", "Upper.LNG",
                             ".hidden.lng", "notes.txt", "english.lng.bak", "lng"})
        WriteFile(dir.File(QString::fromUtf8(name)), "[Translations]\n");
    QDir(dir.Path()).mkdir(QStringLiteral("folder.lng"));  // every entry counts, folders too

    Access::LoadLanguageMenuFrom(*form, dir.Path());

    QStringList expected;
    for (const QString& name : ReaddirOrder(dir.Path()))
        if (name.endsWith(QLatin1String(".lng"), Qt::CaseInsensitive)) expected << name;
    ASSERT_EQ(expected.size(), 7);
    const std::vector<TMenuItem*> items = LanguageItems();
    ASSERT_EQ(items.size(), size_t(expected.size()));
    const TStringList* languages = Access::Languages(*form);
    ASSERT_EQ(languages->Count(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].toStdString());
        const TMenuItem* item = items[size_t(i)];
        EXPECT_EQ(item->Caption(), LanguageCaption(expected[i]));
        EXPECT_EQ(item->Tag(), i);
        EXPECT_TRUE(item->RadioItem());
        EXPECT_EQ(item->GroupIndex(), 2);
        EXPECT_FALSE(item->AutoCheck());
        EXPECT_FALSE(item->Checked());
        EXPECT_EQ(item->Owner(), form->pmOptions);
        EXPECT_EQ(languages->Strings(i), dir.Path() + "/" + expected[i]);
    }
    QStringList captions;
    for (const TMenuItem* item : items) captions << item->Caption();
    for (const char* caption : {"English", "Pt.br", "1st", "ärger", "Upper", ".hidden", "Folder"})
        EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;
}

TEST_F(LanguageMenuTest, ClickingAnItemAppliesItsFileAndChecksIt) {
    WriteFile(dir.File("deutsch.lng"),
              "[Translations]\nFormOrlisk.ActionOpen.Caption=Bild zeigen\n"
              "[Messages]\nfile(s)=Datei(en)\nAdd Current Folder=Ordner merken\n");
    WriteFile(dir.File("english.lng"), "[Translations]\nFormOrlisk.ActionOpen.Caption=View\n");
    Access::LoadLanguageMenuFrom(*form, dir.Path());
    // The favourites menu's first item exists once the window has been shown.
    auto* add = new TMenuItem(form->pmMru);
    add->SetCaption(QStringLiteral("Add Current Folder"));
    form->pmMru->Items()->Add(add);

    TMenuItem* deutsch = nullptr;
    TMenuItem* english = nullptr;
    for (TMenuItem* item : LanguageItems())
        (item->Caption() == "Deutsch" ? deutsch : english) = item;
    ASSERT_TRUE(deutsch && english);

    deutsch->Click();
    EXPECT_EQ(form->Language->LanguageFile(), dir.File("deutsch.lng"));
    EXPECT_EQ(form->ActionOpen->Caption(), "Bild zeigen");
    EXPECT_EQ(add->Caption(), "Ordner merken");
    EXPECT_TRUE(deutsch->Checked());
    EXPECT_EQ(Panel1Text(), "0 Datei(en)");
    // The quality item of the other radio group keeps its check.
    EXPECT_TRUE(form->pmiHiQuality->Checked());

    // Clicking the checked item again applies it again and keeps the check.
    form->ActionOpen->SetCaption(QStringLiteral("changed"));
    deutsch->Click();
    EXPECT_TRUE(deutsch->Checked());
    EXPECT_EQ(form->ActionOpen->Caption(), "Bild zeigen");

    english->Click();
    EXPECT_TRUE(english->Checked());
    EXPECT_FALSE(deutsch->Checked());
    EXPECT_EQ(form->ActionOpen->Caption(), "View");
    // No translation of the two messages: the English texts come back.
    EXPECT_EQ(add->Caption(), "Add Current Folder");
    EXPECT_EQ(Panel1Text(), "0 file(s)");
}

TEST_F(LanguageMenuTest, ThePanelCountsTheShownPhotos) {
    WriteFile(dir.File("english.lng"), "[Translations]\n");
    Access::LoadLanguageMenuFrom(*form, dir.Path());
    for (int i = 0; i < 12; ++i) Access::Images(*form)->AddObject(QString::number(i), nullptr);
    ASSERT_EQ(LanguageItems().size(), 1u);
    LanguageItems()[0]->Click();
    EXPECT_EQ(Panel1Text(), "12 file(s)");
    Access::Images(*form)->Clear();
}
