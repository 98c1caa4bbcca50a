// SPDX-License-Identifier: GPL-3.0-or-later
// Texts a client back end hands to the program.
#include "netware/ClientText.h"

#include <algorithm>
#include <cstring>

#include "netware/NameContexts.h"

void CopyText(std::string_view text, char* buffer, std::size_t size)
{
    if (!buffer || size == 0)
        return;
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

void CopyTreeName(std::string_view tree, char* buffer, std::size_t size)
{
    if (tree.size() >= kTreeNameWidth) {
        CopyText(tree, buffer, size);
        return;
    }
    // Names are aligned with their connection's tree for every user looked
    // up: the padded name is made without an allocation.
    char padded[kTreeNameWidth];
    std::memcpy(padded, tree.data(), tree.size());
    std::memset(padded + tree.size(), '_', kTreeNameWidth - tree.size());
    CopyText(std::string_view(padded, kTreeNameWidth), buffer, size);
}

NWCCODE CopyServerInfo(nuint32 infoType, std::string_view server, std::string_view tree, nuint32 length,
                       char* buffer)
{
    if (infoType == NWCC_INFO_TREE_NAME) {
        CopyTreeName(tree, buffer, length);
    } else if (infoType == NWCC_INFO_SERVER_NAME) {
        CopyText(server, buffer, length);
    } else {
        return ERR_INVALID_PARAMETER;
    }
    return SUCCESSFUL;
}
