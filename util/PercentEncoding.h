// SPDX-License-Identifier: GPL-3.0-or-later
// Percent-encoding of paths: the trash cans store their paths so, and SMB
// addresses carry names so.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Undoes the %XX escapes of a path; nullopt for a broken escape or a decoded NUL.
std::optional<std::string> PercentDecode(std::string_view text);
// Escapes every byte outside the unreserved set and "/".
std::string PercentEncode(std::string_view text);
