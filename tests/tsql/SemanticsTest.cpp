// SQL Server semantics the engine keeps: collation, NULL logic, numbers, dates, results, clock.
#include <sqlite3.h>
#include <QDateTime>
#include <QFile>
#include <thread>

#include "TsqlFixture.h"
#include "tsql/Collation.h"

class SemanticsTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(QStringLiteral(
            "CREATE TABLE Item (Id int identity not null primary key, Code varchar(20) not null, "
            "Name nvarchar(60) null, Flag char(1) null, Amount decimal(18,2) null, "
            "Cost money null, DocDate datetime null)\n"
            "CREATE UNIQUE INDEX IxItemCode ON Item (Code)"));
    }
};

TEST_F(SemanticsTest, TextComparisonIgnoresCaseAndTrailingBlanks) {
    run(QStringLiteral("insert into Item (Code, Name) values ('AbC', N'ไก่')"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item where Code = 'abc'")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item where Code = 'ABC   '")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select case when 'x ' = 'X' then 1 else 0 end")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select case when 'a' < 'B' then 1 else 0 end")),
              QStringLiteral("1"));
    // Blanks and punctuation inside a text still count.
    EXPECT_EQ(
        scalar(QStringLiteral("select case when 'P-01' = 'P01' or 'A B' = 'AB' then 1 else 0 end")),
        QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item where Code like 'a%'")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item where Code like '[a-b]_c'")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item where Code like '[^a]%'")),
              QStringLiteral("0"));
    // Grouping and DISTINCT follow the same collation.
    run(QStringLiteral("insert into Item (Code, Name) values ('x1', 'same'), ('x2', 'SAME ')"));
    EXPECT_EQ(scalar(QStringLiteral("select count(distinct Name) from Item where Code like 'x%'")),
              QStringLiteral("1"));
}

TEST_F(SemanticsTest, ThaiTextsOrderInDictionaryOrder) {
    // Leading vowels do not decide the order: เก sorts under ก, before ข.
    run(
        QStringLiteral("insert into Item (Code, Name) values ('1', N'ขา'), ('2', N'เก'), "
                       "('3', N'กา'), ('4', N'ไก่'), ('5', N'b'), ('6', N'A')"));
    EXPECT_EQ(rows(QStringLiteral("select Name from Item order by Name")),
              (QStringList{QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("กา"),
                           QStringLiteral("เก"), QStringLiteral("ไก่"), QStringLiteral("ขา")}));
}

TEST_F(SemanticsTest, CharacterTwoFiftyFiveClosesACodeRange) {
    run(
        QStringLiteral("insert into Item (Code) values ('GRP'), ('GRPA1'), ('GRPZZ9'), ('GRQ'), "
                       "(N'GRPก')"));
    EXPECT_EQ(
        scalar(QStringLiteral("select count(*) from Item where Code between 'GRP' and 'GRP' + "
                              "Char(255)")),
        QStringLiteral("4"));
}

TEST_F(SemanticsTest, EqualityLookupsOnCodesUseTheirIndex) {
    // The translated lookup compares under the column's own collation, so SQLite seeks the index.
    QStringList sql =
        session_->translation(QStringLiteral("select Name from Item where Code = ?"), {text("a1")});
    ASSERT_EQ(sql.size(), 1);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(dir_.filePath(QStringLiteral("Shop.sqlite")).toUtf8().constData(), &raw),
              SQLITE_OK);
    tsql::registerCollation(raw);
    sqlite3_stmt* st = nullptr;
    QByteArray plan = "EXPLAIN QUERY PLAN " + sql[0].toUtf8();
    ASSERT_EQ(sqlite3_prepare_v2(raw, plan.constData(), -1, &st, nullptr), SQLITE_OK)
        << sqlite3_errmsg(raw);
    QString detail;
    while (sqlite3_step(st) == SQLITE_ROW)
        detail += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)));
    sqlite3_finalize(st);
    sqlite3_close(raw);
    EXPECT_TRUE(detail.contains(QStringLiteral("USING INDEX"))) << detail.toStdString();
    // The same holds for a literal and for a variable of another text type.
    QStringList more = session_->translation(
        QStringLiteral("select Name from Item where Code = N'A1' or Code = Upper('b')"), {});
    ASSERT_EQ(more.size(), 1);
    EXPECT_TRUE(more[0].contains(QStringLiteral("COLLATE ") + QLatin1String(tsql::kCollation)));
}

