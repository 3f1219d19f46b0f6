// The runner's own parts: how a case file is read, how a value prints and how an error header
// is compared.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "ConformanceCase.h"
#include "PrintedValue.h"
#include "Transcript.h"

namespace {

using conformance::printedValue;
using tsql::SqlType;
using tsql::Value;

conformance::CaseFile readText(const QByteArray& text) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sample.sql-cases"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    return conformance::readCaseFile(path);
}

}  // namespace

TEST(ConformanceRunner, CaseFileSplitsBatchesAtGoAndDropsTrailingBlankLines) {
    const conformance::CaseFile f = readText(
        "A description.\n"
        "=== first\n"
        "SELECT 1 AS a;\n"
        "  go  \n"
        "SELECT 'GO' AS b;\n"
        "--- expect\n"
        "a\n"
        "\n"
        "b\n"
        "\n\n"
        "=== second\n"
        "PRINT 'x';\n"
        "--- expect\n"
        "x\n");
    ASSERT_TRUE(f.problems.isEmpty()) << f.problems.join('\n').toStdString();
    ASSERT_EQ(f.cases.size(), 2u);
    EXPECT_EQ(f.cases[0].fullName(), QStringLiteral("sample.first"));
    EXPECT_EQ(f.cases[0].batches,
              (QStringList{QStringLiteral("SELECT 1 AS a;"), QStringLiteral("SELECT 'GO' AS b;")}));
    EXPECT_EQ(f.cases[0].expected,
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_EQ(f.cases[1].line, 12);
}

TEST(ConformanceRunner, CaseFileReportsMissingExpectBadNamesAndTwins) {
    const conformance::CaseFile f = readText(
        "=== no_expect\nSELECT 1;\n"
        "=== bad name\nSELECT 1;\n--- expect\n"
        "=== twin\n--- expect\n"
        "=== twin\n--- expect\n");
    ASSERT_EQ(f.problems.size(), 3);
    EXPECT_TRUE(f.problems[0].contains(QStringLiteral("no_expect")));
    EXPECT_TRUE(f.problems[1].contains(QStringLiteral("bad name")));
    EXPECT_TRUE(f.problems[2].contains(QStringLiteral("appears twice")));
}

TEST(ConformanceRunner, DecimalsPrintToTheirScaleWithoutHidingExtraDigits) {
    EXPECT_EQ(printedValue(Value::integer(3), SqlType::decimal(5, 2)), QStringLiteral("3.00"));
    EXPECT_EQ(printedValue(Value::real(-0.5), SqlType::decimal(5, 3)), QStringLiteral("-0.500"));
    EXPECT_EQ(printedValue(Value::real(0.1 + 0.2), SqlType::decimal(38, 2)),
              QStringLiteral("0.30000000000000004"));
    EXPECT_EQ(printedValue(Value::text(QByteArray("12.5")), SqlType::decimal(10, 0)),
              QStringLiteral("12.5"));
    EXPECT_EQ(printedValue(Value::real(10.05), SqlType::of(SqlType::Money)),
              QStringLiteral("10.0500"));
}

TEST(ConformanceRunner, OtherTypesPrintAsSqlServerShowsThem) {
    EXPECT_EQ(printedValue(Value::null(), SqlType::decimal(5, 2)), QStringLiteral("NULL"));
    EXPECT_EQ(printedValue(Value::real(100), SqlType::of(SqlType::Float)), QStringLiteral("100"));
    EXPECT_EQ(printedValue(Value::real(0.1f), SqlType::of(SqlType::Real)), QStringLiteral("0.1"));
    EXPECT_EQ(printedValue(Value::text(QByteArray("2000-12-13 00:00:00.000")),
                           SqlType::of(SqlType::Date)),
              QStringLiteral("2000-12-13"));
    EXPECT_EQ(printedValue(Value::text(QByteArray("a\tb\r\n")), SqlType::of(SqlType::VarChar)),
              QStringLiteral("a\\tb\\r\\n"));
    EXPECT_EQ(printedValue(Value::integer(7), SqlType{}), QStringLiteral("7"));
}

TEST(ConformanceRunner, ErrorHeadersCompareByNumber) {
    using conformance::comparableLine;
    EXPECT_EQ(comparableLine(QStringLiteral("Msg 2627, Level 14, State 1, Line 3")),
              QStringLiteral("Msg 2627"));
    EXPECT_EQ(comparableLine(QStringLiteral("Msg 50000, Level 16, State 1, Procedure p, Line 2")),
              QStringLiteral("Msg 50000"));
    EXPECT_EQ(comparableLine(QStringLiteral("Msg 2627 was raised")),
              QStringLiteral("Msg 2627 was raised"));
}
