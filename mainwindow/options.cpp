// The options menu: the crop-warning switch, the two colours, the web page and the
// About box. The other items only hold a state that the rest of the window reads.

#include "mainwindow/main.h"

#include "platform/system/settingsstore.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/vcl/colordialog.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/shell.h"
#include "translation/lang.h"

#include <QVariant>
#include <memory>

namespace {

// The crop warning's switch lives in the registry store, also in portable mode: the
// transform driver reads it there.
const QString kMainSection = QStringLiteral("Main");
const QString kDisplayCropWarning = QStringLiteral("DisplayCropWarning");

const QString kVersion = QStringLiteral(" " ORLISK_VERSION);
const QString kMaker = QStringLiteral("TolvaneStudio");

}  // namespace

QString HomePageAddress() {
    const QString configured = QStringLiteral(ORLISK_HOMEPAGE);
    if (!configured.isEmpty()) return configured;
    // Until there is a page of its own: the README that is installed with the program,
    // as HTML, which every desktop opens in its browser (Markdown may have no handler).
    return sys::ExecutableFolder() + QStringLiteral("/README.html");
}

void TFormOrlisk::pmOptionsPopup(TComponent*) {
    std::unique_ptr<TRegistryIniFile> registry = OpenRegistrySettings();
    pmiDisplayCrop->SetChecked(registry->ReadBool(kMainSection, kDisplayCropWarning, true));
}

void TFormOrlisk::pmiDisplayCropClick(TComponent*) {
    // The item has toggled already.
    std::unique_ptr<TRegistryIniFile> registry = OpenRegistrySettings();
    registry->WriteBool(kMainSection, kDisplayCropWarning, pmiDisplayCrop->Checked());
}

void TFormOrlisk::pmiBackColorClick(TComponent*) {
    const std::unique_ptr<TColorDialog> dialog = std::make_unique<TColorDialog>(this);
    // The grid repaints itself; no thumbnail is made again.
    if (dialog->Execute(Handle())) DrawGrid->SetColor(dialog->Color());
}

void TFormOrlisk::pmiForeColorClick(TComponent*) {
    const std::unique_ptr<TColorDialog> dialog = std::make_unique<TColorDialog>(this);
    if (!dialog->Execute(Handle())) return;
    FForeColor = dialog->Color();
    // Loads the shown folder again, so every cell is painted with the new colour.
    RebuildThumbnails();
}

void TFormOrlisk::pmiWebsiteClick(TComponent*) {
    const QString address = HomePageAddress();
    if (ShellOpen(Handle(), address)) return;
    // No application for the page: the address, so the user can open it by hand.
    MessageBoxW(Handle(),
                sys::Format(Language->TranslateUserMessage(QStringLiteral("Unable to open \"%s\".")),
                            {QVariant(address)}),
                std::nullopt, MB_ICONWARNING | MB_OK);
}

void TFormOrlisk::pmiAboutClick(TComponent*) {
    const QString text = Application()->Title() + u'\n' +
                         Language->TranslateUserMessage(QStringLiteral("Version")) + kVersion +
                         u'\n' + kMaker;
    MessageBoxW(Handle(), text, Language->TranslateUserMessage(QStringLiteral("About")),
                MB_ICONINFORMATION);
}
