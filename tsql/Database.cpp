#include "tsql/Database.h"

#include <sqlite3.h>

#include <cerrno>

#include <QDateTime>
#include <QFileInfo>

#include "tsql/ApplyRows.h"
#include "tsql/Catalog.h"
#include "tsql/Collation.h"
#include "tsql/DatabaseFile.h"
#include "tsql/Errors.h"
#include "tsql/FunctionRows.h"
#include "tsql/FunctionSupport.h"
#include "tsql/Functions.h"
#include "tsql/IndexSql.h"
#include "tsql/InformationSchema.h"
#include "tsql/SqliteErrors.h"
#include "tsql/SqliteSyntax.h"
#include "tsql/Value.h"

namespace tsql {

namespace {

QByteArray catalogView(const char* name, const QByteArray& select) {
    return "CREATE TEMP VIEW " + QByteArray(name) + " AS " + select;
}

QByteArray collated(const char* column) {
    return QByteArray(column) + " COLLATE " + kCollation;
}

std::vector<QByteArray> catalogViews() {
    return {
        // Objects: tables, views, procedures, functions, triggers and named constraints, with
        // SQL Server's type codes.
        catalogView(
            "sysobjects",
            "SELECT m.rowid AS id, m.name AS name, "
            "CASE m.type WHEN 'table' THEN 'U' ELSE 'V' END AS xtype, "
            "CASE m.type WHEN 'table' THEN 'U' ELSE 'V' END AS type, "
            "1 AS uid, 0 AS parent_obj, NULL AS crdate "
            "FROM main.sqlite_master m WHERE m.type IN ('table','view') "
            "AND substr(m.name,1,7) <> 'sqlite_' AND substr(m.name,1,5) <> 'tsql_' "
            "UNION ALL SELECT 1000000 + p.rowid, p.name, 'P', 'P', 1, 0, p.created "
            "FROM main.tsql_procedures p "
            "UNION ALL SELECT 4000000 + f.rowid, f.name, f.kind, f.kind, 1, 0, f.created "
            "FROM main.tsql_functions f "
            "UNION ALL SELECT 2000000 + c.rowid, c.name, "
            "CASE c.kind WHEN 'FK' THEN 'F' WHEN 'DF' THEN 'D' WHEN 'CK' THEN 'C' ELSE c.kind END, "
            "CASE c.kind WHEN 'FK' THEN 'F' WHEN 'DF' THEN 'D' WHEN 'CK' THEN 'C' ELSE c.kind END, "
            "1, "
            "(SELECT t.rowid FROM main.sqlite_master t WHERE t.type = 'table' AND " +
                collated("t.name") +
                " = c.table_name), NULL FROM main.tsql_constraints c "
                "UNION ALL SELECT 3000000 + g.rowid, g.name, 'TR', 'TR', 1, "
                "(SELECT t.rowid FROM main.sqlite_master t WHERE t.type IN ('table', "
                "'view') AND " +
                collated("t.name") + " = g.table_name), g.created FROM main.tsql_triggers g"),
        // Columns of tables and views.
        catalogView("syscolumns",
                    "SELECT m.rowid AS id, p.name AS name, p.cid + 1 AS colid, replace(p.type, ' "
                    "text', '') AS typename, "
                    "CASE WHEN p.\"notnull\" THEN 0 ELSE 1 END AS isnullable, 0 AS xtype, "
                    "0 AS xusertype, 0 AS length "
                    "FROM main.sqlite_master m, pragma_table_info(m.name, 'main') p "
                    "WHERE m.type IN ('table','view') AND substr(m.name,1,7) <> 'sqlite_' "
                    "AND substr(m.name,1,5) <> 'tsql_'"),
        // Indexes by their T-SQL names (the table prefix of the stored name removed), without
        // the guards of unique indexes' NULLs.
        catalogView("sysindexes",
                    "SELECT t.rowid AS id, CASE WHEN instr(i.name, '.') > 0 "
                    "THEN substr(i.name, instr(i.name, '.') + 1) ELSE i.name END AS name, "
                    "i.rowid AS indid, 0 AS status "
                    "FROM main.sqlite_master i JOIN main.sqlite_master t "
                    "ON t.type = 'table' AND t.name = i.tbl_name "
                    "WHERE i.type = 'index' AND substr(i.name,1,7) <> 'sqlite_' AND "
                    "substr(i.name, 1, " +
                        QByteArray::number(qstrlen(kNullGuardPrefix)) + ") <> " +
                        sqlite::text(QByteArray(kNullGuardPrefix))),
        // Data types: the system types and the alias types of this database.
        catalogView("systypes",
                    "SELECT column1 AS name, column2 AS xtype, column2 AS xusertype, "
                    "column3 AS length "
                    "FROM (VALUES ('bit',104,1),('tinyint',48,1),('smallint',52,2),('int',56,4),"
                    "('bigint',127,8),('decimal',106,17),('numeric',108,17),('money',60,8),"
                    "('float',62,8),('real',59,4),('char',175,8000),('varchar',167,8000),"
                    "('nchar',239,8000),('nvarchar',231,8000),('text',35,16),('datetime',61,8),"
                    "('date',40,3)) "
                    "UNION ALL SELECT t.name, 0, 256 + t.rowid, 0 FROM main.tsql_types t"),
        // Databases of the server; the session refills it before a statement reads it.
        "CREATE TEMP TABLE sysdatabases (" + collated("name TEXT") +
            ", dbid INTEGER, filename TEXT, crdate TEXT)",
        // The sys.* catalogue views with SQL Server's column names, over the ones above.
        catalogView("sys_objects",
                    "SELECT id AS object_id, name, xtype AS type, "
                    "parent_obj AS parent_object_id FROM temp.sysobjects"),
        catalogView("sys_tables",
                    "SELECT id AS object_id, name FROM temp.sysobjects WHERE xtype = 'U'"),
        catalogView("sys_views",
                    "SELECT id AS object_id, name FROM temp.sysobjects WHERE xtype = 'V'"),
        catalogView("sys_procedures",
                    "SELECT id AS object_id, name FROM temp.sysobjects WHERE xtype = 'P'"),
        catalogView("sys_triggers",
                    "SELECT id AS object_id, name, parent_obj AS parent_id FROM temp.sysobjects "
                    "WHERE xtype = 'TR'"),
        catalogView("sys_columns",
                    "SELECT id AS object_id, name, colid AS column_id, "
                    "isnullable AS is_nullable FROM temp.syscolumns"),
        catalogView("sys_indexes",
                    "SELECT id AS object_id, name, indid AS index_id FROM temp.sysindexes"),
        catalogView("sys_types",
                    "SELECT name, xtype AS system_type_id, "
                    "xusertype AS user_type_id FROM temp.systypes"),
        catalogView("sys_databases", "SELECT name, dbid AS database_id FROM temp.sysdatabases"),
    };
}

// Tables and functions that belong to SQLite or to the engine, not to the database.
bool isInternalTable(const char* name) {
    return name &&
           (sqlite3_strnicmp(name, "sqlite_", 7) == 0 || sqlite3_strnicmp(name, "tsql_", 5) == 0);
}

bool isInternalFunction(const char* name) {
    return name && (sqlite3_strnicmp(name, "sqlite_", 7) == 0 ||
                    sqlite3_stricmp(name, "load_extension") == 0 ||
                    sqlite3_stricmp(name, "fts3_tokenizer") == 0);
}

}  // namespace

void Database::ensureMetadata(const QByteArray& schema) {
    const QByteArray name = collated("name TEXT PRIMARY KEY");
    for (const QByteArray& table :
         {"tsql_types (" + name +
              ", definition TEXT NOT NULL, nullable INTEGER NOT NULL DEFAULT 1)",
          "tsql_procedures (" + name + ", definition TEXT NOT NULL, created TEXT)",
          // AFTER triggers: the table they belong to, the statements that fire them (bits of
          // CreateTriggerStmt::Event) and their T-SQL text.
          "tsql_triggers (" + name + ", " + collated("table_name TEXT NOT NULL") +
              ", events INTEGER NOT NULL, definition TEXT NOT NULL, created TEXT)",
          // kind: FN scalar, IF inline table-valued, TF multi-statement table-valued.
          "tsql_functions (" + name +
              ", definition TEXT NOT NULL, kind TEXT NOT NULL, data_type TEXT, created TEXT)",
          "tsql_constraints (" + name + ", " + collated("table_name TEXT NOT NULL") +
              ", kind TEXT NOT NULL, columns TEXT, detail TEXT)",
          // A view's T-SQL text; NULL for views made before the engine kept it.
          "tsql_views (" + name + ", column_types TEXT NOT NULL, definition TEXT)",
          // Identity columns' seed and increment; a table without a row counts from 1 by 1.
          "tsql_identities (" + name + ", seed INTEGER NOT NULL, increment INTEGER NOT NULL)"})
        exec("CREATE TABLE IF NOT EXISTS " + schema + "." + table);
    // Files made before a metadata column was added get it.
    if (!hasColumn(schema, "tsql_views", "definition") &&
        scalar("SELECT count(*) FROM " + schema +
               ".sqlite_master WHERE type = 'table' AND name = 'tsql_views'"))
        exec("ALTER TABLE " + schema + ".tsql_views ADD COLUMN definition TEXT");
}

bool Database::hasColumn(const QByteArray& schema, const char* table, const char* column) {
    sqlite3_stmt* st = prepare("PRAGMA " + schema + ".table_info(" + table + ")");
    bool found = false;
    while (!found && step(st) == SQLITE_ROW)
        found =
            sqlite3_stricmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), column) == 0;
    sqlite3_reset(st);
    return found;
}

