// The engine against hand-written SQLite on the same file: a product lookup of the product
// checks and a grouped aggregate over one million stock rows. Prints the ratios at the end, in CPU
// time per iteration (the machine is shared; wall time counts the neighbours' work).
// Targets: a cached statement within 1.2x of hand-written SQLite; translation under 200 us; the
// aggregate over exact decimals within 1.3x of the same over floats.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QTemporaryDir>
#include <QVariant>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "bench/common/RawRows.h"
#include "tsql/Collation.h"
#include "tsql/Session.h"

namespace {

const char* const kLookup =
    "SELECT P.Id, P.Code, P.ThaiName, P.PriceIE, P.TaxCode, P.DefaultWh, T.Rate TaxRate, "
    "W.Code WhCode, W.Name WhName, P.Blocked, Coalesce(P.ProductFree,'N')ProductFree\n"
    "FROM Product P\n"
    "INNER JOIN Tax T On (T.Id = P.TaxCode)\n"
    "Left Join Warehouse W On (W.Id = P.DefaultWh) \n"
    "WHERE (P.Code = ?) AND (Coalesce(P.Blocked,'N') <> 'Y')  And "
    "(Coalesce(P.MasterCode,'N')<>'Y')";

// The column's own collation compares the code, so SQLite searches the unique index.
const char* const kLookupSqlite =
    "SELECT P.Id, P.Code, P.ThaiName, P.PriceIE, P.TaxCode, P.DefaultWh, T.Rate, W.Code, W.Name, "
    "P.Blocked, coalesce(P.ProductFree,'N') FROM Product P JOIN Tax T ON T.Id = P.TaxCode "
    "LEFT JOIN Warehouse W ON W.Id = P.DefaultWh WHERE P.Code = ?1 "
    "AND coalesce(P.Blocked,'N') <> 'Y' AND coalesce(P.MasterCode,'N') <> 'Y'";

const char* const kAggregate =
    "select o.Warehouse, Sum(o.Quantity) Qnty, Count(*) Lines from ProductOnHand o "
    "where o.BalanceYear = 2024 group by o.Warehouse order by o.Warehouse";

// The same over a float column: the cost of exact decimals is the ratio of the two.
const char* const kAggregateFloat =
    "select o.Warehouse, Sum(o.Quantity) Qnty, Count(*) Lines from ProductOnHandFloat o "
    "where o.BalanceYear = 2024 group by o.Warehouse order by o.Warehouse";

const char* const kAggregateSqlite =
    "SELECT Warehouse, sum(Quantity), count(*) FROM ProductOnHand WHERE BalanceYear = 2024 "
    "GROUP BY Warehouse ORDER BY Warehouse";

// A benchmark over a table that failed to fill measures nothing: stop instead.
void require(bool ok, const char* what, sqlite3* db) {
    if (ok)
        return;
    std::fprintf(stderr, "bench fixture: %s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
}

sqlite3_stmt* prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    require(sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK, sql, db);
    return st;
}

size_t rowCount(sqlite3* db, const char* sql) {
    sqlite3_stmt* st = prepare(db, sql);
    const size_t n = bench::stepRows(st).size();
    sqlite3_finalize(st);
    return n;
}

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<tsql::Session> session;
    sqlite3* raw = nullptr;

    Fixture() {
        tsql::Session master(dir.path(), QStringLiteral("master"));
        master.execute(QStringLiteral("CREATE DATABASE Bench"), {});
        session = std::make_unique<tsql::Session>(dir.path(), QStringLiteral("Bench"));
        session->execute(
            QStringLiteral(
                "create table Tax (Id int identity not null primary key, Code varchar(10), Rate "
                "decimal(9,2))\n"
                "create table Warehouse (Id int identity not null primary key, Code varchar(20), "
                "Name nvarchar(60))\n"
                "create table Product (Id int identity not null primary key, Code varchar(30) not "
                "null, "
                "ThaiName nvarchar(200), PriceIE char(1), TaxCode int not null, DefaultWh int, "
                "Blocked char(1), MasterCode char(1), ProductFree char(1))\n"
                "create unique index ProductCode on Product (Code)\n"
                "create table ProductOnHand (Id int identity not null primary key, Product int not "
                "null, "
                "Warehouse int not null, BalanceYear int not null, Quantity decimal(20,6))\n"
                "create table ProductOnHandFloat (Id int identity not null primary key, Product "
                "int not null, Warehouse int not null, BalanceYear int not null, Quantity float)\n"
                "insert into Tax (Code, Rate) values ('V7', 7)\n"
                "insert into Warehouse (Code, Name) values ('MAIN', N'คลังหลัก'), ('W2', 'Second')"),
            {});
        sqlite3_open(dir.filePath(QStringLiteral("Bench.sqlite")).toUtf8().constData(), &raw);
        sqlite3_busy_timeout(raw, 10000);
        // The files' text and decimal columns declare the engine's collations.
        tsql::registerCollation(raw);
        const int filled = sqlite3_exec(
            raw,
            "BEGIN;"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
            "INSERT INTO Product (Code, ThaiName, PriceIE, TaxCode, DefaultWh, Blocked) "
            "SELECT printf('P%05d', i), 'สินค้า ' || i, 'E', 1, 1 + i % 2, 'N' FROM n;"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
            "INSERT INTO ProductOnHand (Product, Warehouse, BalanceYear, Quantity) "
            "SELECT 1 + i % 20000, 1 + i % 2, 2020 + i % 5, printf('%.6f', (i % 97) * 1.5) FROM n;"
            "INSERT INTO ProductOnHandFloat (Product, Warehouse, BalanceYear, Quantity) "
            "SELECT Product, Warehouse, BalanceYear, CAST(Quantity AS REAL) FROM ProductOnHand;"
            "COMMIT;",
            nullptr, nullptr, nullptr);
        require(filled == SQLITE_OK, "filling the tables", raw);
        require(rowCount(raw, "SELECT Id FROM ProductOnHand WHERE BalanceYear = 2024") == 200000,
                "ProductOnHand holds its million rows", raw);
        require(rowCount(raw, "SELECT Id FROM Product") == 20000, "Product holds its rows", raw);
        requireEngineRows(kLookup, {{db::FieldType::String, QStringLiteral("p00001")}}, 1);
        requireEngineRows(kAggregate, {}, 2);
        requireEngineRows(kAggregateFloat, {}, 2);
    }

