// Results handed over while the engine produces them, and runs stopped from outside.
#include "TsqlFixture.h"

#include <algorithm>

#include "tsql/Errors.h"

namespace {

// Records each call as one line of text.
class RecordingSink : public tsql::ResultSink {
public:
    void rowSetBegin(const tsql::ResultColumns& columns) override {
        QStringList names;
        for (const auto& c : columns)
            names << c.name + ':' + c.type.toSql();
        events << "begin " + names.join(',');
    }
    void row(const std::vector<tsql::Value>& cells) override {
        QStringList values;
        for (const auto& c : cells)
            values << (c.isNull() ? QStringLiteral("NULL") : c.toString());
        events << "row " + values.join('|');
        if (onRow)
            onRow();
    }
    void rowSetEnd(qint64 count) override { events << QStringLiteral("end %1").arg(count); }
    void rowsAffected(qint64 count) override { events << QStringLiteral("count %1").arg(count); }
    void message(const QString& text) override { events << "message " + text; }
    void statementError(const db::Error& e) override {
        events << QStringLiteral("error %1").arg(e.nativeError());
    }

    QStringList events;
    std::function<void()> onRow;
};

class StreamingTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(
            QStringLiteral("CREATE TABLE Item (Id int primary key, Name nvarchar(20), "
                           "Price decimal(9,2), Made datetime)\n"
                           "INSERT INTO Item VALUES (1, N'ปากกา', 12.50, '2024-01-31 08:00'), "
                           "(2, NULL, NULL, NULL), (3, N'ดินสอ', 3, '2023-12-01')"));
    }

    int errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const db::Error& e) {
            return e.nativeError();
        }
        return 0;
    }
};

}  // namespace

TEST_F(StreamingTest, ResultsArriveInOrderWithTheEnginesTypes) {
    RecordingSink sink;
    session_->execute(QStringLiteral("SELECT Id, Name, Price FROM Item WHERE Id <> 2 ORDER BY Id\n"
                                     "PRINT 'between'\n"
                                     "UPDATE Item SET Price = 1 WHERE Id > 1\n"
                                     "SELECT Made FROM Item WHERE Id = 99"),
                      {}, sink);
    EXPECT_EQ(sink.events,
              (QStringList{"begin Id:int,Name:nvarchar(20),Price:decimal(9,2)", "row 1|ปากกา|12.50",
                           "row 3|ดินสอ|3.00", "end 2", "message between", "count 2",
                           "begin Made:datetime", "end 0"}));
}

// Outside a transaction and TRY, a failing statement reports its error in its place and the
// batch goes on; @@ERROR tells the next statement. The collecting sink raises every error once
// the batch is over, with the results of the statements kept.
TEST_F(StreamingTest, StatementErrorsArriveInTheirPlaceAndTheBatchGoesOn) {
    const QString batch = QStringLiteral(
        "INSERT INTO Item (Id) VALUES (1)\n"
        "SELECT @@ERROR AS e\n"
        "SELECT 1 / 0 AS d\n"
        "RAISERROR('late', 16, 1)\n"
        "SELECT @@ERROR AS e");
    RecordingSink sink;
    session_->execute(batch, {}, sink);
    EXPECT_EQ(sink.events,
              (QStringList{"error 2627", "message The statement has been terminated.",
                           "begin e:int", "row 2627", "end 1", "begin d:int", "error 8134",
                           "error 50000", "begin e:int", "row 50000", "end 1"}));

    db::BatchResult collected;
    try {
        collected = session_->execute(batch, {});
        ADD_FAILURE() << "no error raised";
    } catch (const db::Error& e) {
        ASSERT_EQ(e.messages().size(), 3u);
        EXPECT_EQ(e.messages()[0].nativeError, 2627);
        EXPECT_EQ(e.messages()[1].nativeError, 8134);
        EXPECT_EQ(e.messages()[2].nativeError, 50000);
        // The row sets of the batch come with its errors.
        ASSERT_NE(e.results(), nullptr);
        const std::vector<db::StatementResult>& results = e.results()->results;
        ASSERT_EQ(results.size(), 3u);
        EXPECT_EQ(results[0].rowSet.rows.at(0).at(0).toLongLong(), 2627);
        EXPECT_TRUE(results[1].hasRowSet);
        EXPECT_TRUE(results[1].rowSet.rows.empty());
        EXPECT_EQ(results[2].rowSet.rows.at(0).at(0).toLongLong(), 50000);
        EXPECT_EQ(e.results()->messages,
                  QStringList{QStringLiteral("The statement has been terminated.")});
    }
}

