// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line switches (auto, ini=, log=): abbreviable, any letter case,
// with any number of leading "/" or "\". Read from ProgramArguments(), argument
// 1 onwards; every argument is looked at, however many there are.
#pragma once

#include <cstdint>
#include <string>

// True when word has at least minLength characters and, ASCII-folded, is a
// prefix of keyword (so never longer than it, never empty).
bool IsAbbrev(const std::string& word, const std::string& keyword, std::uint8_t minLength);

// A bare-word switch such as auto: the whole argument must be the abbreviation.
bool SwitchGiven(const std::string& keyword, std::uint8_t minLength);

// A key=value switch: the value of the first matching argument (split at its
// first "="; the value may be empty or hold further "="), else defaultValue.
std::string SwitchValue(const std::string& keyword, std::uint8_t minLength, const std::string& defaultValue);
