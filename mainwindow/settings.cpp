// The main window's settings: read once when the window is first shown, written when
// it is destroyed and whenever "Keep File Timestamp" is clicked.

#include "mainwindow/main.h"

#include "platform/system/settingsstore.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls_extra.h"
#include "translation/lang.h"


namespace {

// The settings keys of the main window, all in section "Main", with their defaults.
// "DisplayCropWarning" is not among them: it always lives in the registry.
namespace key {
const QString Section = QStringLiteral("Main");
const QString Language = QStringLiteral("Language");                      // string, ""
const QString RebuildWhenResized = QStringLiteral("RebuildWhenResized");  // bool, true
const QString KeepTimestamp = QStringLiteral("KeepTimestamp");            // bool, true
const QString EnlargeSmall = QStringLiteral("EnlargeSmall");              // bool, true
const QString ConfirmDelete = QStringLiteral("ConfirmDelete");            // bool, true
const QString LookInSubfolders = QStringLiteral("LookInSubfolders");      // bool, false
const QString ThumbsInRow = QStringLiteral("ThumbsInRow");                // int, 5; 1..20 else 3
const QString HighQuality = QStringLiteral("HighQuality");                // bool, true
const QString LastFolder = QStringLiteral("LastFolder");                  // string, ""
const QString WinMax = QStringLiteral("WinMax");                          // bool, false
const QString WinWidth = QStringLiteral("WinWidth");                      // int, 800
const QString WinHeight = QStringLiteral("WinHeight");                    // int, 600
const QString WinTop = QStringLiteral("WinTop");                          // int, centred
const QString WinLeft = QStringLiteral("WinLeft");                        // int, centred
const QString BackColor = QStringLiteral("BackColor");                    // int, white
const QString ForeColor = QStringLiteral("ForeColor");                    // int, black
// "MRU" + 0..9: the favourite folders, newest first; only keys that exist are read.
QString Mru(int index) { return QStringLiteral("MRU") + QString::number(index); }
}  // namespace key

constexpr bool kDefaultRebuildWhenResized = true;
constexpr bool kDefaultKeepTimestamp = true;
constexpr bool kDefaultEnlargeSmall = true;
constexpr bool kDefaultConfirmDelete = true;
constexpr bool kDefaultLookInSubfolders = false;
constexpr int kDefaultThumbsInRow = 5;
constexpr int kMinThumbsInRow = 1;
constexpr int kMaxThumbsInRow = 20;
// Out of range: 3, not the default 5.
constexpr int kOutOfRangeThumbsInRow = 3;
constexpr bool kDefaultHighQuality = true;
constexpr bool kDefaultWinMax = false;
constexpr int kDefaultWinWidth = 800;
constexpr int kDefaultWinHeight = 600;
constexpr TColor kDefaultBackColor = clWhite;
constexpr TColor kDefaultForeColor = clBlack;
constexpr int kMaxFavorites = 10;

// Portable mode keeps the language relative to the executable's folder.
const QString kPortableLanguagePrefix = QStringLiteral("lang/");

}  // namespace

TFormOrlisk::OpenedSettings OpenProgramSettings() {
    TFormOrlisk::OpenedSettings opened;
    opened.portable = IsOnRemovableDrive();
    if (opened.portable)
        opened.store = std::make_unique<TIniFile>(PortableIniPath());
    else
        opened.store = OpenRegistrySettings();
    return opened;
}

QString TFormOrlisk::StoredLanguageValue(bool portable) const {
    const QString file = Language->LanguageFile();
    if (!portable) return file;
    return kPortableLanguagePrefix + sys::ExtractFileName(file);
}

QString TFormOrlisk::ResolveStoredLanguage(const QString& stored) const {
    // "lang/" is the folder the language menu was read from: the executable's
    // "lang" folder, or the one a test gave.
    if (stored.startsWith(kPortableLanguagePrefix))
        return LanguageFolder + u'/' + stored.mid(kPortableLanguagePrefix.size());
    return ::ResolveStoredLanguage(stored);
}

void TFormOrlisk::SelectStoredLanguage(const QString& stored) {
    const QString file = ResolveStoredLanguage(stored);
    if (sys::FileExists(file)) {
        Language->SetLanguageFile(file);
        Language->Translate();
        // A file that is not listed stays applied, with no item checked.
        const int index = Languages->IndexOf(file);
        for (TMenuItem* item : LanguageItems())
            if (index >= 0 && item->Tag() == index) {
                item->Click();
                break;
            }
        return;
    }
    for (TMenuItem* item : LanguageItems())
        if (item->Caption() == QLatin1String("English")) item->Click();
}

void TFormOrlisk::LoadWindowPlacement(TCustomIniFile& store) {
    if (store.ReadBool(key::Section, key::WinMax, kDefaultWinMax)) {
        // The designed bounds stay the normal ones. The window system grows the window
        // after the load has laid the grid out: lay it out again at the full size.
        FLayoutWhenMaximised = true;
        OnResize = [this](TComponent*) {
            if (!FLayoutWhenMaximised || WindowState() != wsMaximized) return;
            FLayoutWhenMaximised = false;
            RebuildThumbnails();
        };
        SetWindowState(wsMaximized);
        return;
    }
    // Each default is taken from what was set just before it; the minimum size
    // applies as the size is set.
    SetWidth(store.ReadInteger(key::Section, key::WinWidth, kDefaultWinWidth));
    SetHeight(store.ReadInteger(key::Section, key::WinHeight, kDefaultWinHeight));
    // A size stored on a larger screen shrinks to the work area, and the window then
    // starts at its edge in that direction, so that all of it shows.
    const TRect work = Screen()->WorkAreaRect();
    const bool fitWidth = !work.IsEmpty() && Width() > work.Width();
    const bool fitHeight = !work.IsEmpty() && Height() > work.Height();
    if (fitWidth) SetWidth(work.Width());
    if (fitHeight) SetHeight(work.Height());
    const int centredTop = Screen()->Height() / 2 - Height() / 2;
    const int centredLeft = Screen()->Width() / 2 - Width() / 2;
    int top = store.ReadInteger(key::Section, key::WinTop, centredTop);
    int left = store.ReadInteger(key::Section, key::WinLeft, centredLeft);
    // A place whose title bar lies on no screen (a monitor that is gone) could not be
    // reached to move the window back.
    if (!Screen()->TitleBarOnScreen(TRect(left, top, left + Width(), top + Height()))) {
        top = centredTop;
        left = centredLeft;
    }
    if (fitWidth) left = work.Left;
    if (fitHeight) top = work.Top;
    SetBounds(left, top, Width(), Height());
    AlignControls();
}

