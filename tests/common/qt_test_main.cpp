// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry for the suites that need a toolkit application (fonts, painting,
// image plugins). Always headless, whatever the caller's display.
#include <QGuiApplication>

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Runs write their logs to the data folder: never the tester's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
