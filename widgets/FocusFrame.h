// SPDX-License-Identifier: GPL-3.0-or-later
// A list or tree that has the keyboard focus shows it by a frame in the
// highlight colour; some styles mark only the current item, which a list
// without one (or a tree before its first key) does not have.
#pragma once

class QAbstractScrollArea;

void ShowFocusFrame(QAbstractScrollArea* view);
