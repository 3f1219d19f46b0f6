// The binder: column references marked with the source and column they stand for.
#include <gtest/gtest.h>

#include "dbcore/Error.h"
#include "tsql/Binder.h"
#include "tsql/Builtins.h"
#include "tsql/Errors.h"
#include "tsql/Parser.h"

namespace {

// Tables come from the test, not from a database.
class NoSession : public tsql::Environment {
public:
    std::optional<tsql::SqlType> variableType(const QString&) const override {
        return std::nullopt;
    }
    tsql::SqlType parameterType(int) const override { return {}; }
    std::shared_ptr<const tsql::TableInfo> resolveTable(const tsql::ObjectName&) override {
        return nullptr;
    }
    tsql::SqlType resolveType(const tsql::SqlType& type, const QString&) override { return type; }
    std::shared_ptr<const tsql::CreateFunctionStmt> resolveFunction(
        const tsql::ObjectName&) override {
        return nullptr;
    }
};

tsql::TableInfo table(const QString& name, std::vector<tsql::ColumnInfo> columns) {
    tsql::TableInfo t;
    t.schema = QStringLiteral("main");
    t.name = name;
    t.columns = std::move(columns);
    return t;
}

tsql::ColumnInfo column(const QString& name, tsql::SqlType::Base type) {
    tsql::ColumnInfo c;
    c.name = name;
    c.type = tsql::SqlType::of(type);
    return c;
}

std::unique_ptr<tsql::Expr> reference(const QStringList& parts) {
    auto e = std::make_unique<tsql::Expr>(tsql::Expr::Column);
    e->parts = parts;
    return e;
}

int errorOf(const tsql::Binder& binder, const tsql::Expr& e) {
    try {
        binder.bind(e);
    } catch (const db::Error& error) {
        return error.nativeError();
    }
    return 0;
}

class BinderTest : public ::testing::Test {
protected:
    NoSession session_;
    tsql::Binder binder_{session_};
    const tsql::TableInfo product_ =
        table(QStringLiteral("Product"), {column(QStringLiteral("Id"), tsql::SqlType::Int),
                                          column(QStringLiteral("Code"), tsql::SqlType::VarChar)});
    const tsql::TableInfo tax_ =
        table(QStringLiteral("Tax"), {column(QStringLiteral("Id"), tsql::SqlType::Int),
                                      column(QStringLiteral("Rate"), tsql::SqlType::Float)});
};

}  // namespace

TEST_F(BinderTest, AReferenceIsMarkedWithItsSourceColumnAndType) {
    binder_.push();
    binder_.addTable(QStringLiteral("P"), &product_);
    binder_.addTable(QStringLiteral("T"), &tax_);
    auto code = reference({QStringLiteral("code")});
    binder_.bind(*code);
    EXPECT_EQ(code->binding.source, QStringLiteral("P"));
    EXPECT_EQ(code->binding.column, QStringLiteral("Code"));  // as the table spells it
    EXPECT_EQ(code->binding.type.base, tsql::SqlType::VarChar);
    auto rate = reference(
        {QStringLiteral("Db"), QStringLiteral("dbo"), QStringLiteral("t"), QStringLiteral("RATE")});
    binder_.bind(*rate);
    EXPECT_EQ(rate->binding.source, QStringLiteral("T"));
    EXPECT_EQ(rate->binding.column, QStringLiteral("Rate"));
    EXPECT_EQ(rate->binding.type.base, tsql::SqlType::Float);
}

TEST_F(BinderTest, InnerLevelsComeFirstAndOuterOnesStayVisible) {
    binder_.push();
    binder_.addTable(QStringLiteral("P"), &product_);
    binder_.push();
    binder_.addTable(QStringLiteral("T"), &tax_);
    auto id = reference({QStringLiteral("Id")});
    binder_.bind(*id);
    EXPECT_EQ(id->binding.source, QStringLiteral("T"));
    auto code = reference({QStringLiteral("Code")});
    binder_.bind(*code);
    EXPECT_EQ(code->binding.source, QStringLiteral("P"));
    binder_.pop();
    binder_.bind(*id);
    EXPECT_EQ(id->binding.source, QStringLiteral("P"));
}

TEST_F(BinderTest, UnresolvedReferencesRaiseSqlServersErrors) {
    binder_.push();
    binder_.addTable(QStringLiteral("P"), &product_);
    binder_.addTable(QStringLiteral("T"), &tax_);
    EXPECT_EQ(errorOf(binder_, *reference({QStringLiteral("Id")})), 209);
    EXPECT_EQ(errorOf(binder_, *reference({QStringLiteral("Price")})), 207);
    EXPECT_EQ(errorOf(binder_, *reference({QStringLiteral("P"), QStringLiteral("Rate")})), 207);
    EXPECT_EQ(errorOf(binder_, *reference({QStringLiteral("W"), QStringLiteral("Id")})), 4104);
    try {
        binder_.addTable(QStringLiteral("p"), &tax_);
        ADD_FAILURE() << "a second source named p";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 1013);
    }
}

