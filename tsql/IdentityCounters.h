#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

namespace tsql {

class Database;
struct TableInfo;

// The identity counters (SQLite's sqlite_sequence rows) of every schema of a connection, read
// before a rollback and set again after it: as on SQL Server, a rolled back insert uses up the
// identity values it took. A counter whose table the rollback took away is dropped.
class IdentityCounters {
public:
    explicit IdentityCounters(Database& db);
    // Raises each counter the rollback lowered back to what it was read as.
    void restore();

private:
    struct Counter {
        QByteArray schema;
        QByteArray table;
        qint64 last = 0;
    };
    Database& db_;
    std::vector<Counter> counters_;
};

// Moves the table's counter past the identity value of the row an INSERT failed on: on SQL Server
// a failed insert uses up the values it took, and SQLite gives them back when the statement
// fails. That row's value follows `lastGiven`, the value of the statement's last row written
// before it, or the counter when the statement wrote none. Only for increasing identities, whose
// counter holds the highest value given.
void useUpIdentity(Database& db, const TableInfo& table, std::optional<qint64> lastGiven);

}  // namespace tsql
