#include "tsql/IdentityCounters.h"

#include <sqlite3.h>

#include <algorithm>

#include "tsql/Catalog.h"
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

// Raises the counter of the table (its stored name in UTF-8) in the schema (a SQLite name) to
// `last` unless it is already there, making the counter if the table has none yet.
void raiseCounter(Database& db, const QByteArray& schema, const QByteArray& tableName,
                  qint64 last) {
    const QByteArray counters = schema + ".sqlite_sequence";
    const QByteArray table = sqlite::text(tableName);
    const QByteArray value = QByteArray::number(last);
    db.exec("UPDATE " + counters + " SET seq = " + value + " WHERE name = " + table +
            " AND seq < " + value);
    db.exec("INSERT INTO " + counters + " (name, seq) SELECT " + table + ", " + value +
            " WHERE NOT EXISTS (SELECT 1 FROM " + counters + " WHERE name = " + table +
            ") AND EXISTS (SELECT 1 FROM " + schema +
            ".sqlite_master WHERE type = 'table' AND name = " + table + ")");
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
        raiseCounter(db_, c.schema, c.table, c.last);
    }
}

// Without a row written, the failing row's value is the counter (one increment below the seed
// while none was given) plus the increment.
void useUpIdentity(Database& db, const TableInfo& t, std::optional<qint64> lastGiven) {
    if (t.identityIncrement <= 0)
        return;
    Database::EngineScope scope(db);
    const QByteArray schema = sqlite::name(t.schema);
    const QByteArray increment = QByteArray::number(t.identityIncrement);
    const qint64 failed =
        lastGiven ? *lastGiven + t.identityIncrement
                  : db.scalar("SELECT coalesce((SELECT seq FROM " + schema +
                              ".sqlite_sequence WHERE name = " + sqlite::text(t.name) + "), " +
                              QByteArray::number(t.identitySeed - t.identityIncrement) + ") + " +
                              increment);
    raiseCounter(db, schema, t.name.toUtf8(), failed);
}

}  // namespace tsql
