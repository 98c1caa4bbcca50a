// SPDX-License-Identifier: GPL-3.0-or-later
// The limit values the scan reads: they follow every change of the spin
// edits the job watches, and any other spin edit is read directly.
#include "app/SpinValues.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<QSpinBox> Spin(int value)
{
    auto spin = std::make_unique<QSpinBox>();
    spin->setRange(1, 1000000);
    spin->setValue(value);
    return spin;
}

TEST(SpinValuesTest, FollowsChangesOfTheWatchedSpinEdits)
{
    auto age = Spin(14), larger = Spin(10), smaller = Spin(1000);
    SpinValues values;
    values.Watch(age.get(), larger.get(), smaller.get());
    EXPECT_EQ(14, values.Value(age.get()));
    EXPECT_EQ(10, values.Value(larger.get()));
    EXPECT_EQ(1000, values.Value(smaller.get()));

    age->setValue(30);
    larger->stepBy(5);  // as the arrow keys do
    smaller->setValue(0);  // kept at the minimum by the spin edit
    EXPECT_EQ(30, values.Value(age.get()));
    EXPECT_EQ(15, values.Value(larger.get()));
    EXPECT_EQ(1, values.Value(smaller.get()));
}

TEST(SpinValuesTest, OtherAndReplacedSpinEditsAreReadDirectly)
{
    auto age = Spin(14);
    auto other = Spin(77);
    SpinValues values;
    values.Watch(age.get(), nullptr, nullptr);
    EXPECT_EQ(77, values.Value(other.get()));

    age.reset();  // a spin edit that goes is no longer followed
    auto replacement = Spin(5);
    EXPECT_EQ(5, values.Value(replacement.get()));
    replacement->setValue(6);
    EXPECT_EQ(6, values.Value(replacement.get()));
}

TEST(SpinValuesTest, MovedValuesKeepFollowingAndForgottenOnesStop)
{
    auto age = Spin(14);
    SpinValues first;
    first.Watch(age.get(), nullptr, nullptr);
    SpinValues second = std::move(first);
    age->setValue(20);
    EXPECT_EQ(20, second.Value(age.get()));

    second.Watch(nullptr, nullptr, nullptr);  // a new job without that spin edit
    age->setValue(25);
    EXPECT_EQ(25, second.Value(age.get()));  // read directly, not a stale copy
}

} // namespace
