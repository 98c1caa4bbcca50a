// SPDX-License-Identifier: GPL-3.0-or-later
// Directory and name parts of a path. Paths come in Windows form (D:\Apps\x,
// SYS:HOME) and in Linux form (/usr/bin/x), so "\", ":" and "/" all end a
// directory part.
#pragma once

#include <string>

inline constexpr const char* PathDelimiters = "\\:/";

// The directory part, up to and including the last delimiter; empty when none.
std::string ExtractFilePath(const std::string& path);
// The text after the last delimiter.
std::string ExtractFileName(const std::string& path);
