// The three recalculations on the embedded engine against the best plan written by hand for
// SQLite on the same file, over 100k, 300k and 1M generated document lines spread over two years;
// the later year is computed, carrying the earlier year's balances forward. The hand-written plan
// scans each lines table once, finds each line's header by its id and sums the year's movements
// once per product, unit, warehouse and lot for both stock tables. It does the same exact decimal
// arithmetic as the engine, through the engine's registered functions (each product, negation,
// sum and the rounding to the stored column's scale), and both are checked to write the same
// balances before they are timed. The target: each procedure within 1.15x of it at 1M lines. The
// program prints the hand-written plans and, at the end, the engine's time over the hand-written
// time per recalculation and size.
//
// The company databases are generated once per size into $VOQ_BENCH_DIR (default
// /tmp/voq-recalc-bench) and kept for later runs.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/common/BenchDatabase.h"
#include "bench/common/FastestRunReporter.h"
#include "db/Connection.h"
#include "dbcore/Error.h"
#include "tools/datagen/Generator.h"
#include "tools/voqsql/Script.h"
#include "tsql/Collation.h"
#include "tsql/Functions.h"

namespace {

constexpr int kYear = 2022;  // the year computed; the generated lines lie in it and the year before
constexpr int kRepetitions = 5;  // each timed again this often; the ratios use the fastest

// A server directory whose database BENCH holds the company schema, `lines` generated lines dated
// in kYear - 1 and kYear, and the closing balances of kYear - 1. The procedures are created again
// from the source on every call, so a kept database runs the procedures as they are now.
QString companyWith(std::int64_t lines) {
    datagen::Options o;
    o.products = 2000;
    o.lines = lines;
    o.seed = 42;
    o.firstYear = kYear - 1;
    o.years = 2;
    const QString dir = bench::generatedCompany(
        bench::benchRoot(QStringLiteral("/tmp/voq-recalc-bench")) +
            QStringLiteral("/two-years-%1").arg(lines),
        o, [](db::Connection& c) {
            for (const char* name : {"Calculate_OnHand", "Calculate_AR", "Calculate_AP"})
                c.execute(QStringLiteral("EXEC %1 %2").arg(QLatin1String(name)).arg(kYear - 1));
        });
    auto c = bench::connectTo(dir, QStringLiteral("BENCH"));
    for (const voqsql::Batch& b : voqsql::splitBatches(voqsql::readScriptFile(
             QStringLiteral(VOQ_SOURCE_ROOT "/schema/company/07_recalc.sql"))))
        c->execute(b.text);
    return dir;
}

// Dates are stored as 'yyyy-MM-dd hh:mm:ss.zzz' texts, so a year is a range of texts (?2, ?3); a
// flag is set only when it is exactly 'Y'.
#define NOT_SET(flag) "coalesce(unicode(" flag "), 0) <> 89"
#define IN_YEAR "H.DocDate >= ?2 AND H.DocDate < ?3 AND " NOT_SET("H.CancelFlag")
// Exact decimal arithmetic with the engine's functions; the last argument is the result's type.
#define TIMES(a, b, type) "tsql_decimal_multiply(" a ", " b ", '" type "')"
#define MINUS(a, type) "tsql_decimal_subtract(0, " a ", '" type "')"
#define SUM(a) "tsql_decimal_sum(" a ")"
#define STORED(a, scale, type) "tsql_decimal_round(" a ", " scale ", 0, '" type "')"
#define MOVED TIMES("D.Quantity", "D.Fraction", "decimal(38,9)")
#define LINES(dt, hd, quantity, extra)                                                    \
    " SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, " quantity " AS Q FROM " dt \
    " D CROSS JOIN " hd " H WHERE H.Id = D." hd " AND " IN_YEAR extra

const char* const kOnHand[] = {
    "DROP TABLE IF EXISTS temp.Moves",
    "CREATE TEMP TABLE Moves AS SELECT Product, ProductUnits, Warehouse, LotNo, " SUM("Q")
    " AS Q FROM ("
    LINES("MrDt", "MrHd", MOVED, "") " UNION ALL"
    LINES("PrDt", "PrHd", MINUS(MOVED, "decimal(38,9)"), "") " UNION ALL"
    LINES("IvDt", "IvHd", MINUS(MOVED, "decimal(38,9)"),
          " AND " NOT_SET("H.NotCutStock") " AND (coalesce(H.IvType, '') <> 'B' "
          "OR coalesce(D.IvdtB, 0) > 0)") " UNION ALL"
    LINES("SrDt", "SrHd", MOVED, "") " UNION ALL"
    LINES("IsDt", "IsHd", MINUS(MOVED, "decimal(38,9)"), "") " UNION ALL"
    LINES("RiDt", "RiHd", MOVED, "") " UNION ALL"
    " SELECT D.Product, D.ProductUnits, CASE S.Side WHEN 1 THEN D.ToWarehouse ELSE D.Warehouse END,"
    " D.LotNo, CASE S.Side WHEN 1 THEN " MOVED " ELSE " MINUS(MOVED, "decimal(38,9)") " END"
    " FROM TrDt D CROSS JOIN TrHd H"
    " CROSS JOIN (SELECT -1 AS Side UNION ALL SELECT 1) S WHERE H.Id = D.TrHd AND " IN_YEAR
    " UNION ALL" LINES("AjDt", "AjHd", MOVED, "")
    ") GROUP BY Product, ProductUnits, Warehouse, LotNo",
    "DELETE FROM ProductOnHand WHERE BalanceYear = ?1",
    "INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, Quantity)"
    " SELECT Product, ProductUnits, Warehouse, ?1, " STORED(SUM("Q"), "6", "decimal(20,6)")
    " FROM (SELECT Product, ProductUnits, Warehouse, Quantity AS Q FROM ProductOnHand"
    " WHERE BalanceYear = ?1 - 1"
    " UNION ALL SELECT Product, ProductUnits, Warehouse, Q FROM temp.Moves)"
    " GROUP BY Product, ProductUnits, Warehouse",
    "DELETE FROM LotOnHand WHERE BalanceYear = ?1",
    "INSERT INTO LotOnHand (Product, LotNo, Warehouse, BalanceYear, Quantity)"
    " SELECT Product, LotNo, Warehouse, ?1, " STORED(SUM("Q"), "6", "decimal(20,6)")
    " FROM temp.Moves WHERE LotNo IS NOT NULL GROUP BY Product, LotNo, Warehouse",
    "DROP TABLE temp.Moves"};

// Receivables or payables: the previous year's rows, the headers of the year and the payment
// lines with their header found by id, summed per party and currency (?4 is the main currency).
#define AMOUNTS(amount, rate) amount ", " TIMES(amount, "coalesce(" rate ", 1)", "decimal(38,9)")
#define NEGATED_AMOUNTS(amount, rate) \
    MINUS(amount, "decimal(20,6)")    \
    ", " MINUS(TIMES(amount, "coalesce(" rate ", 1)", "decimal(38,9)"), "decimal(38,9)")
#define HEADERS(table, party, amounts) \
    " SELECT H." party ", coalesce(H.CurrencyId, ?4), " amounts " FROM " table " H WHERE " IN_YEAR
#define BALANCES(balance, party, up1, up2, down1, down2, dt, hd, extra)                            \
    "INSERT INTO " balance " (" party                                                              \
    ", BalanceYear, CurrencyId, Amount, MainCurrencyAmount)"                                       \
    " SELECT P, ?1, C, " STORED(SUM("A"), "6", "decimal(20,6)") ", " STORED(                       \
        SUM("M"), "10",                                                                            \
        "decimal(20,10)") " FROM (SELECT " party                                                   \
                          " AS P, CurrencyId AS C, Amount AS A, coalesce(MainCurrencyAmount, "     \
                          "Amount) AS M FROM " balance                                             \
                          " WHERE BalanceYear = ?1 - 1"                                            \
                          " UNION ALL" HEADERS(up1, party, AMOUNTS("H.NetAmount", "H.Rate")) extra \
        " UNION ALL" HEADERS(up2, party, AMOUNTS("H.NetAmount", "H.Rate")) " UNION ALL" HEADERS(   \
            down1, party,                                                                          \
            NEGATED_AMOUNTS(                                                                       \
                "H.NetAmount",                                                                     \
                "H.Rate")) " UNION ALL" HEADERS(down2, party,                                      \
                                                NEGATED_AMOUNTS(                                   \
                                                    "H.NetAmount",                                 \
                                                    "H.Rate")) " UNION ALL SELECT H." party        \
                                                               ", coalesce(D.CurrencyId, "         \
                                                               "?4), " NEGATED_AMOUNTS(            \
                                                                   "D.Amount",                     \
                                                                   "D.Rate") " FROM " dt           \
                                                                             " D CROSS JOIN " hd   \
                                                                             " H WHERE H.Id = "    \
                                                                             "D." hd               \
                                                                             " AND " IN_YEAR       \
                                                                             ") GROUP BY P, C"

const char* const kAr[] = {"DELETE FROM CustomerBalance WHERE BalanceYear = ?1",
                           BALANCES("CustomerBalance", "Customer", "IvHd", "CdnHd", "CcnHd", "SrHd",
                                    "RcDt", "RcHd", " AND H.IvType = 'R' COLLATE BINARY")};
const char* const kAp[] = {
    "DELETE FROM VendorBalance WHERE BalanceYear = ?1",
    BALANCES("VendorBalance", "Vendor", "PcHd", "VdnHd", "VcnHd", "PrHd", "PdDt", "PdHd", "")};

// The rows a recalculation writes for year ?1, in key order, as one text.
#define ROWS(table, key, values)                                                         \
    "(SELECT group_concat(" key " || ',' || " values ", ';') FROM (SELECT * FROM " table \
    " WHERE BalanceYear = ?1 ORDER BY " key "))"
#define PARTY_ROWS(table, party)                                         \
    "SELECT " ROWS(table, party " || ',' || ifnull(CurrencyId, 'NULL')", \
                   "Amount || ',' || MainCurrencyAmount")

struct Recalculation {
    const char* procedure;
    const char* const* statements;
    std::size_t count;
    const char* rows;
};
const Recalculation kRecalculations[] = {
    {"Calculate_OnHand", kOnHand, std::size(kOnHand),
     "SELECT " ROWS("ProductOnHand", "Product || ',' || ProductUnits || ',' || Warehouse",
                    "Quantity") " || '|' || " ROWS("LotOnHand",
                                                   "Product || ',' || LotNo || ',' || Warehouse",
                                                   "Quantity")},
    {"Calculate_AR", kAr, std::size(kAr), PARTY_ROWS("CustomerBalance", "Customer")},
    {"Calculate_AP", kAp, std::size(kAp), PARTY_ROWS("VendorBalance", "Vendor")}};

class Sqlite {
public:
    explicit Sqlite(const QString& path) {
        if (sqlite3_open(path.toUtf8().constData(), &db_) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        tsql::registerCollation(db_);  // the files' columns declare the engine's collations
        tsql::registerFunctions(db_, nullptr);  // its exact decimal arithmetic
        exec("PRAGMA synchronous=NORMAL");      // as the engine opens its files
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

    void readMainCurrency() {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, "SELECT MainCurrencyId FROM Config WHERE Id = 1", -1, &s,
                               nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        if (sqlite3_step(s) == SQLITE_ROW && sqlite3_column_type(s, 0) != SQLITE_NULL)
            mainCurrency_ = sqlite3_column_int(s, 0);
        sqlite3_finalize(s);
    }

    // The query plan SQLite picks for `sql`, one line per step.
    std::string plan(const char* sql) {
        sqlite3_stmt* s = nullptr;
        const std::string explain = std::string("EXPLAIN QUERY PLAN ") + sql;
        if (sqlite3_prepare_v2(db_, explain.c_str(), -1, &s, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        std::string text;
        while (sqlite3_step(s) == SQLITE_ROW)
            text += std::string("    ") + reinterpret_cast<const char*>(sqlite3_column_text(s, 3)) +
                    "\n";
        sqlite3_finalize(s);
        return text;
    }

    // The first column of the first row of `sql` as text, with ?1 the year.
    std::string text(const char* sql, int year) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        sqlite3_bind_int(s, 1, year);
        std::string t;
        if (sqlite3_step(s) == SQLITE_ROW && sqlite3_column_text(s, 0))
            t = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        sqlite3_finalize(s);
        return t;
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
        if (mainCurrency_)
            sqlite3_bind_int(s, 4, *mainCurrency_);
        const int rc = sqlite3_step(s);
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db_));
    }

private:
    sqlite3* db_ = nullptr;
    std::optional<int> mainCurrency_;  // as the procedures read it: NULL without a Config row
};

void handWritten(Sqlite& db, const Recalculation& r, int year) {
    db.exec("BEGIN IMMEDIATE");
    for (std::size_t i = 0; i < r.count; ++i)
        db.run(r.statements[i], year);
    db.exec("COMMIT");
}

// Runs the procedure and the hand-written plan once each; they must write the same rows.
void checkSameBalances(const QString& dir, const Recalculation& r) {
    Sqlite db(dir + QStringLiteral("/BENCH.sqlite"));
    db.readMainCurrency();
    bench::connectTo(dir, QStringLiteral("BENCH"))
        ->execute(QStringLiteral("EXEC %1 %2").arg(QLatin1String(r.procedure)).arg(kYear));
    const std::string engine = db.text(r.rows, kYear);
    handWritten(db, r, kYear);
    const std::string hand = db.text(r.rows, kYear);
    if (engine.empty() || engine != hand)
        throw std::runtime_error(std::string(r.procedure) +
                                 ": the hand-written plan writes other rows than the engine");
}

void BM_Engine(benchmark::State& state, const Recalculation& r) {
    try {
        const QString dir = companyWith(state.range(0));
        auto c = bench::connectTo(dir, QStringLiteral("BENCH"));
        const QString call =
            QStringLiteral("EXEC %1 %2").arg(QLatin1String(r.procedure)).arg(kYear);
        for (auto _ : state)
            c->execute(call);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void BM_HandWritten(benchmark::State& state, const Recalculation& r) {
    try {
        const QString dir = companyWith(state.range(0));
        checkSameBalances(dir, r);
        Sqlite db(dir + QStringLiteral("/BENCH.sqlite"));
        db.readMainCurrency();
        for (auto _ : state)
            handWritten(db, r, kYear);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

// Prints each hand-written statement and, for those that read, the plan SQLite picks for it.
void printHandWrittenPlans() {
    const std::string createAs = "CREATE TEMP TABLE Moves AS ";
    Sqlite db(companyWith(100000) + QStringLiteral("/BENCH.sqlite"));
    for (const Recalculation& r : kRecalculations) {
        std::printf("Hand-written plan of %s:\n", r.procedure);
        for (std::size_t i = 0; i < r.count; ++i) {
            const std::string sql = r.statements[i];
            std::printf("  %s\n", sql.c_str());
            if (sql.rfind(createAs, 0) == 0)
                std::printf("%s", db.plan(sql.c_str() + createAs.size()).c_str());
            else if (sql.rfind("INSERT", 0) == 0 && sql.find("temp.Moves") == std::string::npos)
                std::printf("%s", db.plan(sql.c_str()).c_str());
        }
    }
    std::fflush(stdout);
}

// Prints engine / hand-written per recalculation and size, from each one's fastest repetition.
void printRatios(const bench::FastestRunReporter& reporter) {
    std::printf("\nengine / hand-written (CPU time of the fastest of %d repetitions):\n",
                kRepetitions);
    for (const Recalculation& r : kRecalculations)
        for (const char* lines : {"100000", "300000", "1000000"}) {
            const auto engine = reporter.fastest(std::string("Engine/") + r.procedure, lines);
            const auto hand = reporter.fastest(std::string("HandWritten/") + r.procedure, lines);
            if (engine && hand)
                std::printf("  %-17s %8s lines: %.2f\n", r.procedure, lines, *engine / *hand);
        }
}

void registerBenchmarks() {
    for (const Recalculation& r : kRecalculations) {
        for (const auto& [prefix, function] :
             {std::pair{"Engine/", &BM_Engine}, std::pair{"HandWritten/", &BM_HandWritten}})
            benchmark::RegisterBenchmark((std::string(prefix) + r.procedure).c_str(), function, r)
                ->Arg(100000)
                ->Arg(300000)
                ->Arg(1000000)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(1.0)
                ->Repetitions(kRepetitions);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerBenchmarks();
    printHandWrittenPlans();
    bench::FastestRunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