// An error that ends the batch keeps what came before it for the caller, rows and messages.
TEST_F(StreamingTest, ResultsBeforeAnErrorThatEndsTheBatchComeWithIt) {
    try {
        session_->execute(QStringLiteral("SELECT Id FROM Item WHERE Id < 3 ORDER BY Id\n"
                                         "PRINT 'halfway'\n"
                                         "SELECT Id FROM NoSuchTable\n"
                                         "SELECT 1 AS never"),
                          {});
        ADD_FAILURE() << "no error raised";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), tsql::err::InvalidObject);
        ASSERT_NE(e.results(), nullptr);
        ASSERT_EQ(e.results()->results.size(), 1u);
        EXPECT_EQ(e.results()->results[0].rowSet.rows.size(), 2u);
        EXPECT_EQ(e.results()->messages, QStringList{QStringLiteral("halfway")});
    }
}

// Under SET NOCOUNT ON a row set ends without its count; @@ROWCOUNT still counts.
TEST_F(StreamingTest, NocountEndsRowSetsWithoutACount) {
    RecordingSink sink;
    session_->execute(QStringLiteral("SET NOCOUNT ON\n"
                                     "SELECT Id FROM Item WHERE Id = 1\n"
                                     "SELECT @@ROWCOUNT AS n"),
                      {}, sink);
    EXPECT_EQ(sink.events,
              (QStringList{"begin Id:int", "row 1", "end -1", "begin n:int", "row 1", "end -1"}));
}

TEST_F(StreamingTest, ProcedureCallTakesArgumentsByPositionAndByName) {
    run(
        QStringLiteral("CREATE PROCEDURE Pick @Low int, @High int = 9, @Found int OUTPUT AS\n"
                       "SELECT Id FROM Item WHERE Id BETWEEN @Low AND @High ORDER BY Id\n"
                       "SET @Found = @@ROWCOUNT\n"
                       "RETURN 7"));
    RecordingSink sink;
    std::vector<tsql::CallArgument> args(2);
    args[0].value = tsql::Value::integer(2);
    args[0].type = tsql::SqlType::of(tsql::SqlType::Int);
    args[1].name = QStringLiteral("@Found");
    args[1].output = true;
    args[1].type = tsql::SqlType::of(tsql::SqlType::Int);
    EXPECT_EQ(session_->call(QStringLiteral("Pick"), args, sink), 7);
    EXPECT_EQ(sink.events, (QStringList{"begin Id:int", "row 2", "row 3", "end 2"}));
    EXPECT_EQ(args[1].result.i, 2);
    EXPECT_EQ(args[1].resultType.base, tsql::SqlType::Int);
}

TEST_F(StreamingTest, CollectedResultsReadAsBefore) {
    const db::BatchResult r =
        run(QStringLiteral("SELECT Id, Name, Price, Made, NULL AS Nothing FROM Item ORDER BY Id"));
    const db::RowSet& set = r.firstRowSet()->rowSet;
    ASSERT_EQ(set.rows.size(), 3u);
    EXPECT_EQ(set.rows[0], (QVariantList{QVariant(qint64(1)), QString("ปากกา"), 12.5,
                                         QDateTime(QDate(2024, 1, 31), QTime(8, 0)), QVariant()}));
    EXPECT_EQ(set.columns[2].type, db::FieldType::Float);
    EXPECT_EQ(set.columns[4].type, db::FieldType::String) << "an untyped column reads as text";
}

// A client prints a value in its declared type, so each column tells it with its scale.
TEST_F(StreamingTest, CollectedColumnsCarryTheirDeclaredType) {
    const db::BatchResult r = run(QStringLiteral(
        "SELECT CAST(3 AS decimal(5,2)) AS d, CAST(10.05 AS money) AS m, "
        "CAST('2000-12-13' AS date) AS day, CAST('2000-12-13' AS datetime) AS moment, 1 AS i, "
        "N'x' AS s, NULL AS nothing"));
    const db::Columns& columns = r.firstRowSet()->rowSet.columns;
    auto declared = [&](size_t k) {
        const db::DeclaredType& t = columns[k].declared;
        return QStringLiteral("%1(%2,%3)").arg(t.name).arg(t.precision).arg(t.scale);
    };
    EXPECT_EQ(declared(0), "decimal(5,2)");
    EXPECT_EQ(declared(1), "money(19,4)");
    EXPECT_EQ(declared(2), "date(10,0)");
    EXPECT_EQ(declared(3), "datetime(23,3)");
    EXPECT_EQ(declared(4), "int(0,0)");
    EXPECT_EQ(declared(5), "nvarchar(0,0)");
    EXPECT_EQ(declared(6), "(0,0)") << "an untyped NULL declares no type";
}

