// Set statements: translations, placeholders, running them, and noticing schema changes.
#include <sqlite3.h>

#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

#include "tsql/Collation.h"
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/IdentityCounters.h"
#include "tsql/Interpreter.h"
#include "tsql/Parser.h"
#include "tsql/SqliteErrors.h"
#include "tsql/Walker.h"

namespace tsql {

namespace {

// SQLite's last insert rowid, set before an INSERT steps, tells afterwards which row it wrote last,
// also when it then failed: each row written sets it, and the rollback of a failed statement
// leaves it. Only the engine reads it, and only after an INSERT that wrote rows.
constexpr qint64 kNoRowWritten = std::numeric_limits<qint64>::min();

std::optional<qint64> lastRowWritten(sqlite3* db) {
    const qint64 last = sqlite3_last_insert_rowid(db);
    return last == kNoRowWritten ? std::nullopt : std::optional<qint64>(last);
}

// A cell of the current row. Texts are read as SQLite renders them, whatever it stores, so a
// text column reads the same through every sink; `cell` keeps its buffer from row to row.
void readCell(sqlite3_stmt* st, int k, const SqlType& type, Value& cell) {
    const int kind = sqlite3_column_type(st, k);
    if (kind == SQLITE_NULL || !type.isText()) {
        cell = Value::fromColumn(st, k);
        return;
    }
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, k));
    const int size = sqlite3_column_bytes(st, k);
    cell.kind = Value::Text;
    cell.s.resize(size);
    memcpy(cell.s.data(), text, static_cast<size_t>(size));
}

}  // namespace

void Interpreter::readRow(sqlite3_stmt* st, const Compiled& c, std::vector<Value>& cells) {
    for (size_t k = 0; k < cells.size(); ++k)
        readCell(st, static_cast<int>(k), c.columns[k].type, cells[k]);
}

void Interpreter::passRow(sqlite3_stmt* st, const Compiled& c, std::vector<Value>& cells,
                          ResultSink& sink) {
    if (sink.takeRow(st))
        return;
    cells.resize(c.columns.size());
    readRow(st, c, cells);
    sink.row(cells);
}

std::shared_ptr<const Compiled> Interpreter::compiled(
    const void* node, const std::function<Compiled(SqliteEmitter&)>& make) {
    // The row set's columns are described once per translation, not at each run.
    auto translate = [&] {
        SqliteEmitter emitter(*this);
        Compiled c = make(emitter);
        c.result = resultColumns(c);
        return std::make_shared<const Compiled>(std::move(c));
    };
    if (!place_.batch || place_.statement < 0)
        return translate();
    std::vector<Translation>& made =
        place_.batch->translations[static_cast<size_t>(place_.statement)];
    auto it = std::find_if(made.begin(), made.end(),
                           [&](const Translation& t) { return t.node == node; });
    if (it == made.end())
        it = made.insert(made.end(), Translation{node, -1, {}, nullptr});
    else if (it->catalogue == catalogueVersion_ && it->signature == paramSignature_)
        return it->compiled;
    it->compiled = translate();
    it->catalogue = catalogueVersion_;
    it->signature = paramSignature_;
    return it->compiled;
}

void Interpreter::bindSlots(sqlite3_stmt* st, const Compiled& c) {
    // A parameter without a slot would keep the value of the statement's previous run.
    if (sqlite3_bind_parameter_count(st) != static_cast<int>(c.bindings.size()))
        sqlite3_clear_bindings(st);
    for (size_t k = 0; k < c.bindings.size(); ++k) {
        const Slot& s = c.bindings[k];
        const int index = static_cast<int>(k) + 1;
        switch (s.kind) {
            case Slot::Param: {
                const auto* params = frames_.back().params;
                if (!params || s.index >= static_cast<int>(params->size()))
                    missingParameter(s.index);
                Value::bindBound(st, index, (*params)[static_cast<size_t>(s.index)]);
                break;
            }
            case Slot::Variable:
                declaredVariable(s.name).value.bind(st, index);
                break;
            case Slot::Context:
                s.context->value(sessionState()).bind(st, index);
                break;
            case Slot::CursorRow:
                sqlite3_bind_int64(st, index, currentRow(s.name, s.index == 1));
                break;
        }
    }
}

