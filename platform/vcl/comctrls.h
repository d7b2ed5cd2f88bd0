#pragma once
// The progress bar.

#include "platform/vcl/controls.h"

class QProgressBar;

// A horizontal bar from Min to Max (0 and 100 at first), Position kept inside the
// range. Min and Max refuse a maximum below the minimum: EInvalidOperation
// "%s property out of range" with the class name ("TProgressBar") in place of "%s".
class TProgressBar : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Step READ Step WRITE SetStep)
    Q_PROPERTY(bool Smooth READ Smooth WRITE SetSmooth)

public:
    explicit TProgressBar(TComponent* AOwner);

    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetMin(int value);
    void SetMax(int value);
    int Position() const { return position_; }
    void SetPosition(int value);
    // Position += delta, kept inside the range (advancing past Max leaves it full).
    void StepBy(int delta);
    void StepIt() { StepBy(step_); }
    int Step() const { return step_; }
    void SetStep(int step) { step_ = step; }
    // A continuous bar rather than blocks; Qt's styles draw every bar continuous, so
    // this is only kept.
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool smooth) { smooth_ = smooth; }
    QProgressBar* Bar() const;

private:
    void Apply();
    [[noreturn]] void OutOfRange() const;

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    bool smooth_ = false;
};
