#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "db/UpdateSql.h"
#include "dbcore/Error.h"

// The access layer over a real driver: the SQLite ODBC driver on a scratch file.
class QueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        server = "odbc:Driver=SQLite3;Database=" + dir.filePath("q.sqlite");
        conn = std::make_unique<db::Connection>("TESTDB");
        conn->setBeforeConnect([this](db::Connection& c) {
            ++beforeCount;
            c.params().clear();
            c.params().add("DATABASE NAME=q");
            c.params().add("SERVER NAME=" + server);
        });
        conn->setAfterConnect([this](db::Connection&) { ++afterCount; });
        run("create table Product (Code varchar(20) primary key, Name varchar(50),"
            " Qty integer, Price real, Made timestamp)");
        run("insert into Product values ('P1', 'ปากกา', 10, 2.5, '2024-01-31 00:00:00')");
        run("insert into Product values ('P2', NULL, NULL, NULL, NULL)");
        run("insert into Product values ('P3', 'ดินสอ', 3, 1.25, '2023-12-01 08:30:00')");
    }

    void run(const QString& sql) { conn->execute(sql); }

    std::unique_ptr<db::Query> query(const QString& sql) {
        auto q = std::make_unique<db::Query>();
        q->setObjectName("QTest");
        q->setDatabaseName("testdb");
        q->setSqlText(sql);
        return q;
    }

    QTemporaryDir dir;
    QString server;
    std::unique_ptr<db::Connection> conn;
    int beforeCount = 0;
    int afterCount = 0;
};

TEST_F(QueryTest, FirstDatasetOpensTheConnectionThroughBothSteps) {
    conn->close();
    beforeCount = afterCount = 0;
    auto q = query("select Code from Product order by Code");
    q->open();
    EXPECT_EQ(beforeCount, 1);
    EXPECT_EQ(afterCount, 1);
    EXPECT_TRUE(conn->isOpen());
    q->close();
    q->open();
    EXPECT_EQ(beforeCount, 1) << "an open connection is not reconnected";
}

TEST_F(QueryTest, NavigatesRowsAndReadsNullsAsZeroOrEmpty) {
    auto q = query("select * from Product order by Code");
    q->open();
    EXPECT_FALSE(q->isEmpty());
    EXPECT_EQ(q->recordCount(), 3);
    EXPECT_EQ(q->fieldByName("name").asString(), "ปากกา");
    EXPECT_EQ(q->fieldByName("QTY").asInteger(), 10);
    EXPECT_DOUBLE_EQ(q->fieldByName("Price").asFloat(), 2.5);
    EXPECT_EQ(q->fieldByName("Made").asDateTime(), QDateTime(QDate(2024, 1, 31), QTime(0, 0)));
    q->next();
    EXPECT_EQ(q->fieldByName("Code").asString(), "P2");
    EXPECT_TRUE(q->fieldByName("Name").isNull());
    EXPECT_EQ(q->fieldByName("Name").asString(), "");
    EXPECT_EQ(q->fieldByName("Qty").asInteger(), 0);
    EXPECT_EQ(q->fieldByName("Price").asFloat(), 0.0);
    EXPECT_FALSE(q->fieldByName("Made").asDateTime().isValid());
    q->next();
    EXPECT_FALSE(q->eof());
    q->next();
    EXPECT_TRUE(q->eof());
    EXPECT_EQ(q->fieldByName("Code").asString(), "P3") << "stays on the last row at the end";
    q->first();
    EXPECT_EQ(q->fieldByName("Code").asString(), "P1");
}

TEST_F(QueryTest, EmptyResultAndUnknownField) {
    auto q = query("select * from Product where Code = 'none'");
    q->open();
    EXPECT_TRUE(q->isEmpty());
    EXPECT_TRUE(q->eof());
    EXPECT_TRUE(q->fieldByName("Code").isNull());
    try {
        q->fieldByName("Nope");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.message(), "QTest: Field 'Nope' not found");
    }
}

TEST_F(QueryTest, AFieldNamedInLatin1IsFoundAsByAnyOtherName) {
    auto q = query("select * from Product order by Code");
    q->open();
    EXPECT_EQ(q->fieldByName(QLatin1StringView("NAME")).asString(), "ปากกา");
    EXPECT_EQ(q->fieldByName(QLatin1StringView("qty")).asInteger(), 10);
    EXPECT_EQ(q->fieldByName(QLatin1StringView("Made")).name(), "Made");
    try {
        q->fieldByName(QLatin1StringView("Nam"));
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.message(), "QTest: Field 'Nam' not found");
    }
}

