#include "platform/vcl/updown.h"

#include "platform/system/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/vcl/stdctrls_extra.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow) {
    auto* b = new QToolButton(parent);
    b->setArrowType(arrow);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return b;
}

}  // namespace

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner, new QWidget) {
    QWidget* w = Widget();
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QToolButton* up = MakeArrow(w, Qt::UpArrow);
    QToolButton* down = MakeArrow(w, Qt::DownArrow);
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { Guarded([this] { StepBy(1); }); });
    connect(down, &QToolButton::clicked, this, [this] { Guarded([this] { StepBy(-1); }); });
    w->setGeometry(0, 0, 17, 21);
    SetTabStop(false);
}

void TUpDown::SetMin(int value) {
    min_ = value;
    if (max_ < min_) max_ = min_;
    SetPosition(position_);
}

void TUpDown::SetMax(int value) {
    max_ = value;
    if (min_ > max_) min_ = max_;
    SetPosition(position_);
}

int TUpDown::SyncFromText() const {
    if (!associate_) return position_;
    int value = 0;
    if (sys::TryStrToInt(associate_->Text(), value) && value >= min_ && value <= max_)
        position_ = value;
    return position_;
}

int TUpDown::Position() const { return SyncFromText(); }

void TUpDown::SetPosition(int value) {
    position_ = std::clamp(value, min_, max_);
    WriteText();
}

void TUpDown::WriteText() {
    if (associate_) associate_->SetText(QString::number(position_));
}

void TUpDown::StepBy(int steps) {
    const long long next = static_cast<long long>(SyncFromText()) +
                           static_cast<long long>(steps) * increment_;
    SetPosition(static_cast<int>(std::clamp<long long>(next, min_, max_)));
}

void TUpDown::SetAssociate(TEdit* edit) {
    if (associate_ && associate_->LineEdit()) associate_->LineEdit()->removeEventFilter(this);
    associate_ = edit;
    if (!edit) return;
    if (edit->LineEdit()) edit->LineEdit()->installEventFilter(this);
    if (edit->Parent() && edit->Parent() != Parent()) SetParent(edit->Parent());
    SetBounds(edit->Left() + edit->Width(), edit->Top(), Width(), edit->Height());
    WriteText();
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (associate_ && watched == associate_->LineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Guarded([&] { StepBy(key == Qt::Key_Up ? 1 : -1); });
            return true;
        }
    }
    return TWinControl::eventFilter(watched, event);
}
