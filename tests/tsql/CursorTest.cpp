// Cursors: their rows and moves, their scopes, their variables and the rows written through
// them.
#include "TsqlFixture.h"
#include "tsql/Cursor.h"

namespace {

std::vector<std::vector<tsql::Value>> numbered(int count) {
    std::vector<std::vector<tsql::Value>> rows;
    for (int k = 1; k <= count; ++k)
        rows.push_back({tsql::Value::integer(k)});
    return rows;
}

// The value of the row a move lands on, or its status when it lands on none.
qint64 landed(const tsql::Cursor::Fetched& f) {
    return f.row ? f.row->front().i : f.status * 100;
}

}  // namespace

TEST(CursorRows, MovesStopJustPastEitherEnd) {
    using D = tsql::FetchStmt;
    tsql::Cursor c;
    c.open({}, numbered(3), {});
    EXPECT_EQ(landed(c.move(D::Prior, 0)), -100);
    EXPECT_EQ(landed(c.move(D::Next, 0)), 1);
    EXPECT_EQ(landed(c.move(D::Relative, 5)), -100);
    EXPECT_EQ(landed(c.move(D::Prior, 0)), 3);  // from just after the last row
    EXPECT_EQ(landed(c.move(D::Relative, 0)), 3);
    EXPECT_EQ(landed(c.move(D::Absolute, -3)), 1);
    EXPECT_EQ(landed(c.move(D::Absolute, -4)), -100);
    EXPECT_EQ(landed(c.move(D::Next, 0)), 1);  // from just before the first row
    EXPECT_EQ(landed(c.move(D::Absolute, 4)), -100);
    EXPECT_EQ(landed(c.move(D::Absolute, 0)), -100);
    EXPECT_EQ(landed(c.move(D::Last, 0)), 3);
    EXPECT_EQ(landed(c.move(D::First, 0)), 1);
}

TEST(CursorRows, AnEmptyCursorHasNoFirstOrLastRow) {
    tsql::Cursor c;
    c.open({}, {}, {});
    EXPECT_EQ(landed(c.move(tsql::FetchStmt::First, 0)), -100);
    EXPECT_EQ(landed(c.move(tsql::FetchStmt::Last, 0)), -100);
    EXPECT_FALSE(c.currentKey());
}

TEST(CursorRows, ARowDeletedThroughTheCursorFetchesAsMissing) {
    tsql::Cursor c;
    c.open({}, numbered(2), {10, 20});
    c.move(tsql::FetchStmt::Next, 0);
    EXPECT_EQ(c.currentKey(), 10);
    c.deleteCurrent();
    EXPECT_FALSE(c.currentKey());
    EXPECT_EQ(landed(c.move(tsql::FetchStmt::Next, 0)), 2);
    EXPECT_EQ(landed(c.move(tsql::FetchStmt::Prior, 0)), -200);
}

class CursorTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(
            QStringLiteral("create table t (id int, name varchar(10)); "
                           "insert into t values (1, 'a'), (2, 'b'), (3, 'c')"));
    }

    // The ids a loop over cursor `c` of `declare` fetches, joined with ','; `afterOpen` runs
    // between OPEN and the first FETCH.
    QString loop(const QString& declare, const QString& afterOpen = {}) {
        return scalar(declare + QStringLiteral(" declare @id int, @ids varchar(40) = '' open c ") +
                      afterOpen +
                      QStringLiteral(" fetch next from c into @id while @@fetch_status = 0 begin "
                                     "set @ids = @ids + cast(@id as varchar(5)) + ',' "
                                     "fetch next from c into @id end "
                                     "close c deallocate c select @ids"));
    }

    int statusOf(const QString& batch) { return scalar(batch).toInt(); }
};

// ---- scopes ----

TEST_F(CursorTest, ALocalCursorOfAProcedureIsGoneWhenItReturns) {
    run(
        QStringLiteral("create procedure p as declare c cursor local for select id from t "
                       "open c"));
    run(QStringLiteral("declare c cursor global for select 9"));
    run(QStringLiteral("exec p exec p"));  // left open, yet declared anew by the second call
    EXPECT_EQ(statusOf(QStringLiteral("select cursor_status('local', 'c')")), -3);
    EXPECT_EQ(statusOf(QStringLiteral("select cursor_status('global', 'c')")), -1);
}

TEST_F(CursorTest, AGlobalCursorOutlivesItsBatchAndALocalOneDoesNot) {
    run(
        QStringLiteral("declare g cursor for select id from t order by id "
                       "declare l cursor local for select id from t"));
    EXPECT_EQ(rows(QStringLiteral("open g fetch next from g")), QStringList{QStringLiteral("1")});
    EXPECT_EQ(rows(QStringLiteral("fetch next from g")), QStringList{QStringLiteral("2")});
    EXPECT_EQ(errorOf(QStringLiteral("open l")), 16916);
    EXPECT_EQ(errorOf(QStringLiteral("declare g cursor for select 1")), 16915);
}

