// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a file atomically: the new content goes to a temporary file beside
// the target, is flushed to disk and renamed over it, so the file is always
// either the old one or the whole new one, and a failure leaves nothing behind.
// A read-modify-write of a file that others write too holds an AtomicFileLock
// from the read to the rename.
#pragma once

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>

// The steps of a replacement, in order. CheckTarget, CreateFolder and KeepOwner
// happen only when asked for (see AtomicFileOptions); KeepOwner comes right
// after CreateTemporary; Write once per piece; Sync covers the flush and the
// close of the temporary file. Lock is AtomicFileLock's only step.
enum class AtomicFileStep { CheckTarget, CreateFolder, CreateTemporary, Write, Sync, Rename, Lock, KeepOwner };

// Test seam: asked before each step; a non-zero answer is taken as the errno
// with which the step fails.
using AtomicFileFault = std::function<int(AtomicFileStep)>;

struct AtomicFileOptions {
    // An open folder that a relative path starts from, open for the object's
    // life: a file is replaced beside it without its path being looked up again,
    // and a link at the path is replaced without the file behind it being
    // looked at (it gives no mode or owner to keep).
    int folder = AT_FDCWD;
    // A symbolic link at the path stays a link: the file it points to is
    // replaced. Only without a folder.
    bool followLinks = false;
    // An existing file that may not be opened for writing is refused
    // (CheckTarget, EACCES), as a write in place would be; so is a file
    // without any write permission bit, also for root, who could open it.
    bool refuseReadOnly = false;
    // A replaced file keeps its mode. Otherwise the new file gets 0666 less the
    // umask, like any new file.
    bool keepMode = false;
    // A replaced file keeps its owner and group. Where this process may not
    // give the new file that owner or group, the replacement fails
    // (KeepOwner, EPERM) rather than changing who may write the file.
    bool keepOwner = false;
    // Temporary files that earlier replacements of the same file left behind
    // when their process died are removed first.
    bool removeStaleTemporaries = false;
    // The mode a new file is created with, less the umask; 0600 keeps a file
    // that names other users' files to its owner.
    mode_t createMode = 0666;
    // Missing folders above a new file are made (mode 0700).
    bool createFolders = false;
    AtomicFileFault fault;
};

// A step that failed, with its errno; callers turn it into their own message.
class AtomicFileError : public std::runtime_error {
public:
    AtomicFileError(AtomicFileStep step, int error, const std::string& path);
    AtomicFileStep step() const { return step_; }
    int error() const { return error_; }

private:
    AtomicFileStep step_;
    int error_;
};

// One replacement in progress. The constructor opens the temporary file, Write
// appends a piece, Commit puts the file in place. Destroyed without a successful
// Commit, the temporary file is removed and the old file stays as it was. Every
// failing step raises AtomicFileError; an empty path fails at CreateTemporary
// with ENOENT.
class AtomicFile {
public:
    explicit AtomicFile(const std::string& path, AtomicFileOptions options = {});
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(std::string_view data);
    void Commit();

private:
    [[noreturn]] void Fail(AtomicFileStep step, int error) const;
    void KeepOwner(uid_t owner, gid_t group);
    // Closes and removes the temporary file unless it was committed.
    void Discard();
    // The injected fault for a step, else 0.
    int FaultAt(AtomicFileStep step) const;

    std::string path_;
    std::string target_;
    std::string temporary_;
    AtomicFileFault fault_;
    int folder_ = AT_FDCWD;
    int fd_ = -1;
    bool created_ = false;
    bool committed_ = false;
};

// An exclusive advisory lock (flock) for a read-modify-write of the file at
// path (behind any links), held for the object's life. It is taken on the
// sidecar "<file>.lock", not on the file, whose inode each rename replaces;
// the sidecar is made when needed and removed again on release, so none stays
// behind. Waits for another holder up to the timeout, then fails (Lock,
// EWOULDBLOCK); a sidecar that cannot be made fails with its errno (ENOENT
// when the folder is missing).
class AtomicFileLock {
public:
    explicit AtomicFileLock(const std::string& path,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~AtomicFileLock();
    AtomicFileLock(const AtomicFileLock&) = delete;
    AtomicFileLock& operator=(const AtomicFileLock&) = delete;

    const std::string& LockPath() const { return lockPath_; }

private:
    std::string lockPath_;
    int fd_ = -1;
};
