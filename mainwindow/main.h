#pragma once
// Unit main: the main window TFormOrlisk. Its stored design (toolbar, path bar,
// thumbnail grid, status bar, actions, menus and image lists) is built in code by
// BuildDesign(); FormCreate then makes the window's lists and translator, the language
// menu, the translation keys and the one-key shortcuts. FormDestroy frees the
// thumbnails before the settings are written.

#include "platform/system/inifiles.h"
#include "platform/system/stringlist.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/geometry.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/grids.h"

#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TAction;
class TActionList;
class TBitBtn;
class TButton;
class TCheckBox;
class TEdit;
class TGPImage;
class TImageList;
class TLanguage;
class TMenuItem;
class TPanel;
class TPopupMenu;
class TStatusBar;
class TToolBar;
class TToolButton;

class TFormOrlisk : public TForm {
    Q_OBJECT

public:
    // Builds the stored design, then runs FormCreate (once). Sets the global
    // FormOrlisk to the new window.
    explicit TFormOrlisk(TComponent* AOwner);
    // Runs FormDestroy first, while the members are still there.
    ~TFormOrlisk() override;

    // Components, as the form stores them (all owned by the form).
    TToolBar* ToolBar = nullptr;
    TToolButton* tbFavorites = nullptr;
    TToolButton* tbAuto = nullptr;
    TToolButton* tbViewImage = nullptr;
    TToolButton* tbRotateLeft = nullptr;
    TToolButton* tbRotateRight = nullptr;
    TToolButton* tbRotate180 = nullptr;
    TToolButton* ToolButton2 = nullptr;
    TToolButton* tbExif = nullptr;
    TToolButton* tbOptions = nullptr;
    TPanel* Panel1 = nullptr;
    TBitBtn* btnRecent = nullptr;
    TEdit* edPath = nullptr;
    TButton* btnBrowse = nullptr;
    TCheckBox* cbSubFolders = nullptr;
    TDrawGrid* DrawGrid = nullptr;
    TStatusBar* StatusBar = nullptr;
    TActionList* ActionList = nullptr;
    TAction* ActionOpen = nullptr;
    TAction* ActionRotateLeft = nullptr;
    TAction* ActionRotateRight = nullptr;
    TAction* ActionRotate180 = nullptr;
    TAction* ActionDisplayExif = nullptr;
    TAction* ActionDelete = nullptr;
    TAction* ActionFlipHor = nullptr;
    TAction* ActionFlipVer = nullptr;
    TPopupMenu* PopupMenu = nullptr;
    TMenuItem* pmiName = nullptr;
    TMenuItem* pmiRotateLeft = nullptr;
    TMenuItem* pmiRotateRight = nullptr;
    TMenuItem* pmiRotate180 = nullptr;
    TMenuItem* pmiDisplayExif = nullptr;
    TMenuItem* pmiDelete = nullptr;
    TMenuItem* FliphorizontalMenuItem = nullptr;
    TMenuItem* VerticalFlipMenuItem = nullptr;
    TPopupMenu* pmFlip = nullptr;
    TMenuItem* pmiFlipHor = nullptr;
    TMenuItem* pmiFlipVer = nullptr;
    TPopupMenu* pmMru = nullptr;
    TPopupMenu* pmOptions = nullptr;
    TMenuItem* pmiRefresh = nullptr;
    TMenuItem* pmiRebuildWhenResized = nullptr;
    TMenuItem* pmiThumbsInRow = nullptr;
    TMenuItem* pmiEnlargeSmall = nullptr;
    TMenuItem* pmiKeepTimestamp = nullptr;
    TMenuItem* pmiDeleteConfirm = nullptr;
    TMenuItem* pmiDisplayCrop = nullptr;
    TMenuItem* pmiBackColor = nullptr;
    TMenuItem* pmiForeColor = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* pmiWebsite = nullptr;
    TMenuItem* pmiAbout = nullptr;
    TMenuItem* pmiSeparator = nullptr;
    TMenuItem* pmiHiQuality = nullptr;
    TMenuItem* pmiLowQuality = nullptr;
    TMenuItem* N2 = nullptr;
    TImageList* ImageList = nullptr;
    TImageList* ImageListDis = nullptr;

