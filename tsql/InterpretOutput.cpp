// The OUTPUT clause of INSERT, UPDATE and DELETE: while the statement runs, its rows are copied
// (CapturedRows); the OUTPUT list is then a select over the copies (OutputClause in Ast.h), sent
// to the client or inserted INTO its target.
#include "tsql/Interpreter.h"

#include "tsql/CapturedRows.h"

namespace tsql {

const OutputClause* Interpreter::outputOf(const Stmt& s) {
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

bool Interpreter::hasOutput(const Stmt& s) {
    return outputOf(s) != nullptr;
}

// The statement's own count is reported (when `report` asks for it) only when its rows go INTO a
// table; sent to the client, they carry it. The OUTPUT list is translated before the statement
// runs, so that a name it cannot bind (deleted.x of an INSERT) leaves the target untouched.
void Interpreter::execOutput(const Stmt& s, bool report) {
    const OutputClause& o = *outputOf(s);
    const auto change = [&] {
        return compiled(&s, [&](SqliteEmitter& e) { return setStatement(e, s); });
    };
    std::shared_ptr<const Compiled> first;
    retryOnSchemaChange([&] { first = change(); });
    const CapturedRows rows(
        *db_, *first->target, s.kind,
        {o.inserted ? QLatin1String(kCapturedInserted) : QString(),
         o.deleted ? QLatin1String(kCapturedDeleted) : QString(), QStringLiteral("tsql_output")});
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
    retryOnSchemaChange([&] { runChange(*change(), report && o.into != nullptr); });
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
