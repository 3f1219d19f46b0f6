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

    // What a cursor fills as it reads: its result and the collector that fills it. Kept between
    // cursors, so that an open does not make them again (one cursor reads at a time).
    struct ReadState;
    std::unique_ptr<ReadState> takeReadState();
    void giveBack(std::unique_ptr<ReadState> state);

private:
    tsql::Session& session() const;

    std::unique_ptr<tsql::Session> session_;
    std::unique_ptr<ReadState> spareReadState_;
};

}  // namespace db
