// The dialog that edits one list of subtitle file types, with a preview of the tape ID and
// language that the entered positions cut out of a sample file name. It works on its own
// copy; the caller's list changes only on OK.
#pragma once

#include <QDialog>

#include "convert/SubtitleFileType.h"

class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class IUserDialogs;

// Shown in the sample edit when the dialog opens, and given to a file type without one.
inline constexpr const char* kDefaultSampleFileName = "File_0123_PT.STL";

class TSubtitleFileTypesForm : public QDialog {
    Q_OBJECT

public:
    TSubtitleFileTypesForm(IUserDialogs& dialogs, QWidget* parent = nullptr);

    // The controls into the record being edited.
    void ApplyItem();
    // The preview of the tape ID and the language.
    void GeneralRefresh();
    void RefreshListView();
    bool Editing() const;

    void btnAddSubtitleFileTypeClick();
    void btnEditClick();
    void btnDeleteSubtitleFileTypeClick();
    void btnOKClick();
    void seTapeIDParsingStartPositionChange();
    void FormShow();

    // The dialog's own copy of the list.
    TSubtitleFileTypeList List;

    QTableWidget* lvSubtitleFileTypes = nullptr;
    QLineEdit* lbeName = nullptr;
    QSpinBox* seFileNameCharsCount = nullptr;
    QSpinBox* seTapeIDParsingStartPosition = nullptr;
    QSpinBox* seTapeIDParsingCharectersCount = nullptr;
    QSpinBox* seLanguageParsingStartPosition = nullptr;
    QSpinBox* seLanguageParsingCharectersCount = nullptr;
    QLineEdit* lbeSamplePreviewFileName = nullptr;
    QLineEdit* lbePreviewTapeID = nullptr;
    QLineEdit* lbePreviewLanguage = nullptr;
    QPushButton* btnAddSubtitleFileType = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDeleteSubtitleFileType = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SetEditing(bool editing);

    IUserDialogs& dialogs_;
    int editIndex_ = -1;
};

// Opens the dialog on a copy of list; on OK the edited copy replaces list's content and the
// result is true. Cancel or closing the window leaves list as it was.
bool ConfigureSubtitleFileTypes(TSubtitleFileTypeList* list, IUserDialogs& dialogs,
                                QWidget* parent = nullptr);
