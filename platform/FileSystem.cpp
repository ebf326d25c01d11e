#include "platform/FileSystem.h"

#include "platform/TextUtils.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A copy that the kernel cannot make goes through a buffer of this size.
constexpr int64_t kCopyBufferSize = int64_t(1) << 20;

} // namespace

namespace {

// The hooks are read by whatever thread does the I/O; tests set them before starting work
// and reset them afterwards, so a plain object is enough.
TFileFaults gFaults;

bool FaultAllowsOpen(const std::string& path) {
    if (gFaults.BeforeOpen && !gFaults.BeforeOpen(path)) {
        errno = EACCES;
        return false;
    }
    return true;
}

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

TFileFaults& FileFaults() {
    return gFaults;
}

bool FileExists(const std::string& path) {
    return Guarded("FileExists", false, [&] {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    });
}

bool DirectoryExists(const std::string& path) {
    return Guarded("DirectoryExists", false, [&] {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    });
}

bool DeleteFileAt(const std::string& path) {
    return Guarded("DeleteFileAt", false, [&] { return ::unlink(path.c_str()) == 0; });
}

bool RenameFile(const std::string& from, const std::string& to) {
    return Guarded("RenameFile", false, [&] {
        if (gFaults.BeforeRename && !gFaults.BeforeRename(from, to)) {
            errno = EXDEV;
            return false;
        }
        return ::rename(from.c_str(), to.c_str()) == 0;
    });
}

bool RenameFileNoReplace(const std::string& from, const std::string& to) {
    return Guarded("RenameFileNoReplace", false, [&] {
        if (gFaults.BeforeRename && !gFaults.BeforeRename(from, to)) {
            errno = EXDEV;
            return false;
        }
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno != EINVAL && errno != ENOSYS)
            return false;
        // The file system cannot rename without replacing; a new link never replaces either.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return true;
        }
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
            return false;
        // No links either (FAT and some network file systems): look, then rename. A file that
        // arrives between the two is replaced; nothing better is offered there.
        struct stat st;
        if (::lstat(to.c_str(), &st) == 0) {
            errno = EEXIST;
            return false;
        }
        return ::rename(from.c_str(), to.c_str()) == 0;
    });
}

int64_t FileSize(const std::string& path) {
    return Guarded("FileSize", int64_t(-1), [&] {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
            return int64_t(-1);
        return int64_t(st.st_size);
    });
}

std::vector<std::string> ListFolder(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    int error = 0;
    if (!ListFolder(folder, extension, names, error))
        names.clear();
    return names;
}

bool ListFolder(const std::string& folder, const std::string& extension,
                std::vector<std::string>& names, int& error) {
    names.clear();
    error = EIO; // what a failure that the system did not name is told as
    return Guarded("ListFolder", false, [&] {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) {
            error = errno;
            return false;
        }
        try {
            // readdir tells its end and its failure apart only by errno.
            for (errno = 0; const dirent* entry = ::readdir(dir); errno = 0) {
                const std::string name = entry->d_name;
                if (name != "." && name != ".." && HasExtension(name, extension))
                    names.push_back(name);
            }
        } catch (...) {
            ::closedir(dir);
            throw;
        }
        const int failed = errno;
        ::closedir(dir);
        if (failed != 0) {
            names.clear();
            error = failed;
            return false;
        }
        error = 0;
        return true;
    });
}

std::string GetTmpPath() {
    return Guarded("GetTmpPath", std::string("/tmp/"), [] {
        const char* tmp = std::getenv("TMPDIR");
        return IncludeTrailingSlash((tmp != nullptr && *tmp != '\0') ? tmp : "/tmp");
    });
}

// ---------------------------------------------------------------------------------------
// TFile

TFile::~TFile() {
    Close();
}

void TFile::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    appending_ = false;
}

bool TFile::OpenRead(const std::string& path) {
    return Guarded("TFile.OpenRead", false, [&] {
        Close();
        path_ = path;
        if (!FaultAllowsOpen(path))
            return false;
        fd_ = OpenRetrying(path, O_RDONLY | O_CLOEXEC);
        return fd_ >= 0;
    });
}

bool TFile::CreateExclusive(const std::string& path) {
    return Guarded("TFile.CreateExclusive", false, [&] {
        Close();
        path_ = path;
        if (!FaultAllowsOpen(path))
            return false;
        fd_ = OpenRetrying(path, O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0644);
        if (fd_ < 0)
            return false;
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            // Someone locked the file between our create and our lock: it is not ours to
            // write after all. We made it, so we remove it again.
            const int saved = errno;
            Close();
            ::unlink(path.c_str());
            errno = saved;
            return false;
        }
        return true;
    });
}

