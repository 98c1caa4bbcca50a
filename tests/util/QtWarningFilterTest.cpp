// SPDX-License-Identifier: GPL-3.0-or-later
// Which of Qt's messages are held back from standard error.
#include "util/QtWarningFilter.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

TEST(QtWarningFilterTest, UnattendedRunsHearOnlyOfRealFaults)
{
    const QString runtimeDir = QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'");
    const QString sizeHints = QStringLiteral("This plugin does not support propagateSizeHints()");
    const struct {
        QtMsgType type;
        QString message;
        bool unattended;
        bool heldBack;
    } cases[] = {
        {QtWarningMsg, sizeHints, false, true},
        {QtWarningMsg, sizeHints, true, true},
        {QtWarningMsg, runtimeDir, false, false},  // the window's user may want to know
        {QtWarningMsg, runtimeDir, true, true},
        {QtInfoMsg, QStringLiteral("note"), true, true},
        {QtDebugMsg, QStringLiteral("note"), true, true},
        {QtCriticalMsg, QStringLiteral("cannot open display"), true, false},
        {QtFatalMsg, QStringLiteral("no platform plugin"), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString() + (c.unattended ? " (unattended)" : ""));
        EXPECT_EQ(IsQtChatter(c.type, c.message, c.unattended), c.heldBack);
    }
}

}  // namespace
