#include "platform/vcl/forms.h"

#include "platform/vcl/actions.h"
#include "platform/vcl/application.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace {

std::vector<TForm*>& LiveForms() {
    static std::vector<TForm*> forms;
    return forms;
}

// What the window manager adds around the window; nothing until it has framed it.
QSize FrameExtra(const QWidget* w) {
    return WindowFrameGeometry(w).size() - w->size();
}

}  // namespace

// ---- TSizeConstraints ----------------------------------------------------------

void TSizeConstraints::SetMinWidth(int v) {
    minWidth_ = std::max(v, 0);
    form_->ApplySizeLimits();
}
void TSizeConstraints::SetMinHeight(int v) {
    minHeight_ = std::max(v, 0);
    form_->ApplySizeLimits();
}
void TSizeConstraints::SetMaxWidth(int v) {
    maxWidth_ = std::max(v, 0);
    form_->ApplySizeLimits();
}
void TSizeConstraints::SetMaxHeight(int v) {
    maxHeight_ = std::max(v, 0);
    form_->ApplySizeLimits();
}

// ---- TForm ---------------------------------------------------------------------

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner, new QWidget(nullptr, Qt::Window)) {
    SetIsWindow();
    QWidget* w = Widget();
    // Closing a window never quits Qt by itself: the application decides (Run,
    // Terminate).
    w->setAttribute(Qt::WA_QuitOnClose, false);
    client_ = new QWidget(w);
    WatchClientWidget(client_);
    SetColor(clBtnFace);
    SetFont(MakeFont(QStringLiteral("Tahoma"), -11));
    ApplyWindowFlags();
    ResizeInner(320, 240);
    LiveForms().push_back(this);
    WatchWindowMessages();
}

TForm::~TForm() {
    auto& forms = LiveForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    DoDestroy();
    if (modalLoop_) modalLoop_->quit();
    // The components go while the form is still a form: their widgets live in it.
    while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
    if (client_) client_->removeEventFilter(this);
}

QString TForm::WindowClassName() const { return QString::fromLatin1(metaObject()->className()); }

QString TForm::Caption() const { return Widget() ? Widget()->windowTitle() : QString(); }

void TForm::SetCaption(const QString& caption) {
    if (Widget()) Widget()->setWindowTitle(caption);
}

void TForm::SetBounds(int left, int top, int width, int height) {
    QWidget* w = Widget();
    if (!w) return;
    const QSize extra = FrameExtra(w);
    const bool resized = width != Width() || height != Height();
    w->move(left, top);
    ResizeInner(width - extra.width(), height - extra.height());
    // Outer bounds (see AdoptFrame). A form that was only moved keeps its inside.
    if (extra.isNull() && !w->testAttribute(Qt::WA_Mapped)) {
        pendingOuterSize_ = resized || (pendingOuterBounds_ && pendingOuterSize_);
        pendingOuterBounds_ = QRect(left, top, width, height);
    } else {
        pendingOuterBounds_.reset();
    }
}

int TForm::ClientWidth() const { return client_ ? client_->width() : 0; }
int TForm::ClientHeight() const { return client_ ? client_->height() : 0; }

void TForm::SetClientWidth(int width) {
    if (Widget()) ResizeInner(width + 2 * borderWidth_, Widget()->height());
}

void TForm::SetClientHeight(int height) {
    if (Widget()) ResizeInner(Widget()->width(), height + 2 * borderWidth_);
}

void TForm::SetBorderWidth(int width) {
    borderWidth_ = std::max(width, 0);
    LayoutClient();
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    borderStyle_ = style;
    ApplyWindowFlags();
}

void TForm::SetSystemCloseEnabled(bool enabled) {
    systemClose_ = enabled;
    ApplyWindowFlags();
}