Database::Database(const QString& path, std::function<QDateTime()>* clock, bool create)
    : path_(path) {
    const OpenedFile file = openDatabaseFile(path, create);
    db_ = file.db;
    readOnly_ = file.readOnly;
    try {
        setUp(clock);
    } catch (...) {
        close();  // no destructor runs for an object whose constructor failed
        throw;
    }
}

void Database::setUp(std::function<QDateTime()>* clock) {
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 60000);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_set_authorizer(db_, &Database::authorize, this);
    registerCollation(db_);
    registerLike(db_);
    registerFunctions(db_, clock);
    installCatalogFunctions();
    registerApplyRows(*this);
    sqlite3_progress_handler(db_, 20000, &Database::progress, this);
    if (!path_.isEmpty())
        bringCollationUpToDate();
    if (!path_.isEmpty() && !readOnly_) {
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=NORMAL");
    }
    exec("PRAGMA foreign_keys=ON");
    if (!readOnly_)
        ensureMetadata("main");
    ensureMetadata("temp");  // constraints of #temporary tables
    installCatalogViews();
}

// Files of older engines declare SQLite's NOCASE and hold their indexes in the engine's order
// under that name, which other SQLite tools read in another order. Their schema text is changed
// to the engine's collation name and the indexes rebuilt with it; a file that cannot be written
// is read with the engine's order under the old name.
void Database::bringCollationUpToDate() {
    struct Object {
        qint64 rowid;
        QByteArray sql;
    };
    auto legacyObjects = [this] {
        std::vector<Object> found;
        sqlite3_stmt* st =
            prepare("SELECT rowid, sql FROM main.sqlite_master WHERE sql IS NOT NULL");
        while (step(st) == SQLITE_ROW) {
            const QByteArray sql(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                                 sqlite3_column_bytes(st, 1));
            const QByteArray renamed = renameCollation(sql, "NOCASE", kCollation);
            if (renamed != sql)
                found.push_back({sqlite3_column_int64(st, 0), renamed});
        }
        sqlite3_reset(st);
        return found;
    };
    if (legacyObjects().empty())
        return;
    if (readOnly_) {
        legacyCollation_ = true;
        registerCollationAs(db_, "NOCASE");
        return;
    }
    exec("BEGIN IMMEDIATE");
    try {
        const std::vector<Object> objects = legacyObjects();  // another process may have done it
        editSchema([&] {
            sqlite3_stmt* st = prepare("UPDATE main.sqlite_master SET sql = ?2 WHERE rowid = ?1");
            for (const Object& o : objects) {
                sqlite3_bind_int64(st, 1, o.rowid);
                sqlite3_bind_text(st, 2, o.sql.constData(), int(o.sql.size()), SQLITE_TRANSIENT);
                const int rc = step(st);
                sqlite3_reset(st);
                if (rc != SQLITE_DONE)
                    raiseLast(rc);
            }
        });
        exec("COMMIT");
    } catch (...) {
        exec("ROLLBACK");
        throw;
    }
    exec(QByteArray("REINDEX ") + kCollation);
}

