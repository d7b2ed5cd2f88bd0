#pragma once
// Helpers shared by the widget tests: real widgets offscreen, real events.

#include "platform/vcl/application.h"
#include "platform/vcl/controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QObject>
#include <QString>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace widgets_test {

// A published property found the way the translator finds it: by name, ignoring
// case, inherited ones included. Invalid when there is none.
inline QMetaProperty FindProperty(const QObject* object, const QString& name) {
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (QString::fromLatin1(p.name()).compare(name, Qt::CaseInsensitive) == 0) return p;
    }
    return {};
}

inline void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                    const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos,
                      Qt::MouseButton button = Qt::LeftButton,
                      Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const Qt::MouseButtons buttons =
        (type == QEvent::MouseButtonRelease) ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                  type == QEvent::MouseMove ? Qt::NoButton : button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

inline void Click(QWidget* w, QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    SendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, mods);
    SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, mods);
}

// Handles events until `done` holds, at most `rounds` times.
inline bool PumpUntil(const std::function<bool()>& done, int rounds = 200) {
    for (int i = 0; i < rounds && !done(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QApplication::sendPostedEvents();
    }
    return done();
}

// Runs a real event loop until it has nothing left to do (so it goes idle once).
inline void RunEventLoopOnce() {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

template <class T>
T* Make(TWinControl* parent, TComponent* owner, int left, int top, int width, int height) {
    auto* c = new T(owner);
    c->SetParent(parent);
    c->SetBounds(left, top, width, height);
    return c;
}

}  // namespace widgets_test