TEST_F(CursorTest, ALocalNameHidesTheGlobalOneUnlessGlobalIsSaid) {
    run(QStringLiteral("declare c cursor global for select 'global' open c"));
    EXPECT_EQ(rows(QStringLiteral("declare c cursor local for select 'local' open c "
                                  "fetch next from global c fetch next from c"))
                  .join(u','),
              QStringLiteral("global"));
    EXPECT_EQ(scalar(QStringLiteral("declare c cursor local for select 'local' open c "
                                    "declare @v varchar(9) fetch next from c into @v select @v")),
              QStringLiteral("local"));
}

TEST_F(CursorTest, TheSelectReadsTheVariablesAsTheyWereAtDeclare) {
    EXPECT_EQ(scalar(QStringLiteral("declare @min int = 2 "
                                    "declare c cursor for select id from t where id >= @min "
                                    "set @min = 3 open c declare @n int = 0, @id int "
                                    "fetch next from c into @id while @@fetch_status = 0 begin "
                                    "set @n += 1 fetch next from c into @id end "
                                    "close c deallocate c select @n")),
              QStringLiteral("2"));
}

// ---- cursor variables ----

TEST_F(CursorTest, ACursorVariableHoldsItsCursorUntilDeallocated) {
    EXPECT_EQ(rows(QStringLiteral("declare @c cursor "
                                  "select cursor_status('variable', '@c') "
                                  "union all select cursor_status('variable', '@none')")),
              (QStringList{QStringLiteral("-2"), QStringLiteral("-3")}));
    EXPECT_EQ(scalar(QStringLiteral("declare @c cursor set @c = cursor for select id from t "
                                    "declare @s int = cursor_status('variable', '@c') open @c "
                                    "select cast(@s as varchar(3)) + ',' + "
                                    "cast(cursor_status('variable', '@c') as varchar(3))")),
              QStringLiteral("-1,1"));
    EXPECT_EQ(errorOf(QStringLiteral("declare @c cursor open @c")), 16950);
    EXPECT_EQ(errorOf(QStringLiteral("declare @i int open @i")), 16948);
    EXPECT_EQ(errorOf(QStringLiteral("declare @c cursor set @c = cursor for select 1 "
                                     "deallocate @c open @c")),
              16950);
}

TEST_F(CursorTest, ANamedCursorLivesOnInTheVariableSetToIt) {
    EXPECT_EQ(scalar(QStringLiteral("declare g cursor for select id from t order by id open g "
                                    "declare @c cursor set @c = g deallocate g "
                                    "declare @id int fetch next from @c into @id select @id")),
              QStringLiteral("1"));
    EXPECT_EQ(errorOf(QStringLiteral("open g")), 16916);
}

// ---- rows and moves ----

TEST_F(CursorTest, FetchStatusAndCursorRowsFollowTheLastFetchAndOpen) {
    EXPECT_EQ(
        rows(QStringLiteral("declare s cursor static for select id from t open s "
                            "declare @r1 int = @@cursor_rows, @id int "
                            "fetch last from s into @id declare @f1 int = @@fetch_status "
                            "fetch next from s into @id declare @f2 int = @@fetch_status "
                            "declare d cursor for select id from t open d "
                            "declare @r2 int = @@cursor_rows close d "
                            "select @r1, @f1, @f2, @r2, @@cursor_rows, @id close s deallocate s "
                            "deallocate d")),
        QStringList{QStringLiteral("3|0|-1|-1|0|3")});
}

TEST_F(CursorTest, FetchWithoutIntoPastTheEndGivesAnEmptyRowSet) {
    const db::BatchResult r =
        run(QStringLiteral("declare c cursor for select name from t where id = 1 open c "
                           "fetch next from c fetch next from c close c deallocate c"));
    ASSERT_EQ(r.results.size(), 2u);
    EXPECT_EQ(r.results[0].rowSet.rows.size(), 1u);
    EXPECT_EQ(r.results[1].rowSet.rows.size(), 0u);
    EXPECT_EQ(r.results[1].rowSet.columns.size(), 1u);
}

TEST_F(CursorTest, ARowDeletedAfterOpenIsMissingOrPassedOver) {
    // A keyset cursor fetches it as missing, a dynamic one passes over it, a static one keeps
    // the values it read.
    const QString deleteTwo = QStringLiteral(" delete from t where id = 2 ");
    EXPECT_EQ(scalar(QStringLiteral("declare c cursor keyset for select id from t order by id "
                                    "open c") +
                     deleteTwo +
                     QStringLiteral("declare @id int fetch next from c into @id "
                                    "fetch next from c into @id select @@fetch_status")),
              QStringLiteral("-2"));
    run(QStringLiteral("deallocate c insert into t values (2, 'b')"));
    EXPECT_EQ(loop(QStringLiteral("declare c cursor for select id from t order by id"), deleteTwo),
              QStringLiteral("1,3,"));
    run(QStringLiteral("insert into t values (2, 'b')"));
    EXPECT_EQ(loop(QStringLiteral("declare c insensitive cursor for select id from t order by id"),
                   deleteTwo),
              QStringLiteral("1,2,3,"));
}

