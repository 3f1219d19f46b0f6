// Cursors: DECLARE ... CURSOR, OPEN, FETCH, CLOSE, DEALLOCATE, cursor variables, CURSOR_STATUS
// and the checks of UPDATE and DELETE ... WHERE CURRENT OF.
#include <sqlite3.h>

#include <QScopeGuard>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Functions.h"
#include "tsql/Interpreter.h"

namespace tsql {

namespace {

[[noreturn]] void notOpen() {
    raise(16917, QStringLiteral("Cursor is not open."));
}

[[noreturn]] void noCurrentRow() {
    raise(16930, QStringLiteral("The requested row is not in the fetch buffer."));
}

bool isStatic(const DeclareCursorStmt& d) {
    return d.sensitivity == DeclareCursorStmt::Static;
}

// A cursor that follows its table as it moves: SQL Server's dynamic and fast-forward cursors,
// and the default one. It passes over rows deleted since OPEN.
bool isDynamic(const DeclareCursorStmt& d) {
    return d.sensitivity == DeclareCursorStmt::Default ||
           d.sensitivity == DeclareCursorStmt::Dynamic ||
           d.sensitivity == DeclareCursorStmt::FastForward;
}

bool isReadOnly(const DeclareCursorStmt& d) {
    return d.readOnly || isStatic(d) || d.sensitivity == DeclareCursorStmt::FastForward;
}

const char* directionName(FetchStmt::Direction d) {
    static const char* const names[] = {"NEXT", "PRIOR", "FIRST", "LAST", "ABSOLUTE", "RELATIVE"};
    return names[d];
}

// Keeps the rows of a cursor's select as OPEN reads them.
class RowCollector : public ResultSink {
public:
    explicit RowCollector(std::vector<std::vector<Value>>& rows) : rows_(rows) {}
    void rowSetBegin(const ResultColumns&) override {}
    void row(const std::vector<Value>& cells) override { rows_.push_back(cells); }
    void rowSetEnd(qint64) override {}
    void rowsAffected(qint64) override {}
    void message(const QString&) override {}
    void statementError(const db::Error&) override {}

private:
    std::vector<std::vector<Value>>& rows_;
};

}  // namespace

// A cursor's select reads the variables and parameters as they are now, whenever it is opened.
void Interpreter::declareCursor(const DeclareCursorStmt& d) {
    if (!place_.batch)
        raise(err::Internal, QStringLiteral("A cursor is declared outside a batch."));
    auto c = std::make_shared<DeclaredCursor>();
    c->batch = place_.batch->shared_from_this();
    c->definition = &d;
    c->variables = frames_.back().vars;
    if (const std::vector<db::BoundValue>* params = frames_.back().params) {
        c->params = *params;
        c->hasParams = true;
    }
    rowcount_ = 1;
    if (d.name.startsWith(u'@')) {  // SET @variable = CURSOR ...
        const auto [cursors, key] = cursorVariable(d.name);
        (*cursors)[key] = std::move(c);
        return;
    }
    Cursors& scope = d.scope == DeclareCursorStmt::Local ? frames_.back().cursors : globalCursors_;
    const QString key = d.name.toLower();
    if (scope.contains(key))
        raise(16915, QStringLiteral("A cursor with the name '%1' already exists.").arg(d.name));
    scope.insert(key, std::move(c));
}

void Interpreter::cursorAction(const CursorActionStmt& a) {
    switch (a.action) {
        case CursorActionStmt::Open:
            openCursor(cursorOf(a.cursor));
            return;
        case CursorActionStmt::Close: {
            const CursorPtr c = cursorOf(a.cursor);
            if (!c->rows.isOpen())
                notOpen();
            c->rows.close();
            c->table.reset();
            break;
        }
        case CursorActionStmt::Deallocate: {
            // A cursor also held by a variable or a name lives on until its last one goes.
            const auto [cursors, key] = cursorEntry(a.cursor);
            if (a.cursor.isVariable())
                (*cursors)[key] = nullptr;
            else
                cursors->remove(key);
            break;
        }
    }
    rowcount_ = 0;
}

bool Interpreter::isCursorVariable(const QString& name) const {
    return frames_.back().cursors.contains(name.toLower());
}

// SET @c = @d or SET @c = name.
void Interpreter::setCursorVariable(const QString& name, const Expr& source) {
    CursorRef from;
    if (source.kind == Expr::Variable)
        from.name = source.text;
    else if (source.kind == Expr::Column && source.parts.size() == 1)
        from.name = source.parts.front();
    else
        notSupported(QStringLiteral("a cursor variable set to an expression"));
    const CursorPtr c = cursorOf(from);
    const auto [cursors, key] = cursorVariable(name);
    (*cursors)[key] = c;
}

std::pair<Interpreter::Cursors*, QString> Interpreter::cursorVariable(const QString& name) {
    const QString key = name.toLower();
    Cursors& cursors = frames_.back().cursors;
    if (!cursors.contains(key)) {
        if (variableType(name))
            raise(16948, QStringLiteral("The variable '%1' is not a cursor variable, but it is "
                                        "used in a place where a cursor variable is expected.")
                             .arg(name));
        undeclaredVariable(name);
    }
    return {&cursors, key};
}

// A name stands for the running scope's LOCAL cursor of that name, else for the GLOBAL one.
std::pair<Interpreter::Cursors*, QString> Interpreter::cursorEntry(const CursorRef& c) {
    if (c.isVariable()) {
        const auto entry = cursorVariable(c.name);
        if (!entry.first->value(entry.second))
            raise(16950, QStringLiteral("The variable '%1' does not currently have a cursor "
                                        "allocated to it.")
                             .arg(c.name));
        return entry;
    }
    const QString key = c.name.toLower();
    if (!c.global && frames_.back().cursors.contains(key))
        return {&frames_.back().cursors, key};
    if (globalCursors_.contains(key))
        return {&globalCursors_, key};
    raise(16916, QStringLiteral("A cursor with the name '%1' does not exist.").arg(c.name));
}

Interpreter::CursorPtr Interpreter::cursorOf(const CursorRef& c) {
    const auto [cursors, key] = cursorEntry(c);
    return cursors->value(key);
}

void Interpreter::openCursor(const CursorPtr& c) {
    if (c->rows.isOpen())
        raise(16905, QStringLiteral("The cursor is already open."));
    std::vector<std::vector<Value>> rows;
    const std::shared_ptr<const Compiled> select = openedRows(*c, rows);
    QList<ResultColumn> columns(select->result.begin(), select->result.end());
    std::vector<qint64> keys;
    if (select->target) {  // the rows' rowids, in their last column
        columns.pop_back();
        keys.reserve(rows.size());
        for (std::vector<Value>& row : rows) {
            keys.push_back(row.back().i);
            row.pop_back();
        }
    }
    c->table = select->target;
    c->rows.open(ResultColumns(std::move(columns)), std::move(rows), std::move(keys));
    lastOpened_ = c;
}

std::shared_ptr<const Compiled> Interpreter::openedRows(DeclaredCursor& c,
                                                        std::vector<std::vector<Value>>& rows) {
    const size_t depth = frames_.size() - 1;
    const std::vector<db::BoundValue>* params = frames_[depth].params;
    std::swap(frames_[depth].vars, c.variables);
    if (c.hasParams)
        frames_[depth].params = &c.params;
    const auto restore = qScopeGuard([&] {
        std::swap(frames_[depth].vars, c.variables);
        frames_[depth].params = params;
    });
    // Its translation is filed with the DECLARE, in the batch that holds it.
    const PlaceScope place(place_, {c.batch.get(), c.definition->index});
    const Select& select = *c.definition->select;
    std::shared_ptr<const Compiled> made;
    RowCollector collector(rows);
    retryOnSchemaChange([&] {
        rows.clear();
        made = compiled(&select, [&](SqliteEmitter& e) {
            useDatabasesOf(select);
            return e.cursorSelect(select);
        });
        runQuery(*made, &collector, nullptr);
    });
    return made;
}

void Interpreter::fetchRow(const FetchStmt& f) {
    const CursorPtr c = cursorOf(f.cursor);
    if (!c->rows.isOpen())
        notOpen();
    const ResultColumns& columns = c->rows.columns();
    if (!f.into.isEmpty() && static_cast<size_t>(f.into.size()) != columns.size())
        raise(16924, QStringLiteral("Cursorfetch: The number of variables declared in the INTO "
                                    "list must match that of selected columns."));
    const Cursor::Fetched row = moveCursor(*c, f);
    fetchStatus_ = row.status;
    rowcount_ = row.row ? 1 : 0;
    if (!f.into.isEmpty()) {
        if (row.row)
            for (qsizetype k = 0; k < f.into.size(); ++k)
                assign(f.into[k], (*row.row)[static_cast<size_t>(k)],
                       columns[static_cast<size_t>(k)].type);
        return;
    }
    // Without INTO the row goes to the client, as a row set of one row or none.
    sink_->rowSetBegin(columns);
    if (row.row)
        sink_->row(*row.row);
    sink_->rowSetEnd(options_.nocount ? -1 : rowcount_);
}

// Raises 16911 and 16925 for a move the cursor does not make. A row deleted from its table
// since OPEN fetches as missing (-2); a dynamic cursor passes over it instead.
Cursor::Fetched Interpreter::moveCursor(DeclaredCursor& c, const FetchStmt& f) {
    const DeclareCursorStmt& d = *c.definition;
    if (f.direction != FetchStmt::Next && !d.scroll)
        raise(16911, QStringLiteral("fetch: The fetch type %1 cannot be used with forward only "
                                    "cursors.")
                         .arg(QLatin1String(directionName(f.direction))));
    if (f.direction == FetchStmt::Absolute && d.sensitivity == DeclareCursorStmt::Dynamic)
        raise(16925,
              QStringLiteral("The fetch type ABSOLUTE cannot be used with dynamic cursors."));
    qint64 offset = 0;
    if (f.offset) {
        SqlType type;
        const Value v = evaluate(*f.offset, &type);
        offset = convertValue(v, type, SqlType::of(SqlType::Int)).i;  // 8115 beyond an int
    }
    Cursor::Fetched row = c.rows.move(f.direction, offset);
    const auto gone = [&] {
        return row.status == -2 || (row.status == 0 && c.table && !isStatic(d) &&
                                    !rowExists(*c.table, *c.rows.currentKey()));
    };
    const bool backwards = f.direction == FetchStmt::Prior || f.direction == FetchStmt::Last ||
                           (f.direction == FetchStmt::Relative && offset < 0);
    while (gone()) {
        if (!isDynamic(d) || f.direction == FetchStmt::Absolute)
            return {-2, nullptr};
        row = c.rows.move(backwards ? FetchStmt::Prior : FetchStmt::Next, 0);
    }
    return row;
}

bool Interpreter::rowExists(const TableInfo& table, qint64 key) {
    sqlite3_stmt* st = db_->prepare("SELECT 1 FROM " + table.sqlName() + " WHERE rowid = ?1");
    sqlite3_bind_int64(st, 1, key);
    const int rc = db_->step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        db_->raiseLast(rc);
    return rc == SQLITE_ROW;
}

const std::optional<CursorRef>& Interpreter::currentOf(const Stmt& s) {
    static const std::optional<CursorRef> none;
    if (s.kind == Stmt::Update)
        return static_cast<const UpdateStmt&>(s).currentOf;
    if (s.kind == Stmt::Delete)
        return static_cast<const DeleteStmt&>(s).currentOf;
    return none;
}

void Interpreter::checkPositioned(const Stmt& s, const TableInfo& target) {
    const CursorPtr c = cursorOf(*currentOf(s));
    const DeclareCursorStmt& d = *c->definition;
    if (!c->rows.isOpen())
        notOpen();
    if (isReadOnly(d) || !c->table)
        raise(16929, QStringLiteral("The cursor is READ ONLY."));
    if (c->table->schema != target.schema ||
        c->table->name.compare(target.name, Qt::CaseInsensitive) != 0)
        raise(16933, QStringLiteral("The cursor does not include the table being modified or the "
                                    "table is not updatable through the cursor."));
    if (s.kind == Stmt::Update && !d.updateColumns.isEmpty())
        for (const Assignment& a : static_cast<const UpdateStmt&>(s).sets)
            if (!a.column.isEmpty() && !d.updateColumns.contains(a.column, Qt::CaseInsensitive))
                raise(16932, QStringLiteral("The cursor has a FOR UPDATE list and the requested "
                                            "column to be updated is not in this list."));
    if (!c->rows.currentKey())
        noCurrentRow();
}

// The positioned statement ran: a row it deleted stays in the cursor as missing.
void Interpreter::positionedDone(const Stmt& s) {
    if (s.kind == Stmt::Delete)
        cursorOf(*currentOf(s))->rows.deleteCurrent();
}

qint64 Interpreter::currentRow(const QString& cursor, bool global) {
    const std::optional<qint64> key = cursorOf({cursor, global})->rows.currentKey();
    if (!key)
        noCurrentRow();
    return *key;
}

qint64 Interpreter::cursorRows() const {
    const CursorPtr last = lastOpened_.lock();
    if (!last || !last->rows.isOpen())
        return 0;
    return isDynamic(*last->definition) ? -1 : last->rows.count();
}

// CURSOR_STATUS: 1 open with rows (a dynamic cursor always), 0 open without, -1 closed, -2 a
// cursor variable without a cursor, -3 no such cursor or variable.
int Interpreter::cursorStatus(const QString& scope, const QString& name) {
    const QString key = name.toLower();
    const bool variable = scope.compare(u"variable", Qt::CaseInsensitive) == 0;
    const Cursors* cursors = nullptr;
    if (scope.compare(u"local", Qt::CaseInsensitive) == 0 || variable)
        cursors = &frames_.back().cursors;
    else if (scope.compare(u"global", Qt::CaseInsensitive) == 0)
        cursors = &globalCursors_;
    else
        raise(16902, QStringLiteral("CURSOR_STATUS: The value of the parameter scope is "
                                    "invalid."));
    const auto it = cursors->find(key);
    if (it == cursors->end() || key.startsWith(u'@') != variable)
        return -3;
    if (!it.value())
        return -2;
    const DeclaredCursor& c = *it.value();
    if (!c.rows.isOpen())
        return -1;
    return c.rows.count() > 0 || isDynamic(*c.definition) ? 1 : 0;
}

void Interpreter::cursorStatusCalled(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* self = static_cast<Interpreter*>(sqlite3_user_data(ctx));
    try {
        Value::integer(self->cursorStatus(Value::fromSqlite(argv[0]).toString(),
                                          Value::fromSqlite(argv[1]).toString()))
            .result(ctx);
    } catch (const db::Error& e) {
        resultError(ctx, e);
    }
}

}  // namespace tsql
