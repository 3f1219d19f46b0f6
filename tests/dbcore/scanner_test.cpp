#include <gtest/gtest.h>

#include "dbcore/TsqlScanner.h"

using db::Stretch;

namespace {

// The position after the stretch that opens at `at`, -1 when the text ends inside it.
qsizetype endOf(const QString& text, qsizetype at) {
    const Stretch s = db::stretchAt(text, at);
    int depth = 1;
    return db::stretchEnd(text, at + db::openingLength(s), s, depth);
}

}  // namespace

TEST(TsqlScanner, KnowsWhereEachStretchOpens) {
    const QString text = QStringLiteral("a'b\"c[d--e/*f-/");
    EXPECT_EQ(db::stretchAt(text, 0), Stretch::None);
    EXPECT_EQ(db::stretchAt(text, 1), Stretch::String);
    EXPECT_EQ(db::stretchAt(text, 3), Stretch::QuotedName);
    EXPECT_EQ(db::stretchAt(text, 5), Stretch::BracketName);
    EXPECT_EQ(db::stretchAt(text, 7), Stretch::LineComment);
    EXPECT_EQ(db::stretchAt(text, 10), Stretch::BlockComment);
    EXPECT_EQ(db::stretchAt(text, 13), Stretch::None);  // '-' before '/'
    EXPECT_EQ(db::stretchAt(text, 14), Stretch::None);  // '/' at the end
}

TEST(TsqlScanner, DoubledClosingMarksStayInside) {
    EXPECT_EQ(endOf(QStringLiteral("'it''s' x"), 0), 7);
    EXPECT_EQ(endOf(QStringLiteral("[a]]b] x"), 0), 6);
    EXPECT_EQ(endOf(QStringLiteral("\"a\"\"b\" x"), 0), 6);
    EXPECT_EQ(endOf(QStringLiteral("'it''"), 0), -1);
    // A bracket name ends at ']' only; quotes inside it are text.
    EXPECT_EQ(endOf(QStringLiteral("[a'b] x"), 0), 5);
    EXPECT_EQ(db::unquoted(u"it''s", u'\''), QStringLiteral("it's"));
    EXPECT_EQ(db::unquoted(u"a]]]]b", u']'), QStringLiteral("a]]b"));
}

TEST(TsqlScanner, CommentsNestAndLineCommentsEndAtTheLineFeed) {
    EXPECT_EQ(endOf(QStringLiteral("/* a /* b */ c */ d"), 0), 17);
    EXPECT_EQ(endOf(QStringLiteral("/* a /* b */ c"), 0), -1);
    EXPECT_EQ(endOf(QStringLiteral("/*/ x */"), 0), 8);
    EXPECT_EQ(endOf(QStringLiteral("-- a 'b\nc"), 0), 7);
    EXPECT_EQ(endOf(QStringLiteral("-- a"), 0), 4);
}

TEST(TsqlScanner, AScanGoesOnInTheNextPiece) {
    int depth = 1;
    EXPECT_EQ(db::stretchEnd(u"/* a /* b", 2, Stretch::BlockComment, depth), -1);
    EXPECT_EQ(depth, 2);
    EXPECT_EQ(db::stretchEnd(u"c */ d", 0, Stretch::BlockComment, depth), -1);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(db::stretchEnd(u"e */ f", 0, Stretch::BlockComment, depth), 4);
    EXPECT_EQ(db::stretchEnd(u"text' rest", 0, Stretch::String, depth), 5);
}

TEST(TsqlScanner, GoLines) {
    EXPECT_EQ(db::goLine(u"  go  ")->repeat, 1);
    EXPECT_EQ(db::goLine(u"GO 3 -- three times")->repeat, 3);
    EXPECT_EQ(db::goLine(u"GO--done")->repeat, 1);
    EXPECT_FALSE(db::goLine(u"GOTO x"));
    EXPECT_FALSE(db::goLine(u"GO;"));
    EXPECT_FALSE(db::goLine(u"select 1 GO"));
    const std::optional<db::GoLine> bad = db::goLine(u"GO x");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->repeat, 0);
    EXPECT_EQ(bad->count, QStringLiteral("x"));
    EXPECT_EQ(db::goLine(u"GO 0")->repeat, 0);
}
