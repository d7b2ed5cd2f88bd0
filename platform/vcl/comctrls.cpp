#include "platform/vcl/comctrls.h"

#include "platform/system/sysutils.h"

#include <QProgressBar>
#include <algorithm>
#include <climits>

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner, new QProgressBar) {
    Bar()->setTextVisible(false);
    Bar()->setFocusPolicy(Qt::NoFocus);
    Apply();
}

QProgressBar* TProgressBar::Bar() const { return static_cast<QProgressBar*>(Widget()); }

void TProgressBar::OutOfRange() const {
    throw EInvalidOperation(sys::Format(QStringLiteral("%s property out of range"),
                                        {QString::fromLatin1(metaObject()->className())}));
}

void TProgressBar::SetMin(int value) {
    if (value == min_) return;
    if (value > max_) OutOfRange();
    min_ = value;
    Apply();
}

void TProgressBar::SetMax(int value) {
    if (value == max_) return;
    if (value < min_) OutOfRange();
    max_ = value;
    Apply();
}

void TProgressBar::SetPosition(int value) {
    position_ = std::clamp(value, min_, max_);
    Apply();
}

void TProgressBar::StepBy(int delta) {
    const long long next = static_cast<long long>(position_) + delta;
    SetPosition(static_cast<int>(std::clamp<long long>(next, min_, max_)));
}

void TProgressBar::Apply() {
    position_ = std::clamp(position_, min_, max_);
    QProgressBar* bar = Bar();
    if (!bar) return;
    // Qt shows a busy bar for an empty range and works in int: show the range as an
    // offset from Min, and an empty range as an empty bar.
    const long long span = static_cast<long long>(max_) - min_;
    if (span <= 0) {
        bar->setRange(0, 1);
        bar->setValue(0);
        return;
    }
    const long long offset = static_cast<long long>(position_) - min_;
    if (span <= INT_MAX) {
        bar->setRange(0, static_cast<int>(span));
        bar->setValue(static_cast<int>(offset));
    } else {
        bar->setRange(0, 1 << 30);
        bar->setValue(static_cast<int>(offset * (1LL << 30) / span));
    }
}
