#include "tsql/Database.h"

#include <sqlite3.h>

#include <QDateTime>

#include "tsql/Collation.h"
#include "tsql/Errors.h"
#include "tsql/Functions.h"

namespace tsql {

namespace {

const char* const kCatalogViews[] = {
    // Objects: tables, views, procedures and named constraints, with SQL Server's type codes.
    "CREATE TEMP VIEW sysobjects AS "
    "SELECT m.rowid AS id, m.name AS name, "
    "CASE m.type WHEN 'table' THEN 'U' ELSE 'V' END AS xtype, "
    "CASE m.type WHEN 'table' THEN 'U' ELSE 'V' END AS type, "
    "1 AS uid, 0 AS parent_obj, NULL AS crdate "
    "FROM main.sqlite_master m WHERE m.type IN ('table','view') "
    "AND substr(m.name,1,7) <> 'sqlite_' AND substr(m.name,1,5) <> 'tsql_' "
    "UNION ALL SELECT 1000000 + p.rowid, p.name, 'P', 'P', 1, 0, p.created "
    "FROM main.tsql_procedures p "
    "UNION ALL SELECT 2000000 + c.rowid, c.name, "
    "CASE c.kind WHEN 'FK' THEN 'F' WHEN 'DF' THEN 'D' ELSE c.kind END, "
    "CASE c.kind WHEN 'FK' THEN 'F' WHEN 'DF' THEN 'D' ELSE c.kind END, 1, "
    "(SELECT t.rowid FROM main.sqlite_master t WHERE t.type = 'table' AND t.name = c.table_name "
    "COLLATE NOCASE), NULL FROM main.tsql_constraints c",
    // Columns of tables and views.
    "CREATE TEMP VIEW syscolumns AS "
    "SELECT m.rowid AS id, p.name AS name, p.cid + 1 AS colid, p.type AS typename, "
    "CASE WHEN p.\"notnull\" THEN 0 ELSE 1 END AS isnullable, 0 AS xtype, 0 AS xusertype, "
    "0 AS length "
    "FROM main.sqlite_master m, pragma_table_info(m.name, 'main') p "
    "WHERE m.type IN ('table','view') AND substr(m.name,1,7) <> 'sqlite_' "
    "AND substr(m.name,1,5) <> 'tsql_'",
    // Indexes by their T-SQL names (the table prefix of the stored name removed).
    "CREATE TEMP VIEW sysindexes AS "
    "SELECT t.rowid AS id, CASE WHEN instr(i.name, '.') > 0 "
    "THEN substr(i.name, instr(i.name, '.') + 1) ELSE i.name END AS name, "
    "i.rowid AS indid, 0 AS status "
    "FROM main.sqlite_master i JOIN main.sqlite_master t "
    "ON t.type = 'table' AND t.name = i.tbl_name "
    "WHERE i.type = 'index' AND substr(i.name,1,7) <> 'sqlite_'",
    // Data types: the system types and the alias types of this database.
    "CREATE TEMP VIEW systypes AS "
    "SELECT column1 AS name, column2 AS xtype, column2 AS xusertype, column3 AS length "
    "FROM (VALUES ('bit',104,1),('tinyint',48,1),('smallint',52,2),('int',56,4),"
    "('bigint',127,8),('decimal',106,17),('numeric',108,17),('money',60,8),('float',62,8),"
    "('real',59,4),('char',175,8000),('varchar',167,8000),('nchar',239,8000),"
    "('nvarchar',231,8000),('text',35,16),('datetime',61,8),('date',40,3)) "
    "UNION ALL SELECT t.name, 0, 256 + t.rowid, 0 FROM main.tsql_types t",
    // Databases of the server; the session refills it before a statement reads it.
    "CREATE TEMP TABLE sysdatabases (name TEXT COLLATE NOCASE, dbid INTEGER, "
    "filename TEXT, crdate TEXT)",
    // The sys.* catalogue views with SQL Server's column names, over the ones above.
    "CREATE TEMP VIEW sys_objects AS SELECT id AS object_id, name, xtype AS type, "
    "parent_obj AS parent_object_id FROM temp.sysobjects",
    "CREATE TEMP VIEW sys_tables AS SELECT id AS object_id, name FROM temp.sysobjects "
    "WHERE xtype = 'U'",
    "CREATE TEMP VIEW sys_views AS SELECT id AS object_id, name FROM temp.sysobjects "
    "WHERE xtype = 'V'",
    "CREATE TEMP VIEW sys_procedures AS SELECT id AS object_id, name FROM temp.sysobjects "
    "WHERE xtype = 'P'",
    "CREATE TEMP VIEW sys_columns AS SELECT id AS object_id, name, colid AS column_id, "
    "isnullable AS is_nullable FROM temp.syscolumns",
    "CREATE TEMP VIEW sys_indexes AS SELECT id AS object_id, name, indid AS index_id "
    "FROM temp.sysindexes",
    "CREATE TEMP VIEW sys_types AS SELECT name, xtype AS system_type_id, "
    "xusertype AS user_type_id FROM temp.systypes",
    "CREATE TEMP VIEW sys_databases AS SELECT name, dbid AS database_id FROM temp.sysdatabases",
};

}  // namespace

void Database::ensureMetadata(sqlite3* db, const char* schema) {
    QByteArray s(schema);
    QByteArray sql =
        "CREATE TABLE IF NOT EXISTS " + s +
        ".tsql_types (name TEXT PRIMARY KEY COLLATE NOCASE, definition TEXT NOT NULL, "
        "nullable INTEGER NOT NULL DEFAULT 1);"
        "CREATE TABLE IF NOT EXISTS " +
        s +
        ".tsql_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, definition TEXT NOT NULL, "
        "created TEXT);"
        "CREATE TABLE IF NOT EXISTS " +
        s +
        ".tsql_constraints (name TEXT PRIMARY KEY COLLATE NOCASE, table_name TEXT NOT NULL "
        "COLLATE NOCASE, kind TEXT NOT NULL, columns TEXT, detail TEXT);"
        "CREATE TABLE IF NOT EXISTS " +
        s + ".tsql_views (name TEXT PRIMARY KEY COLLATE NOCASE, column_types TEXT NOT NULL);";
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &msg) != SQLITE_OK) {
        QString text = QString::fromUtf8(msg ? msg : "metadata");
        sqlite3_free(msg);
        raise(0, text);
    }
}