TEST_F(SemanticsTest, NullLogicAndIntegerDivision) {
    EXPECT_EQ(scalar(QStringLiteral("select case when null = null then 1 else 0 end")),
              QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select case when not (null = 1) then 1 else 0 end")),
              QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select 'a' + null")), QStringLiteral("NULL"));
    EXPECT_EQ(scalar(QStringLiteral("select 7 / 2, -7 / 2, 7 % 3, 7 / 2.0")),
              QStringLiteral("3|-3|1|3.5"));
    run(QStringLiteral("insert into Item (Code, Amount) values ('d', 10)"));
    // A whole decimal stored by SQLite as an integer still divides as a decimal.
    EXPECT_EQ(scalar(QStringLiteral("select Amount / 4 from Item")), QStringLiteral("2.5"));
}

TEST_F(SemanticsTest, DecimalAndMoneyRounding) {
    EXPECT_EQ(
        scalar(QStringLiteral("select Cast(2.675 As Decimal(10,2)), Convert(decimal(10,0), 2.5), "
                              "Cast(-2.5 As Decimal(5,0))")),
        QStringLiteral("2.68|3|-3"));
    EXPECT_EQ(scalar(QStringLiteral("select Cast(1.23456 As Money)")), QStringLiteral("1.2346"));
    run(QStringLiteral("insert into Item (Code, Amount, Cost) values ('r', 1.005, 3.14159)"));
    EXPECT_EQ(scalar(QStringLiteral("select Amount, Cost from Item")),
              QStringLiteral("1.01|3.1416"));
    EXPECT_EQ(scalar(QStringLiteral("select CONVERT(varchar(150), Cast(1234567.5 As Money), 3)")),
              QStringLiteral("1,234,567.5000"));
    EXPECT_EQ(scalar(QStringLiteral("select CONVERT(varchar(20), Cast(1234.5 As Money), 1), "
                                    "CONVERT(varchar(20), Cast(1234.5 As Money))")),
              QStringLiteral("1,234.50|1234.50"));
    EXPECT_EQ(scalar(QStringLiteral("select Round(2.345, 2), Round(1234, -2)")),
              QStringLiteral("2.35|1200"));
}

TEST_F(SemanticsTest, CoalesceTakesTheHighestPrecedenceType) {
    db::BatchResult r =
        run(QStringLiteral("select Coalesce(null, 1, 2.5), IsNull(null, 'x'), "
                           "Coalesce(Cast(null As Decimal(30,2)), 0.00)"));
    const auto& rs = r.firstRowSet()->rowSet;
    EXPECT_EQ(rs.columns[0].type, db::FieldType::Float);
    EXPECT_EQ(rs.rows[0][0].toDouble(), 1.0);
    EXPECT_EQ(rs.rows[0][1].toString(), QStringLiteral("x"));
    EXPECT_EQ(rs.columns[2].type, db::FieldType::Float);
}

TEST_F(SemanticsTest, ConversionsToIntTextAndDate) {
    EXPECT_EQ(
        scalar(QStringLiteral("select Convert(Int, '12'), Cast(' 7 ' As Int), Cast(3.9 As Int)")),
        QStringLiteral("12|7|3"));
    EXPECT_EQ(scalar(QStringLiteral("select '[' + Convert(Char(4), 8) + ']', "
                                    "LTrim(RTrim(Convert(Char(10), 10 - 2)))")),
              QStringLiteral("[8   ]|8"));
    EXPECT_EQ(
        scalar(QStringLiteral("select Convert(varchar(8), Cast('2024-03-05' As datetime), 112), "
                              "Convert(varchar(10), Cast('03/05/2024' As datetime), 103), "
                              "Convert(varchar(10), Convert(datetime, '05/03/2024', 103), 101)")),
        QStringLiteral("20240305|05/03/2024|03/05/2024"));
    EXPECT_EQ(scalar(QStringLiteral("select Len('ab  '), Left('abcdef', 2), Right('abcdef', 2), "
                                    "SubString('abcdef', 0, 3), CharIndex('C', 'abcabc'), "
                                    "Replace('aXbx', 'x', '-'), Upper('ab'), Char(65)")),
              QStringLiteral("2|ab|ef|ab|3|a-b-|AB|A"));
    EXPECT_EQ(scalar(QStringLiteral("select '[' + Str(12.5, 6, 1) + ']', Str(123456, 3), "
                                    "Power(2, 10), Sqrt(16.0), Reverse('abc')")),
              QStringLiteral("[  12.5]|***|1024|4|cba"));
}

TEST_F(SemanticsTest, DatesCompareExactlyAndReadMonthFirst) {
    run(
        QStringLiteral("insert into Item (Code, DocDate) values ('a', '01/31/2024'), "
                       "('b', '2024-02-01 13:30'), ('c', '20240301')"));
    EXPECT_EQ(
        scalar(QStringLiteral("select count(*) from Item where DocDate between '01/31/2024' and "
                              "'02/01/2024 13:30'")),
        QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("select Code from Item where DocDate = '2024-03-01'")),
              QStringLiteral("c"));
    EXPECT_EQ(scalar(QStringLiteral("select Year(DocDate), Month(DocDate), Day(DocDate) from Item "
                                    "where Code = 'b'")),
              QStringLiteral("2024|2|1"));
    EXPECT_EQ(scalar(QStringLiteral("select DateDiff(day, '2024-01-31', '2024-03-01'), "
                                    "Convert(varchar(10), DateAdd(month, 1, '2024-01-31'), 112)")),
              QStringLiteral("30|20240229"));
    db::BatchResult r = run(QStringLiteral("select DocDate from Item where Code = 'b'"));
    const QVariant v = r.firstRowSet()->rowSet.rows[0][0];
    ASSERT_EQ(v.typeId(), QMetaType::QDateTime);
    EXPECT_EQ(v.toDateTime(), QDateTime(QDate(2024, 2, 1), QTime(13, 30)));
    // Date parameters arrive as date-times and compare as dates.
    EXPECT_EQ(
        scalar(QStringLiteral("select count(*) from Item where DocDate < ?"),
               {{db::FieldType::DateTime, QVariant(QDateTime(QDate(2024, 2, 1), QTime(0, 0)))}}),
        QStringLiteral("1"));
    // The stored form is one canonical text.
    tsql::Session again(dir_.path(), QStringLiteral("Shop"));
    EXPECT_EQ(
        again
            .execute(QStringLiteral(
                         "select Convert(varchar(30), DocDate, 121) from Item where Code = 'a'"),
                     {})
            .firstRowSet()
            ->rowSet.rows[0][0]
            .toString(),
        QStringLiteral("2024-01-31 00:00:00.000"));
}

