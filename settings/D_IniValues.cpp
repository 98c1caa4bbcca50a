// SPDX-License-Identifier: GPL-3.0-or-later
// Keys, single values written only when they change, and lists kept as
// numbered keys of a section.
#include "settings/D_Ini.h"

#include "settings/IniText.h"
#include "util/D_Util.h"

namespace {

// Blanks around a name are not part of it when the file is read back.
bool IsBlankOnly(const std::string& key)
{
    return key.find_first_not_of(" \t\v\f\x1A") == std::string::npos;
}

// The key as it goes into the file, or empty when it cannot be stored: a key
// holding "=" would read back split at that "=" (and so name another key),
// and a line break would end the line. Skipping such a key loses only its own
// value; refusing it would end the whole save there.
std::string StorableKey(const std::string& key)
{
    std::string k = IniKey(key);
    if (IsBlankOnly(k) || k.find_first_of(std::string("=\r\n\0", 4)) != std::string::npos)
        return std::string();
    return k;
}

}  // namespace

std::string IniKey(const std::string& key)
{
    return RemoveChars(key, "[]");
}

void WriteStringIfChanged(IniFile* file, const std::string& section, const std::string& key, const std::string& text)
{
    const std::string k = StorableKey(key);
    if (k.empty())
        return;
    const std::string stored = file->ReadString(section, k, std::string());
    // A quoted value written earlier reads back without its quotes.
    if (stored == text || DoubleQuoted(stored) == text)
        return;
    file->WriteString(section, k, text);
}

void WriteIntegerIfChanged(IniFile* file, const std::string& section, const std::string& key, std::int32_t value)
{
    const std::string k = StorableKey(key);
    if (k.empty())
        return;
    if (file->ReadInteger(section, k, 0) != value)
        file->WriteInteger(section, k, value);
}

void WriteBoolIfChanged(IniFile* file, const std::string& section, const std::string& key, bool flag)
{
    const std::string k = StorableKey(key);
    if (k.empty())
        return;
    if (!file->ValueExists(section, k) || file->ReadBool(section, k, false) != flag)
        file->WriteBool(section, k, flag);
}

std::string ReadIniString(const IniFile* file, const std::string& section, const std::string& key,
                          const std::string& def)
{
    const std::string k = IniKey(key);
    return k.empty() ? def : file->ReadString(section, k, def);
}

std::int32_t ReadIniInteger(const IniFile* file, const std::string& section, const std::string& key, std::int32_t def)
{
    const std::string k = IniKey(key);
    return k.empty() ? def : file->ReadInteger(section, k, def);
}

bool ReadIniBool(const IniFile* file, const std::string& section, const std::string& key, bool def)
{
    const std::string k = IniKey(key);
    return k.empty() ? def : file->ReadBool(section, k, def);
}

void WriteSectionStrings(IniFile* file, const std::string& section, const std::vector<std::string>& list)
{
    file->Transact([&] {
        file->EraseSectionAndDuplicates(section);
        for (std::size_t i = 0; i < list.size(); ++i)
            WriteStringIfChanged(file, section, std::to_string(i), IniListValue(list[i]));
    });
}

void ReadSectionStrings(const IniFile* file, const std::string& section, std::vector<std::string>& list)
{
    list.clear();
    for (const std::string& line : file->ReadSectionValues(section)) {
        // A line without "=" holds no value.
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            list.push_back(IniListEntry(line.substr(eq + 1)));
    }
}
