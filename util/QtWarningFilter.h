// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps Qt's warnings that tell an administrator nothing (the offscreen
// platform's size-hint notice at every headless run) off standard error.
#pragma once

// Installs the filter in front of Qt's message handler; every other message
// goes on to the handler installed before.
void InstallQtWarningFilter();
