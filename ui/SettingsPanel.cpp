#include "ui/SettingsPanel.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "stl/STLCodePages.h"
#include "ui/HexFindReplaceDialog.h"
#include "ui/PageContext.h"
#include "ui/QtText.h"
#include "ui/SubtitleFileTypesDialog.h"
#include "ui/UserDialogs.h"
#include "watchfolder/WatchFolderSTLConvertSettings.h"

namespace {

// The custom code page shown for a stored value that is no number, and by a cleared panel.
int32_t FallbackCodePage() {
    int32_t number = 0;
    TryStrToInt(STL_FALLBACK_CODE_PAGE, number);
    return number;
}

// Room between groups and inside them; the panel's two columns must fit beside each other
// and under the list at the window's default size.
constexpr int kGroupSpacing = 4;
constexpr int kGroupMargin = 4;
// A browse button is as wide as its "..." and this much room.
constexpr int kBrowseButtonPadding = 16;
// The list boxes of the two configured lists show two entries and scroll.
constexpr int kListBoxHeight = 36;

// The control with its object name and the name screen readers give it.
template <class TWidget>
TWidget* Named(TWidget* widget, const std::string& name, const QString& accessibleName) {
    widget->setObjectName(Q(name));
    widget->setAccessibleName(accessibleName);
    return widget;
}

// A caption beside its control; as the control's buddy it also names it for screen readers.
QLabel* NewCaption(const QString& text, const std::string& name, QWidget* buddy, QWidget* parent) {
    auto* caption = new QLabel(text, parent);
    caption->setObjectName(Q(name));
    caption->setBuddy(buddy);
    return caption;
}

// The caption in the first column of row, its control from the second over span columns.
void AddCaptioned(QGridLayout* grid, int row, QLabel* caption, QWidget* control, int span = 1) {
    grid->addWidget(caption, row, 0);
    grid->addWidget(control, row, 1, 1, span);
}

struct TFolderEditNames {
    std::string edit;
    QString editAccessibleName;
    std::string button;
    QString buttonAccessibleName;
};

// A folder shown read-only and the "..." button that chooses it.
std::pair<QLineEdit*, QPushButton*> NewFolderEdit(QWidget* parent, const TFolderEditNames& names) {
    auto* edit = Named(new QLineEdit(parent), names.edit, names.editAccessibleName);
    edit->setReadOnly(true);
    auto* button = Named(new QPushButton("...", parent), names.button, names.buttonAccessibleName);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance("...") + kBrowseButtonPadding);
    return {edit, button};
}

// A titled group holding only a folder edit and its button.
QGroupBox* NewFolderGroup(const QString& title, QWidget* parent, const TFolderEditNames& names,
                          QLineEdit*& edit, QPushButton*& button) {
    auto* gb = new QGroupBox(title, parent);
    auto* row = new QHBoxLayout(gb);
    std::tie(edit, button) = NewFolderEdit(gb, names);
    row->addWidget(edit);
    row->addWidget(button);
    return gb;
}

// A stored index put back into a list whose range is enforced.
void SetClampedIndex(QComboBox* combo, int32_t index) {
    combo->setCurrentIndex(std::clamp<int32_t>(index, 0, combo->count() - 1));
}

} // namespace

TConversionSettingsPanel::TConversionSettingsPanel(const std::string& prefix, IUserDialogs& dialogs,
                                                   const TMainSettings& mainSettings,
                                                   bool& updating,
                                                   std::function<void()> generalRefresh,
                                                   QWidget* parent)
    : QWidget(parent), Updating(updating), prefix_(prefix), watchFolder_(prefix == "WF"),
      dialogs_(dialogs), mainSettings_(mainSettings), generalRefresh_(std::move(generalRefresh)) {
    setObjectName(Q("pn" + prefix + "Settings"));
    updateFormName_ = watchFolder_ ? "TCaplinForm.UpdateWFForm" : "TCaplinForm.UpdateBatchForm";
    updateSettingsName_ =
        watchFolder_ ? "TCaplinForm.UpdateWFSettings" : "TCaplinForm.UpdateBatchSettings";
    Build();
    FillTapeIDCombo(cbTapeID, 0);
    FillLanguageSourceCombo(cbLanguageSource, 0);
    FillLanguagePredefinedCombo(cbLanguagePredefined, 0);
    FillTimeCodeStartOfProgrammeCombo(cbTimeCodeStartOfProgramme, 0);
    FillMoveProcessedFiles(cbMoveProcessedFiles, 0);
    FillCodePageNumberCombo(cbCodePageNumber, 0);
    FillCharacterCodeTableNumberCombo(cbCharacterCodeTableNumber, 0);
    FillDisplayStandardCodeCombo(cbDisplayStandardCode, 0);
    FillQualityCheckCombo(cbQualityCheck, 0);
    Connect();
}

