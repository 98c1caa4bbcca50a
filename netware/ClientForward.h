// SPDX-License-Identifier: GPL-3.0-or-later
// Internal to the client operations: hands a call to the installed back end, or
// fails with ERR_CLIENT_NOT_STARTED when none is installed. The scan calls
// these per deleted file, so the forward is one pointer test and a virtual call.
#pragma once

#include "netware/NWClientBackend.h"

namespace clientdetail {
extern NWClientBackend* installedBackend;

template <typename Call>
inline NWCCODE Forward(Call&& call)
{
    NWClientBackend* backend = installedBackend;
    return backend ? call(*backend) : ERR_CLIENT_NOT_STARTED;
}
}  // namespace clientdetail
