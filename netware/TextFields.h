// SPDX-License-Identifier: GPL-3.0-or-later
// The text rules the back ends read their files with: the lines of settings,
// credentials and .trashinfo files, and the fields of the mount table.
#pragma once

#include <string>
#include <string_view>

// Without blanks, tabs and carriage returns at either end.
std::string_view Trimmed(std::string_view text);
// A mount table field with its octal escapes (\ooo: blanks, tabs, newlines,
// backslashes) made the bytes they stand for.
std::string MountFieldUnescaped(std::string_view field);
