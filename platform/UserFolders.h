// Folders of the user's account that outlive the process: where the daily log and message
// files go when the operator has chosen no folder of their own.
#pragma once

#include <string>

// $HOME, else the home folder of the password database; empty when neither names one.
std::string GetHomePath();

// $XDG_STATE_HOME/caplin/logs/, else ~/.local/state/caplin/logs/ (the temporary folder for
// an account without a home), always with a trailing "/". Unlike the temporary folder, which Linux
// empties at boot, an audit log kept here survives a reboot. Not created here: a fresh account has
// no such folder yet.
std::string GetDefaultLogsPath();

// Creates folder and its missing parents; true when it is a folder afterwards.
bool ForceDirectories(const std::string& folder);
