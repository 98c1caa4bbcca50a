// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/Switches.h"

#include "util/D_Util.h"
#include "util/ProgramArguments.h"

namespace {
const std::string SwitchLeaders = "/\\";
}

bool IsAbbrev(const std::string& word, const std::string& keyword, std::uint8_t minLength)
{
    if (word.empty() || word.size() < minLength || word.size() > keyword.size())
        return false;
    return SameTextAscii(word, keyword.substr(0, word.size()));
}

bool SwitchGiven(const std::string& keyword, std::uint8_t minLength)
{
    if (keyword.size() < minLength)
        return false;
    const auto& arguments = ProgramArguments();
    for (std::size_t i = 1; i < arguments.size(); ++i)
        if (IsAbbrev(TrimCharsLeft(arguments[i], SwitchLeaders), keyword, minLength))
            return true;
    return false;
}

std::string SwitchValue(const std::string& keyword, std::uint8_t minLength, const std::string& defaultValue)
{
    if (keyword.size() < minLength)
        return defaultValue;
    const auto& arguments = ProgramArguments();
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i].find('=') == std::string::npos)
            continue;
        std::string key, value;
        SplitFirst(arguments[i], "=", key, value);
        if (IsAbbrev(TrimCharsLeft(key, SwitchLeaders), keyword, minLength))
            return value;
    }
    return defaultValue;
}