void Database::editSchema(const std::function<void()>& edit) {
    const qint64 version = scalar("PRAGMA main.schema_version");
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 0, nullptr);
    exec("PRAGMA writable_schema = ON");
    try {
        edit();
        exec("PRAGMA main.schema_version = " + QByteArray::number(version + 1));
    } catch (...) {
        exec("PRAGMA writable_schema = OFF");
        sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        throw;
    }
    exec("PRAGMA writable_schema = OFF");
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
}

Database::~Database() {
    close();
}

void Database::close() noexcept {
    clearCache(true);
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

// What a translation may do: read and write rows of the database's tables (recursive common tables
// too), call functions, and read SQLite's and the engine's tables only through the catalogue views
// the engine installed.
int Database::authorize(void* self, int action, const char* a, const char* b, const char*,
                        const char* view) {
    if (static_cast<Database*>(self)->engine_)
        return SQLITE_OK;
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_RECURSIVE:
            return SQLITE_OK;
        case SQLITE_READ:
            if (sqlite3_stricmp(a, kApplyRows) == 0 || sqlite3_stricmp(a, kFunctionRows) == 0)
                return SQLITE_OK;
            [[fallthrough]];
        case SQLITE_INSERT:
        case SQLITE_UPDATE:
        case SQLITE_DELETE:
            return isInternalTable(a) && !view ? SQLITE_DENY : SQLITE_OK;
        case SQLITE_FUNCTION:
            return isInternalFunction(b) && !view ? SQLITE_DENY : SQLITE_OK;
        case SQLITE_PRAGMA:
            // pragma_table_info() of the syscolumns view runs "PRAGMA table_info" by itself, and
            // INFORMATION_SCHEMA.COLUMNS table_xinfo.
            return sqlite3_stricmp(a, "table_info") == 0 || sqlite3_stricmp(a, "table_xinfo") == 0
                       ? SQLITE_OK
                       : SQLITE_DENY;
        default:
            return SQLITE_DENY;
    }
}

