// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry for the suites that need a toolkit application (fonts, painting,
// image plugins). Always headless, whatever the caller's display.
#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
