// The ODBC driver against SQL Server through FreeTDS: a real one when VOQ_TEST_MSSQL names it
// ("host", "host\instance" or "host,port"; VOQ_TEST_MSSQL_USER and VOQ_TEST_MSSQL_PASSWORD give
// the login, VOQ_TEST_MSSQL_DATABASE the database, tempdb when unset), otherwise a voq-server of
// the build on a free loopback port. Everything the tests create is a temporary table or dropped
// again.

#include <gtest/gtest.h>

#include <QDateTime>
#include <functional>

#include <QTemporaryDir>

#include "TdsServer.h"
#include "db/Connection.h"
#include "db/OdbcDriver.h"
#include "db/RowCursor.h"
#include "tsql/Server.h"

using namespace db;

namespace {

const QString kThai = QString::fromUtf8("สวัสดีครับ ราคาสินค้า ๑๒๓ เลขประจำตัวผู้เสียภาษี");
const char* const kProc = "dbo.VoqTestProc";

QString env(const char* name) {
    return qEnvironmentVariable(name);
}

bool realServer() {
    return !env("VOQ_TEST_MSSQL").isEmpty();
}

// The voq-server that stands in for SQL Server, one for the whole test program.
const TdsServer& localServer() {
    static QTemporaryDir dir;
    static const bool made =
        (tsql::Server(dir.path()).createDatabase(QStringLiteral("tempdb")), true);
    static TdsServer server(dir.path());
    (void)made;
    return server;
}

ConnectionParams serverParams(const QString& maxQueryTime = QStringLiteral("600")) {
    ConnectionParams p;
    const QString database = env("VOQ_TEST_MSSQL_DATABASE");
    p.add(QStringLiteral("DATABASE NAME=") + (database.isEmpty() ? "tempdb" : database));
    if (realServer()) {
        p.add(QStringLiteral("SERVER NAME=") + env("VOQ_TEST_MSSQL"));
        p.add(QStringLiteral("USER NAME=") + env("VOQ_TEST_MSSQL_USER"));
        p.add(QStringLiteral("PASSWORD=") + env("VOQ_TEST_MSSQL_PASSWORD"));
    } else {
        p.add(QStringLiteral("SERVER NAME=") + localServer().serverName());
        p.add(QStringLiteral("USER NAME=") + TdsServer::kLogin);
        p.add(QStringLiteral("PASSWORD=") + TdsServer::kPassword);
    }
    p.add(QStringLiteral("MAX QUERY TIME=") + maxQueryTime);
    return p;
}

Error expectError(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no db::Error raised";
    return Error::client(QString());
}

class SqlServer : public ::testing::Test {
protected:
    void SetUp() override { driver_.open(serverParams()); }

    BatchResult exec(const QString& sql, const std::vector<BoundValue>& params = {}) {
        return driver_.execute(sql, params);
    }

    OdbcDriver driver_;
};

}  // namespace

TEST_F(SqlServer, ProcedureWithOutputsAndReturnValue) {
    exec(QStringLiteral("if object_id('%1') is not null drop procedure %1").arg(kProc));
    exec(QStringLiteral("create procedure %1 @In int, @Name nvarchar(50), @Twice int output, "
                        "@Greeting nvarchar(100) output, @Counter int output as\n"
                        "begin\n"
                        "  set nocount on\n"
                        "  select @In as Echo, @Name as Name\n"
                        "  set @Twice = @In * 2\n"
                        "  set @Greeting = @Name + N'!'\n"
                        "  set @Counter = @Counter + 1\n"
                        "  return 42\n"
                        "end")
             .arg(kProc));
    std::vector<ProcArg> args = {
        {"@In", FieldType::Integer, ParamDirection::Input, QVariant::fromValue<qint64>(21)},
        {"@Name", FieldType::String, ParamDirection::Input, kThai},
        {"@Twice", FieldType::Integer, ParamDirection::Output, QVariant()},
        {"@Greeting", FieldType::String, ParamDirection::Output, QVariant()},
        {"@Counter", FieldType::Integer, ParamDirection::InputOutput,
         QVariant::fromValue<qint64>(9)},
        {"@Result", FieldType::Integer, ParamDirection::Result, QVariant()}};
    BatchResult rows;
    const int status = driver_.callProcedure(kProc, args, &rows);
    exec(QStringLiteral("drop procedure %1").arg(kProc));

    EXPECT_EQ(status, 42);
    EXPECT_EQ(args[5].value.toLongLong(), 42);
    EXPECT_EQ(args[2].value.toLongLong(), 42);
    EXPECT_EQ(args[3].value.toString(), kThai + "!");
    EXPECT_EQ(args[4].value.toLongLong(), 10);
    ASSERT_NE(rows.firstRowSet(), nullptr);
    EXPECT_EQ(rows.firstRowSet()->rowSet.rows.at(0),
              (QVariantList{QVariant::fromValue<qint64>(21), kThai}));
}

