// File and folder services. Every file the core reads or writes goes through here, so
// tests can make a write fail half way, a rename fail or a read come back short.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A regular file (or anything but a folder) exists at path.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool DeleteFileAt(const std::string& path);
// Renames within one file system; false (errno kept) otherwise.
bool RenameFile(const std::string& from, const std::string& to);
// The same, but an existing to is kept and the result is false with errno EEXIST.
bool RenameFileNoReplace(const std::string& from, const std::string& to);
// Size in bytes, or -1.
int64_t FileSize(const std::string& path);

// Names (not paths) of the entries of folder whose name ends in "." + extension in any
// letter case, in the order the system lists them; subfolders are not entered but a folder
// whose name matches is listed. A missing or unreadable folder gives an empty list.
std::vector<std::string> ListFolder(const std::string& folder, const std::string& extension);
// The same into names, telling a folder that cannot be listed from an empty one: false with
// the system's error number in error (ENOENT, ENOTDIR, EACCES, EIO, ...).
bool ListFolder(const std::string& folder, const std::string& extension,
                std::vector<std::string>& names, int& error);

// $TMPDIR, else /tmp, always with a trailing "/".
std::string GetTmpPath();

// Flushes a folder to disk (fsync), so the names created, renamed or removed in it survive a
// power loss. False (errno kept) when it cannot be opened or flushed.
bool SyncFolder(const std::string& folder);
// The folder part of path: everything before its last "/" ("." when it has none).
std::string FolderOf(const std::string& path);

// An open file. Reads open with full sharing (a plain read-only open); CreateExclusive
// makes a new file with O_CREAT|O_EXCL and holds an exclusive flock while it is open.
class TFile {
public:
    TFile() = default;
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    bool OpenRead(const std::string& path);
    bool CreateExclusive(const std::string& path);
    // Opens for appending, creating the file when missing (daily log files).
    bool OpenAppend(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    int64_t Size() const; // -1 on failure
    // Positioned read/write; return the number of bytes transferred (short on end of file
    // or failure, -1 on error).
    int64_t ReadAt(int64_t offset, void* buffer, int64_t count);
    int64_t WriteAt(int64_t offset, const void* buffer, int64_t count);
    // Appends all bytes; false on a short or failed write.
    bool Append(const void* buffer, int64_t count);
    // Flushes the file's data (fdatasync), and what reading it back needs, to disk.
    bool Sync();
    // Copies count bytes from offset of this file to targetOffset of target, inside the
    // kernel where it can (copy_file_range), else through a buffer. Returns the bytes copied
    // (short on end of file or failure, -1 on error); sourceFailed, when given, tells whether
    // a copy cut short was this file's doing (end of file, a failed read).
    int64_t CopyTo(int64_t offset, TFile& target, int64_t targetOffset, int64_t count,
                   bool* sourceFailed = nullptr);

private:
    int fd_ = -1;
    bool appending_ = false; // opened with O_APPEND
    std::string path_;       // handed to the fault hooks
};

// Fault injection for tests: when set, called before each operation of its kind with the
// path (and the byte count for writes); returning false makes that operation fail as the
// system call would (a write then transfers half its bytes, as on a full disk).
struct TFileFaults {
    std::function<bool(const std::string& path, int64_t count)> BeforeWrite;
    std::function<bool(const std::string& path, int64_t count)> BeforeRead;
    std::function<bool(const std::string& from, const std::string& to)> BeforeRename;
    std::function<bool(const std::string& path)> BeforeOpen;
    // Returning false makes TFile::Sync fail with EIO.
    std::function<bool(const std::string& path)> BeforeSync; // a file's flush or a folder's
    // Returning false makes a watch folder's lock call fail with ENOLCK (a network file
    // system without a lock manager).
    std::function<bool(const std::string& path)> BeforeLock;
};
TFileFaults& FileFaults();

// Single-instance lock: an exclusive, non-blocking flock on $XDG_RUNTIME_DIR/Caplin.lock
// (else /tmp/Caplin-<uid>.lock). The kernel releases it when the process ends.
class TInstanceLock {
public:
    TInstanceLock() = default;
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // False only when another process holds the lock ("already exists"). When the runtime
    // folder's lock cannot be opened the /tmp one is tried; when none can be had at all the
    // start goes on unguarded, with a trace line.
    bool Acquire(const std::string& name = "Caplin");
    static std::string LockPath(const std::string& name);

private:
    int fd_ = -1;
};
