#include "platform/system/stringlist.h"

#include <QLocale>
#include <algorithm>
#include <stdexcept>

namespace {
void checkIndex(int index, size_t count) {
    if (index < 0 || static_cast<size_t>(index) >= count)
        throw std::out_of_range("List index out of bounds");
}
int compareText(const QString& a, const QString& b) {
    return QString::localeAwareCompare(a.toCaseFolded(), b.toCaseFolded());
}
}  // namespace

const QString& TStringList::Strings(int index) const {
    checkIndex(index, items_.size());
    return items_[static_cast<size_t>(index)].s;
}

void TStringList::SetString(int index, const QString& s) {
    checkIndex(index, items_.size());
    items_[static_cast<size_t>(index)].s = s;
}

TObject* TStringList::Objects(int index) const {
    checkIndex(index, items_.size());
    return items_[static_cast<size_t>(index)].object;
}

void TStringList::SetObject(int index, TObject* object) {
    checkIndex(index, items_.size());
    items_[static_cast<size_t>(index)].object = object;
}

int TStringList::Add(const QString& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const QString& s, TObject* object) {
    items_.push_back({s, object});
    return Count() - 1;
}

void TStringList::Insert(int index, const QString& s) {
    if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
    items_.insert(items_.begin() + index, Item{s, nullptr});
}

void TStringList::Delete(int index) {
    checkIndex(index, items_.size());
    items_.erase(items_.begin() + index);
}

void TStringList::Clear() { items_.clear(); }

int TStringList::IndexOf(const QString& s) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (compareText(items_[i].s, s) == 0) return static_cast<int>(i);
    return -1;
}

int TStringList::IndexOfExact(const QString& s) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].s == s) return static_cast<int>(i);
    return -1;
}

void TStringList::Sort() {
    std::stable_sort(items_.begin(), items_.end(),
                     [](const Item& a, const Item& b) { return compareText(a.s, b.s) < 0; });
}

void TStringList::Assign(const TStringList& other) {
    if (&other != this) items_ = other.items_;
}

QString TStringList::Text() const {
    QString t;
    for (const Item& i : items_) t += i.s + u'\n';
    return t;
}

QStringList TStringList::ToQStringList() const {
    QStringList l;
    l.reserve(Count());
    for (const Item& i : items_) l << i.s;
    return l;
}

void TStringList::SetFromQStringList(const QStringList& items) {
    items_.clear();
    for (const QString& s : items) items_.push_back({s, nullptr});
}
