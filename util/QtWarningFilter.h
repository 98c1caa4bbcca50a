// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps Qt's messages that tell an administrator nothing off standard error:
// the offscreen platform's size-hint notice at every headless run and, in an
// unattended run, whose standard error cron mails and journals keep, every
// warning and notice of Qt's own (XDG_RUNTIME_DIR not set, and the like).
// Critical and fatal messages, which tell of a real fault, always pass.
#pragma once

#include <QtGlobal>

// Whether the message is held back.
bool IsQtChatter(QtMsgType type, const QString& message, bool unattended);

// Installs the filter in front of Qt's message handler; every other message
// goes on to the handler installed before.
void InstallQtWarningFilter(bool unattended = false);