TEST_F(CursorTest, ACursorOverAViewAJoinOrACommonTableReadsItsRows) {
    run(QStringLiteral("create view v as select id from t where id > 1"));
    EXPECT_EQ(loop(QStringLiteral("declare c cursor for select id from v order by id")),
              QStringLiteral("2,3,"));
    EXPECT_EQ(loop(QStringLiteral("declare c cursor for select a.id from t a join t b "
                                  "on a.id = b.id order by a.id")),
              QStringLiteral("1,2,3,"));
    EXPECT_EQ(loop(QStringLiteral("declare c cursor for with odd as (select id from t where id % "
                                  "2 = 1) select id from odd order by id desc")),
              QStringLiteral("3,1,"));
}

// ---- writing through a cursor ----

TEST_F(CursorTest, UpdateAndDeleteWhereCurrentOfWriteTheFetchedRow) {
    run(
        QStringLiteral("declare c cursor for select id from t order by id open c "
                       "declare @id int fetch next from c into @id "
                       "fetch next from c into @id "
                       "update t set name = 'x' where current of c "
                       "fetch next from c into @id delete t where current of c "
                       "close c deallocate c"));
    EXPECT_EQ(rows(QStringLiteral("select id, name from t order by id")),
              (QStringList{QStringLiteral("1|a"), QStringLiteral("2|x")}));
}

TEST_F(CursorTest, CurrentOfARowDeletedThroughTheCursorHasNoRow) {
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("declare c cursor for select id from t order by id open c "
                                     "fetch next from c delete from t where current of c "
                                     "update t set name = 'y' where current of c"),
                      &message),
              16930);
    EXPECT_TRUE(message.contains(QStringLiteral("not in the fetch buffer")));
    // The cursor goes on with the next row.
    EXPECT_EQ(rows(QStringLiteral("fetch next from c")), QStringList{QStringLiteral("2")});
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from t")), QStringLiteral("2"));
}

TEST_F(CursorTest, CurrentOfRefusesWhatTheCursorCannotWrite) {
    const auto positioned = [&](const QString& declare, const QString& change) {
        const int error = errorOf(declare + QStringLiteral(" open c fetch next from c ") + change);
        run(QStringLiteral("deallocate c"));
        return error;
    };
    const QString plain = QStringLiteral("declare c cursor for select id from t");
    const QString setName = QStringLiteral("update t set name = 'z' where current of c");
    EXPECT_EQ(
        positioned(QStringLiteral("declare c cursor read_only for select id from t"), setName),
        16929);
    EXPECT_EQ(positioned(QStringLiteral("declare c cursor static for select id from t"), setName),
              16929);
    EXPECT_EQ(positioned(QStringLiteral("declare c cursor for select count(*) from t"), setName),
              16929);
    run(QStringLiteral("create table u (id int, name varchar(10)); insert into u values (1, 'a')"));
    EXPECT_EQ(positioned(plain, QStringLiteral("update u set name = 'z' where current of c")),
              16933);
    EXPECT_EQ(positioned(QStringLiteral("declare c cursor for select id from t for update of id"),
                         setName),
              16932);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from t where name = 'z'")),
              QStringLiteral("0"));
    EXPECT_EQ(errorOf(QStringLiteral("declare c cursor for select id from t open c ") + setName),
              16930);
}

// ---- errors ----

TEST_F(CursorTest, MisusedCursorsRaiseSqlServersErrorsAndTheBatchGoesOn) {
    run(QStringLiteral("declare c cursor for select id, name from t"));
    EXPECT_EQ(errorOf(QStringLiteral("close c")), 16917);
    EXPECT_EQ(errorOf(QStringLiteral("open c open c")), 16905);
    EXPECT_EQ(errorOf(QStringLiteral("declare @id int fetch next from c into @id")), 16924);
    EXPECT_EQ(errorOf(QStringLiteral("fetch prior from c")), 16911);
    run(QStringLiteral("declare s cursor scroll for select id from t open s"));
    EXPECT_EQ(errorOf(QStringLiteral("fetch relative 2147483648 from s")), 8115);
    EXPECT_EQ(errorOf(QStringLiteral("fetch next from nothing")), 16916);
    EXPECT_EQ(errorOf(QStringLiteral("declare f cursor fast_forward scroll for select 1")), 1048);
    EXPECT_EQ(errorOf(QStringLiteral("declare f cursor static for select id from t for update")),
              16957);
    try {
        run(QStringLiteral("fetch prior from c select 'after'"));
        FAIL() << "fetch prior accepted";
    } catch (const db::Error& e) {
        ASSERT_NE(e.results(), nullptr);
        EXPECT_EQ(firstRowSetAsText(*e.results()), QStringList{QStringLiteral("after")});
    }
}