std::string TConversionSettingsPanel::Name(const std::string& routine) const {
    return "TCaplinForm." + routine;
}

void TConversionSettingsPanel::Build() {
    // Two columns, top to bottom, so that every control is in view at the window's default
    // size; the Tab key walks the first column, then the second.
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(kGroupSpacing);
    auto* first = new QVBoxLayout;
    auto* second = new QVBoxLayout;
    for (QVBoxLayout* column : {first, second}) {
        column->setSpacing(kGroupSpacing);
        columns->addLayout(column);
    }
    columns->addStretch();
    if (watchFolder_)
        first->addWidget(BuildWatchFolderGroup());
    first->addWidget(BuildDestinationGroup());
    first->addWidget(BuildParsingGroup());
    first->addWidget(BuildHexGroup());
    first->addLayout(BuildQualityCheckRow());
    if (watchFolder_)
        first->addLayout(BuildCommentRow());
    first->addStretch();
    second->addWidget(BuildZeroPageGroup());
    second->addWidget(BuildTimeCodeGroup());
    cbOverwriteDestination =
        Named(new QCheckBox("Overwrite Destination Files", this),
              "cb" + prefix_ + "OverwriteDestination", "Overwrite Destination Files");
    second->addWidget(cbOverwriteDestination);
    second->addWidget(BuildMoveGroup());
    second->addWidget(BuildHeaderCodesGroup());
    second->addStretch();

    // Every item of a list fits its control, so no choice is ever shown cut short.
    for (QComboBox* combo : findChildren<QComboBox*>())
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (QGroupBox* group : findChildren<QGroupBox*>())
        group->layout()->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
}

QGroupBox* TConversionSettingsPanel::BuildWatchFolderGroup() {
    return NewFolderGroup(
        "Watch Folder", this,
        {"edWFWatchFolder", "Watch Folder", "btnWFWatchFolderBrowse", "Browse watch folder"},
        edWatchFolder, btnWatchFolder);
}

QGroupBox* TConversionSettingsPanel::BuildDestinationGroup() {
    return NewFolderGroup("Destination Folder", this,
                          {watchFolder_ ? "edWFDestFolder" : "edBBatchDestFolder",
                           "Destination Folder", "btn" + prefix_ + "DestFolderBrowse",
                           "Browse destination folder"},
                          edDestFolder, btnDestFolder);
}