Database::Database(const QString& path, std::function<QDateTime()>* clock) : path_(path) {
    QByteArray file = path.isEmpty() ? QByteArray(":memory:") : path.toUtf8();
    int rc =
        sqlite3_open_v2(file.constData(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = QString::fromUtf8(sqlite3_errmsg(db_));
        sqlite3_close(db_);
        db_ = nullptr;
        raise(4060, QStringLiteral("Cannot open database file \"%1\": %2").arg(path, msg));
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 60000);
    registerCollation(db_);
    registerLike(db_);
    registerFunctions(db_, clock);
    sqlite3_progress_handler(db_, 20000, &Database::progress, this);
    if (!path.isEmpty()) {
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=NORMAL");
    }
    exec("PRAGMA foreign_keys=ON");
    ensureMetadata(db_, "main");
    ensureMetadata(db_, "temp");  // constraints of #temporary tables
    installCatalogViews();
}

Database::~Database() {
    for (auto& [sql, st] : cache_)
        sqlite3_finalize(st);
    if (db_)
        sqlite3_close_v2(db_);
}

void Database::installCatalogViews() {
    for (const char* sql : kCatalogViews)
        exec(sql);
}

int Database::progress(void* self) {
    return static_cast<Database*>(self)->interrupted() ? 1 : 0;
}

bool Database::interrupted() {
    if (!timedOut_ && deadline_ && QDateTime::currentMSecsSinceEpoch() > deadline_)
        timedOut_ = true;
    if (!timedOut_ && !cancelled_ && cancelCheck_ && cancelCheck_())
        cancelled_ = true;
    return timedOut_ || cancelled_;
}

void Database::checkInterrupted() {
    if (interrupted())
        raiseInterrupted();
}

void Database::raiseInterrupted() {
    if (cancelled_)
        raise(err::Cancelled, QStringLiteral("The statement was cancelled."));
    raise(err::Timeout, QStringLiteral("Query timeout expired"));
}

void Database::startStatement() {
    timedOut_ = false;
    cancelled_ = false;
    deadline_ = timeoutMs_ ? QDateTime::currentMSecsSinceEpoch() + timeoutMs_ : 0;
}

sqlite3_stmt* Database::prepare(const QByteArray& sql) {
    std::string key(sql.constData(), static_cast<size_t>(sql.size()));
    auto it = cache_.find(key);
    if (it != cache_.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                &st, nullptr);
    if (rc != SQLITE_OK)
        raiseLast(rc);
    if (cache_.size() > 2000) {
        for (auto& [k, s] : cache_)
            sqlite3_finalize(s);
        cache_.clear();
    }
    cache_.emplace(std::move(key), st);
    return st;
}

void Database::exec(const QByteArray& sql) {
    char* msg = nullptr;
    int rc = sqlite3_exec(db_, sql.constData(), nullptr, nullptr, &msg);
    sqlite3_free(msg);
    if (rc != SQLITE_OK)
        raiseLast(rc);
}

qint64 Database::scalar(const QByteArray& sql) {
    sqlite3_stmt* st = prepare(sql);
    int rc = sqlite3_step(st);
    qint64 v = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        raiseLast(rc);
    return v;
}

bool Database::isAttached(const QString& name) const {
    return attached_.contains(name, Qt::CaseInsensitive);
}

void Database::attach(const QString& name, const QString& path) {
    if (isAttached(name))
        return;
    if (!sqlite3_get_autocommit(db_))
        notSupported(QStringLiteral("first use of database '%1' inside a transaction").arg(name));
    sqlite3_stmt* st = nullptr;
    QByteArray sql = "ATTACH DATABASE ?1 AS \"" + name.toUtf8() + "\"";
    sqlite3_prepare_v2(db_, sql.constData(), -1, &st, nullptr);
    QByteArray p = path.toUtf8();
    sqlite3_bind_text(st, 1, p.constData(), int(p.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        raiseLast(rc);
    attached_ << name;
    exec("PRAGMA \"" + name.toUtf8() + "\".journal_mode=WAL");
    ensureMetadata(db_, ("\"" + name.toUtf8() + "\"").constData());
}

void Database::raiseLast(int rc) {
    QString msg = QString::fromUtf8(sqlite3_errmsg(db_));
    if (timedOut_ || cancelled_ || (rc & 0xff) == SQLITE_INTERRUPT)
        raiseInterrupted();
    if (msg.startsWith(u"tsql:")) {
        int colon = static_cast<int>(msg.indexOf(u':', 5));
        raise(msg.mid(5, colon - 5).toInt(), msg.mid(colon + 1));
    }
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        raise(1222, QStringLiteral("Lock request time out period exceeded."));
    raise(0, msg);
}

}  // namespace tsql
