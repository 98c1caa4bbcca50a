// "Process pending window messages once": one installable function, so the walk,
// the scan and the connection list stay free of the GUI toolkit.
#pragma once

#include <functional>

using MessagePump = std::function<void()>;

// Installs a pump and returns the previous one; an empty pump does nothing.
MessagePump SetMessagePump(MessagePump pump);
void PumpMessages();
