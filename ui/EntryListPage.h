// The list half of the Watch Folder and Playlist Check pages: a virtual report list of the
// page's entries, the row whose settings the panel holds, and what their buttons share.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <QObject>

class QEvent;
class QPushButton;
class QTableView;
class QWidget;
class TEntryList;
class TListTableModel;
struct TPageContext;

class TEntryListPage : public QObject {
    Q_OBJECT

public:
    // Builds the list view of entries into a widget of its own (host_), with the page's row of
    // buttons under it: its run button, then "Clear List", "Add", "Remove", "Update" and
    // "Clear Params", each named "btn" + prefix + its caption without blanks.
    TEntryListPage(TPageContext& context, QWidget* page, const TEntryList& entries,
                   const char* prefix, const char* runCaption, const char* viewName,
                   const QString& accessibleName);

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
    // The page's panel: whether the operator changed it since it was last loaded from or
    // stored into an entry; showing the entry it edits; emptying it as "Clear Params" does.
    virtual bool& PanelChanged() = 0;
    virtual void ShowEditedEntry() = 0;
    virtual void ClearPanel() = 0;
    // The question before entry row (0-based) takes the panel's values: from "Update", or
    // when another row is selected (selecting).
    virtual std::string UpdatePrompt(size_t row, bool selecting) const = 0;
    // A click (or, with key, a released key) in the list, handled after the view moved its
    // selection.
    virtual void RowSelected(bool key) = 0;
    // The Delete key on a selected row: what the page's "Remove" does.
    virtual void RemoveSelectedEntry() = 0;

    // What the page's buttons and list do, each inside the page's routine for it:
    // "Add": the panel's entry joins the list, which leaves the panel cleared and unchanged.
    void AddEntry();
    // "Update": the panel's entry replaces the selected one, once the operator agrees.
    void UpdateEntry();
    // "Remove": the selected entry goes (no row data is drawn meanwhile) and the panel's row
    // is forgotten, as the rows after it moved up.
    void RemoveSelected();
    // A row selected: a changed panel may first go into the entry it was loaded from; then
    // the panel shows the entry selected.
    void SelectEntry();

    bool RowExists(int row) const;
    // Repaints the rows, which are asked of the list on every paint.
    void RepaintList();
    // The list and the buttons that change it are usable only while no run is under way.
    void EnableListControls(bool idle);
    // The view selects the panel's row again after the list changed size.
    void KeepSelection();

    bool eventFilter(QObject* watched, QEvent* event) override;

    TPageContext& context_;
    const TEntryList& entries_;
    QWidget* host_ = nullptr;
    QTableView* view_ = nullptr;
    TListTableModel* model_ = nullptr;
    QPushButton* btnRun_ = nullptr;
    QPushButton* btnClearList_ = nullptr;
    QPushButton* btnAdd_ = nullptr;
    QPushButton* btnRemove_ = nullptr;
    QPushButton* btnUpdate_ = nullptr;
    QPushButton* btnClearParams_ = nullptr;
    int selectedIndex_ = -1;

private:
    bool removing_ = false;
};