SessionState Interpreter::sessionState() const {
    SessionState state;
    state.rowcount = rowcount_;
    state.identity = identity_;
    state.scopeIdentity = frames_.back().identity;
    state.tranDepth = tranDepth_;
    state.doomed = doomed_;
    state.lastError = lastError_;
    state.fetchStatus = fetchStatus_;
    state.cursorRows = cursorRows();
    state.nestLevel = static_cast<int>(frames_.size()) - 1;
    state.dateFirst = options_.dateFirst;
    state.options = options_.bits();
    state.serverDir = server_.dir();
    state.database = dbName_;
    state.error = catches_.empty() ? nullptr : &catches_.back();
    state.updatedColumns = frames_.back().updatedColumns;
    return state;
}

ResultColumns Interpreter::resultColumns(const Compiled& c) {
    QList<ResultColumn> columns;
    columns.reserve(static_cast<qsizetype>(c.columns.size()));
    for (const OutColumn& col : c.columns)
        columns.push_back({col.name, col.type});
    return ResultColumns(std::move(columns));
}

void Interpreter::runQuery(const Compiled& c, ResultSink* sink, std::vector<Value>* lastRow,
                           qint64 limit) {
    if (c.readsDatabases)
        refreshDatabases();
    Database::TranslationScope scope(*db_);
    sqlite3_stmt* st = prepare(c);
    bindSlots(st, c);
    const int n = static_cast<int>(c.columns.size());
    qint64 count = 0;
    int rc = sqlite3_step(st);
    checkReprepared(st, rc, false);
    std::vector<Value> cells;
    if (sink)
        sink->rowSetBegin(c.result);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) {
        if (limit > 0 && count == limit) {
            rc = SQLITE_DONE;  // the rest of the rows are left unread
            break;
        }
        ++count;
        if (sink)
            passRow(st, c, cells, *sink);
        else if (lastRow) {
            lastRow->clear();
            for (int k = 0; k < n; ++k)
                lastRow->push_back(Value::fromColumn(st, k));
        }
    }
    finishQuery(st, rc, count, sink);
}

void Interpreter::finishQuery(sqlite3_stmt* st, int rc, qint64 count, ResultSink* sink) {
    if (rc != SQLITE_DONE) {
        const SqliteFailure failure = db_->failure(rc);
        sqlite3_reset(st);
        noteSchema(st);
        raiseSqliteFailure(failure);
    }
    sqlite3_reset(st);
    noteSchema(st);
    endRowSet(count, sink);
}

void Interpreter::endRowSet(qint64 count, ResultSink* sink) {
    rowcount_ = count;
    lastError_ = 0;
    if (sink)
        sink->rowSetEnd(options_.nocount ? -1 : count);
}

// A variable holds its value in its declared type, the column's, and SQLite hands a bound value
// back as it was bound: the values are the row SQLite would make.
void Interpreter::readVariables(const Compiled& c, std::vector<Value>& cells) {
    cells.resize(static_cast<size_t>(c.variablesAlone.size()));
    for (size_t k = 0; k < cells.size(); ++k)
        cells[k] = declaredVariable(c.variablesAlone[static_cast<qsizetype>(k)]).value;
}

const Interpreter::Variable& Interpreter::declaredVariable(const QString& key) const {
    const Variable* v = frames_.back().vars.find(key);
    if (!v)
        undeclaredVariable(key);
    return *v;
}

bool Interpreter::passVariablesRow(const Compiled& c) {
    if (c.variablesAlone.isEmpty())
        return false;
    std::vector<Value> cells;
    readVariables(c, cells);
    if (sink_) {
        sink_->rowSetBegin(c.result);
        sink_->row(cells);
    }
    endRowSet(1, sink_);
    return true;
}

void Interpreter::runChange(const Compiled& c, bool report) {
    Database::TranslationScope scope(*db_);
    sqlite3_stmt* st = prepare(c);
    bindSlots(st, c);
    if (c.drawsIdentity)
        sqlite3_set_last_insert_rowid(db_->handle(), kNoRowWritten);
    const int rc = sqlite3_step(st);
    // What failed, taken before anything else runs on the connection.
    const SqliteFailure failure = rc == SQLITE_DONE
                                      ? SqliteFailure()
                                      : db_->failure(rc, c.target ? c.target->name : QString());
    checkReprepared(st, rc, true);
    if (rc != SQLITE_DONE) {
        sqlite3_reset(st);
        noteSchema(st);
        if ((rc & 0xff) == SQLITE_CONSTRAINT) {
            if (c.drawsIdentity)
                useUpIdentity(*c.target, lastRowWritten(db_->handle()));
            raiseConstraint(rc, failure.message, c);
        }
        raiseSqliteFailure(failure);
    }
    sqlite3_reset(st);
    noteSchema(st);
    qint64 changes = sqlite3_changes64(db_->handle());
    rowcount_ = changes;
    lastError_ = 0;
    if (c.verb == u"INSERT" && c.target && c.target->identityColumn >= 0 && changes > 0)
        frames_.back().identity = identity_ = sqlite3_last_insert_rowid(db_->handle());
    if (report && !options_.nocount && sink_)
        sink_->rowsAffected(changes);
}

