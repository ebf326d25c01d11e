// One owner per watched folder: an exclusive open-file-description lock (fcntl F_OFD_SETLK) on
// ".caplin-watch.lock" in the folder, which a network file system's lock manager makes
// exclusive across machines too. The file holds its owner's host name and pid as text, for the
// others to name. Where the folder cannot hold that file (read-only, no lock support, a lock
// file that is a folder or holds something else), a file named after the folder's canonical
// path in the runtime folder stands in, exclusive on this host only.
//
// The lock belongs to the process: the holders of one folder in this process share one open
// file (a second open would conflict with the first), and the file is closed, releasing the
// lock, when the last of them goes or the process ends.
#pragma once

#include <memory>
#include <string>

enum class TFolderLockScope {
    Folder,   // the folder's own lock file: exclusive wherever the folder is seen from
    ThisHost, // the runtime folder's stand-in: exclusive on this host only
    None,     // no lock could be had at all; the folder is watched unguarded
};

// Who holds a folder when another process does, as its lock file says ("unknown" for a part
// it does not say).
struct TFolderOwner {
    std::string Host;
    std::string Pid;
};

class TFolderLock {
public:
    // Tries once, without waiting. Null when another process holds the folder (owner then
    // names it); otherwise this holder's share of the process's lock on the folder.
    static std::unique_ptr<TFolderLock> TryAcquire(const std::string& folder, TFolderOwner& owner);
    // Gives this holder's share back; the last one closes the file.
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    TFolderLockScope Scope() const;
    // Why the folder's own lock file could not serve (scope ThisHost or None), and why the
    // runtime folder's could not either (scope None): the system's error text or what is
    // wrong with the file.
    const std::string& FolderRefusal() const;
    const std::string& HostRefusal() const;
    // False when the file locked is no longer the one its path names (the folder was replaced,
    // the file deleted): the lock then guards nothing and must be taken again.
    bool StillGuards() const;

    // The runtime folder's lock file of a folder: "$XDG_RUNTIME_DIR/caplin/" (else
    // "/tmp/caplin-<uid>/") + the canonical path with "%" and "/" escaped + ".lock".
    static std::string HostLockPath(const std::string& canonicalFolder);

    struct TShared;

private:
    explicit TFolderLock(std::shared_ptr<TShared> shared);

    std::shared_ptr<TShared> shared_;
};
