// What the commands that show or change settings share: the settings file read as the window
// reads it (a foreign file is refused, never set aside), the session loaded from it, and for a
// change the window's single-instance lock, the file's text as it was read, and the save.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "session/CaplinSession.h"
#include "session/ListChange.h"
#include "session/SettingsInput.h"
#include "session/SettingsView.h"

inline constexpr const char* kWindowRunningMessage =
    "Caplin is running: change the settings in its window, or close it first.";

class TCliSettingsFile {
public:
    explicit TCliSettingsFile(std::ostream& err) : err_(err) {}

    // Loads the file and everything the window's start-up loads. For a change the window's
    // single-instance lock is taken first and held until this object goes, so no window
    // starts meanwhile and later saves over the change. 0, or the exit status of a refusal
    // said on err.
    int Open(bool forChange);
    TCaplinSession& Session() { return session_; }
    const std::string& Path() const { return session_.SettingsPath(); }

    // The store back to the file's content as it was read: what the loaders wrote back is
    // gone, so a change saves only the values it writes itself. Once only.
    bool Restore();
    // The store to the settings file (a hidden file flushed and renamed, under the file's
    // lock). 0, or 1 with the reason on err.
    int Save();
    // A change made in the session's lists, of an entry or list called what: refused, its
    // message on err and 2 (1 after a failure, which says nothing); made, the store back to
    // the file as read, just the change stored into it, and the save.
    int SaveChange(const TListChange& change, const std::string& what);

    // The main values as the window uses them, read from the store as it is now.
    TSettingsViewContext ViewContext() const;

    // A folder as it is stored: a relative one made absolute against the current folder,
    // since whoever reads it (the service) runs elsewhere. One that does not exist is named on
    // err once the change is saved, and stored all the same: it may be mounted later.
    std::string StoredFolder(const std::string& folder);

private:
    std::ostream& err_;
    TInstanceLock lock_;
    TCaplinSession session_{TSessionOwner::CommandLine};
    TSettingsStore::TContent snapshot_;
    std::vector<std::string> missingFolders_;
};

// The value stored under key, if any.
std::optional<TRegValue> StoredValue(const std::string& key, const std::string& name);

// Every NAME=VALUE of part read as its control takes it, names compared ignoring case; folders,
// when file is given, as its StoredFolder gives them. 0, or 2 after the first refusal (an
// unknown name, a value not allowed), said on err.
int ParseAssignments(const std::vector<std::string>& assignments, uint32_t part,
                     std::vector<TSettingInput>& inputs, std::ostream& err,
                     TCliSettingsFile* file = nullptr);
// The 0-based index of entry number (the "#" column, from 1) of a list of count entries;
// false, said on err, when there is no such entry.
bool EntryIndex(int number, size_t count, const std::string& what, size_t& index,
                std::ostream& err);
