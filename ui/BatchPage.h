// The Batch page: the session's batch list, converted one file per step of a timer with the
// Batch settings, and the settings panel beside it.
#pragma once

#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QList>
#include <QWidget>

#include "session/BatchRun.h"

class QLabel;
class QMimeData;
class QPushButton;
class QTableView;
class QTimer;
class QUrl;
class TConversionSettingsPanel;
struct TPageContext;

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
    TBatchPage(TPageContext& context, QWidget* parent = nullptr);

    void btnBAddFileClick();
    void btnBRemoveClick();
    void btnBClearBatchListClick();
    void btnBatchConvertClick();
    // Files and folders dropped on the list from a file manager.
    void lvBatchDragDrop(const QList<QUrl>& urls);
    // Opens the viewer on the file.
    void lvBatchDblClick(int row);
    // The settings are loaded: show them and the stored column widths.
    void Loaded();
    // The settings are about to go: the run stops and the panel lets go of them.
    void Unloading();
    // Enabling of the page's own controls and of its settings panel.
    void Refresh();
    // The present column widths into the session's layout.
    void StoreColumnWidths();
    TConversionSettingsPanel& Panel() { return *panel_; }

protected:
    // The list's Delete key, and what a file manager drags over it and drops.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One entry of the run, then the next step is scheduled or the run ends.
    void RunStep();
    void ShowEntry(size_t index);
    void ShowProgress();
    void NameProgressAndWatchList();
    bool AcceptsDrop(const QMimeData* mime) const;

    TPageContext& context_;
    TBatchRun& run_;
    TBatchListModel* model_ = nullptr;
    QTableView* lvBatch_ = nullptr;
    QPushButton* btnBAddFile_ = nullptr;
    QPushButton* btnBRemove_ = nullptr;
    QPushButton* btnBClearBatchList_ = nullptr;
    QPushButton* btnBatchConvert_ = nullptr;
    QLabel* lblBProgress_ = nullptr;
    TConversionSettingsPanel* panel_ = nullptr;
    QTimer* runTimer_ = nullptr;
};
