#pragma once
// TUpDown: a pair of arrow buttons that step a number, shown in an attached edit.

#include "platform/vcl/controls.h"

#include <QPointer>

class TEdit;

// Position lies within Min .. Max (0 and 100 at first). With an Associate, the
// position is written into the edit as decimal text, and the up-down takes its
// position back from the edit's text whenever it is asked for it: text that is not
// a whole number within Min .. Max is not taken, and the position it held last stays.
// The arrows (and the Up and Down keys in the edit) step by Increment from there,
// stopping at the ends.
class TUpDown : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)

public:
    // 17 x 21, range 0 .. 100, position 0, no associate.
    explicit TUpDown(TComponent* AOwner);

    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetMin(int value);
    void SetMax(int value);
    // Reads the associate's text first (see above).
    int Position() const;
    // Kept within Min .. Max; written into the associate.
    void SetPosition(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }

    TEdit* Associate() const { return associate_; }
    // Attaches the edit: the up-down moves to the edit's right edge with the edit's
    // height and shows its position there.
    void SetAssociate(TEdit* edit);

    // One step up (positive) or down (negative), as an arrow click does.
    void StepBy(int steps);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The position the associate's text gives, or the one held last.
    int SyncFromText() const;
    void WriteText();

    int min_ = 0;
    int max_ = 100;
    mutable int position_ = 0;
    int increment_ = 1;
    QPointer<TEdit> associate_;
};
