// SPDX-License-Identifier: GPL-3.0-or-later
// The installable login box.
#include "util/LoginBox.h"

#include <utility>

namespace {
LoginBoxHandler& Handler()
{
    static LoginBoxHandler handler;
    return handler;
}
}  // namespace

LoginBoxHandler SetLoginBoxHandler(LoginBoxHandler handler) { return std::exchange(Handler(), std::move(handler)); }

bool AskLogin(const std::string& server, LoginAnswer& answer)
{
    return Handler() ? Handler()(server, answer) : false;
}
