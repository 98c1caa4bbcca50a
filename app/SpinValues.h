// The values of the limit spin edits as the scan reads them for every file.
// Reading a spin edit's value goes through a variant conversion; here the
// values are kept as plain numbers, updated by the spin edits' own change
// signal, so they follow every change the moment it is made.
#pragma once

#include <QMetaObject>
#include <QPointer>
#include <QSpinBox>

#include <memory>

class SpinValues {
public:
    SpinValues() = default;
    SpinValues(const SpinValues&) = delete;
    SpinValues& operator=(const SpinValues&) = delete;
    SpinValues(SpinValues&& other) noexcept { Take(other); }
    SpinValues& operator=(SpinValues&& other) noexcept
    {
        if (this != &other) {
            Forget();
            Take(other);
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
        for (const Followed& followed : followed_)
            if (followed.address == spin && followed.spin)  // the address first: it is cheaper to test
                return *followed.value;
        return spin->value();
    }

private:
    struct Followed {
        const QSpinBox* address = nullptr;
        QPointer<QSpinBox> spin;  // cleared when the spin edit goes
        std::shared_ptr<int> value;
        QMetaObject::Connection connection;
    };
    void Take(SpinValues& other) noexcept
    {
        for (int i = 0; i < 3; ++i) {
            followed_[i] = std::move(other.followed_[i]);
            other.followed_[i] = Followed{};
        }
    }

    Followed followed_[3];
};
