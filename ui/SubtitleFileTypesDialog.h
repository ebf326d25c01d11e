// The dialog that edits one list of subtitle file types, with a preview of the tape ID and
// language that the entered positions cut out of a sample file name. It works on its own
// copy; the caller's list changes only on OK.
#pragma once

#include "convert/SettingsChoices.h"
#include "convert/SubtitleFileType.h"
#include "ui/ListEditorDialog.h"

class QLineEdit;
class QSpinBox;
class IUserDialogs;

class TSubtitleFileTypesForm : public TListEditorDialog {
    Q_OBJECT

public:
    TSubtitleFileTypesForm(IUserDialogs& dialogs, QWidget* parent = nullptr);

    // The controls into the record being edited.
    void ApplyItem();
    // The preview of the tape ID and the language.
    void GeneralRefresh();
    void RefreshListView() override;

    void btnAddSubtitleFileTypeClick();
    void btnDeleteSubtitleFileTypeClick();
    void btnOKClick();
    void seTapeIDParsingStartPositionChange();
    void FormShow() override;

    // The dialog's own copy of the list.
    TSubtitleFileTypeList List;

protected:
    int ItemCount() const override;
    void LoadItem(int row) override;
    bool StoreItem(int row) override;

private:
    // The edit area below the list.
    QWidget* BuildEditArea();
    // The controls into type.
    void ControlsToType(TSubtitleFileType& type) const;

    QLineEdit* lbeName = nullptr;
    QSpinBox* seFileNameCharsCount = nullptr;
    QSpinBox* seTapeIDParsingStartPosition = nullptr;
    QSpinBox* seTapeIDParsingCharectersCount = nullptr;
    QSpinBox* seLanguageParsingStartPosition = nullptr;
    QSpinBox* seLanguageParsingCharectersCount = nullptr;
    QLineEdit* lbeSamplePreviewFileName = nullptr;
    QLineEdit* lbePreviewTapeID = nullptr;
    QLineEdit* lbePreviewLanguage = nullptr;
};

// Opens the dialog on a copy of list; on OK the edited copy replaces list's content and the
// result is true. Cancel or closing the window leaves list as it was.
bool ConfigureSubtitleFileTypes(TSubtitleFileTypeList* list, IUserDialogs& dialogs,
                                QWidget* parent = nullptr);
