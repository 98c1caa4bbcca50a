#include "util/MessagePump.h"

namespace {
MessagePump& Installed()
{
    static MessagePump pump;
    return pump;
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
