#include "ui/SettingsPanel.h"

#include <algorithm>
#include <cstdio>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "convert/HexFindReplace.h"
#include "lang/STLLangUtils.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "ui/HexFindReplaceDialog.h"
#include "ui/SubtitleFileTypesDialog.h"
#include "ui/UserDialogs.h"
#include "watchfolder/WatchFolderSTLConvertSettings.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

void FillCombo(QComboBox* combo, const QStringList& items, int index) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(index);
}

// A stored index put back into a list whose range is enforced.
void SetClampedIndex(QComboBox* combo, int32_t index) {
    combo->setCurrentIndex(std::clamp<int32_t>(index, 0, combo->count() - 1));
}

int32_t PieceValue(const std::string& text, size_t position) {
    int32_t value = 0;
    if (position >= text.size() || !TryStrToInt(text.substr(position, 2), value))
        return 0;
    return value;
}

} // namespace

void TimeCodeEditsToString(const QSpinBox* hour, const QSpinBox* minute, const QSpinBox* second,
                           const QSpinBox* frame, std::string& text) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2d%.2d%.2d%.2d", hour->value(), minute->value(),
                  second->value(), frame->value());
    text = buffer;
}

bool RefreshTimeCode(const std::string& text, QSpinBox* hour, QSpinBox* minute, QSpinBox* second,
                     QSpinBox* frame) {
    hour->setValue(std::clamp(PieceValue(text, 0), 0, 23));
    minute->setValue(std::clamp(PieceValue(text, 2), 0, 59));
    second->setValue(std::clamp(PieceValue(text, 4), 0, 59));
    // The frame edit offers 30, but a stored time code never shows more than 29.
    frame->setValue(std::clamp(PieceValue(text, 6), 0, 29));
    return true;
}

void PositionLanguagePredefinedCombo(QComboBox* combo, const std::string& code) {
    const int32_t value = HexTextToInt(code);
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemData(i).toInt() == value) {
            combo->setCurrentIndex(i);
            return;
        }
}

void RefreshTapeIDListView(const TSubtitleFileTypeList& list, QListWidget* listBox) {
    listBox->clear();
    for (const auto& type : list)
        listBox->addItem(Q(type->Name + ", Chars Count = " + std::to_string(type->CharsCount)));
}

void RefreshHexFindReplaceListView(const THexFindAndReplaceList& list, QListWidget* listBox) {
    listBox->clear();
    for (const auto& item : list)
        listBox->addItem(Q(HexValueToDisplay(item->FindHex, item->NumBytes) + " - " +
                           HexValueToDisplay(item->ReplaceHex, item->NumBytes)));
}

void FillTapeIDCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Tape ID value from source", "Overwrite Tape ID value",
               "Use Tape ID value parsed from file name"},
              index);
}

void FillLanguageSourceCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Language value from source", "Overwrite Language value",
               "Use Language value parsed from file name"},
              index);
}

void FillLanguagePredefinedCombo(QComboBox* combo, int index) {
    const QSignalBlocker blocker(combo);
    combo->clear();
    std::vector<std::pair<std::string, int32_t>> rows;
    for (const TSTLLang& lang : STLLanguages)
        rows.emplace_back(lang.LangLongName, HexTextToInt(lang.LangCode));
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [name, code] : rows)
        combo->addItem(Q(name), code);
    combo->setCurrentIndex(index);
}

void FillTimeCodeStartOfProgrammeCombo(QComboBox* combo, int index) {
    FillCombo(combo, {"Use Timecode value from source", "Overwrite Timecode value"}, index);
}

void FillMoveProcessedFiles(QComboBox* combo, int index) {
    FillCombo(
        combo,
        {"Don't move the processed files", "Move processed files to a different folder location"},
        index);
}

void FillCodePageNumberCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Code Page Number from source", "United States - 437", "Multilingual - 850",
               "Portugal - 860", "Canada-French - 863", "Nordic - 865",
               "Set custom Code Page Number"},
              index);
}

void FillCharacterCodeTableNumberCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Character Code Table Number from source", "Latin - 00", "Latin/Cyrillic - 01",
               "Latin/Arabic - 02", "Latin/Greek - 03", "Latin/Hebrew - 04"},
              index);
}

