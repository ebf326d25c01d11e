#include "platform/FolderLock.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "platform/UserFolders.h"

struct TFolderLock::TShared {
    std::string Key;  // the folder's canonical path
    std::string Path; // the file locked
    int Fd = -1;
    TFolderLockScope Scope = TFolderLockScope::None;
    std::string FolderRefusal;
    std::string HostRefusal;
    int Holders = 0; // guarded by the table's mutex

    bool StillGuards() const {
        if (Fd < 0)
            return true; // nothing to lose: an unguarded folder stays so
        struct stat held {};
        struct stat named {};
        if (::fstat(Fd, &held) != 0 || ::stat(Path.c_str(), &named) != 0)
            return false;
        return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
    }
};

namespace {

constexpr const char* kLockFileName = ".caplin-watch.lock";
// A lock file's text is one short line; anything longer is not one.
constexpr size_t kMaxOwnerText = 300;

// The locks this process holds, by canonical folder. Every change of a holder count and every
// open and close of a lock file happens under the mutex, so a folder's file is never opened a
// second time while its first open is still being given up.
std::mutex& TableMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, std::shared_ptr<TFolderLock::TShared>>& Table() {
    static std::map<std::string, std::shared_ptr<TFolderLock::TShared>> table;
    return table;
}

std::string CanonicalFolder(const std::string& folder) {
    if (char* real = ::realpath(folder.c_str(), nullptr)) {
        std::string path(real);
        std::free(real);
        return path;
    }
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

// The owner a lock file names: "<host> <pid>" on one line. False when it holds anything else;
// an empty file is one nobody has written yet (true, both parts empty).
bool ParseOwner(const std::string& text, TFolderOwner& owner) {
    owner = {};
    if (text.empty())
        return true;
    std::string line = text;
    if (line.back() == '\n')
        line.pop_back();
    const size_t space = line.find(' ');
    if (space == 0 || space == std::string::npos || space + 1 >= line.size())
        return false;
    for (size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        const bool allowed =
            i < space ? c > ' ' && c != 0x7F : i == space || (c >= '0' && c <= '9');
        if (!allowed)
            return false;
    }
    owner.Host = line.substr(0, space);
    owner.Pid = line.substr(space + 1);
    return true;
}

std::string ReadText(int fd) {
    char text[kMaxOwnerText + 1];
    ssize_t got;
    do
        got = ::pread(fd, text, sizeof text, 0);
    while (got < 0 && errno == EINTR);
    return got > 0 ? std::string(text, size_t(got)) : std::string();
}

// Who holds the lock another process has. Its owner truncates the file before it writes its
// line, so an empty file is read again a few times before the owner is called unknown.
TFolderOwner ReadOwner(int fd) {
    TFolderOwner owner;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!ParseOwner(ReadText(fd), owner))
            break;
        if (!owner.Host.empty())
            return owner;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {"unknown", "unknown"};
}

void WriteOwner(int fd) {
    const std::string text = HostName() + " " + std::to_string(::getpid()) + "\n";
    // The text only names the owner to the others; the lock does not depend on it.
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
        TraceError("TFolderLock.WriteOwner", std::strerror(errno));
}

enum class TAttempt { Locked, Busy, Refused };

struct TAttemptResult {
    TAttempt Outcome = TAttempt::Refused;
    int Fd = -1;         // Locked: the open file holding the lock
    TFolderOwner Owner;  // Busy
    std::string Refusal; // Refused
};

// Opens (creating it) and locks one lock file. checkText: the file must hold an owner's line
// or nothing (the folder's own file, which other programs could have put there).
TAttemptResult TryLockFile(const std::string& path, bool checkText) {
    TAttemptResult result;
    const auto refuse = [&](std::string why) {
        if (result.Fd >= 0)
            ::close(result.Fd);
        result.Fd = -1;
        result.Outcome = TAttempt::Refused;
        result.Refusal = std::move(why);
        return result;
    };
    const TFileFaults& faults = FileFaults();
    if (faults.BeforeOpen && !faults.BeforeOpen(path))
        return refuse(std::strerror(EACCES));
    do
        result.Fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    while (result.Fd < 0 && errno == EINTR);
    if (result.Fd < 0)
        return refuse(std::strerror(errno));
    struct stat status {};
    if (::fstat(result.Fd, &status) != 0)
        return refuse(std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return refuse("it is not a regular file");

    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET; // l_start and l_len 0: the whole file, however long it grows
    int error = 0;
    if (faults.BeforeLock && !faults.BeforeLock(path))
        error = ENOLCK;
    else if (::fcntl(result.Fd, F_OFD_SETLK, &lock) != 0)
        error = errno;
    if (error == EAGAIN || error == EACCES) {
        result.Owner = ReadOwner(result.Fd);
        ::close(result.Fd);
        result.Fd = -1;
        result.Outcome = TAttempt::Busy;
        return result;
    }
    if (error != 0)
        return refuse(std::strerror(error));
    TFolderOwner previous;
    if (checkText && !ParseOwner(ReadText(result.Fd), previous))
        return refuse("it holds something other than a host name and a pid");
    WriteOwner(result.Fd);
    result.Outcome = TAttempt::Locked;
    return result;
}

// The runtime folder's "caplin/", made when missing; empty with why when it cannot serve.
std::string HostLockFolder(const std::string& lockPath, std::string& refusal) {
    const std::string folder = lockPath.substr(0, lockPath.rfind('/'));
    const std::string parent = folder.substr(0, folder.rfind('/'));
    if (!DirectoryExists(parent) && !ForceDirectories(parent)) {
        refusal = "no folder " + parent;
        return {};
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        refusal = std::strerror(errno);
        return {};
    }
    // In a shared /tmp another account could have made the folder first.
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid()) {
        refusal = folder + " is not a folder of this user";
        return {};
    }
    return folder;
}

// FNV-1a: stable from build to build, unlike std::hash.
std::string Fingerprint(const std::string& text) {
    uint64_t hash = 1469598103934665603ull;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (int shift = 60; shift >= 0; shift -= 4)
        hex += digits[(hash >> shift) & 0xF];
    return hex;
}

} // namespace

