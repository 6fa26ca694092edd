#include <gtest/gtest.h>

#include "app/application.h"

// The message hook lives in the application object, so these suites run under
// the program's own application class rather than a plain QApplication.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
