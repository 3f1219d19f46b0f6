#include "db/EmbeddedDriver.h"

#include "dbcore/Error.h"
#include "tsql/Session.h"

namespace db {

EmbeddedDriver::EmbeddedDriver() = default;
EmbeddedDriver::~EmbeddedDriver() = default;

void EmbeddedDriver::open(const ConnectionParams& params) {
    QString server = params.value(QLatin1String(kServerName));
    if (!server.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        throw Error::client(QStringLiteral("The embedded driver needs a server name of the form "
                                           "file:DIR, not '%1'.")
                                .arg(server));
    const QString dir = server.mid(5);
    QString database = params.value(QLatin1String(kDatabaseName));
    if (database.isEmpty())
        database = QStringLiteral("master");
    auto session = std::make_unique<tsql::Session>(dir, database);
    bool ok = false;
    int timeout = params.value(QLatin1String(kMaxQueryTime)).toInt(&ok);
    if (ok && timeout > 0)
        session->setQueryTimeout(timeout);
    session_ = std::move(session);
}

void EmbeddedDriver::close() {
    session_.reset();
}

tsql::Session& EmbeddedDriver::session() const {
    if (!session_)
        throw Error::client(QStringLiteral("The database connection is not open."));
    return *session_;
}

void EmbeddedDriver::beginTransaction() {
    session().beginTransaction();
}

void EmbeddedDriver::commit() {
    session().commit();
}

void EmbeddedDriver::rollback() {
    session().rollback();
}

int EmbeddedDriver::transactionDepth() const {
    return session_ ? session_->transactionDepth() : 0;
}

BatchResult EmbeddedDriver::execute(const QString& sql, const std::vector<BoundValue>& params) {
    return session().execute(sql, params);
}

// Arguments go by position in the order given, as a SQL Server client's call sends them, so a
// list out of the procedure's declaration order fails here as it does on SQL Server.
int EmbeddedDriver::callProcedure(const QString& name, std::vector<ProcArg>& args,
                                  BatchResult* results) {
    std::vector<ProcArg> positional = args;
    for (ProcArg& a : positional)
        a.name.clear();
    const int status = session().callProcedure(name, positional, results);
    for (size_t k = 0; k < args.size(); ++k)
        args[k].value = positional[k].value;
    return status;
}

}  // namespace db
