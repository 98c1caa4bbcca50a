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