// The statement's own error is what the caller hears of: a counter that cannot be moved stays.
void Interpreter::useUpIdentity(const TableInfo& t, std::optional<qint64> lastWritten) {
    try {
        tsql::useUpIdentity(*db_, t, lastWritten);
    } catch (const db::Error&) {
        // The values are given again: a gap SQL Server would leave is missing, nothing more.
    }
}

bool Interpreter::mentionsVariable(const Expr& e, const QStringList& names) {
    return walk(e, {[&](const Expr& x) {
                        return x.kind == Expr::Variable &&
                               names.contains(x.text, Qt::CaseInsensitive);
                    },
                    {}});
}

// EXEC (text): the text runs as a batch of its own scope, without the caller's variables.
void Interpreter::execDynamic(const Expr& text) {
    SqlType type;
    Value v = evaluate(text, &type);
    if (v.isNull())
        return;
    std::shared_ptr<Batch> batch = parse(v.toString());
    const PlaceScope place(place_, {batch.get(), -1});
    if (static_cast<int>(frames_.size()) > kMaxNesting)
        raise(217, QStringLiteral("Maximum stored procedure, function, trigger, or view nesting "
                                  "level exceeded (limit 32)."));
    Frame frame;
    frame.procedure = frames_.back().procedure;
    frames_.push_back(std::move(frame));
    try {
        execList(batch->statements);
    } catch (...) {
        leaveFrame();
        throw;
    }
    leaveFrame();
}

QByteArray Interpreter::columnDeclarations(const Compiled& c, const QString& table) {
    QByteArray cols;
    QStringList seen;
    for (size_t k = 0; k < c.columns.size(); ++k) {
        const OutColumn& col = c.columns[k];
        if (col.name.isEmpty())
            raise(1038, QStringLiteral("An object or column name is missing or empty. For SELECT "
                                       "INTO statements, verify each column has a name."));
        if (seen.contains(col.name, Qt::CaseInsensitive))
            raise(2705, QStringLiteral("Column names in each table must be unique. Column name "
                                       "'%1' in table '%2' is specified more than once.")
                            .arg(col.name, table));
        seen << col.name;
        SqlType t = col.type.known() ? col.type : SqlType::of(SqlType::Int);
        cols += (k ? ", " : "") + sqlite::name(col.name) + " " + t.columnSql();
    }
    return cols;
}

// SELECT ... INTO: a new table with the columns and types of the select list, then its rows.
void Interpreter::selectInto(const SelectStmt& s) {
    const Select& sel = *s.select;
    const ObjectName& target = sel.cores[0].into;
    if (!target.database.isEmpty() && target.database.compare(dbName_, Qt::CaseInsensitive) != 0)
        notSupported(QStringLiteral("SELECT ... INTO a table of another database"));
    const QString schema =
        target.name.startsWith(u'#') ? QStringLiteral("temp") : QStringLiteral("main");
    if (catalog_->objectExists(schema, target.name))
        raise(err::ObjectExists, QStringLiteral("There is already an object named '%1' in the "
                                                "database.")
                                     .arg(target.name));
    const std::shared_ptr<const Compiled> select = compiled(&s, [&](SqliteEmitter& e) {
        useDatabasesOf(s);
        return e.select(sel);
    });
    const Compiled& c = *select;
    const QByteArray table = schema.toUtf8() + "." + sqlite::name(target.name);
    db_->exec("CREATE TABLE " + table + " (" + columnDeclarations(c, target.name) + ")");
    schemaChanged();
    noteTemporary(target.name);
    Compiled insert = c;
    insert.sql = "INSERT INTO " + table + " " + c.sql;
    insert.verb = QStringLiteral("INSERT");
    insert.changesRows = true;
    runChange(insert);
}

bool Interpreter::isSetStatement(const Stmt& s) {
    return s.kind == Stmt::SelectStmt || s.kind == Stmt::Insert || s.kind == Stmt::Update ||
           s.kind == Stmt::Delete;
}

