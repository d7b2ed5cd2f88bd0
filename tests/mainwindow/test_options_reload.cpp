// Options that reload the shown folder and options that do not: the colours, the
// thumbnails-in-row dialog and a favourite that comes back.

#include "grid_fixture.h"

#include "mainwindow/thumbnails.h"
#include "platform/vcl/labelededit.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/updown.h"

#include <QDir>

namespace {

class OptionsReloadTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        Photos(3);
        ShowWindow();
        Load();
        Pump();
        ASSERT_EQ(Images().Count(), 3);
        reloads = std::make_unique<ShownWindows>(form->Widget());
    }
    void TearDown() override {
        reloads.reset();
        GridTest::TearDown();
    }
    // Each reload of a folder with photos shows the progress window once.
    int Reloads() const { return reloads->count; }

    std::unique_ptr<ShownWindows> reloads;
};

}  // namespace

TEST_F(OptionsReloadTest, ATextColourRemakesEveryThumbnailABackgroundColourOnlyRepaints) {
    dialogs->AnswerColorCancel();
    form->pmiForeColor->Click();
    dialogs->AnswerColorCancel();
    form->pmiBackColor->Click();
    EXPECT_EQ(Reloads(), 0) << "a cancelled dialog remakes nothing";

    dialogs->AnswerColor(0x0000FF00);
    form->pmiBackColor->Click();
    EXPECT_EQ(form->DrawGrid->Color(), 0x0000FF00);
    EXPECT_EQ(Reloads(), 0) << "a background colour only repaints";

    dialogs->AnswerColor(0x000000FF);
    form->pmiForeColor->Click();
    EXPECT_EQ(Reloads(), 1) << "a text colour loads the folder again";
    EXPECT_EQ(Images().Count(), 3);
    dialogs->boxes.clear();
}

TEST_F(OptionsReloadTest, OkInTheThumbnailsDialogRebuildsEvenWithoutAChange) {
    const int cw = form->DrawGrid->DefaultColWidth();
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<TThumbForm*>(Application()->FindComponent("ThumbForm"));
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->leQty->Text(), "5");
        d->btnOk->Click();
    });
    form->pmiThumbsInRow->Click();
    EXPECT_EQ(Reloads(), 2) << "the dialog, then one reload";
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), cw);

    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<TThumbForm*>(Application()->FindComponent("ThumbForm"));
        ASSERT_NE(d, nullptr);
        d->leQty->SetText("10");
        d->btnOk->Click();
    });
    form->pmiThumbsInRow->Click();
    EXPECT_EQ(Reloads(), 4);
    EXPECT_EQ(form->DrawGrid->ColCount(), 10);
    EXPECT_LT(form->DrawGrid->DefaultColWidth(), cw);
}

TEST_F(OptionsReloadTest, AFavouriteWhoseFolderCameBackOpensIt) {
    form->pmMru->Items()->Items(0)->Click();  // the shown folder
    ASSERT_EQ(Access::Mru(*form)->Count(), 1);
    testsupport::TempDir other;
    Load(other.Path());
    const QString moved = folder.Path() + ".away";
    ASSERT_TRUE(QDir().rename(folder.Path(), moved));
    form->pmMru->Items()->Items(1)->Click();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(Grid::CurrentFolder(*form), other.Path());
    dialogs->boxes.clear();

    ASSERT_TRUE(QDir().rename(moved, folder.Path()));
    form->pmMru->Items()->Items(1)->Click();
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_EQ(Grid::CurrentFolder(*form), folder.Path());
    EXPECT_EQ(Images().Count(), 3);
}