QGroupBox* TConversionSettingsPanel::BuildParsingGroup() {
    const std::string& p = prefix_;
    auto* gb = new QGroupBox("Tape ID and Language Parsing", this);
    auto* grid = new QGridLayout(gb);
    cbTapeID = Named(new QComboBox(gb), "cb" + p + "TapeID", "Tape ID source");
    edTapeID = Named(new QLineEdit(gb), "ed" + p + "TapeID", "Tape ID");
    edTapeID->setMaxLength(16);
    lblTapeID = NewCaption("Tape ID", "lbl" + p + "TapeID", edTapeID, gb);
    cbLanguageSource = Named(new QComboBox(gb), "cb" + p + "LanguageSource", "Language source");
    cbLanguagePredefined = Named(new QComboBox(gb), "cb" + p + "LanguagePredefined", "Language");
    lblLanguage = NewCaption("Language", "lbl" + p + "Language", cbLanguagePredefined, gb);
    cbPerformLanguageCheck = Named(new QCheckBox("Perform Language check", gb),
                                   "cb" + p + "PerformLanguageCheck", "Perform Language check");
    lbxTapeID = Named(new QListWidget(gb), "lbx" + p + "TapeID", "Subtitle file types");
    lbxTapeID->setFixedHeight(kListBoxHeight);
    btnTapeIDConfigure = Named(new QPushButton("Con&figure", gb), "btn" + p + "TapeIDConfigure",
                               "Configure subtitle file types");
    QLabel* lblTapeIDSource =
        NewCaption("Tape ID source", "lbl" + p + "TapeIDSource", cbTapeID, gb);
    QLabel* lblLanguageSource =
        NewCaption("Language source", "lbl" + p + "LanguageSource", cbLanguageSource, gb);
    // Two columns, so the panel fits beside the list at the window's default width.
    AddCaptioned(grid, 0, lblTapeIDSource, cbTapeID, 2);
    AddCaptioned(grid, 1, lblTapeID, edTapeID, 2);
    AddCaptioned(grid, 2, lblLanguageSource, cbLanguageSource, 2);
    AddCaptioned(grid, 3, lblLanguage, cbLanguagePredefined, 2);
    grid->addWidget(cbPerformLanguageCheck, 4, 0, 1, 3);
    grid->addWidget(lbxTapeID, 5, 0, 1, 2);
    grid->addWidget(btnTapeIDConfigure, 5, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    return gb;
}

QGroupBox* TConversionSettingsPanel::BuildHexGroup() {
    const std::string& p = prefix_;
    auto* gb = new QGroupBox("Hex Find And Replace", this);
    auto* row = new QHBoxLayout(gb);
    lbHexFindAndReplace =
        Named(new QListWidget(gb), "lb" + p + "HexFindAndReplace", "Hex Find And Replace");
    lbHexFindAndReplace->setFixedHeight(kListBoxHeight);
    btnHexConfigure = Named(new QPushButton("Confi&gure", gb), "btn" + p + "HexConfigure",
                            "Configure hex find and replace");
    row->addWidget(lbHexFindAndReplace);
    row->addWidget(btnHexConfigure, 0, Qt::AlignTop);
    return gb;
}

QGroupBox* TConversionSettingsPanel::BuildZeroPageGroup() {
    const std::string& p = prefix_;
    auto* gb = new QGroupBox("Zero Page", this);
    auto* row = new QHBoxLayout(gb);
    cbRemoveZeroPage = Named(new QCheckBox("Remove Zero Page", gb), "cb" + p + "RemoveZeroPage",
                             "Remove Zero Page");
    edZeroPageKeyWord = Named(new QLineEdit(gb), "ed" + p + "ZeroPageKeyWord", "Keyword");
    lblZeroPageKeyWord =
        NewCaption("Keyword", "lbl" + p + "ZeroPageKeyWord", edZeroPageKeyWord, gb);
    row->addWidget(cbRemoveZeroPage);
    row->addWidget(lblZeroPageKeyWord);
    row->addWidget(edZeroPageKeyWord);
    return gb;
}

QGroupBox* TConversionSettingsPanel::BuildTimeCodeGroup() {
    const std::string& p = prefix_;
    auto* gb = new QGroupBox("Start Of Program Timecode", this);
    auto* rows = new QVBoxLayout(gb);
    auto* row = new QHBoxLayout;
    cbTimeCodeStartOfProgramme = Named(new QComboBox(gb), "cb" + p + "TimeCodeStartOfProgramme",
                                       "Start Of Program Timecode");
    auto spin = [&](const std::string& name, int maximum, const QString& text, QLabel*& caption) {
        auto* edit = Named(new QSpinBox(gb), "se" + p + name, text);
        edit->setRange(0, maximum);
        caption = NewCaption(text, "lbl" + p + name, edit, gb);
        row->addWidget(caption);
        row->addWidget(edit);
        return edit;
    };
    rows->addWidget(cbTimeCodeStartOfProgramme);
    rows->addLayout(row);
    seHour = spin("Hour", 23, "Hour", lblHour);
    seMin = spin("Min", 59, "Min.", lblMin);
    seSec = spin("Sec", 59, "Sec.", lblSec);
    seFrame = spin("Frame", 30, "Frame", lblFrame);
    row->addStretch();
    return gb;
}

QGroupBox* TConversionSettingsPanel::BuildMoveGroup() {
    const std::string& p = prefix_;
    auto* gb = new QGroupBox("Move Processed Files", this);
    auto* rows = new QVBoxLayout(gb);
    auto* row = new QHBoxLayout;
    cbMoveProcessedFiles =
        Named(new QComboBox(gb), "cb" + p + "MoveProcessedFiles", "Move Processed Files");
    std::tie(edMoveProcessedFiles, btnMoveProcessedFiles) =
        NewFolderEdit(gb, {"ed" + p + "MoveProcessedFiles", "Move folder",
                           "btn" + p + "MoveProcessedFiles", "Browse move folder"});
    rows->addWidget(cbMoveProcessedFiles);
    rows->addLayout(row);
    row->addWidget(
        NewCaption("Folder", "lbl" + p + "MoveProcessedFiles", edMoveProcessedFiles, gb));
    row->addWidget(edMoveProcessedFiles);
    row->addWidget(btnMoveProcessedFiles);
    return gb;
}

QGroupBox* TConversionSettingsPanel::BuildHeaderCodesGroup() {
    const std::string& p = prefix_;
    auto* gb = new QGroupBox("Header Codes", this);
    auto* rows = new QVBoxLayout(gb);
    rows->setSpacing(2);
    cbCodePageNumber =
        Named(new QComboBox(gb), "cb" + p + "CodePageNumber", "Code Page Number source");
    seCodePageNumber = Named(new QSpinBox(gb), "se" + p + "CodePageNumber", "Code Page Number");
    seCodePageNumber->setRange(0, 999);
    lblCodePageNumber =
        NewCaption("Code Page Number", "lbl" + p + "CodePageNumber", seCodePageNumber, gb);
    cbCharacterCodeTableNumber = Named(new QComboBox(gb), "cb" + p + "CharacterCodeTableNumber",
                                       "Character Code Table Number");
    cbDisplayStandardCode =
        Named(new QComboBox(gb), "cb" + p + "DisplayStandardCode", "Display Standard Code");
    // Captions above their lists: the longest items need the group's whole width.
    rows->addWidget(NewCaption("Code Page", "lbl" + p + "CodePage", cbCodePageNumber, gb));
    rows->addWidget(cbCodePageNumber);
    auto* customCodePage = new QHBoxLayout;
    customCodePage->addWidget(lblCodePageNumber);
    customCodePage->addWidget(seCodePageNumber);
    customCodePage->addStretch();
    rows->addLayout(customCodePage);
    rows->addWidget(NewCaption("Character Code Table", "lbl" + p + "CharacterCodeTableNumber",
                               cbCharacterCodeTableNumber, gb));
    rows->addWidget(cbCharacterCodeTableNumber);
    rows->addWidget(NewCaption("Display Standard Code", "lbl" + p + "DisplayStandardCode",
                               cbDisplayStandardCode, gb));
    rows->addWidget(cbDisplayStandardCode);
    return gb;
}

QLayout* TConversionSettingsPanel::BuildQualityCheckRow() {
    auto* row = new QHBoxLayout;
    cbQualityCheck = Named(new QComboBox(this), "cb" + prefix_ + "QualityCheck", "Quality check");
    row->addWidget(
        NewCaption("Quality check", "lbl" + prefix_ + "QualityCheck", cbQualityCheck, this));
    row->addWidget(cbQualityCheck, 1);
    return row;
}

QLayout* TConversionSettingsPanel::BuildCommentRow() {
    auto* row = new QHBoxLayout;
    edComment = Named(new QLineEdit(this), "edWFComment", "Comment");
    row->addWidget(NewCaption("Comment", "lblWFComment", edComment, this));
    row->addWidget(edComment);
    return row;
}

void TConversionSettingsPanel::Connect() {
    const std::string& p = prefix_;
    // Each control's handler is named after it ("cb" + "WF" + "TapeIDChange"); a governing
    // one also enables the controls that depend on it.
    auto handler = [this, &p](const char* control, const char* change, bool governing) {
        const std::string name = control + p + change;
        return [this, name, governing] {
            if (governing)
                GoverningChange(name.c_str());
            else
                PlainChange(name.c_str());
        };
    };
    for (auto [edit, change] : {std::pair{edTapeID, "TapeIDChange"},
                                std::pair{edZeroPageKeyWord, "ZeroPageKeyWordChange"}})
        connect(edit, &QLineEdit::textChanged, this, handler("ed", change, false));
    for (auto [box, change, governing] :
         {std::tuple{cbPerformLanguageCheck, "PerformLanguageCheckClick", false},
          std::tuple{cbOverwriteDestination, "OverwriteDestinationClick", false},
          std::tuple{cbRemoveZeroPage, "RemoveZeroPageClick", true}})
        connect(box, &QCheckBox::toggled, this, handler("cb", change, governing));
    for (auto [combo, change, governing] :
         {std::tuple{cbLanguagePredefined, "LanguagePredefinedChange", false},
          std::tuple{cbCharacterCodeTableNumber, "CharacterCodeTableNumberChange", false},
          std::tuple{cbDisplayStandardCode, "DisplayStandardCodeChange", false},
          std::tuple{cbQualityCheck, "QualityCheckChange", false},
          std::tuple{cbTapeID, "TapeIDChange", true},
          std::tuple{cbLanguageSource, "LanguageSourceChange", true},
          std::tuple{cbTimeCodeStartOfProgramme, "TimeCodeStartOfProgrammeChange", true},
          std::tuple{cbMoveProcessedFiles, "MoveProcessedFilesChange", true},
          std::tuple{cbCodePageNumber, "CodePageNumberChange", true}})
        connect(combo, &QComboBox::currentIndexChanged, this, handler("cb", change, governing));
    for (auto [edit, name] :
         {std::pair{seHour, "Hour"}, std::pair{seMin, "Min"}, std::pair{seSec, "Sec"},
          std::pair{seFrame, "Frame"}, std::pair{seCodePageNumber, "CodePageNumber"}})
        connect(edit, &QSpinBox::valueChanged, this,
                handler("se", (std::string(name) + "Change").c_str(), false));
    if (edComment)
        connect(edComment, &QLineEdit::textChanged, this,
                [this] { PlainChange("edWFCommentChange"); });

    connect(btnDestFolder, &QPushButton::clicked, this, [this] {
        BrowseFolder(watchFolder_ ? "btnWFDestFolderBrowseClick" : "btnBDestFolderBrowseClick",
                     "Destination Folder", edDestFolder);
    });
    connect(btnMoveProcessedFiles, &QPushButton::clicked, this, [this] {
        BrowseFolder(watchFolder_ ? "btnWFMoveProcessedFilesClick" : "btnBMoveProcessedFilesClick",
                     "Destination Move Folder", edMoveProcessedFiles);
    });
    connect(btnTapeIDConfigure, &QPushButton::clicked, this, [this] { btnTapeIDConfigureClick(); });
    connect(btnHexConfigure, &QPushButton::clicked, this, [this] { btnHexConfigureClick(); });
    if (btnWatchFolder)
        connect(btnWatchFolder, &QPushButton::clicked, this, [this] {
            BrowseFolder("btnWFWatchFolderBrowseClick", "Watch Folder", edWatchFolder);
        });
}

void TConversionSettingsPanel::NoteChange() {
    // Only the Watch Folder page offers to store a changed panel into its row.
    if (watchFolder_)
        SettingsChanged = !Updating;
}

void TConversionSettingsPanel::PlainChange(const char* name) {
    GuardedVoid(Name(name).c_str(), [&] {
        UpdateSettings();
        NoteChange();
    });
}

void TConversionSettingsPanel::GoverningChange(const char* name) {
    GuardedVoid(Name(name).c_str(), [&] {
        if (generalRefresh_)
            generalRefresh_();
        UpdateSettings();
        NoteChange();
    });
}

void TConversionSettingsPanel::BrowseFolder(const char* name, const std::string& title,
                                            QLineEdit* edit) {
    GuardedVoid(Name(name).c_str(), [&] {
        const std::optional<std::string> folder = dialogs_.ChooseFolder(title, S(edit->text()));
        if (!folder)
            return;
        edit->setText(Q(*folder));
        if (generalRefresh_)
            generalRefresh_();
        UpdateSettings();
        NoteChange();
    });
}

void TConversionSettingsPanel::btnTapeIDConfigureClick() {
    GuardedVoid(Name("btn" + prefix_ + "TapeIDConfigureClick").c_str(), [&] {
        if (!settings_ ||
            !ConfigureSubtitleFileTypes(&settings_->SubtitleFileTypes, dialogs_, window()))
            return;
        RefreshTapeIDListView(settings_->SubtitleFileTypes, lbxTapeID);
        NoteChange();
    });
}

void TConversionSettingsPanel::btnHexConfigureClick() {
    GuardedVoid(Name("btn" + prefix_ + "HexConfigureClick").c_str(), [&] {
        if (!settings_ ||
            !ConfigureHexFindReplace(&settings_->HexFindAndReplaceItems, dialogs_, window()))
            return;
        RefreshHexFindReplaceListView(settings_->HexFindAndReplaceItems, lbHexFindAndReplace);
        NoteChange();
    });
}

void TConversionSettingsPanel::UpdateSettings() {
    GuardedVoid(updateSettingsName_.c_str(), [&] {
        if (Updating || !settings_)
            return;
        TFlagScope updating(Updating);
        TSTLConvertSettings& s = *settings_;
        if (watchFolder_) {
            auto& wf = static_cast<TWatchFolderSTLConvertSettings&>(s);
            wf.WatchFolder = S(edWatchFolder->text());
            wf.Comment = S(edComment->text());
        }
        s.DestinationFolder = S(edDestFolder->text());
        s.TapeIDSource = cbTapeID->currentIndex();
        s.TapeIDPredefined = S(edTapeID->text());
        s.LanguageSource = cbLanguageSource->currentIndex();
        const int language = cbLanguagePredefined->currentIndex();
        if (language >= 0)
            s.LanguagePredefined = IntToHexText(
                static_cast<uint32_t>(cbLanguagePredefined->itemData(language).toInt()) & 0xFF, 2);
        s.PerformLanguageCheck = cbPerformLanguageCheck->isChecked();
        s.RemoveZeroPage = cbRemoveZeroPage->isChecked();
        s.ZeroPageKeyWord = S(edZeroPageKeyWord->text());
        s.TimeCodeStartOfProgrammeSource = cbTimeCodeStartOfProgramme->currentIndex();
        TimeCodeEditsToString(seHour, seMin, seSec, seFrame, s.TimeCodeStartOfProgramme);
        s.TimeCodeFirstInCueSource = 0;
        s.TimeCodeFirstInCue.clear();
        ApplyFrameRatePolicy(s, mainSettings_.FPSSource, mainSettings_.FPS);
        s.OverrideDestination = cbOverwriteDestination->isChecked();
        s.MoveProcessedFiles = cbMoveProcessedFiles->currentIndex() == 1;
        s.MoveProcessedFilesFolder = S(edMoveProcessedFiles->text());
        s.CodePageNumberSource = cbCodePageNumber->currentIndex();
        s.CodePageNumberCustom = std::to_string(seCodePageNumber->value());
        s.CharacterCodeTableNumberSource = cbCharacterCodeTableNumber->currentIndex();
        s.DisplayStandardCodeSource = cbDisplayStandardCode->currentIndex();
        s.QualityCheck = cbQualityCheck->currentIndex();
        if (watchFolder_) {
            RefreshTapeIDListView(s.SubtitleFileTypes, lbxTapeID);
            RefreshHexFindReplaceListView(s.HexFindAndReplaceItems, lbHexFindAndReplace);
        }
    });
}

void TConversionSettingsPanel::UpdateForm() {
    GuardedVoid(updateFormName_.c_str(), [&] {
        if (Updating || !settings_)
            return;
        {
            TFlagScope updating(Updating);
            const TSTLConvertSettings& s = *settings_;
            if (watchFolder_) {
                const auto& wf = static_cast<const TWatchFolderSTLConvertSettings&>(s);
                edWatchFolder->setText(Q(wf.WatchFolder));
                edComment->setText(Q(wf.Comment));
            }
            edDestFolder->setText(Q(s.DestinationFolder));
            // Which lists are brought into range differs between the two panels.
            if (watchFolder_)
                cbTapeID->setCurrentIndex(s.TapeIDSource);
            else
                SetClampedIndex(cbTapeID, s.TapeIDSource);
            edTapeID->setText(Q(s.TapeIDPredefined));
            SetClampedIndex(cbLanguageSource, s.LanguageSource);
            PositionLanguagePredefinedCombo(cbLanguagePredefined, s.LanguagePredefined);
            cbPerformLanguageCheck->setChecked(s.PerformLanguageCheck);
            cbRemoveZeroPage->setChecked(s.RemoveZeroPage);
            edZeroPageKeyWord->setText(Q(s.ZeroPageKeyWord));
            if (watchFolder_)
                cbTimeCodeStartOfProgramme->setCurrentIndex(s.TimeCodeStartOfProgrammeSource);
            else
                SetClampedIndex(cbTimeCodeStartOfProgramme, s.TimeCodeStartOfProgrammeSource);
            RefreshTimeCode(s.TimeCodeStartOfProgramme, seHour, seMin, seSec, seFrame);
            cbOverwriteDestination->setChecked(s.OverrideDestination);
            cbMoveProcessedFiles->setCurrentIndex(s.MoveProcessedFiles ? 1 : 0);
            edMoveProcessedFiles->setText(Q(s.MoveProcessedFilesFolder));
            SetClampedIndex(cbCodePageNumber, s.CodePageNumberSource);
            int32_t codePage = 0;
            if (!TryStrToInt(s.CodePageNumberCustom, codePage))
                codePage = FallbackCodePage();
            seCodePageNumber->setValue(codePage);
            if (watchFolder_) {
                SetClampedIndex(cbCharacterCodeTableNumber, s.CharacterCodeTableNumberSource);
                SetClampedIndex(cbDisplayStandardCode, s.DisplayStandardCodeSource);
            } else {
                cbCharacterCodeTableNumber->setCurrentIndex(s.CharacterCodeTableNumberSource);
                cbDisplayStandardCode->setCurrentIndex(s.DisplayStandardCodeSource);
            }
            // As the loader reads it: out of range is off.
            cbQualityCheck->setCurrentIndex(
                s.QualityCheck > qcOff && s.QualityCheck <= qcRefuse ? s.QualityCheck : qcOff);
            RefreshTapeIDListView(s.SubtitleFileTypes, lbxTapeID);
            RefreshHexFindReplaceListView(s.HexFindAndReplaceItems, lbHexFindAndReplace);
        }
        if (watchFolder_ && generalRefresh_)
            generalRefresh_();
    });
}

void TConversionSettingsPanel::RefreshEnabling(bool conversionInProgress) {
    // Disabling the panel disables every control on it at once.
    setEnabled(!conversionInProgress);
    const bool tapeID = cbTapeID->currentIndex() == 1;
    edTapeID->setEnabled(tapeID);
    lblTapeID->setEnabled(tapeID);
    const bool language = cbLanguageSource->currentIndex() == 1;
    cbLanguagePredefined->setEnabled(language);
    lblLanguage->setEnabled(language);
    const bool keyword = cbRemoveZeroPage->isChecked();
    edZeroPageKeyWord->setEnabled(keyword);
    lblZeroPageKeyWord->setEnabled(keyword);
    const bool time = cbTimeCodeStartOfProgramme->currentIndex() > 0;
    for (QWidget* w : std::initializer_list<QWidget*>{seHour, seMin, seSec, seFrame, lblHour,
                                                      lblMin, lblSec, lblFrame})
        w->setEnabled(time);
    const bool move = cbMoveProcessedFiles->currentIndex() > 0;
    edMoveProcessedFiles->setEnabled(move);
    btnMoveProcessedFiles->setEnabled(move);
    const bool codePage = cbCodePageNumber->currentIndex() == 6;
    seCodePageNumber->setEnabled(codePage);
    lblCodePageNumber->setEnabled(codePage);
}

void TConversionSettingsPanel::ClearControls() {
    for (QLineEdit* edit : {edWatchFolder, edDestFolder, edTapeID, edZeroPageKeyWord, edComment,
                            edMoveProcessedFiles})
        if (edit)
            edit->clear();
    for (QComboBox* combo :
         {cbTapeID, cbLanguageSource, cbTimeCodeStartOfProgramme, cbMoveProcessedFiles,
          cbCodePageNumber, cbCharacterCodeTableNumber, cbDisplayStandardCode, cbQualityCheck})
        combo->setCurrentIndex(0);
    // By code, as the panel is filled: sorted by name, the list's first item is just Albanian.
    PositionLanguagePredefinedCombo(cbLanguagePredefined, TSTLConvertSettings().LanguagePredefined);
    for (QCheckBox* box : {cbPerformLanguageCheck, cbRemoveZeroPage, cbOverwriteDestination})
        box->setChecked(false);
    for (QSpinBox* spin : {seHour, seMin, seSec, seFrame})
        spin->setValue(0);
    seCodePageNumber->setValue(FallbackCodePage());
}
