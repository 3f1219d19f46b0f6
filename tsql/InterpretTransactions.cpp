// Transactions: BEGIN/COMMIT/ROLLBACK and the access layer's nesting, on SQLite savepoints.
#include <sqlite3.h>

#include "tsql/Errors.h"
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

void Interpreter::rollbackAll() {
    if (!sqlite3_get_autocommit(db_->handle()))
        db_->exec("ROLLBACK");
    tranDepth_ = 0;
    savepoints_.clear();
}

// SAVE TRANSACTION name: a point inside the transaction that ROLLBACK TRANSACTION name returns to.
void Interpreter::saveTransaction(const QString& name) {
    if (tranDepth_ == 0)
        raise(628, QStringLiteral("Cannot issue SAVE TRANSACTION when there is no active "
                                  "transaction."));
    db_->exec("SAVEPOINT " + Binder::quote(QStringLiteral("save_") + name.toLower()));
    savepoints_ << name;
}

void Interpreter::rollbackToSavepoint(const QString& name) {
    db_->exec("ROLLBACK TO " + Binder::quote(QStringLiteral("save_") + name.toLower()));
}

void Interpreter::syncTransaction() {
    if (tranDepth_ > 0 && sqlite3_get_autocommit(db_->handle()))
        tranDepth_ = 0;
}

}  // namespace tsql
