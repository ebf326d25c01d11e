// Building blocks shared by the configuration dialogs: the dialog frame, buttons, item lists
// in report style and controls captioned from above.
#pragma once

#include <functional>
#include <vector>

#include <QDialog>
#include <QString>
#include <QStringList>

class QPushButton;
class QTableWidget;
class QWidget;

// A configuration dialog of fixed size whose controls are filled anew each time it is shown.
class TConfigDialog : public QDialog {
    Q_OBJECT

public:
    // Fills the controls from the dialog's data.
    virtual void FormShow() = 0;

protected:
    TConfigDialog(const char* name, const char* title, QSize size, QWidget* parent);

    // "OK" runs onOK, which closes the dialog with accept() when it agrees.
    QPushButton* NewOKButton(std::function<void()> onOK);
    // The button named btnCancel, with the caption given, closes with the cancel result.
    QPushButton* NewCancelButton(const char* caption);

    void showEvent(QShowEvent* event) override;
};

// A named button that never becomes the dialog's default, so Enter in an edit presses none.
QPushButton* NewButton(const char* caption, const char* name, QWidget* parent);

// A report-style list whose rows the view holds: read-only, whole-row single selection,
// grid lines, no row numbers, and a selection that keeps its colour when the list loses
// the focus.
QTableWidget* NewItemListView(const char* name, const QString& accessibleName,
                              const QStringList& captions, const std::vector<int>& widths,
                              QWidget* parent);
// Appends one row with the given cell texts.
void AddListViewRow(QTableWidget* view, const QStringList& cells);
// The selected row, or -1 when nothing is selected.
int SelectedRow(const QTableWidget* view);

// The control with its caption above it, in one widget for the dialog's layout. The caption
// is the control's buddy, so it also names the control for screen readers; it is named after
// the control with "Label" appended.
QWidget* WithCaptionAbove(QWidget* control, const QString& caption, QWidget* parent);
