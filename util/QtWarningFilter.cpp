// SPDX-License-Identifier: GPL-3.0-or-later
// The filter that keeps Qt's chatter off standard error.
#include "util/QtWarningFilter.h"

#include <QString>

namespace {

QtMessageHandler previousHandler = nullptr;
bool unattendedRun = false;

void FilterMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (IsQtChatter(type, message, unattendedRun))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

}  // namespace

bool IsQtChatter(QtMsgType type, const QString& message, bool unattended)
{
    // The offscreen platform prints this for every window it shows: nothing
    // is wrong and nothing can be done about it.
    if (type == QtWarningMsg && message == QLatin1String("This plugin does not support propagateSizeHints()"))
        return true;
    // Unattended, nobody reads a notice; what went wrong in the job itself
    // the program says in its own words.
    return unattended && (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg);
}

void InstallQtWarningFilter(bool unattended)
{
    unattendedRun = unattended;
    previousHandler = qInstallMessageHandler(FilterMessage);
}
