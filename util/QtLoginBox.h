// SPDX-License-Identifier: GPL-3.0-or-later
// The program's login box as a Qt dialog: user, password (not echoed) and
// domain. Without a screen nobody is asked and the box answers "cancelled".
#pragma once

#include "util/LoginBox.h"

class QDialog;

void InstallQtLoginBoxHandler();

// The dialog for a server, pre-filled from answer; the caller runs it.
QDialog* CreateQtLoginBox(const std::string& server, const LoginAnswer& answer);
