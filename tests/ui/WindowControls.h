#pragma once
// The window's controls as a test reaches them: by objectName, as the operator knows them.
#include <algorithm>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDropEvent>
#include <QMap>
#include <QMimeData>
#include <QObject>
#include <QPushButton>
#include <QUrl>
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

// A button's caption as the operator reads it, without the "&" that marks its access key.
inline QString Caption(const QAbstractButton* button) {
    return button->text().remove('&');
}

// What is wrong with the access keys of buttons shown together: a captioned button without
// exactly one, or one key given to two buttons. Empty when nothing is.
inline QString AccessKeyProblem(const QList<QPushButton*>& buttons) {
    QMap<QChar, QString> taken;
    for (const QAbstractButton* button : buttons) {
        const QString text = button->text();
        const QString visible = Caption(button);
        if (std::none_of(visible.begin(), visible.end(), [](QChar c) { return c.isLetter(); }))
            continue; // "..." has no letter to give
        const qsizetype mark = text.indexOf('&');
        if (mark < 0 || mark + 1 >= text.size() || !text[mark + 1].isLetter() ||
            text.indexOf('&', mark + 1) >= 0)
            return button->objectName() + " \"" + text + "\" has no access key";
        const QChar key = text[mark + 1].toLower();
        if (taken.contains(key))
            return button->objectName() + " and " + taken[key] + " share the key " + key;
        taken[key] = button->objectName();
    }
    return {};
}

// Drops urls on a list view as a file manager does: a drag enters, then drops. The page adds
// what was dropped on the event loop's next turn, which this lets pass. True when the view
// took the drop.
inline bool DropUrls(QAbstractItemView* view, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = view->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted();
}
