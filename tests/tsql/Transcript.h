#pragma once

#include <QStringList>
#include <vector>

#include "dbcore/Error.h"
#include "tsql/ResultSink.h"

namespace conformance {

// Writes what a batch gives, in the order it comes, as the lines a case expects:
//   a row set        its column names joined by " | " (an unnamed one "(No column name)"), a
//                    line "---", a line per row with its printed values joined by " | ", then
//                    "(N rows affected)" unless the count is negative
//   a row count      "(1 row affected)", "(N rows affected)"
//   a message        its text
//   an error         "Msg N" and its text, for each message the error carries
class Transcript : public tsql::ResultSink {
public:
    void rowSetBegin(const tsql::ResultColumns& columns) override;
    void row(const std::vector<tsql::Value>& cells) override;
    void rowSetEnd(qint64 rowCount) override;
    void rowsAffected(qint64 count) override;
    void message(const QString& text) override;
    void statementError(const db::Error& e) override { error(e); }
    void error(const db::Error& e);

    const QStringList& lines() const { return lines_; }

private:
    QStringList lines_;
    std::vector<tsql::SqlType> types_;
};

// The header line of an error as SQL Server prints it ("Msg 2627, Level 14, State 1, Line 3",
// with ", Procedure P" before the line when it arose in one) reduced to what a transcript
// shows, "Msg 2627"; other lines as they are.
QString comparableLine(const QString& expectedLine);

}  // namespace conformance
