// The progress window: its form offscreen (forced, as the tests have no display) and
// its terminal stand-in in a child process.
#include "platform/system/exceptions.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "progress/app_wait.h"
#include "progress/frm_wait.h"
#include "progress/terminal_progress.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// Every test here runs the real form.
class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override { TProgressWindow::SetUseForm(true); }
    void TearDown() override {
        TProgressWindow::SetUseForm(std::nullopt);
        Application()->ProcessMessages();  // released forms go
    }
};

void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(w, &release);
}

QString ReadAll(std::FILE* f) { return testsupport::ReadStream(f); }

}  // namespace

TEST_F(ProgressWindow, FormHasItsStoredDesign) {
    TProgressWindow progress(nullptr);
    TfrmWait* f = progress.Form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Name(), "frmWait");
    EXPECT_EQ(f->WindowClassName(), "TfrmWait");
    EXPECT_EQ(f->BorderStyle(), bsDialog);
    EXPECT_EQ(f->BorderWidth(), 7);
    EXPECT_EQ(f->ClientWidth(), 284);
    EXPECT_EQ(f->ClientHeight(), 88);
    EXPECT_EQ(f->Widget()->width(), 284 + 14);
    EXPECT_EQ(f->Widget()->height(), 88 + 14);
    EXPECT_EQ(f->Color(), clBtnFace);
    EXPECT_EQ(f->Font().pixelSize(), 11);
    EXPECT_EQ(f->Caption(), "");
    EXPECT_FALSE(f->KeyPreview());
    EXPECT_TRUE(f->Visible());
    // Fixed size, no minimise or maximise box, and no Close command: the close box
    // stays (it does nothing), since a window manager told of no box offers them all.
    EXPECT_EQ(f->Widget()->minimumSize(), f->Widget()->maximumSize());
    const Qt::WindowFlags flags = f->Widget()->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(f->SystemCloseEnabled());

    EXPECT_EQ(f->lblInfo->Name(), "lblInfo");
    EXPECT_EQ(f->lblInfo->Widget()->geometry(), QRect(0, 0, 284, 13));
    EXPECT_EQ(f->lblInfo->Align(), alTop);
    EXPECT_EQ(f->lblInfo->Alignment(), taCenter);
    EXPECT_TRUE(f->lblInfo->Label()->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(f->lblInfo->Caption(), "");

    EXPECT_EQ(f->ProgressBar->Name(), "ProgressBar");
    EXPECT_EQ(f->ProgressBar->Widget()->geometry(), QRect(0, 31, 284, 15));
    EXPECT_TRUE(f->ProgressBar->Smooth());
    EXPECT_EQ(f->ProgressBar->Min(), 0);
    EXPECT_EQ(f->ProgressBar->Max(), 100);
    EXPECT_EQ(f->ProgressBar->Position(), 0);
    EXPECT_EQ(f->ProgressBar->TabOrder(), 0);

    EXPECT_EQ(f->btnCancel->Name(), "btnCancel");
    EXPECT_EQ(f->btnCancel->Widget()->geometry(), QRect(106, 55, 75, 25));
    EXPECT_EQ(f->btnCancel->Caption(), "&Cancel");
    EXPECT_TRUE(f->btnCancel->Cancel());
    EXPECT_EQ(f->btnCancel->TabOrder(), 1);
    // The components lie in the client area, inside the border.
    EXPECT_EQ(f->btnCancel->Widget()->mapTo(f->Widget(), QPoint(0, 0)), QPoint(7 + 106, 7 + 55));
    EXPECT_FALSE(f->Cancel);
    EXPECT_FALSE(progress.WantCancel());
}

TEST_F(ProgressWindow, CentredOnTheScreenWithoutOwner) {
    TProgressWindow progress(nullptr);
    TfrmWait* f = progress.Form();
    EXPECT_EQ(f->Left(), Screen()->Width() / 2 - f->Width() / 2);
    EXPECT_EQ(f->Top(), Screen()->Height() / 2 - f->Height() / 2);
    EXPECT_EQ(f->Owner(), nullptr);
}