// A statement run again hands on the description made when it was translated, and a change of
// the table translates it, and describes it, anew.
TEST_F(StreamingTest, ColumnsAreDescribedOncePerTranslation) {
    const QString select = QStringLiteral("SELECT * FROM Item WHERE Id = 1");
    const db::Columns first = run(select).firstRowSet()->rowSet.columns;
    const db::Columns again = run(select).firstRowSet()->rowSet.columns;
    EXPECT_EQ(first.constData(), again.constData());

    run(QStringLiteral("ALTER TABLE Item ADD Extra nvarchar(7)"));
    const db::Columns altered = run(select).firstRowSet()->rowSet.columns;
    ASSERT_EQ(altered.size(), 5);
    EXPECT_EQ(altered[4].name, "Extra");
    EXPECT_EQ(altered[4].size, 7);
    EXPECT_EQ(first.size(), 4) << "a description handed on stays as it was";
}

TEST_F(StreamingTest, CancelStopsALoopAndTheSessionRunsOn) {
    int asked = 0;
    session_->setCancelCheck([&] { return ++asked > 3; });
    RecordingSink sink;
    const int error = errorOf([&] {
        session_->execute(QStringLiteral("DECLARE @i int = 0\n"
                                         "BEGIN TRY\n"
                                         "  WHILE 1 = 1 SET @i = @i + 1\n"
                                         "END TRY\n"
                                         "BEGIN CATCH\n"
                                         "  PRINT 'caught'\n"
                                         "END CATCH"),
                          {}, sink);
    });
    EXPECT_EQ(error, tsql::err::Cancelled) << "TRY ... CATCH does not hold a cancel";
    EXPECT_FALSE(sink.events.contains("message caught"));

    session_->setCancelCheck({});
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Item")), QStringLiteral("3"));
}

TEST_F(StreamingTest, CancelWhileRowsStreamEndsTheRowSetAndRollsBackTheBatch) {
    run(
        QStringLiteral("CREATE TABLE Big (n int)\n"
                       "DECLARE @i int = 0\n"
                       "WHILE @i < 2000 BEGIN INSERT INTO Big VALUES (@i) SET @i = @i + 1 END"));
    bool stop = false;
    session_->setCancelCheck([&] { return stop; });
    RecordingSink sink;
    sink.onRow = [&] { stop = true; };
    const int error = errorOf([&] {
        session_->execute(QStringLiteral("BEGIN TRANSACTION\n"
                                         "DELETE FROM Item\n"
                                         "SELECT a.n FROM Big a CROSS JOIN Big b\n"
                                         "COMMIT"),
                          {}, sink);
    });
    EXPECT_EQ(error, tsql::err::Cancelled);
    EXPECT_LT(sink.events.size(), 100000) << "4,000,000 rows stopped soon after the cancel";
    EXPECT_EQ(session_->transactionDepth(), 0);
    session_->setCancelCheck({});
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Item")), QStringLiteral("3"));
}

// A started batch stops inside its first row set; each fetch steps the statement on for as many
// rows as asked, and the rest of the batch runs once the rows are read.
TEST_F(StreamingTest, StartedBatchHandsItsRowsAsTheyAreFetched) {
    RecordingSink sink;
    ASSERT_TRUE(session_->start(QStringLiteral("PRINT 'before'\n"
                                               "SELECT Id FROM Item ORDER BY Id\n"
                                               "PRINT 'after'\n"
                                               "SELECT Name FROM Item WHERE Id = 1"),
                                {}, sink));
    EXPECT_EQ(sink.events, (QStringList{"message before", "begin Id:int"}));
    EXPECT_TRUE(session_->fetch(2));
    EXPECT_EQ(sink.events.mid(2), (QStringList{"row 1", "row 2"}));
    EXPECT_FALSE(session_->fetch(2));
    EXPECT_EQ(sink.events.mid(4), (QStringList{"row 3", "end 3", "message after",
                                               "begin Name:nvarchar(20)", "row ปากกา", "end 1"}));
    EXPECT_FALSE(session_->reading());
    EXPECT_FALSE(session_->fetch(2)) << "nothing is left to fetch";
}

