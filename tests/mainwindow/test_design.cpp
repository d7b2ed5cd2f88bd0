// The stored design of the main window, compared with tables written out here from
// the window's description, so that a transcription error in the design shows.

#include "mainwindow_fixture.h"

#include "mainwindow/toolbar_icons.h"
#include "platform/vcl/actions.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_extra.h"
#include "platform/vcl/toolbar.h"
#include "translation/lang.h"

#include <QMetaProperty>
#include <set>

namespace {

QString PropertyText(const QObject* object, const char* name) {
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfProperty(name);
    return index < 0 ? QStringLiteral("<none>") : meta->property(index).read(object).toString();
}

struct ComponentRow {
    const char* name;
    const char* className;
    const char* caption;  // nullptr: the component has no caption to check
    int tag;
};

// Every component of the design, with the caption it shows as stored.
const ComponentRow kComponents[] = {
    {"ToolBar", "TToolBar", nullptr, 0},
    {"tbFavorites", "TToolButton", "Favorites", 0},
    {"tbAuto", "TToolButton", "Automatic", 0},
    {"tbViewImage", "TToolButton", "View Image", 0},
    {"tbRotateLeft", "TToolButton", "Rotate Left", 0},
    {"tbRotateRight", "TToolButton", "Rotate Right", 0},
    {"tbRotate180", "TToolButton", "Rotate 180", 0},
    {"ToolButton2", "TToolButton", "Delete", 0},
    {"tbExif", "TToolButton", "Display EXIF", 0},
    {"tbOptions", "TToolButton", "Options", 0},
    {"Panel1", "TPanel", "", 0},
    {"btnRecent", "TBitBtn", "", 0},
    {"edPath", "TEdit", nullptr, 0},
    {"btnBrowse", "TButton", "Browse...", 0},
    {"cbSubFolders", "TCheckBox", "Include subfolders", 0},
    {"DrawGrid", "TDrawGrid", nullptr, 0},
    {"StatusBar", "TStatusBar", nullptr, 0},
    {"ActionList", "TActionList", nullptr, 0},
    {"ActionOpen", "TAction", "View Image", 0},
    {"ActionRotateLeft", "TAction", "Rotate Left", 3},
    {"ActionRotateRight", "TAction", "Rotate Right", 1},
    {"ActionRotate180", "TAction", "Rotate 180", 2},
    {"ActionDisplayExif", "TAction", "Display EXIF", 0},
    {"ActionDelete", "TAction", "Delete", 0},
    {"ActionFlipHor", "TAction", "Flip Horizontal", 5},
    {"ActionFlipVer", "TAction", "Flip Vertical", 4},
    {"PopupMenu", "TPopupMenu", nullptr, 0},
    {"pmiName", "TMenuItem", "View Image", 0},
    {"pmiRotateLeft", "TMenuItem", "Rotate Left", 0},
    {"pmiRotateRight", "TMenuItem", "Rotate Right", 0},
    {"pmiRotate180", "TMenuItem", "Rotate 180", 0},
    {"pmiDisplayExif", "TMenuItem", "Display EXIF", 0},
    {"pmiDelete", "TMenuItem", "Delete", 0},
    {"FliphorizontalMenuItem", "TMenuItem", "Flip Horizontal", 0},
    {"VerticalFlipMenuItem", "TMenuItem", "Flip Vertical", 0},
    {"pmFlip", "TPopupMenu", nullptr, 0},
    {"pmiFlipHor", "TMenuItem", "Flip Horizontal", 0},
    {"pmiFlipVer", "TMenuItem", "Flip Vertical", 0},
    {"pmMru", "TPopupMenu", nullptr, 0},
    {"pmOptions", "TPopupMenu", nullptr, 0},
    {"pmiRefresh", "TMenuItem", "Refresh", 0},
    {"pmiRebuildWhenResized", "TMenuItem", "Rebuild thumbnails when window resized", 0},
    {"pmiThumbsInRow", "TMenuItem", "Thumbnails in Row...", 0},
    {"pmiEnlargeSmall", "TMenuItem", "Enlarge Small Images", 0},
    {"pmiKeepTimestamp", "TMenuItem", "Keep File Timestamp", 0},
    {"pmiDeleteConfirm", "TMenuItem", "Display delete confirmation dialog", 0},
    {"pmiDisplayCrop", "TMenuItem", "Display crop warning", 0},
    {"pmiBackColor", "TMenuItem", "&Background Color...", 0},
    {"pmiForeColor", "TMenuItem", "&Text Color...", 0},
    {"N1", "TMenuItem", "-", 0},
    {"pmiWebsite", "TMenuItem", "Web-Site", 0},
    {"pmiAbout", "TMenuItem", "About", 0},
    {"pmiSeparator", "TMenuItem", "-", 0},
    {"pmiHiQuality", "TMenuItem", "High Thumbnail Quality (slower)", 0},
    {"pmiLowQuality", "TMenuItem", "Low Thumbnail Quality (faster)", 0},
    {"N2", "TMenuItem", "-", 0},
    {"ImageList", "TImageList", nullptr, 0},
    {"ImageListDis", "TImageList", nullptr, 0},
};

const char* const kKeys[36] = {
    "FormOrlisk.ActionOpen.Caption",        "FormOrlisk.ActionOpen.Hint",
    "FormOrlisk.ActionRotateLeft.Caption",  "FormOrlisk.ActionRotateLeft.Hint",
    "FormOrlisk.ActionRotateRight.Caption", "FormOrlisk.ActionRotateRight.Hint",
    "FormOrlisk.ActionRotate180.Caption",   "FormOrlisk.ActionRotate180.Hint",
    "FormOrlisk.ActionDisplayExif.Caption", "FormOrlisk.ActionDisplayExif.Hint",
    "FormOrlisk.tbFavorites.Caption",       "FormOrlisk.tbFavorites.Hint",
    "FormOrlisk.tbAuto.Caption",            "FormOrlisk.tbAuto.Hint",
    "FormOrlisk.tbOptions.Caption",         "FormOrlisk.tbOptions.Hint",
    "FormOrlisk.ActionDelete.Caption",      "FormOrlisk.ActionDelete.Hint",
    "FormOrlisk.btnBrowse.Caption",         "FormOrlisk.cbSubFolders.Caption",
    "FormOrlisk.pmiRefresh.Caption",        "FormOrlisk.pmiThumbsInRow.Caption",
    "FormOrlisk.pmiEnlargeSmall.Caption",   "FormOrlisk.pmiHiQuality.Caption",
    "FormOrlisk.pmiLowQuality.Caption",     "FormOrlisk.pmiKeepTimestamp.Caption",
    "FormOrlisk.pmiAbout.Caption",          "FormOrlisk.pmiWebsite.Caption",
    "FormOrlisk.pmiDeleteConfirm.Caption",  "FormOrlisk.ActionFlipVer.Caption",
    "FormOrlisk.ActionFlipHor.Caption",     "FormOrlisk.btnRecent.Hint",
    "FormOrlisk.pmiDisplayCrop.Caption",    "FormOrlisk.pmiBackColor.Caption",
    "FormOrlisk.pmiForeColor.Caption",      "FormOrlisk.pmiRebuildWhenResized.Caption",
};

}  // namespace

