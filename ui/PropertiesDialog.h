// The dialog of the application-wide properties: the frame-rate policy of every conversion
// and the folders of the daily log and message files. It edits the values it is given and
// returns them; the window applies them.
#pragma once

#include <cstdint>
#include <string>

#include "ui/DialogControls.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class IUserDialogs;

class TPropertiesForm : public TConfigDialog {
    Q_OBJECT

public:
    TPropertiesForm(IUserDialogs& dialogs, QWidget* parent = nullptr);

    // The values shown when the dialog opens, and after OK the operator's choice.
    int32_t FPSSource = 0;
    std::string FPS;
    std::string LogsOutputFolder;
    std::string MessagesOutputFolder;

    void FormShow() override;
    // The FPS choice is enabled only while the source says to overwrite.
    void GeneralRefresh();
    void cbFPSSourceChange();
    void btnLogsOutputFolderClick();
    void btnMessagesOutputFolderClick();
    void btnOKClick();

private:
    void BrowseFolder(const char* name, const char* title, QLineEdit* edit);

    IUserDialogs& dialogs_;
    QGroupBox* gbFPS = nullptr;
    QComboBox* cbFPSSource = nullptr;
    QComboBox* cbFPS = nullptr;
    QGroupBox* gbLogsOutputFolder = nullptr;
    QLineEdit* edLogsOutputFolder = nullptr;
    QPushButton* btnLogsOutputFolder = nullptr;
    QGroupBox* gbMessagesOutputFolder = nullptr;
    QLineEdit* edMessagesOutputFolder = nullptr;
    QPushButton* btnMessagesOutputFolder = nullptr;
};

// Shows the four values; on OK they take the operator's choice and the result is true,
// otherwise they stay as they were.
bool ShowProperties(int32_t& fpsSource, std::string& fps, std::string& logsOutputFolder,
                    std::string& messagesOutputFolder, IUserDialogs& dialogs,
                    QWidget* parent = nullptr);