Compiled Interpreter::setStatement(SqliteEmitter& e, const Stmt& s) {
    useDatabasesOf(s);
    switch (s.kind) {
        case Stmt::Insert:
            return e.insert(static_cast<const InsertStmt&>(s));
        case Stmt::Update:
            return e.update(static_cast<const UpdateStmt&>(s));
        case Stmt::Delete:
            return e.remove(static_cast<const DeleteStmt&>(s));
        default:
            return e.select(*static_cast<const SelectStmt&>(s).select);
    }
}

void Interpreter::execChange(const Stmt& s, bool report) {
    const ObjectName& target = s.kind == Stmt::Insert   ? static_cast<const InsertStmt&>(s).table
                               : s.kind == Stmt::Update ? static_cast<const UpdateStmt&>(s).target
                                                        : static_cast<const DeleteStmt&>(s).target;
    if (!target.name.startsWith(u'@'))  // a table variable is written outside the transaction
        refuseWritesWhenDoomed();
    std::shared_ptr<const Compiled> c;
    retryOnSchemaChange(
        [&] { c = compiled(&s, [&](SqliteEmitter& e) { return setStatement(e, s); }); });
    const bool positioned = currentOf(s).has_value();
    if (positioned)
        checkPositioned(s, *c->target);
    if (const std::optional<TriggerInfo> instead = insteadOfFiredBy(*c->target, s.kind))
        execInsteadOf(s, *c->target, *instead, report);
    else if (const std::vector<TriggerInfo> fired = triggersFiredBy(*c->target, s.kind);
             !fired.empty())
        execTriggered(s, *c->target, fired, report);
    else
        runStatement(s, report);
    if (positioned)
        positionedDone(s);
}

void Interpreter::runStatement(const Stmt& s, bool report) {
    if (hasOutput(s)) {
        execOutput(s, report);
        return;
    }
    retryOnSchemaChange([&] {
        runChange(*compiled(&s, [&](SqliteEmitter& e) { return setStatement(e, s); }), report);
    });
}

void Interpreter::execSelect(const SelectStmt& s) {
    const Select& sel = *s.select;
    if (!sel.cores.empty() && !sel.cores[0].into.name.isEmpty()) {
        selectInto(s);
        return;
    }
    bool assigning = !sel.cores.empty() && !sel.cores[0].items.empty() &&
                     !sel.cores[0].items[0].assignVar.isEmpty();
    if (assigning) {
        const std::shared_ptr<const Compiled> assignment = compiled(&s, [&](SqliteEmitter& e) {
            useDatabasesOf(s);
            return e.assignSelect(sel);
        });
        const Compiled& c = *assignment;
        std::vector<Value> last;
        runQuery(c, nullptr, &last, options_.rowcount);
        // SQL Server assigns row by row, so @s = @s + x accumulates; the translation assigns
        // from the last row only, which is the same result unless a variable feeds itself.
        if (rowcount_ > 1) {
            for (const SelectItem& item : sel.cores[0].items)
                if (mentionsVariable(*item.expr, c.assignTo))
                    notSupported(
                        QStringLiteral("SELECT @variable = ... that accumulates over "
                                       "several rows"));
        }
        // SELECT @v = ... assigns from the last row; with no row the variables keep their values.
        if (!last.empty())
            for (int k = 0; k < c.assignTo.size(); ++k)
                assign(c.assignTo[k], last[static_cast<size_t>(k)],
                       c.columns[static_cast<size_t>(k)].type);
        return;
    }
    // Two captures keep the translation's maker within std::function's own storage.
    const std::shared_ptr<const Compiled> c = compiled(&s, [this, &s](SqliteEmitter& e) {
        useDatabasesOf(s);
        return e.select(*s.select);
    });
    if (openRowsNext_)
        openRows(c);
    else if (!passVariablesRow(*c))
        runQuery(*c, sink_, nullptr, options_.rowcount);
}

Value Interpreter::evaluate(const Expr& e, SqlType* type) {
    std::vector<Value> row;
    qint64 saved = rowcount_;
    std::shared_ptr<const Compiled> c;
    retryOnSchemaChange([&] {
        c = compiled(&e, [&](SqliteEmitter& em) {
            useDatabasesOf(e);
            return em.expression(e);
        });
        runQuery(*c, nullptr, &row);
    });
    rowcount_ = saved;
    if (type)
        *type = c->columns[0].type;
    return row.empty() ? Value() : row[0];
}

