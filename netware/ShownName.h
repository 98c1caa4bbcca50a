// SPDX-License-Identifier: GPL-3.0-or-later
// Names as the clients show them, and back. What cannot be shown safely or
// what the path syntax uses is written as %HH (the byte in hex): control
// characters (C1 ones in UTF-8 included) and DEL, which would break the result
// list and the log into forged lines or drive a terminal; the bidirectional
// controls, which make a name read as another; bytes that are no UTF-8; and
// "\" and ":", the separators of the program's paths. A "%" is written %25
// only where two hex digits follow it. The escaping is one-to-one: every
// shown name leads back to exactly the name it was made from.
#pragma once

#include <string>
#include <string_view>

std::string ShownName(std::string_view name);
// A whole path or message as shown in a box, the list and the log: escaped as
// a name is, but with its separators, colons and "%" as they are (a text is
// read, never taken back).
std::string ShownText(std::string_view text);
// The name a shown name was made from; every "%HH" (either letter case) is
// the byte HH, every other character itself.
std::string NameOfShown(std::string_view shown);
