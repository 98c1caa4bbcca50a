// SPDX-License-Identifier: GPL-3.0-or-later
// The focus frame of lists and trees.
#include "widgets/FocusFrame.h"

#include <QAbstractScrollArea>
#include <QString>

void ShowFocusFrame(QAbstractScrollArea* view)
{
    // The same width focused or not, so nothing moves when the focus comes.
    const QString kind = QString::fromLatin1(view->metaObject()->className());
    view->setStyleSheet(QStringLiteral("%1 { border: 2px solid palette(mid); }"
                                       " %1:focus { border: 2px solid palette(highlight); }")
                            .arg(kind));
}
