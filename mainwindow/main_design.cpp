// The main window's stored design: every component with its name, texts, sizes and
// handlers. Each handler is bound explicitly to the method of the form that serves it.

#include "mainwindow/main.h"

#include "mainwindow/toolbar_icons.h"
#include "platform/vcl/actions.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/toolbar.h"

namespace {

// A menu item owned by the form, appended to `menu`.
TMenuItem* AddItem(TComponent* form, TPopupMenu* menu, const char* name) {
    auto* item = MakeComponent<TMenuItem>(form, name);
    menu->Items()->Add(item);
    return item;
}

TMenuItem* AddActionItem(TComponent* form, TPopupMenu* menu, const char* name,
                         TAction* action) {
    TMenuItem* item = AddItem(form, menu, name);
    item->SetAction(action);
    return item;
}

TMenuItem* AddOptionItem(TComponent* form, TPopupMenu* menu, const char* name,
                         const char* caption, bool autoCheck) {
    TMenuItem* item = AddItem(form, menu, name);
    item->SetCaption(QString::fromLatin1(caption));
    item->SetAutoCheck(autoCheck);
    return item;
}

}  // namespace

void TFormOrlisk::BuildDesign() {
    SetName(QStringLiteral("FormOrlisk"));
    SetCaption(QStringLiteral("Orlisk"));
    SetBounds(332, 178, Width(), Height());
    SetClientWidth(792);
    SetClientHeight(573);
    Constraints().SetMinWidth(800);
    Constraints().SetMinHeight(600);
    SetColor(clBtnFace);
    SetFont(MakeFont(QStringLiteral("Tahoma"), -11));
    OnCreate = [this](TComponent* Sender) { FormCreate(Sender); };
    OnShow = [this](TComponent* Sender) { FormShow(Sender); };
    OnDestroy = [this](TComponent* Sender) { FormDestroy(Sender); };

    // The lists, actions and menus come first: the visible controls link to them.
    BuildImageLists();
    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildPathBar();

    DrawGrid = MakeComponent<TDrawGrid>(this, "DrawGrid");
    DrawGrid->SetParent(this);
    DrawGrid->SetAlign(alClient);
    DrawGrid->SetFixedCols(0);
    DrawGrid->SetFixedRows(0);
    DrawGrid->SetOptions(goRangeSelect | goDrawFocusSelected | goThumbTracking);
    DrawGrid->SetColCount(5);
    DrawGrid->SetRowCount(3);
    DrawGrid->SetDefaultColWidth(110);
    DrawGrid->SetDefaultRowHeight(110);
    DrawGrid->SetPopupMenu(PopupMenu);
    DrawGrid->OnDrawCell = [this](TComponent* Sender, int ACol, int ARow, TRect Rect,
                                  TGridDrawState State) {
        DrawGridDrawCell(Sender, ACol, ARow, Rect, State);
    };
    DrawGrid->OnSelectCell = [this](TComponent* Sender, int ACol, int ARow, bool& CanSelect) {
        DrawGridSelectCell(Sender, ACol, ARow, CanSelect);
    };
    DrawGrid->OnDblClick = [this](TComponent* Sender) { DrawGridDblClick(Sender); };
    DrawGrid->OnMouseWheelDown = [this](TComponent* Sender, TShiftState Shift, QPoint MousePos,
                                        bool& Handled) {
        DrawGridMouseWheelDown(Sender, Shift, MousePos, Handled);
    };
    DrawGrid->OnMouseWheelUp = [this](TComponent* Sender, TShiftState Shift, QPoint MousePos,
                                      bool& Handled) {
        DrawGridMouseWheelUp(Sender, Shift, MousePos, Handled);
    };

    StatusBar = MakeComponent<TStatusBar>(this, "StatusBar");
    StatusBar->SetParent(this);
    StatusBar->Panels()->Add()->SetWidth(550);
    StatusBar->Panels()->Add()->SetWidth(50);

    AlignControls();
}

void TFormOrlisk::BuildImageLists() {
    ImageList = MakeComponent<TImageList>(this, "ImageList");
    ImageListDis = MakeComponent<TImageList>(this, "ImageListDis");
    for (TImageList* list : {ImageList, ImageListDis}) {
        list->SetWidth(kToolbarImageSize);
        list->SetHeight(kToolbarImageSize);
    }
    for (int i = 0; i < tiCount; ++i) {
        ImageList->Add(ToolbarImage(i, false));
        ImageListDis->Add(ToolbarImage(i, true));
    }
}

