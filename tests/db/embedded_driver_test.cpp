#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "db/Connection.h"
#include "db/Query.h"
#include "db/RowCursor.h"
#include "dbcore/Error.h"
#include "tests/common/ResultRows.h"

namespace {

db::ProcArg arg(const QString& name, const QString& value) {
    return {name, db::FieldType::String, db::ParamDirection::Input, value};
}

// A connection called `name` to a new database of the same name in the server directory.
std::unique_ptr<db::Connection> newDatabase(const QTemporaryDir& dir, const QString& name) {
    {
        db::Connection master(name + QStringLiteral("MASTER"));
        master.params().add(QStringLiteral("SERVER NAME=file:") + dir.path());
        master.execute(QStringLiteral("CREATE DATABASE ") + name);
    }
    auto conn = std::make_unique<db::Connection>(name);
    conn->params().add(QStringLiteral("DATABASE NAME=") + name);
    conn->params().add(QStringLiteral("SERVER NAME=file:") + dir.path());
    return conn;
}

}  // namespace

// Procedure calls through the embedded driver bind their arguments as a SQL Server client does.
class EmbeddedCallTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        conn = newDatabase(dir, QStringLiteral("CALLS"));
        conn->execute(
            QStringLiteral("CREATE PROCEDURE Pair @First varchar(10), @Second "
                           "varchar(10), @Joined varchar(30) OUTPUT AS "
                           "SET @Joined = @First + '/' + @Second RETURN 7"));
    }

    QTemporaryDir dir;
    std::unique_ptr<db::Connection> conn;
};

TEST_F(EmbeddedCallTest, ArgumentsInDeclarationOrderReachTheirParameters) {
    std::vector<db::ProcArg> args{
        {"@Result", db::FieldType::Integer, db::ParamDirection::Result, {}},
        arg("@First", "a"),
        arg("@Second", "b"),
        {"@Joined", db::FieldType::String, db::ParamDirection::Output, {}}};
    EXPECT_EQ(conn->callProcedure(QStringLiteral("Pair"), args), 7);
    EXPECT_EQ(args[0].value.toInt(), 7);
    EXPECT_EQ(args[3].value.toString(), "a/b");
    EXPECT_EQ(args[1].value.toString(), "a") << "input values stay as given";
}

TEST_F(EmbeddedCallTest, ArgumentsGoByPositionNotByName) {
    std::vector<db::ProcArg> swapped{
        arg("@Second", "b"),
        arg("@First", "a"),
        {"@Joined", db::FieldType::String, db::ParamDirection::Output, {}}};
    conn->callProcedure(QStringLiteral("Pair"), swapped);
    EXPECT_EQ(swapped[2].value.toString(), "b/a");
}

// Queries read their rows through cursors: a first page on opening, the rest as asked for, and
// whatever else runs on the connection first reads the open cursor's rest into memory.
class EmbeddedCursorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        conn = newDatabase(dir, QStringLiteral("CURROWS"));
        conn->execute(QStringLiteral(
            "CREATE TABLE Digit (D int)\n"
            "INSERT INTO Digit VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)\n"
            "CREATE TABLE Big (n int)\n"
            "INSERT INTO Big SELECT a.D + 10 * b.D + 100 * c.D FROM Digit a, Digit b, Digit c"));
    }

    // A query of Big's rows on the connection.
    std::unique_ptr<db::Query> query(const QString& select) {
        return std::make_unique<db::Query>(QStringLiteral("QBig"), QStringLiteral("CURROWS"),
                                           QStringList{select}, nullptr);
    }

    QTemporaryDir dir;
    std::unique_ptr<db::Connection> conn;
};

TEST_F(EmbeddedCursorTest, AQueryOpensWithItsFirstPageAndFetchesTheRestAsNavigated) {
    const auto q = query(QStringLiteral("SELECT n FROM Big ORDER BY n"));
    q->open();
    EXPECT_EQ(q->fetchedCount(), db::Query::kPageRows);
    EXPECT_TRUE(q->canFetchMore());
    q->setRecNo(db::Query::kPageRows - 1);
    q->next();  // past the page: the next one is fetched
    EXPECT_FALSE(q->eof());
    EXPECT_EQ(q->fieldByName(QStringLiteral("n")).asInteger(), db::Query::kPageRows);
    EXPECT_EQ(q->recordCount(), 1000);
    EXPECT_FALSE(q->canFetchMore());
    q->last();
    EXPECT_EQ(q->fieldByName(QStringLiteral("n")).asInteger(), 999);
}