// The third row divides by zero: it fails only when it is fetched, as its statement ends there
// and the batch goes on.
TEST_F(StreamingTest, RowsAreComputedOnlyWhenFetched) {
    RecordingSink sink;
    ASSERT_TRUE(session_->start(QStringLiteral("SELECT 10 / (3 - Id) AS q FROM Item\n"
                                               "SELECT @@ERROR AS e"),
                                {}, sink));
    EXPECT_TRUE(session_->fetch(2));
    EXPECT_EQ(sink.events, (QStringList{"begin q:int", "row 5", "row 10"}));
    EXPECT_FALSE(session_->fetch(2));
    EXPECT_EQ(sink.events.mid(3), (QStringList{"error 8134", "begin e:int", "row 8134", "end 1"}));
}

// A GOTO among the batch's own statements goes on from its label, before the row set opens and
// after it is read; a loop back over the SELECT does not open it again.
TEST_F(StreamingTest, StartedBatchFollowsItsGotos) {
    RecordingSink sink;
    ASSERT_TRUE(session_->start(QStringLiteral("DECLARE @i int = 0\n"
                                               "GOTO first\n"
                                               "PRINT 'skipped'\n"
                                               "first: SET @i = @i + 1\n"
                                               "SELECT Id FROM Item WHERE Id = @i\n"
                                               "IF @i < 2 GOTO first\n"
                                               "PRINT 'done'"),
                                {}, sink));
    EXPECT_EQ(sink.events, (QStringList{"begin Id:int"}));
    EXPECT_FALSE(session_->fetch(5));
    EXPECT_EQ(sink.events.mid(1),
              (QStringList{"row 1", "end 1", "begin Id:int", "row 2", "end 1", "message done"}));
}

// SET ROWCOUNT ends a streamed row set after its rows too, leaving the rest unread; statements
// that change rows are refused while it is on.
TEST_F(StreamingTest, RowcountEndsAStreamedRowSet) {
    RecordingSink sink;
    ASSERT_TRUE(session_->start(QStringLiteral("SET ROWCOUNT 2\n"
                                               "SELECT Id FROM Item ORDER BY Id\n"
                                               "SELECT @@ROWCOUNT AS n"),
                                {}, sink));
    EXPECT_FALSE(session_->fetch(10));
    EXPECT_EQ(sink.events, (QStringList{"begin Id:int", "row 1", "row 2", "end 2", "begin n:int",
                                        "row 2", "end 1"}));
    EXPECT_EQ(errorOf([&] { session_->execute(QStringLiteral("DELETE FROM Item"), {}); }),
              tsql::err::NotSupported);
    session_->execute(QStringLiteral("SET ROWCOUNT 0 DELETE FROM Item WHERE Id = 3"), {});
    EXPECT_EQ(session_->execute(QStringLiteral("SELECT COUNT(*) FROM Item"), {})
                  .firstRowSet()
                  ->rowSet.rows[0][0]
                  .toInt(),
              2);
}

TEST_F(StreamingTest, BatchWithoutItsOwnRowSetRunsToItsEndOnStart) {
    RecordingSink sink;
    EXPECT_FALSE(session_->start(QStringLiteral("IF 1 = 1 SELECT Id FROM Item WHERE Id < 3\n"
                                                "UPDATE Item SET Price = 1 WHERE Id = 3"),
                                 {}, sink));
    EXPECT_EQ(sink.events, (QStringList{"begin Id:int", "row 1", "row 2", "end 2", "count 1"}))
        << "a row set inside a block is read whole";
    EXPECT_FALSE(session_->reading());
    RecordingSink empty;
    ASSERT_TRUE(session_->start(QStringLiteral("SELECT Id FROM Item WHERE Id > 9"), {}, empty));
    EXPECT_FALSE(session_->fetch(5));
    EXPECT_EQ(empty.events, (QStringList{"begin Id:int", "end 0"}));
}

