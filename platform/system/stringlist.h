#pragma once
// TStringList with the defaults the program relies on: unsorted, duplicates kept,
// IndexOf and Sort ignoring case, item objects not owned by the list.

#include "platform/system/tobject.h"

#include <QString>
#include <QStringList>
#include <vector>

class TStringList {
public:
    TStringList() = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    const QString& Strings(int index) const;
    const QString& operator[](int index) const { return Strings(index); }
    void SetString(int index, const QString& s);
    TObject* Objects(int index) const;
    void SetObject(int index, TObject* object);

    // Appends and returns the new item's index.
    int Add(const QString& s);
    int AddObject(const QString& s, TObject* object);
    void Insert(int index, const QString& s);
    void Delete(int index);
    void Clear();
    // Case-insensitive; -1 when absent.
    int IndexOf(const QString& s) const;
    // The first item equal to `s` exactly (file paths: "A.jpg" and "a.jpg" are two
    // files on Linux); -1 when absent.
    int IndexOfExact(const QString& s) const;
    // Case-insensitive, stable.
    void Sort();
    // Replaces the items with a copy of the other list's items and objects.
    void Assign(const TStringList& other);

    // The items joined with "\n" after each (like the class library's Text).
    QString Text() const;
    QStringList ToQStringList() const;
    void SetFromQStringList(const QStringList& items);

private:
    struct Item {
        QString s;
        TObject* object = nullptr;
    };
    std::vector<Item> items_;
};

using TStrings = TStringList;
