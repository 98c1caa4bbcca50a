// SPDX-License-Identifier: GPL-3.0-or-later
// Names as the client shows them: control characters, which would break the
// result list and the log into forged lines or drive a terminal, are written
// escaped ("\n", "\t", "\r", else "\xHH"); every other byte stays.
#pragma once

#include <string>
#include <string_view>

std::string ShownName(std::string_view name);
