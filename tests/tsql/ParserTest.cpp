// Lexer and parser: the token forms of T-SQL and the shape of the statements they make.
#include <gtest/gtest.h>

#include "dbcore/Error.h"
#include "tsql/Lexer.h"
#include "tsql/Parser.h"

using namespace tsql;

namespace {

int errorNumber(const QString& sql) {
    try {
        Parser(sql).parseBatch();
    } catch (const db::Error& e) {
        return e.nativeError();
    }
    return 0;
}

}  // namespace

TEST(Lexer, NamesStringsNumbersAndVariables) {
    auto t =
        tokenize(QStringLiteral("[Order Details] \"Q\"\"x\" N'ไทย' 'it''s' 12 1.50 2e3 @v "
                                "@@ROWCOUNT ? ? -- c\n /* a /* b */ */ x"));
    ASSERT_EQ(t.size(), 13u);
    EXPECT_EQ(t[0].kind, TokenKind::QuotedName);
    EXPECT_EQ(t[0].text, QStringLiteral("Order Details"));
    EXPECT_EQ(t[1].text, QStringLiteral("Q\"x"));
    EXPECT_EQ(t[2].kind, TokenKind::String);
    EXPECT_TRUE(t[2].national);
    EXPECT_EQ(t[2].text, QStringLiteral("ไทย"));
    EXPECT_EQ(t[3].text, QStringLiteral("it's"));
    EXPECT_EQ(t[4].kind, TokenKind::Integer);
    EXPECT_EQ(t[5].kind, TokenKind::Decimal);
    EXPECT_EQ(t[6].kind, TokenKind::Float);
    EXPECT_EQ(t[7].kind, TokenKind::Variable);
    EXPECT_EQ(t[8].kind, TokenKind::Global);
    EXPECT_EQ(t[9].paramIndex, 0);
    EXPECT_EQ(t[10].paramIndex, 1);
    EXPECT_EQ(t[11].text, QStringLiteral("x"));  // nested comment skipped whole
    EXPECT_EQ(t[12].kind, TokenKind::End);
}

TEST(Lexer, UnclosedTextIsAnError) {
    EXPECT_EQ(errorNumber(QStringLiteral("select 'abc")), 105);
    EXPECT_EQ(errorNumber(QStringLiteral("select [abc")), 105);
    EXPECT_EQ(errorNumber(QStringLiteral("select 1 /* open")), 113);
}

TEST(Parser, StatementsWithoutSeparatorsSplitAtKeywords) {
    StmtList b =
        Parser(QStringLiteral(
                   "Declare @a Int\nSet @a = 1 Select @a ChkDigit If @a <> 0 Set @a = 2 Else "
                   "Set @a = 3 Print 'x'; Exec P 1, @x = 2, @y OUTPUT"))
            .parseBatch();
    ASSERT_EQ(b.size(), 6u);
    EXPECT_EQ(b[0]->kind, Stmt::Declare);
    EXPECT_EQ(b[1]->kind, Stmt::SetVar);
    ASSERT_EQ(b[2]->kind, Stmt::SelectStmt);
    EXPECT_EQ(static_cast<SelectStmt&>(*b[2]).select->cores[0].items[0].alias,
              QStringLiteral("ChkDigit"));
    ASSERT_EQ(b[3]->kind, Stmt::If);
    EXPECT_NE(static_cast<IfStmt&>(*b[3]).otherwise, nullptr);
    EXPECT_EQ(b[4]->kind, Stmt::Print);
    ASSERT_EQ(b[5]->kind, Stmt::Exec);
    const auto& e = static_cast<ExecStmt&>(*b[5]);
    ASSERT_EQ(e.args.size(), 3u);
    EXPECT_TRUE(e.args[0].name.isEmpty());
    EXPECT_EQ(e.args[1].name, QStringLiteral("@x"));
    EXPECT_TRUE(e.args[2].output);
}