TFolderLock::TFolderLock(std::shared_ptr<TShared> shared) : shared_(std::move(shared)) {}

TFolderLock::~TFolderLock() {
    GuardedVoid("TFolderLock.Destroy", [&] {
        std::lock_guard<std::mutex> lock(TableMutex());
        if (--shared_->Holders > 0)
            return;
        const auto entry = Table().find(shared_->Key);
        if (entry != Table().end() && entry->second == shared_)
            Table().erase(entry);
        if (shared_->Fd >= 0)
            ::close(shared_->Fd);
        shared_->Fd = -1;
    });
}

TFolderLockScope TFolderLock::Scope() const {
    return shared_->Scope;
}

const std::string& TFolderLock::FolderRefusal() const {
    return shared_->FolderRefusal;
}

const std::string& TFolderLock::HostRefusal() const {
    return shared_->HostRefusal;
}

bool TFolderLock::StillGuards() const {
    return Guarded("TFolderLock.StillGuards", true, [&] { return shared_->StillGuards(); });
}

std::string TFolderLock::HostLockPath(const std::string& canonicalFolder) {
    return Guarded("TFolderLock.HostLockPath", std::string(), [&] {
        std::string name;
        for (const char c : canonicalFolder)
            name += c == '%'   ? std::string("%25")
                    : c == '/' ? std::string("%2F")
                               : std::string(1, c);
        // A file name has at most 255 bytes: a deep path keeps its start and a fingerprint.
        if (name.size() > 200)
            name = name.substr(0, 180) + "-" + Fingerprint(canonicalFolder);
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        const std::string folder = runtime != nullptr && *runtime != '\0'
                                       ? IncludeTrailingSlash(runtime) + "caplin/"
                                       : "/tmp/caplin-" + std::to_string(::getuid()) + "/";
        return folder + name + ".lock";
    });
}

std::unique_ptr<TFolderLock> TFolderLock::TryAcquire(const std::string& folder,
                                                     TFolderOwner& owner) {
    owner = {};
    return Guarded("TFolderLock.TryAcquire", std::unique_ptr<TFolderLock>(), [&] {
        const std::string key = CanonicalFolder(folder);
        std::lock_guard<std::mutex> lock(TableMutex());
        auto& table = Table();
        if (const auto held = table.find(key); held != table.end()) {
            if (held->second->StillGuards()) {
                ++held->second->Holders;
                return std::unique_ptr<TFolderLock>(new TFolderLock(held->second));
            }
            // Replaced under its holders: they keep the old one until they notice.
            table.erase(held);
        }

        auto shared = std::make_shared<TShared>();
        shared->Key = key;
        shared->Path = IncludeTrailingSlash(folder) + kLockFileName;
        TAttemptResult attempt = TryLockFile(shared->Path, true);
        if (attempt.Outcome == TAttempt::Refused) {
            shared->FolderRefusal = attempt.Refusal;
            shared->Path = HostLockPath(key);
            std::string refusal;
            if (HostLockFolder(shared->Path, refusal).empty())
                attempt.Refusal = refusal;
            else
                attempt = TryLockFile(shared->Path, false);
            if (attempt.Outcome == TAttempt::Refused)
                shared->HostRefusal = attempt.Refusal;
        }
        if (attempt.Outcome == TAttempt::Busy) {
            owner = attempt.Owner;
            return std::unique_ptr<TFolderLock>();
        }
        shared->Fd = attempt.Fd;
        shared->Scope = attempt.Outcome == TAttempt::Refused ? TFolderLockScope::None
                        : shared->FolderRefusal.empty()      ? TFolderLockScope::Folder
                                                             : TFolderLockScope::ThisHost;
        if (shared->Scope == TFolderLockScope::None)
            TraceError("TFolderLock.TryAcquire", "no lock for " + key + ": " + shared->HostRefusal);
        shared->Holders = 1;
        table[key] = shared;
        return std::unique_ptr<TFolderLock>(new TFolderLock(shared));
    });
}
