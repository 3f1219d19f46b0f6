#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>

#include "dbcore/ConnectionParams.h"
#include "db/Driver.h"
#include "dbcore/Types.h"

namespace db {

// A named database connection. Datasets refer to it by its database name ("DMDATA", "DmCfg",
// "DBMaster") through the process-wide registry. Opening runs the before-connect step (which may
// rewrite the parameter list), picks the driver by SERVER NAME, connects, then runs the
// after-connect step. Calls are serialised, so a worker thread may run a statement on it.
class Connection : public QObject {
    Q_OBJECT
public:
    using Step = std::function<void(Connection&)>;

    explicit Connection(const QString& databaseName, QObject* parent = nullptr);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Registry lookup by database name, case ignored. find() returns nullptr when absent;
    // byName() raises db::Error.
    static Connection* find(const QString& databaseName);
    static Connection& byName(const QString& databaseName);

    const QString& databaseName() const { return databaseName_; }
    QString driverName() const { return QStringLiteral("MSSQL"); }
    ConnectionParams& params() { return params_; }
    const ConnectionParams& params() const { return params_; }

    void setBeforeConnect(Step step) { beforeConnect_ = std::move(step); }
    void setAfterConnect(Step step) { afterConnect_ = std::move(step); }

    void open();
    void close();
    bool isOpen() const;

    void startTransaction();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Runs a batch, opening the connection first when closed. See Driver::execute.
    BatchResult execute(const QString& sql, const std::vector<BoundValue>& params = {});
    int callProcedure(const QString& name, std::vector<ProcArg>& args,
                      BatchResult* results = nullptr);

private:
    Driver& openDriver();

    QString databaseName_;
    ConnectionParams params_;
    Step beforeConnect_;
    Step afterConnect_;
    std::unique_ptr<Driver> driver_;
    mutable std::recursive_mutex mutex_;
};

}  // namespace db