TEST(Parser, SelectItemFormsAndClauses) {
    StmtList b =
        Parser(
            QStringLiteral(
                "select distinct top (5) A = x.a, b AS 'B c', c d, x.*, count(*) "
                "from T x left outer join U on U.k = x.k, (select 1 one) D "
                "where x.a like 'a[bc]%' and x.b not between 1 and 2 "
                "group by x.a having count(*) > 1 union all select 1, 2, 3, 4, 5 order by 1 desc"))
            .parseBatch();
    ASSERT_EQ(b.size(), 1u);
    const Select& s = *static_cast<SelectStmt&>(*b[0]).select;
    ASSERT_EQ(s.cores.size(), 2u);
    EXPECT_EQ(s.combine[0], Select::UnionAll);
    const SelectCore& c = s.cores[0];
    EXPECT_TRUE(c.distinct);
    ASSERT_NE(c.top, nullptr);
    ASSERT_EQ(c.items.size(), 5u);
    EXPECT_EQ(c.items[0].alias, QStringLiteral("A"));
    EXPECT_EQ(c.items[1].alias, QStringLiteral("B c"));
    EXPECT_EQ(c.items[2].alias, QStringLiteral("d"));
    EXPECT_EQ(c.items[3].expr->kind, Expr::Star);
    EXPECT_TRUE(c.items[4].expr->star);
    ASSERT_EQ(c.from.size(), 2u);
    EXPECT_EQ(c.from[0]->kind, TableRef::Join);
    EXPECT_EQ(c.from[0]->joinType, TableRef::Left);
    EXPECT_EQ(c.from[1]->kind, TableRef::Derived);
    EXPECT_EQ(s.orderBy.size(), 1u);
    EXPECT_TRUE(s.orderBy[0].descending);
}

TEST(Parser, ProcedureDefinitionKeepsItsText) {
    const QString text = QStringLiteral(
        "CREATE PROCEDURE dbo.NewDocumentNo @DocCode varchar(20), @DocYear int = 0, "
        "@NewNo varchar(30) OUTPUT AS\nBEGIN\n  SET NOCOUNT ON\n  RETURN 0\nEND");
    StmtList b = Parser(text).parseBatch();
    ASSERT_EQ(b.size(), 1u);
    const auto& p = static_cast<CreateProcedureStmt&>(*b[0]);
    EXPECT_EQ(p.name.name, QStringLiteral("NewDocumentNo"));
    ASSERT_EQ(p.params.size(), 3u);
    EXPECT_EQ(p.params[0].type.base, SqlType::VarChar);
    EXPECT_EQ(p.params[0].type.length, 20);
    EXPECT_NE(p.params[1].defaultValue, nullptr);
    EXPECT_TRUE(p.params[2].output);
    EXPECT_EQ(p.body.size(), 1u);
    EXPECT_EQ(p.source, text);
}

TEST(Parser, SchemaStatements) {
    StmtList b =
        Parser(QStringLiteral(
                   "create table dbo.T (Id IdNo identity(1,1) not null, C varchar(10) null "
                   "default 'x', constraint PK_T primary key nonclustered (Id)) on [PRIMARY]\n"
                   "alter table T add A int null, B CharFlag, constraint UQ_T unique (C)\n"
                   "create unique clustered index IxT on T (C desc, A)\n"
                   "drop index T.IxT\n"
                   "create type CharFlag from char(1) not null"))
            .parseBatch();
    ASSERT_EQ(b.size(), 5u);
    const auto& t = static_cast<CreateTableStmt&>(*b[0]);
    ASSERT_EQ(t.columns.size(), 2u);
    EXPECT_EQ(t.columns[0].aliasType, QStringLiteral("IdNo"));
    EXPECT_TRUE(t.columns[0].identity);
    EXPECT_FALSE(*t.columns[0].nullable);
    ASSERT_EQ(t.constraints.size(), 1u);
    EXPECT_FALSE(t.constraints[0].clustered);
    const auto& a = static_cast<AlterTableStmt&>(*b[1]);
    EXPECT_EQ(a.columns.size(), 2u);
    EXPECT_EQ(a.constraints.size(), 1u);
    const auto& i = static_cast<CreateIndexStmt&>(*b[2]);
    EXPECT_TRUE(i.unique);
    EXPECT_TRUE(i.columns[0].second);
    const auto& d = static_cast<DropStmt&>(*b[3]);
    EXPECT_EQ(d.names[0].schema, QStringLiteral("T"));
    EXPECT_EQ(d.names[0].name, QStringLiteral("IxT"));
    EXPECT_FALSE(static_cast<CreateTypeStmt&>(*b[4]).nullable);
}