// A date-time parameter is read as written, to the millisecond, at both ends of the range.
TEST_F(SemanticsTest, DateTimeParametersKeepEveryField) {
    const auto shown = [&](const QDateTime& dt) {
        return scalar(QStringLiteral("select Convert(varchar(23), ?, 121)"),
                      {{db::FieldType::DateTime, QVariant(dt)}});
    };
    EXPECT_EQ(shown(QDateTime(QDate(1800, 1, 2), QTime(3, 4, 5, 7))),
              QStringLiteral("1800-01-02 03:04:05.007"));
    EXPECT_EQ(shown(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 997))),
              QStringLiteral("9999-12-31 23:59:59.997"));
    EXPECT_EQ(shown(QDateTime(QDate(2024, 10, 20), QTime(10, 20, 30, 120))),
              QStringLiteral("2024-10-20 10:20:30.120"));
}

TEST_F(SemanticsTest, ServerClockCanBeFixedOrOffset) {
    QFile clock(dir_.filePath(QStringLiteral("server-clock")));
    ASSERT_TRUE(clock.open(QIODevice::WriteOnly));
    clock.write("fixed 2024-06-30 10:15:00\n");
    clock.close();
    EXPECT_EQ(scalar(QStringLiteral("select Year(GetDate()), Convert(varchar(8), GetDate(), 112)")),
              QStringLiteral("2024|20240630"));
    ASSERT_TRUE(clock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    clock.write("offset -86400\n");
    clock.close();
    QDateTime got =
        run(QStringLiteral("select GetDate()")).firstRowSet()->rowSet.rows[0][0].toDateTime();
    EXPECT_LE(std::abs(got.secsTo(QDateTime::currentDateTime().addDays(-1))), 5);
    ASSERT_TRUE(clock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    clock.write("sometime\n");
    clock.close();
    QString msg;
    errorOf(QStringLiteral("select GetDate()"), &msg);
    EXPECT_TRUE(msg.contains(QStringLiteral("server clock"))) << msg.toStdString();
}

TEST_F(SemanticsTest, ABatchYieldsItsResultsInOrder) {
    db::BatchResult r = run(QStringLiteral(
        "insert into Item (Code) values ('a') select Code from Item update Item set Flag = 'Y' "
        "print 'done' set nocount on insert into Item (Code) values ('b') select count(*) from "
        "Item"));
    ASSERT_EQ(r.results.size(), 4u);
    EXPECT_EQ(r.results[0].rowsAffected, 1);
    EXPECT_TRUE(r.results[1].hasRowSet);
    EXPECT_EQ(r.results[2].rowsAffected, 1);
    EXPECT_TRUE(r.results[3].hasRowSet);
    EXPECT_EQ(r.messages, QStringList{QStringLiteral("done")});
}

TEST_F(SemanticsTest, TransactionsNestAndRollBackWhole) {
    session_->beginTransaction();
    run(
        QStringLiteral("insert into Item (Code) values ('t1') begin tran insert into Item (Code) "
                       "values ('t2') commit"));
    EXPECT_EQ(scalar(QStringLiteral("select @@TRANCOUNT")), QStringLiteral("1"));
    session_->rollback();
    EXPECT_EQ(session_->transactionDepth(), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item")), QStringLiteral("0"));
    session_->beginTransaction();
    session_->beginTransaction();
    run(QStringLiteral("insert into Item (Code) values ('t3')"));
    session_->commit();
    session_->commit();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item")), QStringLiteral("1"));
}

TEST_F(SemanticsTest, TableVariablesKeepTheirRowsThroughRollback) {
    EXPECT_EQ(rows(QStringLiteral("begin tran declare @t table (i int) insert @t values (1) "
                                  "rollback select * from @t")),
              QStringList{QStringLiteral("1")});
    EXPECT_EQ(errorOf(QStringLiteral("begin tran declare @t table (i int unique) insert @t values "
                                     "(1) rollback insert @t values (1)")),
              2627);
    EXPECT_EQ(
        rows(QStringLiteral(
            "declare @t table (Id int identity(1,1) primary key, N varchar(5) unique) "
            "insert @t (N) values ('a') "
            "begin tran insert @t (N) values ('b') insert Item (Code) values ('gone') "
            "save tran s insert @t (N) values ('c') rollback tran s "
            "insert @t (N) values ('d') rollback "
            "insert @t (N) values ('e') "
            "begin try insert @t (N) values ('a') end try "
            "begin catch insert @t (N) values (convert(varchar(5), error_number())) end catch "
            "select N from @t order by Id")),
        (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                     QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("2627")}));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item")), QStringLiteral("0"));
}

TEST_F(SemanticsTest, AWriterWaitsForAnotherWriter) {
    tsql::Session other(dir_.path(), QStringLiteral("Shop"));
    other.beginTransaction();
    other.execute(QStringLiteral("insert into Item (Code) values ('w1')"), {});
    // A reader sees the committed state while the writer holds its transaction.
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item")), QStringLiteral("0"));
    other.commit();
    run(QStringLiteral("insert into Item (Code) values ('w2')"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item")), QStringLiteral("2"));
}

TEST_F(SemanticsTest, AWriterBlockedByAnotherTransactionWaitsInsteadOfFailing) {
    tsql::Session holder(dir_.path(), QStringLiteral("Shop"));
    holder.beginTransaction();
    holder.execute(QStringLiteral("insert into Item (Code) values ('h1')"), {});
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder.commit();
    });
    // This writer waits for the lock rather than failing with "database is locked".
    EXPECT_NO_THROW(run(QStringLiteral("insert into Item (Code) values ('h2')")));
    release.join();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item")), QStringLiteral("2"));
}

TEST(Collation, PlainCodesOrderAsTheCollatorOrdersThem) {
    // The byte-wise path for letters, digits and blanks agrees with ICU on mixed texts.
    const QStringList texts = {QStringLiteral("a"),   QStringLiteral("A1"),  QStringLiteral("a 1"),
                               QStringLiteral("ab"),  QStringLiteral("AB2"), QStringLiteral("b"),
                               QStringLiteral("1"),   QStringLiteral("10"),  QStringLiteral("9z"),
                               QStringLiteral("a-1"), QStringLiteral("a_1"), QStringLiteral("é"),
                               QStringLiteral("ก"),   QStringLiteral("Z"),   QStringLiteral("")};
    for (const QString& x : texts)
        for (const QString& y : texts) {
            QByteArray a = x.toUtf8(), b = y.toUtf8();
            int fast =
                tsql::compareTexts(a.constData(), int(a.size()), b.constData(), int(b.size()));
            QByteArray a2 = a + "\xe0\xb8\x81", b2 = b + "\xe0\xb8\x81";  // forces the ICU path
            int slow =
                tsql::compareTexts(a2.constData(), int(a2.size()), b2.constData(), int(b2.size()));
            if (x.compare(y, Qt::CaseInsensitive) == 0) {
                EXPECT_EQ(fast, 0) << x.toStdString() << " vs " << y.toStdString();
            } else if (!x.startsWith(y, Qt::CaseInsensitive) &&
                       !y.startsWith(x, Qt::CaseInsensitive)) {
                EXPECT_EQ(fast < 0, slow < 0) << x.toStdString() << " vs " << y.toStdString();
            }
        }
}
