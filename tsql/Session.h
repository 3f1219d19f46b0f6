#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "db/Types.h"

namespace tsql {

class Interpreter;

// One connection to a database of an embedded server: runs T-SQL batches and procedures.
class Session {
public:
    // serverDir: the server directory (from "file:DIR", relative to the current directory);
    // database: the database name ("master" is virtual and lists DIR/*.sqlite).
    Session(const QString& serverDir, const QString& database);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    db::BatchResult execute(const QString& sql, const std::vector<db::BoundValue>& params);
    int callProcedure(const QString& name, std::vector<db::ProcArg>& args,
                      db::BatchResult* results);
    void beginTransaction();
    void commit();
    void rollback();
    int transactionDepth() const;
    void setQueryTimeout(int seconds);

    // The SQLite text the set statements of a batch translate to, one per line, without running
    // them (for diagnostics and plan checks).
    QStringList translation(const QString& sql, const std::vector<db::BoundValue>& params);

private:
    std::unique_ptr<Interpreter> impl_;
};

}  // namespace tsql
