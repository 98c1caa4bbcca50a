#include "util/MessagePump.h"

namespace {
// Called twice for every file of a scan: a plain variable, without the guard
// of a function-local one.
MessagePump installedPump;
MessagePump& Installed()
{
    return installedPump;
}
} // namespace

MessagePump SetMessagePump(MessagePump pump)
{
    MessagePump previous = std::move(Installed());
    Installed() = std::move(pump);
    return previous;
}

void PumpMessages()
{
    if (Installed())
        Installed()();
}