bool TFile::OpenAppend(const std::string& path) {
    return Guarded("TFile.OpenAppend", false, [&] {
        Close();
        path_ = path;
        if (!FaultAllowsOpen(path))
            return false;
        fd_ = OpenRetrying(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        appending_ = fd_ >= 0;
        return fd_ >= 0;
    });
}

int64_t TFile::Size() const {
    return Guarded("TFile.Size", int64_t(-1), [&] {
        struct stat st;
        if (fd_ < 0 || ::fstat(fd_, &st) != 0)
            return int64_t(-1);
        return int64_t(st.st_size);
    });
}

int64_t TFile::ReadAt(int64_t offset, void* buffer, int64_t count) {
    return Guarded("TFile.ReadAt", int64_t(-1), [&] {
        if (fd_ < 0 || count < 0 || offset < 0) {
            errno = EBADF;
            return int64_t(-1);
        }
        if (gFaults.BeforeRead && !gFaults.BeforeRead(path_, count))
            count /= 2;
        int64_t done = 0;
        while (done < count) {
            const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, size_t(count - done),
                                      off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return done > 0 ? done : int64_t(-1);
            if (n == 0)
                break; // end of file
            done += n;
        }
        return done;
    });
}

int64_t TFile::WriteAt(int64_t offset, const void* buffer, int64_t count) {
    return Guarded("TFile.WriteAt", int64_t(-1), [&] {
        if (fd_ < 0 || count < 0 || offset < 0) {
            errno = EBADF;
            return int64_t(-1);
        }
        // A refused write behaves as on a full disk: half the bytes land, then ENOSPC.
        const bool full = gFaults.BeforeWrite && !gFaults.BeforeWrite(path_, count);
        const int64_t target = full ? count / 2 : count;
        int64_t done = 0;
        while (done < target) {
            const ssize_t n = ::pwrite(fd_, static_cast<const char*>(buffer) + done,
                                       size_t(target - done), off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return done > 0 ? done : int64_t(-1);
            done += n;
        }
        if (full)
            errno = ENOSPC;
        return done;
    });
}

bool TFile::Append(const void* buffer, int64_t count) {
    return Guarded("TFile.Append", false, [&] {
        if (fd_ < 0 || count < 0) {
            errno = EBADF;
            return false;
        }
        // A file made by CreateExclusive is written with pwrite, which leaves the offset at 0;
        // one opened for appending is at its end at every write already.
        if (!appending_ && ::lseek(fd_, 0, SEEK_END) < 0)
            return false;
        const bool full = gFaults.BeforeWrite && !gFaults.BeforeWrite(path_, count);
        const int64_t target = full ? count / 2 : count;
        int64_t done = 0;
        while (done < target) {
            const ssize_t n =
                ::write(fd_, static_cast<const char*>(buffer) + done, size_t(target - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        if (full) {
            errno = ENOSPC;
            return false;
        }
        return true;
    });
}

int64_t TFile::CopyTo(int64_t offset, TFile& target, int64_t targetOffset, int64_t count,
                      bool* sourceFailed) {
    bool ignored = false;
    bool& fromSource = sourceFailed ? *sourceFailed : ignored;
    fromSource = false;
    return Guarded("TFile.CopyTo", int64_t(-1), [&] {
        if (fd_ < 0 || target.fd_ < 0 || count < 0 || offset < 0 || targetOffset < 0) {
            errno = EBADF;
            return int64_t(-1);
        }
        int64_t done = 0;
        // With fault hooks set the copy goes through a buffer, so the hooks see it as the
        // read and the write it replaces.
        const bool hooked = gFaults.BeforeRead || gFaults.BeforeWrite;
        while (!hooked && done < count) {
            loff_t from = offset + done, to = targetOffset + done;
            const ssize_t n =
                ::copy_file_range(fd_, &from, target.fd_, &to, size_t(count - done), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0) {
                fromSource = true; // end of the source
                return done;
            }
            if (n < 0) {
                // File systems that cannot copy between these two files: through a buffer.
                if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
                    break;
                return done > 0 ? done : int64_t(-1);
            }
            done += n;
        }
        std::vector<char> buffer;
        while (done < count) {
            const int64_t want = std::min<int64_t>(kCopyBufferSize, count - done);
            buffer.resize(size_t(want));
            const int64_t got = ReadAt(offset + done, buffer.data(), want);
            if (got <= 0) {
                fromSource = true;
                return done > 0 ? done : got;
            }
            const int64_t put = target.WriteAt(targetOffset + done, buffer.data(), got);
            if (put > 0)
                done += put;
            if (put != got)
                return done > 0 ? done : int64_t(-1);
            if (got < want) {
                fromSource = true; // a short read: the source ended early
                return done;
            }
        }
        return done;
    });
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SyncFolder(const std::string& folder) {
    return Guarded("SyncFolder", false, [&] {
        if (gFaults.BeforeSync && !gFaults.BeforeSync(folder)) {
            errno = EIO;
            return false;
        }
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return false;
        int result;
        do {
            result = ::fsync(fd);
        } while (result != 0 && errno == EINTR);
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return result == 0;
    });
}

bool TFile::Sync() {
    return Guarded("TFile.Sync", false, [&] {
        if (fd_ < 0)
            return false;
        if (gFaults.BeforeSync && !gFaults.BeforeSync(path_)) {
            errno = EIO;
            return false;
        }
        int result;
        do {
            result = ::fdatasync(fd_);
        } while (result != 0 && errno == EINTR);
        return result == 0;
    });
}

// ---------------------------------------------------------------------------------------
// TInstanceLock

TInstanceLock::~TInstanceLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string TInstanceLock::LockPath(const std::string& name) {
    return Guarded("TInstanceLock.LockPath", std::string(), [&] {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime != nullptr && *runtime != '\0')
            return IncludeTrailingSlash(runtime) + name + ".lock";
        return "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock";
    });
}

bool TInstanceLock::Acquire(const std::string& name) {
    // Only another holder refuses the start: a lock that cannot be had at all (a runtime
    // folder that is not writable, no lock support) would otherwise claim a second copy.
    return Guarded("TInstanceLock.Acquire", true, [&] {
        if (fd_ >= 0)
            return true;
        std::vector<std::string> paths{LockPath(name)};
        const std::string fallback = "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock";
        if (paths.front() != fallback)
            paths.push_back(fallback);
        for (const std::string& path : paths) {
            const int fd = OpenRetrying(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd < 0) {
                TraceError("TInstanceLock.Acquire", "cannot open " + path);
                continue;
            }
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                fd_ = fd;
                return true;
            }
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return false;
            TraceError("TInstanceLock.Acquire", "cannot lock " + path);
        }
        TraceError("TInstanceLock.Acquire", "no lock for " + name + ", starting without one");
        return true;
    });
}
