// What the settings and the thumbnails-in-row dialog need of the class library: the
// colour dialog through the seam, the labeled edit, the up-down, the normal bounds of
// a maximised or minimised window and the monitors' test for a title bar.

#include "platform/vcl/colordialog.h"
#include "platform/vcl/dialog_backends.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/labelededit.h"
#include "platform/vcl/scripted_dialogs.h"
#include "platform/vcl/updown.h"
#include "tests/support/files.h"
#include "widgets_util.h"

#include <QApplication>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QThread>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>
#include <cstdio>

namespace {

void Pump() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::sendPostedEvents();
    }
}

}  // namespace

TEST(ColorDialog, TheScriptChoosesAColourOrCancelsAndCancelKeepsTheColour) {
    ScopedDialogs dialogs;
    TForm owner(nullptr);
    TColorDialog dialog(&owner);
    EXPECT_EQ(dialog.Color(), clBlack);
    dialogs->AnswerColor(0x00336699);
    EXPECT_TRUE(dialog.Execute(owner.Handle()));
    EXPECT_EQ(dialog.Color(), 0x00336699);
    dialogs->AnswerColorCancel();
    EXPECT_FALSE(dialog.Execute(owner.Handle()));
    EXPECT_FALSE(dialog.Execute(nullptr));  // nothing scripted: Cancel
    EXPECT_EQ(dialog.Color(), 0x00336699);
    ASSERT_EQ(dialogs->boxes.size(), 3u);
    EXPECT_EQ(dialogs->boxes[0].kind, ScriptedBox::Color);
    EXPECT_EQ(dialogs->boxes[0].owner, owner.Handle());
    EXPECT_EQ(dialogs->boxes[0].answer, IDOK);
    EXPECT_EQ(dialogs->boxes[0].color, 0x00336699);
    EXPECT_EQ(dialogs->boxes[1].answer, IDCANCEL);
}

TEST(ColorDialog, TheTerminalReadsRrGgBbOrCancels) {
    std::FILE* out = std::tmpfile();
    std::FILE* in = std::tmpfile();
    std::fputs("blue\n#102030\n\n", in);
    std::rewind(in);
    TerminalDialogs terminal(out, in, true);
    // Red, green, blue as typed; stored the other way round (0x00BBGGRR).
    EXPECT_EQ(terminal.ColorDialog(nullptr), std::optional<int32_t>(0x00302010));
    EXPECT_EQ(terminal.ColorDialog(nullptr), std::nullopt);
    EXPECT_EQ(terminal.ColorDialog(nullptr), std::nullopt);  // end of input
    TerminalDialogs noTerminal(out, nullptr, false);
    EXPECT_EQ(noTerminal.ColorDialog(nullptr), std::nullopt);
    std::fclose(out);
    std::fclose(in);
}

TEST(ColorDialog, QtsDialogGivesTheChosenColourAndCancelGivesNone) {
    QtDialogs qt;
    QTimer::singleShot(20, [] {
        auto* d = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->setCurrentColor(QColor(0x11, 0x22, 0x33));
        d->accept();
    });
    EXPECT_EQ(qt.ColorDialog(nullptr), std::optional<int32_t>(0x00332211));
    QTimer::singleShot(20, [] {
        auto* d = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->reject();
    });
    EXPECT_EQ(qt.ColorDialog(nullptr), std::nullopt);
}

TEST(LabeledEdit, TheLabelStandsTenPixelsLeftAndFollowsTheEdit) {
    TForm form(nullptr);
    auto* edit = new TLabeledEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(159, 24, 42, 21);
    edit->SetLabelCaption(QStringLiteral("Thumbnails in &Row"));
    TLabel* label = edit->EditLabel();
    EXPECT_EQ(label->Owner(), edit);
    EXPECT_EQ(label->Parent(), &form);
    EXPECT_EQ(label->DisplayText(), "Thumbnails in Row");
    EXPECT_GT(label->Width(), 0);
    EXPECT_EQ(label->Left() + label->Width(), 149);
    // Vertically centred on the edit.
    EXPECT_NEAR(label->Top() + label->Height() / 2.0, 24 + 21 / 2.0, 1.0);

    edit->SetLabelCaption(QStringLiteral("A much longer label than before"));
    EXPECT_EQ(label->Left() + label->Width(), 149);
    edit->SetBounds(200, 50, 42, 21);
    EXPECT_EQ(label->Left() + label->Width(), 190);
    edit->SetLabelSpacing(4);
    EXPECT_EQ(label->Left() + label->Width(), 196);
    edit->SetVisible(false);
    EXPECT_FALSE(label->Visible());
    edit->SetEnabled(false);
    EXPECT_FALSE(label->Enabled());
}

