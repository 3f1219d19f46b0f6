#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "db/Connection.h"
#include "tools/datagen/Generator.h"

// Generated company databases that benchmarks make once and keep for later runs.
namespace bench {

// The directory generated databases are kept in: $VOQ_BENCH_DIR, else `fallback`.
QString benchRoot(const QString& fallback);

// A connection to a database of the embedded server in `dir`, opened.
std::unique_ptr<db::Connection> connectTo(const QString& dir, const QString& database);

// The server directory `dir` with a database BENCH that holds the company schema and what the
// generator writes with `options` in one transaction, then what `finish` does. It is made only
// when `dir` is not marked ready from an earlier run.
QString generatedCompany(const QString& dir, const datagen::Options& options,
                         const std::function<void(db::Connection&)>& finish = {});

}  // namespace bench
