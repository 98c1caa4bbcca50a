// SPDX-License-Identifier: GPL-3.0-or-later
// A numeric spin edit that takes its typed text as a value only when editing
// ends (Enter, Tab, the focus leaving, an arrow button or key). While the user
// types, the text may be empty or hold any number, beyond the range too: a
// plain QSpinBox would refuse 5000 in a box that ends at 1000, and whoever
// corrected each keystroke would add the next digit to the correction.
#pragma once

#include <QSpinBox>

class SpinEdit : public QSpinBox {
    Q_OBJECT

public:
    explicit SpinEdit(QWidget* parent = nullptr);

    // Takes the typed text as the value now, as the end of editing does.
    void finishEditing();

    // What a finished text becomes: a number within the range stays, one below
    // the minimum or not a number gives the minimum, one above the maximum
    // gives the maximum.
    static int ValueOfText(const QString& text, int minimum, int maximum);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& input) const override;
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;

private:
    bool typed_ = false;  // the text was typed since the value last changed
};