TEST_F(MainWindowTest, EveryComponentOfTheDesignIsOwnedByTheFormWithItsCaptionAndTag) {
    for (const ComponentRow& row : kComponents) {
        SCOPED_TRACE(row.name);
        TComponent* c = form->FindComponent(QString::fromLatin1(row.name));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Owner(), form);
        EXPECT_STREQ(c->metaObject()->className(), row.className);
        if (row.caption) {
            EXPECT_EQ(PropertyText(c, "Caption"), QString::fromLatin1(row.caption));
        }
        EXPECT_EQ(c->Tag(), row.tag);
    }
    // Nothing else is named: the translator's owned components are only these (the
    // window's translator is the one unnamed component).
    std::set<QString> named;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (!form->Components(i)->Name().isEmpty()) named.insert(form->Components(i)->Name());
    EXPECT_EQ(named.size(), std::size(kComponents));
    EXPECT_EQ(form->Language->Owner(), form);
}

TEST_F(MainWindowTest, FormPropertiesAsStored) {
    EXPECT_EQ(form->Name(), "FormOrlisk");
    EXPECT_EQ(form->Caption(), "Orlisk");  // the application's title
    EXPECT_EQ(form->Left(), 332);
    EXPECT_EQ(form->Top(), 178);
    EXPECT_EQ(form->Constraints().MinWidth(), 800);
    EXPECT_EQ(form->Constraints().MinHeight(), 600);
    // The stored client area is smaller than the minimum outer size, which wins.
    EXPECT_GE(form->Width(), 800);
    EXPECT_GE(form->Height(), 600);
    EXPECT_EQ(form->Color(), clBtnFace);
    EXPECT_EQ(FormOrlisk, form);
}