TEST_F(BinderTest, StarListsTheColumnsOfItsSourcesInOrder) {
    binder_.push();
    binder_.addTable(QStringLiteral("P"), &product_);
    binder_.addTable(QStringLiteral("T"), &tax_);
    const std::vector<tsql::ColumnBinding> all = binder_.star({});
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[1].source + u'.' + all[1].column, QStringLiteral("P.Code"));
    EXPECT_EQ(all[3].source + u'.' + all[3].column, QStringLiteral("T.Rate"));
    const std::vector<tsql::ColumnBinding> tax = binder_.star({QStringLiteral("t")});
    ASSERT_EQ(tax.size(), 2u);
    EXPECT_EQ(tax[0].type.base, tsql::SqlType::Int);
    binder_.pop();
    try {
        binder_.star({});
        ADD_FAILURE() << "a star without sources";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 263);
    }
}

namespace {

// The tables Product and Tax, and one variable @n of type int.
class TwoTables : public NoSession {
public:
    TwoTables() {
        tables_.push_back(std::make_shared<tsql::TableInfo>(table(
            QStringLiteral("Product"), {column(QStringLiteral("Id"), tsql::SqlType::Int),
                                        column(QStringLiteral("Code"), tsql::SqlType::VarChar)})));
        tables_.push_back(std::make_shared<tsql::TableInfo>(
            table(QStringLiteral("Tax"), {column(QStringLiteral("Id"), tsql::SqlType::Int),
                                          column(QStringLiteral("Rate"), tsql::SqlType::Float)})));
    }
    std::optional<tsql::SqlType> variableType(const QString& name) const override {
        if (name.compare(u"@n", Qt::CaseInsensitive) == 0)
            return tsql::SqlType::of(tsql::SqlType::Int);
        return std::nullopt;
    }
    std::shared_ptr<const tsql::TableInfo> resolveTable(const tsql::ObjectName& name) override {
        for (const auto& t : tables_)
            if (t->name.compare(name.name, Qt::CaseInsensitive) == 0)
                return t;
        tsql::invalidObject(name.name);
    }

    std::vector<std::shared_ptr<const tsql::TableInfo>> tables_;
};

class BindingPassTest : public ::testing::Test {
protected:
    // The statement's select, bound.
    const tsql::Select& bound(const QString& sql) {
        statements_ = tsql::Parser(sql).parseBatch();
        const auto& s = static_cast<const tsql::SelectStmt&>(*statements_.front());
        tsql::Binder(session_).bindSelect(*s.select);
        return *s.select;
    }
    int errorOf(const QString& sql) {
        try {
            bound(sql);
        } catch (const db::Error& e) {
            return e.nativeError();
        }
        return 0;
    }
    static QString named(const tsql::ColumnBinding& b) { return b.source + u'.' + b.column; }

    TwoTables session_;
    tsql::StmtList statements_;
};

}  // namespace

// Every column reference is marked before anything is rendered: tables' columns with their
// types, a derived table's with its select and position, aliases with their result column.
TEST_F(BindingPassTest, ReferencesOfAWholeSelectAreMarked) {
    const tsql::Select& s = bound(QStringLiteral(
        "select *, p.Code as Name, x.Total from Product p "
        "join (select Id, Rate * 2 as Total from Tax) x on x.Id = p.Id "
        "where exists (select 1 from Tax t where t.Id = p.Id) order by Name, Total"));
    const tsql::SelectCore& c = s.cores[0];
    ASSERT_EQ(c.from.size(), 1u);
    const tsql::TableRef& join = *c.from[0];
    EXPECT_EQ(join.left->table.get(), session_.tables_[0].get());
    // The star stands for the columns of both sources, the derived ones by position.
    const auto& star = c.items[0].expr->expansion;
    ASSERT_EQ(star.size(), 4u);
    EXPECT_EQ(named(star[1]), QStringLiteral("p.Code"));
    EXPECT_EQ(star[1].type.base, tsql::SqlType::VarChar);
    EXPECT_EQ(named(star[3]), QStringLiteral("x.Total"));
    EXPECT_EQ(star[3].select, join.right->derived.get());
    EXPECT_EQ(star[3].index, 1);
    const tsql::ColumnBinding& total = c.items[2].expr->binding;
    EXPECT_EQ(total.select, join.right->derived.get());
    EXPECT_EQ(total.index, 1);
    // The outer query's source is visible inside EXISTS.
    const tsql::Expr& inner = *c.where->select->cores[0].where;
    EXPECT_EQ(named(inner.a->binding), QStringLiteral("t.Id"));
    EXPECT_EQ(named(inner.b->binding), QStringLiteral("p.Id"));
    // ORDER BY names the alias by its result column (after the star's four), and a column.
    const tsql::ColumnBinding& name = s.orderBy[0].expr->binding;
    EXPECT_TRUE(name.alias);
    EXPECT_EQ(name.index, 4);
    EXPECT_FALSE(s.orderBy[1].expr->binding.alias);
    EXPECT_EQ(named(s.orderBy[1].expr->binding), QStringLiteral("x.Total"));
}

