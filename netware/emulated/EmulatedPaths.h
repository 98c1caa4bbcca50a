// SPDX-License-Identifier: GPL-3.0-or-later
// Path and name rules of the emulated client: UNC and volume-form paths, and the
// "*" / "?" wildcards of directory searches.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct NetWarePathParts {
    std::string server;                   // empty for a volume-form path
    std::string volume;
    std::vector<std::string> directories; // components below the volume root
};

// "\\SERVER\VOLUME\DIR\SUB" with "\" or "/" as separators, or "VOLUME:DIR\SUB"
// (also "VOLUME:" and "VOLUME:\DIR"). Empty components are skipped. False for
// anything else, such as a local Linux path.
bool ParseUncPath(const std::string& path, NetWarePathParts& parts);
bool ParseVolumePath(const std::string& path, NetWarePathParts& parts);

// Components joined with "\".
std::string JoinDirectories(const std::vector<std::string>& directories);

// Case-insensitive (ASCII) name match: "*" any run of characters, "?" exactly
// one character, everything else itself. No DOS special cases: "*.*" asks for a
// dot, so callers wanting every name pass "*".
bool WildcardMatch(const char* pattern, const char* name);

bool SameText(std::string_view a, std::string_view b);  // ASCII case-insensitive
std::string UpperCase(std::string text);
