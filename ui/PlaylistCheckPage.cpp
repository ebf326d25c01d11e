#include "ui/PlaylistCheckPage.h"

#include <algorithm>
#include <cmath>

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
#include <QTableView>
#include <QVBoxLayout>

#include "lang/STLLangUtils.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "ui/CaplinForm.h"
#include "ui/ListTableModel.h"
#include "ui/SettingsPanel.h"

namespace {

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
    for (int32_t code : codes) {
        int32_t index = 0;
        if (GetLanguageCodeIndex(code, index))
            listBox->addItem(Q(STLLanguages[index].LangLongName));
    }
}

TPlaylistCheckPage::TPlaylistCheckPage(TCaplinForm& form, QWidget* page)
    : QObject(page), form_(form) {
    Model = new TListTableModel(
        {"#", "Playlists Folder", "Subtitles Folder", "Comment"},
        [this](int row, int column) -> std::string {
            if (!form_.PlaylistCheckList ||
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
    edPCPlaylistsFolder->setReadOnly(true);
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
            const double seconds =
                std::clamp(std::trunc(settings.ClipsDurationThreasholdSeconds), 0.0, 999999.0);
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
