// SPDX-License-Identifier: GPL-3.0-or-later
// The switch parser: any argument list (arguments separated by NUL) read as
// the program reads it, against the rules as the read-me states them: leading
// "/" and "\" dropped, the name up to the first "=" abbreviated down to the
// shortest form in any letter case, the first matching argument winning.
#include "util/ProgramArguments.h"
#include "util/Switches.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool Abbreviates(std::string word, const std::string& keyword, std::size_t shortest)
{
    const auto start = word.find_first_not_of("/\\");
    word = start == std::string::npos ? std::string() : word.substr(start);
    if (word.size() < shortest || word.size() > keyword.size() || word.empty())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        char k = keyword[i];
        if (k >= 'a' && k <= 'z')
            k = static_cast<char>(k - 'a' + 'A');
        if (c != k)
            return false;
    }
    return true;
}

bool Given(const std::vector<std::string>& arguments, const std::string& keyword, std::size_t shortest)
{
    for (std::size_t i = 1; i < arguments.size(); ++i)
        if (Abbreviates(arguments[i], keyword, shortest))
            return true;
    return false;
}

std::string Value(const std::vector<std::string>& arguments, const std::string& keyword, std::size_t shortest)
{
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const auto equals = arguments[i].find('=');
        if (equals != std::string::npos && Abbreviates(arguments[i].substr(0, equals), keyword, shortest))
            return arguments[i].substr(equals + 1);
    }
    return "<default>";
}

void Check(bool same, const char* what)
{
    if (!same) {
        std::fprintf(stderr, "switch %s read against the rules\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments{"/usr/bin/morvane"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    arguments.push_back(current);
    SetProgramArguments(arguments);

    Check(SwitchGiven("auto", 2) == Given(arguments, "auto", 2), "auto");
    Check(SwitchValue("ini", 1, "<default>") == Value(arguments, "ini", 1), "ini=");
    Check(SwitchValue("log", 1, "<default>") == Value(arguments, "log", 1), "log=");
    return 0;
}
