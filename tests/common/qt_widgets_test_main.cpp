// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry for the suites that drive windows: a widgets application,
// always headless, whatever the caller's display.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
