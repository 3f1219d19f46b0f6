#include <gtest/gtest.h>

#include "db/Error.h"
#include "tsql/Parser.h"

using namespace tsql;

TEST(Parser, Smoke) {
    Parser p(QStringLiteral("select 1"));
    auto b = p.parseBatch();
    EXPECT_EQ(b.size(), 1u);
}
