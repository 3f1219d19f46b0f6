#include <gtest/gtest.h>

#include <QDateTime>

#include "tools/voqsql/ResultPrinter.h"

using db::FieldType;
using voqsql::PrintOptions;
using voqsql::ResultPrinter;

namespace {

db::RowSet people() {
    db::RowSet rs;
    rs.columns = {
        {"id", FieldType::Integer}, {"name", FieldType::String}, {"amount", FieldType::Float}};
    rs.rows = {{qint64(1), QString("สมชาย"), 1500000.25},
               {qint64(20), QVariant(), QVariant()},
               {qint64(300), QString("น้ำ"), 0.1}};
    return rs;
}

QString format(const db::RowSet& rs, PrintOptions o = {}) {
    return ResultPrinter(std::move(o)).formatRowSet(rs);
}

}  // namespace

// --- table layout ------------------------------------------------------------------------------

TEST(ResultPrinter, AlignedTableWithHeaderDashesNullsAndCount) {
    // Widths come from the longest of header and values, counted in characters: "สมชาย" is five
    // characters (fifteen UTF-8 bytes). Numbers are right-aligned, text left-aligned.
    EXPECT_EQ(format(people()),
              "id  name  amount    \n"
              "--- ----- ----------\n"
              "  1 สมชาย 1500000.25\n"
              " 20 NULL        NULL\n"
              "300 น้ำ          0.1\n"
              "\n"
              "(3 rows affected)\n");
}

TEST(ResultPrinter, NoHeadersStillAlignsAndCounts) {
    EXPECT_EQ(format(people(), {-1, false, " "}),
              "  1 สมชาย 1500000.25\n"
              " 20 NULL        NULL\n"
              "300 น้ำ          0.1\n"
              "\n"
              "(3 rows affected)\n");
}

TEST(ResultPrinter, TrimPrintsValuesUnpaddedWithSeparator) {
    db::RowSet rs;
    rs.columns = {{"code", FieldType::String}, {"qty", FieldType::Integer}};
    rs.rows = {{QString("A1   "), qint64(5)}, {QString("LONGER"), qint64(12345)}};
    EXPECT_EQ(format(rs, {0, true, ","}),
              "code,qty\n"
              "----,---\n"
              "A1,5\n"
              "LONGER,12345\n"
              "\n"
              "(2 rows affected)\n");
}

TEST(ResultPrinter, SeparatorAppearsInHeaderDashesAndRows) {
    db::RowSet rs;
    rs.columns = {{"a", FieldType::String}, {"b", FieldType::String}};
    rs.rows = {{QString("x"), QString("yy")}};
    EXPECT_EQ(format(rs, {0, false, " | "}),
              "a | b \n"
              "- | --\n"
              "x | yy\n"
              "\n"
              "(1 row affected)\n");
}

TEST(ResultPrinter, EmptyRowSetPrintsHeaderAndZeroCount) {
    db::RowSet rs;
    rs.columns = {{"name", FieldType::String}};
    EXPECT_EQ(format(rs), "name\n----\n\n(0 rows affected)\n");
    EXPECT_EQ(format(rs, {-1, false, " "}), "\n(0 rows affected)\n");
}

TEST(ResultPrinter, HeadersRepeatEveryNRows) {
    db::RowSet rs;
    rs.columns = {{"n", FieldType::Integer}};
    rs.rows = {{qint64(1)}, {qint64(2)}, {qint64(3)}};
    EXPECT_EQ(format(rs, {2, false, " "}), "n\n-\n1\n2\n\nn\n-\n3\n\n(3 rows affected)\n");
}

TEST(ResultPrinter, CharactersOutsideTheBasicPlaneCountOnce) {
    db::RowSet rs;
    rs.columns = {{"e", FieldType::String}, {"f", FieldType::String}};
    rs.rows = {
        {QString::fromUtf8("\xF0\x9F\x98\x80"), QString("x")},  // one character, two UTF-16 units
        {QString("ab"), QString("y")}};
    EXPECT_EQ(format(rs, {-1, false, " "}),
              QString::fromUtf8("\xF0\x9F\x98\x80  x\nab y\n\n(2 rows affected)\n"));
    EXPECT_EQ(voqsql::characterCount(u"\U0001F600น้ำ"), 4);
}

// --- values ------------------------------------------------------------------------------------

TEST(VoqSqlFormatValue, EachTypeAsSqlcmdShowsIt) {
    EXPECT_EQ(voqsql::formatValue(QVariant()), "NULL");
    EXPECT_EQ(voqsql::formatValue(qint64(-9007199254740993)), "-9007199254740993");
    EXPECT_EQ(voqsql::formatValue(1e15), "1000000000000000");
    EXPECT_EQ(voqsql::formatValue(-0.000125), "-0.000125");
    EXPECT_EQ(voqsql::formatValue(2.0), "2");
    EXPECT_EQ(voqsql::formatValue(QDateTime(QDate(2024, 2, 29), QTime(13, 5, 7, 30))),
              "2024-02-29 13:05:07.030");
    EXPECT_EQ(voqsql::formatValue(QByteArray("\x01\xAB", 2)), "0x01AB");
    EXPECT_EQ(voqsql::formatValue(QString("")), "");
}

