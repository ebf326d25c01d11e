#include "ui/WatchFolderPage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "ui/CaplinForm.h"
#include "ui/ListTableModel.h"

namespace {

QPushButton* NewButton(const char* caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

TWatchFolderPage::TWatchFolderPage(TCaplinForm& form, QWidget* page) : QObject(page), form_(form) {
    Model = new TListTableModel(
        {"#", "Watch Folder", "Destination Folder", "Comment"},
        [this](int row, int column) -> std::string {
            if (!form_.WatchFolderList ||
                row >= static_cast<int>(form_.WatchFolderList->Items.size()))
                return {};
            const auto& settings = form_.WatchFolderList->Items[row]->Settings;
            switch (column) {
            case 0:
                return std::to_string(row + 1);
            case 1:
                return settings.WatchFolder;
            case 2:
                return settings.DestinationFolder;
            case 3:
                return settings.Comment;
            default:
                return {};
            }
        },
        this);

    auto* left = new QWidget(page);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    lvWatchFolder = NewReportView("lvWatchFolder", Model, left);
    lvWatchFolder->setAccessibleName("Watch folders");
    ApplyColumnWidths(lvWatchFolder, form_.ColumnWidths[TListView::lvWatchFolder]);
    leftLayout->addWidget(lvWatchFolder, 1);

    auto* buttons = new QHBoxLayout;
    btnWFArm = NewButton("Arm", "btnWFArm", left);
    btnWFClearList = NewButton("Clear List", "btnWFClearList", left);
    btnWFAdd = NewButton("Add", "btnWFAdd", left);
    btnWFRemove = NewButton("Remove", "btnWFRemove", left);
    btnWFUpdate = NewButton("Update", "btnWFUpdate", left);
    btnWFClearParams = NewButton("Clear Params", "btnWFClearParams", left);
    for (QPushButton* button :
         {btnWFArm, btnWFClearList, btnWFAdd, btnWFRemove, btnWFUpdate, btnWFClearParams})
        buttons->addWidget(button);
    buttons->addStretch();
    leftLayout->addLayout(buttons);

    WFSettingsPanelHost = new QWidget(page);
    WFSettingsPanelHost->setObjectName("WFSettingsPanelHost");
    auto* hostLayout = new QVBoxLayout(WFSettingsPanelHost);
    hostLayout->setContentsMargins(0, 0, 0, 0);

    auto* row = new QHBoxLayout;
    row->addWidget(left, 1);
    row->addWidget(WFSettingsPanelHost, 1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
}

void TWatchFolderPage::Loaded() {
    GuardedVoid("TCaplinForm.UpdateWatchFolderList", [&] {
        ApplyColumnWidths(lvWatchFolder, form_.ColumnWidths[TListView::lvWatchFolder]);
        RefreshRowCount();
    });
}

void TWatchFolderPage::RefreshRowCount() {
    Model->SetRowCount(form_.WatchFolderList ? static_cast<int>(form_.WatchFolderList->Items.size())
                                             : 0);
}

void TWatchFolderPage::Refresh(bool idle) {
    // "Arm" stays usable so that an armed run can be disarmed.
    for (QWidget* control : std::initializer_list<QWidget*>{
             lvWatchFolder, btnWFAdd, btnWFRemove, btnWFUpdate, btnWFClearList, btnWFClearParams})
        control->setEnabled(idle);
}

void TWatchFolderPage::StoreColumnWidths() {
    ReadColumnWidths(lvWatchFolder, form_.ColumnWidths[TListView::lvWatchFolder]);
}