void FillDisplayStandardCodeCombo(QComboBox* combo, int index) {
    FillCombo(combo,
              {"Use Display Standard Code from source", "Undefined", "Open Subtitling",
               "Level-1 teletext", "Level-2 teletext"},
              index);
}

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
    Connect();
}

std::string TConversionSettingsPanel::Name(const std::string& routine) const {
    return "TCaplinForm." + routine;
}

void TConversionSettingsPanel::Build() {
    const std::string& p = prefix_;
    auto named = [&](auto* widget, const std::string& name, const QString& accessible) {
        widget->setObjectName(Q(name));
        widget->setAccessibleName(accessible);
        return widget;
    };
    auto label = [&](const QString& text, const std::string& name, QWidget* buddy,
                     QWidget* parent) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(Q(name));
        l->setBuddy(buddy);
        return l;
    };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    if (watchFolder_) {
        auto* gb = new QGroupBox("Watch Folder", this);
        auto* row = new QHBoxLayout(gb);
        edWatchFolder = named(new QLineEdit(gb), "edWFWatchFolder", "Watch Folder");
        edWatchFolder->setReadOnly(true);
        btnWatchFolder =
            named(new QPushButton("...", gb), "btnWFWatchFolderBrowse", "Browse watch folder");
        row->addWidget(edWatchFolder);
        row->addWidget(btnWatchFolder);
        layout->addWidget(gb);
    }

    auto* gbDest = new QGroupBox("Destination Folder", this);
    auto* destRow = new QHBoxLayout(gbDest);
    edDestFolder =
        named(new QLineEdit(gbDest), watchFolder_ ? "edWFDestFolder" : "edBBatchDestFolder",
              "Destination Folder");
    edDestFolder->setReadOnly(true);
    btnDestFolder = named(new QPushButton("...", gbDest), "btn" + p + "DestFolderBrowse",
                          "Browse destination folder");
    destRow->addWidget(edDestFolder);
    destRow->addWidget(btnDestFolder);
    layout->addWidget(gbDest);

    auto* gbParse = new QGroupBox("Tape ID and Language Parsing", this);
    auto* parse = new QGridLayout(gbParse);
    cbTapeID = named(new QComboBox(gbParse), "cb" + p + "TapeID", "Tape ID source");
    edTapeID = named(new QLineEdit(gbParse), "ed" + p + "TapeID", "Tape ID");
    edTapeID->setMaxLength(16);
    lblTapeID = label("Tape ID", "lbl" + p + "TapeID", edTapeID, gbParse);
    cbLanguageSource =
        named(new QComboBox(gbParse), "cb" + p + "LanguageSource", "Language source");
    cbLanguagePredefined =
        named(new QComboBox(gbParse), "cb" + p + "LanguagePredefined", "Language");
    lblLanguage = label("Language", "lbl" + p + "Language", cbLanguagePredefined, gbParse);
    cbPerformLanguageCheck = named(new QCheckBox("Perform Language check", gbParse),
                                   "cb" + p + "PerformLanguageCheck", "Perform Language check");
    lbxTapeID = named(new QListWidget(gbParse), "lbx" + p + "TapeID", "Subtitle file types");
    lbxTapeID->setMaximumHeight(60);
    btnTapeIDConfigure = named(new QPushButton("Configure", gbParse), "btn" + p + "TapeIDConfigure",
                               "Configure subtitle file types");
    auto* lblTapeIDSource = label("Tape ID source", "lbl" + p + "TapeIDSource", cbTapeID, gbParse);
    auto* lblLanguageSource =
        label("Language source", "lbl" + p + "LanguageSource", cbLanguageSource, gbParse);
    // Two columns, so the panel fits beside the list at the window's default width.
    parse->addWidget(lblTapeIDSource, 0, 0);
    parse->addWidget(cbTapeID, 0, 1, 1, 2);
    parse->addWidget(lblTapeID, 1, 0);
    parse->addWidget(edTapeID, 1, 1, 1, 2);
    parse->addWidget(lblLanguageSource, 2, 0);
    parse->addWidget(cbLanguageSource, 2, 1, 1, 2);
    parse->addWidget(lblLanguage, 3, 0);
    parse->addWidget(cbLanguagePredefined, 3, 1, 1, 2);
    parse->addWidget(cbPerformLanguageCheck, 4, 0, 1, 3);
    parse->addWidget(lbxTapeID, 5, 0, 1, 2);
    parse->addWidget(btnTapeIDConfigure, 5, 2, Qt::AlignTop);
    parse->setColumnStretch(1, 1);
    layout->addWidget(gbParse);

    auto* gbHex = new QGroupBox("Hex Find And Replace", this);
    auto* hex = new QHBoxLayout(gbHex);
    lbHexFindAndReplace =
        named(new QListWidget(gbHex), "lb" + p + "HexFindAndReplace", "Hex Find And Replace");
    lbHexFindAndReplace->setMaximumHeight(60);
    btnHexConfigure = named(new QPushButton("Configure", gbHex), "btn" + p + "HexConfigure",
                            "Configure hex find and replace");
    hex->addWidget(lbHexFindAndReplace);
    hex->addWidget(btnHexConfigure, 0, Qt::AlignTop);
    layout->addWidget(gbHex);

    auto* gbZero = new QGroupBox("Zero Page", this);
    auto* zero = new QHBoxLayout(gbZero);
    cbRemoveZeroPage = named(new QCheckBox("Remove Zero Page", gbZero), "cb" + p + "RemoveZeroPage",
                             "Remove Zero Page");
    edZeroPageKeyWord = named(new QLineEdit(gbZero), "ed" + p + "ZeroPageKeyWord", "Keyword");
    lblZeroPageKeyWord = label("Keyword", "lbl" + p + "ZeroPageKeyWord", edZeroPageKeyWord, gbZero);
    zero->addWidget(cbRemoveZeroPage);
    zero->addWidget(lblZeroPageKeyWord);
    zero->addWidget(edZeroPageKeyWord);
    layout->addWidget(gbZero);

    auto* gbTime = new QGroupBox("Start Of Program Timecode", this);
    auto* timeRows = new QVBoxLayout(gbTime);
    // Hour and minute above second and frame, so the group stays narrow.
    auto* time = new QGridLayout;
    int spinIndex = 0;
    cbTimeCodeStartOfProgramme = named(new QComboBox(gbTime), "cb" + p + "TimeCodeStartOfProgramme",
                                       "Start Of Program Timecode");
    auto spin = [&](const std::string& name, int maximum, const QString& text, QLabel*& lbl) {
        auto* edit = named(new QSpinBox(gbTime), "se" + p + name, text);
        edit->setRange(0, maximum);
        lbl = label(text, "lbl" + p + name, edit, gbTime);
        time->addWidget(lbl, spinIndex / 2, (spinIndex % 2) * 2);
        time->addWidget(edit, spinIndex / 2, (spinIndex % 2) * 2 + 1);
        ++spinIndex;
        return edit;
    };
    timeRows->addWidget(cbTimeCodeStartOfProgramme);
    timeRows->addLayout(time);
    seHour = spin("Hour", 23, "Hour", lblHour);
    seMin = spin("Min", 59, "Min.", lblMin);
    seSec = spin("Sec", 59, "Sec.", lblSec);
    seFrame = spin("Frame", 30, "Frame", lblFrame);
    time->setColumnStretch(4, 1);
    layout->addWidget(gbTime);

    cbOverwriteDestination =
        named(new QCheckBox("Overwrite Destination Files", this), "cb" + p + "OverwriteDestination",
              "Overwrite Destination Files");
    layout->addWidget(cbOverwriteDestination);

    auto* gbMove = new QGroupBox("Move Processed Files", this);
    auto* moveRows = new QVBoxLayout(gbMove);
    auto* move = new QHBoxLayout;
    cbMoveProcessedFiles =
        named(new QComboBox(gbMove), "cb" + p + "MoveProcessedFiles", "Move Processed Files");
    edMoveProcessedFiles =
        named(new QLineEdit(gbMove), "ed" + p + "MoveProcessedFiles", "Move folder");
    edMoveProcessedFiles->setReadOnly(true);
    btnMoveProcessedFiles = named(new QPushButton("...", gbMove), "btn" + p + "MoveProcessedFiles",
                                  "Browse move folder");
    moveRows->addWidget(cbMoveProcessedFiles);
    moveRows->addLayout(move);
    move->addWidget(
        label("Folder", "lbl" + p + "MoveProcessedFiles", edMoveProcessedFiles, gbMove));
    move->addWidget(edMoveProcessedFiles);
    move->addWidget(btnMoveProcessedFiles);
    layout->addWidget(gbMove);

    auto* gbCodes = new QGroupBox("Header Codes", this);
    auto* codes = new QGridLayout(gbCodes);
    cbCodePageNumber =
        named(new QComboBox(gbCodes), "cb" + p + "CodePageNumber", "Code Page Number source");
    seCodePageNumber =
        named(new QSpinBox(gbCodes), "se" + p + "CodePageNumber", "Code Page Number");
    seCodePageNumber->setRange(0, 999);
    lblCodePageNumber =
        label("Code Page Number", "lbl" + p + "CodePageNumber", seCodePageNumber, gbCodes);
    cbCharacterCodeTableNumber =
        named(new QComboBox(gbCodes), "cb" + p + "CharacterCodeTableNumber",
              "Character Code Table Number");
    cbDisplayStandardCode =
        named(new QComboBox(gbCodes), "cb" + p + "DisplayStandardCode", "Display Standard Code");
    codes->addWidget(label("Code Page", "lbl" + p + "CodePage", cbCodePageNumber, gbCodes), 0, 0);
    codes->addWidget(cbCodePageNumber, 0, 1);
    auto* customCodePage = new QHBoxLayout;
    customCodePage->addWidget(lblCodePageNumber);
    customCodePage->addWidget(seCodePageNumber);
    customCodePage->addStretch();
    codes->addLayout(customCodePage, 1, 1);
    codes->addWidget(label("Character Code Table", "lbl" + p + "CharacterCodeTableNumber",
                           cbCharacterCodeTableNumber, gbCodes),
                     2, 0);
    codes->addWidget(cbCharacterCodeTableNumber, 2, 1);
    codes->addWidget(label("Display Standard Code", "lbl" + p + "DisplayStandardCode",
                           cbDisplayStandardCode, gbCodes),
                     3, 0);
    codes->addWidget(cbDisplayStandardCode, 3, 1);
    layout->addWidget(gbCodes);

    if (watchFolder_) {
        auto* row = new QHBoxLayout;
        edComment = named(new QLineEdit(this), "edWFComment", "Comment");
        row->addWidget(label("Comment", "lblWFComment", edComment, this));
        row->addWidget(edComment);
        layout->addLayout(row);
    }
    layout->addStretch();

    // Long item texts must not widen the panel past the window's default width.
    for (QComboBox* combo : findChildren<QComboBox*>()) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(12);
    }
}