    // The engine's statements find what the hand-written ones find.
    void requireEngineRows(const char* sql, const std::vector<db::BoundValue>& params,
                           size_t rows) {
        const db::BatchResult r = session->execute(QString::fromUtf8(sql), params);
        const db::StatementResult* set = r.firstRowSet();
        require(set && set->rowSet.rows.size() == rows, sql, raw);
    }
    ~Fixture() { sqlite3_close(raw); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// Hand-written SQLite: prepared once, rows fetched into the same shape the engine returns.
size_t runRaw(sqlite3_stmt* st) {
    return bench::stepRows(st).size();
}

void BM_LookupEngine(benchmark::State& state) {
    Fixture& f = fixture();
    const QString sql = QString::fromUtf8(kLookup);
    int i = 0;
    for (auto _ : state) {
        std::vector<db::BoundValue> p{
            {db::FieldType::String,
             QStringLiteral("p%1").arg(1 + (i++ % 20000), 5, 10, QLatin1Char('0'))}};
        benchmark::DoNotOptimize(f.session->execute(sql, p));
    }
}

void BM_LookupSqlite(benchmark::State& state) {
    Fixture& f = fixture();
    sqlite3_stmt* st = prepare(f.raw, kLookupSqlite);
    int i = 0;
    for (auto _ : state) {
        QByteArray code =
            QStringLiteral("p%1").arg(1 + (i++ % 20000), 5, 10, QLatin1Char('0')).toUtf8();
        sqlite3_bind_text(st, 1, code.constData(), int(code.size()), SQLITE_TRANSIENT);
        benchmark::DoNotOptimize(runRaw(st));
    }
    sqlite3_finalize(st);
}

void BM_AggregateEngine(benchmark::State& state) {
    Fixture& f = fixture();
    const QString sql = QString::fromUtf8(kAggregate);
    for (auto _ : state)
        benchmark::DoNotOptimize(f.session->execute(sql, {}));
}

void BM_AggregateEngineFloat(benchmark::State& state) {
    Fixture& f = fixture();
    const QString sql = QString::fromUtf8(kAggregateFloat);
    for (auto _ : state)
        benchmark::DoNotOptimize(f.session->execute(sql, {}));
}

void BM_AggregateSqlite(benchmark::State& state) {
    Fixture& f = fixture();
    sqlite3_stmt* st = prepare(f.raw, kAggregateSqlite);
    for (auto _ : state)
        benchmark::DoNotOptimize(runRaw(st));
    sqlite3_finalize(st);
}

// A new text every time: parse, bind, emit and prepare, then run the (cheap) lookup.
void BM_LookupUncached(benchmark::State& state) {
    Fixture& f = fixture();
    int i = 0;
    for (auto _ : state) {
        QString sql = QString::fromUtf8(kLookup) + QStringLiteral(" And (P.Id > -%1)").arg(++i);
        std::vector<db::BoundValue> p{{db::FieldType::String, QStringLiteral("P00001")}};
        benchmark::DoNotOptimize(f.session->execute(sql, p));
    }
}

BENCHMARK(BM_LookupEngine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupSqlite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupUncached)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AggregateEngine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AggregateEngineFloat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AggregateSqlite)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.iterations > 0)
                perIteration[r.benchmark_name()] = r.cpu_accumulated_time / double(r.iterations);
    }
    std::map<std::string, double> perIteration;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.perIteration;
    auto ratio = [&](const char* a, const char* b) {
        if (t.count(a) && t.count(b) && t[b] > 0)
            std::printf("%-42s %.3f\n", (std::string(a) + " / " + b).c_str(), t[a] / t[b]);
    };
    std::printf("\nratios (target: cached engine within 1.2x of hand-written SQLite)\n");
    ratio("BM_LookupEngine", "BM_LookupSqlite");
    ratio("BM_AggregateEngine", "BM_AggregateSqlite");
    std::printf("\nratio (target: exact decimals within 1.3x of floats)\n");
    ratio("BM_AggregateEngine", "BM_AggregateEngineFloat");
    if (t.count("BM_LookupUncached") && t.count("BM_LookupEngine"))
        std::printf("%-42s %.1f us (target under 200 us)\n", "translation of an uncached statement",
                    (t["BM_LookupUncached"] - t["BM_LookupEngine"]) * 1e6);
    benchmark::Shutdown();
}