TEST_F(QueryTest, ParametersOfEveryTypeAndNull) {
    auto ins = query("insert into Product values (:Code, :Name, :Qty, :Price, :Made)");
    ins->paramByName("code").setAsString("P9");
    ins->paramByName("Name").setAsString("ยางลบ 'ก'");
    ins->paramByName("Qty").setAsInteger(-7);
    ins->paramByName("Price").setAsFloat(0.125);
    ins->paramByName("Made").setAsDateTime(QDateTime(QDate(2020, 2, 29), QTime(23, 59, 58)));
    ins->execSql();
    EXPECT_EQ(ins->rowsAffected(), 1);

    auto q = query("select * from Product where Code = :Code");
    q->paramByName("Code").setAsString("P9");
    q->open();
    ASSERT_EQ(q->recordCount(), 1);
    EXPECT_EQ(q->fieldByName("Name").asString(), "ยางลบ 'ก'");
    EXPECT_EQ(q->fieldByName("Qty").asInteger(), -7);
    EXPECT_DOUBLE_EQ(q->fieldByName("Price").asFloat(), 0.125);
    EXPECT_EQ(q->fieldByName("Made").asDateTime(),
              QDateTime(QDate(2020, 2, 29), QTime(23, 59, 58)));

    ins->paramByName("Code").setAsString("P10");
    ins->paramByName("Name").setNull();
    ins->paramByName("Qty").setNull();
    ins->paramByName("Price").setNull();
    ins->paramByName("Made").setNull();
    ins->execSql();
    auto n = query(
        "select count(*) as N from Product where Code = 'P10' and Name is null"
        " and Qty is null and Price is null and Made is null");
    n->open();
    EXPECT_EQ(n->fieldByName("N").asInteger(), 1);
}

TEST_F(QueryTest, RepeatedNameIsOneValue) {
    auto q = query(
        "select Code from Product\n where Qty >= :n\n  and Qty <= :N * 4\n"
        "  or Code = 'P' || :n order by Code");
    ASSERT_EQ(q->params().count(), 1);
    q->paramByName("N").setAsInteger(3);
    q->open();
    ASSERT_EQ(q->recordCount(), 2);
    EXPECT_EQ(q->fieldByName("Code").asString(), "P1");
    q->next();
    EXPECT_EQ(q->fieldByName("Code").asString(), "P3");
}

TEST_F(QueryTest, UnsetParameterFailsNamingIt) {
    auto q = query("select * from Product where Code = :Code and Qty = :Qty");
    q->paramByName("Code").setAsString("P1");
    try {
        q->open();
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.message(), "No value for parameter 'Qty'");
    }
    EXPECT_FALSE(q->isActive());
}

TEST_F(QueryTest, LinesCanBeReplacedOneByOne) {
    auto q = query("select Code from Product\nwhere Code = 'P1'");
    q->open();
    ASSERT_EQ(q->sql().size(), 2);
    q->setLine(1, "where Code = :C");
    EXPECT_FALSE(q->isActive()) << "changing the text closes the query";
    q->paramByName("C").setAsString("P3");
    q->open();
    EXPECT_EQ(q->fieldByName("Code").asString(), "P3");
    EXPECT_THROW(q->setLine(5, "x"), db::Error);
}

TEST_F(QueryTest, ServerErrorCarriesDriverMessageAndStatement) {
    auto q = query("select * from NoSuchTable");
    try {
        q->open();
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.isServerError());
        EXPECT_TRUE(e.message().contains("NoSuchTable")) << e.message().toStdString();
        EXPECT_EQ(e.statement(), "select * from NoSuchTable");
    }
}

TEST_F(QueryTest, UnknownConnectionName) {
    auto q = query("select 1");
    q->setDatabaseName("NOWHERE");
    EXPECT_THROW(q->open(), db::Error);
}

// A query finds its connection by name again once the one it used is gone, and then reaches
// the one that took that name.
TEST_F(QueryTest, AQueryFollowsItsConnectionName) {
    auto q = query("select count(*) as N from Product");
    q->open();
    EXPECT_EQ(q->fieldByName("N").asInteger(), 3);
    q->close();
    conn.reset();
    EXPECT_THROW(q->open(), db::Error);

    db::Connection other("TESTDB");
    other.params().add("DATABASE NAME=other");
    other.params().add("SERVER NAME=odbc:Driver=SQLite3;Database=" + dir.filePath("o.sqlite"));
    other.execute("create table Product (Code varchar(20))");
    other.execute("insert into Product values ('X1')");
    q->open();
    EXPECT_EQ(q->fieldByName("N").asInteger(), 1);
}

