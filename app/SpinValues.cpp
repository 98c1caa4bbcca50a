// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SpinValues.h"

void SpinValues::Watch(QSpinBox* age, QSpinBox* larger, QSpinBox* smaller)
{
    Forget();
    followed_ = std::make_unique<std::array<Followed, 3>>();
    QSpinBox* spins[] = {age, larger, smaller};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!spins[i])
            continue;
        Followed* followed = &(*followed_)[i];
        followed->address = spins[i];
        followed->value = spins[i]->value();
        followed->changed = QObject::connect(spins[i], &QSpinBox::valueChanged, spins[i],
                                             [followed](int changed) { followed->value = changed; });
        // Another spin edit made later at the same address is not this one.
        followed->destroyed =
            QObject::connect(spins[i], &QObject::destroyed, [followed] { followed->address = nullptr; });
    }
}

void SpinValues::Forget()
{
    if (!followed_)
        return;
    for (Followed& followed : *followed_) {
        QObject::disconnect(followed.changed);
        QObject::disconnect(followed.destroyed);
    }
    followed_.reset();
}
