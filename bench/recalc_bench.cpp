// Calculate_OnHand on the embedded engine against hand-written SQLite SQL that computes the same
// rows on the same file, over 100k, 300k and 1M generated document lines. The target: the
// engine within 2x of the hand-written SQL, and time growing linearly with the lines.
//
// The company databases are generated once per size into $VOQ_BENCH_DIR (default
// /tmp/voq-recalc-bench) and kept for later runs.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <map>
#include <memory>
#include <stdexcept>

#include "bench/common/BenchDatabase.h"
#include "db/Connection.h"
#include "dbcore/Error.h"
#include "tools/datagen/Generator.h"

namespace {

constexpr int kYear = 2022;  // every generated line is dated in this year

// A server directory whose database BENCH holds the company schema and `lines` generated lines,
// all dated in kYear.
QString companyWith(std::int64_t lines) {
    datagen::Options o;
    o.products = 2000;
    o.lines = lines;
    o.seed = 42;
    o.firstYear = kYear;
    o.years = 1;
    return bench::generatedCompany(bench::benchRoot(QStringLiteral("/tmp/voq-recalc-bench")) +
                                       QStringLiteral("/lines-%1").arg(lines),
                                   o);
}

// The same rows as Calculate_OnHand, written straight for SQLite on the engine's file: dates are
// stored as 'yyyy-MM-dd hh:mm:ss.zzz' texts, so a year is a range of texts.
const char* const kMovements = R"(
    SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, D.Quantity * D.Fraction AS Q
    FROM MrHd H JOIN MrDt D ON D.MrHd = H.Id WHERE H.DocDate >= ?2 AND H.DocDate < ?3 AND H.CancelFlag <> 'Y'
    UNION ALL SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, -D.Quantity * D.Fraction
    FROM PrHd H JOIN PrDt D ON D.PrHd = H.Id WHERE H.DocDate >= ?2 AND H.DocDate < ?3 AND H.CancelFlag <> 'Y'
    UNION ALL SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, -D.Quantity * D.Fraction
    FROM IvHd H JOIN IvDt D ON D.IvHd = H.Id WHERE H.DocDate >= ?2 AND H.DocDate < ?3 AND H.CancelFlag <> 'Y'
      AND H.NotCutStock <> 'Y' AND (H.IvType <> 'B' OR coalesce(D.IvdtB, 0) > 0)
    UNION ALL SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, D.Quantity * D.Fraction
    FROM SrHd H JOIN SrDt D ON D.SrHd = H.Id WHERE H.DocDate >= ?2 AND H.DocDate < ?3 AND H.CancelFlag <> 'Y'
    UNION ALL SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, -D.Quantity * D.Fraction
    FROM IsHd H JOIN IsDt D ON D.IsHd = H.Id WHERE H.DocDate >= ?2 AND H.DocDate < ?3 AND H.CancelFlag <> 'Y'
    UNION ALL SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, D.Quantity * D.Fraction
    FROM RiHd H JOIN RiDt D ON D.RiHd = H.Id WHERE H.DocDate >= ?2 AND H.DocDate < ?3 AND H.CancelFlag <> 'Y'
    UNION ALL SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, -D.Quantity * D.Fraction
    FROM TrHd H JOIN TrDt D ON D.TrHd = H.Id WHERE H.DocDate >= ?2 AND H.DocDate < ?3 AND H.CancelFlag <> 'Y'
    UNION ALL SELECT D.Product, D.ProductUnits, D.ToWarehouse, D.LotNo, D.Quantity * D.Fraction
    FROM TrHd H JOIN TrDt D ON D.TrHd = H.Id WHERE H.DocDate >= ?2 AND H.DocDate < ?3 AND H.CancelFlag <> 'Y'
    UNION ALL SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, D.Quantity * D.Fraction
    FROM AjHd H JOIN AjDt D ON D.AjHd = H.Id WHERE H.DocDate >= ?2 AND H.DocDate < ?3 AND H.CancelFlag <> 'Y')";

class Sqlite {
public:
    explicit Sqlite(const QString& path) {
        if (sqlite3_open(path.toUtf8().constData(), &db_) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
    }
    ~Sqlite() { sqlite3_close(db_); }

    void exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "sqlite3_exec failed";
            sqlite3_free(error);
            throw std::runtime_error(message);
        }
    }

    void run(const std::string& sql, int year) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        const std::string from = std::to_string(year) + "-01-01";
        const std::string to = std::to_string(year + 1) + "-01-01";
        // A statement without some of the parameters ignores their bindings (SQLITE_RANGE).
        sqlite3_bind_int(s, 1, year);
        sqlite3_bind_text(s, 2, from.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 3, to.c_str(), -1, SQLITE_TRANSIENT);
        const int rc = sqlite3_step(s);
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db_));
    }

private:
    sqlite3* db_ = nullptr;
};

void handWritten(Sqlite& db, int year) {
    db.exec("BEGIN IMMEDIATE");
    db.run("DELETE FROM ProductOnHand WHERE BalanceYear = ?1", year);
    db.run(std::string("INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, "
                       "Quantity) SELECT Product, ProductUnits, Warehouse, ?1, sum(Q) FROM ("
                       " SELECT Product, ProductUnits, Warehouse, NULL AS LotNo, Quantity AS Q"
                       " FROM ProductOnHand WHERE BalanceYear = ?1 - 1 UNION ALL") +
               kMovements + ") GROUP BY Product, ProductUnits, Warehouse",
           year);
    db.run("DELETE FROM LotOnHand WHERE BalanceYear = ?1", year);
    db.run(std::string("INSERT INTO LotOnHand (Product, LotNo, Warehouse, BalanceYear, Quantity) "
                       "SELECT Product, LotNo, Warehouse, ?1, sum(Q) FROM (") +
               kMovements + ") WHERE LotNo IS NOT NULL GROUP BY Product, LotNo, Warehouse",
           year);
    db.exec("COMMIT");
}

void BM_CalculateOnHand_Engine(benchmark::State& state) {
    try {
        const QString dir = companyWith(state.range(0));
        auto c = bench::connectTo(dir, QStringLiteral("BENCH"));
        for (auto _ : state)
            c->execute(QStringLiteral("EXEC Calculate_OnHand %1").arg(kYear));
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
    state.SetComplexityN(state.range(0));
}

void BM_CalculateOnHand_HandWrittenSqlite(benchmark::State& state) {
    try {
        const QString dir = companyWith(state.range(0));
        Sqlite db(dir + QStringLiteral("/BENCH.sqlite"));
        for (auto _ : state)
            handWritten(db, kYear);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_CalculateOnHand_Engine)
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_CalculateOnHand_HandWrittenSqlite)
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
