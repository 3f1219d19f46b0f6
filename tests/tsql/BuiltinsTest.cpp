#include <gtest/gtest.h>

#include "tests/tsql/TsqlFixture.h"

class BuiltinsTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(
            QStringLiteral("create table T (Id int, Name nvarchar(10), Price decimal(9,2)) "
                           "insert into T values (1, N'ข้าว', 1.50), (2, NULL, NULL), (3, 'c', 3)"));
    }
};

TEST_F(BuiltinsTest, ConcatTakesNullsAsEmptyAndConvertsTheRest) {
    EXPECT_EQ(rows(QStringLiteral("select concat(Id, ':', Name, '/', Price) from T order by Id")),
              (QStringList{QStringLiteral("1:ข้าว/1.50"), QStringLiteral("2:/"),
                           QStringLiteral("3:c/3.00")}));
    EXPECT_EQ(scalar(QStringLiteral("select '[' + concat(NULL, NULL) + ']'")),
              QStringLiteral("[]"));
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("select concat('a')"), &message), 189);
    EXPECT_EQ(message, QStringLiteral("The concat function requires 2 to 254 arguments."));
}

TEST_F(BuiltinsTest, IifChoosesByItsCondition) {
    EXPECT_EQ(rows(QStringLiteral("select iif(Price > 2, 'dear', iif(Price is null, '?', 'cheap')) "
                                  "from T order by Id")),
              (QStringList{QStringLiteral("cheap"), QStringLiteral("?"), QStringLiteral("dear")}));
    // A condition that is not true, NULL included, takes the second value.
    EXPECT_EQ(scalar(QStringLiteral("select iif(NULL = NULL, 1, 0)")), QStringLiteral("0"));
    EXPECT_EQ(errorOf(QStringLiteral("select iif(1 = 1, 2)")), 174);
}

TEST_F(BuiltinsTest, DateFromPartsBuildsOnlyRealDates) {
    EXPECT_EQ(scalar(QStringLiteral("declare @y int = 2024 "
                                    "select convert(varchar(10), datefromparts(@y, 2, 29), 23)")),
              QStringLiteral("2024-02-29"));
    EXPECT_EQ(scalar(QStringLiteral("select datediff(day, datefromparts(2024, 1, 31), "
                                    "datefromparts(2024, 3, 1))")),
              QStringLiteral("30"));
    EXPECT_EQ(
        scalar(QStringLiteral(
            "select convert(varchar(10), datefromparts(2024, Id, 1), 23) from T where Id = 2")),
        QStringLiteral("2024-02-01"));
    EXPECT_EQ(scalar(QStringLiteral("select datefromparts(2024, NULL, 1)")),
              QStringLiteral("NULL"));
    EXPECT_EQ(errorOf(QStringLiteral("select datefromparts(2023, 2, 29)")), 289);
    EXPECT_EQ(errorOf(QStringLiteral("select datefromparts(2023, 13, 1)")), 289);
}

TEST_F(BuiltinsTest, CallsAreCheckedAgainstTheirRows) {
    EXPECT_EQ(errorOf(QStringLiteral("select nosuch(1)")), 195);
    EXPECT_EQ(errorOf(QStringLiteral("select len('a', 'b')")), 174);
    EXPECT_EQ(errorOf(QStringLiteral("select row_number() from T")), 10753);
    EXPECT_EQ(errorOf(QStringLiteral("select rank() over (partition by Id) from T")), 4112);
    EXPECT_EQ(errorOf(QStringLiteral("select len(Name) over (order by Id) from T")), 4108);
    EXPECT_EQ(errorOf(QStringLiteral("select sum(*) from T")), 102);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from T")), QStringLiteral("3"));
    EXPECT_EQ(rows(QStringLiteral("select lag(Id) over (order by Id) from T")),
              (QStringList{QStringLiteral("NULL"), QStringLiteral("1"), QStringLiteral("2")}));
}

TEST_F(BuiltinsTest, ContextValuesAreReadWhenTheStatementRuns) {
    EXPECT_EQ(scalar(QStringLiteral("update T set Price = 0 where Id > 1 select @@ROWCOUNT")),
              QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("declare @x int begin try set @x = 1 / 0 end try "
                                    "begin catch select cast(error_number() as varchar) + ' ' + "
                                    "error_message() end catch")),
              QStringLiteral("8134 Divide by zero error encountered."));
    EXPECT_EQ(scalar(QStringLiteral("select error_message()")), QStringLiteral("NULL"));
    EXPECT_EQ(errorOf(QStringLiteral("select @@NOSUCH")), 137);
    EXPECT_EQ(errorOf(QStringLiteral("select @@rowcount()")), 102);
}

