// The options menu: the crop-warning switch shared with the transform, the colours,
// the quality radio pair and the About box.

#include "mainwindow_fixture.h"

#include "engine/common.h"
#include "platform/system/registry.h"
#include "platform/system/settingsstore.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/menus.h"
#include "tests/support/files.h"
#include "tests/support/photos.h"
#include "translation/lang.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const QString kMain = QStringLiteral("Main");

class OptionsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->Show();
        Pump();
    }
    // What dropping the options menu down does first.
    void DropDownOptions() { form->pmOptions->OnPopup(form->pmOptions); }
    // Rotates a photo whose size needs the crop warning; true when the warning came.
    bool RotateAskedAboutCrop(bool dontAskAgain) {
        const QString photo = dir.File(QStringLiteral("p%1.jpg").arg(++photos));
        testsupport::JpegSpec spec;
        spec.width = 50;  // not a whole number of blocks: the transform would crop
        spec.height = 40;
        WriteFile(photo, testsupport::MakeJpeg(spec));
        const size_t before = dialogs->boxes.size();
        dialogs->Answer(IDOK, dontAskAgain);
        TransformJpeg(form->Language, photo, 1, false, form->Handle());
        const bool asked = dialogs->boxes.size() > before;
        if (!asked) dialogs->answers.clear();
        return asked;
    }

    TempDir dir;
    int photos = 0;
};

}  // namespace

TEST_F(OptionsTest, DontAskAgainInTheCropWarningShowsUncheckedAndCheckingBringsItBack) {
    DropDownOptions();
    EXPECT_TRUE(form->pmiDisplayCrop->Checked());
    ASSERT_TRUE(RotateAskedAboutCrop(/*dontAskAgain=*/true));
    EXPECT_FALSE(RotateAskedAboutCrop(false));

    DropDownOptions();
    EXPECT_FALSE(form->pmiDisplayCrop->Checked());
    form->pmiDisplayCrop->Click();
    EXPECT_TRUE(form->pmiDisplayCrop->Checked());
    EXPECT_TRUE(RotateAskedAboutCrop(false));
    dialogs->boxes.clear();
}

TEST_F(OptionsTest, InPortableModeTheCropSwitchStaysInTheUsersStore) {
    const QString ini = dir.File("orlisk.ini");
    Access::UsePortableStore(*form, ini);
    form->pmiDisplayCrop->SetChecked(true);
    form->pmiDisplayCrop->Click();  // now unchecked
    EXPECT_FALSE(OpenRegistrySettings()->ReadBool(kMain, "DisplayCropWarning", true));
    Access::SaveSettings(*form);
    EXPECT_FALSE(ReadFile(ini).contains("DisplayCropWarning"));
    DropDownOptions();
    EXPECT_FALSE(form->pmiDisplayCrop->Checked());
}

TEST_F(OptionsTest, CancelledColourDialogsChangeNothing) {
    const TColor back = form->DrawGrid->Color();
    const TColor fore = Access::ForeColor(*form);
    dialogs->AnswerColorCancel();
    form->pmiBackColor->Click();
    form->pmiForeColor->Click();  // the script is used up: Cancel as well
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[0].kind, ScriptedBox::Color);
    EXPECT_EQ(dialogs->boxes[0].owner, form->Handle());
    EXPECT_EQ(dialogs->boxes[1].answer, IDCANCEL);
    EXPECT_EQ(form->DrawGrid->Color(), back);
    EXPECT_EQ(Access::ForeColor(*form), fore);
    dialogs->boxes.clear();
}

TEST_F(OptionsTest, ChosenColoursAreTakenAndStored) {
    dialogs->AnswerColor(0x00FF8040);
    dialogs->AnswerColor(0x000000FF);
    form->pmiBackColor->Click();
    form->pmiForeColor->Click();
    EXPECT_EQ(form->DrawGrid->Color(), 0x00FF8040);
    EXPECT_EQ(Access::ForeColor(*form), 0x000000FF);
    Access::SaveSettings(*form);
    EXPECT_EQ(OpenRegistrySettings()->ReadInteger(kMain, "BackColor", 0), 0x00FF8040);
    EXPECT_EQ(OpenRegistrySettings()->ReadInteger(kMain, "ForeColor", 0), 0x000000FF);
    dialogs->boxes.clear();
}

