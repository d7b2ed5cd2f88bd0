// The thumbnails-in-row dialog: its layout, its translation, and what OK, Cancel and
// out-of-range text do to the grid.

#include "mainwindow_fixture.h"

#include "mainwindow/thumbnails.h"
#include "platform/vcl/labelededit.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/updown.h"
#include "tests/support/files.h"
#include "translation/lang.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <functional>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class ThumbFormTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->Show();
        Pump();
    }
    // Opens the dialog through the options item; `act` runs on the open dialog.
    void OpenAnd(const std::function<void(TThumbForm&)>& act) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TThumbForm*>(
                Application()->FindComponent(QStringLiteral("ThumbForm")));
            ASSERT_NE(dialog, nullptr);
            ran = true;
            act(*dialog);
            // Whatever the step did, the dialog must not stay open.
            if (dialog->ModalResult() == mrNone) dialog->SetModalResult(mrCancel);
        });
        form->pmiThumbsInRow->Click();
        EXPECT_TRUE(ran);
    }
    static void Press(TThumbForm& dialog, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(dialog.Widget(), &press);
    }
    static void Type(TThumbForm& dialog, const QString& text) { dialog.leQty->SetText(text); }
};

}  // namespace

TEST_F(ThumbFormTest, TheDialogIsLaidOutAsDesignedAndShowsTheCountInUse) {
    form->DrawGrid->SetColCount(7);
    OpenAnd([](TThumbForm& d) {
        EXPECT_EQ(d.Name(), "ThumbForm");
        EXPECT_EQ(d.Caption(), "Thumbnails in Row");
        EXPECT_EQ(d.BorderStyle(), bsDialog);
        EXPECT_EQ(d.ClientWidth(), 245);
        EXPECT_EQ(d.ClientHeight(), 102);
        EXPECT_EQ(d.leQty->Text(), "7");
        EXPECT_EQ(d.udQty->Position(), 7);
        EXPECT_EQ(d.udQty->Min(), 1);
        EXPECT_EQ(d.udQty->Max(), 20);
        EXPECT_EQ(d.leQty->Left(), 159);
        EXPECT_EQ(d.leQty->Top(), 24);
        EXPECT_EQ(d.udQty->Left(), 201);
        EXPECT_EQ(d.udQty->Width(), 15);
        EXPECT_EQ(d.udQty->Height(), 21);
        TLabel* label = d.leQty->EditLabel();
        EXPECT_EQ(label->Caption(), "Thumbnails in Row");
        EXPECT_EQ(label->Left() + label->Width(), 159 - 10);
        EXPECT_EQ(d.btnOk->Caption(), "&OK");
        EXPECT_FALSE(d.btnOk->Default());
        EXPECT_EQ(d.btnOk->ModalResult(), mrOk);
        EXPECT_TRUE(d.btnCancel->Cancel());
        EXPECT_EQ(d.leQty->TabOrder(), 0);
        EXPECT_EQ(d.btnOk->TabOrder(), 2);
        EXPECT_EQ(d.btnCancel->TabOrder(), 3);
    });
    EXPECT_EQ(form->DrawGrid->ColCount(), 7);
}

TEST_F(ThumbFormTest, OkTakesTheNewCount) {
    OpenAnd([](TThumbForm& d) {
        Type(d, "12");
        d.btnOk->Click();
    });
    EXPECT_EQ(form->DrawGrid->ColCount(), 12);
    // The arrows step from where the text stands.
    OpenAnd([](TThumbForm& d) {
        d.udQty->StepBy(1);
        EXPECT_EQ(d.leQty->Text(), "13");
        d.btnOk->Click();
    });
    EXPECT_EQ(form->DrawGrid->ColCount(), 13);
}

TEST_F(ThumbFormTest, CancelEscAndTheCloseBoxChangeNothing) {
    form->DrawGrid->SetColCount(4);
    OpenAnd([](TThumbForm& d) {
        Type(d, "9");
        d.btnCancel->Click();
    });
    OpenAnd([](TThumbForm& d) {
        Type(d, "9");
        Press(d, Qt::Key_Escape);
        EXPECT_EQ(d.ModalResult(), mrCancel);
    });
    OpenAnd([](TThumbForm& d) {
        Type(d, "9");
        d.Widget()->close();  // the title bar's close box
        EXPECT_EQ(d.ModalResult(), mrCancel);
    });
    EXPECT_EQ(form->DrawGrid->ColCount(), 4);
}

TEST_F(ThumbFormTest, EnterDoesNotCloseTheDialog) {
    OpenAnd([](TThumbForm& d) {
        Type(d, "9");
        Press(d, Qt::Key_Return);
        EXPECT_EQ(d.ModalResult(), mrNone);
        d.btnCancel->Click();
    });
    EXPECT_EQ(form->DrawGrid->ColCount(), 5);
}

TEST_F(ThumbFormTest, TextOutsideOneToTwentyKeepsThePreviousPosition) {
    for (const char* text : {"21", "0", "abc", "", "-3", "7.5"}) {
        SCOPED_TRACE(text);
        form->DrawGrid->SetColCount(6);
        OpenAnd([text](TThumbForm& d) {
            Type(d, QString::fromLatin1(text));
            d.btnOk->Click();
        });
        EXPECT_EQ(form->DrawGrid->ColCount(), 6);
    }
    // Where the arrows moved it counts as the previous position.
    OpenAnd([](TThumbForm& d) {
        d.udQty->StepBy(-1);
        Type(d, "99");
        d.btnOk->Click();
    });
    EXPECT_EQ(form->DrawGrid->ColCount(), 5);
}

TEST_F(ThumbFormTest, ATranslatedCaptionShowsInTheTitleAndTheLabel) {
    TempDir lang;
    WriteFile(lang.File("deutsch.lng"),
              "[Translations]\nThumbForm.Caption=Miniaturen pro Zeile\n"
              "ThumbForm.btnOk.Caption=&OK\nThumbForm.btnCancel.Caption=&Abbrechen\n");
    form->Language->SetLanguageFile(lang.File("deutsch.lng"));
    OpenAnd([](TThumbForm& d) {
        EXPECT_EQ(d.Caption(), "Miniaturen pro Zeile");
        EXPECT_EQ(d.leQty->EditLabel()->Caption(), "Miniaturen pro Zeile");
        EXPECT_EQ(d.btnCancel->Caption(), "&Abbrechen");
        // The longer label still ends 10 pixels left of the edit.
        EXPECT_EQ(d.leQty->EditLabel()->Left() + d.leQty->EditLabel()->Width(), 149);
    });
}

TEST_F(ThumbFormTest, TheDialogIsFreedAfterUse) {
    OpenAnd([](TThumbForm& d) { d.btnCancel->Click(); });
    EXPECT_EQ(Application()->FindComponent(QStringLiteral("ThumbForm")), nullptr);
}
