// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/MessagePump.h"

namespace {
MessagePump installedPump;
int installedCallsPerPump = 1;
} // namespace

MessagePump SetMessagePump(MessagePump pump, int callsPerPump)
{
    MessagePump previous = std::move(installedPump);
    installedPump = std::move(pump);
    installedCallsPerPump = callsPerPump < 1 ? 1 : callsPerPump;
    messagepumpdetail::callsUntilPump = 1;
    return previous;
}

void messagepumpdetail::CallInstalledPump()
{
    callsUntilPump = installedCallsPerPump;
    if (installedPump)
        installedPump();
}
