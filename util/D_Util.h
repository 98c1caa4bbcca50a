// SPDX-License-Identifier: GPL-3.0-or-later
// The shared string and path routines: choosing, splitting, trimming and
// replacing 8-bit text, path separators, the short form of a path and the text
// of a byte count. Stateless; case-insensitive comparisons fold only a to z.
#pragma once

#include "util/MessageBox.h"  // MessageBoxOK belongs to this unit's routines

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// ASCII case folding: only the letters a to z are changed.
char UpperAscii(char c);
std::string AsciiUpper(std::string s);
bool SameTextAscii(std::string_view a, std::string_view b);

std::string IfStr(bool flag, const std::string& a, const std::string& b);

// Index (from 0) of the first entry equal to s, or -1.
int StrListIndex(const std::string& s, const std::vector<std::string>& list, bool caseSensitive);
bool StrInList(const std::string& s, const std::vector<std::string>& list, bool caseSensitive);

std::string KeepRight(const std::string& s, int n);
std::string RemoveChars(const std::string& s, const std::string& set);
std::string TrimCharsRight(const std::string& s, const std::string& set);
std::string TrimCharsLeft(const std::string& s, const std::string& set);
std::string ReplaceChars(const std::string& s, const std::string& set, char c);

// Makes s usable as a C text for the client: appends a NUL unless s already
// ends in one or has 255 characters or more. Returns s's writable characters.
char* NulTerminated(std::string& s);
const char* StrPtr(const std::string& s);

std::string EnsurePrefix(const std::string& s, const std::string& prefix);
std::string AddSlash(const std::string& path);
std::string DelSlash(const std::string& path);

// Splits at the first separator; without one, head = s and tail is empty.
// head and tail may be the very variable passed as s.
void SplitFirst(const std::string& s, const std::string& separator, std::string& head, std::string& tail);

// Replacement text is never searched again; occurrences are taken left to
// right without overlap.
std::string ReplaceText(const std::string& s, const std::string& oldText, const std::string& newText, bool all,
                        bool caseSensitive);

std::string DoubleQuoted(const std::string& s);
std::string JoinNonEmpty(const std::string& a, const std::string& b, const std::string& separator);

// This platform has no short aliases: the path comes back unchanged.
std::string ShortPathName(const std::string& path);

// A byte count as the result lines show it, e.g. "   0", "1023", "   1 kB",
// "1.00 MB", with the user's decimal separator.
std::string FormatSize(std::int64_t bytes);

// FormatSize's text written at out, which has room for FormattedSizeMaxLength
// characters; returns the end. A decimal separator longer than
// MaxDecimalSeparatorLength is cut to that length.
inline constexpr std::size_t MaxDecimalSeparatorLength = 16;
inline constexpr std::size_t FormattedSizeMaxLength = 24 + MaxDecimalSeparatorLength + 24 + 8;
char* PutFormattedSize(char* out, std::int64_t bytes);

// Where FormatSize takes its decimal separator from. The default reads the
// C library's numeric locale (the program sets it from the user's environment);
// tests install a fixed one. An empty source restores the default.
using DecimalSeparatorSource = std::function<std::string()>;
DecimalSeparatorSource SetDecimalSeparatorSource(DecimalSeparatorSource source);
std::string DecimalSeparator();