void TConversionSettingsPanel::Connect() {
    const std::string& p = prefix_;
    auto plain = [this](const std::string& name) {
        return [this, name] { PlainChange(name.c_str()); };
    };
    auto governing = [this](const std::string& name) {
        return [this, name] { GoverningChange(name.c_str()); };
    };
    connect(edTapeID, &QLineEdit::textChanged, this, plain("ed" + p + "TapeIDChange"));
    connect(edZeroPageKeyWord, &QLineEdit::textChanged, this,
            plain("ed" + p + "ZeroPageKeyWordChange"));
    connect(cbPerformLanguageCheck, &QCheckBox::toggled, this,
            plain("cb" + p + "PerformLanguageCheckClick"));
    connect(cbOverwriteDestination, &QCheckBox::toggled, this,
            plain("cb" + p + "OverwriteDestinationClick"));
    connect(cbLanguagePredefined, &QComboBox::currentIndexChanged, this,
            plain("cb" + p + "LanguagePredefinedChange"));
    connect(cbCharacterCodeTableNumber, &QComboBox::currentIndexChanged, this,
            plain("cb" + p + "CharacterCodeTableNumberChange"));
    connect(cbDisplayStandardCode, &QComboBox::currentIndexChanged, this,
            plain("cb" + p + "DisplayStandardCodeChange"));
    for (auto [edit, name] :
         {std::pair{seHour, "Hour"}, std::pair{seMin, "Min"}, std::pair{seSec, "Sec"},
          std::pair{seFrame, "Frame"}, std::pair{seCodePageNumber, "CodePageNumber"}})
        connect(edit, &QSpinBox::valueChanged, this, plain("se" + p + name + "Change"));
    if (edComment)
        connect(edComment, &QLineEdit::textChanged, this, plain("edWFCommentChange"));

    connect(cbTapeID, &QComboBox::currentIndexChanged, this, governing("cb" + p + "TapeIDChange"));
    connect(cbLanguageSource, &QComboBox::currentIndexChanged, this,
            governing("cb" + p + "LanguageSourceChange"));
    connect(cbRemoveZeroPage, &QCheckBox::toggled, this,
            governing("cb" + p + "RemoveZeroPageClick"));
    connect(cbTimeCodeStartOfProgramme, &QComboBox::currentIndexChanged, this,
            governing("cb" + p + "TimeCodeStartOfProgrammeChange"));
    connect(cbMoveProcessedFiles, &QComboBox::currentIndexChanged, this,
            governing("cb" + p + "MoveProcessedFilesChange"));
    connect(cbCodePageNumber, &QComboBox::currentIndexChanged, this,
            governing("cb" + p + "CodePageNumberChange"));

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

void TConversionSettingsPanel::PlainChange(const char* name) {
    GuardedVoid(Name(name).c_str(), [&] {
        UpdateSettings();
        if (watchFolder_)
            SettingsChanged = !Updating;
    });
}

void TConversionSettingsPanel::GoverningChange(const char* name) {
    GuardedVoid(Name(name).c_str(), [&] {
        if (generalRefresh_)
            generalRefresh_();
        UpdateSettings();
        if (watchFolder_)
            SettingsChanged = !Updating;
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
        if (watchFolder_)
            SettingsChanged = !Updating;
    });
}

void TConversionSettingsPanel::btnTapeIDConfigureClick() {
    GuardedVoid(Name("btn" + prefix_ + "TapeIDConfigureClick").c_str(), [&] {
        if (!settings_ ||
            !ConfigureSubtitleFileTypes(&settings_->SubtitleFileTypes, dialogs_, window()))
            return;
        RefreshTapeIDListView(settings_->SubtitleFileTypes, lbxTapeID);
        if (watchFolder_)
            SettingsChanged = !Updating;
    });
}

void TConversionSettingsPanel::btnHexConfigureClick() {
    GuardedVoid(Name("btn" + prefix_ + "HexConfigureClick").c_str(), [&] {
        if (!settings_ ||
            !ConfigureHexFindReplace(&settings_->HexFindAndReplaceItems, dialogs_, window()))
            return;
        RefreshHexFindReplaceListView(settings_->HexFindAndReplaceItems, lbHexFindAndReplace);
        if (watchFolder_)
            SettingsChanged = !Updating;
    });
}

void TConversionSettingsPanel::UpdateSettings() {
    GuardedVoid(updateSettingsName_.c_str(), [&] {
        if (Updating || !settings_)
            return;
        Updating = true;
        struct TClear {
            bool& flag;
            ~TClear() { flag = false; }
        } clear{Updating};
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
        s.FramesPerSecondSource = mainSettings_.FPSSource;
        s.FramesPerSecond = mainSettings_.FPS;
        s.OverrideDestination = cbOverwriteDestination->isChecked();
        s.MoveProcessedFiles = cbMoveProcessedFiles->currentIndex() == 1;
        s.MoveProcessedFilesFolder = S(edMoveProcessedFiles->text());
        s.CodePageNumberSource = cbCodePageNumber->currentIndex();
        s.CodePageNumberCustom = std::to_string(seCodePageNumber->value());
        s.CharacterCodeTableNumberSource = cbCharacterCodeTableNumber->currentIndex();
        s.DisplayStandardCodeSource = cbDisplayStandardCode->currentIndex();
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
            Updating = true;
            struct TClear {
                bool& flag;
                ~TClear() { flag = false; }
            } clear{Updating};
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
                codePage = 850;
            seCodePageNumber->setValue(codePage);
            if (watchFolder_) {
                SetClampedIndex(cbCharacterCodeTableNumber, s.CharacterCodeTableNumberSource);
                SetClampedIndex(cbDisplayStandardCode, s.DisplayStandardCodeSource);
            } else {
                cbCharacterCodeTableNumber->setCurrentIndex(s.CharacterCodeTableNumberSource);
                cbDisplayStandardCode->setCurrentIndex(s.DisplayStandardCodeSource);
            }
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
