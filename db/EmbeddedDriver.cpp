#include "db/EmbeddedDriver.h"

#include <climits>

#include "dbcore/Error.h"
#include "tsql/Session.h"

namespace db {

struct EmbeddedDriver::ReadState {
    BatchResult result;
    tsql::BatchCollector collector{result};
};

namespace {

// The engine's statement stepped as rows are asked for; the collector converts them and keeps
// the errors of statements until the batch ends.
class EmbeddedCursor : public Cursor {
public:
    EmbeddedCursor(EmbeddedDriver& driver, tsql::Session& session, const QString& sql,
                   std::vector<BoundValue> params)
        : driver_(driver), session_(session), sql_(sql), state_(driver.takeReadState()) {
        bool rows = false;
        try {
            rows = session_.start(sql, std::move(params), collector());
        } catch (const Error& e) {
            collector().raiseErrors(sql, &e);
        }
        if (rows) {
            rowSet_ = result().results.size() - 1;
            reading_ = true;
        }
        if (rows && collector().failed())
            runToEnd();
        if (!rows)
            collector().raiseErrors(sql);
    }
    ~EmbeddedCursor() override {
        if (reading_) {
            try {
                session_.cancel();
            } catch (const Error&) {
                // Dropping the rest of a batch reports to nobody.
            }
        }
        driver_.giveBack(std::move(state_));
    }

    bool hasRowSet() const override { return rowSet_ != kNone; }
    Columns takeColumns() override {
        return std::move(result().results.at(rowSet_).rowSet.columns);
    }

    bool fetch(int maxRows, std::vector<QVariantList>& rows) override {
        if (!reading_)
            return false;
        bool more = false;
        collector().sendRowsTo(&rows);
        try {
            more = session_.fetch(maxRows);
        } catch (const Error& e) {
            collector().sendRowsTo(nullptr);
            reading_ = false;
            collector().raiseErrors(sql_, &e);
        }
        collector().sendRowsTo(nullptr);
        reading_ = more;
        if (!more) {
            result().results.resize(rowSet_ + 1);  // the rest of the batch's results are dropped
            collector().raiseErrors(sql_);
        }
        return more;
    }

private:
    static constexpr size_t kNone = ~size_t(0);

    BatchResult& result() { return state_->result; }
    tsql::BatchCollector& collector() { return state_->collector; }

    void runToEnd() {
        std::vector<QVariantList> dropped;
        while (fetch(INT_MAX, dropped))
            dropped.clear();
    }

    EmbeddedDriver& driver_;
    tsql::Session& session_;
    QString sql_;
    std::unique_ptr<EmbeddedDriver::ReadState> state_;
    size_t rowSet_ = kNone;
    bool reading_ = false;  // the session's started batch is this cursor's
};

}  // namespace

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

std::unique_ptr<Cursor> EmbeddedDriver::openCursor(const QString& sql,
                                                   std::vector<BoundValue> params) {
    return std::make_unique<EmbeddedCursor>(*this, session(), sql, std::move(params));
}

std::unique_ptr<EmbeddedDriver::ReadState> EmbeddedDriver::takeReadState() {
    return spareReadState_ ? std::move(spareReadState_) : std::make_unique<ReadState>();
}

void EmbeddedDriver::giveBack(std::unique_ptr<ReadState> state) {
    state->collector.clear();
    spareReadState_ = std::move(state);
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