TEST_F(MainWindowTest, TheCaptionIsTheApplicationTitle) {
    Application()->SetTitle(QStringLiteral("Another title"));
    TFormOrlisk second(Application());
    EXPECT_EQ(second.Caption(), "Another title");
    Application()->SetTitle(QStringLiteral("Orlisk"));
}

TEST_F(MainWindowTest, ToolbarButtonsInOrderWithImagesAndMenus) {
    const TToolBar* bar = form->ToolBar;
    EXPECT_EQ(bar->Height(), 52);
    // 68 as stored; the buttons are wider when a caption needs it.
    EXPECT_EQ(bar->ButtonWidth(), 68);
    EXPECT_GE(bar->EffectiveButtonWidth(), 68);
    EXPECT_EQ(bar->ButtonHeight(), 44);
    EXPECT_TRUE(bar->ShowCaptions());
    EXPECT_EQ(bar->Images(), form->ImageList);
    EXPECT_EQ(bar->DisabledImages(), form->ImageListDis);
    EXPECT_EQ(bar->EdgeBorders(), unsigned(ebTop | ebBottom));
    EXPECT_EQ(bar->Align(), alTop);

    struct ButtonRow {
        const char* name;
        int image;
        TAction* action;
        TPopupMenu* menu;
        TToolButtonStyle style;
    };
    const ButtonRow rows[] = {
        {"tbFavorites", 7, nullptr, form->pmMru, tbsButton},
        {"tbAuto", 8, nullptr, nullptr, tbsButton},
        {"tbViewImage", 1, form->ActionOpen, nullptr, tbsButton},
        {"tbRotateLeft", 0, form->ActionRotateLeft, nullptr, tbsButton},
        {"tbRotateRight", 2, form->ActionRotateRight, nullptr, tbsButton},
        {"tbRotate180", 3, form->ActionRotate180, form->pmFlip, tbsDropDown},
        {"ToolButton2", 4, form->ActionDelete, nullptr, tbsButton},
        {"tbExif", 6, form->ActionDisplayExif, nullptr, tbsButton},
        {"tbOptions", 5, nullptr, form->pmOptions, tbsButton},
    };
    ASSERT_EQ(bar->ButtonCount(), 9);
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(rows[i].name);
        const TToolButton* b = bar->Buttons(i);
        EXPECT_EQ(b->Name(), rows[i].name);
        EXPECT_EQ(b->ImageIndex(), rows[i].image);
        EXPECT_EQ(b->Action(), rows[i].action);
        EXPECT_EQ(b->DropdownMenu(), rows[i].menu);
        EXPECT_EQ(b->Style(), rows[i].style);
    }
    EXPECT_TRUE(static_cast<bool>(form->tbAuto->OnClick));
    // The three buttons without an action have no hint until a language sets one.
    EXPECT_EQ(form->tbFavorites->Hint(), "");
    EXPECT_EQ(form->tbAuto->Hint(), "");
    EXPECT_EQ(form->tbOptions->Hint(), "");
}

TEST_F(MainWindowTest, ActionsAsStored) {
    struct ActionRow {
        TAction* action;
        const char* hint;
        int image;
        TShortCut shortCut;
    };
    const ActionRow rows[] = {
        {form->ActionOpen, "Hotkey", 1, 0x0D},
        {form->ActionRotateLeft, "Hotkey", 0, 0x4C},
        {form->ActionRotateRight, "Hotkey", 2, 0x52},
        {form->ActionRotate180, "Hotkey", 3, 0x55},
        {form->ActionDisplayExif, "Display EXIF", 6, 0x45},
        {form->ActionDelete, "Delete image", 4, 16430},
        {form->ActionFlipHor, "Flip Horizontal", -1, 0x48},
        {form->ActionFlipVer, "Flip Vertical", -1, 0x56},
    };
    ASSERT_EQ(form->ActionList->ActionCount(), 8);
    EXPECT_EQ(form->ActionList->Images(), form->ImageList);
    for (int i = 0; i < 8; ++i) {
        const ActionRow& row = rows[i];
        SCOPED_TRACE(row.action->Name().toStdString());
        EXPECT_EQ(form->ActionList->Actions(i), row.action);
        EXPECT_EQ(row.action->Hint(), row.hint);
        EXPECT_EQ(row.action->ImageIndex(), row.image);
        EXPECT_EQ(row.action->ShortCut(), row.shortCut);
        EXPECT_TRUE(static_cast<bool>(row.action->OnExecute));
        EXPECT_TRUE(static_cast<bool>(row.action->OnUpdate));
    }
}

