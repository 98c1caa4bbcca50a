// SPDX-License-Identifier: GPL-3.0-or-later
// The login box a server that asks for a password gets: user, password and
// domain. One installable handler shows it, as for message boxes, so the core
// never calls the GUI toolkit and tests answer it. The password it hands back
// lives in memory only.
#pragma once

#include <functional>
#include <string>

struct LoginAnswer {
    std::string user;
    std::string password;
    std::string domain;
};

// Called with the server's name and the answer to fill in (pre-filled with
// what is known); returns false when the user cancelled.
using LoginBoxHandler = std::function<bool(const std::string& server, LoginAnswer& answer)>;

// Installs a handler and returns the one it replaces. With none installed (and
// without a screen) nobody is asked: the answer is "cancelled".
LoginBoxHandler SetLoginBoxHandler(LoginBoxHandler handler);
bool AskLogin(const std::string& server, LoginAnswer& answer);
