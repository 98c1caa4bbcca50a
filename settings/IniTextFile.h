// SPDX-License-Identifier: GPL-3.0-or-later
// Where a settings file lives, how its text is read, and the read-modify-write
// that replaces it: atomic (a temporary file beside it, flushed, renamed over,
// so the file is always either the old one or the whole new one) and under the
// file's lock, so that two programs saving it at once lose none of each
// other's keys.
#pragma once

#include "settings/IniEncoding.h"
#include "util/AtomicFile.h"

#include <optional>
#include <string>

// The path of a settings file name: a bare name (no "/") lies in
// $XDG_CONFIG_HOME (default ~/.config); any other name is used as given.
std::string ResolveIniPath(const std::string& fileName);
bool IsBareIniName(const std::string& fileName);

struct IniFileBytes {
    enum class State { Missing, Read, Unreadable };
    State state = State::Missing;
    std::string bytes;  // as they stand in the file
    int error = 0;      // errno when unreadable
};

IniFileBytes ReadIniBytes(const std::string& path);

// The text of a settings file, UTF-16 decoded (see IniEncoding.h); empty when
// the file is missing or unreadable.
std::string ReadIniText(const std::string& path);

// One read-modify-write of a settings file. The lock is taken before the read
// and held until the replacement is in place. Where it cannot be taken yet (the
// folder is missing or may not be written), the read goes ahead without it and
// Replace takes it once the temporary file stands, making sure first that the
// file is still as it was read.
class IniFileUpdate {
public:
    // Missing folders above a new file are made on Replace (mode 0700).
    // Raises IniFileError naming the file and the reason when the file exists
    // but cannot be read (rewriting it would lose it) or its lock stays taken.
    explicit IniFileUpdate(std::string path);

    const std::string& Text() const { return text_; }

    // Replaces the file by text, in the encoding it was read in. Raises
    // IniFileError naming the file and the reason, the old file then staying
    // as it was and no temporary file behind. Returns false, changing nothing,
    // when the file changed after an unlocked read; start again then.
    // Text that encodes to the bytes read writes nothing. A file this user may
    // write but not replace keeping its owner and group is rewritten in place.
    bool Replace(const std::string& text);

private:
    // Takes the lock that could not be taken before the read, where it can be
    // taken now; false when the file changed since the read.
    bool TakeLateLock();
    bool MayWriteInPlace(const AtomicFileError& error) const;

    std::string path_;
    std::optional<AtomicFileLock> lock_;
    IniFileBytes read_;
    IniEncoding encoding_ = IniEncoding::Bytes;
    std::string text_;
};

// Test seam: the fault that every replacement asks before each of its steps; a
// non-zero answer is taken as the errno with which the step fails. Returns the
// previous fault; an empty one means no faults.
using IniWriteStep = AtomicFileStep;
using IniWriteFault = AtomicFileFault;
IniWriteFault SetIniWriteFault(IniWriteFault fault);
