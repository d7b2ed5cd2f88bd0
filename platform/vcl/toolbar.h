#pragma once
// TToolBar and TToolButton: a row of buttons of one size (ButtonWidth x
// ButtonHeight), left to right in the order they were given the toolbar as parent,
// each showing its image from the toolbar's Images (DisabledImages while it is
// disabled) with its caption under it when ShowCaptions is on. Neither the toolbar
// nor its buttons nor their menus take the keyboard focus, not even by a click.

#include "platform/vcl/actions.h"
#include "platform/vcl/changelink.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/menus.h"

#include <QPointer>
#include <QString>

class QToolButton;
class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

using TEdgeBorders = unsigned;
enum : unsigned { ebLeft = 0x1, ebTop = 0x2, ebRight = 0x4, ebBottom = 0x8 };

class TToolButton : public TControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)

public:
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;

    QToolButton* Button() const;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // Index into the toolbar's image lists; -1: no image.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    // tbsButton: a push button; with a DropdownMenu it opens the menu when pressed
    // instead. tbsDropDown: a split button; the main part clicks, its arrow opens the
    // DropdownMenu. tbsSeparator / tbsDivider: an 8-pixel gap (a divider draws a
    // line). tbsCheck: stays down when clicked, up when clicked again.
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle style);
    TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* menu);
    bool Down() const;
    void SetDown(bool down);

    // Linking copies the action's caption, hint, enabled, checked (as Down), visible
    // and image, and keeps following them.
    TCustomAction* Action() const { return action_; }
    void SetAction(TCustomAction* action);

    // A button goes to the end of the toolbar's row when the toolbar becomes its
    // parent.
    void SetParent(TWinControl* parent) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    TToolBar* ToolBar() const;

    // What a click on the main part does: OnClick when set, else the linked action
    // executes. Exceptions pass to the caller (the button's dispatch shows them).
    void Click();
    // Opens the DropdownMenu below the button and waits until it closes (what
    // pressing the button or its arrow does); false when there is no menu.
    bool CheckMenuDropdown();

    TNotifyEvent OnClick;

private:
    friend class TToolBar;
    void UpdateLook();
    void ActionChanged();

    QString caption_;
    int imageIndex_ = -1;
    TToolButtonStyle style_ = tbsButton;
    QPointer<TPopupMenu> dropdownMenu_;
    ChangeLink<TCustomAction> action_;
};

class TToolBar : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int ButtonWidth READ ButtonWidth WRITE SetButtonWidth)
    Q_PROPERTY(int ButtonHeight READ ButtonHeight WRITE SetButtonHeight)
    Q_PROPERTY(bool ShowCaptions READ ShowCaptions WRITE SetShowCaptions)

public:
    // Aligned to the top of its parent, 29 pixels high, buttons 23 x 22, no borders.
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;

    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int width);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int height);
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool show);
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images);
    // Images for disabled buttons; without them a disabled button shows a greyed
    // copy of its normal image.
    TImageList* DisabledImages() const { return disabledImages_; }
    void SetDisabledImages(TImageList* images);
    // The edges that get a line (ebTop | ebBottom: a line above and below the row).
    TEdgeBorders EdgeBorders() const { return edgeBorders_; }
    void SetEdgeBorders(TEdgeBorders borders);

    // The buttons in row order.
    int ButtonCount() const;
    TToolButton* Buttons(int index) const;

    // Places the buttons left to right (runs by itself when buttons, captions or sizes
    // change). With ShowCaptions every button is as wide as the widest caption needs
    // (EffectiveButtonWidth), at least ButtonWidth; a split button adds its arrow.
    void ArrangeButtons();
    int EffectiveButtonWidth() const;

private:
    void ImagesChanged();

    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    bool showCaptions_ = false;
    ChangeLink<TImageList> images_;
    ChangeLink<TImageList> disabledImages_;
    TEdgeBorders edgeBorders_ = 0;
};
