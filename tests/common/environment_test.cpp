#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// Every variable of the tests' environment reaches a test program, with the build's values.
TEST(TestEnvironment, EveryVariableReachesTheTests) {
    auto value = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::string(v) : std::string("(unset)");
    };
    EXPECT_EQ(value("QT_QPA_PLATFORM"), "offscreen");
    EXPECT_EQ(value("VOQ_SOURCE_DIR"), VOQ_SOURCE_DIR_EXPECTED);
    EXPECT_EQ(value("VOQ_BINARY_DIR"), VOQ_BINARY_DIR_EXPECTED);
}
