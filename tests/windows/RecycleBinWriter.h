// SPDX-License-Identifier: GPL-3.0-or-later
// Writes recycle-bin items as Windows does: an $I index (version 1 or 2) and
// its $R file or folder, so that tests build bins byte for byte.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

namespace recyclebin {

namespace fs = std::filesystem;

inline std::int64_t FileTimeOf(std::time_t t, int hundredNanoseconds = 0)
{
    return (static_cast<std::int64_t>(t) + 11644473600LL) * 10000000 + hundredNanoseconds;
}

inline void Put64(std::string& bytes, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        bytes += static_cast<char>(value >> (8 * i) & 0xFF);
}

// UTF-16LE of a UTF-8 text (BMP characters and surrogate pairs).
inline std::string Utf16(const std::string& text)
{
    std::string out;
    auto unit = [&](std::uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = c;
        int n = 1;
        if (c >= 0xF0) { cp = c & 0x07; n = 4; }
        else if (c >= 0xE0) { cp = c & 0x0F; n = 3; }
        else if (c >= 0xC0) { cp = c & 0x1F; n = 2; }
        for (int k = 1; k < n; ++k)
            cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += n;
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

// The bytes of an index file.
inline std::string IndexBytes(int version, const std::string& path, std::uint64_t size, std::int64_t fileTime)
{
    std::string bytes;
    Put64(bytes, static_cast<std::uint64_t>(version));
    Put64(bytes, size);
    Put64(bytes, static_cast<std::uint64_t>(fileTime));
    std::string text = Utf16(path) + std::string(2, '\0');
    if (version == 1) {
        text.resize(520, '\0');
    } else {
        const std::uint32_t characters = static_cast<std::uint32_t>(text.size() / 2);
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>(characters >> (8 * i) & 0xFF);
    }
    return bytes + text;
}

inline void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A deleted file: $I<id> and $R<id> holding content.
inline void DeletedFile(const fs::path& bin, const std::string& id, int version, const std::string& path,
                        const std::string& content, std::time_t deleted)
{
    WriteFile(bin / ("$I" + id), IndexBytes(version, path, content.size(), FileTimeOf(deleted, 4321)));
    WriteFile(bin / ("$R" + id), content);
}

// A deleted folder with two files; its index gives their total size.
inline void DeletedFolder(const fs::path& bin, const std::string& id, int version, const std::string& path,
                          std::time_t deleted)
{
    WriteFile(bin / ("$R" + id) / "a.txt", std::string(300, 'a'));
    WriteFile(bin / ("$R" + id) / "sub" / "b.txt", std::string(700, 'b'));
    WriteFile(bin / ("$I" + id), IndexBytes(version, path, 1000, FileTimeOf(deleted)));
}

}  // namespace recyclebin
