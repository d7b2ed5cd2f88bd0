#pragma once
// ChangeLink: a guarded pointer to a component whose change signal the holder follows
// (a client's action, a control's image list). Pointing it elsewhere drops its own
// connection and makes the new one, so two links of one holder to the same component
// (a toolbar's Images and DisabledImages) stay independent.

#include <QMetaObject>
#include <QObject>
#include <QPointer>

template <class T>
class ChangeLink {
public:
    operator T*() const { return target_; }
    T* operator->() const { return target_; }

    // Points the link at `target` (nullptr: nothing) and connects the target's
    // `signal` to `slot` of `receiver`. False, and nothing changes, when the link
    // points there already.
    template <class Signal, class Receiver, class Slot>
    bool Set(T* target, Signal signal, const Receiver* receiver, Slot slot) {
        if (target == target_) return false;
        QObject::disconnect(connection_);
        target_ = target;
        connection_ = target ? QObject::connect(target, signal, receiver, slot)
                             : QMetaObject::Connection();
        return true;
    }

private:
    QPointer<T> target_;
    QMetaObject::Connection connection_;
};
