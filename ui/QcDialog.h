// "File > Check STL Files...": the findings of the quality check for the files the operator
// chooses, in a table that sorts on any column and copies as tab-separated lines.
#pragma once

#include <vector>

#include <QDialog>

#include "qc/QualityCheck.h"

class IUserDialogs;
class QLabel;
class QTableWidget;

class TQcDialog : public QDialog {
    Q_OBJECT

public:
    // dialogs: what the viewer opened from a finding asks through.
    TQcDialog(const std::vector<TQcReport>& reports, IUserDialogs& dialogs,
              QWidget* parent = nullptr);

    // The selected rows (every row when none is selected) in their shown order, a header
    // line first, the columns separated by tabs: what a spreadsheet or a mail takes.
    QString RowsAsText() const;
    void CopyRows() const;
    // Opens the viewer on the file of the current row, at its finding's block.
    void ViewCurrent();

private:
    void Fill(const std::vector<TQcReport>& reports);

    IUserDialogs& dialogs_;
    QTableWidget* lvFindings_;
    QLabel* lblSummary_;
};

// Asks for the files, checks them and shows the findings; nothing when the choice is
// cancelled.
void CheckSTLFiles(IUserDialogs& dialogs, QWidget* parent);