TEST_F(SqlServer, SeveralResultsInOrderWithPrintMessages) {
    const BatchResult r = exec(
        "create table #n (i int)\n"
        "insert into #n values (1), (2), (3)\n"
        "select i from #n order by i\n"
        "print 'halfway'\n"
        "update #n set i = i * 10 where i > 1\n"
        "select count(*) as n, sum(i) as total from #n\n"
        "print N'" +
        kThai + "'");
    ASSERT_EQ(r.results.size(), 4u);
    EXPECT_EQ(r.results[0].rowsAffected, 3);
    ASSERT_TRUE(r.results[1].hasRowSet);
    EXPECT_EQ(r.results[1].rowSet.rows.size(), 3u);
    EXPECT_EQ(r.results[2].rowsAffected, 2);
    ASSERT_TRUE(r.results[3].hasRowSet);
    EXPECT_EQ(r.results[3].rowSet.rows.at(0),
              (QVariantList{QVariant::fromValue<qint64>(3), QVariant::fromValue<qint64>(51)}));
    EXPECT_EQ(r.messages, (QStringList{QStringLiteral("halfway"), kThai}));
}

TEST_F(SqlServer, ThaiRoundTripThroughUnicodeAndThaiCodePageColumns) {
    exec("create table #t (id int, u nvarchar(100), a varchar(100) collate Thai_CI_AS)");
    exec("insert into #t values (1, ?, ?)",
         {{FieldType::String, kThai}, {FieldType::String, kThai}});
    exec(QStringLiteral("insert into #t values (2, N'%1', N'%1')").arg(kThai));
    const BatchResult r = exec("select u, a from #t order by id");
    const auto& rows = r.firstRowSet()->rowSet.rows;
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows) {
        EXPECT_EQ(row[0].toString(), kThai);
        EXPECT_EQ(row[1].toString(), kThai);
    }
}

TEST_F(SqlServer, ColumnTypes) {
    const BatchResult r = exec(
        "select cast(1 as int) i, cast(5000000000 as bigint) b, cast(1 as bit) f, "
        "cast(12.34 as decimal(10,2)) d, cast(3.5 as money) m, cast(0.25 as float) x, "
        "cast('2024-02-29 13:14:15.250' as datetime) t, cast(null as int) n, N'x' s");
    const RowSet& set = r.firstRowSet()->rowSet;
    const QVariantList& row = set.rows.at(0);
    EXPECT_EQ(row[0].toLongLong(), 1);
    EXPECT_EQ(row[1].toLongLong(), 5000000000LL);
    EXPECT_EQ(row[2].toLongLong(), 1);
    EXPECT_EQ(row[3].toDouble(), 12.34);
    EXPECT_EQ(row[4].toDouble(), 3.5);
    EXPECT_EQ(row[5].toDouble(), 0.25);
    EXPECT_EQ(row[6].toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15, 250)));
    EXPECT_TRUE(row[7].isNull());
    EXPECT_EQ(row[8].toString(), QStringLiteral("x"));
    EXPECT_EQ(set.columns[3].type, FieldType::Float);
    EXPECT_EQ(set.columns[6].type, FieldType::DateTime);
}

TEST_F(SqlServer, ColumnsTellTheirDeclaredTypeWithItsScale) {
    const BatchResult r = exec(
        "select cast(3 as decimal(5,2)) d, cast(10.05 as money) m, "
        "cast('2000-12-13' as date) day, cast('2000-12-13' as datetime) t");
    const Columns& columns = r.firstRowSet()->rowSet.columns;
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].declared.name, "decimal");
    EXPECT_EQ(columns[0].declared.precision, 5);
    EXPECT_EQ(columns[0].declared.scale, 2);
    EXPECT_EQ(columns[1].declared.name, "money");
    EXPECT_EQ(columns[1].declared.scale, 4);
    EXPECT_EQ(columns[2].declared.name, "date");
    EXPECT_EQ(columns[3].declared.name, "datetime");
    EXPECT_EQ(columns[3].declared.scale, 3);
}

TEST_F(SqlServer, DuplicateKeyRaisesError2627AndTheBatchGoesOn) {
    exec("create table #k (id int primary key)");
    exec("insert into #k values (1)");
    const QString batch = QStringLiteral("insert into #k values (1)\ninsert into #k values (5)");
    const Error e = expectError([&] { exec(batch); });
    EXPECT_EQ(e.nativeError(), 2627) << e.what();
    EXPECT_TRUE(e.message().contains(QStringLiteral("Cannot insert duplicate key"))) << e.what();
    EXPECT_FALSE(e.message().startsWith('[')) << e.what();
    EXPECT_EQ(e.statement(), batch);
    EXPECT_EQ(exec("select count(*) from #k where id = 5").firstRowSet()->rowSet.rows[0][0],
              QVariant::fromValue<qint64>(1));
}

