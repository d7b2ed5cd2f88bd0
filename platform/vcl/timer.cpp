#include "platform/vcl/timer.h"

#include "platform/vcl/application.h"

#include <QTimer>

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), timer_(new QTimer(this)) {
    QObject::connect(timer_, &QTimer::timeout, this, [this] {
        if (OnTimer) Guarded([this] { OnTimer(this); });
    });
    Update();
}

TTimer::~TTimer() { timer_->stop(); }

void TTimer::SetInterval(int ms) {
    interval_ = ms;
    Update();
}

void TTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Update();
}

void TTimer::Update() {
    if (enabled_ && interval_ > 0)
        timer_->start(interval_);
    else
        timer_->stop();
}