void Database::installCatalogViews() {
    for (const QByteArray& sql : catalogViews())
        exec(sql);
    const QString catalog =
        path_.isEmpty() ? QStringLiteral("master") : QFileInfo(path_).completeBaseName();
    for (const QByteArray& sql :
         informationSchemaViews(catalog, hasColumn("main", "tsql_views", "definition")))
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
    raiseSqliteFailure(failure(SQLITE_INTERRUPT));
}

void Database::startStatement() {
    timedOut_ = false;
    cancelled_ = false;
    deadline_ = timeoutMs_ ? QDateTime::currentMSecsSinceEpoch() + timeoutMs_ : 0;
}

sqlite3_stmt* Database::prepareOne(const QByteArray& sql, bool engine) {
    StatementCache& cache = cache_[engine ? 1 : 0];
    const std::string_view text(sql.constData(), static_cast<size_t>(sql.size()));
    auto it = cache.find(text);
    if (it != cache.end()) {
        if (sqlite3_stmt* st = sqlite3_stmt_busy(it->second) ? idleSpare(text) : it->second) {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
            return st;
        }
    }
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    int rc = 0;
    {
        const bool saved = engine_;
        engine_ = engine;
        rc = sqlite3_prepare_v3(db_, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                &st, &tail);
        engine_ = saved;
    }
    if (rc != SQLITE_OK)
        raiseLast(rc);
    // One text is one statement: anything after it would be a second one.
    if (!st || tail != sql.constData() + sql.size()) {
        sqlite3_finalize(st);
        raise(err::Internal,
              QStringLiteral("Internal Query Processor Error: the translation of the statement is "
                             "not a single SQLite statement."));
    }
    if (cache_[0].size() + cache_[1].size() + spares_.size() > 2000)
        clearCache(false);
    if (cache.count(text) > 0)  // its statement is running: this one is a spare
        spares_.emplace_back(std::string(text), st);
    else
        cache.emplace(text, st);
    return st;
}