TEST_F(QueryTest, RollbackDiscardsAndCommitKeeps) {
    conn->startTransaction();
    run("delete from Product where Code = 'P1'");
    conn->rollback();
    conn->startTransaction();
    run("delete from Product where Code = 'P2'");
    conn->commit();
    auto q = query("select Code from Product order by Code");
    q->open();
    EXPECT_EQ(q->recordCount(), 2);
    EXPECT_EQ(q->fieldByName("Code").asString(), "P1");
    EXPECT_FALSE(conn->inTransaction());
    EXPECT_THROW(conn->commit(), db::Error);
}

TEST_F(QueryTest, UnreachableServerFailsWithDriverMessage) {
    db::Connection bad("BADDB");
    bad.params().add("DATABASE NAME=x");
    bad.params().add("SERVER NAME=odbc:Driver=NoSuchOdbcDriver;Database=x");
    try {
        bad.open();
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.isServerError());
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_FALSE(bad.isOpen());
}

class CachedUpdatesTest : public QueryTest {
protected:
    void SetUp() override {
        QueryTest::SetUp();
        update.modifySql =
            QStringList{"update Product set Name = :Name, Qty = :Qty", "where Code = :OLD_Code"};
        update.insertSql =
            QStringList{"insert into Product (Code, Name, Qty)", "values (:Code, :Name, :Qty)"};
        update.deleteSql = QStringList{"delete from Product where Code = :OLD_Code"};
        q = query("select Code, Name, Qty from Product order by Code");
        q->setCachedUpdates(true);
        q->setUpdateObject(&update);
        q->open();
    }

    QStringList codesAndNames() {
        auto check = query("select Code, Name from Product order by Code");
        check->open();
        QStringList out;
        for (; !check->eof(); check->next())
            out << check->fieldByName("Code").asString() + "=" +
                       check->fieldByName("Name").asString();
        return out;
    }

    db::UpdateSql update;
    std::unique_ptr<db::Query> q;
};

TEST_F(CachedUpdatesTest, EditsStayInMemoryUntilApplied) {
    q->setFieldValue("Name", "แก้ไข");
    q->next();
    q->deleteRecord();
    q->append();
    q->setFieldValue("Code", "P4");
    q->setFieldValue("Name", "ใหม่");
    EXPECT_TRUE(q->updatesPending());
    EXPECT_EQ(codesAndNames(), QStringList({"P1=ปากกา", "P2=", "P3=ดินสอ"}));
    q->applyUpdates();
    EXPECT_FALSE(q->updatesPending());
    EXPECT_EQ(codesAndNames(), QStringList({"P1=แก้ไข", "P3=ดินสอ", "P4=ใหม่"}));
}

TEST_F(CachedUpdatesTest, CancelRestoresFetchedRows) {
    q->setFieldValue("Name", "x");
    q->next();
    q->deleteRecord();
    q->cancelUpdates();
    EXPECT_FALSE(q->updatesPending());
    ASSERT_EQ(q->recordCount(), 3);
    EXPECT_EQ(q->fieldByName("Name").asString(), "ปากกา");
    q->next();
    EXPECT_EQ(q->fieldByName("Code").asString(), "P2");
}

TEST_F(CachedUpdatesTest, FailingApplyChangesNothing) {
    q->setFieldValue("Name", "changed");
    q->append();
    q->setFieldValue("Code", "P3");  // duplicate key
    EXPECT_THROW(q->applyUpdates(), db::Error);
    EXPECT_TRUE(q->updatesPending());
    EXPECT_EQ(codesAndNames(), QStringList({"P1=ปากกา", "P2=", "P3=ดินสอ"}));
}

// Rows fetched before cached updates were switched on are edited by their keys as fetched.
TEST_F(CachedUpdatesTest, SwitchedOnWhileOpenKeepsTheFetchedRows) {
    auto late = query("select Code, Name, Qty from Product order by Code");
    late->setUpdateObject(&update);
    late->open();
    late->setCachedUpdates(true);
    late->setFieldValue("Code", "P9");
    late->setFieldValue("Name", "แก้ไข");
    late->next();
    late->setFieldValue("Name", "ยกเลิก");
    late->cancelUpdates();
    EXPECT_EQ(late->fieldByName("Name").asString(), "ปากกา");
    late->setFieldValue("Name", "แก้ไข");
    late->applyUpdates();
    EXPECT_EQ(codesAndNames(), QStringList({"P1=แก้ไข", "P2=", "P3=ดินสอ"}));
}

