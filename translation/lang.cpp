#include "translation/lang.h"

#include "platform/system/sysutils.h"
#include "translation/lang_file.h"

TLanguage::TLanguage(TComponent* AOwner)
    : TComponent(AOwner), FProperties(std::make_unique<TStringList>()) {}

TLanguage::~TLanguage() { FProperties.reset(); }

void TLanguage::SetProperties(const TStringList* list) {
    if (list)
        FProperties->Assign(*list);
    else
        FProperties->Clear();
}

void TLanguage::SetSeparator(const QString& Value) {
    FSeparator = sys::Trim(Value).isEmpty() ? QStringLiteral(",") : Value;
}

QString TLanguage::TranslateUserMessage(const QString& sMessage) const {
    return lang::LanguageFileData::Read(FIniFile).ReadString(QStringLiteral("Messages"), sMessage,
                                                             sMessage);
}
