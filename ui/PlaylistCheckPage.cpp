#include "ui/PlaylistCheckPage.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "lang/STLLangUtils.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "playlist/PlaylistGroupCheck.h"
#include "ui/CaplinForm.h"
#include "ui/ListTableModel.h"
#include "ui/SettingsPanel.h"
#include "ui/UserDialogs.h"

namespace {

// The pause before each entry of a check, in which the window takes its pending events.
constexpr int kEntryWaitMS = 100;
constexpr const char* kCheck = "Check";

QPushButton* NewButton(const char* caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    widget->setAccessibleName(name);
    return widget;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Sets flag while alive and clears it on the way out, failures included.
class TUpdatingScope {
public:
    explicit TUpdatingScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TUpdatingScope() { flag_ = false; }
    TUpdatingScope(const TUpdatingScope&) = delete;
    TUpdatingScope& operator=(const TUpdatingScope&) = delete;

private:
    bool& flag_;
};

} // namespace

void RefreshLanguagesListBox(const std::vector<int32_t>& codes, QListWidget* listBox) {
    listBox->clear();
    for (size_t position = 0; position < codes.size(); ++position) {
        int32_t index = 0;
        if (!GetLanguageCodeIndex(codes[position], index))
            continue;
        auto* item = new QListWidgetItem(Q(STLLanguages[index].LangLongName), listBox);
        item->setData(Qt::UserRole, static_cast<qulonglong>(position));
    }
}

TPlaylistCheckPage::TPlaylistCheckPage(TCaplinForm& form, QWidget* page)
    : QObject(page), form_(form) {
    Model = new TListTableModel(
        {"#", "Playlists Folder", "Subtitles Folder", "Comment"},
        [this](int row, int column) -> std::string {
            if (PCRemoving || !form_.PlaylistCheckList ||
                row >= static_cast<int>(form_.PlaylistCheckList->Entries.size()))
                return {};
            const auto& entry = *form_.PlaylistCheckList->Entries[row];
            switch (column) {
            case 0:
                return std::to_string(row + 1);
            case 1:
                return entry.PlaylistsFolder;
            case 2:
                return entry.SubtitlesFolder;
            case 3:
                return entry.Comment;
            default:
                return {};
            }
        },
        this);

    auto* left = new QWidget(page);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    lvPlaylistFolder = NewReportView("lvPlaylistFolder", Model, left);
    lvPlaylistFolder->setAccessibleName("Playlist check entries");
    ApplyColumnWidths(lvPlaylistFolder, form_.ColumnWidths[TListView::lvPlaylistsCheck]);
    leftLayout->addWidget(lvPlaylistFolder, 1);

    auto* buttons = new QHBoxLayout;
    btnPCCheck = NewButton("Check", "btnPCCheck", left);
    btnPCClearList = NewButton("Clear List", "btnPCClearList", left);
    btnPCAdd = NewButton("Add", "btnPCAdd", left);
    btnPCRemove = NewButton("Remove", "btnPCRemove", left);
    btnPCUpdate = NewButton("Update", "btnPCUpdate", left);
    btnPCClearParams = NewButton("Clear Params", "btnPCClearParams", left);
    for (QPushButton* button :
         {btnPCCheck, btnPCClearList, btnPCAdd, btnPCRemove, btnPCUpdate, btnPCClearParams})
        buttons->addWidget(button);
    buttons->addStretch();
    leftLayout->addLayout(buttons);

    auto* row = new QHBoxLayout;
    row->addWidget(left, 1);
    row->addWidget(BuildPanel(page), 1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
    // The same list as the predefined language of the settings panels.
    FillLanguagePredefinedCombo(cbPCLanguage, 0);

    RunTimer = new QTimer(this);
    RunTimer->setObjectName("tmrPCCheck");
    RunTimer->setSingleShot(true);
    connect(RunTimer, &QTimer::timeout, this, [this] { RunStep(); });

    lvPlaylistFolder->installEventFilter(this);
    lvPlaylistFolder->viewport()->installEventFilter(this);
    const std::initializer_list<std::pair<QPushButton*, void (TPlaylistCheckPage::*)()>> clicks = {
        {btnPCCheck, &TPlaylistCheckPage::btnPCCheckClick},
        {btnPCClearList, &TPlaylistCheckPage::btnPCClearListClick},
        {btnPCAdd, &TPlaylistCheckPage::btnPCAddClick},
        {btnPCRemove, &TPlaylistCheckPage::btnPCRemoveClick},
        {btnPCUpdate, &TPlaylistCheckPage::btnPCUpdateClick},
        {btnPCClearParams, &TPlaylistCheckPage::btnPCClearParamsClick},
        {btnPCAddLanguage, &TPlaylistCheckPage::btnPCAddLanguageClick},
        {btnPCRemoveLanguage, &TPlaylistCheckPage::btnPCRemoveLanguageClick},
        {btnPCPlaylistsFolderBrowse, &TPlaylistCheckPage::btnPCPlaylistsFolderBrowseClick},
        {btnPCSubtitlesFolderBrowse, &TPlaylistCheckPage::btnPCSubtitlesFolderBrowseClick},
        {btnPCMissingsLogFolderBrowse, &TPlaylistCheckPage::btnPCMissingsLogFolderBrowseClick}};
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);

    connect(edPCComment, &QLineEdit::textChanged, this, [this] { edPCCommentChange(); });
    connect(sePCClipDurationThreshold, &QSpinBox::valueChanged, this,
            [this] { sePCClipDurationThresholdChange(); });
    connect(cbPCEnableClipDurationThreshold, &QCheckBox::toggled, this,
            [this] { cbPCEnableClipDurationThresholdClick(); });
}

QWidget* TPlaylistCheckPage::BuildPanel(QWidget* parent) {
    auto* panel = Named(new QWidget(parent), "PCSettingsPanel");
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    // A group holding a folder edit and its browse button.
    auto folderGroup = [&](const char* title, const char* groupName, QLineEdit*& edit,
                           const char* editName, QPushButton*& browse, const char* browseName) {
        auto* group = Named(new QGroupBox(title, panel), groupName);
        auto* groupLayout = new QHBoxLayout(group);
        edit = Named(new QLineEdit(group), editName);
        edit->setAccessibleName(title);
        browse = NewButton("...", browseName, group);
        browse->setAccessibleName(QString(title) + " browse");
        browse->setMaximumWidth(30);
        groupLayout->addWidget(edit, 1);
        groupLayout->addWidget(browse);
        layout->addWidget(group);
    };

    folderGroup("Playlists Folder", "gbPCPlaylistsFolder", edPCPlaylistsFolder,
                "edPCPlaylistsFolder", btnPCPlaylistsFolderBrowse, "btnPCPlaylistsFolderBrowse");
    folderGroup("Subtitles Folder", "gbPCSubtitlesFolder", edPCSubtitlesFolder,
                "edPCSubtitlesFolder", btnPCSubtitlesFolderBrowse, "btnPCSubtitlesFolderBrowse");

    auto* languages = Named(new QGroupBox("Language Check List", panel), "gbPCLanguageCheckList");
    auto* languagesLayout = new QGridLayout(languages);
    lbPCLanguageCheckList = Named(new QListWidget(languages), "lbPCLanguageCheckList");
    lbPCLanguageCheckList->setAccessibleName("Language Check List");
    lblPCLanguage = Named(new QLabel("Language", languages), "lblPCLanguage");
    cbPCLanguage = Named(new QComboBox(languages), "cbPCLanguage");
    cbPCLanguage->setAccessibleName("Language");
    lblPCLanguage->setBuddy(cbPCLanguage);
    btnPCAddLanguage = NewButton("Add", "btnPCAddLanguage", languages);
    btnPCAddLanguage->setAccessibleName("Add language");
    btnPCRemoveLanguage = NewButton("Remove", "btnPCRemoveLanguage", languages);
    btnPCRemoveLanguage->setAccessibleName("Remove language");
    languagesLayout->addWidget(lbPCLanguageCheckList, 0, 0, 4, 1);
    languagesLayout->addWidget(lblPCLanguage, 0, 1, 1, 2);
    languagesLayout->addWidget(cbPCLanguage, 1, 1, 1, 2);
    languagesLayout->addWidget(btnPCAddLanguage, 2, 1);
    languagesLayout->addWidget(btnPCRemoveLanguage, 2, 2);
    layout->addWidget(languages);

    auto* comment = Named(new QGroupBox("Comment", panel), "gbPCComment");
    auto* commentLayout = new QHBoxLayout(comment);
    edPCComment = Named(new QLineEdit(comment), "edPCComment");
    edPCComment->setAccessibleName("Comment");
    commentLayout->addWidget(edPCComment);
    layout->addWidget(comment);

    folderGroup("Missings Log Folder", "gbPCMissingsLogFolder", edPCMissingsLogFolder,
                "edPCMissingsLogFolder", btnPCMissingsLogFolderBrowse,
                "btnPCMissingsLogFolderBrowse");

    // Folders are set by their browse buttons alone, which end them in "/".
    for (QLineEdit* folder : {edPCPlaylistsFolder, edPCSubtitlesFolder, edPCMissingsLogFolder})
        folder->setReadOnly(true);

    auto* threshold =
        Named(new QGroupBox("Check Clips With Duration Over", panel), "gbPCClipDuration");
    auto* thresholdLayout = new QGridLayout(threshold);
    cbPCEnableClipDurationThreshold =
        Named(new QCheckBox("Enable Clip Duration Threshold", threshold),
              "cbPCEnableClipDurationThreshold");
    cbPCEnableClipDurationThreshold->setAccessibleName("Enable Clip Duration Threshold");
    lblPCClipDurationThreshold =
        Named(new QLabel("Clip Duration Threshold", threshold), "lblPCClipDurationThreshold");
    sePCClipDurationThreshold = Named(new QSpinBox(threshold), "sePCClipDurationThreshold");
    sePCClipDurationThreshold->setRange(0, 999999);
    sePCClipDurationThreshold->setValue(0);
    sePCClipDurationThreshold->setAccessibleName("Clip Duration Threshold");
    lblPCClipDurationThreshold->setBuddy(sePCClipDurationThreshold);
    lblPCSeconds = Named(new QLabel("seconds", threshold), "lblPCSeconds");
    thresholdLayout->addWidget(cbPCEnableClipDurationThreshold, 0, 0, 1, 3);
    thresholdLayout->addWidget(lblPCClipDurationThreshold, 1, 0);
    thresholdLayout->addWidget(sePCClipDurationThreshold, 1, 1);
    thresholdLayout->addWidget(lblPCSeconds, 1, 2);
    layout->addWidget(threshold);
    layout->addStretch();
    return panel;
}

void TPlaylistCheckPage::Loaded() {
    GuardedVoid("TCaplinForm.UpdatePCForm", [&] {
        ApplyColumnWidths(lvPlaylistFolder, form_.ColumnWidths[TListView::lvPlaylistsCheck]);
    });
    UpdatePCForm();
    RefreshRowCount();
    PCSettingsChanged = false;
}

void TPlaylistCheckPage::RefreshRowCount() {
    Model->SetRowCount(
        form_.PlaylistCheckList ? static_cast<int>(form_.PlaylistCheckList->Entries.size()) : 0);
}

void TPlaylistCheckPage::Refresh(bool idle) {
    // "Check" stays usable so that a running check can be stopped.
    for (QWidget* control : std::initializer_list<QWidget*>{
             lvPlaylistFolder, btnPCAdd, btnPCRemove, btnPCUpdate, btnPCClearList, btnPCClearParams,
             edPCPlaylistsFolder, btnPCPlaylistsFolderBrowse, edPCSubtitlesFolder,
             btnPCSubtitlesFolderBrowse, lbPCLanguageCheckList, lblPCLanguage, cbPCLanguage,
             btnPCAddLanguage, btnPCRemoveLanguage, edPCComment, edPCMissingsLogFolder,
             btnPCMissingsLogFolderBrowse, cbPCEnableClipDurationThreshold})
        control->setEnabled(idle);
    const bool threshold = idle && cbPCEnableClipDurationThreshold->isChecked();
    lblPCClipDurationThreshold->setEnabled(threshold);
    sePCClipDurationThreshold->setEnabled(threshold);
}

void TPlaylistCheckPage::StoreColumnWidths() {
    ReadColumnWidths(lvPlaylistFolder, form_.ColumnWidths[TListView::lvPlaylistsCheck]);
}

void TPlaylistCheckPage::UpdatePCSettings() {
    GuardedVoid("TCaplinForm.UpdatePCSettings", [&] {
        if (form_.Updating || !form_.PCSettings)
            return;
        TUpdatingScope updating(form_.Updating);
        TPlaylistCheckSettings& settings = *form_.PCSettings;
        settings.PlaylistsFolder = edPCPlaylistsFolder->text().toStdString();
        settings.SubtitlesFolder = edPCSubtitlesFolder->text().toStdString();
        settings.Comment = edPCComment->text().toStdString();
        settings.MissingsLogFolder = edPCMissingsLogFolder->text().toStdString();
        settings.CheckClipsWidhDurationOver = cbPCEnableClipDurationThreshold->isChecked();
        settings.ClipsDurationThreasholdSeconds = sePCClipDurationThreshold->value();
        RefreshLanguagesListBox(settings.LanguageCheckList, lbPCLanguageCheckList);
    });
}

void TPlaylistCheckPage::UpdatePCForm() {
    GuardedVoid("TCaplinForm.UpdatePCForm", [&] {
        if (form_.Updating || !form_.PCSettings)
            return;
        {
            TUpdatingScope updating(form_.Updating);
            const TPlaylistCheckSettings& settings = *form_.PCSettings;
            edPCPlaylistsFolder->setText(Q(settings.PlaylistsFolder));
            edPCSubtitlesFolder->setText(Q(settings.SubtitlesFolder));
            edPCComment->setText(Q(settings.Comment));
            edPCMissingsLogFolder->setText(Q(settings.MissingsLogFolder));
            cbPCEnableClipDurationThreshold->setChecked(settings.CheckClipsWidhDurationOver);
            const double stored = std::isfinite(settings.ClipsDurationThreasholdSeconds)
                                      ? settings.ClipsDurationThreasholdSeconds
                                      : 0.0;
            const double seconds = std::clamp(std::trunc(stored), 0.0, 999999.0);
            sePCClipDurationThreshold->setValue(static_cast<int>(seconds));
            RefreshLanguagesListBox(settings.LanguageCheckList, lbPCLanguageCheckList);
        }
        form_.GeneralRefresh();
    });
}

void TPlaylistCheckPage::edPCCommentChange() {
    GuardedVoid("TCaplinForm.edPCCommentChange", [&] {
        UpdatePCSettings();
        PCSettingsChanged = !form_.Updating;
    });
}

void TPlaylistCheckPage::sePCClipDurationThresholdChange() {
    GuardedVoid("TCaplinForm.sePCClipDurationThresholdChange", [&] {
        UpdatePCSettings();
        PCSettingsChanged = !form_.Updating;
    });
}

void TPlaylistCheckPage::cbPCEnableClipDurationThresholdClick() {
    GuardedVoid("TCaplinForm.cbPCEnableClipDurationThresholdClick", [&] {
        form_.GeneralRefresh();
        UpdatePCSettings();
        PCSettingsChanged = !form_.Updating;
    });
}

TPlaylistCheckPage::~TPlaylistCheckPage() = default;

void TPlaylistCheckPage::Unloading() {
    RunTimer->stop();
    entryCheck_.reset();
    running_ = false;
}

bool TPlaylistCheckPage::eventFilter(QObject* watched, QEvent* event) {
    const bool click = watched == lvPlaylistFolder->viewport() &&
                       event->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    const bool key = watched == lvPlaylistFolder && event->type() == QEvent::KeyRelease &&
                     !static_cast<QKeyEvent*>(event)->isAutoRepeat();
    if (click || key)
        lvPlaylistFolderClick();
    return QObject::eventFilter(watched, event);
}

int TPlaylistCheckPage::SelectedRow() const {
    const QModelIndexList rows = lvPlaylistFolder->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool TPlaylistCheckPage::RowExists(int row) const {
    return form_.PlaylistCheckList && row >= 0 &&
           row < static_cast<int>(form_.PlaylistCheckList->Entries.size());
}

void TPlaylistCheckPage::btnPCAddClick() {
    GuardedVoid("TCaplinForm.btnPCAddClick", [&] {
        const TPlaylistCheckSettings& settings = *form_.PCSettings;
        IUserDialogs& dialogs = form_.Dialogs();
        if (settings.PlaylistsFolder.empty())
            return dialogs.ShowMessage("No playlists folder specified.");
        if (settings.SubtitlesFolder.empty())
            return dialogs.ShowMessage("No subtitles folder specified.");
        if (settings.LanguageCheckList.empty())
            return dialogs.ShowMessage("No languages for checking specified.");
        if (settings.MissingsLogFolder.empty())
            return dialogs.ShowMessage("No missings log folder specified.");
        if (form_.PlaylistCheckList->IsPlayListFolderInList(settings.PlaylistsFolder,
                                                            settings.SubtitlesFolder))
            return dialogs.ShowMessage(
                "These Playlist and Subtitle folders exist in the current list.");
        auto entry = std::make_unique<TPlaylistCheckSettings>();
        entry->Assign(settings);
        form_.PlaylistCheckList->Entries.push_back(std::move(entry));
        RefreshRowCount();
        // Resizing the view drops its selection; the selected entry is still where it was.
        if (RowExists(form_.PCSelectedIndex))
            lvPlaylistFolder->selectRow(form_.PCSelectedIndex);
        btnPCClearParamsClick();
        PCSettingsChanged = false;
    });
}

void TPlaylistCheckPage::btnPCRemoveClick() {
    GuardedVoid("TCaplinForm.btnPCRemoveClick", [&] {
        const int row = SelectedRow();
        if (!RowExists(row))
            return form_.Dialogs().ShowMessage("No item selected.");
        PCRemoving = true;
        auto& entries = form_.PlaylistCheckList->Entries;
        entries.erase(entries.begin() + row);
        RefreshRowCount();
        PCRemoving = false;
        // The index would now name the next entry, which the panel's settings did not come
        // from; an update prompt must not offer to overwrite it.
        form_.PCSelectedIndex = -1;
    });
}

void TPlaylistCheckPage::btnPCUpdateClick() {
    GuardedVoid("TCaplinForm.btnPCUpdateClick", [&] {
        const int row = SelectedRow();
        if (!RowExists(row))
            return form_.Dialogs().ShowMessage("No item selected.");
        if (!form_.Dialogs().AskYesNo("Do you want to update Playlist Check Item #" +
                                      std::to_string(row + 1) + " ?"))
            return;
        form_.PlaylistCheckList->Entries[row]->Assign(*form_.PCSettings);
        lvPlaylistFolder->viewport()->update();
        PCSettingsChanged = false;
    });
}

void TPlaylistCheckPage::lvPlaylistFolderClick() {
    GuardedVoid("TCaplinForm.lvPlaylistFolderClick", [&] {
        const int row = SelectedRow();
        if (RowExists(row)) {
            const int previous = form_.PCSelectedIndex;
            if (RowExists(previous) && PCSettingsChanged &&
                form_.Dialogs().AskYesNo("Do you want to update Playlist check item #" +
                                         std::to_string(previous + 1) + " ?")) {
                form_.PlaylistCheckList->Entries[previous]->Assign(*form_.PCSettings);
                lvPlaylistFolder->viewport()->update();
            }
            form_.PCSettings->Assign(*form_.PlaylistCheckList->Entries[row]);
            UpdatePCForm();
        }
        form_.PCSelectedIndex = RowExists(row) ? row : -1;
        PCSettingsChanged = false;
    });
}

void TPlaylistCheckPage::btnPCClearListClick() {
    GuardedVoid("TCaplinForm.btnPCClearListClick", [&] {
        form_.PlaylistCheckList->ClearPlaylistCheckList();
        RefreshRowCount();
        // No entry is left for the index to name; later entries must not inherit it.
        form_.PCSelectedIndex = -1;
    });
}

void TPlaylistCheckPage::btnPCClearParamsClick() {
    GuardedVoid("TCaplinForm.btnPCClearParamsClick", [&] {
        for (QLineEdit* edit :
             {edPCPlaylistsFolder, edPCSubtitlesFolder, edPCComment, edPCMissingsLogFolder})
            edit->clear();
        cbPCEnableClipDurationThreshold->setChecked(false);
        sePCClipDurationThreshold->setValue(0);
        form_.PCSettings->LanguageCheckList.clear();
        lbPCLanguageCheckList->clear();
        UpdatePCSettings();
        form_.GeneralRefresh();
    });
}

void TPlaylistCheckPage::btnPCAddLanguageClick() {
    GuardedVoid("TCaplinForm.btnPCAddLanguageClick", [&] {
        if (cbPCLanguage->currentIndex() < 0)
            return;
        const int32_t code = cbPCLanguage->currentData().toInt();
        std::vector<int32_t>& codes = form_.PCSettings->LanguageCheckList;
        if (std::find(codes.begin(), codes.end(), code) != codes.end())
            return;
        codes.push_back(code);
        RefreshLanguagesListBox(codes, lbPCLanguageCheckList);
        PCSettingsChanged = !form_.Updating;
    });
}

void TPlaylistCheckPage::btnPCRemoveLanguageClick() {
    GuardedVoid("TCaplinForm.btnPCRemoveLanguageClick", [&] {
        const QListWidgetItem* item = lbPCLanguageCheckList->currentItem();
        if (!item || !item->isSelected())
            return;
        // The item's own code: codes without a language row are not shown, so list box
        // rows and list positions can differ.
        std::vector<int32_t>& codes = form_.PCSettings->LanguageCheckList;
        const size_t position = item->data(Qt::UserRole).toULongLong();
        if (position < codes.size())
            codes.erase(codes.begin() + static_cast<std::ptrdiff_t>(position));
        RefreshLanguagesListBox(codes, lbPCLanguageCheckList);
    });
}

void TPlaylistCheckPage::BrowseFolder(const char* caption, QLineEdit* edit) {
    const std::optional<std::string> folder =
        form_.Dialogs().ChooseFolder(caption, edit->text().toStdString());
    if (!folder)
        return;
    edit->setText(Q(IncludeTrailingSlash(*folder)));
    form_.GeneralRefresh();
    UpdatePCSettings();
    PCSettingsChanged = !form_.Updating;
}

void TPlaylistCheckPage::btnPCPlaylistsFolderBrowseClick() {
    GuardedVoid("TCaplinForm.btnPCPlaylistsFolderBrowseClick",
                [&] { BrowseFolder("Playlists Folder", edPCPlaylistsFolder); });
}

void TPlaylistCheckPage::btnPCSubtitlesFolderBrowseClick() {
    GuardedVoid("TCaplinForm.btnPCSubtitlesFolderBrowseClick",
                [&] { BrowseFolder("Subtitles Folder", edPCSubtitlesFolder); });
}

void TPlaylistCheckPage::btnPCMissingsLogFolderBrowseClick() {
    GuardedVoid("TCaplinForm.btnPCMissingsLogFolderBrowseClick",
                [&] { BrowseFolder("Missings Log Folder", edPCMissingsLogFolder); });
}

void TPlaylistCheckPage::btnPCCheckClick() {
    GuardedVoid("TCaplinForm.btnPCCheckClick", [&] {
        if (btnPCCheck->text() == kCheck)
            return StartRun();
        // One entry is never left half checked: what is left of it runs now, before the
        // stop, as its missing-subtitle logs would otherwise be partial.
        FinishEntryUnderWay();
        RunTimer->stop();
        running_ = false;
        form_.Logs.LogFunction("Playlist check stopping.");
        btnPCCheck->setText(kCheck);
        form_.ConversionInProgress = false;
        form_.GeneralRefresh();
    });
}

void TPlaylistCheckPage::StartRun() {
    if (form_.PlaylistCheckList->Entries.empty())
        return form_.Dialogs().ShowMessage("There are no playlist folders specified.");
    form_.ConversionInProgress = true;
    form_.GeneralRefresh();
    btnPCCheck->setText("Stop");
    form_.Logs.LogFunction("Playlist check starting.");
    running_ = true;
    runCount_ = form_.PlaylistCheckList->Entries.size();
    runIndex_ = 0;
    entryCheck_.reset();
    // Every step returns to the event loop, so Stop and a close request are handled
    // between two slices without a nested loop.
    RunTimer->start(kEntryWaitMS);
}

void TPlaylistCheckPage::RunStep() {
    GuardedVoid("TCaplinForm.btnPCCheckClick", [&] {
        if (!running_)
            return;
        // Cleared by a close request (Stop ends the run itself).
        const bool stopped = !form_.ConversionInProgress;
        if (!entryCheck_) {
            // The wait before an entry is over.
            if (stopped || runIndex_ >= runCount_ || !RowExists(static_cast<int>(runIndex_)))
                return EndRun();
            entryCheck_ = std::make_unique<TPlaylistGroupCheck>(
                *form_.PlaylistCheckList->Entries[runIndex_], form_.Logs.LogSink(),
                form_.Logs.ReportSink(), StepBudget);
        }
        if (stopped)
            entryCheck_->Finish();
        else if (entryCheck_->Step())
            return RunTimer->start(0);
        EndEntry();
        if (form_.ConversionInProgress && runIndex_ < runCount_)
            return RunTimer->start(kEntryWaitMS);
        EndRun();
    });
}

void TPlaylistCheckPage::FinishEntryUnderWay() {
    if (!entryCheck_)
        return;
    entryCheck_->Finish();
    EndEntry();
}

void TPlaylistCheckPage::EndEntry() {
    if (!entryCheck_->Succeeded())
        form_.Logs.ReportFunction(
            rtError,
            ("Error checking playlist folder " + entryCheck_->Settings().PlaylistsFolder).c_str());
    entryCheck_.reset();
    ++runIndex_;
}

void TPlaylistCheckPage::EndRun() {
    running_ = false;
    entryCheck_.reset();
    btnPCCheck->setText(kCheck);
    // A close request has already cleared the flag; the run then ends without its line.
    if (!form_.ConversionInProgress)
        return;
    form_.ConversionInProgress = false;
    form_.GeneralRefresh();
    form_.Logs.LogFunction("Playlist check done.");
}
