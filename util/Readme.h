// SPDX-License-Identifier: GPL-3.0-or-later
// Filling a multi-line text widget from a text file, and the Info tab's
// read-me: the program's own path with the extension txt, or, for an installed
// program, that name in the data folder found relative to the program.
#pragma once

#include <string>

class QPlainTextEdit;

// Shows the file's lines, or, when it is missing, a directory or unreadable,
// appends the line "Could not find <fileName>". Never shows a message.
void LoadMemoFile(QPlainTextEdit* memo, const std::string& fileName);

// The read-me beside the program (as in the build folder) when it is there,
// else the one in the installed data folder (<prefix>/share/morvane for
// <prefix>/bin/morvane) when that is there; with neither, the name beside the
// program, which the Info tab then reports as not found.
std::string ReadmeFileName();

void LoadReadme(QPlainTextEdit* memo);

// Where an administrator finds the documentation: the installed documentation
// folder (<prefix>/share/doc/morvane) when it is there, else the read-me beside
// the program. The status bar starts with it.
std::string DocumentationPath();
