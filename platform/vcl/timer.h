#pragma once
// The timer component.

#include "platform/vcl/controls.h"

class QTimer;

// Runs OnTimer (guarded) every Interval milliseconds while Enabled (the default) and
// Interval > 0.
class TTimer : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Interval READ Interval WRITE SetInterval)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)

public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    int Interval() const { return interval_; }
    void SetInterval(int ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    TNotifyEvent OnTimer;

private:
    void Update();

    QTimer* timer_;
    int interval_ = 1000;
    bool enabled_ = true;
};