TEST_F(MainWindowTest, MenusInOrderWithTheirKinds) {
    auto names = [](const TPopupMenu* menu) {
        QStringList list;
        for (int i = 0; i < menu->Items()->Count(); ++i) list << menu->Items()->Items(i)->Name();
        return list;
    };
    EXPECT_EQ(names(form->PopupMenu).join(','),
              "pmiName,pmiRotateLeft,pmiRotateRight,pmiRotate180,pmiDisplayExif,pmiDelete,"
              "FliphorizontalMenuItem,VerticalFlipMenuItem");
    EXPECT_TRUE(form->pmiName->Default());
    EXPECT_EQ(form->PopupMenu->AutoHotkeys(), maManual);
    EXPECT_EQ(form->PopupMenu->AutoLineReduction(), maManual);
    EXPECT_EQ(form->pmiDelete->Action(), form->ActionDelete);
    EXPECT_EQ(form->FliphorizontalMenuItem->Action(), form->ActionFlipHor);
    EXPECT_EQ(names(form->pmFlip).join(','), "pmiFlipHor,pmiFlipVer");
    EXPECT_EQ(form->pmiFlipVer->Action(), form->ActionFlipVer);
    EXPECT_EQ(form->pmMru->Items()->Count(), 0);
    EXPECT_EQ(form->DrawGrid->PopupMenu(), form->PopupMenu);

    struct OptionRow {
        const char* name;
        bool autoCheck;
        bool radio;
        int group;
        bool checked;
        bool hasClick;
    };
    const OptionRow options[] = {
        {"pmiRefresh", false, false, 0, false, true},
        {"pmiRebuildWhenResized", true, false, 0, false, false},
        {"pmiThumbsInRow", false, false, 0, false, true},
        {"pmiEnlargeSmall", true, false, 0, false, false},
        {"pmiKeepTimestamp", true, false, 0, false, true},
        {"pmiDeleteConfirm", true, false, 0, false, false},
        {"pmiDisplayCrop", true, false, 0, false, true},
        {"pmiBackColor", false, false, 0, false, true},
        {"pmiForeColor", false, false, 0, false, true},
        {"N1", false, false, 0, false, false},
        {"pmiWebsite", false, false, 0, false, true},
        {"pmiAbout", false, false, 0, false, true},
        {"pmiSeparator", false, false, 0, false, false},
        {"pmiHiQuality", true, true, 1, true, false},
        {"pmiLowQuality", true, true, 1, false, false},
        {"N2", false, false, 1, false, false},
    };
    const TMenuItem* root = form->pmOptions->Items();
    ASSERT_GE(root->Count(), 16);
    for (int i = 0; i < 16; ++i) {
        const OptionRow& row = options[i];
        SCOPED_TRACE(row.name);
        const TMenuItem* item = root->Items(i);
        EXPECT_EQ(item->Name(), row.name);
        EXPECT_EQ(item->AutoCheck(), row.autoCheck);
        EXPECT_EQ(item->RadioItem(), row.radio);
        EXPECT_EQ(item->GroupIndex(), row.group);
        EXPECT_EQ(item->Checked(), row.checked);
        EXPECT_EQ(static_cast<bool>(item->OnClick), row.hasClick);
    }
    EXPECT_TRUE(static_cast<bool>(form->pmOptions->OnPopup));
}

