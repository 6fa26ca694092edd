#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/application.h"

// Window suites run under the real application object (its message hook
// included), off screen, with a home directory of their own so that desktop
// shortcuts and browser profiles never touch the user's.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
