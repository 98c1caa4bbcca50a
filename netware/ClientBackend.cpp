// SPDX-License-Identifier: GPL-3.0-or-later
// The one installed client back end.
#include "netware/ClientForward.h"

namespace clientdetail {
NWClientBackend* installedBackend = nullptr;
}

NWClientBackend* SetClientBackend(NWClientBackend* backend)
{
    NWClientBackend* previous = clientdetail::installedBackend;
    clientdetail::installedBackend = backend;
    return previous;
}

NWClientBackend* ClientBackend()
{
    return clientdetail::installedBackend;
}

NWCCODE NWClientBackend::NWGetVolumeSpace(NWCONN_HANDLE, const char*, std::uint64_t& totalBytes,
                                          std::uint64_t& freeBytes)
{
    totalBytes = 0;
    freeBytes = 0;
    return ERR_VOLUME_SPACE_UNKNOWN;
}
