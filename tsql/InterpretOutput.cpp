// The OUTPUT clause of INSERT, UPDATE and DELETE: while the statement runs, temporary triggers
// copy the rows it writes into tables of the target's columns; the OUTPUT list is then a select
// over the copies (OutputClause in Ast.h), sent to the client or inserted INTO its target.
#include "tsql/Interpreter.h"

#include <tuple>

#include "tsql/SqliteSyntax.h"

namespace tsql {

namespace {

const OutputClause* outputOf(const Stmt& s) {
    switch (s.kind) {
        case Stmt::Insert:
            return static_cast<const InsertStmt&>(s).output.get();
        case Stmt::Update:
            return static_cast<const UpdateStmt&>(s).output.get();
        case Stmt::Delete:
            return static_cast<const DeleteStmt&>(s).output.get();
        default:
            return nullptr;
    }
}

const char* const kCaptureTrigger = "tsql_output";

QByteArray copyTable(const char* name) {
    return "temp." + sqlite::name(QLatin1String(name));
}

// INSERT INTO copy (rowid, columns...) VALUES (row.rowid, row.column...);
QByteArray copyRow(const TableInfo& target, const char* copy, const char* row) {
    std::vector<QByteArray> names{"rowid"}, values{QByteArray(row) + ".rowid"};
    for (const ColumnInfo& c : target.columns) {
        names.push_back(sqlite::name(c.name));
        values.push_back(row + ("." + sqlite::name(c.name)));
    }
    // A trigger names its tables unqualified; a temporary one finds temp's first.
    return "INSERT INTO " + sqlite::name(QLatin1String(copy)) + " (" + sqlite::list(names) +
           ") VALUES (" + sqlite::list(values) + "); ";
}

// The copies of the rows a statement writes, for the time it runs: each row under its own rowid,
// so that an UPDATE's old and new rows pair.
class CapturedRows {
public:
    CapturedRows(Database& db, const TableInfo& target, Stmt::Kind kind, const OutputClause& o)
        : db_(db) {
        const Database::EngineScope scope(db_);
        drop();
        QByteArray body;
        for (const auto& [wanted, copy, row] : {std::tuple{o.inserted, kCapturedInserted, "NEW"},
                                                std::tuple{o.deleted, kCapturedDeleted, "OLD"}}) {
            if (!wanted)
                continue;
            std::vector<QByteArray> columns;
            for (const ColumnInfo& c : target.columns)
                columns.push_back(sqlite::name(c.name) + " " + c.type.columnSql());
            db_.exec("CREATE TABLE " + copyTable(copy) + " (" + sqlite::list(columns) + ")");
            body += copyRow(target, copy, row);
        }
        static const char* const events[] = {"INSERT", "UPDATE", "DELETE"};
        const char* event = events[kind == Stmt::Insert ? 0 : kind == Stmt::Update ? 1 : 2];
        db_.exec("CREATE TEMP TRIGGER " + sqlite::name(QLatin1String(kCaptureTrigger)) + " AFTER " +
                 event + " ON " + target.sqlName() + " BEGIN " + body + "END");
    }
    ~CapturedRows() {
        try {
            const Database::EngineScope scope(db_);
            drop();
        } catch (...) {
            // The connection failed; the temporary objects go with it.
        }
    }
    CapturedRows(const CapturedRows&) = delete;
    CapturedRows& operator=(const CapturedRows&) = delete;

private:
    void drop() {
        db_.exec("DROP TRIGGER IF EXISTS temp." + sqlite::name(QLatin1String(kCaptureTrigger)));
        db_.exec("DROP TABLE IF EXISTS " + copyTable(kCapturedInserted));
        db_.exec("DROP TABLE IF EXISTS " + copyTable(kCapturedDeleted));
    }

    Database& db_;
};

}  // namespace

bool Interpreter::hasOutput(const Stmt& s) {
    return outputOf(s) != nullptr;
}

// The statement's own count is reported only when its rows go INTO a table; sent to the client,
// they carry it. The OUTPUT list is translated before the statement runs, so that a name it
// cannot bind (deleted.x of an INSERT) leaves the target untouched.
void Interpreter::execOutput(const Stmt& s) {
    const OutputClause& o = *outputOf(s);
    const auto change = [&] {
        return compiled(&s, [&](SqliteEmitter& e) { return setStatement(e, s); });
    };
    std::shared_ptr<const Compiled> first;
    retryOnSchemaChange([&] { first = change(); });
    const CapturedRows rows(*db_, *first->target, s.kind, o);
    catalog_->invalidate();
    const auto output = [&] {
        return compiled(&o, [&](SqliteEmitter& e) {
            if (!o.into)
                return e.select(*o.select);
            useDatabasesOf(*o.into);
            return e.insert(*o.into);
        });
    };
    retryOnSchemaChange([&] { output(); });
    // A retry follows only a translation gone stale, whose statement wrote nothing.
    retryOnSchemaChange([&] { runChange(*change(), o.into != nullptr); });
    if (!o.into) {
        retryOnSchemaChange([&] { runQuery(*output(), sink_, nullptr); });
        return;
    }
    // The copies go INTO the target as part of the statement, whose identity values stand.
    const std::optional<qint64> scopeIdentity = frames_.back().identity;
    const std::optional<qint64> identity = identity_;
    retryOnSchemaChange([&] { runChange(*output(), false); });
    frames_.back().identity = scopeIdentity;
    identity_ = identity;
}

}  // namespace tsql