void TFormOrlisk::BuildActions() {
    ActionList = MakeComponent<TActionList>(this, "ActionList");
    ActionList->SetImages(ImageList);

    struct ActionDesign {
        TAction** field;
        const char* name;
        const char* caption;
        const char* hint;
        int tag;
        int image;
    };
    const ActionDesign designs[] = {
        {&ActionOpen, "ActionOpen", "View Image", "Hotkey", 0, tiView},
        {&ActionRotateLeft, "ActionRotateLeft", "Rotate Left", "Hotkey", 3, tiRotateLeft},
        {&ActionRotateRight, "ActionRotateRight", "Rotate Right", "Hotkey", 1, tiRotateRight},
        {&ActionRotate180, "ActionRotate180", "Rotate 180", "Hotkey", 2, tiRotate180},
        {&ActionDisplayExif, "ActionDisplayExif", "Display EXIF", "Display EXIF", 0, tiExif},
        {&ActionDelete, "ActionDelete", "Delete", "Delete image", 0, tiDelete},
        {&ActionFlipHor, "ActionFlipHor", "Flip Horizontal", "Flip Horizontal", 5, -1},
        {&ActionFlipVer, "ActionFlipVer", "Flip Vertical", "Flip Vertical", 4, -1},
    };
    for (const ActionDesign& d : designs) {
        TAction* action = MakeComponent<TAction>(this, d.name);
        action->SetActionList(ActionList);
        action->SetCaption(QString::fromLatin1(d.caption));
        action->SetHint(QString::fromLatin1(d.hint));
        action->SetTag(d.tag);
        action->SetImageIndex(d.image);
        *d.field = action;
    }
    // The one-key shortcuts are set by FormCreate; this one is stored.
    ActionDelete->SetShortCut(scCtrl | VK_DELETE);

    ActionOpen->OnExecute = [this](TComponent* Sender) { ActionOpenExecute(Sender); };
    ActionOpen->OnUpdate = [this](TComponent* Sender) { ActionOpenUpdate(Sender); };
    for (TAction* rotate :
         {ActionRotateLeft, ActionRotateRight, ActionRotate180, ActionFlipHor, ActionFlipVer})
        rotate->OnExecute = [this](TComponent* Sender) { ActionRotate(Sender); };
    ActionRotateLeft->OnUpdate = [this](TComponent* Sender) { ActionRotateLeftUpdate(Sender); };
    ActionRotateRight->OnUpdate = [this](TComponent* Sender) { ActionRotateRightUpdate(Sender); };
    ActionRotate180->OnUpdate = [this](TComponent* Sender) { ActionRotate180Update(Sender); };
    ActionDisplayExif->OnExecute = [this](TComponent* Sender) {
        ActionDisplayExifExecute(Sender);
    };
    ActionDisplayExif->OnUpdate = [this](TComponent* Sender) { ActionDisplayExifUpdate(Sender); };
    ActionDelete->OnExecute = [this](TComponent* Sender) { ActionDeleteExecute(Sender); };
    ActionDelete->OnUpdate = [this](TComponent* Sender) { ActionDeleteUpdate(Sender); };
    ActionFlipHor->OnUpdate = [this](TComponent* Sender) { ActionFlipHorUpdate(Sender); };
    ActionFlipVer->OnUpdate = [this](TComponent* Sender) { ActionFlipVerUpdate(Sender); };
}

