#include "ui/SubtitleFileTypesDialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "session/ItemLists.h"
#include "ui/QtText.h"
#include "ui/UserDialogs.h"

namespace {

QSpinBox* NewSpinEdit(const char* name, int minimum, int maximum, QWidget* parent) {
    auto* edit = new QSpinBox(parent);
    edit->setObjectName(name);
    edit->setRange(minimum, maximum);
    edit->setValue(minimum);
    return edit;
}

// The part of text from the 1-based start, at most count bytes; empty past the end.
std::string Piece(const std::string& text, int start, int count) {
    if (start < 1 || count < 0 || static_cast<size_t>(start) > text.size())
        return {};
    return text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(count));
}

} // namespace

TSubtitleFileTypesForm::TSubtitleFileTypesForm(IUserDialogs& dialogs, QWidget* parent)
    : TListEditorDialog(dialogs,
                        {"SubtitleFileTypesForm",
                         "TSubtitleFileTypesForm",
                         "Subtitle File Types Configuration",
                         {776, 322},
                         std::nullopt,
                         "lvSubtitleFileTypes",
                         "Subtitle file types",
                         QTexts(FileTypeCaptions()),
                         {30, 80, 140, 120, 120, 120, 120}},
                        parent) {
    QWidget* panel = BuildEditArea();
    QPushButton* btnAddSubtitleFileType = NewBrowsingButton("&Add", "btnAddSubtitleFileType");
    QPushButton* btnEdit = NewEditButton();
    QPushButton* btnDeleteSubtitleFileType = NewDeleteButton("btnDeleteSubtitleFileType");
    QPushButton* btnOK = NewOKButton([this] { btnOKClick(); });
    QPushButton* btnCancel = NewCancelButton("&Cancel");
    QVBoxLayout* layout = NewListLayout(8);
    layout->addWidget(panel);
    AddButtonRow(layout, {btnAddSubtitleFileType, btnEdit, btnDeleteSubtitleFileType},
                 {btnOK, btnCancel});

    connect(btnAddSubtitleFileType, &QPushButton::clicked, this,
            [this] { btnAddSubtitleFileTypeClick(); });
    connect(btnDeleteSubtitleFileType, &QPushButton::clicked, this,
            [this] { btnDeleteSubtitleFileTypeClick(); });
    // The file name length takes no part in the preview.
    for (QSpinBox* edit : {seTapeIDParsingStartPosition, seTapeIDParsingCharectersCount,
                           seLanguageParsingStartPosition, seLanguageParsingCharectersCount})
        connect(edit, &QSpinBox::valueChanged, this,
                [this] { seTapeIDParsingStartPositionChange(); });
    connect(lbeSamplePreviewFileName, &QLineEdit::textChanged, this,
            [this] { seTapeIDParsingStartPositionChange(); });
}

QWidget* TSubtitleFileTypesForm::BuildEditArea() {
    QFrame* panel = NewEditPanel();
    lbeName = new QLineEdit(panel);
    lbeName->setObjectName("lbeName");
    seFileNameCharsCount = NewSpinEdit("seFileNameCharsCount", 4, 100, panel);
    seTapeIDParsingStartPosition = NewSpinEdit("seTapeIDParsingStartPosition", 1, 256, panel);
    seTapeIDParsingCharectersCount = NewSpinEdit("seTapeIDParsingCharectersCount", 1, 16, panel);
    seLanguageParsingStartPosition = NewSpinEdit("seLanguageParsingStartPosition", 1, 256, panel);
    seLanguageParsingCharectersCount = NewSpinEdit("seLanguageParsingCharectersCount", 2, 3, panel);
    lbeSamplePreviewFileName = new QLineEdit(panel);
    lbeSamplePreviewFileName->setObjectName("lbeSamplePreviewFileName");
    lbePreviewTapeID = new QLineEdit(panel);
    lbePreviewTapeID->setObjectName("lbePreviewTapeID");
    lbePreviewLanguage = new QLineEdit(panel);
    lbePreviewLanguage->setObjectName("lbePreviewLanguage");
    for (QLineEdit* preview : {lbePreviewTapeID, lbePreviewLanguage}) {
        preview->setReadOnly(true);
        QPalette palette = preview->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        preview->setPalette(palette);
    }

    // One row for the file, one for the tape ID and one for the language, each with its
    // preview at the right.
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(2);
    auto put = [&](QWidget* control, const char* caption, int row, int column) {
        grid->addWidget(WithCaptionAbove(control, caption, panel), row, column);
    };
    put(lbeName, "Subtitle File Type Profile Name", 0, 0);
    put(seFileNameCharsCount, "File Name Characters Count", 0, 1);
    put(lbeSamplePreviewFileName, "Sample Preview File Name", 0, 2);
    put(seTapeIDParsingStartPosition, "TapeID Parsing Start Position", 1, 0);
    put(seTapeIDParsingCharectersCount, "TapeID Parsing Charecters Count", 1, 1);
    put(lbePreviewTapeID, "Preview TapeID", 1, 2);
    put(seLanguageParsingStartPosition, "Language Parsing Start Position", 2, 0);
    put(seLanguageParsingCharectersCount, "Language Parsing Charecters Count", 2, 1);
    put(lbePreviewLanguage, "Preview Language", 2, 2);
    grid->setColumnStretch(2, 1);
    return panel;
}

