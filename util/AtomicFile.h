// Replacing a file atomically: the new content goes to a temporary file beside
// the target, is flushed to disk and renamed over it, so the file is always
// either the old one or the whole new one, and a failure leaves nothing behind.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

// The steps of a replacement, in order. CheckTarget and CreateFolder happen only
// when asked for (see AtomicFileOptions); Write once per piece; Sync covers the
// flush and the close of the temporary file.
enum class AtomicFileStep { CheckTarget, CreateFolder, CreateTemporary, Write, Sync, Rename };

// Test seam: asked before each step; a non-zero answer is taken as the errno
// with which the step fails.
using AtomicFileFault = std::function<int(AtomicFileStep)>;

struct AtomicFileOptions {
    // A symbolic link at the path stays a link: the file it points to is replaced.
    bool followLinks = false;
    // An existing file that may not be opened for writing is refused
    // (CheckTarget), as a write in place would be.
    bool refuseReadOnly = false;
    // A replaced file keeps its mode, and its owner when running as root.
    // Otherwise the new file gets 0666 less the umask, like any new file.
    bool keepMode = false;
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
    // The injected fault for a step, else 0.
    int FaultAt(AtomicFileStep step) const;

    std::string path_;
    std::string target_;
    std::string temporary_;
    AtomicFileFault fault_;
    int fd_ = -1;
    bool created_ = false;
    bool committed_ = false;
};
