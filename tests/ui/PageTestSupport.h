#pragma once
// What the tests of the window's pages share: the test's private home, the scripted boxes, the
// window, and its controls and lists as the operator reaches them. A test class takes it as a
// second base beside QObject.
#include <memory>
#include <string>

#include <QPlainTextEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/ui/ScriptedDialogs.h"
#include "tests/ui/WindowControls.h"
#include "tests/ui/WindowTestHome.h"
#include "ui/CaplinForm.h"

class TPageTest {
protected:
    // A fresh home (see NewTestHome) and boxes without answers; false when the home cannot be
    // made.
    bool StartHome(const char* prefix, bool loadSettings = true) {
        dir_ = NewTestHome(prefix, loadSettings);
        dialogs_ = TScriptedDialogs();
        return dir_ != nullptr;
    }
    // The window goes before the home it keeps its files in.
    void EndHome() {
        form_.reset();
        dir_.reset();
    }

    template <class T> T* Find(const char* name) const { return Control<T>(form_.get(), name); }
    void Press(const char* name) { Click(form_.get(), name); }
    // What the window works on, apart from its controls.
    TCaplinSession& Session() const { return form_->Session(); }

    // A file or folder in the home.
    std::string Path(const QString& name) const { return dir_->filePath(name).toStdString(); }
    std::string Path(const std::string& name) const { return Path(QString::fromStdString(name)); }
    std::string Path(const char* name) const { return Path(QString(name)); }

    // The text of a cell of the list view named view.
    QString ListCell(const char* view, int row, int column) const {
        return Find<QTableView>(view)->model()->index(row, column).data().toString();
    }
    // A click on a row of the list view named view. The page handles it after the view's own
    // handling, on the event loop's next turn, which this lets pass.
    void ClickListRow(const char* view, int row) {
        QTableView* list = Find<QTableView>(view);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 1)).center());
        QCoreApplication::processEvents();
    }

    // The operation log pane's lines without their timestamps.
    QStringList LogLines() const {
        QStringList lines;
        for (const QString& line : Find<QPlainTextEdit>("memLogs")->toPlainText().split('\n'))
            if (!line.isEmpty())
                lines << line.section(" - ", 1);
        return lines;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    TScriptedDialogs dialogs_;
    std::unique_ptr<TCaplinForm> form_;
};
