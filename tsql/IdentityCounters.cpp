#include "tsql/IdentityCounters.h"

#include <sqlite3.h>

#include <algorithm>

#include "tsql/Database.h"
#include "tsql/SqliteSyntax.h"
#include "tsql/Value.h"

namespace tsql {

namespace {

// The schemas of the connection (as SQLite names) that hold a counter table.
std::vector<QByteArray> schemasWithCounters(Database& db) {
    std::vector<QByteArray> schemas;
    sqlite3_stmt* st = db.prepare("SELECT name FROM pragma_database_list");
    while (db.step(st) == SQLITE_ROW)
        schemas.push_back(sqlite::name(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)))));
    sqlite3_reset(st);
    std::erase_if(schemas, [&](const QByteArray& schema) {
        return db.scalar("SELECT count(*) FROM " + schema +
                         ".sqlite_master WHERE name = 'sqlite_sequence'") == 0;
    });
    return schemas;
}

}  // namespace

IdentityCounters::IdentityCounters(Database& db) : db_(db) {
    for (const QByteArray& schema : schemasWithCounters(db_)) {
        sqlite3_stmt* st = db_.prepare("SELECT name, seq FROM " + schema + ".sqlite_sequence");
        while (db_.step(st) == SQLITE_ROW)
            counters_.push_back({schema, Value::fromColumn(st, 0).s, sqlite3_column_int64(st, 1)});
        sqlite3_reset(st);
    }
}

void IdentityCounters::restore() {
    // A counter table the rollback took away went with every table it counted for.
    const std::vector<QByteArray> kept = schemasWithCounters(db_);
    for (const Counter& c : counters_) {
        if (std::find(kept.begin(), kept.end(), c.schema) == kept.end())
            continue;
        const QByteArray counters = c.schema + ".sqlite_sequence";
        const QByteArray table = sqlite::text(c.table);
        const QByteArray last = QByteArray::number(c.last);
        db_.exec("UPDATE " + counters + " SET seq = " + last + " WHERE name = " + table +
                 " AND seq < " + last);
        db_.exec("INSERT INTO " + counters + " (name, seq) SELECT " + table + ", " + last +
                 " WHERE NOT EXISTS (SELECT 1 FROM " + counters + " WHERE name = " + table +
                 ") AND EXISTS (SELECT 1 FROM " + c.schema +
                 ".sqlite_master WHERE type = 'table' AND name = " + table + ")");
    }
}

}  // namespace tsql
