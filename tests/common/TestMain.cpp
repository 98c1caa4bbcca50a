// SPDX-License-Identifier: GPL-3.0-or-later
// Entry of every test executable: Qt on the offscreen platform (set before the
// QApplication exists, so the discovery run after the build works without a
// screen too), then GoogleTest.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
