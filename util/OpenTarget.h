// SPDX-License-Identifier: GPL-3.0-or-later
// What the status bar may open: a web address or an existing local file or
// folder, handed whole to the desktop's opener. It never runs a program, so no
// text in the window, and no file someone planted, can start one.
#pragma once

#include <string>

enum class OpenTarget {
    WebAddress,  // http://, https://, ftp:// or mailto: with something after it
    LocalPath,   // an absolute path of an existing file or folder
    ServerPath,  // \\SERVER\VOLUME\DIR or VOLUME:DIR, which no local program can open
    None,        // anything else: empty, relative, missing, malformed
};

OpenTarget ClassifyOpenTarget(const std::string& text);

// Opens a web address or local path through the installed launcher as one
// argument of the opener and returns the launcher's result. Anything else
// starts nothing and gives LaunchFileNotFound.
int ShellOpenTarget(const std::string& text);
