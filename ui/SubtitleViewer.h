// "File > View STL File...": a file's header fields, its subtitles with a mark on those the
// quality check has findings on, and the selected subtitle drawn as it goes to air.
#pragma once

#include <cstdint>
#include <string>

#include <QDialog>

#include "session/STLFileView.h"

class IUserDialogs;
class QLabel;
class QTableView;
class QTableWidget;
class TSubtitleListModel;
class TSubtitlePreview;

class TSubtitleViewer : public QDialog {
    Q_OBJECT

public:
    explicit TSubtitleViewer(TSTLFileView view, QWidget* parent = nullptr);
    ~TSubtitleViewer() override;

    // Selects the subtitle holding the TTI block (from 1), or the one nearest after it.
    void SelectBlock(uint32_t block);
    void SelectSubtitle(int index);
    int SelectedSubtitle() const;

private:
    void ShowSelected();

    TSTLFileView view_;
    QLabel* lblSummary_;
    QTableWidget* lvHeader_;
    QTableView* lvSubtitles_;
    TSubtitleListModel* model_;
    TSubtitlePreview* pbPreview_;
    QLabel* lblFindings_;
};

// Reads the file and shows it at block (0: its first subtitle). A file that does not open is
// said in a box: "Cannot open STL file <path>: <reason>".
void ViewSTLFile(IUserDialogs& dialogs, QWidget* parent, const std::string& path,
                 uint32_t block = 0);
// Asks for a file and shows it; nothing when the choice is cancelled.
void ChooseAndViewSTLFile(IUserDialogs& dialogs, QWidget* parent);
