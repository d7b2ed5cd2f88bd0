#include "progress/app_wait.h"

#include "platform/system/exceptions.h"
#include "platform/vcl/application.h"
#include "platform/vcl/dialogs.h"
#include "progress/frm_wait.h"
#include "progress/terminal_progress.h"

namespace {
std::optional<bool> g_useForm;
}

void TProgressWindow::SetUseForm(std::optional<bool> useForm) { g_useForm = useForm; }

TProgressWindow::TProgressWindow(TComponent* Owner) {
    // Checked before anything is made, so that a refused owner leaves no window.
    TForm* ownerForm = nullptr;
    if (Owner) {
        ownerForm = qobject_cast<TForm*>(Owner);
        if (!ownerForm) throw EInvalidCast();
    }
    if (!(g_useForm ? *g_useForm : HasDisplay())) {
        terminal = new TerminalProgress();
        return;
    }

    frmWait = new TfrmWait(Owner);
    if (!Owner) interrupt = new InterruptRequest();
    formGone = QObject::connect(frmWait, &QObject::destroyed, [this] { frmWait = nullptr; });

    // Centred on the owner form or on the primary screen by outer sizes, even where
    // that lies partly off the screen.
    const auto place = [this, ownerForm] {
        int left, top;
        if (ownerForm) {
            left = ownerForm->Left() + ownerForm->Width() / 2 - frmWait->Width() / 2;
            top = ownerForm->Top() + ownerForm->Height() / 2 - frmWait->Height() / 2;
        } else {
            left = Screen()->Width() / 2 - frmWait->Width() / 2;
            top = Screen()->Height() / 2 - frmWait->Height() / 2;
        }
        if (left != frmWait->Left() || top != frmWait->Top())
            frmWait->SetBounds(left, top, frmWait->Width(), frmWait->Height());
    };
    place();
    frmWait->Cancel = false;
    // Without the Close command; set before the window is shown, because a window
    // manager reads the hints when it maps the window.
    frmWait->SetSystemCloseEnabled(false);
    frmWait->Show();
    // The outer size counts the window frame, which some platforms report only once
    // the window is shown.
    place();
    frmWait->Repaint();
}

TProgressWindow::~TProgressWindow() {
    QObject::disconnect(formGone);
    if (TfrmWait* form = frmWait) {
        frmWait = nullptr;
        try {
            form->Close();  // hidden at once
        } catch (...) {
            Application()->HandleException();
        }
        form->Release();  // freed by the next message loop
    }
    delete terminal;
    delete interrupt;
}

void TProgressWindow::SetButtonCaption(const QString& S) {
    if (frmWait) {
        frmWait->btnCancel->SetCaption(S);
        frmWait->FitToContents();
    }
}

void TProgressWindow::SetCaptionText(const QString& s) {
    if (frmWait) frmWait->SetCaption(s);
    Update();
}

void TProgressWindow::SetLabelText(const QString& s) {
    if (frmWait) {
        frmWait->lblInfo->SetCaption(s);
        frmWait->FitToContents();
    }
    if (terminal) terminal->SetLabel(s);
    Update();
}

void TProgressWindow::SetProgressBounds(int nFrom, int nTo) {
    if (frmWait) {
        frmWait->ProgressBar->SetMin(nFrom);
        frmWait->ProgressBar->SetMax(nTo);
    }
    if (terminal) {
        terminal->SetMin(nFrom);
        terminal->SetMax(nTo);
    }
    Update();
}

void TProgressWindow::SetProgressBy(int By) {
    if (frmWait) frmWait->ProgressBar->StepBy(By);
    if (terminal) terminal->StepBy(By);
    Update();
}

void TProgressWindow::Update() { Application()->ProcessMessages(); }

bool TProgressWindow::Interrupted() { return InterruptRequest::Interrupted(); }

bool TProgressWindow::WantCancel() const {
    if (interrupt && interrupt->Requested()) return true;
    if (frmWait) return frmWait->Cancel;
    return terminal && terminal->CancelRequested();
}
