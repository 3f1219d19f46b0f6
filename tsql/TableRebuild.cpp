#include "tsql/TableRebuild.h"

#include <sqlite3.h>

#include <optional>

#include "tsql/Database.h"
#include "tsql/SqliteSyntax.h"

namespace tsql {

namespace {

const char kRebuilt[] = "tsql_rebuilt";

// A connection setting changed for a scope (sqlite3_db_config), restored after it.
class ConnectionSetting {
public:
    ConnectionSetting(sqlite3* db, int setting, int value) : db_(db), setting_(setting) {
        sqlite3_db_config(db_, setting_, -1, &saved_);
        sqlite3_db_config(db_, setting_, value, nullptr);
    }
    ~ConnectionSetting() { sqlite3_db_config(db_, setting_, saved_, nullptr); }
    ConnectionSetting(const ConnectionSetting&) = delete;
    ConnectionSetting& operator=(const ConnectionSetting&) = delete;

private:
    sqlite3* db_;
    int setting_;
    int saved_ = 0;
};

// Rows of an engine statement with one text parameter, as texts of the first column.
std::vector<QByteArray> texts(Database& db, const QByteArray& sql, const QString& parameter) {
    sqlite3_stmt* st = db.prepare(sql);
    const QByteArray p = parameter.toUtf8();
    sqlite3_bind_text(st, 1, p.constData(), int(p.size()), SQLITE_TRANSIENT);
    std::vector<QByteArray> rows;
    int rc = db.step(st);
    for (; rc == SQLITE_ROW; rc = db.step(st))
        rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        db.raiseLast(rc);
    return rows;
}

bool hasIdentity(const TableSql& t) {
    for (const ColumnSql& c : t.columns)
        if (c.autoincrement)
            return true;
    return false;
}

QByteArray columnNames(const TableSql& t) {
    std::vector<QByteArray> names;
    for (const ColumnSql& c : t.columns)
        names.push_back(sqlite::name(c.name));
    return sqlite::list(names);
}

QByteArray copiedValues(const TableSql& t, const std::vector<QByteArray>& values) {
    std::vector<QByteArray> copied;
    for (size_t k = 0; k < t.columns.size(); ++k)
        copied.push_back(k < values.size() && !values[k].isEmpty()
                             ? values[k]
                             : sqlite::name(t.columns[k].name));
    return sqlite::list(copied);
}

void restoreSequence(Database& db, const TableSql& t, const std::vector<QByteArray>& saved) {
    const QByteArray sequence = sqlite::name(t.schema) + ".sqlite_sequence";
    db.exec("DELETE FROM " + sequence + " WHERE name = " + sqlite::text(t.name));
    for (const QByteArray& seq : saved)
        db.exec("INSERT INTO " + sequence + " (name, seq) VALUES (" + sqlite::text(t.name) + ", " +
                sqlite::integer(seq.toLongLong()).text + ")");
}

}  // namespace

bool rebuildTable(Database& db, const TableSql& changed, const std::vector<QByteArray>& values) {
    const QByteArray schema = sqlite::name(changed.schema);
    const QByteArray table = sqlite::qualifiedName(changed.schema, changed.name);
    const QByteArray rebuilt = sqlite::qualifiedName(changed.schema, QLatin1String(kRebuilt));
    const std::vector<QByteArray> dependents =
        texts(db,
              "SELECT sql FROM " + schema +
                  ".sqlite_master WHERE tbl_name = ?1 AND type IN ('index', 'trigger') AND sql "
                  "IS NOT NULL ORDER BY rowid",
              changed.name);
    const std::vector<QByteArray> sequence =
        hasIdentity(changed)
            ? texts(db, "SELECT seq FROM " + schema + ".sqlite_sequence WHERE name = ?1",
                    changed.name)
            : std::vector<QByteArray>();
    {
        const ConnectionSetting keysOff(db.handle(), SQLITE_DBCONFIG_ENABLE_FKEY, 0);
        // Views naming the table are left as they are while it is briefly gone.
        const ConnectionSetting plainRename(db.handle(), SQLITE_DBCONFIG_LEGACY_ALTER_TABLE, 1);
        db.exec(createTableSql(changed, QLatin1String(kRebuilt)));
        db.exec("INSERT INTO " + rebuilt + " (" + columnNames(changed) + ") SELECT " +
                copiedValues(changed, values) + " FROM " + table);
        db.exec("DROP TABLE " + table);
        db.exec("ALTER TABLE " + rebuilt + " RENAME TO " + sqlite::name(changed.name));
        for (const QByteArray& sql : dependents)
            db.exec(sql);
        if (hasIdentity(changed))
            restoreSequence(db, changed, sequence);
    }
    return db.scalar("SELECT count(*) FROM pragma_foreign_key_check(" + sqlite::text(changed.name) +
                     ", " + sqlite::text(changed.schema) + ")") == 0;
}

}  // namespace tsql
