// Round trips through FreeTDS and voq-server on loopback against the same calls through the
// embedded driver in process: a product check and a ServerTime call (target under 0.5 ms per
// call over TDS), and a one-million-row SELECT streamed to an ODBC client (target at least
// 200,000 rows per second, the server's memory flat while it streams).

#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>

#include <QCoreApplication>
#include <QFile>
#include <memory>

#include "TdsServer.h"
#include "bench/common/BenchDatabase.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "db/OdbcDriver.h"
#include "dbcore/ConnectionParams.h"
#include "product/Dm_Product.h"

namespace {

constexpr int kBigRows = 1000000;

// A generated company of 1,000 products with a table Big of a million rows, and the voq-server
// that serves it.
struct Served {
    QString dir;
    std::unique_ptr<TdsServer> server;

    Served() {
        datagen::Options o;
        o.products = 1000;
        o.lines = 1000;
        o.seed = 7;
        dir = bench::generatedCompany(
            bench::benchRoot(QStringLiteral("/tmp/voq-server-bench")), o, [](db::Connection& c) {
                c.execute(QStringLiteral(
                    "CREATE TABLE Digit (D int)\n"
                    "INSERT INTO Digit VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)\n"
                    "CREATE TABLE Big (Id int, Code varchar(20), Name nvarchar(40), Price "
                    "decimal(18,2), Made datetime)\n"
                    "INSERT INTO Big SELECT a.D + 10 * b.D + 100 * c.D + 1000 * d.D + 10000 * e.D "
                    "+ 100000 * f.D, 'P' + cast(a.D as varchar(1)), N'สินค้า', 12.5, "
                    "'2024-06-30 10:00:00' FROM Digit a, Digit b, Digit c, Digit d, Digit e, "
                    "Digit f"));
            });
        server = std::make_unique<TdsServer>(dir);
    }
};

Served& served() {
    static Served s;
    return s;
}

void connectionParams(db::Connection& c, bool overTds) {
    c.params().clear();
    c.params().add(QStringLiteral("DATABASE NAME=BENCH"));
    if (overTds) {
        c.params().add(QStringLiteral("SERVER NAME=") + served().server->serverName());
        c.params().add(QStringLiteral("USER NAME=") + TdsServer::kLogin);
        c.params().add(QStringLiteral("PASSWORD=") + TdsServer::kPassword);
    } else {
        c.params().add(QStringLiteral("SERVER NAME=file:") + served().dir);
    }
    c.params().add(QStringLiteral("MAX QUERY TIME=0"));
}

// The modules as the program creates them, on one of the two paths.
struct Modules {
    TDM dm;
    TDMConfig cfg;
    TDmProduct product;

    explicit Modules(bool overTds) {
        dm.DMdata->setBeforeConnect([overTds](db::Connection& c) { connectionParams(c, overTds); });
    }
};

void productCheck(benchmark::State& state, bool overTds) {
    Modules m(overTds);
    int k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(m.product.ExistsProduct(
            QStringLiteral("G%1").arg(1 + k++ % 1000, 7, 10, QLatin1Char('0'))));
    if (!m.product.ExistsProduct(QStringLiteral("G0000001")))
        state.SkipWithError("the generated product is not found");
}

void serverTime(benchmark::State& state, bool overTds) {
    db::Connection c(overTds ? QStringLiteral("TIMETDS") : QStringLiteral("TIMEEMBEDDED"));
    connectionParams(c, overTds);
    std::vector<db::ProcArg> args{
        {QStringLiteral("@ServerTime"), db::FieldType::DateTime, db::ParamDirection::Output, {}}};
    for (auto _ : state) {
        c.callProcedure(QStringLiteral("ServerTime"), args);
        benchmark::DoNotOptimize(args[0].value);
    }
    if (!args[0].value.toDateTime().isValid())
        state.SkipWithError("ServerTime gave no time");
}

// Peak resident memory of a process, in kB.
long peakMemoryKb(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Every row of Big fetched through the ODBC API, one row at a time, as a streaming client does.
void selectMillionRows(benchmark::State& state) {
    db::ConnectionParams p;
    p.add(QStringLiteral("DATABASE NAME=BENCH"));
    p.add(QStringLiteral("SERVER NAME=") + served().server->serverName());
    p.add(QStringLiteral("USER NAME=") + TdsServer::kLogin);
    p.add(QStringLiteral("PASSWORD=") + TdsServer::kPassword);
    const QByteArray text = db::OdbcDriver::connectionString(p).toUtf8();
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT stmt;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)text.constData(), SQL_NTS, nullptr,
                                        0, nullptr, SQL_DRIVER_NOPROMPT))) {
        state.SkipWithError("cannot connect");
        return;
    }
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    const long memoryBefore = peakMemoryKb(served().server->pid());
    long rows = 0;
    for (auto _ : state) {
        SQLExecDirect(stmt, (SQLCHAR*)"SELECT Id, Code, Name, Price, Made FROM Big", SQL_NTS);
        SQLINTEGER id;
        char code[32];
        SQLLEN indicator;
        rows = 0;
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            SQLGetData(stmt, 1, SQL_C_SLONG, &id, 0, &indicator);
            SQLGetData(stmt, 2, SQL_C_CHAR, code, sizeof code, &indicator);
            ++rows;
        }
        SQLCloseCursor(stmt);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows_per_second"] = benchmark::Counter(
        static_cast<double>(rows) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["server_peak_kb_before"] = static_cast<double>(memoryBefore);
    state.counters["server_peak_kb_after"] =
        static_cast<double>(peakMemoryKb(served().server->pid()));
    if (rows != kBigRows)
        state.SkipWithError("not every row arrived");
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

}  // namespace

BENCHMARK_CAPTURE(productCheck, embedded, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(productCheck, tds, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(serverTime, embedded, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(serverTime, tds, true)->Unit(benchmark::kMicrosecond);
BENCHMARK(selectMillionRows)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    served();  // the company is generated (first run only) and served before any timing
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