void TForm::ApplyWindowFlags() {
    QWidget* w = Widget();
    if (!w) return;
    const Qt::WindowFlags frame = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    Qt::WindowFlags flags;
    switch (borderStyle_) {
    case bsNone: flags = Qt::Window | Qt::FramelessWindowHint; break;
    // A dialog asks for the close box alone (the window manager's functions without
    // minimise and maximise). Openbox keeps its minimise box on every dialog whatever
    // the hints say; only torn-off toolbar and menu types lose it there, and those it
    // will not focus by a click, so a dialog stays a dialog.
    case bsDialog: flags = Qt::Dialog | frame; break;
    case bsToolWindow:
    case bsSizeToolWin: flags = Qt::Tool | frame; break;
    case bsSingle:
    case bsSizeable:
        flags = Qt::Window | frame | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
        break;
    }
    // Without the Close command a window with a minimise or maximise box loses its
    // close box. One without them keeps it, refusing the request (see the Close
    // event): told of no box at all, an X11 window manager offers every one.
    const bool otherBoxes = flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    if (!systemClose_ && otherBoxes) flags &= ~Qt::WindowCloseButtonHint;
    if (flags != w->windowFlags()) {
        // Changing the flags hides the window (it is made anew); put it back.
        const bool wasVisible = w->isVisible();
        const bool moved = w->testAttribute(Qt::WA_Moved);
        const QPoint pos = w->pos();
        w->setWindowFlags(flags);
        if (moved) w->move(pos);
        if (wasVisible) w->show();
    }
    ApplySizeLimits();
}

void TForm::ApplySizeLimits() {
    QWidget* w = Widget();
    if (!w) return;
    switch (borderStyle_) {
    case bsNone:
    case bsSingle:
    case bsDialog:
    case bsToolWindow: w->setFixedSize(w->size()); return;
    default: break;
    }
    const QSize extra = FrameExtra(w);
    const TSizeConstraints& c = constraints_;
    w->setMinimumSize(c.minWidth_ ? std::max(c.minWidth_ - extra.width(), 0) : 0,
                      c.minHeight_ ? std::max(c.minHeight_ - extra.height(), 0) : 0);
    w->setMaximumSize(c.maxWidth_ ? std::max(c.maxWidth_ - extra.width(), 0) : QWIDGETSIZE_MAX,
                      c.maxHeight_ ? std::max(c.maxHeight_ - extra.height(), 0) : QWIDGETSIZE_MAX);
    LayoutClient();
}

void TForm::ResizeInner(int width, int height) {
    QWidget* w = Widget();
    if (!w) return;
    // A fixed-size form takes its new size: lift the limits, resize, fix again.
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    w->resize(std::max(width, 0), std::max(height, 0));
    ApplySizeLimits();
    LayoutClient();
}

void TForm::LayoutClient() {
    QWidget* w = Widget();
    if (!w || !client_) return;
    client_->setGeometry(borderWidth_, borderWidth_, std::max(w->width() - 2 * borderWidth_, 0),
                         std::max(w->height() - 2 * borderWidth_, 0));
    // A hidden window gets its resize events only when shown; place the children now.
    AlignControls();
}

TWindowState TForm::WindowState() const {
    if (!Widget()) return wsNormal;
    const Qt::WindowStates s = Widget()->windowState();
    if (s & Qt::WindowMinimized) return wsMinimized;
    if (s & Qt::WindowMaximized) return wsMaximized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    QWidget* w = Widget();
    if (!w) return;
    Qt::WindowStates s = w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    // A maximised window that is minimised stays maximised underneath: it comes back
    // maximised, and its normal bounds stay known.
    if (state == wsMinimized) s |= Qt::WindowMinimized | (w->windowState() & Qt::WindowMaximized);
    if (state == wsMaximized) s |= Qt::WindowMaximized;
    w->setWindowState(s);
}

void TForm::SetColor(TColor color) {
    color_ = color;
    QWidget* w = Widget();
    if (!w) return;
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, ColorToQColor(color));
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

QFont TForm::Font() const { return Widget() ? Widget()->font() : QFont(); }

void TForm::SetFont(const QFont& font) {
    if (Widget()) Widget()->setFont(font);
}

bool TForm::Visible() const { return Widget() && Widget()->isVisible(); }

void TForm::SetVisible(bool visible) {
    QWidget* w = Widget();
    if (!w) return;
    if (visible) {
        const bool place = !placed_;
        placed_ = true;
        if (place) PlaceForShow();
        w->show();
        WatchForFrame();
        ApplySizeLimits();  // the frame is known now on some platforms
        // Outer sizes count the frame, which some platforms know only now.
        if (place) PlaceForShow();
    } else {
        w->hide();
    }
}

void TForm::PlaceForShow() {
    const TForm* over = nullptr;
    switch (position_) {
    case poDesigned: return;
    case poScreenCenter: break;
    case poOwnerFormCenter:
        over = qobject_cast<TForm*>(Owner());
        if (!over) over = Application()->MainForm();
        break;
    case poMainFormCenter: over = Application()->MainForm(); break;
    }
    if (over == this) over = nullptr;
    int x, y;
    if (over) {
        x = over->Left() + over->Width() / 2 - Width() / 2;
        y = over->Top() + over->Height() / 2 - Height() / 2;
    } else {
        x = Screen()->Width() / 2 - Width() / 2;
        y = Screen()->Height() / 2 - Height() / 2;
    }
    Widget()->move(x, y);
}

