#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>

#include "db/Driver.h"
#include "dbcore/ConnectionParams.h"
#include "dbcore/Types.h"

namespace db {

class RowCursor;

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
    // Counts the registry's changes: a lookup stays valid while it is unchanged.
    static quint64 registryGeneration();

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
    // Runs a batch up to its first row set, whose rows its owner then reads through the cursor.
    // Only one cursor is read on the connection at a time: anything else run on it first reads
    // the rest of the open one into memory.
    std::unique_ptr<RowCursor> openCursor(const QString& sql, std::vector<BoundValue> params = {});

private:
    friend class RowCursor;

    // Opens the session unless it is open (the caller holds the lock).
    void openLocked();
    // The driver, opened and with no cursor left reading on it (the caller holds the lock).
    Driver& openDriver();
    // Reads the open cursor's rest into memory, so the driver can run another statement.
    void settle();

    QString databaseName_;
    ConnectionParams params_;
    Step beforeConnect_;
    Step afterConnect_;
    std::unique_ptr<Driver> driver_;
    RowCursor* reading_ = nullptr;  // the cursor being read on the driver
    mutable std::recursive_mutex mutex_;
};

}  // namespace db
