#pragma once
// The path bar's controls: TEdit (one line of text), TCheckBox, and TBitBtn (a push
// button with a glyph).

#include "platform/vcl/controls.h"
#include "platform/vcl/stdctrls.h"

#include <QImage>
#include <QPixmap>
#include <QString>

class QCheckBox;
class QLineEdit;

class TEdit : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)

public:
    // 121 x 21, empty. OnKeyDown (inherited) gets the virtual-key code of every key
    // pressed while the edit has the focus; setting Key to 0 swallows it.
    explicit TEdit(TComponent* AOwner);

    QLineEdit* LineEdit() const;

    QString Text() const;
    // Runs OnChange when the text changes, from code too.
    void SetText(const QString& text);
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    // 0: no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    void SelectAll();

    // The text changed (typed, pasted or set from code).
    TNotifyEvent OnChange;

private:
    int maxLength_ = 0;
};

class TCheckBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)

public:
    // 97 x 17, unchecked.
    explicit TCheckBox(TComponent* AOwner);

    QCheckBox* CheckBox() const;

    QString Caption() const;
    void SetCaption(const QString& caption);
    bool Checked() const;
    // Runs OnClick when the state changes, also when set from code.
    void SetChecked(bool checked);

    // The state changed: clicked, toggled with the space bar, or set from code.
    TNotifyEvent OnClick;
};

// A TButton (Caption, OnClick, Click(), Default, Cancel, ModalResult) that shows a
// glyph.
class TBitBtn : public TButton {
    Q_OBJECT
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)

public:
    // 75 x 25, no glyph.
    explicit TBitBtn(TComponent* AOwner);

    // One bitmap holding NumGlyphs images of equal width side by side: the first is
    // the normal look, the second (when NumGlyphs >= 2) the disabled look.
    QPixmap Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& glyph);
    void SetGlyph(const QImage& glyph) { SetGlyph(QPixmap::fromImage(glyph)); }
    int NumGlyphs() const { return numGlyphs_; }
    // Clamped to 1 .. 4.
    void SetNumGlyphs(int count);
    // The image the button shows in a state (a part of the glyph).
    QPixmap GlyphFor(bool enabled) const;

private:
    void UpdateIcon();

    QPixmap glyph_;
    int numGlyphs_ = 1;
};