void TForm::Show() {
    SetVisible(true);
    if (QWidget* w = Widget()) {
        w->raise();
        w->activateWindow();
    }
}

int TForm::ShowModal() {
    QWidget* w = Widget();
    if (!w || Visible() || modal_)
        throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    modal_ = true;
    modalResult_ = mrNone;
    w->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    modalLoop_ = &loop;
    const QMetaObject::Connection quitOnTerminate =
        QObject::connect(Application(), &TApplication::Terminating, &loop, &QEventLoop::quit);
    Show();
    for (;;) {
        if (modalResult_ == mrNone && !Application()->Terminated()) loop.exec();
        if (Application()->Terminated()) {
            if (modalResult_ == mrNone) modalResult_ = mrCancel;
            break;
        }
        bool canClose = true;
        if (OnCloseQuery) Guarded([&] { OnCloseQuery(this, canClose); });
        TCloseAction action = canClose ? caHide : caNone;
        if (canClose && OnClose) Guarded([&] { OnClose(this, action); });
        if (action != caNone) break;
        modalResult_ = mrNone;
    }
    QObject::disconnect(quitOnTerminate);
    modalLoop_ = nullptr;
    modal_ = false;
    w->hide();
    w->setWindowModality(Qt::NonModal);
    return modalResult_;
}

void TForm::SetModalResult(TModalResult result) {
    modalResult_ = result;
    if (modalLoop_ && result != mrNone) modalLoop_->quit();
}

void TForm::Close() {
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    if (!canClose) return;
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) return;
    if (Application()->MainForm() == this) {
        Application()->Terminate();
        return;
    }
    switch (action) {
    case caHide: SetVisible(false); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    case caNone: break;
    }
}

void TForm::Release() { Application()->ReleaseLater(this); }

bool TForm::Active() const { return Widget() && Widget()->isActiveWindow(); }

bool TForm::CanFocus() const { return Visible() && Enabled(); }

void TForm::SetFocus() {
    if (!CanFocus())
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    Widget()->activateWindow();
}

void TForm::DoCreate() {
    if (created_) return;
    created_ = true;
    if (OnCreate) Guarded([this] { OnCreate(this); });
}

void TForm::DoDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (OnDestroy) Guarded([this] { OnDestroy(this); });
}

bool TForm::IsShortCut(uint16_t key, TShiftState shift) {
    // An action may create or free lists: collect them first.
    std::vector<QPointer<TActionList>> lists;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* list = qobject_cast<TActionList*>(Components(i))) lists.emplace_back(list);
    for (const QPointer<TActionList>& list : lists)
        if (list && list->IsShortCut(key, shift)) return true;
    return false;
}

bool TForm::WindowEvent(QEvent*) { return false; }

bool TForm::HandleDialogKey(uint16_t key) { return BroadcastDialogKey(key); }

bool TForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Widget()) {
        if (WindowEvent(event)) return true;
        switch (event->type()) {
        case QEvent::Resize:
            LayoutClient();
            if (OnResize) Guarded([this] { OnResize(this); });
            break;
        case QEvent::Show:
            if (!event->spontaneous() && OnShow) Guarded([this] { OnShow(this); });
            break;
        case QEvent::Hide:
            if (!event->spontaneous() && OnHide) Guarded([this] { OnHide(this); });
            break;
        case QEvent::WindowActivate:
            if (OnActivate) Guarded([this] { OnActivate(this); });
            break;
        case QEvent::WindowDeactivate: {
            // Only a loss to another window of the program counts; the program losing
            // the activation as a whole does not.
            QWidget* now = QApplication::activeWindow();
            if (now && now != Widget() && OnDeactivate) Guarded([this] { OnDeactivate(this); });
            break;
        }
        case QEvent::Close:
            // The window manager's close request (the title bar, Alt+F4) goes the way
            // of Close(), unless the Close command is removed.
            event->ignore();
            if (systemClose_) Guarded([this] { Close(); });
            return true;
        case QEvent::KeyPress: {
            // Esc and Enter that no control took: the Cancel or the Default button.
            auto* key = static_cast<QKeyEvent*>(event);
            const auto mods = key->modifiers() & (Qt::AltModifier | Qt::ControlModifier);
            const uint16_t vk = VirtualKeyFromQt(key->key());
            if (mods == Qt::NoModifier && (vk == VK_ESCAPE || vk == VK_RETURN)) {
                bool handled = false;
                Guarded([&] { handled = HandleDialogKey(vk); });
                if (handled) return true;
            }
            break;
        }
        default: break;
        }
    }
    return TWinControl::eventFilter(watched, event);
}