void TFormOrlisk::BuildMenus() {
    PopupMenu = MakeComponent<TPopupMenu>(this, "PopupMenu");
    PopupMenu->SetAutoHotkeys(maManual);
    PopupMenu->SetAutoLineReduction(maManual);
    pmiName = AddActionItem(this, PopupMenu, "pmiName", ActionOpen);
    pmiName->SetDefault(true);
    pmiRotateLeft = AddActionItem(this, PopupMenu, "pmiRotateLeft", ActionRotateLeft);
    pmiRotateRight = AddActionItem(this, PopupMenu, "pmiRotateRight", ActionRotateRight);
    pmiRotate180 = AddActionItem(this, PopupMenu, "pmiRotate180", ActionRotate180);
    pmiDisplayExif = AddActionItem(this, PopupMenu, "pmiDisplayExif", ActionDisplayExif);
    pmiDelete = AddActionItem(this, PopupMenu, "pmiDelete", ActionDelete);
    FliphorizontalMenuItem =
        AddActionItem(this, PopupMenu, "FliphorizontalMenuItem", ActionFlipHor);
    VerticalFlipMenuItem = AddActionItem(this, PopupMenu, "VerticalFlipMenuItem", ActionFlipVer);

    pmFlip = MakeComponent<TPopupMenu>(this, "pmFlip");
    pmiFlipHor = AddActionItem(this, pmFlip, "pmiFlipHor", ActionFlipHor);
    pmiFlipVer = AddActionItem(this, pmFlip, "pmiFlipVer", ActionFlipVer);

    // The favourites menu's items are made when the window is shown.
    pmMru = MakeComponent<TPopupMenu>(this, "pmMru");

    pmOptions = MakeComponent<TPopupMenu>(this, "pmOptions");
    pmOptions->OnPopup = [this](TComponent* Sender) { pmOptionsPopup(Sender); };
    pmiRefresh = AddOptionItem(this, pmOptions, "pmiRefresh", "Refresh", false);
    pmiRefresh->OnClick = [this](TComponent* Sender) { pmiRefreshClick(Sender); };
    pmiRebuildWhenResized = AddOptionItem(this, pmOptions, "pmiRebuildWhenResized",
                                          "Rebuild thumbnails when window resized", true);
    pmiThumbsInRow = AddOptionItem(this, pmOptions, "pmiThumbsInRow", "Thumbnails in Row...", false);
    pmiThumbsInRow->OnClick = [this](TComponent* Sender) { pmiThumbsInRowClick(Sender); };
    pmiEnlargeSmall =
        AddOptionItem(this, pmOptions, "pmiEnlargeSmall", "Enlarge Small Images", true);
    pmiKeepTimestamp =
        AddOptionItem(this, pmOptions, "pmiKeepTimestamp", "Keep File Timestamp", true);
    pmiKeepTimestamp->OnClick = [this](TComponent* Sender) { pmiKeepTimestampClick(Sender); };
    pmiDeleteConfirm = AddOptionItem(this, pmOptions, "pmiDeleteConfirm",
                                     "Display delete confirmation dialog", true);
    pmiDisplayCrop =
        AddOptionItem(this, pmOptions, "pmiDisplayCrop", "Display crop warning", true);
    pmiDisplayCrop->OnClick = [this](TComponent* Sender) { pmiDisplayCropClick(Sender); };
    pmiBackColor =
        AddOptionItem(this, pmOptions, "pmiBackColor", "&Background Color...", false);
    pmiBackColor->OnClick = [this](TComponent* Sender) { pmiBackColorClick(Sender); };
    pmiForeColor = AddOptionItem(this, pmOptions, "pmiForeColor", "&Text Color...", false);
    pmiForeColor->OnClick = [this](TComponent* Sender) { pmiForeColorClick(Sender); };
    N1 = AddOptionItem(this, pmOptions, "N1", "-", false);
    pmiWebsite = AddOptionItem(this, pmOptions, "pmiWebsite", "Web-Site", false);
    pmiWebsite->OnClick = [this](TComponent* Sender) { pmiWebsiteClick(Sender); };
    pmiAbout = AddOptionItem(this, pmOptions, "pmiAbout", "About", false);
    pmiAbout->OnClick = [this](TComponent* Sender) { pmiAboutClick(Sender); };
    pmiSeparator = AddOptionItem(this, pmOptions, "pmiSeparator", "-", false);
    pmiHiQuality = AddOptionItem(this, pmOptions, "pmiHiQuality",
                                 "High Thumbnail Quality (slower)", true);
    pmiLowQuality =
        AddOptionItem(this, pmOptions, "pmiLowQuality", "Low Thumbnail Quality (faster)", true);
    for (TMenuItem* quality : {pmiHiQuality, pmiLowQuality}) {
        quality->SetRadioItem(true);
        quality->SetGroupIndex(1);
    }
    pmiHiQuality->SetChecked(true);
    N2 = AddOptionItem(this, pmOptions, "N2", "-", false);
    N2->SetGroupIndex(1);
}

