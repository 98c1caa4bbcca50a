// SPDX-License-Identifier: GPL-3.0-or-later
// The filter that keeps the offscreen platform's size-hint notice off standard error.
#include "util/QtWarningFilter.h"

#include <QtGlobal>
#include <QString>

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform prints this for every window it shows: nothing is
// wrong and nothing can be done about it.
bool IsNoise(QtMsgType type, const QString& message)
{
    return type == QtWarningMsg && message == QLatin1String("This plugin does not support propagateSizeHints()");
}

void FilterMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (IsNoise(type, message))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

}  // namespace

void InstallQtWarningFilter()
{
    previousHandler = qInstallMessageHandler(FilterMessage);
}