TEST(UpDown, TakesOnlyWholeNumbersInRangeFromItsEdit) {
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(159, 24, 42, 21);
    auto* updown = new TUpDown(&form);
    updown->SetParent(&form);
    updown->SetWidth(15);
    updown->SetMin(1);
    updown->SetMax(20);
    updown->SetAssociate(edit);
    EXPECT_EQ(updown->Left(), 201);
    EXPECT_EQ(updown->Top(), 24);
    EXPECT_EQ(updown->Height(), 21);

    updown->SetPosition(5);
    EXPECT_EQ(edit->Text(), "5");
    for (const char* text : {"21", "0", "abc", "", " ", "5x", "1e1", "-2"}) {
        edit->SetText(QString::fromLatin1(text));
        EXPECT_EQ(updown->Position(), 5) << text;
    }
    edit->SetText(QStringLiteral("20"));
    EXPECT_EQ(updown->Position(), 20);
    edit->SetText(QStringLiteral("99"));
    EXPECT_EQ(updown->Position(), 20);  // the last one taken
    edit->SetText(QStringLiteral(" 7"));
    EXPECT_EQ(updown->Position(), 7);

    // The arrows step from the text and stop at the ends.
    updown->StepBy(1);
    EXPECT_EQ(edit->Text(), "8");
    edit->SetText(QStringLiteral("20"));
    updown->StepBy(1);
    EXPECT_EQ(edit->Text(), "20");
    edit->SetText(QStringLiteral("1"));
    updown->StepBy(-1);
    EXPECT_EQ(edit->Text(), "1");
    updown->SetPosition(50);
    EXPECT_EQ(updown->Position(), 20);

    // The Up and Down keys in the edit step too.
    widgets_test::SendKey(edit->LineEdit(), Qt::Key_Down);
    EXPECT_EQ(edit->Text(), "19");
    widgets_test::SendKey(edit->LineEdit(), Qt::Key_Up);
    EXPECT_EQ(edit->Text(), "20");
}

TEST(FormBounds, AMaximisedOrMinimisedWindowKeepsItsNormalBounds) {
    TForm form(nullptr);
    form.SetBounds(30, 40, 500, 400);
    form.Show();
    // The outer bounds reach the frame once the platform has told its size.
    QElapsedTimer waited;
    waited.start();
    while (form.NormalBounds() != TRect(30, 40, 530, 440) && waited.elapsed() < 3000) {
        Pump();
        QThread::msleep(10);
    }
    const TRect normal = form.NormalBounds();
    EXPECT_EQ(normal, TRect(30, 40, 530, 440));
    form.SetWindowState(wsMaximized);
    Pump();
    ASSERT_EQ(form.WindowState(), wsMaximized);
    EXPECT_EQ(form.NormalBounds(), normal);
    form.SetWindowState(wsMinimized);
    Pump();
    EXPECT_EQ(form.WindowState(), wsMinimized);
    EXPECT_EQ(form.NormalBounds(), normal);
    form.SetWindowState(wsNormal);
    Pump();
    EXPECT_EQ(form.NormalBounds(), normal);
}

TEST(FormBounds, ADialogBorderIsFixedInSizeWithoutMinimiseOrMaximise) {
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetClientWidth(245);
    form.SetClientHeight(102);
    const Qt::WindowFlags flags = form.Widget()->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.Widget()->minimumSize(), form.Widget()->maximumSize());
    EXPECT_EQ(form.ClientWidth(), 245);
    EXPECT_EQ(form.ClientHeight(), 102);
}

TEST(Screen, TheTitleBarMustLieOnSomeScreen) {
    const std::vector<TRect> monitors = Screen()->MonitorBounds();
    ASSERT_FALSE(monitors.empty());
    const TRect primary = monitors.front();
    EXPECT_EQ(primary.Width(), Screen()->Width());
    EXPECT_EQ(primary.Height(), Screen()->Height());
    auto at = [](int left, int top) { return TRect(left, top, left + 800, top + 600); };
    EXPECT_TRUE(Screen()->TitleBarOnScreen(at(primary.Left, primary.Top)));
    EXPECT_TRUE(Screen()->TitleBarOnScreen(at(primary.Right - 1, primary.Bottom - 1)));
    EXPECT_TRUE(Screen()->TitleBarOnScreen(at(primary.Left - 799, primary.Top)));
    EXPECT_FALSE(Screen()->TitleBarOnScreen(at(primary.Right + 4000, primary.Top)));
    EXPECT_FALSE(Screen()->TitleBarOnScreen(at(primary.Left - 800, primary.Top)));
    // The title bar is the top strip: a window whose top lies above the screen and
    // whose body reaches into it still cannot be dragged.
    EXPECT_FALSE(Screen()->TitleBarOnScreen(at(primary.Left, primary.Top - 100)));
    EXPECT_FALSE(Screen()->TitleBarOnScreen(at(primary.Left, primary.Bottom)));
}