// Rows a batch gave before and after a failing statement reach the caller with its error.
TEST_F(SqlServer, RowsOfAFailingBatchComeWithTheError) {
    exec("create table #e (id int primary key)");
    exec("insert into #e values (1)");
    const Error e = expectError([&] {
        exec(
            "select 10 as a\nprint 'halfway'\ninsert into #e values (1)\nselect 20 as b\n"
            "select * from NoSuchTable");
    });
    ASSERT_GE(e.messages().size(), 2u);
    EXPECT_EQ(e.messages().front().nativeError, 2627) << e.what();
    EXPECT_EQ(e.messages().back().nativeError, 208) << e.what();
    ASSERT_NE(e.results(), nullptr);
    std::vector<qint64> values;
    for (const StatementResult& r : e.results()->results)
        if (r.hasRowSet)
            values.push_back(r.rowSet.rows.at(0).at(0).toLongLong());
    EXPECT_EQ(values, (std::vector<qint64>{10, 20}));
    EXPECT_TRUE(e.results()->messages.contains(QStringLiteral("halfway")));
}

TEST_F(SqlServer, RollbackUndoesWork) {
    exec("create table #r (id int)");
    driver_.beginTransaction();
    exec("insert into #r values (?)", {{FieldType::Integer, 1}});
    driver_.rollback();
    EXPECT_EQ(exec("select count(*) from #r").firstRowSet()->rowSet.rows[0][0].toLongLong(), 0);
}

TEST_F(SqlServer, MaxQueryTimeEndsALongStatement) {
    OdbcDriver quick;
    quick.open(serverParams(QStringLiteral("1")));
    // The embedded engine has no WAITFOR: a count over a billion rows takes it long enough.
    quick.execute(
        "create table #d (i int) insert into #d values (0),(1),(2),(3),(4),(5),(6),(7),"
        "(8),(9)",
        {});
    const QString longStatement =
        realServer() ? QStringLiteral("waitfor delay '00:00:05'")
                     : QStringLiteral(
                           "select count(*) from #d a, #d b, #d c, #d d, #d e, #d f, "
                           "#d g, #d h, #d k");
    const Error e = expectError([&] { quick.execute(longStatement, {}); });
    ASSERT_FALSE(e.messages().empty());
    EXPECT_EQ(e.messages().front().sqlState, QStringLiteral("HYT00")) << e.what();
    EXPECT_EQ(quick.execute("select count(*) from #d", {}).firstRowSet()->rowSet.rows[0][0],
              QVariant::fromValue<qint64>(10))
        << "the connection serves the next statement";
}

// ---- cursors: one active result per connection ----------------------------------------------

namespace {

const char* const kTenThousand =
    "select a.i + 10 * b.i + 100 * c.i + 1000 * d.i as n from #c a, #c b, #c c, #c d order by n";

void createDigits(const std::function<void(const QString&)>& run) {
    run(
        QStringLiteral("create table #c (i int) insert into #c values (0),(1),(2),(3),(4),(5),(6),"
                       "(7),(8),(9)"));
}

}  // namespace

// A cursor dropped after its first rows cancels the rest, and the next statement reads its own
// results, not what was left of the other's.
TEST_F(SqlServer, ACursorReadsItsFirstRowsAndADroppedOneLeavesNothingBehind) {
    createDigits([&](const QString& sql) { exec(sql); });
    std::unique_ptr<Cursor> cursor = driver_.openCursor(kTenThousand, {});
    std::vector<QVariantList> rows;
    EXPECT_TRUE(cursor->fetch(5, rows));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[4][0].toInt(), 4);
    EXPECT_THROW(exec("select 1"), Error) << "the driver holds its one active result";
    cursor.reset();
    EXPECT_EQ(exec("select count(*) from #c").firstRowSet()->rowSet.rows[0][0].toInt(), 10);
}

// Through a connection the rule holds by itself: the update runs once the open cursor's rest has
// been read, which therefore lists every row as it was.
TEST_F(SqlServer, AConnectionReadsItsOpenCursorsRestBeforeTheNextStatement) {
    Connection c(QStringLiteral("TDSCURSORS"));
    c.params() = serverParams();
    createDigits([&](const QString& sql) { c.execute(sql); });
    c.execute(QStringLiteral("select * into #big from (") + kTenThousand + ") x");
    std::unique_ptr<RowCursor> cursor =
        c.openCursor(QStringLiteral("select n from #big order by n"));
    std::vector<QVariantList> rows;
    EXPECT_TRUE(cursor->fetch(5, rows));
    c.execute(QStringLiteral("update #big set n = -n - 1"));
    while (cursor->fetch(1000, rows)) {
    }
    ASSERT_EQ(rows.size(), 10000u);
    for (int k = 0; k < 10000; ++k)
        ASSERT_EQ(rows[static_cast<size_t>(k)][0].toInt(), k);
    EXPECT_EQ(c.execute(QStringLiteral("select max(n) from #big")).firstRowSet()->rowSet.rows[0][0],
              QVariant::fromValue<qint64>(-1));
}