TEST_F(MainWindowTest, PathBarGridAndStatusBarAsStored) {
    EXPECT_EQ(form->Panel1->Align(), alTop);
    EXPECT_EQ(form->Panel1->Height(), 40);
    EXPECT_EQ(form->Panel1->BevelOuter(), bvNone);
    EXPECT_EQ(form->Panel1->BorderWidth(), 5);
    // Below the toolbar, in the order of the design.
    EXPECT_GE(form->Panel1->Top(), form->ToolBar->Top() + form->ToolBar->Height());

    EXPECT_EQ(form->btnRecent->Width(), 21);
    EXPECT_EQ(form->btnRecent->Height(), 21);
    EXPECT_EQ(form->btnRecent->Hint(), "Recent folder");
    EXPECT_EQ(form->btnRecent->NumGlyphs(), 2);
    EXPECT_FALSE(form->btnRecent->Glyph().isNull());
    EXPECT_EQ(form->btnBrowse->Width(), 105);
    EXPECT_FALSE(form->cbSubFolders->Checked());
    EXPECT_EQ(form->btnRecent->TabOrder(), 0);
    EXPECT_EQ(form->edPath->TabOrder(), 1);
    EXPECT_EQ(form->btnBrowse->TabOrder(), 2);
    EXPECT_EQ(form->cbSubFolders->TabOrder(), 3);
    // The path box stretches with the window, the button and the box keep to the right.
    EXPECT_EQ(form->edPath->Anchors(), unsigned(akLeft | akTop | akRight));
    EXPECT_EQ(form->btnBrowse->Anchors(), unsigned(akTop | akRight));
    EXPECT_EQ(form->cbSubFolders->Anchors(), unsigned(akTop | akRight));
    EXPECT_LT(form->btnRecent->Left() + 21, form->edPath->Left() + 1);
    EXPECT_LE(form->edPath->Left() + form->edPath->Width(), form->btnBrowse->Left());
    EXPECT_LE(form->btnBrowse->Left() + 105, form->cbSubFolders->Left());
    EXPECT_LE(form->cbSubFolders->Left() + form->cbSubFolders->Width(),
              form->Panel1->ClientWidth());

    const TDrawGrid* grid = form->DrawGrid;
    EXPECT_EQ(grid->Align(), alClient);
    EXPECT_EQ(grid->ColCount(), 5);
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->DefaultColWidth(), 110);
    EXPECT_EQ(grid->DefaultRowHeight(), 110);
    EXPECT_EQ(grid->Options(), unsigned(goRangeSelect | goDrawFocusSelected | goThumbTracking));
    EXPECT_TRUE(static_cast<bool>(grid->OnDrawCell));
    EXPECT_TRUE(static_cast<bool>(grid->OnSelectCell));
    EXPECT_TRUE(static_cast<bool>(grid->OnDblClick));
    EXPECT_TRUE(static_cast<bool>(grid->OnMouseWheelDown));
    EXPECT_TRUE(static_cast<bool>(grid->OnMouseWheelUp));

    ASSERT_EQ(form->StatusBar->Panels()->Count(), 2);
    EXPECT_EQ(form->StatusBar->Panels()->Items(0)->Width(), 550);
    EXPECT_EQ(form->StatusBar->Panels()->Items(1)->Width(), 50);
}

TEST_F(MainWindowTest, TheThirtySixKeysInRegistrationOrder) {
    const TStringList* keys = form->Language->Properties();
    ASSERT_EQ(keys->Count(), 36);
    for (int i = 0; i < 36; ++i) EXPECT_EQ(keys->Strings(i), kKeys[i]) << "key " << i + 1;
    EXPECT_EQ(form->Language->LanguageFile(), "");
}

TEST_F(MainWindowTest, ListsStartEmptyAndNoPhotoIsSelected) {
    EXPECT_EQ(Access::Images(*form)->Count(), 0);
    EXPECT_EQ(Access::Mru(*form)->Count(), 0);
    EXPECT_FALSE(Access::HasSelectedImage(*form));
}

TEST(ToolbarImages, NineDistinctImagesWithGreyedTwins) {
    std::set<QByteArray> seen;
    for (int i = 0; i < tiCount; ++i) {
        SCOPED_TRACE(i);
        const QImage normal = ToolbarImage(i, false);
        const QImage grey = ToolbarImage(i, true);
        ASSERT_EQ(normal.size(), QSize(24, 24));
        ASSERT_EQ(grey.size(), QSize(24, 24));
        int inked = 0;
        bool greyIsGrey = true;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                if (qAlpha(normal.pixel(x, y)) > 0) ++inked;
                // The greyed twin has the same shape, without colour.
                EXPECT_EQ(qAlpha(grey.pixel(x, y)) > 0, qAlpha(normal.pixel(x, y)) > 0);
                const QRgb g = grey.pixel(x, y);
                if (qAlpha(g) > 0 && (qRed(g) != qGreen(g) || qGreen(g) != qBlue(g)))
                    greyIsGrey = false;
            }
        EXPECT_GT(inked, 40);      // a picture, not an empty square
        EXPECT_LT(inked, 24 * 24);  // with a transparent background
        EXPECT_TRUE(greyIsGrey);
        seen.insert(QByteArray(reinterpret_cast<const char*>(normal.constBits()),
                               normal.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), size_t(tiCount));
    EXPECT_EQ(RecentFolderGlyph().size(), QSize(32, 16));
}

TEST_F(MainWindowTest, ImageListsHoldTheNineImages) {
    for (const TImageList* list : {form->ImageList, form->ImageListDis}) {
        EXPECT_EQ(list->Width(), 24);
        EXPECT_EQ(list->Height(), 24);
        EXPECT_EQ(list->Count(), 9);
    }
    EXPECT_EQ(form->ImageList->Image(tiDelete).convertToFormat(QImage::Format_ARGB32),
              ToolbarImage(tiDelete, false));
}
