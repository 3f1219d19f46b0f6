#include "tsql/Session.h"

#include "tsql/Interpreter.h"

namespace tsql {

Session::Session(const QString& serverDir, const QString& database)
    : impl_(std::make_unique<Interpreter>(serverDir, database)) {}

Session::~Session() = default;

Interpreter& Session::idle() const {
    if (impl_->reading())
        throw db::Error::client(
            QStringLiteral("The connection is busy with the rows of another statement; read them "
                           "to the end or close them first."));
    return *impl_;
}

bool Session::start(const QString& sql, std::vector<db::BoundValue> params, ResultSink& sink) {
    return idle().start(sql, std::move(params), sink);
}

bool Session::fetch(int maxRows) {
    return impl_->fetch(maxRows);
}

void Session::cancel() {
    impl_->cancel();
}

bool Session::reading() const {
    return impl_->reading();
}

void Session::execute(const QString& sql, const std::vector<db::BoundValue>& params,
                      ResultSink& sink) {
    idle().execute(sql, params, sink);
}

int Session::call(const QString& name, std::vector<CallArgument>& args, ResultSink& sink) {
    return idle().call(name, args, sink);
}

db::BatchResult Session::execute(const QString& sql, const std::vector<db::BoundValue>& params) {
    db::BatchResult result;
    BatchCollector collector(result);
    try {
        idle().execute(sql, params, collector);
    } catch (const db::Error& e) {
        collector.raiseErrors(sql, &e);
    }
    collector.raiseErrors(sql);
    return result;
}

int Session::callProcedure(const QString& name, std::vector<db::ProcArg>& procArgs,
                           db::BatchResult* results) {
    std::vector<CallArgument> args;
    std::vector<size_t> map;  // index in procArgs of each argument
    for (size_t k = 0; k < procArgs.size(); ++k) {
        const db::ProcArg& p = procArgs[k];
        if (p.direction == db::ParamDirection::Result)
            continue;
        CallArgument a;
        if (!p.name.isEmpty())
            a.name = p.name.startsWith(u'@') ? p.name : u'@' + p.name;
        a.output = p.direction != db::ParamDirection::Input;
        a.value = Value::fromBound(
            {p.type, p.direction == db::ParamDirection::Output ? QVariant() : p.value});
        a.type = SqlType::ofField(p.type);
        args.push_back(std::move(a));
        map.push_back(k);
    }
    db::BatchResult local;
    BatchCollector collector(results ? *results : local);
    int status = 0;
    try {
        status = idle().call(name, args, collector);
    } catch (const db::Error& e) {
        collector.raiseErrors(name, &e);
    }
    collector.raiseErrors(name);
    for (size_t k = 0; k < args.size(); ++k)
        if (args[k].output)
            procArgs[map[k]].value = args[k].result.toVariant(args[k].resultType);
    for (db::ProcArg& p : procArgs)
        if (p.direction == db::ParamDirection::Result)
            p.value = QVariant(static_cast<qint64>(status));
    return status;
}

void Session::beginTransaction() {
    idle().beginTransaction();
}

void Session::commit() {
    idle().commit();
}

void Session::rollback() {
    idle().rollback();
}

int Session::transactionDepth() const {
    return impl_->transactionDepth();
}

QStringList Session::translation(const QString& sql, const std::vector<db::BoundValue>& params) {
    return idle().translation(sql, params);
}

void Session::setQueryTimeout(int seconds) {
    impl_->setQueryTimeout(seconds);
}

void Session::setCancelCheck(std::function<bool()> check) {
    impl_->setCancelCheck(std::move(check));
}

}  // namespace tsql