TEST_F(BindingPassTest, CommonTablesCallsAndVariablesAreMarked) {
    const tsql::Select& s =
        bound(QStringLiteral("with Rates (Code, R) as (select Code, 1.5 from Product) "
                             "select upper(r.Code), @n, @@rowcount from Rates r"));
    const tsql::SelectCore& c = s.cores[0];
    EXPECT_TRUE(c.from[0]->commonTable);
    EXPECT_EQ(c.from[0]->table, nullptr);
    const tsql::Expr& call = *c.items[0].expr;
    ASSERT_NE(call.builtin, nullptr);
    EXPECT_STREQ(call.builtin->name, "upper");
    EXPECT_EQ(call.args[0]->binding.select, s.with[0].select.get());
    EXPECT_EQ(call.args[0]->binding.index, 0);
    EXPECT_EQ(c.items[1].expr->type.base, tsql::SqlType::Int);
    ASSERT_NE(c.items[2].expr->builtin, nullptr);
    EXPECT_EQ(c.items[2].expr->builtin->kind, tsql::Builtin::Context);
}

// Names are checked in the order the text gives them, a call before its arguments.
TEST_F(BindingPassTest, TheFirstNameThatDoesNotResolveIsReported) {
    EXPECT_EQ(errorOf(QStringLiteral("select Nope from Missing")), 208);
    EXPECT_EQ(errorOf(QStringLiteral("select nosuch(Nope) from Product")), 195);
    EXPECT_EQ(errorOf(QStringLiteral("select Nope, @m from Product")), 207);
    EXPECT_EQ(errorOf(QStringLiteral("select @m, Nope from Product")), 137);
    EXPECT_EQ(errorOf(QStringLiteral("select Id from Product, Tax")), 209);
    EXPECT_EQ(errorOf(QStringLiteral("select Id from Product union select Id from Tax "
                                     "order by Rate")),
              104);
    EXPECT_EQ(errorOf(QStringLiteral("select x.Id from (select count(*) from Tax) x")), 8155);
}

// A union's ORDER BY names the first select's result columns: aliases, plain columns' names and
// a star's columns, by their position; a single select's ORDER BY names only its aliases, and
// only standing alone.
TEST_F(BindingPassTest, OrderByNamesResultColumnsByPosition) {
    const tsql::Select& u = bound(QStringLiteral(
        "select *, Code as C, Id from Product union select Id, Code, Code, Id from Product "
        "order by code, c, ID"));
    ASSERT_EQ(u.orderBy.size(), 3u);
    EXPECT_TRUE(u.orderBy[0].expr->binding.alias);
    EXPECT_EQ(u.orderBy[0].expr->binding.index, 1);
    EXPECT_EQ(u.orderBy[0].expr->binding.column, QStringLiteral("Code"));
    EXPECT_EQ(u.orderBy[1].expr->binding.index, 2);
    EXPECT_EQ(u.orderBy[2].expr->binding.index, 0);  // the first of that name
    const tsql::Select& s =
        bound(QStringLiteral("select Code as Name, Id from Product order by name, id"));
    EXPECT_TRUE(s.orderBy[0].expr->binding.alias);
    EXPECT_EQ(s.orderBy[0].expr->binding.index, 0);
    EXPECT_FALSE(s.orderBy[1].expr->binding.alias);
    EXPECT_EQ(named(s.orderBy[1].expr->binding), QStringLiteral("Product.Id"));
    EXPECT_EQ(errorOf(QStringLiteral("select Code as Name from Product where Name = 'a'")), 207);
    EXPECT_EQ(errorOf(QStringLiteral("select Code as Name from Product order by Name + 'a'")), 207);
}