void TSubtitleFileTypesForm::FormShow() {
    GuardedVoid("TSubtitleFileTypesForm.FormShow", [&] {
        RefreshListView();
        lbeSamplePreviewFileName->setText(kDefaultSampleFileName);
        // Also when the text was already the sample, so the preview is never stale.
        GeneralRefresh();
    });
}

int TSubtitleFileTypesForm::ItemCount() const {
    return static_cast<int>(List.size());
}

void TSubtitleFileTypesForm::GeneralRefresh() {
    GuardedVoid("TSubtitleFileTypesForm.GeneralRefresh", [&] {
        const std::string sample = S(lbeSamplePreviewFileName->text());
        try {
            lbePreviewTapeID->setText(Q(Piece(sample, seTapeIDParsingStartPosition->value(),
                                              seTapeIDParsingCharectersCount->value())));
        } catch (...) {
            lbePreviewTapeID->clear();
            Trace("vlm: Err cannot parse tape id.");
        }
        try {
            lbePreviewLanguage->setText(Q(Piece(sample, seLanguageParsingStartPosition->value(),
                                                seLanguageParsingCharectersCount->value())));
        } catch (...) {
            lbePreviewLanguage->clear();
            Trace("vlm: Err cannot parse language.");
        }
    });
}

void TSubtitleFileTypesForm::seTapeIDParsingStartPositionChange() {
    GuardedVoid("TSubtitleFileTypesForm.seTapeIDParsingStartPositionChange",
                [&] { GeneralRefresh(); });
}

void TSubtitleFileTypesForm::RefreshListView() {
    GuardedVoid("TSubtitleFileTypesForm.RefreshListView",
                [&] { ShowRows(FileTypeTable(List).Rows); });
}

void TSubtitleFileTypesForm::ControlsToType(TSubtitleFileType& type) const {
    type.Name = S(lbeName->text());
    type.CharsCount = seFileNameCharsCount->value();
    type.TapeIDParseStringStartPosition = seTapeIDParsingStartPosition->value();
    type.TapeIDParseStringCharsCount = seTapeIDParsingCharectersCount->value();
    type.LanguageParseStringStartPosition = seLanguageParsingStartPosition->value();
    type.LanguageParseStringCharsCount = seLanguageParsingCharectersCount->value();
    type.SampleFileName = S(lbeSamplePreviewFileName->text());
}

void TSubtitleFileTypesForm::ApplyItem() {
    GuardedVoid("TSubtitleFileTypesForm.ApplyItem", [&] {
        if (EditRow() < 0 || EditRow() >= static_cast<int>(List.size()))
            return;
        ControlsToType(*List[static_cast<size_t>(EditRow())]);
    });
}

void TSubtitleFileTypesForm::btnAddSubtitleFileTypeClick() {
    GuardedVoid("TSubtitleFileTypesForm.btnAddSubtitleFileTypeClick", [&] {
        TSubtitleFileType type;
        ControlsToType(type);
        const TListChange change = AddFileType(List, type);
        if (!change.IsMade())
            return Dialogs().ShowMessage(change.Refusal());
        AppendRow(FileTypeRow(*List.back(), List.size() - 1));
    });
}

void TSubtitleFileTypesForm::LoadItem(int row) {
    TSubtitleFileType& type = *List[static_cast<size_t>(row)];
    lbeName->setText(Q(type.Name));
    seFileNameCharsCount->setValue(type.CharsCount);
    seTapeIDParsingStartPosition->setValue(type.TapeIDParseStringStartPosition);
    seTapeIDParsingCharectersCount->setValue(type.TapeIDParseStringCharsCount);
    seLanguageParsingStartPosition->setValue(type.LanguageParseStringStartPosition);
    seLanguageParsingCharectersCount->setValue(type.LanguageParseStringCharsCount);
    if (type.SampleFileName.empty())
        type.SampleFileName = kDefaultSampleFileName;
    lbeSamplePreviewFileName->setText(Q(type.SampleFileName));
}

bool TSubtitleFileTypesForm::StoreItem(int) {
    ApplyItem();
    return true;
}

void TSubtitleFileTypesForm::btnDeleteSubtitleFileTypeClick() {
    GuardedVoid("TSubtitleFileTypesForm.btnDeleteSubtitleFileTypeClick",
                [&] { DeleteOrCancel([&](int row) { return RemoveListItem(List, row); }); });
}

void TSubtitleFileTypesForm::btnOKClick() {
    GuardedVoid("TSubtitleFileTypesForm.btnOKClick", [&] {
        // OK keeps a pending edit; Cancel and the close box drop it.
        if (Editing())
            ApplyItem();
        accept();
    });
}

bool ConfigureSubtitleFileTypes(TSubtitleFileTypeList* list, IUserDialogs& dialogs,
                                QWidget* parent) {
    return EditListCopy<TSubtitleFileTypesForm>("ConfigureSubtitleFileTypes", list, dialogs, parent,
                                                AssignSubtitleFileTypeList);
}
