// SPDX-License-Identifier: GPL-3.0-or-later
// Escaping control characters in shown names.
#include "netware/ShownName.h"

namespace {

void PutHex(std::string& out, unsigned char c)
{
    static const char hex[] = "0123456789ABCDEF";
    out += "\\x";
    out += hex[c >> 4];
    out += hex[c & 15];
}

}  // namespace

std::string ShownName(std::string_view name)
{
    std::string shown;
    shown.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '\n')
            shown += "\\n";
        else if (c == '\r')
            shown += "\\r";
        else if (c == '\t')
            shown += "\\t";
        else if (c < 0x20 || c == 0x7F || c == '\\')
            PutHex(shown, c);
        else if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                 static_cast<unsigned char>(name[i + 1]) <= 0x9F) {
            // U+0080 to U+009F: C1 controls, which terminals obey as escapes.
            PutHex(shown, c);
            PutHex(shown, static_cast<unsigned char>(name[++i]));
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}
