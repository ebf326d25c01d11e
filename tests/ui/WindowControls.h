#pragma once
// The window's controls as a test reaches them: by objectName, as the operator knows them.
#include <QAbstractButton>
#include <QObject>
#include <QtTest>

// The control of type T named name under root. A missing or renamed control ends the run
// with its name rather than leaving a null pointer to crash on later.
template <class T> T* Control(const QObject* root, const char* name) {
    T* control = root != nullptr ? root->findChild<T*>(QLatin1String(name)) : nullptr;
    if (control == nullptr)
        qFatal("No %s named %s under %s", T::staticMetaObject.className(), name,
               root != nullptr ? qPrintable(root->objectName()) : "nothing");
    return control;
}

// The one object of type T under root, for the parts of the window that carry no name (the
// list halves of the pages); none, or more than one, ends the run as a missing control does.
template <class T> T* Part(const QObject* root) {
    const QList<T*> found = root != nullptr ? root->findChildren<T*>() : QList<T*>();
    if (found.size() != 1)
        qFatal("%lld objects of type %s under %s", static_cast<long long>(found.size()),
               T::staticMetaObject.className(),
               root != nullptr ? qPrintable(root->objectName()) : "nothing");
    return found.front();
}

// Presses the button named name as the operator would; a disabled button fails the test, as
// its press would silently do nothing.
inline void Click(const QObject* root, const char* name) {
    auto* button = Control<QAbstractButton>(root, name);
    QVERIFY2(button->isEnabled(), name);
    button->click();
}