// ---- Outer bounds across window states -----------------------------------------

TRect TForm::NormalBounds() const {
    const QWidget* w = Widget();
    if (!w) return TRect();
    if (WindowState() == wsNormal) return TRect(Left(), Top(), Left() + Width(), Top() + Height());
    // The restored geometry is that of the inside; the frame keeps its margins.
    const QRect inner = w->normalGeometry().isValid() ? w->normalGeometry() : w->geometry();
    const QRect frame = WindowFrameGeometry(w);
    const QRect geometry = w->geometry();
    const int leftMargin = geometry.x() - frame.x();
    const int topMargin = geometry.y() - frame.y();
    const QSize extra = FrameExtra(w);
    const int left = inner.x() - leftMargin;
    const int top = inner.y() - topMargin;
    return TRect(left, top, left + inner.width() + extra.width(),
                 top + inner.height() + extra.height());
}

bool TForm::AdoptFrame() {
    QWidget* w = Widget();
    if (!pendingOuterBounds_ || !w) return true;
    if (!w->isVisible() || WindowState() != wsNormal) return false;
    const QSize extra = FrameExtra(w);
    if (extra.isNull()) return false;
    const QRect outer = *pendingOuterBounds_;
    if (pendingOuterSize_ && w->size() != outer.size() - extra)
        ResizeInner(outer.width() - extra.width(), outer.height() - extra.height());
    // Whether the window system placed the frame or the inside at the asked place
    // depends on when it learnt the frame: shift the window by what is off.
    const QPoint off = outer.topLeft() - WindowFrameGeometry(w).topLeft();
    if (off.isNull()) return true;
    w->move(w->pos() + off);
    return false;
}

void TForm::WatchForFrame() {
    if (!pendingOuterBounds_ || !Widget()) return;
    // The window manager tells the frame's size some time after the window is mapped,
    // and no event marks the moment: look for it a few times, for up to two seconds.
    auto* timer = new QTimer(Widget());
    timer->setInterval(50);
    auto tries = std::make_shared<int>(40);
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, tries] {
        if (AdoptFrame() || --*tries <= 0) {
            pendingOuterBounds_.reset();
            timer->deleteLater();
        }
    });
    timer->start();
}

std::vector<TRect> TScreen::MonitorBounds() const {
    std::vector<TRect> result;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return result;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) result.emplace_back(primary->geometry());
    for (const QScreen* s : QGuiApplication::screens())
        if (s != primary) result.emplace_back(s->geometry());
    return result;
}

bool TScreen::TitleBarOnScreen(const TRect& bounds, int titleHeight) const {
    const TRect title(bounds.Left, bounds.Top, bounds.Right,
                      bounds.Top + std::min(titleHeight, std::max(bounds.Height(), 1)));
    if (title.IsEmpty()) return false;
    for (const TRect& m : MonitorBounds())
        if (title.ToQRect().intersects(m.ToQRect())) return true;
    return false;
}

// ---- window services -----------------------------------------------------------

TForm* FindWindowByClassName(const QString& className) {
    for (TForm* f : LiveForms())
        if (f->WindowClassName().compare(className, Qt::CaseInsensitive) == 0) return f;
    return nullptr;
}

bool SetForegroundWindow(WindowHandle window) {
    if (!window) return false;
    QWidget* w = window->window();
    if (w->isMinimized()) w->showNormal();
    w->raise();
    w->activateWindow();
    return true;
}

bool SetForegroundWindow(TForm* form) { return form && SetForegroundWindow(form->Handle()); }

bool IsWindowVisible(WindowHandle window) { return window && window->isVisible(); }

bool IsWindowEnabled(WindowHandle window) {
    if (!window || !window->isEnabled()) return false;
    QWidget* modal = QApplication::activeModalWidget();
    return !modal || modal->window() == window->window();
}

int TScreen::Width() const {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 0;
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 0;
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

TRect TScreen::WorkAreaRect() const {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return TRect();
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? TRect(s->availableGeometry()) : TRect();
}

TScreen* Screen() {
    static TScreen screen;
    return &screen;
}
