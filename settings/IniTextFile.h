// Where a settings file lives and how its bytes are read and replaced: the
// replacement is atomic (a temporary file beside it, flushed, renamed over), so
// the file is always either the old one or the whole new one.
#pragma once

#include "util/AtomicFile.h"

#include <string>

// The path of a settings file name: a bare name (no "/") lies in
// $XDG_CONFIG_HOME (default ~/.config); any other name is used as given.
std::string ResolveIniPath(const std::string& fileName);
bool IsBareIniName(const std::string& fileName);

struct IniFileBytes {
    enum class State { Missing, Read, Unreadable };
    State state = State::Missing;
    std::string bytes;
    int error = 0;  // errno when unreadable
};

IniFileBytes ReadIniBytes(const std::string& path);

// Replaces the file at path by bytes. With createFolder the missing folders
// above it are made first. Raises IniFileError naming the file and the reason;
// on failure the old file is unchanged and no temporary file is left behind.
void ReplaceIniBytes(const std::string& path, const std::string& bytes, bool createFolder);

// Test seam: the fault that every replacement asks before each of its steps; a
// non-zero answer is taken as the errno with which the step fails. Returns the
// previous fault; an empty one means no faults.
using IniWriteStep = AtomicFileStep;
using IniWriteFault = AtomicFileFault;
IniWriteFault SetIniWriteFault(IniWriteFault fault);