sqlite3_stmt* Database::idleSpare(std::string_view text) const {
    for (const auto& [spareText, st] : spares_)
        if (spareText == text && !sqlite3_stmt_busy(st))
            return st;
    return nullptr;
}

void Database::clearCache(bool all) noexcept {
    ++generation_;
    // A running statement stays: a statement it runs (a user function's, an APPLY's) may be
    // what filled the cache.
    auto finalized = [all](sqlite3_stmt* st) {
        if (!all && sqlite3_stmt_busy(st))
            return false;
        sqlite3_finalize(st);
        return true;
    };
    for (StatementCache& cache : cache_)
        std::erase_if(cache, [&](const auto& entry) { return finalized(entry.second); });
    std::erase_if(spares_, [&](const auto& spare) { return finalized(spare.second); });
}

sqlite3_stmt* Database::prepare(const QByteArray& sql) {
    return prepareOne(sql, true);
}

sqlite3_stmt* Database::prepareTranslation(const QByteArray& sql) {
    return prepareOne(sql, false);
}

sqlite3_stmt* Database::prepareTranslation(const QByteArray& sql, HeldStatement& held) {
    if (held.st && held.generation == generation_ && !sqlite3_stmt_busy(held.st))
        return held.st;
    held.st = prepareOne(sql, false);
    held.generation = generation_;
    return held.st;
}

int Database::step(sqlite3_stmt* st) {
    EngineScope scope(*this);
    return sqlite3_step(st);
}

void Database::exec(const QByteArray& sql) {
    sqlite3_stmt* st = prepare(sql);
    int rc = step(st);
    while (rc == SQLITE_ROW)
        rc = step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        raiseLast(rc);
}

qint64 Database::scalar(const QByteArray& sql) {
    sqlite3_stmt* st = prepare(sql);
    int rc = step(st);
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
    {
        // Brings the file up to date on a connection of its own first.
        const Database own(path, nullptr);
        if (own.legacyCollation_)
            registerCollationAs(db_, "NOCASE");
    }
    sqlite3_stmt* st = prepare("ATTACH DATABASE ?1 AS " + sqlite::name(name));
    const QByteArray p = attachName(path);
    sqlite3_bind_text(st, 1, p.constData(), int(p.size()), SQLITE_TRANSIENT);
    const int rc = step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        raiseLast(rc);
    attached_ << name;
    if (!isReadOnlyFile(path)) {
        exec("PRAGMA " + sqlite::name(name) + ".journal_mode=WAL");
        ensureMetadata(sqlite::name(name));
    }
}

void Database::detach(const QString& name) {
    if (!sqlite3_get_autocommit(db_))
        notSupported(QStringLiteral("dropping database '%1' inside a transaction").arg(name));
    exec("DETACH DATABASE " + sqlite::name(name));
    attached_.removeIf([&](const QString& n) { return n.compare(name, Qt::CaseInsensitive) == 0; });
}

void Database::raiseLast(int rc, const QString& object) {
    raiseSqliteFailure(failure(rc, object));
}

SqliteFailure Database::failure(int rc, const QString& object) const {
    // SQLite keeps the system's error of a failed write only in some of its paths (not for the
    // journal's); errno, read before anything else runs, still holds it.
    const int lastSystemError = errno;
    SqliteFailure f;
    f.code = rc;
    f.message = QString::fromUtf8(sqlite3_errmsg(db_));
    f.systemError = sqlite3_system_errno(db_);
    if (f.systemError == 0 && (rc & 0xff) == SQLITE_IOERR)
        f.systemError = lastSystemError;
    f.timedOut = timedOut_;
    f.cancelled = cancelled_;
    f.database = path_.isEmpty() ? QStringLiteral("master") : QFileInfo(path_).completeBaseName();
    f.object = object;
    f.lengthLimit = sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, -1);
    return f;
}

