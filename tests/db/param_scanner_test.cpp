#include <gtest/gtest.h>

#include "db/ParamScanner.h"

using db::scanParams;

TEST(ParamScanner, ReplacesEachOccurrenceAndListsNamesOnce) {
    const auto s = scanParams("select * from T\nwhere A = :Code\n  and B = :code or C = :CODE");
    EXPECT_EQ(s.text, "select * from T\nwhere A = ?\n  and B = ? or C = ?");
    EXPECT_EQ(s.occurrences, QStringList({"Code", "code", "CODE"}));
    EXPECT_EQ(s.names, QStringList({"Code"}));
}

TEST(ParamScanner, IgnoresColonsInsideQuotedStretches) {
    const auto s = scanParams("select ':a', \"x:b\" from T where c = :c and d = 'it''s :e'");
    EXPECT_EQ(s.text, "select ':a', \"x:b\" from T where c = ? and d = 'it''s :e'");
    EXPECT_EQ(s.names, QStringList({"c"}));
}

TEST(ParamScanner, DoubleColonIsOneLiteralColon) {
    const auto s = scanParams("select ::fn(1), :x::y");
    EXPECT_EQ(s.text, "select :fn(1), ?");
    // The name runs to the next delimiter, so "x::y" is one name; "::" only escapes at a start.
    EXPECT_EQ(s.names, QStringList({"x::y"}));
}

TEST(ParamScanner, NameEndsAtDelimiters) {
    const auto s = scanParams("exec P :a,:b; insert into T values (:c)\r\n:d");
    EXPECT_EQ(s.text, "exec P ?,?; insert into T values (?)\r\n?");
    EXPECT_EQ(s.names, QStringList({"a", "b", "c", "d"}));
}

TEST(ParamScanner, NameAtEndOfText) {
    const auto s = scanParams("Exec Calculate_AP :YearNo");
    EXPECT_EQ(s.text, "Exec Calculate_AP ?");
    EXPECT_EQ(s.names, QStringList({"YearNo"}));
}

TEST(ParamScanner, QuotedNameLosesItsQuotes) {
    const auto s = scanParams("select :\"my name\" , :'x y')");
    EXPECT_EQ(s.text, "select ? , ?)");
    EXPECT_EQ(s.names, QStringList({"my name", "x y"}));
}

TEST(ParamScanner, LoneColonStaysText) {
    const auto s = scanParams("select 1 : 2");
    EXPECT_EQ(s.text, "select 1 : 2");
    EXPECT_TRUE(s.names.isEmpty());
}

TEST(ParamScanner, UnclosedQuoteSwallowsTheRest) {
    const auto s = scanParams("select 'abc :x");
    EXPECT_EQ(s.text, "select 'abc :x");
    EXPECT_TRUE(s.names.isEmpty());
}
