// SPDX-License-Identifier: GPL-3.0-or-later
// "Process pending window messages once": one installable function, so the walk,
// the scan and the connection list stay free of the GUI toolkit.
#pragma once

#include <functional>

using MessagePump = std::function<void()>;

// Installs a pump and returns the previous one; an empty pump does nothing.
// With callsPerPump n only every n-th call of PumpMessages reaches the pump,
// the first call after the installation included: a pump that looks at a
// clock need not read it for each of the many calls of a scan.
MessagePump SetMessagePump(MessagePump pump, int callsPerPump = 1);

namespace messagepumpdetail {
inline int callsUntilPump = 1;
// Starts the count again and calls the installed pump.
void CallInstalledPump();
}  // namespace messagepumpdetail

// Inline: a scan calls it twice for every file, and most calls only count.
inline void PumpMessages()
{
    if (--messagepumpdetail::callsUntilPump > 0)
        return;
    messagepumpdetail::CallInstalledPump();
}
