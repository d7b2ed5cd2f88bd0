// The main window's life: construction, FormCreate and FormDestroy, and the enabling
// rule of the commands on the selection.

#include "mainwindow/main.h"

#include "platform/vcl/actions.h"
#include "platform/vcl/application.h"
#include "translation/lang.h"

#include <array>

TFormOrlisk* FormOrlisk = nullptr;

namespace {

// The translation keys of the main window, in registration order.
constexpr std::array<const char*, 36> kTranslationKeys = {
    "FormOrlisk.ActionOpen.Caption",
    "FormOrlisk.ActionOpen.Hint",
    "FormOrlisk.ActionRotateLeft.Caption",
    "FormOrlisk.ActionRotateLeft.Hint",
    "FormOrlisk.ActionRotateRight.Caption",
    "FormOrlisk.ActionRotateRight.Hint",
    "FormOrlisk.ActionRotate180.Caption",
    "FormOrlisk.ActionRotate180.Hint",
    "FormOrlisk.ActionDisplayExif.Caption",
    "FormOrlisk.ActionDisplayExif.Hint",
    "FormOrlisk.tbFavorites.Caption",
    "FormOrlisk.tbFavorites.Hint",
    "FormOrlisk.tbAuto.Caption",
    "FormOrlisk.tbAuto.Hint",
    "FormOrlisk.tbOptions.Caption",
    "FormOrlisk.tbOptions.Hint",
    "FormOrlisk.ActionDelete.Caption",
    "FormOrlisk.ActionDelete.Hint",
    "FormOrlisk.btnBrowse.Caption",
    "FormOrlisk.cbSubFolders.Caption",
    "FormOrlisk.pmiRefresh.Caption",
    "FormOrlisk.pmiThumbsInRow.Caption",
    "FormOrlisk.pmiEnlargeSmall.Caption",
    "FormOrlisk.pmiHiQuality.Caption",
    "FormOrlisk.pmiLowQuality.Caption",
    "FormOrlisk.pmiKeepTimestamp.Caption",
    "FormOrlisk.pmiAbout.Caption",
    "FormOrlisk.pmiWebsite.Caption",
    "FormOrlisk.pmiDeleteConfirm.Caption",
    "FormOrlisk.ActionFlipVer.Caption",
    "FormOrlisk.ActionFlipHor.Caption",
    "FormOrlisk.btnRecent.Hint",
    "FormOrlisk.pmiDisplayCrop.Caption",
    "FormOrlisk.pmiBackColor.Caption",
    "FormOrlisk.pmiForeColor.Caption",
    "FormOrlisk.pmiRebuildWhenResized.Caption",
};

}  // namespace

TFormOrlisk::TFormOrlisk(TComponent* AOwner) : TForm(AOwner) {
    FormOrlisk = this;
    OpenSettings = OpenProgramSettings;
    BuildDesign();
    DoCreate();
}

TFormOrlisk::~TFormOrlisk() {
    DoDestroy();
    if (FormOrlisk == this) FormOrlisk = nullptr;
}

void TFormOrlisk::FormCreate(TComponent*) {
    Languages = std::make_unique<TStringList>();
    // No key addresses the caption, so the title is never translated.
    SetCaption(Application()->Title());
    Language = new TLanguage(this);
    // The language items come before the keys; Languages must exist for them.
    LoadLanguageMenu();
    TStringList* keys = Language->Properties();
    for (const char* key : kTranslationKeys) keys->Add(QString::fromLatin1(key));
    // LanguageFile is still empty: nothing changes until the stored language is
    // applied when the window is shown.
    Language->Translate();
    Mru = std::make_unique<TStringList>();
    Images = std::make_unique<TStringList>();

    ActionRotateLeft->SetShortCut('L');
    ActionRotateRight->SetShortCut('R');
    ActionRotate180->SetShortCut('U');
    ActionFlipHor->SetShortCut('H');
    ActionFlipVer->SetShortCut('V');
    ActionOpen->SetShortCut(VK_RETURN);
    ActionDisplayExif->SetShortCut('E');
}

void TFormOrlisk::FormDestroy(TComponent*) {
    // The thumbnails go before the settings are written; SaveSettings does not use
    // Images but reads Mru and the translator, which go after it.
    ClearThumbnails();
    Images.reset();
    SaveSettings();
    Mru.reset();
    delete Language;
    Language = nullptr;
    Languages.reset();
}

void TFormOrlisk::ClearThumbnails() {
    if (!Images) return;
    for (int i = 0; i < Images->Count(); ++i) {
        delete Images->Objects(i);
        Images->SetObject(i, nullptr);
    }
    Images->Clear();
}

bool TFormOrlisk::HasSelectedImage() const {
    // Only the selection's top-left cell counts. The list is gone once the window is
    // being destroyed, while an idle update may still ask.
    if (!Images) return false;
    const TGridRect selection = DrawGrid->Selection();
    const long long index =
        selection.Left + static_cast<long long>(selection.Top) * DrawGrid->ColCount();
    return index >= 0 && index < Images->Count();
}

void TFormOrlisk::EnableForSelection(TComponent* Sender) const {
    if (auto* action = qobject_cast<TCustomAction*>(Sender)) action->SetEnabled(HasSelectedImage());
}

void TFormOrlisk::ActionOpenUpdate(TComponent* Sender) { EnableForSelection(Sender); }
void TFormOrlisk::ActionRotateLeftUpdate(TComponent* Sender) { EnableForSelection(Sender); }
void TFormOrlisk::ActionRotateRightUpdate(TComponent* Sender) { EnableForSelection(Sender); }
void TFormOrlisk::ActionRotate180Update(TComponent* Sender) { EnableForSelection(Sender); }
void TFormOrlisk::ActionDisplayExifUpdate(TComponent* Sender) { EnableForSelection(Sender); }
void TFormOrlisk::ActionDeleteUpdate(TComponent* Sender) { EnableForSelection(Sender); }
void TFormOrlisk::ActionFlipHorUpdate(TComponent* Sender) { EnableForSelection(Sender); }
void TFormOrlisk::ActionFlipVerUpdate(TComponent* Sender) { EnableForSelection(Sender); }