    // Event handlers, bound one by one in BuildDesign.
    void FormCreate(TComponent* Sender);
    void FormDestroy(TComponent* Sender);
    void DrawGridDrawCell(TComponent* Sender, int ACol, int ARow, TRect Rect,
                          TGridDrawState State);
    void DrawGridDblClick(TComponent* Sender);
    void ActionOpenUpdate(TComponent* Sender);
    void ActionRotateLeftUpdate(TComponent* Sender);
    void ActionRotateRightUpdate(TComponent* Sender);
    void ActionRotate180Update(TComponent* Sender);
    void ActionOpenExecute(TComponent* Sender);
    void ActionRotate(TComponent* Sender);
    void DrawGridSelectCell(TComponent* Sender, int ACol, int ARow, bool& CanSelect);
    void FormShow(TComponent* Sender);
    void pmiThumbsInRowClick(TComponent* Sender);
    void ActionDisplayExifExecute(TComponent* Sender);
    void ActionDisplayExifUpdate(TComponent* Sender);
    void pmiRefreshClick(TComponent* Sender);
    void btnBrowseClick(TComponent* Sender);
    void edPathKeyDown(TComponent* Sender, uint16_t& Key, TShiftState Shift);
    void edPathEnter(TComponent* Sender);
    void edPathExit(TComponent* Sender);
    void cbSubFoldersClick(TComponent* Sender);
    void DrawGridMouseWheelDown(TComponent* Sender, TShiftState Shift, QPoint MousePos,
                                bool& Handled);
    void DrawGridMouseWheelUp(TComponent* Sender, TShiftState Shift, QPoint MousePos,
                              bool& Handled);
    void tbAutoClick(TComponent* Sender);
    void pmiAboutClick(TComponent* Sender);
    void pmiWebsiteClick(TComponent* Sender);
    void ActionDeleteUpdate(TComponent* Sender);
    void ActionDeleteExecute(TComponent* Sender);
    void pmiKeepTimestampClick(TComponent* Sender);
    void ActionFlipHorUpdate(TComponent* Sender);
    void ActionFlipVerUpdate(TComponent* Sender);
    void btnRecentClick(TComponent* Sender);
    void pmOptionsPopup(TComponent* Sender);
    void pmiDisplayCropClick(TComponent* Sender);
    void pmiBackColorClick(TComponent* Sender);
    void pmiForeColorClick(TComponent* Sender);

    // The window's own translator, owned by the form; the dialogs copy its
    // LanguageFile, and every user message of the window passes through it.
    TLanguage* Language = nullptr;

    // The settings store the window loads from and saves to, opened for one load or
    // save: the portable INI file beside the executable or the registry store.
    struct OpenedSettings {
        std::unique_ptr<TCustomIniFile> store;
        bool portable = false;  // the store is the portable INI file
    };

private:
    friend struct TFormOrliskTestAccess;

    // Creates every component of the stored design and binds its handlers.
    void BuildDesign();
    void BuildToolBar();
    void BuildPathBar();
    void BuildActions();
    void BuildMenus();
    void BuildImageLists();

    // Frees the thumbnail object of every entry of Images, then empties the list.
    void ClearThumbnails();
    // True when the top-left cell of the grid's selection shows a photo.
    bool HasSelectedImage() const;
    // The OnUpdate rule the eight selection actions share.
    void EnableForSelection(TComponent* Sender) const;
    // Writes every setting to the store.
    void SaveSettings();
    // How the setting "Language" is written: the language file's full path, or in
    // portable mode "lang/" + its file name.
    QString StoredLanguageValue(bool portable) const;
    // A stored "Language" as a path to test: a relative value is taken below the
    // executable's folder ("lang/x.lng": the language folder's x.lng).
    QString ResolveStoredLanguage(const QString& stored) const;
    // Step 4 of the load: applies the stored language and checks its item, or the
    // "English" item when the stored file is gone.
    void SelectStoredLanguage(const QString& stored);
    // The window's place from the store, or centred on the primary screen.
    void LoadWindowPlacement(TCustomIniFile& store);
    // Opens the settings store; replaced in tests.
    std::function<OpenedSettings()> OpenSettings;

