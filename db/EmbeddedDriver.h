#pragma once

#include <memory>

#include "db/Driver.h"

namespace tsql {
class Session;
}

namespace db {

// The driver for a server name "file:DIR": the embedded T-SQL engine on the SQLite files of
// that directory (relative to the current directory).
class EmbeddedDriver : public Driver {
public:
    EmbeddedDriver();
    ~EmbeddedDriver() override;

    void open(const ConnectionParams& params) override;
    void close() override;
    bool isOpen() const override { return session_ != nullptr; }

    void beginTransaction() override;
    void commit() override;
    void rollback() override;
    int transactionDepth() const override;

    BatchResult execute(const QString& sql, const std::vector<BoundValue>& params) override;
    std::unique_ptr<Cursor> openCursor(const QString& sql, std::vector<BoundValue> params) override;
    int callProcedure(const QString& name, std::vector<ProcArg>& args,
                      BatchResult* results) override;

private:
    tsql::Session& session() const;

    std::unique_ptr<tsql::Session> session_;
};

}  // namespace db
