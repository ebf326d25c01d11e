// The least any tool must do to deliver a file so that it survives a power loss, as the
// yardstick for the conversion: read the file whole, write it under a hidden name in the
// destination folder, flush it, rename it into place and flush the folder.
//
//   durable_copy DEST_DIR FILE...
//
// One read and one write per file, plain POSIX calls and nothing else. Exit status 0, or 1
// with a message on the first failure.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int Fail(const std::string& what, const std::string& path) {
    std::fprintf(stderr, "durable_copy: %s %s: %s\n", what.c_str(), path.c_str(),
                 std::strerror(errno));
    return 1;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The whole file in one read; a short read counts as a failure, not as a smaller file.
bool ReadWhole(const std::string& path, std::vector<char>& data) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st = {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok) {
        data.resize(size_t(st.st_size));
        const ssize_t got = ::read(fd, data.data(), data.size());
        ok = got == ssize_t(data.size());
        if (got >= 0 && !ok)
            errno = EIO;
    }
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

// Written, flushed and closed under the hidden name; the caller renames it.
bool WriteFlushed(const std::string& path, const std::vector<char>& data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const ssize_t put = ::write(fd, data.data(), data.size());
    bool ok = put == ssize_t(data.size());
    if (put >= 0 && !ok)
        errno = ENOSPC;
    ok = ok && ::fdatasync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        errno = saved;
        ::unlink(path.c_str());
    }
    return ok;
}

bool SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: durable_copy DEST_DIR FILE...\n");
        return 1;
    }
    const std::string folder = argv[1];
    const std::string pid = std::to_string(::getpid());
    std::vector<char> data;
    for (int i = 2; i < argc; ++i) {
        const std::string source = argv[i];
        const std::string name = BaseName(source);
        const std::string hidden = folder + "/." + name + ".part-" + pid;
        const std::string target = folder + "/" + name;
        if (!ReadWhole(source, data))
            return Fail("cannot read", source);
        if (!WriteFlushed(hidden, data))
            return Fail("cannot write", hidden);
        if (::rename(hidden.c_str(), target.c_str()) != 0) {
            const int saved = errno;
            ::unlink(hidden.c_str());
            errno = saved;
            return Fail("cannot rename to", target);
        }
        if (!SyncFolder(folder))
            return Fail("cannot flush", folder);
    }
    return 0;
}
