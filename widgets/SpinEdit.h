// SPDX-License-Identifier: GPL-3.0-or-later
// A numeric spin edit that lets a typed number beyond its maximum stand in the
// edit, so that whoever follows the text can bring it back into range: a plain
// QSpinBox refuses the keystroke instead, and typing 5000 into a box that ends
// at 1000 would leave 500.
#pragma once

#include <QSpinBox>

class SpinEdit : public QSpinBox {
    Q_OBJECT

public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString& text, int& pos) const override;
};
