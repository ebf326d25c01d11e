// Building blocks shared by the configuration dialogs: item lists in report style and
// controls captioned from above.
#pragma once

#include <string>
#include <vector>

#include <QString>
#include <QStringList>

class QTableWidget;
class QWidget;

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

// Texts cross into the core as UTF-8 bytes.
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}
