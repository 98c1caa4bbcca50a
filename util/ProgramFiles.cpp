// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/ProgramFiles.h"

#include "util/D_Util.h"
#include "util/PathParts.h"
#include "util/ProgramArguments.h"

std::string ForceExt(const std::string& path, const std::string& extension)
{
    const std::string ext = extension.empty() ? extension : EnsurePrefix(extension, ".");
    const std::size_t nameStart = ExtractFilePath(path).size();
    const std::size_t dot = path.rfind('.');
    const std::string stem = dot != std::string::npos && dot >= nameStart ? path.substr(0, dot) : path;
    return stem + ext;
}

std::string ProgramFileExt(const std::string& extension) { return ForceExt(ProgramArguments().at(0), extension); }
