// SPDX-License-Identifier: GPL-3.0-or-later
// The program's message-box handler: every box of the core shown as a
// QMessageBox; without a screen, written to standard error and answered with
// the box's safe button, so an unattended run never blocks or purges unseen.
#pragma once

#include "util/MessageBox.h"

class QMessageBox;

void InstallQtMessageBoxHandler();

// The box for a request: icon by kind, title, the buttons in order.
QMessageBox* CreateQtMessageBox(const MessageBoxRequest& request);

// Shows the box modally; the index of the button clicked, or -1 when it was
// closed without one.
int RunQtMessageBox(const MessageBoxRequest& request);

// True when no box can be shown: the offscreen platform or no screen at all.
bool MessageBoxesHeadless();
