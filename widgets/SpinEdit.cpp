// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/SpinEdit.h"

QValidator::State SpinEdit::validate(QString& text, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state != QValidator::Invalid || maximum() < 0)
        return state;
    // Digits only (no sign, no blanks): a number above the maximum is on its way
    // to being clamped, not a wrong keystroke.
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 18)
        return state;
    for (const QChar c : digits)
        if (!c.isDigit() || c.unicode() > 0x7f)
            return state;
    return digits.toLongLong() > maximum() ? QValidator::Intermediate : state;
}
