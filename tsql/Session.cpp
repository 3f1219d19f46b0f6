#include "tsql/Session.h"

#include "tsql/Interpreter.h"

namespace tsql {

Session::Session(const QString& serverDir, const QString& database)
    : impl_(std::make_unique<Interpreter>(serverDir, database)) {}

Session::~Session() = default;

db::BatchResult Session::execute(const QString& sql, const std::vector<db::BoundValue>& params) {
    return impl_->execute(sql, params);
}

int Session::callProcedure(const QString& name, std::vector<db::ProcArg>& args,
                           db::BatchResult* results) {
    return impl_->callProcedure(name, args, results);
}

void Session::beginTransaction() {
    impl_->beginTransaction();
}

void Session::commit() {
    impl_->commit();
}

void Session::rollback() {
    impl_->rollback();
}

int Session::transactionDepth() const {
    return impl_->transactionDepth();
}

QStringList Session::translation(const QString& sql, const std::vector<db::BoundValue>& params) {
    return impl_->translation(sql, params);
}

void Session::setQueryTimeout(int seconds) {
    impl_->setQueryTimeout(seconds);
}

}  // namespace tsql
