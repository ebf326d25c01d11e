#include "ui/PlaylistCheckPanel.h"

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
#include <QVBoxLayout>

#include "lang/STLLangUtils.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "playlist/PlaylistCheckSettings.h"
#include "ui/PageContext.h"
#include "ui/QtText.h"
#include "ui/SettingsPanel.h"
#include "ui/UserDialogs.h"

namespace {

template <class T> T* Named(T* widget, const char* name, const QString& accessible) {
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
    return widget;
}

QPushButton* NewButton(const char* caption, const char* name, const QString& accessible,
                       QWidget* parent) {
    return Named(new QPushButton(caption, parent), name, accessible);
}

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

TPlaylistCheckPanel::TPlaylistCheckPanel(TPageContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName("PCSettingsPanel");
    setAccessibleName("PCSettingsPanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FolderGroup("Playlists Folder", "gbPCPlaylistsFolder", edPCPlaylistsFolder_,
                                  "edPCPlaylistsFolder", btnPCPlaylistsFolderBrowse_,
                                  "btnPCPlaylistsFolderBrowse"));
    layout->addWidget(FolderGroup("Subtitles Folder", "gbPCSubtitlesFolder", edPCSubtitlesFolder_,
                                  "edPCSubtitlesFolder", btnPCSubtitlesFolderBrowse_,
                                  "btnPCSubtitlesFolderBrowse"));
    layout->addWidget(BuildLanguages());

    auto* comment = Named(new QGroupBox("Comment", this), "gbPCComment", "gbPCComment");
    auto* commentLayout = new QHBoxLayout(comment);
    edPCComment_ = Named(new QLineEdit(comment), "edPCComment", "Comment");
    commentLayout->addWidget(edPCComment_);
    layout->addWidget(comment);

    layout->addWidget(FolderGroup("Missings Log Folder", "gbPCMissingsLogFolder",
                                  edPCMissingsLogFolder_, "edPCMissingsLogFolder",
                                  btnPCMissingsLogFolderBrowse_, "btnPCMissingsLogFolderBrowse"));
    layout->addWidget(BuildThreshold());
    layout->addStretch();
    // The same list as the predefined language of the settings panels.
    FillLanguagePredefinedCombo(cbPCLanguage_, 0);
    Connect();
}

QGroupBox* TPlaylistCheckPanel::FolderGroup(const char* title, const char* groupName,
                                            QLineEdit*& edit, const char* editName,
                                            QPushButton*& browse, const char* browseName) {
    auto* group = Named(new QGroupBox(title, this), groupName, groupName);
    auto* groupLayout = new QHBoxLayout(group);
    edit = Named(new QLineEdit(group), editName, title);
    // Folders are set by their browse buttons alone, which end them in "/".
    edit->setReadOnly(true);
    browse = NewButton("...", browseName, QString(title) + " browse", group);
    browse->setMaximumWidth(30);
    groupLayout->addWidget(edit, 1);
    groupLayout->addWidget(browse);
    return group;
}

QGroupBox* TPlaylistCheckPanel::BuildLanguages() {
    auto* group = Named(new QGroupBox("Language Check List", this), "gbPCLanguageCheckList",
                        "gbPCLanguageCheckList");
    auto* layout = new QGridLayout(group);
    lbPCLanguageCheckList_ =
        Named(new QListWidget(group), "lbPCLanguageCheckList", "Language Check List");
    lblPCLanguage_ = Named(new QLabel("Language", group), "lblPCLanguage", "lblPCLanguage");
    cbPCLanguage_ = Named(new QComboBox(group), "cbPCLanguage", "Language");
    lblPCLanguage_->setBuddy(cbPCLanguage_);
    btnPCAddLanguage_ = NewButton("A&dd", "btnPCAddLanguage", "Add language", group);
    btnPCRemoveLanguage_ = NewButton("Re&move", "btnPCRemoveLanguage", "Remove language", group);
    layout->addWidget(lbPCLanguageCheckList_, 0, 0, 4, 1);
    layout->addWidget(lblPCLanguage_, 0, 1, 1, 2);
    layout->addWidget(cbPCLanguage_, 1, 1, 1, 2);
    layout->addWidget(btnPCAddLanguage_, 2, 1);
    layout->addWidget(btnPCRemoveLanguage_, 2, 2);
    return group;
}