    // Favourite folders: rebuilds pmMru from Mru; item 0 adds the shown folder.
    void RebuildFavoritesMenu();
    void AddCurrentFolderToFavorites(TComponent* Sender);
    void FavoriteItemClick(TComponent* Sender);

    // ---- thumbnail grid (grid_model.cpp, grid_view.cpp, grid_resize.cpp) ----------
    // Shows the photos of Folder (and of its subfolders when "Include subfolders" is
    // checked): makes their thumbnails under a progress window that can be
    // cancelled, sorts them by path ignoring case, lays the grid out and selects the
    // first cell. Asked while a load runs, it only brings that load's progress window
    // to the front.
    void LoadFolder(const QString& Folder);
    // A new thumbnail of the photo for the current cell size, owned by the caller;
    // nullptr when no such file exists or it cannot be read as an image (panel 0
    // then warns).
    TGPImage* MakeThumbnail(const QString& FileName);
    // Makes the thumbnail of a shown photo again after the photo changed; drops its
    // entry when none can be made, and the row count and the file count follow at
    // once. Nothing happens for a path the grid does not show.
    void RefreshThumbnail(const QString& FileName);
    // Computes the cell size from the grid's width and ColCount, then reloads the
    // shown folder when the window is visible and the folder exists.
    void RebuildThumbnails();
    // RowCount and panel 1's file count for the entries of Images now.
    void UpdateRowAndFileCount();
    // The rebuild after the user resized, maximised or restored the window.
    void WMSize(TMessage& Message) override;
    void WMMove(TMessage& Message) override;
    void WMExitSizeMove(TMessage& Message) override;
    void WMSysCommand(TMessage& Message) override;
    friend struct GridTestAccess;
    // ---- end of thumbnail grid ------------------------------------------------------

    // Appends one radio item (group 2) per "*.lng" file of <executable folder>/lang
    // to pmOptions, in the file system's order, and their paths to Languages.
    void LoadLanguageMenu();
    // The same for the language files of `langFolder` (no trailing "/"), which
    // becomes LanguageFolder.
    void LoadLanguageMenuFrom(const QString& langFolder);
    // The language items of pmOptions (radio items of group 2 after N2).
    std::vector<TMenuItem*> LanguageItems() const;
    // Applies the clicked language item's file and checks the item.
    void LanguageMenuClick(TComponent* Sender);

    // ---- commands on the selection (commands.cpp) ---------------------------------
    // The window's one way into the transform driver: its translator, the check mark
    // of "Keep File Timestamp" at the moment of the call, the window as owner.
    // Raises what the driver raises.
    void TransformFile(const QString& FileName, uint16_t Code);
    // Warns, with OK only and no caption of its own, that the photo (named without
    // its folder) has been moved or deleted.
    void ShowCannotOpen(const QString& FileName);
    friend struct CommandsTestAccess;
    // ---- end of commands on the selection -------------------------------------------

    TColor FForeColor = 0;
    bool FMinimised = false;
    QString RecentFolder;
    bool MakingThumbNails = false;
    std::unique_ptr<TStringList> Languages;
    std::unique_ptr<TStringList> Images;
    std::unique_ptr<TStringList> Mru;
    QString CurrentFolder;
    QString FileName;
    bool FBeingResized = false;
    // The folder the language menu was read from: <executable folder>/lang.
    QString LanguageFolder;
    // A start maximised lays the grid out again once the window has its full size.
    bool FLayoutWhenMaximised = false;
};

// The settings store of the running program: the INI file beside the executable when
// it lies on a removable drive, else the registry store.
TFormOrlisk::OpenedSettings OpenProgramSettings();

// The address the web-site command opens.
QString HomePageAddress();

// The main window of window mode; set when the form is made, cleared when it goes.
extern TFormOrlisk* FormOrlisk;

// The folder browser owned by Owner, showing Initial (whatever text it holds) as the
// folder chosen so far. True when the user chose a folder that exists; it is then in
// Folder (empty otherwise).
bool BrowseForFolder(WindowHandle Owner, const QString& Initial, QString& Folder);
// The user's documents folder; empty when it cannot be found.
QString GetMyDocumentsFolder();

// The caption of the language item for a file name: its first character raised when
// it is one of a to z, then cut before its last "." ("pt.br.lng" -> "Pt.br").
QString LanguageCaption(const QString& fileName);
