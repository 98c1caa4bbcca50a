// SPDX-License-Identifier: GPL-3.0-or-later
// Texts a client back end hands to the program: copied into the caller's
// fixed buffers, as the client libraries do.
#pragma once

#include <cstddef>
#include <string_view>

#include "netware/ntypes.h"

// Copies text into a buffer of `size` bytes, cut to fit and always ended with
// a NUL; does nothing for a null buffer or a size of 0.
void CopyText(std::string_view text, char* buffer, std::size_t size);
// The same for the 256-byte name buffers of the client calls.
inline void CopyText256(std::string_view text, char* buffer) { CopyText(text, buffer, 256); }

// Tree names are padded with '_' to 32 characters by the client library; a
// longer name is given whole.
inline constexpr std::size_t kTreeNameWidth = 32;
void CopyTreeName(std::string_view tree, char* buffer, std::size_t size);

// ConnInfo and ConnRefInfo: the server's name (NWCC_INFO_SERVER_NAME) or its
// padded tree name (NWCC_INFO_TREE_NAME) into the caller's buffer;
// ERR_INVALID_PARAMETER for any other kind.
NWCCODE CopyServerInfo(nuint32 infoType, std::string_view server, std::string_view tree, nuint32 length,
                       char* buffer);
