// The binder: column references marked with the source and column they stand for.
#include <gtest/gtest.h>

#include "dbcore/Error.h"
#include "tsql/Binder.h"

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
