// SPDX-License-Identifier: GPL-3.0-or-later
// Escaping control characters in shown names.
#include "netware/ShownName.h"

std::string ShownName(std::string_view name)
{
    static const char* hex = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(name.size());
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else {
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 15];
        }
    }
    return shown;
}
