// A file written under a hidden name beside its target and renamed into place only when
// complete, so nobody ever sees it half-written. Whatever way the writing ends short of a
// commit, the hidden file is removed and the old target stays as it was.
#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

// Whether a commit flushes the file, and after the rename its folder, to disk: only then
// does the new file survive a power loss, at the cost of waiting for the disk.
enum class TDurability { Cached, Durable };

// What a commit does with an existing target: replace it, or keep it and fail with EEXIST.
enum class TReplace { Overwrite, Refuse };

class TAtomicFile {
public:
    // The step at which the last call failed, for callers that word those failures apart.
    // FolderFlush: the file is in place under its name, but its folder could not be flushed.
    enum class TStep { None, Create, Write, Flush, Rename, FolderFlush };

    explicit TAtomicFile(const std::string& target, TDurability durability = TDurability::Cached);
    // Removes the hidden file unless it was committed.
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Makes the hidden file ".<target name>.part-<pid>" in the target's folder: no "*.ext"
    // mask picks it up and two processes writing one target do not share it. A file of that
    // name can only be left by a process that had our id and ended early; it is replaced.
    bool Create();
    // The open hidden file, for writers that place their bytes themselves. A failed write
    // through it is the writer's to notice; it then simply does not commit.
    TFile& File() { return file_; }
    // Appends count bytes; on failure the hidden file is removed.
    bool Write(const void* buffer, int64_t count);
    // Flushes (when durable), closes and renames the hidden file to the target, then flushes
    // the folder (when durable). On failure the hidden file is removed, the target is left
    // as it was and errno tells why (EEXIST: refused to replace); only a folder that cannot be
    // flushed (FolderFlush) leaves the new file in place, for the caller to keep or remove.
    bool Commit(TReplace replace);
    // Drops the hidden file; errno is kept.
    void Discard();

    const std::string& Target() const { return target_; }
    const std::string& TempPath() const { return temp_; }
    TStep FailedStep() const { return failed_; }

private:
    bool Fail(TStep step);

    std::string target_;
    std::string temp_;
    TDurability durability_;
    TFile file_;
    bool created_ = false; // the hidden file exists and is ours
    TStep failed_ = TStep::None;
};

// Copies from to to, replacing to when it exists, through a TAtomicFile flushed to disk, so
// to is never seen half-copied.
bool CopyFileReplacing(const std::string& from, const std::string& to);
