// SPDX-License-Identifier: GPL-3.0-or-later
// The names a trash can's owner writes, as the program takes and shows them:
// which names can be items and which original paths are plain (the text a name
// is shown with is ShownName's).
#pragma once

#include <string>
#include <string_view>

// Whether a name in files/ or info/ can be an item: not empty, not "." or
// "..", without "/" and NUL.
bool IsItemName(std::string_view name);

// Whether an absolute or relative original path has a "." or ".." component
// (an item from such a path is shown under unknown origin).
bool HasDotComponents(std::string_view path);
