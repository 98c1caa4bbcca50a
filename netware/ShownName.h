// SPDX-License-Identifier: GPL-3.0-or-later
// Names as the clients show them: control characters, which would break the
// result list and the log into forged lines or drive a terminal, are written
// escaped: line breaks and tabs as \n, \r and \t; other control characters
// (C1 ones in UTF-8 included), DEL and the backslash (the program's path
// separator) as \xHH. Every other byte stays.
#pragma once

#include <string>
#include <string_view>

std::string ShownName(std::string_view name);