namespace {

// The types the binder marks, spelled as T-SQL declares them.
class TypingTest : public BindingPassTest {
protected:
    // The types of the statement's result columns.
    QStringList types(const QString& sql) {
        QStringList out;
        for (const tsql::SqlType& t : bound(sql).columnTypes)
            out << t.toSql();
        return out;
    }
};

}  // namespace

// Decimal arithmetic: precision and scale by SQL Server's rules, an integer literal counting its
// own digits, and the reduction to 38 digits keeping six decimals.
TEST_F(TypingTest, DecimalArithmeticHasSqlServersPrecisionAndScale) {
    EXPECT_EQ(
        types(QStringLiteral("select cast(1 as decimal(10,2)) * cast(2 as decimal(5,3)), 1.5 + 10, "
                             "Id + 2.25, cast(1 as decimal(38,10)) / cast(3 as decimal(38,10)), "
                             "cast(7 as decimal(9,4)) % 2, -0.005 - 1 from Product")),
        QStringList({"decimal(16,5)", "decimal(4,1)", "decimal(13,2)", "decimal(38,6)",
                     "decimal(5,4)", "decimal(5,3)"}));
    // Money with an integer stays money; beyond int a literal is numeric of its digits.
    EXPECT_EQ(types(QStringLiteral("select $2 * 3, 12345678901 + 1, 2 * 3, Rate * 2 from Tax")),
              QStringList({"money", "decimal(12,0)", "int", "float"}));
}

// Texts join with their lengths added; a text meets a number as that number's type; CASE takes
// its branches' common type.
TEST_F(TypingTest, OperatorsAndCaseTakeTheCommonType) {
    EXPECT_EQ(types(QStringLiteral("select 'ab' + N'cde', '5' + 1, -'2', ~Id, Id & 2.5 "
                                   "from Product")),
              QStringList({"nvarchar(5)", "int", "float", "int", "int"}));
    EXPECT_EQ(types(QStringLiteral(
                  "select case when p.Id = 1 then 1 when p.Id = 2 then 2.5e0 else null end, "
                  "case p.Id when 1 then 'ab' else N'abc' end, case when p.Id > 0 then $1 end, "
                  "iif(p.Id between 1 and 2, p.Id, 1.5) from Product p join Tax t on t.Id = p.Id")),
              QStringList({"float", "nvarchar(3)", "money", "decimal(11,1)"}));
}

// A sub-select has its one column's type; a derived table's columns and a union's result have
// the types of their selects.
TEST_F(TypingTest, SelectsTypeTheirResultColumns) {
    EXPECT_EQ(types(QStringLiteral("select (select max(Rate) from Tax), x.Twice, @n "
                                   "from (select Id * 2.0 as Twice from Product) x")),
              QStringList({"float", "decimal(13,1)", "int"}));
    EXPECT_EQ(types(QStringLiteral("select Id, 'a' from Product union select Rate, N'bc' "
                                   "from Tax order by 1")),
              QStringList({"float", "nvarchar(2)"}));
}

// A call's type is its row's: fixed, or computed from its arguments.
TEST_F(TypingTest, BuiltInsTypeTheirResultsByTheirRows) {
    EXPECT_EQ(types(QStringLiteral(
                  "select sum(cast(Id as smallint)), avg(cast(Id as decimal(10,2))), count(*), "
                  "substring('abcdef', 1, 2), dateadd(day, 1, cast('2020-01-01' as date)), "
                  "isnull(null, 2.5), coalesce(null, 'ab', N'c'), concat('ab', N'c', 1), "
                  "floor(1.5e0), row_number() over (order by Id) from Product group by Id")),
              QStringList({"int", "decimal(38,6)", "int", "varchar(6)", "date", "decimal(2,1)",
                           "nvarchar(2)", "nvarchar(33)", "float", "bigint"}));
}

// What does not type raises SQL Server's error while binding, before anything is rendered.
TEST_F(TypingTest, WhatDoesNotTypeRaisesSqlServersErrors) {
    EXPECT_EQ(errorOf(QStringLiteral("select 'a' - 'b'")), 402);
    EXPECT_EQ(errorOf(QStringLiteral("select 1 where 2 in (select Id, Code from Product)")), 116);
    EXPECT_EQ(errorOf(QStringLiteral("select (select Id, Code from Product)")), 116);
    EXPECT_EQ(errorOf(QStringLiteral("select Id from Product union select Id, Rate from Tax")),
              205);
    EXPECT_EQ(errorOf(QStringLiteral("select sum(Code) from Product")), 8117);
    EXPECT_EQ(errorOf(QStringLiteral("select cast(cast('2020-01-01' as date) as int)")), 529);
    EXPECT_EQ(errorOf(QStringLiteral("select dateadd(hour, 1, cast('2020-01-01' as date))")), 9810);
}
