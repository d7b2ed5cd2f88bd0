#pragma once
// Unit Lang: the translator. TLanguage gives forms and user messages their texts from
// a language file, a UTF-8 INI text with the sections "Translations" (published
// property values, keyed "Form.Component.Property") and "Messages" (user messages,
// keyed by their English text). The file is read afresh by every call; nothing is
// cached, and a missing file, section or key leaves the English text in force.

#include "platform/system/stringlist.h"
#include "platform/vcl/component.h"

#include <QMetaProperty>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Raised by Translate before a property is set; the handler may change NewValue (the
// changed text is what is set, even when empty).
using TLanguageNotifyEvent =
    std::function<void(QObject* Sender, TComponent* AComponent, const QString& PropertyName,
                       const QString& OldValue, QString& NewValue)>;

class TLanguage : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString LanguageFile READ LanguageFile WRITE SetLanguageFile)
    Q_PROPERTY(QStringList Properties READ PropertiesList WRITE SetPropertiesList)
    Q_PROPERTY(QString Separator READ Separator WRITE SetSeparator)

public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    // The key list starts empty; LanguageFile and Separator are empty; no file is read.
    explicit TLanguage(TComponent* AOwner);
    // Frees the key list, then leaves the owner.
    ~TLanguage() override;

    // Path of the language file (absolute, or relative to the current directory).
    // Setting it only stores it: the next Translate or TranslateUserMessage reads it.
    QString LanguageFile() const { return FIniFile; }
    void SetLanguageFile(const QString& path) { FIniFile = path; }

    // The key list itself, for callers to Add keys to. SetProperties copies the given
    // list's items (Assign); nullptr empties the list.
    TStringList* Properties() const { return FProperties.get(); }
    void SetProperties(const TStringList* list);
    // The key list as the published list property sees it.
    QStringList PropertiesList() const { return FProperties->ToQStringList(); }
    void SetPropertiesList(const QStringList& items) { FProperties->SetFromQStringList(items); }

    // Splits values of string-list properties. Empty after construction (a list then
    // gets the whole trimmed value as its one item). Setting blanks and control
    // characters only (or nothing) stores ","; any other text is stored untrimmed.
    QString Separator() const { return FSeparator; }
    void SetSeparator(const QString& Value);

    // Stored, never raised.
    TNotifyEvent OnBeforeTranslation;
    TNotifyEvent OnAfterTranslation;
    // Raised for each key that leads to a component and has a non-empty value.
    TLanguageNotifyEvent OnTranslate;

    // Applies section "Translations" to every registered key, in list order. A key is
    // resolved from the application object (Application()): its first segment names a
    // component the application owns, and a one-segment key names a property of the
    // application itself. Blank keys are skipped; unresolved keys, missing entries and
    // empty values change nothing. Errors end the loop (keys applied before stay
    // applied) and propagate: EFOpenError for a file that exists but cannot be opened,
    // EConvertError for an integer property given a non-number, and whatever a
    // property's setter raises.
    void Translate();

    // The entry for sMessage in section "Messages", else sMessage itself. An entry with
    // an empty value gives the empty string. Raises only EFOpenError (file not opened).
    QString TranslateUserMessage(const QString& sMessage) const;

    // Kinds of a published property: QString is the string kind; int and the other
    // integer types of at most 32 bits are the integer kind.
    static bool StringProperty(const QMetaProperty& PropInfo);
    static bool IntegerProperty(const QMetaProperty& PropInfo);

private:
    void ApplyTranslation(QString Key, QString Value);
    static void SplitFirstSegment(QString& Path, QString& Head);
    static bool IsLastSegment(const QString& Path);
    static TComponent* FindOwnedComponent(TComponent* Owner, const QString& Name);
    void SetPropertyText(TComponent* Component, const QString& PropName, const QString& Value);
    void GetPropertyText(TComponent* Component, const QString& PropName, QString& Text) const;
    void SetListPropertyText(TComponent* Component, const QMetaProperty& PropInfo,
                             const QString& Value);

    QString FIniFile;
    std::unique_ptr<TStringList> FProperties;
    QString FSeparator;
};
