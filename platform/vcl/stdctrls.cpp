#include "platform/vcl/stdctrls.h"

#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

// ---- TLabel --------------------------------------------------------------------

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner, new QLabel) {
    Label()->setTextFormat(Qt::PlainText);
    Label()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QLabel* TLabel::Label() const { return static_cast<QLabel*>(Widget()); }

QString TLabel::DisplayText() const {
    if (!showAccelChar_) return caption_;
    QString shown;
    shown.reserve(caption_.size());
    for (qsizetype i = 0; i < caption_.size(); ++i) {
        if (caption_[i] == u'&' && i + 1 < caption_.size()) ++i;  // "&&" -> "&", "&x" -> "x"
        shown += caption_[i];
    }
    return shown;
}

void TLabel::SetCaption(const QString& caption) {
    caption_ = caption;
    if (Label()) Label()->setText(DisplayText());
}

void TLabel::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    if (!Label()) return;
    const Qt::Alignment h = alignment == taCenter        ? Qt::AlignHCenter
                            : alignment == taRightJustify ? Qt::AlignRight
                                                          : Qt::AlignLeft;
    Label()->setAlignment(h | Qt::AlignTop);
}

bool TLabel::WordWrap() const { return Label() && Label()->wordWrap(); }

void TLabel::SetWordWrap(bool wrap) {
    if (Label()) Label()->setWordWrap(wrap);
}

void TLabel::SetShowAccelChar(bool show) {
    showAccelChar_ = show;
    SetCaption(caption_);
}

// ---- TButton -------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner, new QPushButton) {
    Button()->setAutoDefault(false);
    Button()->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(Button(), &QPushButton::clicked, this, [this] { Clicked(); });
}

QPushButton* TButton::Button() const { return static_cast<QPushButton*>(Widget()); }

QString TButton::Caption() const { return Button() ? Button()->text() : QString(); }

void TButton::SetCaption(const QString& caption) {
    if (Button()) Button()->setText(caption);
}

void TButton::SetDefault(bool isDefault) {
    default_ = isDefault;
    if (Button()) Button()->setDefault(isDefault);
}

void TButton::Click() {
    if (Button()) Button()->click();
}

void TButton::Clicked() {
    if (modalResult_ != 0)
        if (TForm* form = ParentForm()) form->SetModalResult(modalResult_);
    if (OnClick) Guarded([this] { OnClick(this); });
}

bool TButton::DialogKey(uint16_t key) {
    if (!((key == VK_ESCAPE && cancel_) || (key == VK_RETURN && default_))) return false;
    if (!CanFocus()) return false;
    Click();
    return true;
}

bool TButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Widget() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const auto mods = key->modifiers() & (Qt::AltModifier | Qt::ControlModifier);
        if (mods == Qt::NoModifier && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            Click();
            return true;
        }
    }
    return TWinControl::eventFilter(watched, event);
}
