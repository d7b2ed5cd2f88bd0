#pragma once
// TPanel (a container with a bevel, a border and a centred caption) and TStatusBar
// (a row of text panels along the bottom of a form).

#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"

#include <QObject>
#include <QString>
#include <vector>

class QFrame;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(int BevelOuter READ BevelOuterValue WRITE SetBevelOuterValue)
    Q_PROPERTY(int BevelInner READ BevelInnerValue WRITE SetBevelInnerValue)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)

public:
    // 185 x 41, raised outer bevel, no inner bevel, border width 0.
    explicit TPanel(TComponent* AOwner);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // Space between the bevels; children lie inside the bevels and the border.
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    // clBtnFace unless set.
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    // The area inside the bevels and the border, where the children go.
    QWidget* ClientWidget() const override;
    // The size of that area, from the panel's size (right also while the panel is
    // hidden and its inner widget has not followed yet).
    int ClientWidth() const override;
    int ClientHeight() const override;

private:
    int BevelOuterValue() const { return bevelOuter_; }
    void SetBevelOuterValue(int v) { SetBevelOuter(static_cast<TBevelCut>(v)); }
    int BevelInnerValue() const { return bevelInner_; }
    void SetBevelInnerValue(int v) { SetBevelInner(static_cast<TBevelCut>(v)); }
    void Relayout();
    int Inset() const;

    QString caption_;
    int borderWidth_ = 0;
    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    TColor color_ = clBtnFace;
    QWidget* client_ = nullptr;
};

class TStatusBar;

class TStatusPanel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)

public:
    QString Text() const { return text_; }
    void SetText(const QString& text);
    // Pixels; the last panel runs to the bar's right edge whatever its width.
    int Width() const { return width_; }
    void SetWidth(int width);
    int Index() const;

private:
    friend class TStatusPanels;
    explicit TStatusPanel(TStatusBar* bar) : bar_(bar) {}
    TStatusBar* bar_;
    QString text_;
    int width_ = 50;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar* bar) : bar_(bar) {}
    ~TStatusPanels();
    TStatusPanels(const TStatusPanels&) = delete;
    TStatusPanels& operator=(const TStatusPanels&) = delete;

    // Appends a panel (50 pixels, empty text) and returns it.
    TStatusPanel* Add();
    int Count() const { return static_cast<int>(panels_.size()); }
    // Raises EInvalidOperation "List index out of bounds (%d)" outside 0 .. Count-1.
    TStatusPanel* Items(int index) const;
    void Delete(int index);
    void Clear();
    int IndexOf(const TStatusPanel* panel) const;

private:
    TStatusBar* bar_;
    std::vector<TStatusPanel*> panels_;
};

class TStatusBar : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString SimpleText READ SimpleText WRITE SetSimpleText)
    Q_PROPERTY(bool SimplePanel READ SimplePanel WRITE SetSimplePanel)

public:
    // Aligned to the bottom of its parent, 19 pixels high.
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;

    TStatusPanels* Panels() { return &panels_; }
    const TStatusPanels* Panels() const { return &panels_; }

    // With SimplePanel the bar shows SimpleText across its whole width instead of
    // its panels.
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool simple);
    QString SimpleText() const { return simpleText_; }
    void SetSimpleText(const QString& text);

    // The rectangle panel `index` takes in the bar (the last one runs to the right
    // edge); empty outside 0 .. Count-1.
    QRect PanelRect(int index) const;

private:
    friend class TStatusPanel;
    friend class TStatusPanels;
    TStatusPanels panels_;
    bool simplePanel_ = false;
    QString simpleText_;
};
