#include <gtest/gtest.h>

#include "ProgramHarness.h"

// The X server starts only when tests run, not when they are listed.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new VirtualDisplayEnvironment);
    return RUN_ALL_TESTS();
}
