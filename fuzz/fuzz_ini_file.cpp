// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: any file bytes, then one write, key delete or section
// erase. Whatever the file holds, the edit leaves every other key's value as
// it was, a written plain value reads back, and a refused edit leaves the file
// byte for byte as it was.
//
// Input: OP NUL SECTION NUL KEY NUL VALUE NUL FILE-BYTES, where OP is "w"
// (write), "d" (delete the key) or "e" (erase the section); missing parts are
// empty.
#include "settings/IniFile.h"
#include "settings/IniText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string g_dir;
std::string g_path;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush())
        std::abort();
}

// Splits off the first count fields ended by NUL; the rest is the last field.
std::vector<std::string> Fields(const std::string& input, int count)
{
    std::vector<std::string> fields;
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        const auto end = input.find('\0', pos);
        if (end == std::string::npos) {
            fields.push_back(input.substr(std::min(pos, input.size())));
            pos = input.size() + 1;
            continue;
        }
        fields.push_back(input.substr(pos, end - pos));
        pos = end + 1;
    }
    fields.push_back(pos < input.size() ? input.substr(pos) : std::string());
    return fields;
}

bool SameName(const std::string& a, const std::string& b)
{
    return IniSameName(IniTrim(a), IniTrim(b));
}

std::string KeyOfLine(const std::string& line)
{
    return IniTrim(line.substr(0, line.find('=')));
}

// Every section's key lines, one entry per distinct section name.
std::vector<std::pair<std::string, std::vector<std::string>>> Snapshot(const IniFile& ini)
{
    std::vector<std::string> names = ini.ReadSections();
    names.insert(names.begin(), std::string());
    std::vector<std::pair<std::string, std::vector<std::string>>> sections;
    for (const auto& name : names) {
        bool seen = false;
        for (const auto& [other, lines] : sections)
            seen = seen || SameName(other, name);
        if (!seen)
            sections.emplace_back(name, ini.ReadSectionValues(name));
    }
    return sections;
}

// The key lines of a section that an edit of key must leave as they were.
std::vector<std::string> Others(const std::vector<std::string>& lines, const std::string& key)
{
    std::vector<std::string> kept;
    for (const auto& line : lines)
        if (!SameName(KeyOfLine(line), key))
            kept.push_back(line);
    return kept;
}

// A value that a read gives back as written: no blanks or quotes at its ends,
// no line break or NUL, and short enough not to be cut.
bool ReadsBackAsWritten(const std::string& value)
{
    if (value.size() > 2047 || value != IniTrim(value))
        return false;
    if (!value.empty() && (value.front() == '"' || value.front() == '\''))
        return false;
    return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

void Fail(const char* what, const std::string& section, const std::string& key)
{
    std::fprintf(stderr, "%s: section \"%s\", key \"%s\"\n", what, section.c_str(), key.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Each run writes the file several times: memory-backed when there is such.
    std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm/morvane-fuzz-ini-XXXXXX" : "/tmp/morvane-fuzz-ini-XXXXXX";
    if (!mkdtemp(dir.data()))
        std::abort();
    g_dir = dir.c_str();
    g_path = g_dir + "/fuzz.ini";
    std::atexit([] { std::filesystem::remove_all(g_dir); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto fields = Fields(std::string(reinterpret_cast<const char*>(data), size), 4);
    const std::string& op = fields[0];
    const std::string& section = fields[1];
    const std::string& key = fields[2];
    const std::string& value = fields[3];
    const std::string& bytes = fields[4];

    WriteAll(g_path, bytes);
    IniFile ini(g_path);
    const auto before = Snapshot(ini);
    // The other reads must cope with any bytes too.
    (void)ini.ReadInteger(section, key, 0);
    (void)ini.SectionExists(section);

    try {
        if (op == "d")
            ini.DeleteKey(section, key);
        else if (op == "e")
            ini.EraseSection(section);
        else
            ini.WriteString(section, key, value);
    } catch (const IniFileError&) {
        if (ReadAll(g_path) != bytes)
            Fail("a refused edit changed the file", section, key);
        return 0;
    }

    for (const auto& [name, lines] : before) {
        const bool edited = SameName(name, section);
        if (edited && op == "e")
            continue;
        const auto after = ini.ReadSectionValues(name);
        if (edited ? Others(after, key) != Others(lines, key) : after != lines)
            Fail("an edit changed another key", name, key);
    }
    if (op != "d" && op != "e" && ReadsBackAsWritten(value)
        && ini.ReadString(section, key, value + "x") != value)
        Fail("a written value does not read back", section, key);
    return 0;
}