TEST_F(ProgressWindow, CentredOnItsOwnerFormEvenPartlyOffTheScreen) {
    struct Case {
        int left, top, width, height;
    };
    for (const Case c : {Case{100, 80, 501, 333}, Case{-250, -40, 301, 99},
                         Case{Screen()->Width() - 120, Screen()->Height() - 30, 400, 300}}) {
        TForm owner(nullptr);
        owner.SetBounds(c.left, c.top, c.width, c.height);
        owner.Show();
        TProgressWindow progress(&owner);
        TfrmWait* f = progress.Form();
        EXPECT_EQ(f->Owner(), &owner);
        EXPECT_EQ(f->Left(), owner.Left() + owner.Width() / 2 - f->Width() / 2) << c.left;
        EXPECT_EQ(f->Top(), owner.Top() + owner.Height() / 2 - f->Height() / 2) << c.top;
    }
}

TEST_F(ProgressWindow, AnOwnerThatIsNoFormIsRefusedAndNoWindowStays) {
    TComponent notAForm(nullptr);
    try {
        TProgressWindow progress(&notAForm);
        FAIL() << "no error";
    } catch (const EInvalidCast& e) {
        EXPECT_EQ(e.Message(), "Invalid class typecast");
    }
    EXPECT_EQ(FindWindowByClassName("TfrmWait"), nullptr);
}

TEST_F(ProgressWindow, SettersShowTheirText) {
    TProgressWindow progress(nullptr);
    progress.SetLabelText("Transformation is in progress...");
    progress.SetButtonCaption("Abbrechen");
    progress.SetCaptionText("Orlisk");
    EXPECT_EQ(progress.Form()->lblInfo->Label()->text(), "Transformation is in progress...");
    EXPECT_EQ(progress.Form()->btnCancel->Button()->text(), "Abbrechen");
    EXPECT_EQ(progress.Form()->Caption(), "Orlisk");
}

TEST_F(ProgressWindow, AdvancingPastTheEndLeavesTheBarFull) {
    TProgressWindow progress(nullptr);
    progress.SetProgressBounds(0, 3);
    for (int i = 0; i < 3; ++i) progress.SetProgressBy(1);
    TProgressBar* bar = progress.Form()->ProgressBar;
    EXPECT_EQ(bar->Position(), 3);
    progress.SetProgressBy(1);
    EXPECT_EQ(bar->Position(), 3);
    EXPECT_EQ(bar->Bar()->value(), bar->Bar()->maximum());
}

TEST_F(ProgressWindow, BoundsRefuseAMaximumBelowTheMinimum) {
    TProgressWindow progress(nullptr);
    // The minimum is set first, against the maximum of a new bar (100).
    try {
        progress.SetProgressBounds(150, 200);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), "TProgressBar property out of range");
    }
    EXPECT_EQ(progress.Form()->ProgressBar->Min(), 0);
    EXPECT_THROW(progress.SetProgressBounds(0, -1), EInvalidOperation);
    progress.SetProgressBounds(0, 1);
    EXPECT_EQ(progress.Form()->ProgressBar->Max(), 1);
}

TEST_F(ProgressWindow, CancelStaysSetAtEveryLaterPoll) {
    TProgressWindow progress(nullptr);
    progress.SetProgressBounds(0, 5);
    progress.Form()->btnCancel->Click();
    for (int i = 0; i < 3; ++i) {
        progress.Update();
        EXPECT_TRUE(progress.WantCancel());
        progress.SetProgressBy(1);
    }
    EXPECT_TRUE(progress.Form()->Visible());  // the window stays up until the loop ends
}

TEST_F(ProgressWindow, EscapeClicksCancel) {
    TProgressWindow progress(nullptr);
    progress.Update();
    SendKey(progress.Form()->btnCancel->Widget(), Qt::Key_Escape);
    EXPECT_TRUE(progress.WantCancel());
}

