#include <gtest/gtest.h>

#include "config/Flags.h"

TEST(Flags, OnlyExactlyCapitalYIsYes) {
    EXPECT_TRUE(config::isYes(QStringLiteral("Y")));
    for (const char* text : {"y", "N", "", "YES", "Y ", " Y"})
        EXPECT_FALSE(config::isYes(QString::fromLatin1(text))) << text;
    EXPECT_FALSE(config::isYes(db::Field("F", db::FieldType::String, QVariant())));
    EXPECT_TRUE(config::isYes(db::Field("F", db::FieldType::String, QStringLiteral("Y"))));
}
