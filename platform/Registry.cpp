#include "platform/Registry.h"

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/SettingsFile.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace settingsfile;

namespace {

void TraceLoad(const std::string& reason) {
    TraceError("TSettingsStore.Load", reason);
}

// ---------------------------------------------------------------------------------------
// The file on disk

// Opens path and takes a flock on it. Save renames a new file over the one locked, so
// after the lock is granted the path must still name the locked file; else try again.
// With create, a missing file is made (and created reports it).
int OpenLocked(const std::string& path, bool exclusive, bool create, bool& created) {
    created = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(path.c_str(), (exclusive ? O_RDWR : O_RDONLY) | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT && create) {
            fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0 && errno == EEXIST)
                continue;
            created = fd >= 0;
        }
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        int locked;
        do {
            locked = ::flock(fd, exclusive ? LOCK_EX : LOCK_SH);
        } while (locked != 0 && errno == EINTR);
        struct stat held, named;
        if (locked == 0 && ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return fd;
        const int saved = errno;
        ::close(fd);
        if (locked != 0) {
            errno = saved;
            return -1;
        }
        created = false;
    }
    errno = EBUSY;
    return -1;
}

bool ReadAll(int fd, const std::string& path, std::string& text) {
    text.clear();
    char buffer[65536];
    for (;;) {
        size_t want = sizeof buffer;
        if (FileFaults().BeforeRead && !FileFaults().BeforeRead(path, int64_t(want)))
            want = 1 + text.size() % 509; // short reads of changing size, as a network mount gives
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        text.append(buffer, size_t(n));
    }
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// A name beside path that does not exist yet, for the copy of a file we cannot read.
std::string CorruptName(const std::string& path) {
    const std::string base = path + ".corrupt-" + TimeStamp();
    std::string name = base;
    for (int n = 2; FileExists(name) || DirectoryExists(name); ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

// A settings file reached through a symbolic link is saved where the link points, so the
// link (kept in a dotfiles repository, say) survives.
std::string ResolveLink(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

bool WriteSettingsFile(const std::string& requested, const std::string& text) {
    auto fail = [](const std::string& reason) {
        TraceError("TSettingsStore.Save", reason);
        return false;
    };
    const std::string path = ResolveLink(requested);
    const std::string folder = FolderOf(path);
    if (!DirectoryExists(folder)) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!DirectoryExists(folder))
            return fail("cannot create folder " + folder);
    }

    bool created = false;
    const int lockFd = OpenLocked(path, true, true, created);
    if (lockFd < 0)
        return fail("cannot open " + path);

    std::string reason;
    TAtomicFile file(path, TDurability::Durable);
    const std::string& temp = file.TempPath();
    if (!file.Create())
        reason = "cannot create " + temp;
    else if (!file.Write(text.data(), int64_t(text.size())) || !file.Commit(TReplace::Overwrite))
        reason = file.FailedStep() == TAtomicFile::TStep::Rename
                     ? "cannot rename " + temp + " to " + path
                     : "cannot write " + temp;
    // The empty file made only to lock on is not left behind.
    if (!reason.empty() && created)
        DeleteFileAt(path);
    ::close(lockFd);
    return reason.empty() ? true : fail(reason);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TSettingsStore

TSettingsStore& TSettingsStore::Global() {
    static TSettingsStore store;
    return store;
}

std::string TSettingsStore::DefaultPath() {
    return Guarded("TSettingsStore.DefaultPath", std::string(), [] {
        auto env = [](const char* name) {
            const char* value = std::getenv(name);
            return std::string(value != nullptr ? value : "");
        };
        if (!env("CAPLIN_REGISTRY").empty())
            return env("CAPLIN_REGISTRY");
        if (!env("XDG_CONFIG_HOME").empty())
            return IncludeTrailingSlash(env("XDG_CONFIG_HOME")) + "caplin/registry.reg";
        std::string home = env("HOME");
        if (home.empty())
            if (const passwd* user = ::getpwuid(::getuid()))
                home = user->pw_dir;
        return IncludeTrailingSlash(home) + ".config/caplin/registry.reg";
    });
}

std::string TSettingsStore::Normalise(const std::string& path) {
    return NormaliseKeyPath(path);
}

std::string TSettingsStore::Fold(const std::string& text) {
    return FoldKeyName(text);
}

std::string TSettingsStore::FoldedPath(const std::string& path) {
    std::string folded;
    folded.reserve(path.size());
    for (const char c : path) {
        if (c != '\\')
            folded += c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
        else if (!folded.empty() && folded.back() != '\\')
            folded += c; // empty components, leading and doubled separators, are dropped
    }
    if (!folded.empty() && folded.back() == '\\')
        folded.pop_back();
    return folded;
}

bool TSettingsStore::Load(const std::string& path, bool setForeignAside) {
    return Guarded("TSettingsStore.Load", false, [&] {
        const std::string source = path.empty() ? DefaultPath() : path;
        std::lock_guard<std::mutex> lock(mutex_);
        path_ = source;
        bool created = false;
        const int fd = OpenLocked(source, false, false, created);
        if (fd < 0) {
            if (errno == ENOENT) {
                keys_.clear();
                return true;
            }
            TraceLoad("cannot open " + source);
            return false;
        }
        std::string text;
        const bool read = ReadAll(fd, source, text);
        if (!read) {
            ::close(fd);
            TraceLoad("cannot read " + source);
            return false;
        }
        TRegKeyMap parsed;
        const bool valid = ParseSettingsText(text, source, parsed);
        keys_.swap(parsed);
        if (valid) {
            ::close(fd);
            return true;
        }
        // Not ours to overwrite: the next save would destroy whatever the user kept there.
        keys_.clear();
        if (!setForeignAside) {
            ::close(fd);
            TraceLoad(source + " is not a settings file");
            return false;
        }
        const std::string aside = CorruptName(source);
        const bool moved = RenameFile(source, aside);
        ::close(fd);
        if (!moved) {
            TraceLoad(source + " is not a settings file and cannot be renamed to " + aside);
            return false;
        }
        TraceLoad(source + " is not a settings file, renamed to " + aside);
        return true;
    });
}

bool TSettingsStore::Reload(std::string& refusal) {
    refusal.clear();
    return Guarded("TSettingsStore.Reload", false, [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string source = path_.empty() ? DefaultPath() : path_;
        bool created = false;
        const int fd = OpenLocked(source, false, false, created);
        if (fd < 0) {
            refusal = std::strerror(errno);
            return false;
        }
        std::string text;
        const bool read = ReadAll(fd, source, text);
        const int readError = errno;
        ::close(fd);
        if (!read) {
            refusal = std::strerror(readError);
            return false;
        }
        TRegKeyMap parsed;
        size_t unparsed = 0;
        if (TrimText(text).empty() || !ParseSettingsText(text, source, parsed, &unparsed)) {
            refusal = "it is not a settings file";
            return false;
        }
        if (unparsed != 0) {
            refusal = "line " + std::to_string(unparsed) + " cannot be read";
            return false;
        }
        keys_.swap(parsed);
        return true;
    });
}

bool TSettingsStore::LoadFromText(const std::string& text, const std::string& source) {
    return Guarded("TSettingsStore.LoadFromText", false, [&] {
        TRegKeyMap parsed;
        const bool valid = ParseSettingsText(text, source, parsed);
        std::lock_guard<std::mutex> lock(mutex_);
        keys_.swap(parsed);
        if (!valid)
            keys_.clear();
        return valid;
    });
}

std::string TSettingsStore::SaveToText() const {
    return Guarded("TSettingsStore.SaveToText", std::string(), [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        return FormatSettingsText(keys_);
    });
}

bool TSettingsStore::Save(const std::string& path) {
    return Guarded("TSettingsStore.Save", false, [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string target = !path.empty() ? path : (!path_.empty() ? path_ : DefaultPath());
        return WriteSettingsFile(target, FormatSettingsText(keys_));
    });
}

void TSettingsStore::Clear() {
    GuardedVoid("TSettingsStore.Clear", [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        keys_.clear();
    });
}

bool TSettingsStore::KeyExists(const std::string& path) const {
    return Guarded("TSettingsStore.KeyExists", false, [&] {
        const std::string key = FoldedPath(path);
        std::lock_guard<std::mutex> lock(mutex_);
        return key.empty() || keys_.count(key) != 0;
    });
}

bool TSettingsStore::CreateKey(const std::string& path) {
    return Guarded("TSettingsStore.CreateKey", false, [&] {
        // A section line of the file cannot hold a line break.
        if (path.find_first_of("\r\n") != std::string::npos)
            return false;
        std::lock_guard<std::mutex> lock(mutex_);
        EnsureKey(keys_, Normalise(path));
        return true;
    });
}

bool TSettingsStore::DeleteKey(const std::string& path) {
    return Guarded("TSettingsStore.DeleteKey", false, [&] {
        const std::string key = FoldedPath(path);
        if (key.empty())
            return false; // the root itself stays
        std::lock_guard<std::mutex> lock(mutex_);
        if (keys_.erase(key) == 0)
            return false;
        const std::string below = key + "\\";
        for (auto it = keys_.lower_bound(below);
             it != keys_.end() && it->first.compare(0, below.size(), below) == 0;)
            it = keys_.erase(it);
        return true;
    });
}

std::vector<std::string> TSettingsStore::KeyPaths() const {
    return Guarded("TSettingsStore.KeyPaths", std::vector<std::string>(), [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> paths;
        for (const auto& it : KeysInTreeOrder(keys_))
            paths.push_back(it->second.Path);
        return paths;
    });
}

bool TSettingsStore::GetValue(const std::string& keyPath, const std::string& name,
                              TRegValue& out) const {
    return Guarded("TSettingsStore.GetValue", false, [&] {
        const std::string key = FoldedPath(keyPath);
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = keys_.find(key);
        if (it == keys_.end())
            return false;
        for (const TRegValue& value : it->second.Values)
            if (SameKeyName(value.Name, name)) {
                out = value;
                return true;
            }
        return false;
    });
}

bool TSettingsStore::SetValue(const std::string& keyPath, const TRegValue& value) {
    return Guarded("TSettingsStore.SetValue", false, [&] {
        const std::string key = FoldedPath(keyPath);
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = keys_.find(key);
        if (it == keys_.end()) {
            if (!key.empty())
                return false;
            it = keys_.try_emplace(std::string()).first; // the root always exists
        }
        PutValue(it->second, value);
        return true;
    });
}

bool TSettingsStore::DeleteValue(const std::string& keyPath, const std::string& name) {
    return Guarded("TSettingsStore.DeleteValue", false, [&] {
        const std::string key = FoldedPath(keyPath);
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = keys_.find(key);
        if (it == keys_.end())
            return false;
        auto& values = it->second.Values;
        const auto found = std::find_if(values.begin(), values.end(), [&](const TRegValue& v) {
            return SameKeyName(v.Name, name);
        });
        if (found == values.end())
            return false;
        values.erase(found);
        return true;
    });
}

TSettingsStore::TContent TSettingsStore::Content() const {
    return Guarded("TSettingsStore.Content", TContent(), [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        return keys_;
    });
}

void TSettingsStore::SetContent(TContent content) {
    GuardedVoid("TSettingsStore.SetContent", [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        keys_.swap(content);
    });
}

std::vector<TRegValue> TSettingsStore::Values(const std::string& keyPath) const {
    return Guarded("TSettingsStore.Values", std::vector<TRegValue>(), [&] {
        const std::string key = FoldedPath(keyPath);
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = keys_.find(key);
        return it == keys_.end() ? std::vector<TRegValue>() : it->second.Values;
    });
}

// ---------------------------------------------------------------------------------------
// TRegistry

namespace {

bool ReadTyped(const TSettingsStore& store, bool open, const std::string& key,
               const std::string& name, TRegValueType type, TRegValue& value) {
    return open && store.GetValue(key, name, value) && value.Type == type;
}

TRegValue MakeValue(const std::string& name, TRegValueType type) {
    TRegValue value;
    value.Name = name;
    value.Type = type;
    return value;
}

} // namespace

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
    return Guarded("TRegistry.OpenKey", false, [&] {
        if (!store_.KeyExists(path) && (!canCreate || !store_.CreateKey(path)))
            return false;
        current_ = NormaliseKeyPath(path);
        open_ = true;
        return true;
    });
}

bool TRegistry::ValueExists(const std::string& name) const {
    return Guarded("TRegistry.ValueExists", false, [&] {
        TRegValue value;
        return open_ && store_.GetValue(current_, name, value);
    });
}

bool TRegistry::ReadValue(const std::string& name, TRegValue& out) const {
    return Guarded("TRegistry.ReadValue", false,
                   [&] { return open_ && store_.GetValue(current_, name, out); });
}

bool TRegistry::ReadString(const std::string& name, std::string& out) const {
    return Guarded("TRegistry.ReadString", false, [&] {
        TRegValue value;
        if (!ReadTyped(store_, open_, current_, name, TRegValueType::String, value))
            return false;
        out = value.Text;
        return true;
    });
}

bool TRegistry::ReadInteger(const std::string& name, int32_t& out) const {
    return Guarded("TRegistry.ReadInteger", false, [&] {
        TRegValue value;
        if (!ReadTyped(store_, open_, current_, name, TRegValueType::DWord, value))
            return false;
        out = static_cast<int32_t>(value.Number);
        return true;
    });
}

bool TRegistry::ReadBool(const std::string& name, bool& out) const {
    return Guarded("TRegistry.ReadBool", false, [&] {
        TRegValue value;
        if (!ReadTyped(store_, open_, current_, name, TRegValueType::DWord, value))
            return false;
        out = value.Number != 0;
        return true;
    });
}

bool TRegistry::ReadBinary(const std::string& name, std::vector<uint8_t>& out) const {
    return Guarded("TRegistry.ReadBinary", false, [&] {
        TRegValue value;
        if (!ReadTyped(store_, open_, current_, name, TRegValueType::Binary, value))
            return false;
        out = value.Bytes;
        return true;
    });
}

bool TRegistry::ReadFloat(const std::string& name, double& out) const {
    return Guarded("TRegistry.ReadFloat", false, [&] {
        TRegValue value;
        return ReadTyped(store_, open_, current_, name, TRegValueType::Binary, value) &&
               DoubleOfValue(value, out);
    });
}

bool TRegistry::ReadStringOrEmpty(const std::string& name, std::string& out) const {
    return Guarded("TRegistry.ReadStringOrEmpty", false, [&] {
        TRegValue value;
        if (!open_)
            return false;
        if (!store_.GetValue(current_, name, value)) {
            out.clear();
            return true;
        }
        if (value.Type != TRegValueType::String)
            return false;
        out = value.Text;
        return true;
    });
}

bool TRegistry::WriteString(const std::string& name, const std::string& text) {
    return Guarded("TRegistry.WriteString", false, [&] {
        TRegValue value = MakeValue(name, TRegValueType::String);
        value.Text = text;
        return open_ && store_.SetValue(current_, value);
    });
}

bool TRegistry::WriteInteger(const std::string& name, int32_t number) {
    return Guarded("TRegistry.WriteInteger", false, [&] {
        TRegValue value = MakeValue(name, TRegValueType::DWord);
        value.Number = static_cast<uint32_t>(number);
        return open_ && store_.SetValue(current_, value);
    });
}

bool TRegistry::WriteBool(const std::string& name, bool flag) {
    return Guarded("TRegistry.WriteBool", false, [&] {
        TRegValue value = MakeValue(name, TRegValueType::DWord);
        value.Number = flag ? 1 : 0;
        return open_ && store_.SetValue(current_, value);
    });
}

bool TRegistry::WriteBinary(const std::string& name, const std::vector<uint8_t>& bytes) {
    return Guarded("TRegistry.WriteBinary", false, [&] {
        TRegValue value = MakeValue(name, TRegValueType::Binary);
        value.Bytes = bytes;
        return open_ && store_.SetValue(current_, value);
    });
}

bool TRegistry::WriteFloat(const std::string& name, double number) {
    return Guarded("TRegistry.WriteFloat", false, [&] {
        TRegValue value = MakeValue(name, TRegValueType::Binary);
        uint64_t bits = std::bit_cast<uint64_t>(number);
        for (int i = 0; i < 8; ++i, bits >>= 8)
            value.Bytes.push_back(static_cast<uint8_t>(bits & 0xFF));
        return open_ && store_.SetValue(current_, value);
    });
}

bool DoubleOfValue(const TRegValue& value, double& out) {
    if (value.Type != TRegValueType::Binary || value.Bytes.size() != 8)
        return false;
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | value.Bytes[size_t(i)];
    out = std::bit_cast<double>(bits);
    return true;
}

int32_t StoredListLength(const TRegistry& registry, int32_t count, int32_t cap,
                         const std::function<std::string(int32_t)>& entryKey) {
    if (count <= cap)
        return count < 0 ? 0 : count;
    int32_t length = cap;
    while (length < count && registry.KeyExists(entryKey(length)))
        ++length;
    return length;
}
