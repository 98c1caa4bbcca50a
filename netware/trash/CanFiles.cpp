// SPDX-License-Identifier: GPL-3.0-or-later
// The can's files read and rewritten through the program's file readers and
// writers, with the options that keep them inside the can's open folders.
#include "netware/trash/CanFiles.h"

#include <cerrno>

#include "netware/trash/TrashInfo.h"
#include "util/AtomicFile.h"
#include "util/FileText.h"

namespace {

constexpr const char* DirectorySizesName = "directorysizes";

}  // namespace

int ReadCanFile(int dirFd, const char* name, std::size_t limit, std::string& text)
{
    return ReadFileText(name, text, {.folder = dirFd, .followLinks = false, .limit = limit});
}

int RemoveDirectorySizesLines(int canFd, const std::set<std::string>& entryNames)
{
    std::string text, kept;
    if (int error = ReadCanFile(canFd, DirectorySizesName, DirectorySizesSizeLimit, text))
        return error == ENOENT ? 0 : error;
    if (!WithoutDirectorySizesLines(text, entryNames, kept))
        return 0;
    try {
        AtomicFileOptions options;
        options.folder = canFd;
        options.keepMode = true;
        AtomicFile file(DirectorySizesName, options);
        file.Write(kept);
        file.Commit();
        return 0;
    } catch (const AtomicFileError& failure) {
        return failure.error();
    }
}
