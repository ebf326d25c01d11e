#include "ui/PropertiesDialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "convert/SettingsChoices.h"
#include "platform/Trace.h"
#include "stl/STLBlocks.h"
#include "ui/QtText.h"
#include "ui/UserDialogs.h"

namespace {

// A titled group holding a read-only folder edit and its "..." button.
QGroupBox* FolderGroup(const char* title, const char* group, const char* edit, const char* button,
                       QLineEdit*& editControl, QPushButton*& buttonControl, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(group);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(6, 2, 6, 4);
    editControl = new QLineEdit(box);
    editControl->setObjectName(edit);
    editControl->setReadOnly(true);
    editControl->setAccessibleName(title);
    buttonControl = NewButton("...", button, box);
    buttonControl->setAccessibleName(QString("Browse ") + title);
    buttonControl->setFixedWidth(28);
    row->addWidget(editControl, 1);
    row->addWidget(buttonControl);
    return box;
}

} // namespace

TPropertiesForm::TPropertiesForm(IUserDialogs& dialogs, QWidget* parent)
    : TConfigDialog("PropertiesForm", "Properties", {496, 130}, parent), dialogs_(dialogs) {
    gbFPS = new QGroupBox("FPS", this);
    gbFPS->setObjectName("gbFPS");
    cbFPSSource = new QComboBox(gbFPS);
    cbFPSSource->setObjectName("cbFPSSource");
    cbFPSSource->setAccessibleName("FPS source");
    cbFPS = new QComboBox(gbFPS);
    cbFPS->setObjectName("cbFPS");
    cbFPS->setAccessibleName("FPS");
    auto* fps = new QVBoxLayout(gbFPS);
    fps->setContentsMargins(6, 2, 6, 4);
    fps->addWidget(cbFPSSource);
    fps->addWidget(cbFPS);

    gbLogsOutputFolder = FolderGroup("Operations Sequence Logs Output Folder", "gbLogsOutputFolder",
                                     "edLogsOutputFolder", "btnLogsOutputFolder",
                                     edLogsOutputFolder, btnLogsOutputFolder, this);
    gbMessagesOutputFolder = FolderGroup("Messages Output Folder", "gbMessagesOutputFolder",
                                         "edMessagesOutputFolder", "btnMessagesOutputFolder",
                                         edMessagesOutputFolder, btnMessagesOutputFolder, this);

    QPushButton* btnOK = NewOKButton([this] { btnOKClick(); });
    QPushButton* btnCancel = NewCancelButton("&Cancel");

    auto* folders = new QVBoxLayout;
    folders->addWidget(gbLogsOutputFolder);
    folders->addWidget(gbMessagesOutputFolder);
    auto* right = new QVBoxLayout;
    right->addWidget(gbFPS);
    right->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->addLayout(folders, 3);
    layout->addLayout(right, 2);

    connect(cbFPSSource, &QComboBox::currentIndexChanged, this, [this] { cbFPSSourceChange(); });
    connect(btnLogsOutputFolder, &QPushButton::clicked, this,
            [this] { btnLogsOutputFolderClick(); });
    connect(btnMessagesOutputFolder, &QPushButton::clicked, this,
            [this] { btnMessagesOutputFolderClick(); });
}

void TPropertiesForm::FormShow() {
    GuardedVoid("TPropertiesForm.FormShow", [&] {
        {
            const QSignalBlocker blockFPS(cbFPS);
            const QSignalBlocker blockSource(cbFPSSource);
            cbFPS->clear();
            for (const char* item : kFPSItems)
                cbFPS->addItem(QString::fromUtf8(item));
            cbFPSSource->clear();
            for (const char* item : kFPSSourceItems)
                cbFPSSource->addItem(QString::fromUtf8(item));
            cbFPSSource->setCurrentIndex(FPSSource);
            cbFPS->setCurrentIndex(FPS == kDiskFormatCode30 ? 1 : 0);
        }
        edLogsOutputFolder->setText(Q(LogsOutputFolder));
        edMessagesOutputFolder->setText(Q(MessagesOutputFolder));
        GeneralRefresh();
    });
}

void TPropertiesForm::GeneralRefresh() {
    GuardedVoid("TPropertiesForm.GeneralRefresh",
                [&] { cbFPS->setEnabled(cbFPSSource->currentIndex() == 1); });
}

void TPropertiesForm::cbFPSSourceChange() {
    GuardedVoid("TPropertiesForm.cbFPSSourceChange", [&] { GeneralRefresh(); });
}

void TPropertiesForm::BrowseFolder(const char* name, const char* title, QLineEdit* edit) {
    GuardedVoid(name, [&] {
        const std::optional<std::string> folder = dialogs_.ChooseFolder(title, S(edit->text()));
        if (folder)
            edit->setText(Q(*folder));
    });
}

void TPropertiesForm::btnLogsOutputFolderClick() {
    BrowseFolder("TPropertiesForm.btnLogsOutputFolderClick", "Logs Output Folder",
                 edLogsOutputFolder);
}

void TPropertiesForm::btnMessagesOutputFolderClick() {
    BrowseFolder("TPropertiesForm.btnMessagesOutputFolderClick", "Messages Output Folder",
                 edMessagesOutputFolder);
}

void TPropertiesForm::btnOKClick() {
    GuardedVoid("TPropertiesForm.btnOKClick", [&] {
        FPSSource = cbFPSSource->currentIndex();
        // The FPS is kept even while the source keeps each file's own.
        FPS = cbFPS->currentIndex() == 1 ? kDiskFormatCode30 : kDiskFormatCode25;
        LogsOutputFolder = S(edLogsOutputFolder->text());
        MessagesOutputFolder = S(edMessagesOutputFolder->text());
        accept();
    });
}

bool ShowProperties(int32_t& fpsSource, std::string& fps, std::string& logsOutputFolder,
                    std::string& messagesOutputFolder, IUserDialogs& dialogs, QWidget* parent) {
    return Guarded("ShowProperties", false, [&] {
        TPropertiesForm form(dialogs, parent);
        form.FPSSource = fpsSource;
        form.FPS = fps;
        form.LogsOutputFolder = logsOutputFolder;
        form.MessagesOutputFolder = messagesOutputFolder;
        if (!dialogs.RunDialog(form))
            return false;
        fpsSource = form.FPSSource;
        fps = form.FPS;
        logsOutputFolder = form.LogsOutputFolder;
        messagesOutputFolder = form.MessagesOutputFolder;
        return true;
    });
}