// The drain rule: the update runs after the open cursor's rows were read, so the query still
// lists every row as it was.
TEST_F(EmbeddedCursorTest, AnotherStatementFirstReadsTheOpenCursorsRest) {
    const auto q = query(QStringLiteral("SELECT n FROM Big ORDER BY n"));
    q->open();
    ASSERT_TRUE(q->canFetchMore());
    conn->execute(QStringLiteral("UPDATE Big SET n = -n - 1"));
    const auto other = query(QStringLiteral("SELECT max(n) AS m FROM Big"));
    other->open();
    EXPECT_EQ(other->fieldByName(QStringLiteral("m")).asInteger(), -1);
    ASSERT_EQ(q->recordCount(), 1000);
    for (int row = 0; row < 1000; ++row)
        ASSERT_EQ(q->valueAt(row, 0).toInt(), row);
}

TEST_F(EmbeddedCursorTest, AnErrorMetWhileDrainingReachesTheQueryNotTheOtherStatement) {
    const auto q = query(QStringLiteral("SELECT 10 / (999 - n) AS q FROM Big"));
    q->open();
    EXPECT_NO_THROW(conn->execute(QStringLiteral("SELECT 1")));
    try {
        q->recordCount();
        ADD_FAILURE() << "the divide by zero was lost";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 8134);
    }
}

TEST_F(EmbeddedCursorTest, ClosingAQueryDropsItsRestAndFreesTheConnection) {
    const auto q = query(QStringLiteral("SELECT n FROM Big ORDER BY n"));
    q->open();
    q->close();
    EXPECT_FALSE(q->canFetchMore());
    std::unique_ptr<db::RowCursor> cursor = conn->openCursor(QStringLiteral("SELECT n FROM Big"));
    std::vector<QVariantList> rows;
    EXPECT_TRUE(cursor->fetch(3, rows));
    EXPECT_EQ(rows.size(), 3u);
    cursor.reset();
    EXPECT_EQ(conn->execute(QStringLiteral("SELECT count(*) FROM Big"))
                  .firstRowSet()
                  ->rowSet.rows[0][0]
                  .toInt(),
              1000);
}

// Reading the row set to its end runs the rest of the batch; rows of its later SELECTs are not
// the query's.
TEST_F(EmbeddedCursorTest, AQueryGetsOnlyTheRowsOfItsFirstRowSet) {
    const auto q =
        query(QStringLiteral("SELECT n FROM Big WHERE n < 3 ORDER BY n\n"
                             "SELECT n FROM Big WHERE n > 995"));
    q->open();
    ASSERT_EQ(q->recordCount(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(q->valueAt(row, 0).toInt(), row);
}

// Errors of statements before the row set fail the opening, once the batch has run to its end.
TEST_F(EmbeddedCursorTest, AnErrorBeforeTheRowSetFailsTheOpening) {
    const auto q =
        query(QStringLiteral("INSERT INTO Big VALUES (1 / 0)\n"
                             "SELECT n FROM Big\n"
                             "INSERT INTO Big VALUES (5000)"));
    EXPECT_THROW(q->open(), db::Error);
    EXPECT_FALSE(q->isActive());
    EXPECT_EQ(conn->execute(QStringLiteral("SELECT count(*) FROM Big WHERE n = 5000"))
                  .firstRowSet()
                  ->rowSet.rows[0][0]
                  .toInt(),
              1)
        << "the batch ran to its end, as a whole read runs it";
}

// A statement's error after the row set belongs to that opening alone: the next query on the
// connection opens and reads to its end without it.
TEST_F(EmbeddedCursorTest, AnErrorAfterTheRowSetIsNotRaisedAgainByTheNextQuery) {
    const auto failing =
        query(QStringLiteral("SELECT n FROM Big WHERE n < 3\nINSERT INTO Big VALUES (1 / 0)"));
    EXPECT_THROW(
        {
            failing->open();
            failing->recordCount();
        },
        db::Error);
    const auto next = query(QStringLiteral("SELECT n FROM Big WHERE n < 2 ORDER BY n"));
    EXPECT_NO_THROW({
        next->open();
        EXPECT_EQ(next->recordCount(), 2);
    });
}
