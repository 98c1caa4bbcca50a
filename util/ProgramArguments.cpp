// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/ProgramArguments.h"

#include <filesystem>
#include <system_error>

namespace {
std::vector<std::string>& Stored()
{
    static std::vector<std::string> arguments{"morvane"};
    return arguments;
}

std::string RunningProgramPath(const char* argv0)
{
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && !path.empty())
        return path.string();
    if (!argv0 || !*argv0)
        return "morvane";
    auto absolute = std::filesystem::absolute(argv0, error);
    return error ? std::string(argv0) : absolute.lexically_normal().string();
}
} // namespace

void SetProgramArguments(std::vector<std::string> arguments)
{
    if (arguments.empty())
        arguments.push_back("morvane");
    Stored() = std::move(arguments);
}

const std::vector<std::string>& ProgramArguments() { return Stored(); }

void SetProgramArguments(int argc, char** argv)
{
    std::vector<std::string> arguments;
    arguments.push_back(RunningProgramPath(argc > 0 ? argv[0] : nullptr));
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i] ? argv[i] : "");
    SetProgramArguments(std::move(arguments));
}