void TFormOrlisk::BuildToolBar() {
    ToolBar = MakeComponent<TToolBar>(this, "ToolBar");
    ToolBar->SetParent(this);
    ToolBar->SetAlign(alTop);
    ToolBar->SetHeight(52);
    ToolBar->SetButtonWidth(68);
    ToolBar->SetButtonHeight(44);
    ToolBar->SetShowCaptions(true);
    ToolBar->SetImages(ImageList);
    ToolBar->SetDisabledImages(ImageListDis);
    ToolBar->SetEdgeBorders(ebTop | ebBottom);

    // Buttons take their place in the row in the order they get the toolbar as parent.
    auto button = [this](const char* name) {
        auto* b = MakeComponent<TToolButton>(this, name);
        b->SetParent(ToolBar);
        return b;
    };
    tbFavorites = button("tbFavorites");
    tbFavorites->SetCaption(QStringLiteral("Favorites"));
    tbFavorites->SetImageIndex(tiFavorites);
    tbFavorites->SetDropdownMenu(pmMru);

    tbAuto = button("tbAuto");
    tbAuto->SetCaption(QStringLiteral("Automatic"));
    tbAuto->SetImageIndex(tiAutomatic);
    tbAuto->OnClick = [this](TComponent* Sender) { tbAutoClick(Sender); };

    tbViewImage = button("tbViewImage");
    tbViewImage->SetAction(ActionOpen);
    tbRotateLeft = button("tbRotateLeft");
    tbRotateLeft->SetAction(ActionRotateLeft);
    tbRotateRight = button("tbRotateRight");
    tbRotateRight->SetAction(ActionRotateRight);
    tbRotate180 = button("tbRotate180");
    tbRotate180->SetAction(ActionRotate180);
    tbRotate180->SetStyle(tbsDropDown);
    tbRotate180->SetDropdownMenu(pmFlip);
    ToolButton2 = button("ToolButton2");
    ToolButton2->SetAction(ActionDelete);
    tbExif = button("tbExif");
    tbExif->SetAction(ActionDisplayExif);

    tbOptions = button("tbOptions");
    tbOptions->SetCaption(QStringLiteral("Options"));
    tbOptions->SetImageIndex(tiOptions);
    tbOptions->SetDropdownMenu(pmOptions);
}

void TFormOrlisk::BuildPathBar() {
    Panel1 = MakeComponent<TPanel>(this, "Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(alTop);
    Panel1->SetTop(ToolBar->Top() + ToolBar->Height());
    Panel1->SetHeight(40);
    Panel1->SetBevelOuter(bvNone);
    Panel1->SetBorderWidth(5);
    Panel1->SetCaption(QString());
    // The panel's width must be known before the right anchors are taken.
    AlignControls();

    const int width = Panel1->ClientWidth();
    constexpr int kCheckBoxWidth = 125;
    constexpr int kBrowseWidth = 105;
    constexpr int kGap = 6;
    const int browseLeft = width - kCheckBoxWidth - kGap - kBrowseWidth;

    btnRecent = MakeComponent<TBitBtn>(this, "btnRecent");
    btnRecent->SetParent(Panel1);
    btnRecent->SetBounds(0, 4, 21, 21);
    btnRecent->SetHint(QStringLiteral("Recent folder"));
    btnRecent->SetGlyph(RecentFolderGlyph());
    btnRecent->SetNumGlyphs(2);
    btnRecent->SetTabOrder(0);
    btnRecent->OnClick = [this](TComponent* Sender) { btnRecentClick(Sender); };

    edPath = MakeComponent<TEdit>(this, "edPath");
    edPath->SetParent(Panel1);
    edPath->SetBounds(25, 4, browseLeft - kGap - 25, 21);
    edPath->SetAnchors(akLeft | akTop | akRight);
    edPath->SetTabOrder(1);
    edPath->OnEnter = [this](TComponent* Sender) { edPathEnter(Sender); };
    edPath->OnExit = [this](TComponent* Sender) { edPathExit(Sender); };
    edPath->OnKeyDown = [this](TComponent* Sender, uint16_t& Key, TShiftState Shift) {
        edPathKeyDown(Sender, Key, Shift);
    };

    btnBrowse = MakeComponent<TButton>(this, "btnBrowse");
    btnBrowse->SetParent(Panel1);
    btnBrowse->SetBounds(browseLeft, 3, kBrowseWidth, 23);
    btnBrowse->SetAnchors(akTop | akRight);
    btnBrowse->SetCaption(QStringLiteral("Browse..."));
    btnBrowse->SetTabOrder(2);
    btnBrowse->OnClick = [this](TComponent* Sender) { btnBrowseClick(Sender); };

    cbSubFolders = MakeComponent<TCheckBox>(this, "cbSubFolders");
    cbSubFolders->SetParent(Panel1);
    cbSubFolders->SetBounds(width - kCheckBoxWidth, 6, kCheckBoxWidth, 17);
    cbSubFolders->SetAnchors(akTop | akRight);
    cbSubFolders->SetCaption(QStringLiteral("Include subfolders"));
    cbSubFolders->SetTabOrder(3);
    cbSubFolders->OnClick = [this](TComponent* Sender) { cbSubFoldersClick(Sender); };
}
