// SPDX-License-Identifier: GPL-3.0-or-later
// The values of the limit spin edits as the scan reads them for every file.
// Reading a spin edit's value goes through a variant conversion; here the
// values are kept as plain numbers, updated by the spin edits' own change
// signal, so they follow every change the moment it is made (a typed number
// when the spin edit takes it, at the end of editing).
#pragma once

#include <QMetaObject>
#include <QSpinBox>

#include <array>
#include <memory>

class SpinValues {
public:
    SpinValues() = default;
    SpinValues(const SpinValues&) = delete;
    SpinValues& operator=(const SpinValues&) = delete;
    SpinValues(SpinValues&& other) noexcept = default;
    SpinValues& operator=(SpinValues&& other) noexcept
    {
        if (this != &other) {
            Forget();
            followed_ = std::move(other.followed_);
        }
        return *this;
    }
    ~SpinValues() { Forget(); }

    // Follows these spin edits from now on (any of them may be missing).
    void Watch(QSpinBox* age, QSpinBox* larger, QSpinBox* smaller);
    void Forget();

    // The value of spin, which need not be a followed one.
    int Value(const QSpinBox* spin) const
    {
        if (followed_)
            for (const Followed& followed : *followed_)
                if (followed.address == spin)
                    return followed.value;
        return spin->value();
    }

private:
    // The connections write here; the slots stay where they are when the
    // object moves.
    struct Followed {
        const QSpinBox* address = nullptr;  // cleared when the spin edit goes
        int value = 0;
        QMetaObject::Connection changed;
        QMetaObject::Connection destroyed;
    };
    std::unique_ptr<std::array<Followed, 3>> followed_;
};
