#include "app/SpinValues.h"

void SpinValues::Watch(QSpinBox* age, QSpinBox* larger, QSpinBox* smaller)
{
    Forget();
    QSpinBox* spins[] = {age, larger, smaller};
    for (int i = 0; i < 3; ++i) {
        Followed& followed = followed_[i];
        followed.spin = spins[i];
        followed.address = spins[i];
        if (!spins[i])
            continue;
        followed.value = std::make_shared<int>(spins[i]->value());
        // The value is shared with the connection, which the spin edit ends
        // when it goes.
        followed.connection = QObject::connect(spins[i], &QSpinBox::valueChanged, spins[i],
                                               [value = followed.value](int changed) { *value = changed; });
    }
}

void SpinValues::Forget()
{
    for (Followed& followed : followed_) {
        QObject::disconnect(followed.connection);
        followed = Followed{};
    }
}
