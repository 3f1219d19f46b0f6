// DML triggers: an INSERT, UPDATE or DELETE on a table with AFTER triggers runs with its rows
// copied (CapturedRows), then each trigger's body runs once in a frame of its own, reading the
// copies as `inserted` and `deleted`, inside the statement's transaction. A statement on a table
// or view with an INSTEAD OF trigger for it only copies the rows it would write; the trigger's
// body then runs in its place.
#include <algorithm>

#include "tsql/CapturedRows.h"
#include "tsql/Errors.h"
#include "tsql/Interpreter.h"
#include "tsql/Parser.h"

namespace tsql {

namespace {

// The copies a statement at trigger depth `depth` - 1 makes for the triggers it fires.
CapturedRows::Names copiesAt(int depth) {
    const QString n = QString::number(depth);
    return {QStringLiteral("#tsql_inserted_") + n, QStringLiteral("#tsql_deleted_") + n,
            QStringLiteral("tsql_capture_") + n};
}

int eventOf(Stmt::Kind kind) {
    return kind == Stmt::Insert   ? CreateTriggerStmt::OnInsert
           : kind == Stmt::Update ? CreateTriggerStmt::OnUpdate
                                  : CreateTriggerStmt::OnDelete;
}

// What UPDATE(column) finds true: the columns an UPDATE sets, every column of an INSERT.
QString updatedColumns(const Stmt& s, const TableInfo& target) {
    QString listed = QStringLiteral(",");
    if (s.kind == Stmt::Update) {
        for (const Assignment& a : static_cast<const UpdateStmt&>(s).sets)
            if (!a.column.isEmpty())
                listed += a.column.toCaseFolded() + u',';
    } else if (s.kind == Stmt::Insert) {
        for (const ColumnInfo& c : target.columns)
            listed += c.name.toCaseFolded() + u',';
    }
    return listed;
}

// The copies stand in the list of those a rollback keeps while the statement's triggers run.
class CaptureScope {
public:
    CaptureScope(std::vector<const CapturedRows*>& list, const CapturedRows& rows) : list_(list) {
        list_.push_back(&rows);
    }
    ~CaptureScope() { list_.pop_back(); }
    CaptureScope(const CaptureScope&) = delete;
    CaptureScope& operator=(const CaptureScope&) = delete;

private:
    std::vector<const CapturedRows*>& list_;
};

}  // namespace

// The triggers of a table or view; those another connection made or dropped are read again
// once it has committed.
const std::vector<TriggerInfo>& Interpreter::triggersOf(const TableInfo& target) {
    const qint64 version = db_->scalar("PRAGMA main.data_version");
    if (version != triggersCheckedAt_) {
        catalog_->forgetTriggers();
        triggersCheckedAt_ = version;
    }
    return catalog_->triggers(target.schema, target.name);
}

// A trigger does not fire for the statements of its own body (SQL Server's RECURSIVE_TRIGGERS
// OFF).
std::vector<TriggerInfo> Interpreter::triggersFiredBy(const TableInfo& target, Stmt::Kind kind) {
    if (target.schema != u"main" || target.view)
        return {};
    const QString running = frames_.back().trigger > 0 ? frames_.back().procedure : QString();
    std::vector<TriggerInfo> fired;
    for (const TriggerInfo& t : triggersOf(target))
        if ((t.events & eventOf(kind)) && !(t.events & CreateTriggerStmt::InsteadOf) &&
            t.name.compare(running, Qt::CaseInsensitive) != 0)
            fired.push_back(t);
    return fired;
}

// The INSTEAD OF trigger that runs in place of statement `kind` on `target`. A statement that
// the trigger's own run makes on its table or view does not fire it again: it runs as if the
// trigger were not there.
std::optional<TriggerInfo> Interpreter::insteadOfFiredBy(const TableInfo& target, Stmt::Kind kind) {
    if (target.schema != u"main")
        return std::nullopt;
    for (const TriggerInfo& t : triggersOf(target)) {
        if ((t.events & CreateTriggerStmt::InsteadOf) && (t.events & eventOf(kind)) &&
            std::none_of(frames_.begin(), frames_.end(), [&](const Frame& f) {
                return f.trigger > 0 && f.procedure.compare(t.name, Qt::CaseInsensitive) == 0;
            }))
            return t;
    }
    return std::nullopt;
}

bool Interpreter::writtenInstead(const TableInfo& target, Stmt::Kind kind) {
    return insteadOfFiredBy(target, kind).has_value();
}

// OUTPUT to the client is refused on a statement that fires triggers (334).
void Interpreter::refuseOutputWithTriggers(const Stmt& s, const TableInfo& target) {
    if (const OutputClause* o = outputOf(s); o && !o->into)
        raise(334, QStringLiteral("The target table '%1' of the DML statement cannot have any "
                                  "enabled triggers if the statement contains an OUTPUT clause "
                                  "without INTO clause.")
                       .arg(target.name));
}

void Interpreter::reportTriggeredCount(qint64 count, bool report) {
    rowcount_ = count;
    if (report && !options_.nocount && sink_)
        sink_->rowsAffected(count);
}

// The statement and its triggers stand or fall together. A trigger that ends the transaction
// (ROLLBACK) ends the batch with 3609. The statement's count follows its triggers' results.
void Interpreter::execTriggered(const Stmt& s, const TableInfo& target,
                                const std::vector<TriggerInfo>& fired, bool report) {
    refuseOutputWithTriggers(s, target);
    qint64 count = 0;
    writeAtomically([&] {
        const int depth = static_cast<int>(captures_.size()) + 1;
        CapturedRows rows(*db_, target, s.kind, copiesAt(depth));
        const CaptureScope scope(captures_, rows);
        catalog_->invalidate();
        runStatement(s, false);
        rows.stop();
        count = rowcount_;
        const QString updated = updatedColumns(s, target);
        for (const TriggerInfo& t : fired)
            fireTrigger(t, depth, updated, count);
        refuseEndedTransaction();
    });
    reportTriggeredCount(count, report);
}

// The statement runs with each row it would write copied and left unwritten; the trigger then
// runs on the copies. The statement counts the rows it would have written.
void Interpreter::execInsteadOf(const Stmt& s, const TableInfo& target, const TriggerInfo& trigger,
                                bool report) {
    refuseOutputWithTriggers(s, target);
    if (hasOutput(s))
        notSupported(QStringLiteral("OUTPUT INTO on a statement an INSTEAD OF trigger replaces"));
    qint64 count = 0;
    writeAtomically([&] {
        const int depth = static_cast<int>(captures_.size()) + 1;
        const CapturedRows::Names copies = copiesAt(depth);
        CapturedRows rows(*db_, target, s.kind, copies, CapturedRows::Instead);
        const CaptureScope scope(captures_, rows);
        catalog_->invalidate();
        runStatement(s, false);
        rows.stop();
        count = rows.count(s.kind == Stmt::Delete ? copies.deleted : copies.inserted);
        fireTrigger(trigger, depth, updatedColumns(s, target), count);
        refuseEndedTransaction();
    });
    reportTriggeredCount(count, report);
}

void Interpreter::refuseEndedTransaction() {
    if (tranDepth_ == 0)
        raise(3609, QStringLiteral("The transaction ended in the trigger. The batch has been "
                                   "aborted."));
}

// The body runs as a procedure without parameters would, with XACT_ABORT on unless it sets it
// off: an error in it ends the batch and rolls the transaction back; RAISERROR does neither.
void Interpreter::fireTrigger(const TriggerInfo& t, int depth, const QString& updatedColumns,
                              qint64 count) {
    if (static_cast<int>(frames_.size()) > kMaxNesting)
        raise(217, QStringLiteral("Maximum stored procedure, function, trigger, or view nesting "
                                  "level exceeded (limit 32)."));
    const std::shared_ptr<Trigger> trigger = loadTrigger(t, depth);
    const PlaceScope place(place_, {trigger->batch.get(), trigger->stmt->index});
    Frame frame;
    frame.procedure = t.name;
    frame.nocount = options_.nocount;
    frame.trigger = depth;
    frame.updatedColumns = updatedColumns;
    frames_.push_back(std::move(frame));
    const SessionOptions callers = options_;
    const auto leave = [&] {
        leaveFrame();
        options_ = callers;
    };
    options_.xactAbort = true;
    rowcount_ = count;
    try {
        execList(trigger->stmt->body);
    } catch (...) {
        leave();
        triggerFailed_ = true;
        throw;
    }
    leave();
}

std::shared_ptr<Interpreter::Trigger> Interpreter::loadTrigger(const TriggerInfo& t, int depth) {
    const QString key = t.name.toLower() + u'/' + QString::number(depth);
    auto it = triggers_.find(key);
    if (it != triggers_.end() && it.value()->definition == t.definition)
        return it.value();
    auto trigger = std::make_shared<Trigger>();
    trigger->definition = t.definition;
    trigger->batch = parseBatch(t.definition);
    if (trigger->batch->statements.size() != 1 ||
        trigger->batch->statements[0]->kind != Stmt::CreateTrigger)
        raise(0, QStringLiteral("The stored definition of trigger '%1' is damaged.").arg(t.name));
    trigger->stmt = static_cast<const CreateTriggerStmt*>(trigger->batch->statements[0].get());
    triggers_.insert(key, trigger);
    return trigger;
}

// `inserted` or `deleted` in a trigger's body: the copies of its depth; nullptr for other names.
std::shared_ptr<const TableInfo> Interpreter::triggerRows(const QString& name) {
    const int depth = frames_.back().trigger;
    if (depth == 0)
        return nullptr;
    const CapturedRows::Names copies = copiesAt(depth);
    const QString* copy = name.compare(u"inserted", Qt::CaseInsensitive) == 0  ? &copies.inserted
                          : name.compare(u"deleted", Qt::CaseInsensitive) == 0 ? &copies.deleted
                                                                               : nullptr;
    if (!copy)
        return nullptr;
    std::shared_ptr<const TableInfo> rows = catalog_->find(QStringLiteral("temp"), *copy);
    if (!rows)
        raise(err::Internal,
              QStringLiteral("The rows of the trigger's statement are gone (%1).").arg(name));
    return rows;
}

}  // namespace tsql
