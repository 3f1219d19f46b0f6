// Transactions: BEGIN/COMMIT/ROLLBACK and the access layer's nesting, on SQLite savepoints.
#include <sqlite3.h>

#include <optional>

#include "tsql/CapturedRows.h"
#include "tsql/Errors.h"
#include "tsql/IdentityCounters.h"
#include "tsql/Interpreter.h"

namespace tsql {

void Interpreter::beginTransaction() {
    if (tranDepth_ == 0)
        db_->exec("BEGIN IMMEDIATE");
    else
        db_->exec("SAVEPOINT tsql_" + QByteArray::number(tranDepth_));
    ++tranDepth_;
}

void Interpreter::commit() {
    if (tranDepth_ == 0)
        raise(3902, QStringLiteral("The COMMIT TRANSACTION request has no corresponding BEGIN "
                                   "TRANSACTION."));
    refuseWritesWhenDoomed();
    if (tranDepth_ == 1) {
        db_->exec("COMMIT");
        savepoints_.clear();
    } else
        db_->exec("RELEASE tsql_" + QByteArray::number(tranDepth_ - 1));
    --tranDepth_;
}

void Interpreter::rollback() {
    if (tranDepth_ == 0)
        raise(3903, QStringLiteral("The ROLLBACK TRANSACTION request has no corresponding BEGIN "
                                   "TRANSACTION."));
    rollbackAll();
}

// Outside a transaction `write` runs in one of its own, committed when it succeeds; inside one,
// under a savepoint that a failure rolls back to, unless the failure ended the transaction.
void Interpreter::writeAtomically(const std::function<void()>& write) {
    const bool own = tranDepth_ == 0;
    if (own)
        beginTransaction();
    else
        db_->exec("SAVEPOINT tsql_statement");
    try {
        write();
    } catch (...) {
        syncTransaction();
        if (own && tranDepth_ > 0) {
            rollbackAll();
        } else if (tranDepth_ > 0) {
            rollingBack("ROLLBACK TO tsql_statement");
            db_->exec("RELEASE tsql_statement");
        }
        throw;
    }
    if (own)
        commit();
    else
        db_->exec("RELEASE tsql_statement");
}

void Interpreter::rollbackAll() {
    if (!sqlite3_get_autocommit(db_->handle()))
        rollingBack("ROLLBACK");
    tranDepth_ = 0;
    doomed_ = false;
    savepoints_.clear();
}

namespace {

// A table variable as it stands: how to make it again and what it holds.
struct TableImage {
    QString stored;
    const CreateTableStmt* definition = nullptr;
    QByteArray declaration;  // without a definition: its CREATE TABLE
    std::vector<std::vector<Value>> rows;
    std::optional<qint64> identity;  // its row of temp.sqlite_sequence
};

std::vector<std::vector<Value>> rowsOf(Database& db, const QByteArray& select,
                                       const QString& name) {
    std::vector<std::vector<Value>> rows;
    sqlite3_stmt* st = db.prepare(select);
    if (!name.isNull())
        Value::text(name).bind(st, 1);
    int rc;
    while ((rc = db.step(st)) == SQLITE_ROW) {
        std::vector<Value> row;
        for (int k = 0; k < sqlite3_column_count(st); ++k)
            row.push_back(Value::fromColumn(st, k));
        rows.push_back(std::move(row));
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        db.raiseLast(rc);
    return rows;
}

void insertRows(Database& db, const QByteArray& table,
                const std::vector<std::vector<Value>>& rows) {
    for (const auto& row : rows) {
        std::vector<QByteArray> marks;
        for (size_t k = 0; k < row.size(); ++k)
            marks.push_back("?" + QByteArray::number(static_cast<int>(k) + 1));
        sqlite3_stmt* st =
            db.prepare("INSERT INTO " + table + " VALUES (" + sqlite::list(marks) + ")");
        for (size_t k = 0; k < row.size(); ++k)
            row[k].bind(st, static_cast<int>(k) + 1);
        const int rc = db.step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            db.raiseLast(rc);
    }
}

TableImage imageOf(Database& db, const QString& stored, const CreateTableStmt* definition) {
    TableImage image;
    image.stored = stored;
    image.definition = definition;
    image.rows = rowsOf(db, "SELECT * FROM temp." + sqlite::name(stored), QString());
    if (db.scalar("SELECT count(*) FROM temp.sqlite_master WHERE name = 'sqlite_sequence'")) {
        const auto seq = rowsOf(db, "SELECT seq FROM temp.sqlite_sequence WHERE name = ?1", stored);
        if (!seq.empty())
            image.identity = seq[0][0].i;
    }
    return image;
}

// `remake` declares the table again when the rollback took it away (with its constraints, which
// a table that stayed kept).
void restore(Database& db, const TableImage& image, const std::function<void()>& remake) {
    const QByteArray table = "temp." + sqlite::name(image.stored);
    if (db.scalar("SELECT count(*) FROM temp.sqlite_master WHERE name = " +
                  sqlite::text(image.stored)) == 0)
        remake();
    else
        db.exec("DELETE FROM " + table);
    insertRows(db, table, image.rows);
    if (image.identity) {
        db.exec("DELETE FROM temp.sqlite_sequence WHERE name = " + sqlite::text(image.stored));
        db.exec("INSERT INTO temp.sqlite_sequence (name, seq) VALUES (" +
                sqlite::text(image.stored) + ", " + QByteArray::number(*image.identity) + ")");
    }
}

}  // namespace

// Table variables keep their rows through a rollback, and so do the copies that running
// triggers read as `inserted` and `deleted`, and identity counters their values.
void Interpreter::rollingBack(const QByteArray& statement) {
    std::vector<TableImage> images;
    for (const Frame& frame : frames_)
        for (const TableVariable& variable : frame.tables)
            images.push_back(imageOf(*db_, variable.stored, variable.definition));
    for (const CapturedRows* rows : captures_)
        for (const QString& copy : {rows->names().inserted, rows->names().deleted}) {
            images.push_back(imageOf(*db_, copy, nullptr));
            images.back().declaration = rows->declaration(copy);
        }
    IdentityCounters identities(*db_);
    db_->exec(statement);
    identities.restore();
    forgetRoutines();
    schemaChanged();
    for (const TableImage& image : images)
        restore(*db_, image, [&] {
            if (image.definition)
                createTable(*image.definition, image.stored);
            else
                db_->exec(image.declaration);
        });
    if (!images.empty())
        schemaChanged();
}

// SAVE TRANSACTION name: a point inside the transaction that ROLLBACK TRANSACTION name returns to.
void Interpreter::saveTransaction(const QString& name) {
    if (tranDepth_ == 0)
        raise(628, QStringLiteral("Cannot issue SAVE TRANSACTION when there is no active "
                                  "transaction."));
    db_->exec("SAVEPOINT " + sqlite::name(QStringLiteral("save_") + name.toLower()));
    savepoints_ << name;
}

void Interpreter::rollbackToSavepoint(const QString& name) {
    rollingBack("ROLLBACK TO " + sqlite::name(QStringLiteral("save_") + name.toLower()));
}

void Interpreter::syncTransaction() {
    if (tranDepth_ > 0 && sqlite3_get_autocommit(db_->handle())) {
        tranDepth_ = 0;  // SQLite rolled it back
        forgetRoutines();
    }
    if (tranDepth_ == 0)
        doomed_ = false;
}

void Interpreter::abortTransactionAfter(const db::Error& e) {
    if (!options_.xactAbort || tranDepth_ == 0 || userRaised_ ||
        e.nativeError() == err::Uncommittable)
        return;
    if (tryDepth_ > 0)
        doomed_ = true;
    else
        rollbackAll();
}

void Interpreter::endDoomedTransaction() {
    if (!doomed_ || tranDepth_ == 0)
        return;
    rollbackAll();
    raise(3998, QStringLiteral("Uncommittable transaction is detected at the end of the batch. "
                               "The transaction is rolled back."));
}

void Interpreter::refuseWritesWhenDoomed() const {
    if (doomed_ && tranDepth_ > 0)
        raise(err::Uncommittable,
              QStringLiteral("The current transaction cannot be committed and cannot support "
                             "operations that write to the log file. Roll back the transaction."));
}

void Interpreter::transactionStatement(const TransactionStmt& t) {
    switch (t.action) {
        case TransactionStmt::Begin:
            beginTransaction();
            break;
        case TransactionStmt::Commit:
            // The transaction of an INSERT ... EXEC ends with the statement, not in its call.
            if (filingExec_ && tranDepth_ <= *filingExec_)
                raise(3902, QStringLiteral("The COMMIT TRANSACTION request has no corresponding "
                                           "BEGIN TRANSACTION."));
            commit();
            break;
        case TransactionStmt::Rollback:
            if (tranDepth_ == 0)
                raise(3903, QStringLiteral("The ROLLBACK TRANSACTION request has no "
                                           "corresponding BEGIN TRANSACTION."));
            if (!t.name.isEmpty() && savepoints_.contains(t.name, Qt::CaseInsensitive)) {
                rollbackToSavepoint(t.name);  // @@TRANCOUNT stays
                break;
            }
            if (filingExec_)
                raise(3915, QStringLiteral("Cannot use the ROLLBACK statement within an "
                                           "INSERT-EXEC statement."));
            rollbackAll();
            break;
        case TransactionStmt::Save:
            saveTransaction(t.name);
    }
}

}  // namespace tsql
