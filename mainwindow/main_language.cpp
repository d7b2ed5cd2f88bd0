// The language menu: one radio item per language file beside the executable.

#include "mainwindow/main.h"

#include "platform/system/filenames.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "translation/lang.h"

#include <QVariant>
#include <dirent.h>

namespace {

// "*.lng" as the platform's wildcard matches it: the name ends in ".lng", in any case.
bool IsLanguageFileName(const QString& name) {
    return name.endsWith(QLatin1String(".lng"), Qt::CaseInsensitive);
}

}  // namespace

QString LanguageCaption(const QString& fileName) {
    QString caption = fileName;
    if (!caption.isEmpty() && caption[0] >= u'a' && caption[0] <= u'z')
        caption[0] = QChar(caption[0].unicode() - u'a' + u'A');
    const qsizetype dot = caption.lastIndexOf(u'.');
    return dot >= 0 ? caption.left(dot) : caption;
}

void TFormOrlisk::LoadLanguageMenu() {
    LoadLanguageMenuFrom(sys::ExecutableFolder() + QStringLiteral("/lang"));
}

void TFormOrlisk::LoadLanguageMenuFrom(const QString& langFolder) {
    LanguageFolder = langFolder;
    // The entries in the order the file system gives them, hidden ones and folders
    // included; a missing folder gives no items.
    DIR* dir = opendir(sys::EncodeFileName(langFolder).constData());
    if (!dir) return;
    try {
        while (const dirent* entry = readdir(dir)) {
            const QString name = sys::DecodeFileName(entry->d_name);
            if (!IsLanguageFileName(name)) continue;
            auto* item = new TMenuItem(pmOptions);
            item->SetCaption(sys::DisplayFileName(LanguageCaption(name)));
            item->SetTag(Languages->Add(langFolder + u'/' + name));
            item->OnClick = [this](TComponent* Sender) { LanguageMenuClick(Sender); };
            item->SetRadioItem(true);
            item->SetGroupIndex(2);
            pmOptions->Items()->Add(item);
        }
    } catch (...) {
        closedir(dir);
        throw;
    }
    closedir(dir);
}

std::vector<TMenuItem*> TFormOrlisk::LanguageItems() const {
    std::vector<TMenuItem*> items;
    const TMenuItem* root = pmOptions->Items();
    for (int i = root->IndexOf(N2) + 1; i > 0 && i < root->Count(); ++i) {
        TMenuItem* item = root->Items(i);
        if (item->RadioItem() && item->GroupIndex() == 2) items.push_back(item);
    }
    return items;
}

void TFormOrlisk::LanguageMenuClick(TComponent* Sender) {
    auto* item = qobject_cast<TMenuItem*>(Sender);
    if (!item) return;
    Language->SetLanguageFile(Languages->Strings(item->Tag()));
    Language->Translate();
    // The favourites menu's first item and the file count are no translation keys.
    if (pmMru->Items()->Count() > 0)
        pmMru->Items()->Items(0)->SetCaption(
            Language->TranslateUserMessage(QStringLiteral("Add Current Folder")));
    item->SetChecked(true);
    const QString pattern =
        QStringLiteral("%u ") + Language->TranslateUserMessage(QStringLiteral("file(s)"));
    StatusBar->Panels()->Items(1)->SetText(
        sys::Format(pattern, {QVariant::fromValue(static_cast<qulonglong>(Images->Count()))}));
}