TEST_F(ProgressWindow, AltF4AndTheCloseRequestDoNotCloseIt) {
    TProgressWindow progress(nullptr);
    TfrmWait* f = progress.Form();
    progress.Update();
    SendKey(f->btnCancel->Widget(), Qt::Key_F4, Qt::AltModifier);
    SendKey(f->Widget(), Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(f->Widget()->close());  // what the window manager's close asks
    QCloseEvent close;
    QApplication::sendEvent(f->Widget(), &close);
    EXPECT_FALSE(close.isAccepted());
    progress.Update();
    EXPECT_TRUE(f->Visible());
    EXPECT_FALSE(progress.WantCancel());

    uint16_t key = VK_F4;
    f->FormKeyDown(f, key, ssAlt | ssCtrl);
    EXPECT_EQ(key, 0);
    key = VK_F4;
    f->FormKeyDown(f, key, 0);
    EXPECT_EQ(key, VK_F4);
    key = VK_F5;
    f->FormKeyDown(f, key, ssAlt);
    EXPECT_EQ(key, VK_F5);
}

TEST_F(ProgressWindow, FoundByClassNameUntilItsFormIsFreed) {
    QPointer<TfrmWait> form;
    {
        TProgressWindow progress(nullptr);
        form = progress.Form();
        EXPECT_EQ(FindWindowByClassName("TfrmWait"), form.data());
        EXPECT_TRUE(SetForegroundWindow(FindWindowByClassName("TfrmWait")));
    }
    // Hidden at once, freed by the next message loop.
    ASSERT_FALSE(form.isNull());
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    Application()->ProcessMessages();
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(FindWindowByClassName("TfrmWait"), nullptr);
}

TEST_F(ProgressWindow, AnOwnerThatFreesTheFormFirstLeavesNoDanglingWindow) {
    auto owner = std::make_unique<TForm>(nullptr);
    owner->Show();
    TProgressWindow progress(owner.get());
    owner.reset();
    EXPECT_EQ(progress.Form(), nullptr);
    EXPECT_FALSE(progress.WantCancel());
    progress.SetProgressBy(1);  // nothing to update, no crash
}

TEST_F(ProgressWindow, TakesTheActivationBackFromAnotherWindowOfTheProgram) {
    TForm other(nullptr);
    other.SetBounds(10, 10, 200, 150);
    other.Show();
    TProgressWindow progress(nullptr);
    for (int i = 0; i < 5; ++i) progress.Update();
    if (QApplication::activeWindow() != progress.Form()->Widget())
        GTEST_SKIP() << "this platform plugin does not activate windows";

    // Without its handler the form lets the other window have the activation...
    const TNotifyEvent handler = progress.Form()->OnDeactivate;
    progress.Form()->OnDeactivate = nullptr;
    other.Widget()->activateWindow();
    for (int i = 0; i < 5; ++i) progress.Update();
    ASSERT_EQ(QApplication::activeWindow(), other.Widget());

    // ...with it, the form takes it back.
    progress.Form()->OnDeactivate = handler;
    SetForegroundWindow(progress.Form());
    for (int i = 0; i < 5; ++i) progress.Update();
    ASSERT_EQ(QApplication::activeWindow(), progress.Form()->Widget());
    other.Widget()->activateWindow();
    for (int i = 0; i < 5; ++i) progress.Update();
    EXPECT_EQ(QApplication::activeWindow(), progress.Form()->Widget());

    // A disabled form lets it go.
    progress.Form()->SetEnabled(false);
    other.Widget()->activateWindow();
    for (int i = 0; i < 5; ++i) progress.Update();
    EXPECT_EQ(QApplication::activeWindow(), other.Widget());
}

TEST_F(ProgressWindow, Screenshot) {
    TProgressWindow progress(nullptr);
    progress.SetLabelText("Transformation is in progress...");
    progress.SetProgressBounds(0, 5);
    progress.SetProgressBy(2);
    const QString path = QCoreApplication::applicationDirPath() + "/progress_window.png";
    const QPixmap shot = progress.Form()->Widget()->grab();
    EXPECT_EQ(shot.size(), QSize(298, 102));
    EXPECT_TRUE(shot.save(path, "PNG")) << path.toStdString();
}

TEST(TerminalProgress, DrawsInPlaceOnATerminal) {
    std::FILE* out = std::tmpfile();
    {
        TerminalProgress t(out, true);
        t.SetLabel("Transformation is in progress...");
        t.SetMin(0);
        t.SetMax(3);
        t.StepBy(1);
        t.StepBy(5);
    }
    const QString s = ReadAll(out);
    std::fclose(out);
    EXPECT_TRUE(s.contains("\rTransformation is in progress... [##########--------------------] 1/3\x1b[K"))
        << s.toStdString();
    EXPECT_TRUE(s.endsWith("[##############################] 3/3\x1b[K\n")) << s.toStdString();
}

TEST(TerminalProgress, SigintOnlyAsksToCancelWhileItExists) {
    struct sigaction mine {}, before {}, after {};
    static volatile std::sig_atomic_t seen = 0;
    mine.sa_handler = [](int) { seen = 1; };
    sigemptyset(&mine.sa_mask);
    sigaction(SIGINT, &mine, &before);
    std::FILE* out = std::tmpfile();
    {
        TerminalProgress t(out, false);
        EXPECT_FALSE(t.CancelRequested());
        std::raise(SIGINT);
        EXPECT_TRUE(t.CancelRequested());
        EXPECT_EQ(seen, 0);
    }
    std::fclose(out);
    sigaction(SIGINT, &before, &after);
    EXPECT_EQ(after.sa_handler, mine.sa_handler);  // put back when it went
}

// The child halves of the next tests: a command-line loop (no owner) with the window
// the process chooses by itself (offscreen: no display, so the terminal) or a form;
// Ctrl+C comes before the sixth step.
[[noreturn]] void CommandLineLoop(bool form) {
    int done = 0;
    {
        TProgressWindow progress(nullptr);
        if ((progress.Form() != nullptr) != form) std::_Exit(90);
        progress.SetLabelText("Transformation is in progress...");
        progress.SetProgressBounds(0, 20);
        for (int i = 0; i < 20; ++i) {
            if (i == 5) std::raise(SIGINT);  // Ctrl+C
            progress.Update();
            if (progress.WantCancel()) break;
            ++done;
            progress.SetProgressBy(1);
        }
    }
    std::printf("done %d, interrupted %d\n", done, TProgressWindow::Interrupted());
    std::fflush(stdout);
    std::fflush(stderr);
    std::raise(SIGINT);  // the default handler again: the process ends here
    std::_Exit(91);
}
ORLISK_TEST_CHILD(TerminalProgressLoop) { CommandLineLoop(false); }
ORLISK_TEST_CHILD(OwnerlessWindowLoop) {
    TProgressWindow::SetUseForm(true);
    CommandLineLoop(true);
}

TEST(TerminalProgressChild, CtrlCCancelsAtTheNextPollOnTheTerminalAndInTheCommandLinesWindow) {
    // The terminal's progress counts on stderr; the command line started from a
    // terminal with a display shows a window, and Ctrl+C still stops its loop.
    for (const char* loop : {"TerminalProgressLoop", "OwnerlessWindowLoop"}) {
        SCOPED_TRACE(loop);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), testsupport::ChildArguments(loop));
        ASSERT_TRUE(child.waitForFinished(60000));
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        EXPECT_TRUE(out.contains("done 5, interrupted 1\n")) << out.toStdString();
        if (QByteArray(loop) == "TerminalProgressLoop") {
            const QString err = QString::fromUtf8(child.readAllStandardError());
            EXPECT_TRUE(err.contains("Transformation is in progress...\n2/20 (10%)\n4/20 (20%)\n"))
                << err.toStdString();
            EXPECT_FALSE(err.contains("6/20"));
        }
        // SIGINT after the loop ended the process.
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    }
}