// Where a float function's result is no number or infinite, SQL Server fails the statement
// instead of giving a value; a NULL argument still gives NULL.
TEST_F(BuiltinsTest, FloatFunctionsFailWhereTheResultIsNoNumber) {
    for (const char* call : {"SQRT(-1)", "LOG(0)", "LOG(-2.5)", "LOG10(0)", "EXP(1000)",
                             "POWER(-8.0, 0.5)", "POWER(CAST(0 AS float), -1)", "POWER(1e308, 2)",
                             "LOG(8, 1)", "ASIN(2)", "ACOS(-1.5)", "COT(0)", "SQUARE(1e200)"})
        EXPECT_EQ(errorOf(QStringLiteral("SELECT %1").arg(QLatin1String(call))), 3623) << call;
    EXPECT_EQ(rows(QStringLiteral("SELECT SQRT(16.0), EXP(0), LOG(1), LOG10(1), POWER(2, 10), "
                                  "SQRT(NULL), POWER(2.0, NULL)")),
              QStringList{"4|1|0|0|1024|NULL|NULL"});
    EXPECT_EQ(scalar(QStringLiteral("DECLARE @e int\n"
                                    "BEGIN TRY SET @e = SQRT(-1) END TRY\n"
                                    "BEGIN CATCH SET @e = ERROR_NUMBER() END CATCH\n"
                                    "SELECT @e")),
              QStringLiteral("3623"));
}

// A text argument is converted to float as CAST converts it.
TEST_F(BuiltinsTest, FloatFunctionsTakeTextsThatAreNumbers) {
    EXPECT_EQ(rows(QStringLiteral("SELECT SQRT('9'), SQRT(' 16 '), POWER('2', 3), POWER(2, '3'), "
                                  "LOG('8', 2), SQRT(CAST(NULL AS varchar(3)))")),
              QStringList{"3|4|8|8|3|NULL"});
    EXPECT_EQ(errorOf(QStringLiteral("SELECT SQRT('abc')")), 8114);
    EXPECT_EQ(errorOf(QStringLiteral("SELECT POWER(2, 'x')")), 8114);
}

TEST_F(BuiltinsTest, TrigonometryAndLogarithmsToABaseAreFloats) {
    EXPECT_EQ(rows(QStringLiteral("SELECT LOG(8, 2), SQUARE(3), SIN(0), COS(0), TAN(0), ACOS(1), "
                                  "ATN2(0, 0), LOG(NULL, 2), SQUARE(NULL)")),
              QStringList{"3|9|0|1|0|0|0|NULL|NULL"});
    EXPECT_EQ(rows(QStringLiteral("SELECT ROUND(PI(), 6), ROUND(ATAN(1) * 4, 6), "
                                  "ROUND(ATN2(1, 1), 6), ROUND(ASIN(1) * 2, 6), ROUND(COT(1), 6)")),
              QStringList{"3.141593|3.141593|0.785398|3.141593|0.642093"});
    const db::BatchResult r =
        run(QStringLiteral("SELECT PI() AS p, SIN(1) AS s, LOG(8, 2) AS l, POWER('2', 3) AS t"));
    for (const db::Column& c : r.firstRowSet()->rowSet.columns)
        EXPECT_EQ(c.declared.name, QStringLiteral("float")) << c.name.toStdString();
}

// SQL Server reads RAND() once for a statement, however many rows; a seed starts the same
// sequence each time. (The numbers are the engine's, not SQL Server's.)
TEST_F(BuiltinsTest, RandIsOneNumberForAStatementAndRepeatsForASeed) {
    EXPECT_EQ(scalar(QStringLiteral("select count(distinct r) from (select rand() r from T) x")),
              QStringLiteral("1"));
    const QString first = scalar(QStringLiteral("select rand()"));
    bool differs = false;
    for (int k = 0; k < 5 && !differs; ++k)
        differs = scalar(QStringLiteral("select rand()")) != first;
    EXPECT_TRUE(differs);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from T where rand() >= 0 and rand() < 1")),
              QStringLiteral("3"));
    EXPECT_EQ(scalar(QStringLiteral("select rand(7)")), scalar(QStringLiteral("select rand(7)")));
    EXPECT_NE(scalar(QStringLiteral("select rand(7)")), scalar(QStringLiteral("select rand(8)")));
    EXPECT_EQ(scalar(QStringLiteral("select rand(null)")), QStringLiteral("NULL"));
}

// A time of day reaches the access layer as a QTime, to the millisecond.
TEST_F(BuiltinsTest, TimesReachTheAccessLayerAsTimesOfDay) {
    const db::BatchResult r = run(
        QStringLiteral("select cast('13:14:15.5' as time(1)), timefromparts(23, 59, 59, 1234, 4)"));
    ASSERT_EQ(r.firstRowSet()->rowSet.rows.size(), 1u);
    const QVariantList& row = r.firstRowSet()->rowSet.rows[0];
    EXPECT_EQ(row[0].typeId(), QMetaType::QTime);
    EXPECT_EQ(row[0].toTime(), QTime(13, 14, 15, 500));
    EXPECT_EQ(row[1].toTime(), QTime(23, 59, 59, 123));
}