QGroupBox* TPlaylistCheckPanel::BuildThreshold() {
    auto* group = Named(new QGroupBox("Check Clips With Duration Over", this), "gbPCClipDuration",
                        "gbPCClipDuration");
    auto* layout = new QGridLayout(group);
    cbPCEnableClipDurationThreshold_ =
        Named(new QCheckBox("Enable Clip Duration Threshold", group),
              "cbPCEnableClipDurationThreshold", "Enable Clip Duration Threshold");
    lblPCClipDurationThreshold_ = Named(new QLabel("Clip Duration Threshold", group),
                                        "lblPCClipDurationThreshold", "lblPCClipDurationThreshold");
    sePCClipDurationThreshold_ =
        Named(new QSpinBox(group), "sePCClipDurationThreshold", "Clip Duration Threshold");
    sePCClipDurationThreshold_->setRange(0, 999999);
    sePCClipDurationThreshold_->setValue(0);
    lblPCClipDurationThreshold_->setBuddy(sePCClipDurationThreshold_);
    auto* seconds = Named(new QLabel("seconds", group), "lblPCSeconds", "lblPCSeconds");
    layout->addWidget(cbPCEnableClipDurationThreshold_, 0, 0, 1, 3);
    layout->addWidget(lblPCClipDurationThreshold_, 1, 0);
    layout->addWidget(sePCClipDurationThreshold_, 1, 1);
    layout->addWidget(seconds, 1, 2);
    return group;
}

void TPlaylistCheckPanel::Connect() {
    const std::initializer_list<std::pair<QPushButton*, void (TPlaylistCheckPanel::*)()>> clicks = {
        {btnPCAddLanguage_, &TPlaylistCheckPanel::btnPCAddLanguageClick},
        {btnPCRemoveLanguage_, &TPlaylistCheckPanel::btnPCRemoveLanguageClick},
        {btnPCPlaylistsFolderBrowse_, &TPlaylistCheckPanel::btnPCPlaylistsFolderBrowseClick},
        {btnPCSubtitlesFolderBrowse_, &TPlaylistCheckPanel::btnPCSubtitlesFolderBrowseClick},
        {btnPCMissingsLogFolderBrowse_, &TPlaylistCheckPanel::btnPCMissingsLogFolderBrowseClick}};
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);
    connect(edPCComment_, &QLineEdit::textChanged, this, [this] { edPCCommentChange(); });
    connect(sePCClipDurationThreshold_, &QSpinBox::valueChanged, this,
            [this] { sePCClipDurationThresholdChange(); });
    connect(cbPCEnableClipDurationThreshold_, &QCheckBox::toggled, this,
            [this] { cbPCEnableClipDurationThresholdClick(); });
}

void TPlaylistCheckPanel::RefreshEnabling(bool idle) {
    setEnabled(idle);
    const bool threshold = idle && cbPCEnableClipDurationThreshold_->isChecked();
    lblPCClipDurationThreshold_->setEnabled(threshold);
    sePCClipDurationThreshold_->setEnabled(threshold);
}

void TPlaylistCheckPanel::NoteChange() {
    PCSettingsChanged = !context_.Updating;
}

void TPlaylistCheckPanel::UpdatePCSettings() {
    GuardedVoid("TCaplinForm.UpdatePCSettings", [&] {
        if (context_.Updating || !settings_)
            return;
        TFlagScope updating(context_.Updating);
        TPlaylistCheckSettings& settings = *settings_;
        settings.PlaylistsFolder = S(edPCPlaylistsFolder_->text());
        settings.SubtitlesFolder = S(edPCSubtitlesFolder_->text());
        settings.Comment = S(edPCComment_->text());
        settings.MissingsLogFolder = S(edPCMissingsLogFolder_->text());
        settings.CheckClipsWidhDurationOver = cbPCEnableClipDurationThreshold_->isChecked();
        settings.ClipsDurationThreasholdSeconds = sePCClipDurationThreshold_->value();
        RefreshLanguagesListBox(settings.LanguageCheckList, lbPCLanguageCheckList_);
    });
}

