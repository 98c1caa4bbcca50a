// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/PathParts.h"

std::string ExtractFilePath(const std::string& path)
{
    std::size_t at = path.find_last_of(PathDelimiters);
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string ExtractFileName(const std::string& path)
{
    std::size_t at = path.find_last_of(PathDelimiters);
    return at == std::string::npos ? path : path.substr(at + 1);
}