void TFormOrlisk::FormShow(TComponent*) {
    OpenedSettings opened = OpenSettings();
    TCustomIniFile& store = *opened.store;

    // Item 0 of the favourites menu must exist before a language item re-captions it.
    RebuildFavoritesMenu();
    SelectStoredLanguage(store.ReadString(key::Section, key::Language, QString()));

    // Setting a check mark runs no handler; the check box's click loads nothing yet,
    // since no folder is shown.
    pmiRebuildWhenResized->SetChecked(
        store.ReadBool(key::Section, key::RebuildWhenResized, kDefaultRebuildWhenResized));
    pmiKeepTimestamp->SetChecked(
        store.ReadBool(key::Section, key::KeepTimestamp, kDefaultKeepTimestamp));
    pmiEnlargeSmall->SetChecked(store.ReadBool(key::Section, key::EnlargeSmall, kDefaultEnlargeSmall));
    pmiDeleteConfirm->SetChecked(
        store.ReadBool(key::Section, key::ConfirmDelete, kDefaultConfirmDelete));
    cbSubFolders->SetChecked(
        store.ReadBool(key::Section, key::LookInSubfolders, kDefaultLookInSubfolders));

    int thumbsInRow = store.ReadInteger(key::Section, key::ThumbsInRow, kDefaultThumbsInRow);
    if (thumbsInRow < kMinThumbsInRow || thumbsInRow > kMaxThumbsInRow)
        thumbsInRow = kOutOfRangeThumbsInRow;
    DrawGrid->SetColCount(thumbsInRow);

    if (store.ReadBool(key::Section, key::HighQuality, kDefaultHighQuality))
        pmiHiQuality->SetChecked(true);
    else
        pmiLowQuality->SetChecked(true);

    // Not opened here; the recent-folder button checks it.
    RecentFolder = store.ReadString(key::Section, key::LastFolder, QString());

    LoadWindowPlacement(store);

    DrawGrid->SetColor(store.ReadInteger(key::Section, key::BackColor, kDefaultBackColor));
    FForeColor = store.ReadInteger(key::Section, key::ForeColor, kDefaultForeColor);

    Mru->Clear();
    for (int i = 0; i < kMaxFavorites; ++i) {
        if (!store.ValueExists(key::Section, key::Mru(i))) continue;
        // An empty favourite (a hand-edited store) names no folder.
        const QString folder = store.ReadString(key::Section, key::Mru(i), QString());
        if (!folder.isEmpty()) Mru->Add(folder);
    }
    RebuildFavoritesMenu();

    opened.store.reset();
    RebuildThumbnails();
}

void TFormOrlisk::SaveSettings() {
    OpenedSettings opened = OpenSettings();
    TCustomIniFile& store = *opened.store;

    store.WriteBool(key::Section, key::RebuildWhenResized, pmiRebuildWhenResized->Checked());
    store.WriteInteger(key::Section, key::BackColor, DrawGrid->Color());
    store.WriteInteger(key::Section, key::ForeColor, FForeColor);
    store.WriteBool(key::Section, key::KeepTimestamp, pmiKeepTimestamp->Checked());
    store.WriteBool(key::Section, key::EnlargeSmall, pmiEnlargeSmall->Checked());
    const bool maximised = WindowState() == wsMaximized;
    store.WriteBool(key::Section, key::WinMax, maximised);
    store.WriteString(key::Section, key::Language, StoredLanguageValue(opened.portable));

    // Maximised, the bounds of an earlier save stay; minimised, the restored ones count.
    if (!maximised) {
        const TRect bounds = NormalBounds();
        store.WriteInteger(key::Section, key::WinWidth, bounds.Width());
        store.WriteInteger(key::Section, key::WinHeight, bounds.Height());
        store.WriteInteger(key::Section, key::WinTop, bounds.Top);
        store.WriteInteger(key::Section, key::WinLeft, bounds.Left);
    }

    store.WriteBool(key::Section, key::LookInSubfolders, cbSubFolders->Checked());
    store.WriteBool(key::Section, key::ConfirmDelete, pmiDeleteConfirm->Checked());
    store.WriteBool(key::Section, key::HighQuality, pmiHiQuality->Checked());

    if (sys::DirectoryExists(edPath->Text()))
        store.WriteString(key::Section, key::LastFolder, edPath->Text());

    store.WriteInteger(key::Section, key::ThumbsInRow, DrawGrid->ColCount());

    // Keys past the list's end are neither written nor deleted.
    for (int i = 0; i < Mru->Count(); ++i)
        store.WriteString(key::Section, key::Mru(i), Mru->Strings(i));
}

void TFormOrlisk::pmiKeepTimestampClick(TComponent*) {
    // The item has toggled already; its new state is saved with everything else.
    SaveSettings();
}
