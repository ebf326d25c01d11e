#pragma once
// The private folder each window test runs in.
#include <memory>
#include <string>

#include <QTemporaryDir>

class IUserDialogs;
class TCaplinForm;

// A fresh temporary folder named PREFIX-XXXXXX in the system's temporary folder; TMPDIR,
// XDG_STATE_HOME (its "state" folder, not made) and CAPLIN_REGISTRY point into it, and with
// loadSettings the settings store is loaded from its (missing, so empty) "registry.reg".
// Null when the folder cannot be made.
std::unique_ptr<QTemporaryDir> NewTestHome(const char* prefix, bool loadSettings = true);
// The default folder of the daily files inside such a home.
std::string TestLogsFolder(const QTemporaryDir& home);

// A window on the current settings, shown and exposed; null when it never was.
std::unique_ptr<TCaplinForm> NewShownForm(IUserDialogs* dialogs);
