// The per-user settings store: a tree of keys holding typed values, kept in one text file
// in the Windows registry export format (see README, "The settings file").
//
// TSettingsStore is the whole store (what HKEY_CURRENT_USER is on Windows); TRegistry is a
// handle on one key of it, with the small API the settings code needs. Key paths use "\"
// as separator and are relative to HKEY_CURRENT_USER ("Software\Velmora\Caplin\Batch\");
// leading and trailing separators do not matter. Key and value names compare ignoring
// ASCII case and keep the case they were first written with.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/RegValue.h"

class TSettingsStore {
public:
    TSettingsStore() = default;
    TSettingsStore(const TSettingsStore&) = delete;
    TSettingsStore& operator=(const TSettingsStore&) = delete;

    // The store of this process, used by every TRegistry made without an explicit store.
    static TSettingsStore& Global();

    // $CAPLIN_REGISTRY, else $XDG_CONFIG_HOME/caplin/registry.reg, else
    // ~/.config/caplin/registry.reg.
    static std::string DefaultPath();

    // Replaces the content with the file's. A missing file gives an empty store and true.
    // Lines that cannot be parsed are skipped with a trace line naming file and line. A file
    // that is not a settings file at all is renamed to <file>.corrupt-<date> (traced) and
    // the store starts empty. Remembers path for Save(). False only when the file exists
    // but cannot be read. Readers that never save (the command line) pass
    // setForeignAside = false: a foreign file is then left where it is and Load fails.
    bool Load(const std::string& path, bool setForeignAside = true);

    // Reads the file of the last Load again, all or nothing: true with the file's content in
    // place; false, with the content as it was and the reason in refusal, when the file is
    // missing, cannot be read, is not a settings file (an empty one included) or has a line
    // that cannot be parsed, as a file half written by another program has.
    bool Reload(std::string& refusal);

    // Parses settings-file text (UTF-8 with or without BOM, or UTF-16LE with BOM) into the
    // store, replacing its content; source names the text in trace lines. Returns false
    // when the text is not a settings file (no header line); the store is then empty.
    bool LoadFromText(const std::string& text, const std::string& source = "<text>");

    // The settings file text: UTF-8, LF line ends, keys sorted by path (ignoring case).
    std::string SaveToText() const;

    // Writes the store to the path given to Load (or path when not empty): a temporary file
    // in the same folder, flushed, renamed over the old one, under an exclusive flock of
    // the settings file. Creates the folder when missing. False (and traced) on failure;
    // the old file is then untouched.
    bool Save(const std::string& path = std::string());

    const std::string& FilePath() const { return path_; }
    void Clear();

    // The whole content, and putting it back: a reader whose loaders fill in missing values
    // drops them again without reading the file a second time.
    using TContent = std::map<std::string, TRegKeyData>;
    TContent Content() const;
    void SetContent(TContent content);

    // Key operations used by TRegistry. Paths are normalised here.
    bool KeyExists(const std::string& path) const;
    bool CreateKey(const std::string& path); // creates the parents as well
    bool DeleteKey(const std::string& path); // the key and everything below it
    std::vector<std::string> KeyPaths() const;

    // Value operations; false when the key (or value) is absent.
    bool GetValue(const std::string& keyPath, const std::string& name, TRegValue& out) const;
    bool SetValue(const std::string& keyPath, const TRegValue& value); // key must exist
    bool DeleteValue(const std::string& keyPath, const std::string& name);
    // Every value of the key in the order first written; empty when the key is absent.
    std::vector<TRegValue> Values(const std::string& keyPath) const;

private:
    static std::string Normalise(const std::string& path);
    static std::string Fold(const std::string& text);
    // Fold(Normalise(path)) in one pass: the map key of a path, looked up for every value read.
    static std::string FoldedPath(const std::string& path);

    mutable std::mutex mutex_;
    std::map<std::string, TRegKeyData> keys_; // folded path -> key
    std::string path_;
};

// A handle on one open key, as the settings code of every subsystem uses it.
class TRegistry {
public:
    explicit TRegistry(TSettingsStore& store = TSettingsStore::Global()) : store_(store) {}

    // Opens path; with canCreate, creates it (and its parents) when missing. False when the
    // key does not exist and may not be created.
    bool OpenKey(const std::string& path, bool canCreate);
    bool KeyExists(const std::string& path) const { return store_.KeyExists(path); }
    void CloseKey() {
        current_.clear();
        open_ = false;
    }
    bool IsOpen() const { return open_; }
    const std::string& CurrentPath() const { return current_; }

    bool ValueExists(const std::string& name) const;
    // The value as stored, of whatever type; false when no key is open or it is missing.
    bool ReadValue(const std::string& name, TRegValue& out) const;

    // Reads fail (false, out untouched) when no key is open, the value is missing, or it
    // holds another type.
    bool ReadString(const std::string& name, std::string& out) const;
    bool ReadInteger(const std::string& name, int32_t& out) const;
    bool ReadBool(const std::string& name, bool& out) const; // a DWord, non-zero is true
    bool ReadBinary(const std::string& name, std::vector<uint8_t>& out) const;
    // An 8-byte raw value holding a little-endian IEEE 754 double.
    bool ReadFloat(const std::string& name, double& out) const;

    // A missing string reads as empty (true); only a value of another type fails.
    bool ReadStringOrEmpty(const std::string& name, std::string& out) const;

    // Writes fail only when no key is open.
    bool WriteString(const std::string& name, const std::string& value);
    bool WriteInteger(const std::string& name, int32_t value);
    bool WriteBool(const std::string& name, bool value); // 1 or 0
    bool WriteBinary(const std::string& name, const std::vector<uint8_t>& value);
    bool WriteFloat(const std::string& name, double value); // 8 raw bytes

private:
    TSettingsStore& store_;
    std::string current_;
    bool open_ = false;
};

// An 8-byte raw value as the little-endian IEEE 754 double it holds; false for any other.
bool DoubleOfValue(const TRegValue& value, double& out);

// How many entries of a stored list to load. Up to cap, the stored count as it stands (an
// entry without its key loads empty); past cap, only as far as the entries' keys go, so that
// a damaged count cannot build millions of entries and a long real list is never cut.
int32_t StoredListLength(const TRegistry& registry, int32_t count, int32_t cap,
                         const std::function<std::string(int32_t)>& entryKey);