// One active result per session: anything else waits until the rows are read or dropped.
TEST_F(StreamingTest, SessionRunsNothingElseWhileRowsAreRead) {
    RecordingSink sink;
    ASSERT_TRUE(session_->start(QStringLiteral("SELECT Id FROM Item"), {}, sink));
    try {
        run(QStringLiteral("SELECT 1"));
        ADD_FAILURE() << "a second statement ran";
    } catch (const db::Error& e) {
        EXPECT_FALSE(e.isServerError()) << "the caller broke the rule, not the server";
    }
    EXPECT_THROW(session_->beginTransaction(), db::Error);
    RecordingSink other;
    EXPECT_THROW(session_->start(QStringLiteral("SELECT 2"), {}, other), db::Error);
    EXPECT_TRUE(session_->reading());
    session_->cancel();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Item")), QStringLiteral("3"));
}

TEST_F(StreamingTest, CancelDropsTheRestOfTheBatchAndRollsBackItsTransaction) {
    RecordingSink sink;
    ASSERT_TRUE(session_->start(QStringLiteral("BEGIN TRANSACTION\n"
                                               "UPDATE Item SET Price = 5\n"
                                               "SELECT Id FROM Item\n"
                                               "DELETE FROM Item\n"
                                               "COMMIT"),
                                {}, sink));
    EXPECT_TRUE(session_->fetch(1));
    session_->cancel();
    EXPECT_FALSE(session_->reading());
    EXPECT_EQ(session_->transactionDepth(), 0);
    EXPECT_EQ(rows(QStringLiteral("SELECT Id, Price FROM Item ORDER BY Id")),
              (QStringList{"1|12.5", "2|NULL", "3|3"}));
}

