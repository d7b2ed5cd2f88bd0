#pragma once
// TComponent: a named object with a Tag and an owner that frees it. Ownership is
// flat (a form owns all its components, in the order they were added) and separate
// from the visual parent of a widget. Published properties are Qt properties, so the
// translator can find them by name through the meta-object system.

#include <QObject>
#include <QString>
#include <vector>

class TComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    explicit TComponent(TComponent* AOwner);
    // Frees the owned components (the last added first), then leaves the owner's list.
    ~TComponent() override;

    QString Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    // The first owned component of that name (exact comparison), or nullptr.
    TComponent* FindComponent(const QString& name) const;

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

private:
    QString name_;
    int tag_ = 0;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
};

// A new component of type T owned by `owner`, with the name the stored design gives it.
template <class T>
T* MakeComponent(TComponent* owner, const char* name) {
    auto* component = new T(owner);
    component->SetName(QString::fromLatin1(name));
    return component;
}
