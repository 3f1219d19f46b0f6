#include <gtest/gtest.h>

#include "ui/Application.h"

// Widget tests need one application object for the whole run.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    ui::Application app(argc, argv);
    return RUN_ALL_TESTS();
}