TEST(VoqSqlFormatValue, DeclaredTypesPrintInTheirOwnForm) {
    using voqsql::formatValue;
    const QDateTime noon(QDate(2000, 12, 13), QTime(12, 30, 5, 70));
    const QDateTime midnight(QDate(2000, 12, 13), QTime(0, 0));
    EXPECT_EQ(formatValue(3.0, {"decimal", 5, 2}), "3.00");
    EXPECT_EQ(formatValue(-0.5, {"numeric", 3, 2}), "-0.50");
    EXPECT_EQ(formatValue(12.0, {"decimal", 5, 0}), "12");
    EXPECT_EQ(formatValue(0.1 + 0.2, {"decimal", 10, 2}), "0.30");
    EXPECT_EQ(formatValue(10.05, {"money", 19, 4}), "10.0500");
    EXPECT_EQ(formatValue(7.0, {"smallmoney", 10, 4}), "7.0000");
    EXPECT_EQ(formatValue(midnight, {"date", 10, 0}), "2000-12-13");
    EXPECT_EQ(formatValue(midnight, {"datetime", 23, 3}), "2000-12-13 00:00:00.000");
    EXPECT_EQ(formatValue(noon, {"datetime2", 27, 7}), "2000-12-13 12:30:05.0700000");
    EXPECT_EQ(formatValue(noon, {"smalldatetime", 16, 0}), "2000-12-13 12:30:05");
    EXPECT_EQ(formatValue(noon, {"time", 16, 7}), "12:30:05.0700000");
    // The embedded engine hands a time column over as a QTime.
    EXPECT_EQ(formatValue(QTime(13, 14, 15, 500), {"time", 10, 1}), "13:14:15.5");
    EXPECT_EQ(formatValue(QTime(0, 0), {"time", 8, 0}), "00:00:00");
    EXPECT_EQ(formatValue(QVariant(), {"decimal", 5, 2}), "NULL");
    EXPECT_EQ(formatValue(0.25, {"float", 53, 0}), "0.25") << "float keeps its shortest form";
    EXPECT_EQ(formatValue(qint64(42), {"int", 10, 0}), "42");
}

TEST(ResultPrinter, ColumnsOfDeclaredTypesAlignTheirPrintedForms) {
    db::RowSet rs;
    rs.columns = {{"price", FieldType::Float, 0, {"decimal", 9, 2}},
                  {"day", FieldType::DateTime, 0, {"date", 10, 0}}};
    rs.rows = {{12.5, QDateTime(QDate(2024, 1, 31), QTime(0, 0))}, {3.0, QVariant()}};
    EXPECT_EQ(format(rs),
              "price day       \n"
              "----- ----------\n"
              "12.50 2024-01-31\n"
              " 3.00 NULL      \n"
              "\n"
              "(2 rows affected)\n");
}

// --- whole batches -----------------------------------------------------------------------------

TEST(ResultPrinter, BatchPrintsResultsInOrderThenMessages) {
    db::BatchResult batch;
    db::StatementResult insert;
    insert.rowsAffected = 2;
    db::StatementResult ddl;  // no count reported: nothing printed
    db::StatementResult select;
    select.hasRowSet = true;
    select.rowSet.columns = {{"x", FieldType::Integer}};
    select.rowSet.rows = {{qint64(7)}};
    db::StatementResult update;
    update.rowsAffected = 1;
    batch.results = {insert, ddl, select, update};
    batch.messages = {"first message", "ข้อความ"};
    EXPECT_EQ(ResultPrinter({}).formatBatch(batch),
              "\n(2 rows affected)\n"
              "x\n-\n7\n\n(1 row affected)\n"
              "\n(1 row affected)\n"
              "first message\nข้อความ\n");
}

// --- errors ------------------------------------------------------------------------------------

TEST(VoqSqlFormatError, ServerMessagesWithNumberStateAndPlace) {
    db::Error e({{"Violation of PRIMARY KEY constraint 'PK_T'.", 23000, 2627, "23000"},
                 {"The statement has been terminated.", 1, 3621, "01000"}});
    EXPECT_EQ(voqsql::formatError(e, "load.sql line 12"),
              "Msg 2627, SQLSTATE 23000, load.sql line 12\n"
              "Violation of PRIMARY KEY constraint 'PK_T'.\n"
              "Msg 3621, SQLSTATE 01000, load.sql line 12\n"
              "The statement has been terminated.\n");
}

TEST(VoqSqlFormatError, ClientErrorsAreOneLine) {
    EXPECT_EQ(voqsql::formatError(db::Error::client("No server name given"), "query line 1"),
              "voq-sql: query line 1: No server name given\n");
}
