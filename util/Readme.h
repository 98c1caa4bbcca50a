// Filling a multi-line text widget from a text file, and the Info tab's
// read-me: the program's own path with the extension txt.
#pragma once

#include <string>

class QPlainTextEdit;

// Shows the file's lines, or, when it is missing, a directory or unreadable,
// appends the line "Could not find <fileName>". Never shows a message.
void LoadMemoFile(QPlainTextEdit* memo, const std::string& fileName);

void LoadReadme(QPlainTextEdit* memo);