TEST(Parser, SyntaxErrorsAndUnsupportedConstructsAreNamed) {
    // A reserved keyword is named as one (156); anything else, a bracketed keyword among them, is
    // 102, and so is the last word of a text that ended early.
    EXPECT_EQ(errorNumber(QStringLiteral("select * from")), 102);
    EXPECT_EQ(errorNumber(QStringLiteral("if 1 = 1")), 102);
    EXPECT_EQ(errorNumber(QStringLiteral("begin select 1")), 102);
    EXPECT_EQ(errorNumber(QStringLiteral("select a from t where")), 102);
    EXPECT_EQ(errorNumber(QStringLiteral("select a from t where a = [order]")), 0);
    EXPECT_EQ(errorNumber(QStringLiteral("select a from t where a = [order] +")), 102);
    EXPECT_EQ(errorNumber(QStringLiteral("insert into t values (1) values")), 156);
    try {
        Parser(QStringLiteral("dbcc checkident ('t')")).parseBatch();
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("DBCC"))) << e.message().toStdString();
    }
    try {
        Parser(QStringLiteral("merge into t using u on 1 = 1 when not matched then insert "
                              "default values;"))
            .parseBatch();
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("DEFAULT VALUES")))
            << e.message().toStdString();
    }
}

// Each grouping set reads the core again: one core for each, joined by UNION ALL, the grouping
// expressions outside the set NULL and GROUPING() a constant.
TEST(Parser, GroupingSetsBecomeOneCoreEach) {
    const StmtList rollup = Parser(QStringLiteral("select a, b, sum(b) s, grouping(b) g from t "
                                                  "group by rollup (a, b)"))
                                .parseBatch();
    const Select& s = *static_cast<const SelectStmt&>(*rollup[0]).select;
    ASSERT_EQ(s.cores.size(), 3u);
    EXPECT_EQ(s.combine, (std::vector<Select::Combine>{Select::UnionAll, Select::UnionAll}));
    EXPECT_EQ(s.cores[0].groupBy.size(), 2u);
    EXPECT_EQ(s.cores[1].groupBy.size(), 1u);
    EXPECT_TRUE(s.cores[2].groupBy.empty());
    const SelectCore& subtotal = s.cores[1];
    EXPECT_EQ(subtotal.items[1].expr->kind, Expr::Literal) << "b is grouped away";
    EXPECT_EQ(subtotal.items[1].alias, QStringLiteral("b")) << "and keeps its name";
    EXPECT_EQ(subtotal.items[2].expr->args[0]->kind, Expr::Column) << "but not inside SUM";
    EXPECT_EQ(subtotal.items[3].expr->text, QStringLiteral("1"));

    // A grouped expression is matched as written: a cast to another type is another expression.
    const StmtList casts = Parser(QStringLiteral("select cast(a as int) i, cast(a as varchar(5)) v "
                                                 "from t group by rollup (cast(a as int))"))
                               .parseBatch();
    const SelectCore& total = static_cast<const SelectStmt&>(*casts[0]).select->cores[1];
    EXPECT_EQ(total.items[0].expr->kind, Expr::Literal);
    EXPECT_EQ(total.items[1].expr->kind, Expr::Cast);

    const auto cores = [](const char* sql) {
        const StmtList l = Parser(QString::fromLatin1(sql)).parseBatch();
        return static_cast<const SelectStmt&>(*l[0]).select->cores.size();
    };
    EXPECT_EQ(cores("select a from t group by cube (a, b)"), 4u);
    EXPECT_EQ(cores("select a from t group by grouping sets ((a, b), a, ())"), 3u);
    EXPECT_EQ(cores("select a from t group by a, rollup (b, c)"), 3u);
    EXPECT_EQ(cores("select a from t group by a, b with cube"), 4u);
    EXPECT_EQ(cores("select a from t group by (a)"), 1u);
    EXPECT_EQ(cores("select a from t group by grouping sets ((select 1, 2))"), 1u);

    EXPECT_EQ(errorNumber(QStringLiteral("select top 1 a from t group by rollup (a)")), 40000);
    EXPECT_EQ(errorNumber(QStringLiteral("select a from t group by rollup (a) union select 1")),
              40000);
    EXPECT_EQ(errorNumber(QStringLiteral("select 1 union select a from t group by cube (a)")),
              40000);
    EXPECT_EQ(errorNumber(QStringLiteral("select a, rank() over (order by a) from t "
                                         "group by rollup (a)")),
              40000);
    EXPECT_EQ(errorNumber(QStringLiteral("select grouping(a, b) from t group by rollup (a, b)")),
              174);
    EXPECT_NE(errorNumber(QStringLiteral("select a from t group by rollup (a) with rollup")), 0);
}

