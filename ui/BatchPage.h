// The Batch page: a list of STL files converted one per step with the Batch settings, the
// settings panel beside it.
#pragma once

#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QWidget>

class QPushButton;
class QTableView;
class QTimer;
class TCaplinForm;
class TConversionSettingsPanel;

struct TBatchItem {
    std::string FileName;
    int32_t Status = 0; // 0 not processed, 1 processing, 2 processed
};

// Rows are read from the list on demand; nothing is copied into the view.
class TBatchListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TBatchListModel(const std::vector<TBatchItem>& list, QObject* parent = nullptr)
        : QAbstractTableModel(parent), list_(list) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The list changed in length or content.
    void Reload();
    void RowChanged(int row);

private:
    const std::vector<TBatchItem>& list_;
};

class TBatchPage : public QWidget {
    Q_OBJECT

public:
    TBatchPage(TCaplinForm& form, QWidget* parent = nullptr);

    void btnBAddFileClick();
    void btnBRemoveClick();
    void btnBClearBatchListClick();
    void btnBatchConvertClick();
    bool ClearBatchList();
    bool ResetBatchListStatus();
    bool IsFileInBatchList(const std::string& fileName) const;
    // The settings are loaded: show them and the stored column widths.
    void Loaded();
    // The settings are about to go: the run stops and the panel lets go of them.
    void Unloading();
    // Enabling of the page's own controls and of its settings panel.
    void Refresh();
    // The stored column widths go to the view, and back at save.
    void ApplyColumnWidths(const std::vector<int32_t>& widths);
    void ReadColumnWidths(std::vector<int32_t>& widths) const;

    std::vector<TBatchItem> BatchList;
    TBatchListModel* Model = nullptr;
    QTableView* lvBatch = nullptr;
    QPushButton* btnBAddFile = nullptr;
    QPushButton* btnBRemove = nullptr;
    QPushButton* btnBClearBatchList = nullptr;
    QPushButton* btnBatchConvert = nullptr;
    TConversionSettingsPanel* Panel = nullptr;
    QTimer* RunTimer = nullptr;

private:
    void StartRun();
    // One entry of the run, then the next step is scheduled or the run ends.
    void RunStep();

    TCaplinForm& form_;
    size_t runIndex_ = 0;
};
