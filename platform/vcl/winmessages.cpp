// Turns the window system's resize, move and window-state events of a form into the
// four window messages of winmessages.h.

#include "platform/vcl/winmessages.h"

#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kSizeMoveQuietMs = 250;
constexpr int kStateSettleMs = 100;

intptr_t PackWords(int low, int high) {
    return static_cast<intptr_t>((static_cast<uint32_t>(low) & 0xFFFF) |
                                 ((static_cast<uint32_t>(high) & 0xFFFF) << 16));
}

// The command the window system carried out, or 0 for a change that is none of the
// three (full screen, activation).
unsigned CommandFor(Qt::WindowStates before, Qt::WindowStates after) {
    const bool wasMin = before & Qt::WindowMinimized, isMin = after & Qt::WindowMinimized;
    const bool wasMax = before & Qt::WindowMaximized, isMax = after & Qt::WindowMaximized;
    if (isMin && !wasMin) return SC_MINIMIZE;
    if (wasMin && !isMin) return SC_RESTORE;
    if (isMax && !wasMax) return SC_MAXIMIZE;
    if (wasMax && !isMax) return SC_RESTORE;
    return 0;
}

}  // namespace

// Watches the form's window; owned by that window.
class TWindowMessages : public QObject {
public:
    explicit TWindowMessages(TForm* form) : QObject(form->Widget()), form_(form) {
        flush_.setSingleShot(true);
        flush_.setInterval(0);
        quiet_.setSingleShot(true);
        quiet_.setInterval(kSizeMoveQuietMs);
        settle_.setSingleShot(true);
        settle_.setInterval(kStateSettleMs);
        connect(&flush_, &QTimer::timeout, this, [this] { Flush(); });
        connect(&quiet_, &QTimer::timeout, this, [this] {
            Flush();
            Send(WM_EXITSIZEMOVE, 0, 0);
        });
        connect(&settle_, &QTimer::timeout, this, [this] {
            Flush();
            const unsigned command = command_;
            command_ = 0;
            if (command) Send(WM_SYSCOMMAND, command, 0);
        });
        state_ = form->Widget()->windowState();
        form->Widget()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != form_->Widget()) return false;
        switch (event->type()) {
            case QEvent::Move:
                moved_ = true;
                flush_.start();
                break;
            case QEvent::Resize:
                resized_ = true;
                flush_.start();
                if (settle_.isActive()) settle_.start();  // the change's own resizes
                if (event->spontaneous() && IsInteractiveResize()) quiet_.start();
                break;
            case QEvent::WindowStateChange: {
                // The state this object saw last, not the event's old state: a state
                // asked of the platform window (not of the widget) is already in that.
                const Qt::WindowStates before = state_;
                state_ = form_->Widget()->windowState();
                if (event->spontaneous()) {
                    const unsigned command = CommandFor(before, state_);
                    if (command) {
                        // The resizes of a maximise or restore end no interactive
                        // resize, whichever order the window system sends them in.
                        quiet_.stop();
                        sinceStateChange_.start();
                        command_ = command;
                        settle_.start();
                    }
                }
                break;
            }
            default: break;
        }
        return false;
    }

private:
    bool IsInteractiveResize() const {
        const Qt::WindowStates s = form_->Widget()->windowState();
        if (s & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return false;
        return !sinceStateChange_.isValid() || sinceStateChange_.elapsed() >= kSizeMoveQuietMs;
    }

    void Flush() {
        flush_.stop();
        QWidget* w = form_->Widget();
        if (moved_) {
            moved_ = false;
            const QPoint p = w->mapToGlobal(QPoint(0, 0));
            Send(WM_MOVE, 0, PackWords(p.x(), p.y()));
        }
        if (resized_) {
            resized_ = false;
            const Qt::WindowStates s = w->windowState();
            const unsigned kind = (s & Qt::WindowMinimized)   ? SIZE_MINIMIZED
                                  : (s & Qt::WindowMaximized) ? SIZE_MAXIMIZED
                                                              : SIZE_RESTORED;
            Send(WM_SIZE, kind, PackWords(form_->ClientWidth(), form_->ClientHeight()));
        }
    }

    void Send(unsigned msg, uintptr_t wParam, intptr_t lParam) {
        TMessage m;
        m.Msg = msg;
        m.WParam = wParam;
        m.LParam = lParam;
        Guarded([&] { form_->Dispatch(m); });
    }

    TForm* form_;
    QTimer flush_, quiet_, settle_;
    QElapsedTimer sinceStateChange_;
    bool moved_ = false;
    bool resized_ = false;
    unsigned command_ = 0;
    Qt::WindowStates state_;
};

void TForm::WatchWindowMessages() { new TWindowMessages(this); }

void TForm::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
        case WM_MOVE: WMMove(Message); break;
        case WM_SIZE: WMSize(Message); break;
        case WM_EXITSIZEMOVE: WMExitSizeMove(Message); break;
        case WM_SYSCOMMAND: WMSysCommand(Message); break;
        default: break;
    }
}

// The form's own handling has already happened when a message arrives: the layout
// follows the resize event itself, and the window system carried out the command.
void TForm::WMMove(TMessage&) {}
void TForm::WMSize(TMessage&) {}
void TForm::WMExitSizeMove(TMessage&) {}
void TForm::WMSysCommand(TMessage&) {}