bool Interpreter::test(const Expr& e) {
    // A condition tested inside this one (a function it calls) finds no room and makes its own.
    std::vector<Value> row = std::move(spareTestRow_);
    row.clear();
    qint64 saved = rowcount_;
    // Two captures keep the run within std::function's own storage.
    const std::pair<const Expr*, std::vector<Value>*> probe{&e, &row};
    retryOnSchemaChange([this, &probe] {
        const Expr& condition = *probe.first;
        runQuery(*compiled(&condition,
                           [this, &condition](SqliteEmitter& em) {
                               useDatabasesOf(condition);
                               return em.condition(condition);
                           }),
                 nullptr, probe.second);
    });
    rowcount_ = saved;
    const bool holds = !row.empty() && row[0].kind == Value::Int && row[0].i == 1;
    spareTestRow_ = std::move(row);
    return holds;
}

void Interpreter::assign(const QString& name, const Value& v, const SqlType& from) {
    Variable* variable = frames_.back().vars.find(name.toLower());
    if (!variable)
        undeclaredVariable(name);
    variable->value = convertValue(v, from, variable->type);
}

// SQLite prepares a statement again when the schema changed under it, also by another
// connection. That happens at its first step, before it has done anything: the translation made
// against the old catalogue is dropped and the statement translated and run again.
void Interpreter::checkReprepared(sqlite3_stmt* st, int rc, bool changesRows) {
    const bool stale = rc == SQLITE_ERROR && isStaleSchemaError();
    const bool reprepared = sqlite3_stmt_status(st, SQLITE_STMTSTATUS_REPREPARE, 1) > 0;
    if (reprepared && changesRows && !stale) {
        // The re-prepared statement has already done its work; later ones are translated anew.
        schemaChanged();
        return;
    }
    if (reprepared || stale) {
        QString message = QString::fromUtf8(sqlite3_errmsg(db_->handle()));
        sqlite3_reset(st);
        schemaChanged();
        throw SchemaChanged{message};
    }
}

// An object a translation refers to has gone: it was dropped or changed by another connection.
bool Interpreter::isStaleSchemaError() const {
    const char* msg = sqlite3_errmsg(db_->handle());
    return strncmp(msg, "no such table", 13) == 0 || strncmp(msg, "no such column", 14) == 0;
}

sqlite3_stmt* Interpreter::prepare(const Compiled& c) {
    try {
        return db_->prepareTranslation(c.sql, c.prepared);
    } catch (const db::Error&) {
        if (!isStaleSchemaError())
            throw;
        QString message = QString::fromUtf8(sqlite3_errmsg(db_->handle()));
        schemaChanged();
        throw SchemaChanged{message};
    }
}

void Interpreter::noteSchema(sqlite3_stmt* st) {
    if (sqlite3_stmt_status(st, SQLITE_STMTSTATUS_REPREPARE, 1) > 0)
        schemaChanged();
}

void Interpreter::retryOnSchemaChange(const std::function<void()>& run) {
    for (int attempt = 0;; ++attempt) {
        try {
            run();
            return;
        } catch (const SchemaChanged& e) {
            if (attempt == 1) {
                SqliteFailure f;
                f.code = SQLITE_ERROR;
                f.message = e.message;
                raiseSqliteFailure(f);
            }
        } catch (const db::Error& e) {
            // A name the catalogue does not know may have been made by another connection since
            // the catalogue was read: read it again once before the error stands.
            const bool unknownName =
                e.nativeError() == err::InvalidObject || e.nativeError() == err::InvalidColumn;
            if (attempt == 1 || !unknownName ||
                db_->scalar("PRAGMA main.schema_version") == schemaVersion_)
                throw;
            schemaChanged();
        }
    }
}

void Interpreter::schemaChanged() {
    catalog_->invalidate();
    ++catalogueVersion_;
    schemaVersion_ = db_->scalar("PRAGMA main.schema_version");
}

void Interpreter::refreshDatabases() {
    db_->exec("DELETE FROM temp.sysdatabases");
    sqlite3_stmt* st = db_->prepare(
        "INSERT INTO temp.sysdatabases (name, dbid, filename, crdate) VALUES (?1, ?2, ?3, NULL)");
    QStringList names = server_.databases();
    names.prepend(QStringLiteral("master"));
    for (int k = 0; k < names.size(); ++k) {
        sqlite3_reset(st);
        Value::text(names[k]).bind(st, 1);
        Value::integer(k + 1).bind(st, 2);
        Value::text(k == 0 ? QString() : server_.pathOf(names[k])).bind(st, 3);
        if (db_->step(st) != SQLITE_DONE)
            db_->raiseLast(sqlite3_errcode(db_->handle()));
    }
    sqlite3_reset(st);
}

}  // namespace tsql
