#include <gtest/gtest.h>

#include <functional>

#include "db/Param.h"
#include "dbcore/Error.h"

using db::FieldType;
using db::Param;
using db::Params;

TEST(Params, LookupIgnoresCaseAndUnknownNameRaises) {
    Params ps;
    ps.add(Param("YearNo"));
    ps.byName("yearno").setAsInteger(2024);
    EXPECT_EQ(ps.byName("YEARNO").asInteger(), 2024);
    EXPECT_EQ(ps.byName(QLatin1StringView("yEaRnO")).asInteger(), 2024);
    EXPECT_EQ(&ps.byName(QLatin1StringView("YearNo")), &ps.byName("YearNo"));
    // A name spelt in the code (Latin-1) finds the same parameter and fails the same way.
    const std::pair<std::function<void()>, QString> missing[] = {
        {[&] { ps.byName("Missing"); }, "Parameter 'Missing' not found"},
        {[&] { ps.byName(QLatin1StringView("Missing")); }, "Parameter 'Missing' not found"},
        {[&] { ps.byName(QLatin1StringView("YearN")); }, "Parameter 'YearN' not found"},
    };
    for (const auto& [lookUp, message] : missing) {
        try {
            lookUp();
            ADD_FAILURE() << "no error for " << message.toStdString();
        } catch (const db::Error& e) {
            EXPECT_EQ(e.message(), message);
            EXPECT_EQ(e.kind(), db::Error::Kind::Client);
        }
    }
}

TEST(Params, RebuildKeepsValuesOfRemainingNames) {
    Params ps;
    ps.rebuild({"a", "b"});
    ps.byName("a").setAsString("x");
    ps.byName("b").setAsInteger(7);
    ps.rebuild({"B", "c"});
    ASSERT_EQ(ps.count(), 2);
    EXPECT_EQ(ps.at(0).name(), "B");
    EXPECT_EQ(ps.at(0).asInteger(), 7);
    EXPECT_EQ(ps.at(0).type(), FieldType::Integer);
    EXPECT_FALSE(ps.at(1).isBound());
    EXPECT_EQ(ps.find("a"), nullptr);
}

TEST(Params, AssignValuesCopiesByNameAndIgnoresStrangers) {
    Params mine;
    mine.rebuild({"Id", "Name"});
    Params other;
    other.add(Param("name")).setAsString("ก");
    other.add(Param("Other")).setAsInteger(1);
    mine.assignValues(other);
    EXPECT_EQ(mine.byName("Name").asString(), "ก");
    EXPECT_FALSE(mine.byName("Id").isBound());
    EXPECT_EQ(mine.count(), 2);
}

TEST(Params, NullReadsAsZeroOrEmpty) {
    Param p("x", FieldType::Integer);
    p.setNull();
    EXPECT_TRUE(p.isBound());
    EXPECT_TRUE(p.isNull());
    EXPECT_EQ(p.type(), FieldType::Integer);
    EXPECT_EQ(p.asInteger(), 0);
    EXPECT_EQ(p.asString(), "");
    EXPECT_EQ(p.asFloat(), 0.0);
    EXPECT_FALSE(p.asDateTime().isValid());
}

TEST(Params, ConversionsBetweenTypes) {
    Param p("x");
    p.setAsString(" 42 ");
    EXPECT_EQ(p.asInteger(), 42);
    p.setAsString("abc");
    EXPECT_THROW(p.asInteger(), db::Error);
    p.setAsDateTime(QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
    EXPECT_EQ(p.asString(), "01/03/2024");
    p.setAsFloat(2.5);
    EXPECT_EQ(p.asString(), "2.5");
}
