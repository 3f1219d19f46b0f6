// Column and parameter names compared with letter case ignored.
#include <gtest/gtest.h>

#include "dbcore/Types.h"

namespace {

using namespace Qt::Literals::StringLiterals;

TEST(SameName, AsciiLettersMatchInEitherCase) {
    EXPECT_TRUE(db::sameName(u"StockUnitFrac"_s, "stockunitfrac"_L1));
    EXPECT_TRUE(db::sameName(u"pid"_s, u"PID"_s));
    EXPECT_TRUE(db::sameName(u"Get_Id2"_s, "GET_ID2"_L1));
    EXPECT_FALSE(db::sameName(u"GetId"_s, "GetIds"_L1));
    EXPECT_FALSE(db::sameName(u"GetIdA"_s, "GetIdB"_L1));
}

TEST(SameName, OnlyLettersFoldBetweenCases) {
    // '@', '[' and '^' lie 0x20 below '`', '{' and '~': they are other characters, not other cases.
    EXPECT_FALSE(db::sameName(u"a@b"_s, "a`b"_L1));
    EXPECT_FALSE(db::sameName(u"x[1]"_s, "x{1}"_L1));
    EXPECT_FALSE(db::sameName(u"a^"_s, u"a~"_s));
    EXPECT_FALSE(db::sameName(u"Code1"_s, "Code\x11"_L1));
}

TEST(SameName, OtherScriptsFoldAsUnicodeDoes) {
    EXPECT_TRUE(db::sameName(u"รหัสสินค้า"_s, u"รหัสสินค้า"_s));
    EXPECT_FALSE(db::sameName(u"รหัสสินค้า"_s, u"รหัสสินคา"_s));
    EXPECT_TRUE(db::sameName(u"Größe"_s, u"GRÖßE"_s));
    EXPECT_TRUE(db::sameName(u"größe"_s, QLatin1StringView("GR\xD6\xDF" "E")));
    EXPECT_FALSE(db::sameName(u"Größe"_s, u"Grosse"_s));
    // The Kelvin sign folds to k: a non-ASCII character may match an ASCII one.
    EXPECT_TRUE(db::sameName(u"\u212Aey"_s, "key"_L1));
}

}  // namespace
