#pragma once

// Building blocks of the generator: batched multi-row INSERTs, a reproducible random sequence,
// literals, and ids read back by code.

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <random>

#include "tools/datagen/Generator.h"

namespace datagen::detail {

// Rows waiting for one multi-row INSERT.
class Writer {
public:
    Writer(const Sink& sink, int rowsPerInsert) : sink_(sink), rowsPerInsert_(rowsPerInsert) {}

    void add(const QString& table, const QString& columns, const QString& values);
    void flushAll();

private:
    struct Pending {
        QString columns;
        QStringList rows;
    };
    void flush(const QString& table, Pending& p);

    const Sink& sink_;
    int rowsPerInsert_;
    std::map<QString, Pending> pending_;
};

// Reproducible on every platform: the engine's sequence is fixed by the standard, and no
// library distribution is used.
class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}
    int below(int n) { return static_cast<int>(engine_() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int oneIn) { return below(oneIn) == 0; }

private:
    std::mt19937_64 engine_;
};

// An amount held in hundredths, written as a decimal literal.
QString money(std::int64_t cents);
QString padded(std::int64_t n, int width);

// Ids by code, read back after an insert: the query returns the id, then the code.
QHash<QString, std::int64_t> idsByCode(const Sink& sink, const QString& sql);
// The id of a code, or an error naming the row that was not found again.
std::int64_t need(const QHash<QString, std::int64_t>& ids, const QString& code);

}  // namespace datagen::detail
