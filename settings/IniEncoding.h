// SPDX-License-Identifier: GPL-3.0-or-later
// The encodings a settings file comes in: 8-bit text (with or without a UTF-8
// byte-order mark, which the line parser keeps), and UTF-16 with its
// byte-order mark, as Windows editors save "Unicode" files. UTF-16 text is
// handled as UTF-8 and written back as UTF-16, so a file keeps its encoding.
#pragma once

#include <string>

enum class IniEncoding { Bytes, Utf16Le, Utf16Be };

// The encoding told by the file's first bytes.
IniEncoding DetectIniEncoding(const std::string& raw);

// The file's text as 8-bit UTF-8 without the UTF-16 byte-order mark. The round
// trip is exact for every whole code unit: an unpaired surrogate is carried as
// its three-byte form. A last odd byte, no whole code unit, is dropped.
std::string DecodeIniText(const std::string& raw, IniEncoding encoding);

// Whether the text can be stored in the encoding unchanged: 8-bit files take
// any bytes, UTF-16 files only UTF-8 text.
bool IniTextFits(const std::string& text, IniEncoding encoding);

// The text in the encoding, with the byte-order mark for UTF-16. A byte that
// is not UTF-8 becomes U+FFFD: writers check IniTextFits first.
std::string EncodeIniText(const std::string& text, IniEncoding encoding);
