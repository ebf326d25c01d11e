#include "platform/AtomicFile.h"

#include "platform/TextUtils.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// In the target's folder, so that the rename stays within one file system.
std::string HiddenNameFor(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    return folder + "." + ExtractFileName(target) + ".part-" + std::to_string(::getpid());
}

} // namespace

TAtomicFile::TAtomicFile(const std::string& target, TDurability durability)
    : target_(target), temp_(HiddenNameFor(target)), durability_(durability) {}

TAtomicFile::~TAtomicFile() {
    GuardedVoid("TAtomicFile.Destroy", [&] { Discard(); });
}

bool TAtomicFile::Create() {
    return Guarded("TAtomicFile.Create", false, [&] {
        Discard();
        failed_ = TStep::None;
        // A hidden file of this name is a leftover of an earlier process with our pid: it is
        // removed and the create tried once more. Only then, so that the common case costs
        // one call.
        bool made = file_.CreateExclusive(temp_);
        if (!made && errno == EEXIST && DeleteFileAt(temp_))
            made = file_.CreateExclusive(temp_);
        if (!made)
            return Fail(TStep::Create);
        created_ = true;
        return true;
    });
}

bool TAtomicFile::Write(const void* buffer, int64_t count) {
    return Guarded("TAtomicFile.Write", false, [&] {
        if (!file_.IsOpen()) {
            errno = EBADF;
            return false;
        }
        return file_.Append(buffer, count) || Fail(TStep::Write);
    });
}

bool TAtomicFile::Commit(TReplace replace) {
    return Guarded("TAtomicFile.Commit", false, [&] {
        if (!file_.IsOpen()) {
            errno = EBADF;
            return false;
        }
        const bool durable = durability_ == TDurability::Durable;
        if (durable && !file_.Sync())
            return Fail(TStep::Flush);
        file_.Close();
        const bool renamed = replace == TReplace::Overwrite ? RenameFile(temp_, target_)
                                                            : RenameFileNoReplace(temp_, target_);
        if (!renamed)
            return Fail(TStep::Rename);
        created_ = false;
        if (durable && !SyncFolder(FolderOf(target_)))
            return Fail(TStep::FolderFlush);
        return true;
    });
}

void TAtomicFile::Discard() {
    GuardedVoid("TAtomicFile.Discard", [&] {
        const int saved = errno;
        file_.Close();
        if (created_)
            DeleteFileAt(temp_);
        created_ = false;
        errno = saved;
    });
}

bool TAtomicFile::Fail(TStep step) {
    failed_ = step;
    Discard();
    return false;
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
    return Guarded("CopyFileReplacing", false, [&] {
        TFile source;
        if (!source.OpenRead(from))
            return false;
        const int64_t size = source.Size();
        if (size < 0)
            return false;

        TAtomicFile target(to, TDurability::Durable);
        if (!target.Create())
            return false;
        std::vector<char> buffer(size_t(1) << 16);
        for (int64_t offset = 0; offset < size;) {
            const int64_t want = std::min<int64_t>(int64_t(buffer.size()), size - offset);
            if (source.ReadAt(offset, buffer.data(), want) != want ||
                !target.Write(buffer.data(), want))
                return false;
            offset += want;
        }
        return target.Commit(TReplace::Overwrite);
    });
}
