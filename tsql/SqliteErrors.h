#pragma once

#include <QString>

namespace tsql {

// A failure SQLite reported, with what is known of its context.
struct SqliteFailure {
    int code = 0;         // extended result code
    QString message;      // sqlite3_errmsg
    int systemError = 0;  // errno of a failed file operation
    bool timedOut = false;
    bool cancelled = false;
    QString database;        // the database the connection is on
    QString object;          // the table written, when known
    qint64 lengthLimit = 0;  // SQLite's largest text or blob
};

// Raises the failure as SQL Server reports the same condition: its number and words where it has
// them, the engine's internal error otherwise; never number 0.
[[noreturn]] void raiseSqliteFailure(const SqliteFailure& f);

}  // namespace tsql
