#include "platform/vcl/stdctrls_extra.h"

#include "platform/vcl/application.h"

#include <QCheckBox>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

// ---- TEdit ---------------------------------------------------------------------

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner, new QLineEdit) {
    LineEdit()->setGeometry(0, 0, 121, 21);
    LineEdit()->setFocusPolicy(Qt::StrongFocus);
    connect(LineEdit(), &QLineEdit::textChanged, this, [this] {
        if (!OnChange) return;
        const TNotifyEvent handler = OnChange;
        Guarded([&] { handler(this); });
    });
}

QLineEdit* TEdit::LineEdit() const { return static_cast<QLineEdit*>(Widget()); }

QString TEdit::Text() const { return LineEdit() ? LineEdit()->text() : QString(); }

void TEdit::SetText(const QString& text) {
    if (LineEdit()) LineEdit()->setText(text);
}

bool TEdit::ReadOnly() const { return LineEdit() && LineEdit()->isReadOnly(); }

void TEdit::SetReadOnly(bool readOnly) {
    if (LineEdit()) LineEdit()->setReadOnly(readOnly);
}

void TEdit::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    // QLineEdit's own default limit is 32767; 0 means none here.
    if (LineEdit()) LineEdit()->setMaxLength(maxLength_ > 0 ? maxLength_ : 0x7FFFFFFF);
}

void TEdit::SelectAll() {
    if (LineEdit()) LineEdit()->selectAll();
}

// ---- TCheckBox -----------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner, new QCheckBox) {
    CheckBox()->setGeometry(0, 0, 97, 17);
    CheckBox()->setFocusPolicy(Qt::StrongFocus);
    // toggled fires for clicks, the space bar and setChecked from code alike: the
    // class library's check box clicks in all three cases.
    connect(CheckBox(), &QCheckBox::toggled, this, [this] {
        if (!OnClick) return;
        const TNotifyEvent handler = OnClick;
        Guarded([&] { handler(this); });
    });
}

QCheckBox* TCheckBox::CheckBox() const { return static_cast<QCheckBox*>(Widget()); }

QString TCheckBox::Caption() const { return CheckBox() ? CheckBox()->text() : QString(); }

void TCheckBox::SetCaption(const QString& caption) {
    if (CheckBox()) CheckBox()->setText(caption);
}

bool TCheckBox::Checked() const { return CheckBox() && CheckBox()->isChecked(); }

void TCheckBox::SetChecked(bool checked) {
    if (CheckBox()) CheckBox()->setChecked(checked);
}

// ---- TBitBtn -------------------------------------------------------------------

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {
    if (Button()) Button()->setGeometry(0, 0, 75, 25);
}

void TBitBtn::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    UpdateIcon();
}

void TBitBtn::SetNumGlyphs(int count) {
    numGlyphs_ = std::clamp(count, 1, 4);
    UpdateIcon();
}

QPixmap TBitBtn::GlyphFor(bool enabled) const {
    if (glyph_.isNull()) return {};
    const int w = glyph_.width() / numGlyphs_;
    if (w <= 0) return {};
    const int part = (!enabled && numGlyphs_ >= 2) ? 1 : 0;
    return glyph_.copy(part * w, 0, w, glyph_.height());
}

void TBitBtn::UpdateIcon() {
    QPushButton* b = Button();
    if (!b) return;
    if (glyph_.isNull()) {
        b->setIcon(QIcon());
        return;
    }
    QIcon icon;
    const QPixmap normal = GlyphFor(true);
    icon.addPixmap(normal, QIcon::Normal);
    // With a single glyph Qt greys the normal image for the disabled state itself.
    if (numGlyphs_ >= 2) icon.addPixmap(GlyphFor(false), QIcon::Disabled);
    b->setIcon(icon);
    b->setIconSize(normal.size());
}
