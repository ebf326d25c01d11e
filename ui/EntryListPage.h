// The list half of the Watch Folder and Playlist Check pages: a virtual report list of the
// page's entries, the row whose settings the panel holds, and what their buttons share.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <QObject>
#include <QStringList>

class QEvent;
class QHBoxLayout;
class QPushButton;
class QTableView;
class QWidget;
class TListTableModel;
struct TPageContext;

class TEntryListPage : public QObject {
    Q_OBJECT

public:
    // Builds the list view into a widget of its own (Host()), with an empty row of buttons
    // under it.
    TEntryListPage(TPageContext& context, QWidget* page, const QStringList& headers,
                   const char* viewName, const QString& accessibleName);

    // Row of the list view's selection, -1 when none.
    int SelectedRow() const;
    // The entry whose settings the panel was loaded from, -1 when none.
    int SelectedIndex() const { return selectedIndex_; }
    // Sizes the list view to the list and repaints it.
    void RefreshRowCount();
    // The stored widths, the others fitted: "#" to its numbers, the two folder columns share
    // the rest, the comment keeps its width.
    void ApplyColumnWidths(const std::vector<int32_t>& widths, const std::vector<bool>& stored);
    void ReadColumnWidths(std::vector<int32_t>& widths) const;

protected:
    virtual size_t EntryCount() const = 0;
    // Cell text of an existing entry.
    virtual std::string Cell(size_t row, int column) const = 0;
    // A click (or, with key, a released key) in the list, handled after the view moved its
    // selection.
    virtual void RowSelected(bool key) = 0;
    // The Delete key on a selected row: what the page's "Remove" does.
    virtual void RemoveSelectedEntry() = 0;

    bool RowExists(int row) const;
    // Repaints the rows, which are asked of the list on every paint.
    void RepaintList();
    QPushButton* AddButton(const char* caption, const char* name);
    // "Remove": the selected entry goes (no row data is drawn meanwhile) and the panel's row
    // is forgotten, as the rows after it moved up; without a selected entry, "No item
    // selected.".
    void RemoveSelected(const std::function<void(size_t row)>& erase);
    // The view selects the panel's row again after the list changed size.
    void KeepSelection();

    bool eventFilter(QObject* watched, QEvent* event) override;

    TPageContext& context_;
    QWidget* host_ = nullptr;
    QTableView* view_ = nullptr;
    TListTableModel* model_ = nullptr;
    QHBoxLayout* buttons_ = nullptr;
    int selectedIndex_ = -1;

private:
    bool removing_ = false;
};
