// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/SpinEdit.h"

#include <QLineEdit>

namespace {

// Digits only (no sign, no blanks), as many as a long long takes.
bool PlainDigits(const QString& text)
{
    if (text.isEmpty() || text.size() > 18)
        return false;
    for (const QChar c : text)
        if (!c.isDigit() || c.unicode() > 0x7f)
            return false;
    return true;
}

}  // namespace

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent)
{
    // The value follows the text only when editing ends.
    setKeyboardTracking(false);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
    connect(this, &QSpinBox::valueChanged, this, [this] { typed_ = false; });
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] { typed_ = false; });
}

int SpinEdit::ValueOfText(const QString& text, int minimum, int maximum)
{
    const QString digits = text.trimmed();
    if (!PlainDigits(digits))
        return minimum;
    const long long value = digits.toLongLong();
    if (value < minimum)
        return minimum;
    return value > maximum ? maximum : static_cast<int>(value);
}

QValidator::State SpinEdit::validate(QString& text, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state != QValidator::Invalid || maximum() < 0)
        return state;
    // A number above the maximum is on its way to being brought into range at
    // the end of editing, not a wrong keystroke.
    const QString digits = text.trimmed();
    return PlainDigits(digits) && digits.toLongLong() > maximum() ? QValidator::Intermediate : state;
}

void SpinEdit::fixup(QString& input) const
{
    // Called for a text the box cannot take as it stands (empty, 0, too
    // large) when editing ends.
    input = textFromValue(ValueOfText(input, minimum(), maximum()));
}

void SpinEdit::finishEditing()
{
    if (typed_)
        interpretText();
    typed_ = false;
}

void SpinEdit::stepBy(int steps)
{
    // An arrow ends the editing first: the step goes from the typed value as
    // its change made it, with the increment that value brought.
    finishEditing();
    QSpinBox::stepBy(steps);
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const
{
    // The value of a typed text is not known until it is taken: 500 typed
    // over the maximum still steps.
    return typed_ ? StepEnabled(StepUpEnabled | StepDownEnabled) : QSpinBox::stepEnabled();
}
