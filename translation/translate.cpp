#include "platform/system/exceptions.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/application.h"
#include "translation/lang.h"
#include "translation/lang_file.h"

#include <QMetaObject>
#include <QPointer>
#include <QVariant>
#include <cstdint>
#include <optional>

namespace {

// Only a to z change; every other character is compared as it is.
QString AsciiUpper(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
    return r;
}

// The published property of that name, the most derived class's first, names
// compared by the ASCII rule.
std::optional<QMetaProperty> FindProperty(const QObject* object, const QString& name) {
    const QString wanted = AsciiUpper(name);
    const QMetaObject* meta = object->metaObject();
    for (int i = meta->propertyCount() - 1; i >= 0; --i) {
        const QMetaProperty p = meta->property(i);
        if (AsciiUpper(QString::fromLatin1(p.name())) == wanted) return p;
    }
    return std::nullopt;
}

bool ListProperty(const QMetaProperty& p) { return p.metaType().id() == QMetaType::QStringList; }

// The class library's StrToInt: leading spaces, an optional sign, then decimal digits,
// or hexadecimal ones after "$", "x" or "0x". Decimal must fit a signed 32-bit value;
// hexadecimal may use all 32 bits ($FFFFFFFF is -1).
std::optional<int32_t> ParseInteger(const QString& s) {
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && s[i] == u' ') ++i;
    bool negative = false;
    if (i < n && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    bool hex = false;
    if (i < n && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n) return std::nullopt;
    uint64_t v = 0;
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (v > (hex ? 0xFFFFFFFFull : 0x80000000ull)) return std::nullopt;
    }
    if (hex) {
        const uint32_t u = static_cast<uint32_t>(v);
        return static_cast<int32_t>(negative ? 0u - u : u);
    }
    if (!negative && v > 0x7FFFFFFFull) return std::nullopt;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
}

int32_t StrToInt(const QString& s) {
    if (const auto v = ParseInteger(s)) return *v;
    throw EConvertError(sys::Format(QStringLiteral("''%s'' is not a valid integer value"), {s}));
}

// The number in the property's own type, cut to its size as an ordinal store would.
QVariant IntegerVariant(const QMetaProperty& p, int32_t v) {
    switch (p.metaType().id()) {
    case QMetaType::UInt: return QVariant::fromValue(static_cast<uint>(v));
    case QMetaType::Short: return QVariant::fromValue(static_cast<short>(v));
    case QMetaType::UShort: return QVariant::fromValue(static_cast<ushort>(v));
    case QMetaType::SChar: return QVariant::fromValue(static_cast<signed char>(v));
    case QMetaType::UChar: return QVariant::fromValue(static_cast<uchar>(v));
    default: return QVariant::fromValue(static_cast<int>(v));
    }
}

}  // namespace

bool TLanguage::StringProperty(const QMetaProperty& PropInfo) {
    return PropInfo.metaType().id() == QMetaType::QString;
}

bool TLanguage::IntegerProperty(const QMetaProperty& PropInfo) {
    switch (PropInfo.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar: return true;
    default: return false;
    }
}

void TLanguage::Translate() {
    const QString section = QStringLiteral("Translations");
    const lang::LanguageFileData file = lang::LanguageFileData::Read(FIniFile);

    // The keys registered at the start are looked up in one pass over the file.
    const int count = FProperties->Count();
    const QStringList keys = FProperties->ToQStringList();
    const auto values = file.Lookup(section, keys);

    // A handler or setter may change the key list meanwhile: a key that is no longer
    // the one looked up is read on its own, and a shrunk list ends the loop.
    for (int i = 0; i < count && i < FProperties->Count(); ++i) {
        const QString key = FProperties->Strings(i);
        if (sys::Trim(key).isEmpty()) continue;
        const QString value = key == keys[i] ? values[static_cast<size_t>(i)].value_or(QString())
                                             : file.ReadString(section, key, QString());
        ApplyTranslation(key, value);
    }
}

void TLanguage::ApplyTranslation(QString Key, QString Value) {
    Key = sys::Trim(Key);
    TComponent* current = Application();
    if (Key.isEmpty()) return;
    while (!IsLastSegment(Key)) {
        QString head;
        SplitFirstSegment(Key, head);
        current = FindOwnedComponent(current, head);
    }
    if (!current || Value.isEmpty()) return;

    if (OnTranslate) {
        QString oldValue;
        GetPropertyText(current, Key, oldValue);
        const QPointer<TComponent> alive(current);
        OnTranslate(this, current, Key, oldValue, Value);
        if (!alive) return;  // the handler freed the component
    }
    SetPropertyText(current, Key, Value);
}

void TLanguage::SplitFirstSegment(QString& Path, QString& Head) {
    const qsizetype dot = Path.indexOf(u'.');
    if (dot < 0) {
        Head = Path;
        Path.clear();
    } else {
        Head = Path.left(dot);
        Path = Path.mid(dot + 1);
    }
    Head = sys::Trim(Head);
    Path = sys::Trim(Path);
}

bool TLanguage::IsLastSegment(const QString& Path) { return !Path.contains(u'.'); }

TComponent* TLanguage::FindOwnedComponent(TComponent* Owner, const QString& Name) {
    if (!Owner) return nullptr;
    const QString wanted = AsciiUpper(Name);
    for (int i = 0; i < Owner->ComponentCount(); ++i) {
        TComponent* c = Owner->Components(i);
        if (AsciiUpper(c->Name()) == wanted) return c;
    }
    return nullptr;
}

void TLanguage::SetPropertyText(TComponent* Component, const QString& PropName,
                                const QString& Value) {
    if (!Component) return;
    const auto prop = FindProperty(Component, PropName);
    if (!prop) return;
    if (StringProperty(*prop))
        prop->write(Component, QVariant(Value));
    else if (IntegerProperty(*prop))
        prop->write(Component, IntegerVariant(*prop, StrToInt(Value)));
    else if (ListProperty(*prop))
        SetListPropertyText(Component, *prop, Value);
}

void TLanguage::GetPropertyText(TComponent* Component, const QString& PropName,
                                QString& Text) const {
    if (!Component) return;
    const auto prop = FindProperty(Component, PropName);
    if (!prop) return;
    Text = StringProperty(*prop) ? prop->read(Component).toString() : QString();
}

void TLanguage::SetListPropertyText(TComponent* Component, const QMetaProperty& PropInfo,
                                    const QString& Value) {
    QStringList items;
    qsizetype from = 0;
    if (!FSeparator.isEmpty()) {
        for (qsizetype at; (at = Value.indexOf(FSeparator, from)) >= 0;
             from = at + FSeparator.size())
            items << sys::Trim(Value.mid(from, at - from));
    }
    const QString rest = sys::Trim(Value.mid(from));
    if (!rest.isEmpty()) items << rest;
    PropInfo.write(Component, QVariant(items));
}
