#pragma once
// Labels and push buttons.

#include "platform/vcl/controls.h"

class QLabel;
class QPushButton;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Text on the form. With ShowAccelChar (the default) "&&" shows "&" and a single "&"
// is left out, as the access-key mark of a label.
class TLabel : public TControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TLabel(TComponent* AOwner);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool WordWrap() const;
    void SetWordWrap(bool wrap);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);
    // The text as shown.
    QString DisplayText() const;
    QLabel* Label() const;

private:
    QString caption_;
    TAlignment alignment_ = taLeftJustify;
    bool showAccelChar_ = true;
};

// A push button. "&" in the caption marks its access key (Alt+letter clicks it).
// The Default button is clicked by Enter and the Cancel button by Esc when the key
// reaches the form unused; a focused button is clicked by Enter and Space itself.
// A click first gives the form the button's ModalResult (when not mrNone), then runs
// OnClick.
class TButton : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TButton(TComponent* AOwner);

    QString Caption() const;
    void SetCaption(const QString& caption);
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool isCancel) { cancel_ = isCancel; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    // Clicks the button as the user would (nothing happens while it is disabled).
    void Click();
    QPushButton* Button() const;

    TNotifyEvent OnClick;

protected:
    bool DialogKey(uint16_t key) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Clicked();

    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
};
