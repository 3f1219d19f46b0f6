#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "dbcore/Types.h"
#include "tsql/ResultSink.h"

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

    // Runs a batch, handing each result to `sink` as it comes.
    void execute(const QString& sql, const std::vector<db::BoundValue>& params, ResultSink& sink);
    // Calls a procedure with arguments by position or by name (positional ones first); output
    // arguments get their values in `result`. Returns the procedure's return status.
    int call(const QString& name, std::vector<CallArgument>& args, ResultSink& sink);

    // Runs a batch up to the first row set of its own statements (not one of a procedure or a
    // block it runs), whose rows are then read as the caller asks; results before it go to
    // `sink`. Returns true with that row set begun, false when the batch ended without one.
    // Until the batch ends (fetch returned false, cancel, or an error), the session runs
    // nothing else: other calls raise an error.
    bool start(const QString& sql, std::vector<db::BoundValue> params, ResultSink& sink);
    // Hands up to maxRows further rows to the sink; once the row set has ended, runs the rest of
    // the batch (its results go to the sink) and returns false. The query timeout counts per call.
    bool fetch(int maxRows);
    // Ends a started batch: its remaining rows and statements are dropped, and a transaction it
    // began is rolled back, as for a batch that failed.
    void cancel();
    // Whether a started batch has not ended yet.
    bool reading() const;

    // The same, with every result collected and arguments in the access layer's types.
    db::BatchResult execute(const QString& sql, const std::vector<db::BoundValue>& params);
    int callProcedure(const QString& name, std::vector<db::ProcArg>& args,
                      db::BatchResult* results);

    void beginTransaction();
    void commit();
    void rollback();
    int transactionDepth() const;
    void setQueryTimeout(int seconds);
    // `check` is asked now and then while a batch or call runs (between statements and while
    // SQLite works); when it answers true the run stops with error err::Cancelled. It runs on
    // the thread that runs the batch.
    void setCancelCheck(std::function<bool()> check);

    // The SQLite text the set statements of a batch translate to, one per line, without running
    // them (for diagnostics and plan checks).
    QStringList translation(const QString& sql, const std::vector<db::BoundValue>& params);

private:
    // The interpreter, when no started batch is still being read.
    Interpreter& idle() const;

    std::unique_ptr<Interpreter> impl_;
};

}  // namespace tsql
