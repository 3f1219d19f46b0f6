#include <gtest/gtest.h>

#include "tests/tsql/TsqlFixture.h"
#include "tsql/Parser.h"
#include "tsql/Walker.h"

namespace {

// Whether one walk from the statement's select reaches the variable @x.
bool reachesX(const QString& select) {
    tsql::Parser parser(select);
    const tsql::StmtList statements = parser.parseBatch();
    const auto& statement = static_cast<const tsql::SelectStmt&>(*statements.at(0));
    return tsql::walk(
        *statement.select,
        {[](const tsql::Expr& x) { return x.kind == tsql::Expr::Variable && x.text == u"@x"; },
         {}});
}

}  // namespace

TEST(Walker, ReachesEveryPlaceAnExpressionCanStand) {
    const char* const places[] = {
        "1 + 2 * (3 - @x)",
        "case when 1 = 1 then 2 else @x end",
        "case @x when 1 then 2 end",
        "coalesce(1, @x)",
        "cast(@x as int)",
        "case when 1 between 0 and @x then 1 end",
        "case when 'a' like @x then 1 end",
        "case when 1 in (2, @x) then 1 end",
        "(select @x)",
        "case when 1 in (select a from T where b = @x) then 1 end",
        "case when exists (select 1 from T group by a having count(*) > @x) then 1 end",
        "(select top (@x) a from T)",
        "(select a from T order by @x)",
        "(select a from T group by @x)",
        "(select d.c from (select @x c) d)",
        "(select 1 from T join U on U.a = T.a + @x)",
        "(select 1 from T where a = 1 union select @x)",
        "sum(1) over (partition by @x)",
        "sum(1) over (order by @x)",
        "row_number() over (order by (select @x))",
    };
    for (const char* place : places)
        EXPECT_TRUE(reachesX(QStringLiteral("select ") + QString::fromUtf8(place))) << place;
    EXPECT_TRUE(reachesX(QStringLiteral("with C as (select @x a) select a from C")));
    EXPECT_TRUE(reachesX(QStringLiteral("select a from T order by a + @x")));
    EXPECT_FALSE(reachesX(QStringLiteral("select (select a from T where b = @y) + @z")));
}

TEST(Walker, ALongChainOfOperatorsCostsNoCallDepth) {
    // Built by hand: the parser limits the nesting it accepts.
    tsql::ExprPtr e = std::make_unique<tsql::Expr>(tsql::Expr::Variable);
    e->text = QStringLiteral("@x");
    for (int k = 0; k < 200000; ++k) {
        auto sum = std::make_unique<tsql::Expr>(tsql::Expr::Binary);
        sum->op = QStringLiteral("+");
        sum->a = std::move(e);
        sum->b = std::make_unique<tsql::Expr>(tsql::Expr::Literal);
        e = std::move(sum);
    }
    int visited = 0;
    EXPECT_FALSE(tsql::walk(*e, {[&](const tsql::Expr&) { return ++visited < 0; }, {}}));
    EXPECT_EQ(visited, 400001);
}

class WalkedQueryTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(
            QStringLiteral("create table T (Id int, Name varchar(10)) "
                           "insert into T values (1, 'a'), (2, 'b'), (3, 'c')"));
    }
};

// SQL Server assigns row by row; the translation assigns from the last row. A variable that feeds
// itself through a sub-select would give the last name alone, so it is refused like @s = @s + x.
TEST_F(WalkedQueryTest, AnAssignmentThatFeedsItselfThroughASubSelectIsRefused) {
    QString message;
    EXPECT_NE(errorOf(QStringLiteral("declare @s varchar(50) set @s = '' "
                                     "select @s = (select @s) + Name from T select @s"),
                      &message),
              0);
    EXPECT_TRUE(message.contains(QStringLiteral("accumulates"))) << message.toStdString();
    // One row: nothing to accumulate.
    EXPECT_EQ(
        scalar(QStringLiteral("declare @s varchar(50) set @s = 'x' "
                              "select @s = (select @s) + Name from T where Id = 2 select @s")),
        QStringLiteral("xb"));
}

TEST_F(WalkedQueryTest, ACommonTableThatNamesItselfInASubQueryIsRecursive) {
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("with C (n) as (select Id from T where exists "
                                     "(select 1 from C)) select n from C"),
                      &message),
              252);
    EXPECT_TRUE(message.contains(QStringLiteral("top-level UNION ALL"))) << message.toStdString();
}
