#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>

#include "dbcore/Error.h"
#include "dbcore/Types.h"

namespace voqsql {

struct PrintOptions {
    int headers = 0;    // -1: none, 0: once per row set, N: repeated every N rows
    bool trim = false;  // no padding, trailing blanks of values removed
    QString separator = QStringLiteral(" ");
};

// Renders what a batch returned as the text voq-sql prints on standard output.
class ResultPrinter {
public:
    explicit ResultPrinter(PrintOptions options) : options_(std::move(options)) {}

    // Every result in order, then the batch's informational messages, one a line.
    QString formatBatch(const db::BatchResult& batch) const;

    // A row set as a table: header line, dashes line, the rows, a blank line and the count.
    QString formatRowSet(const db::RowSet& rowSet) const;

private:
    PrintOptions options_;
};

// "(1 row affected)", "(N rows affected)", preceded by a blank line as sqlcmd prints it.
QString formatRowsAffected(qint64 count);

// A value as a table cell, as sqlcmd shows its declared type: a decimal with its scale, money
// with four decimals, a date as yyyy-MM-dd, a datetime as yyyy-MM-dd HH:mm:ss.mmm, a time or
// datetime2 with its decimals of the second. Without a declared type: NULL, integers in full,
// floats in the shortest exact form without exponent, date-times as yyyy-MM-dd HH:mm:ss.zzz,
// binary as 0x followed by hex digits.
QString formatValue(const QVariant& value, const db::DeclaredType& declared = {});

// Characters of a text as a reader counts them: one per code point, so a pair of UTF-16
// surrogates is one.
qsizetype characterCount(QStringView text);

// The text printed on standard error for a failing batch. `where` names the batch, such as
// "a.sql line 12".
QString formatError(const db::Error& error, const QString& where);

}  // namespace voqsql
