// SPDX-License-Identifier: GPL-3.0-or-later
// The recycle-bin index reader: any bytes read as an $I file. An index it
// accepts has a version of 1 or 2, the length its version gives, and a path
// of valid UTF-8; the original path split from it has no "." or ".." part and
// no separator inside a part.
#include "netware/windows/RecycleIndexFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool ValidUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2)
                return false;
        i += length;
    }
    return true;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto index = ParseRecycleIndex(bytes);
    if (!index)
        return 0;
    Check(index->version == 1 || index->version == 2);
    Check(index->version != 1 || size == 544);
    Check(index->version != 2 || size >= 30);
    Check(ValidUtf8(index->path));
    Check(index->path.find('\0') == std::string::npos);
    (void)UnixTimeOfFileTime(index->deleted);
    std::vector<std::string> folders;
    std::string name;
    if (SplitOriginalPath(index->path, folders, name)) {
        folders.push_back(name);
        for (const std::string& part : folders) {
            Check(!part.empty() && part != "." && part != "..");
            Check(part.find_first_of("\\/") == std::string::npos);
        }
    }
    return 0;
}