// OBJECT_ID('[db.][schema.]name'[, type]), OBJECT_NAME(id), TYPE_ID('name') and
// COL_LENGTH('table', 'column'): catalogue lookups that the engine runs as a statement runs; NULL
// when nothing has the name.
void Database::installCatalogFunctions() {
    struct Lookup {
        const char* name;
        int arguments;
        void (*body)(sqlite3_context*, int, sqlite3_value**);
    };
    for (const Lookup& f :
         {Lookup{"object_id", 1, &Database::objectId}, Lookup{"object_id", 2, &Database::objectId},
          Lookup{"type_id", 1, &Database::typeId},
          Lookup{"tsql_object_name", 1, &Database::objectName},
          Lookup{"tsql_col_length", 2, &Database::columnLength}})
        sqlite3_create_function(db_, f.name, f.arguments, SQLITE_UTF8, this, f.body, nullptr,
                                nullptr);
    registerTypeFacet(db_);
    for (const int arguments : {2, 3})
        sqlite3_create_function(db_, "tsql_identity", arguments, SQLITE_UTF8, this,
                                &Database::identity, nullptr, nullptr);
}

// With a type ('U', 'V', 'P', 'PK' ...), ?2, only an object of that type.
void Database::objectId(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    static const QByteArray objects = "SELECT id FROM temp.sysobjects WHERE " + collated("name") +
                                      " = ?1 AND (?2 IS NULL OR xtype = ?2) LIMIT 1";
    // tempdb..#name: a temporary table of this connection, by a negative id (as tempdb's are)
    // that no object of the database has.
    static const QByteArray temporary =
        "SELECT -rowid FROM temp.sqlite_master WHERE type = 'table' AND " + collated("name") +
        " = ?1 AND (?2 IS NULL OR ?2 = 'U') LIMIT 1";
    lookUp(ctx, argc, argv, objects, temporary);
}

void Database::typeId(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    static const QByteArray types =
        "SELECT xusertype FROM temp.systypes WHERE " + collated("name") + " = ?1 LIMIT 1";
    lookUp(ctx, argc, argv, types, types);
}