// Without cached updates there is nothing to cancel: the rows stay as fetched.
TEST_F(CachedUpdatesTest, CancelOnAReadOnlyQueryKeepsItsRows) {
    auto plain = query("select Code from Product order by Code");
    plain->open();
    plain->cancelUpdates();
    ASSERT_EQ(plain->recordCount(), 3);
    EXPECT_EQ(plain->fieldByName("Code").asString(), "P1");
}

TEST_F(CachedUpdatesTest, EditingWithoutCachedUpdatesIsRefused) {
    auto plain = query("select Code from Product");
    plain->open();
    EXPECT_THROW(plain->setFieldValue("Code", "X"), db::Error);
}

TEST_F(QueryTest, DataSourceFollowsTheQuery) {
    auto q = query("select Code, Qty from Product order by Code");
    db::DataSource source;
    source.setDataSet(q.get());
    EXPECT_EQ(source.rowCount(), 0);
    q->open();
    EXPECT_EQ(source.rowCount(), 3);
    EXPECT_EQ(source.columnCount(), 2);
    EXPECT_EQ(source.headerData(1, Qt::Horizontal).toString(), "Qty");
    EXPECT_EQ(source.data(source.index(0, 1)).toString(), "10");
    EXPECT_EQ(source.data(source.index(1, 1)).toString(), "");
    EXPECT_EQ(source.columnOf("qty"), 1);
    q->close();
    EXPECT_EQ(source.rowCount(), 0);
}

// A query nobody listens to skips its signals; whoever connects later, by member pointer or by
// the signal's name (as QSignalSpy does), hears every one from then on.
TEST_F(QueryTest, ListenersConnectedLaterHearEverySignal) {
    auto q = query("select Code from Product order by Code");
    q->open();
    q->close();
    QStringList heard;
    QObject::connect(q.get(), &db::Query::opened, [&] { heard << "opened"; });
    QObject::connect(q.get(), &db::Query::currentChanged,
                     [&](int row) { heard << QStringLiteral("row %1").arg(row); });
    QSignalSpy closed(q.get(), SIGNAL(closed()));
    q->open();
    q->next();
    q->close();
    EXPECT_EQ(heard, (QStringList{"opened", "row 0", "row 1"}));
    EXPECT_EQ(closed.count(), 1);
}

// Every occurrence of a parameter, in any case, takes its value; a parameter list the caller
// built anew in another order is still read by name.
TEST_F(QueryTest, OccurrencesFindTheirParameterByName) {
    auto q = query("select Code from Product where Qty >= :Low and Code <> :CODE and Qty >= :low");
    q->paramByName("low").setAsInteger(3);
    q->paramByName("code").setAsString("P1");
    q->open();
    EXPECT_EQ(q->recordCount(), 1);
    EXPECT_EQ(q->fieldByName("Code").asString(), "P3");
    q->close();
    q->params().clear();
    q->params().add(db::Param("Code")).setAsString("P3");
    q->params().add(db::Param("LOW")).setAsInteger(10);
    q->open();
    EXPECT_EQ(q->recordCount(), 1);
    EXPECT_EQ(q->fieldByName("Code").asString(), "P1");
}

// Datasets find their connection by database name in any case; a name that only shares a
// prefix or differs in a letter is another connection, and a destroyed one is gone.
TEST(ConnectionRegistry, FindsByNameInAnyCase) {
    auto data = std::make_unique<db::Connection>("DmData");
    auto config = std::make_unique<db::Connection>("DMCFG");
    EXPECT_EQ(db::Connection::find("dmdata"), data.get());
    EXPECT_EQ(db::Connection::find("DMDATA"), data.get());
    EXPECT_EQ(&db::Connection::byName("dmCfg"), config.get());
    EXPECT_EQ(db::Connection::find("DMDAT"), nullptr);
    EXPECT_EQ(db::Connection::find("DMDATA2"), nullptr);
    EXPECT_EQ(db::Connection::find("DMDATB"), nullptr);
    auto second = std::make_unique<db::Connection>("dmdata2");
    EXPECT_EQ(db::Connection::find("DMDATA2"), second.get());
    EXPECT_EQ(db::Connection::find("DmData"), data.get());
    second.reset();
    EXPECT_EQ(db::Connection::find("DMDATA2"), nullptr);
    EXPECT_THROW(db::Connection::byName("Nowhere"), db::Error);
}