void TPlaylistCheckPanel::UpdatePCForm() {
    GuardedVoid("TCaplinForm.UpdatePCForm", [&] {
        if (context_.Updating || !settings_)
            return;
        {
            TFlagScope updating(context_.Updating);
            const TPlaylistCheckSettings& settings = *settings_;
            edPCPlaylistsFolder_->setText(Q(settings.PlaylistsFolder));
            edPCSubtitlesFolder_->setText(Q(settings.SubtitlesFolder));
            edPCComment_->setText(Q(settings.Comment));
            edPCMissingsLogFolder_->setText(Q(settings.MissingsLogFolder));
            cbPCEnableClipDurationThreshold_->setChecked(settings.CheckClipsWidhDurationOver);
            const double stored = std::isfinite(settings.ClipsDurationThreasholdSeconds)
                                      ? settings.ClipsDurationThreasholdSeconds
                                      : 0.0;
            const double seconds = std::clamp(std::trunc(stored), 0.0, 999999.0);
            sePCClipDurationThreshold_->setValue(static_cast<int>(seconds));
            RefreshLanguagesListBox(settings.LanguageCheckList, lbPCLanguageCheckList_);
        }
        context_.GeneralRefresh();
    });
}

void TPlaylistCheckPanel::ClearControls() {
    for (QLineEdit* edit :
         {edPCPlaylistsFolder_, edPCSubtitlesFolder_, edPCComment_, edPCMissingsLogFolder_})
        edit->clear();
    cbPCEnableClipDurationThreshold_->setChecked(false);
    sePCClipDurationThreshold_->setValue(0);
    if (settings_)
        settings_->LanguageCheckList.clear();
    lbPCLanguageCheckList_->clear();
}

void TPlaylistCheckPanel::edPCCommentChange() {
    GuardedVoid("TCaplinForm.edPCCommentChange", [&] {
        UpdatePCSettings();
        NoteChange();
    });
}

void TPlaylistCheckPanel::sePCClipDurationThresholdChange() {
    GuardedVoid("TCaplinForm.sePCClipDurationThresholdChange", [&] {
        UpdatePCSettings();
        NoteChange();
    });
}

void TPlaylistCheckPanel::cbPCEnableClipDurationThresholdClick() {
    GuardedVoid("TCaplinForm.cbPCEnableClipDurationThresholdClick", [&] {
        context_.GeneralRefresh();
        UpdatePCSettings();
        NoteChange();
    });
}

void TPlaylistCheckPanel::btnPCAddLanguageClick() {
    GuardedVoid("TCaplinForm.btnPCAddLanguageClick", [&] {
        if (cbPCLanguage_->currentIndex() < 0 || !settings_)
            return;
        const int32_t code = cbPCLanguage_->currentData().toInt();
        std::vector<int32_t>& codes = settings_->LanguageCheckList;
        if (std::find(codes.begin(), codes.end(), code) != codes.end())
            return;
        codes.push_back(code);
        RefreshLanguagesListBox(codes, lbPCLanguageCheckList_);
        NoteChange();
    });
}

void TPlaylistCheckPanel::btnPCRemoveLanguageClick() {
    GuardedVoid("TCaplinForm.btnPCRemoveLanguageClick", [&] {
        const QListWidgetItem* item = lbPCLanguageCheckList_->currentItem();
        if (!item || !item->isSelected() || !settings_)
            return;
        // The item's own code: codes without a language row are not shown, so list box
        // rows and list positions can differ.
        std::vector<int32_t>& codes = settings_->LanguageCheckList;
        const size_t position = item->data(Qt::UserRole).toULongLong();
        if (position < codes.size())
            codes.erase(codes.begin() + static_cast<std::ptrdiff_t>(position));
        RefreshLanguagesListBox(codes, lbPCLanguageCheckList_);
    });
}

void TPlaylistCheckPanel::BrowseFolder(const char* caption, QLineEdit* edit) {
    const std::optional<std::string> folder =
        context_.Dialogs.ChooseFolder(caption, S(edit->text()));
    if (!folder)
        return;
    edit->setText(Q(IncludeTrailingSlash(*folder)));
    context_.GeneralRefresh();
    UpdatePCSettings();
    NoteChange();
}

void TPlaylistCheckPanel::btnPCPlaylistsFolderBrowseClick() {
    GuardedVoid("TCaplinForm.btnPCPlaylistsFolderBrowseClick",
                [&] { BrowseFolder("Playlists Folder", edPCPlaylistsFolder_); });
}

void TPlaylistCheckPanel::btnPCSubtitlesFolderBrowseClick() {
    GuardedVoid("TCaplinForm.btnPCSubtitlesFolderBrowseClick",
                [&] { BrowseFolder("Subtitles Folder", edPCSubtitlesFolder_); });
}

void TPlaylistCheckPanel::btnPCMissingsLogFolderBrowseClick() {
    GuardedVoid("TCaplinForm.btnPCMissingsLogFolderBrowseClick",
                [&] { BrowseFolder("Missings Log Folder", edPCMissingsLogFolder_); });
}
