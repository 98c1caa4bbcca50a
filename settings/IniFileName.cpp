// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IniFileName.h"

#include "util/PathParts.h"
#include "util/ProgramFiles.h"

std::string IniFileName(bool nameOnly)
{
    const std::string path = ProgramFileExt("ini");
    return nameOnly ? ExtractFileName(path) : path;
}