TEST_F(OptionsTest, ClickingTheCheckedHighQualityItemLeavesNeitherAndStoresLowQuality) {
    ASSERT_TRUE(form->pmiHiQuality->Checked());
    form->pmiHiQuality->Click();
    EXPECT_FALSE(form->pmiHiQuality->Checked());
    EXPECT_FALSE(form->pmiLowQuality->Checked());
    Access::SaveSettings(*form);
    EXPECT_FALSE(OpenRegistrySettings()->ReadBool(kMain, "HighQuality", true));
    form->pmiLowQuality->Click();
    EXPECT_TRUE(form->pmiLowQuality->Checked());
    form->pmiHiQuality->Click();
    EXPECT_TRUE(form->pmiHiQuality->Checked());
    EXPECT_FALSE(form->pmiLowQuality->Checked());
}

TEST_F(OptionsTest, TheAboutBoxNamesTheProgramItsVersionAndItsMaker) {
    form->pmiAbout->Click();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, "Orlisk\nVersion 6.6\nTolvaneStudio");
    EXPECT_EQ(dialogs->boxes[0].caption, "About");
    EXPECT_EQ(dialogs->boxes[0].type, MB_ICONINFORMATION);
    EXPECT_EQ(dialogs->boxes[0].owner, form->Handle());

    // A translated "Version" is followed by " 6.6", no further blank.
    WriteFile(dir.File("x.lng"), "[Messages]\nVersion=Versión\nAbout=Acerca de\n");
    form->Language->SetLanguageFile(dir.File("x.lng"));
    form->pmiAbout->Click();
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[1].text, QString::fromUtf8("Orlisk\nVersión 6.6\nTolvaneStudio"));
    EXPECT_EQ(dialogs->boxes[1].caption, "Acerca de");
    dialogs->boxes.clear();
}

TEST(HomePage, IsTheConfiguredAddressOrTheReadmePageBesideTheProgram) {
    const QString address = HomePageAddress();
    EXPECT_TRUE(address.contains(QLatin1String("://")) ||
                address == sys::ExecutableFolder() + "/README.html")
        << address.toStdString();
}

namespace {
// Catches what the desktop is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};
}  // namespace

TEST_F(OptionsTest, TheWebSiteCommandOpensTheHomePage) {
    UrlCatcher catcher;
    for (const char* scheme : {"file", "https", "http"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "Open");
    form->pmiWebsite->Click();
    for (const char* scheme : {"file", "https", "http"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    ASSERT_EQ(catcher.opened.size(), 1);
    const QString address = HomePageAddress();
    if (address.startsWith(u'/'))
        EXPECT_EQ(catcher.opened[0], QUrl::fromLocalFile(address));
    else
        EXPECT_EQ(catcher.opened[0].toString(), address);
    EXPECT_TRUE(dialogs->boxes.empty()) << "nothing to tell";
}

TEST_F(OptionsTest, WhenNothingOnTheDesktopOpensThePageTheWebSiteCommandSaysSoWithTheAddress) {
    // No launcher to be found (xdg-open and its kin), and no handler of the test's own.
    TempDir emptyPath;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(emptyPath.Path()));
    form->pmiWebsite->Click();
    qputenv("PATH", path);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, "Unable to open \"" + HomePageAddress() + "\".");
    EXPECT_EQ(dialogs->boxes[0].caption, std::nullopt);
    EXPECT_EQ(dialogs->boxes[0].type, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(dialogs->boxes[0].owner, form->Handle());
    dialogs->boxes.clear();
}

#include "test_options.moc"