// A conversion error ends the batch: the fetch raises it, with the statement's line, and the
// transaction the batch began is rolled back.
TEST_F(StreamingTest, ErrorThatEndsTheBatchWhileFetchingEndsTheStream) {
    RecordingSink sink;
    ASSERT_TRUE(session_->start(QStringLiteral("BEGIN TRANSACTION\n"
                                               "DELETE FROM Item WHERE Id = 2\n"
                                               "SELECT CAST(CASE WHEN Id = 3 THEN 'x' ELSE '1' "
                                               "END AS int) AS q FROM Item ORDER BY Id"),
                                {}, sink));
    EXPECT_TRUE(session_->fetch(1));
    try {
        session_->fetch(5);
        ADD_FAILURE() << "no error raised";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 245);  // a conversion error ends the batch
        EXPECT_EQ(e.line(), 3);
    }
    EXPECT_FALSE(session_->reading());
    EXPECT_EQ(session_->transactionDepth(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Item")), QStringLiteral("3"));
}

namespace {

// The batch's results as a client reads them when its first row set is streamed.
db::BatchResult streamed(tsql::Session& session, const QString& sql) {
    db::BatchResult result;
    tsql::BatchCollector collector(result);
    if (session.start(sql, {}, collector))
        while (session.fetch(1)) {
        }
    return result;
}

// The first row sets of `a` and `b` alike to the type of each value and the declaration of each
// column.
void expectSameFirstRowSet(const db::BatchResult& a, const db::BatchResult& b) {
    ASSERT_TRUE(a.firstRowSet() && b.firstRowSet());
    const db::RowSet& x = a.firstRowSet()->rowSet;
    const db::RowSet& y = b.firstRowSet()->rowSet;
    ASSERT_EQ(x.rows.size(), y.rows.size());
    for (size_t r = 0; r < x.rows.size(); ++r) {
        ASSERT_EQ(x.rows[r].size(), y.rows[r].size());
        for (qsizetype k = 0; k < x.rows[r].size(); ++k) {
            EXPECT_EQ(x.rows[r][k].metaType(), y.rows[r][k].metaType()) << "column " << k;
            EXPECT_EQ(x.rows[r][k], y.rows[r][k]) << "column " << k;
        }
    }
    ASSERT_EQ(x.columns.size(), y.columns.size());
    for (qsizetype k = 0; k < x.columns.size(); ++k) {
        const db::Column &c = x.columns[k], &d = y.columns[k];
        EXPECT_EQ(c.name, d.name);
        EXPECT_EQ(c.type, d.type);
        EXPECT_EQ(c.size, d.size);
        EXPECT_EQ(c.declared.name, d.declared.name);
        EXPECT_EQ(c.declared.precision, d.declared.precision);
        EXPECT_EQ(c.declared.scale, d.declared.scale);
    }
}

}  // namespace

// A SELECT of variables alone makes its row without SQLite; a WHERE makes SQLite run the same
// select. Both read alike, whole or streamed, for every kind of value a variable holds.
TEST_F(StreamingTest, SelectOfVariablesAloneReadsAsOneThatSqliteRuns) {
    run(QStringLiteral("CREATE TYPE Code FROM nvarchar(8)"));
    const QStringList declarations{"int = -7",
                                   "bigint = 9007199254740993",
                                   "decimal(9,2) = 12.5",
                                   "numeric(38,10) = -1234567890123.0123456789",
                                   "money = 10.005",
                                   "float = 0.1",
                                   "real = 1.5",
                                   "bit = 1",
                                   "nvarchar(10) = N'ปากกา  '",
                                   "varchar(10) = 42",
                                   "char(5) = 'ab'",
                                   "Code = N'ก-01'",
                                   "datetime = '2024-01-31 08:00:01.997'",
                                   "date = '2000-12-13'",
                                   "time = '23:59:59'",
                                   "smalldatetime = '2024-02-29 23:59:31'",
                                   "uniqueidentifier = '6F9619FF-8B86-D011-B42D-00C04FC964FF'",
                                   "int = NULL",
                                   "nvarchar(3) = NULL"};
    for (const QString& declaration : declarations) {
        SCOPED_TRACE(declaration.toStdString());
        const QString alone = "DECLARE @v " + declaration + ", @w int = 3\nSELECT @v AS v, @w, @v";
        const QString bySqlite = alone + " WHERE 1 = 1";
        expectSameFirstRowSet(run(alone), run(bySqlite));
        expectSameFirstRowSet(streamed(*session_, alone), streamed(*session_, bySqlite));
    }
}

// The streamed row is the variables' values when the SELECT ran; it waits for the first fetch,
// and the rest of the batch runs after it, with the row counted.
TEST_F(StreamingTest, StreamedRowOfVariablesWaitsForItsFetch) {
    RecordingSink sink;
    ASSERT_TRUE(session_->start(QStringLiteral("DECLARE @a int = 7, @b nvarchar(5) = N'ก'\n"
                                               "SELECT @a AS a, @b AS b\n"
                                               "SET @a = 8\n"
                                               "SELECT @@ROWCOUNT AS n, @a AS a"),
                                {}, sink));
    EXPECT_EQ(sink.events, (QStringList{"begin a:int,b:nvarchar(5)"}));
    EXPECT_TRUE(session_->fetch(0));
    EXPECT_FALSE(session_->fetch(5));
    EXPECT_EQ(sink.events.mid(1),
              (QStringList{"row 7|ก", "end 1", "begin n:int,a:int", "row 1|8", "end 1"}));
    EXPECT_FALSE(session_->reading());

    RecordingSink dropped;
    ASSERT_TRUE(session_->start(QStringLiteral("DECLARE @a int = 1\nSELECT @a\n"
                                               "INSERT INTO Item (Id) VALUES (4)"),
                                {}, dropped));
    session_->cancel();
    EXPECT_EQ(dropped.events, (QStringList{"begin :int"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Item")), QStringLiteral("3"));
}

// MERGE sends the OUTPUT of all its clauses as one row set, each row read with its columns.
TEST_F(StreamingTest, MergeOutputOfEveryClauseIsOneRowSet) {
    const db::BatchResult r = run(QStringLiteral(
        "MERGE Item AS t USING (VALUES (1, 20.25), (4, 7.5)) AS s (Id, Price) ON t.Id = s.Id\n"
        "WHEN MATCHED THEN UPDATE SET Price = s.Price\n"
        "WHEN NOT MATCHED BY TARGET THEN INSERT (Id, Price) VALUES (s.Id, s.Price)\n"
        "WHEN NOT MATCHED BY SOURCE THEN DELETE\n"
        "OUTPUT $action, deleted.Id, inserted.Price;"));
    int rowSets = 0;
    for (const db::StatementResult& s : r.results)
        rowSets += s.hasRowSet;
    ASSERT_EQ(rowSets, 1);
    std::vector<QVariantList> rows = r.firstRowSet()->rowSet.rows;
    std::sort(rows.begin(), rows.end(), [](const QVariantList& a, const QVariantList& b) {
        return a[0].toString() + a[1].toString() < b[0].toString() + b[1].toString();
    });
    EXPECT_EQ(rows, (std::vector<QVariantList>{{QString("DELETE"), qint64(2), QVariant()},
                                               {QString("DELETE"), qint64(3), QVariant()},
                                               {QString("INSERT"), QVariant(), 7.5},
                                               {QString("UPDATE"), qint64(1), 20.25}}));
}