// PIVOT and UNPIVOT read as a derived table over what stands before them, under their alias: a
// star of the source's other columns, the pivot's GROUP BY, UNPIVOT's filter of NULLs.
TEST(Parser, PivotAndUnpivotAreDerivedTablesOverTheirSource) {
    const auto from = [](const char* sql) {
        const StmtList l = Parser(QString::fromLatin1(sql)).parseBatch();
        const TableRef& t = *static_cast<const SelectStmt&>(*l[0]).select->cores[0].from[0];
        EXPECT_EQ(t.kind, TableRef::Derived);
        return std::make_pair(t.alias, std::move(static_cast<SelectStmt&>(*l[0]).select));
    };
    const auto [pivotAlias, pivot] =
        from("select * from t pivot (sum(v) for c in ([x], [2024])) as p");
    EXPECT_EQ(pivotAlias, QStringLiteral("p"));
    const SelectCore& grouped = pivot->cores[0].from[0]->derived->cores[0];
    ASSERT_EQ(grouped.items.size(), 3u);
    EXPECT_EQ(grouped.items[0].expr->omitted, (QStringList{"v", "c"}));
    EXPECT_EQ(grouped.items[2].alias, QStringLiteral("2024"));
    EXPECT_EQ(grouped.items[2].expr->text, QStringLiteral("sum"));
    ASSERT_EQ(grouped.groupBy.size(), 1u);
    EXPECT_EQ(grouped.groupBy[0]->kind, Expr::Star);

    const auto [joinAlias, joined] =
        from("select * from a join b on a.k = b.k pivot (max(v) for c in ([x])) q");
    EXPECT_EQ(joinAlias, QStringLiteral("q"));
    EXPECT_EQ(joined->cores[0].from[0]->derived->cores[0].from[0]->kind, TableRef::Join)
        << "the join is the pivot's source";

    const auto [unpivotAlias, unpivot] = from("select * from t unpivot (v for c in (x, y)) u");
    EXPECT_EQ(unpivotAlias, QStringLiteral("u"));
    const SelectCore& rows = unpivot->cores[0].from[0]->derived->cores[0];
    EXPECT_EQ(rows.items[0].expr->omitted, (QStringList{"x", "y"}));
    EXPECT_TRUE(rows.items[1].expr->unpivot);
    ASSERT_TRUE(rows.where);
    EXPECT_TRUE(rows.where->negated) << "NULL values are dropped";

    // The alias is required; the aggregate is an aggregate of one column; IN names columns.
    EXPECT_EQ(errorNumber(QStringLiteral("select * from t pivot (sum(v) for c in ([x]))")), 102);
    EXPECT_EQ(errorNumber(QStringLiteral("select * from t pivot (sum(v) for c in ([x])) "
                                         "order by 1")),
              156);
    EXPECT_EQ(errorNumber(QStringLiteral("select * from t pivot (abs(v) for c in ([x])) p")), 102);
    EXPECT_EQ(errorNumber(QStringLiteral("select * from t pivot (count(*) for c in ([x])) p")),
              102);
    EXPECT_EQ(errorNumber(QStringLiteral("select * from t pivot (sum(v) for c in ('x')) p")), 102);
    EXPECT_EQ(errorNumber(QStringLiteral("select * from t unpivot (v for c in (x)) u")), 0);
}