void Database::lookUp(sqlite3_context* ctx, int argc, sqlite3_value** argv,
                      const QByteArray& byName, const QByteArray& byTemporaryName) {
    for (int k = 0; k < argc; ++k)
        if (sqlite3_value_type(argv[k]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    auto* self = static_cast<Database*>(sqlite3_user_data(ctx));
    // Not a structured binding: clang 14 does not capture those in lambdas.
    const std::pair<QByteArray, QByteArray> object = objectArgument(argv[0]);
    const QByteArray& schema = object.first;
    const QByteArray& name = object.second;
    const Value type = argc > 1 ? Value::text(argText(argv[1]).trimmed().toUpper()) : Value();
    guarded(ctx, [&] {
        EngineScope scope(*self);
        self->valueOf(schema == "temp" ? byTemporaryName : byName,
                      {Value::text(QString::fromUtf8(name)), type})
            .result(ctx);
    });
}

void Database::objectName(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* self = static_cast<Database*>(sqlite3_user_data(ctx));
    guarded(ctx, [&] {
        EngineScope scope(*self);
        self->valueOf("SELECT name FROM temp.sysobjects WHERE id = ?1",
                      {Value::fromSqlite(argv[0])})
            .result(ctx);
    });
}

// COL_LENGTH: the bytes of a column's type, -1 for max; NULL for a table or column not there.
void Database::columnLength(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* self = static_cast<Database*>(sqlite3_user_data(ctx));
    const std::pair<QByteArray, QByteArray> table = objectArgument(argv[0]);
    guarded(ctx, [&] {
        EngineScope scope(*self);
        const Value declared = self->valueOf(
            "SELECT type FROM pragma_table_info(?1, ?2) WHERE " + collated("name") + " = ?3",
            {Value::text(table.second), Value::text(table.first), Value::fromSqlite(argv[1])});
        if (declared.isNull())
            sqlite3_result_null(ctx);
        else
            sqlite3_result_int(ctx, columnType(declared.toString()).storageSize());
    });
}

std::pair<QByteArray, QByteArray> Database::objectArgument(sqlite3_value* v) {
    QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                     sqlite3_value_bytes(v))
                       .split(u'.')
                       .last();
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    return {name.startsWith(u'#') ? "temp" : "main", name.toUtf8()};
}

std::optional<qint64> Database::integerOf(const QByteArray& sql, const Value& param) {
    const Value v = valueOf(sql, {param});
    return v.isNull() ? std::nullopt : std::optional<qint64>(v.i);
}

Value Database::valueOf(const QByteArray& sql, std::initializer_list<Value> params) {
    sqlite3_stmt* st = prepare(sql);
    int index = 0;
    for (const Value& p : params)
        p.bind(st, ++index);
    const int rc = step(st);
    const Value value = rc == SQLITE_ROW ? Value::fromColumn(st, 0) : Value();
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        raiseLast(rc);
    return value;
}

// tsql_identity(table, part [, schema]): of the table's identity, part 0 the current value
// (IDENT_CURRENT: the last value given, or the seed while none has been since the table was made
// or truncated), 1 the seed, 2 the increment, 3 SQLite's counter (the last value given, or one
// increment below the seed). Without a schema the table is looked up by its T-SQL name.
void Database::identity(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* self = static_cast<Database*>(sqlite3_user_data(ctx));
    const std::pair<QByteArray, QByteArray> table = objectArgument(argv[0]);
    QByteArray schema = table.first;
    const QByteArray& name = table.second;
    if (argc > 2)
        schema = reinterpret_cast<const char*>(sqlite3_value_text(argv[2]));
    const int part = sqlite3_value_int(argv[1]);
    guarded(ctx, [&] {
        EngineScope scope(*self);
        const std::optional<Identity> id = self->identityOf(schema, name);
        if (!id) {
            sqlite3_result_null(ctx);
            return;
        }
        const qint64 fresh = id->seed - id->increment;
        const qint64 counter = id->counter.value_or(fresh);
        const qint64 values[] = {counter == fresh ? id->seed : counter, id->seed, id->increment,
                                 counter};
        sqlite3_result_int64(ctx, values[part & 3]);
    });
}

std::optional<Database::Identity> Database::identityOf(const QByteArray& schema,
                                                       const QByteArray& name) {
    const QByteArray s = sqlite::name(QString::fromUtf8(schema));
    // The table's row in the schema when it has an identity column (SQLite's rowid).
    const std::optional<qint64> table = integerOf(
        "SELECT m.rowid FROM " + s + ".sqlite_master m WHERE m.type = 'table' AND " +
            collated("m.name") + " = ?1 AND EXISTS (SELECT 1 FROM pragma_table_info(m.name, " +
            sqlite::text(schema) + ") p WHERE p.pk = 1 AND p.type = 'INTEGER')",
        Value::text(QString::fromUtf8(name)));
    if (!table)
        return std::nullopt;
    const QByteArray stored = "(SELECT name FROM " + s + ".sqlite_master WHERE rowid = ?1)";
    Identity id;
    // A file that could not be given the metadata counts from 1 by 1.
    if (sqlite3_table_column_metadata(db_, schema.constData(), "tsql_identities", "increment",
                                      nullptr, nullptr, nullptr, nullptr, nullptr) == SQLITE_OK) {
        id.seed = integerOf("SELECT seed FROM " + s + ".tsql_identities WHERE name = " + stored,
                            Value::integer(*table))
                      .value_or(1);
        id.increment =
            integerOf("SELECT increment FROM " + s + ".tsql_identities WHERE name = " + stored,
                      Value::integer(*table))
                .value_or(1);
    }
    id.counter = integerOf("SELECT seq FROM " + s + ".sqlite_sequence WHERE name = " + stored,
                           Value::integer(*table));
    return id;
}

}  // namespace tsql
