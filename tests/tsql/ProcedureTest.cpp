// Stored procedures and the procedural statements of batches.
#include <QElapsedTimer>

#include "TsqlFixture.h"

class ProcedureTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(QStringLiteral(
            "CREATE TABLE Log (Id int identity not null primary key, Note varchar(40) "
            "not null, Amount int null)"));
        run(QStringLiteral(
            "CREATE PROCEDURE AddLog @Note varchar(40), @Amount int = 5, @NewId int OUTPUT\n"
            "AS\n"
            "SET NOCOUNT ON\n"
            "INSERT INTO Log (Note, Amount) VALUES (@Note, @Amount)\n"
            "SET @NewId = SCOPE_IDENTITY()\n"
            "IF @Amount > 100 RETURN 2\n"
            "RETURN 1"));
        run(QStringLiteral(
            "CREATE PROCEDURE Failing @Note varchar(40)\nAS\nBEGIN TRAN\n"
            "INSERT INTO Log (Note) VALUES (@Note)\nINSERT INTO Log (Note) VALUES (NULL)\nCOMMIT"));
    }
};

TEST_F(ProcedureTest, PositionalNamedDefaultAndOutputArguments) {
    EXPECT_EQ(rows(QStringLiteral("declare @id int, @r int exec @r = AddLog 'first', 7, @id output "
                                  "exec AddLog @NewId = @id out, @Note = 'second' select @r, @id")),
              QStringList{QStringLiteral("1|2")});
    EXPECT_EQ(rows(QStringLiteral("select Note, Amount from Log order by Id")),
              (QStringList{QStringLiteral("first|7"), QStringLiteral("second|5")}));
}

TEST_F(ProcedureTest, CalledThroughTheAccessLayerInterface) {
    std::vector<db::ProcArg> args = {
        {QStringLiteral("Result"), db::FieldType::Integer, db::ParamDirection::Result, {}},
        {QStringLiteral("@Note"), db::FieldType::String, db::ParamDirection::Input,
         QStringLiteral("x")},
        {QStringLiteral("@Amount"), db::FieldType::Integer, db::ParamDirection::Input, 500},
        {QStringLiteral("@NewId"), db::FieldType::Integer, db::ParamDirection::Output, {}},
    };
    EXPECT_EQ(session_->callProcedure(QStringLiteral("AddLog"), args, nullptr), 2);
    EXPECT_EQ(args[0].value.toInt(), 2);
    EXPECT_EQ(args[3].value.toInt(), 1);
    std::vector<db::ProcArg> none;
    try {
        session_->callProcedure(QStringLiteral("AddLog"), none, nullptr);
        FAIL() << "missing parameter accepted";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 201);
        EXPECT_TRUE(e.message().contains(QStringLiteral("expects parameter '@Note'")));
    }
}

// A failing statement of a procedure's transaction ends only itself: the procedure goes on and
// commits the rest. Under XACT_ABORT the error rolls the transaction back and ends the batch.
TEST_F(ProcedureTest, AFailingStatementEndsOnlyItselfUnlessXactAbortIsOn) {
    EXPECT_EQ(errorOf(QStringLiteral("exec Failing 'x'")), 515);
    EXPECT_EQ(session_->transactionDepth(), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Log")), QStringLiteral("1"));
    EXPECT_EQ(errorOf(QStringLiteral("set xact_abort on exec Failing 'y'")), 515);
    EXPECT_EQ(session_->transactionDepth(), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Log")), QStringLiteral("1"));
}

TEST_F(ProcedureTest, TryCatchThrowRaiserrorAndErrorFunctions) {
    EXPECT_EQ(scalar(QStringLiteral(
                  "begin try exec Failing 'x' end try begin catch select ERROR_NUMBER(), "
                  "Left(ERROR_MESSAGE(), 28) end catch")),
              QStringLiteral("515|Cannot insert the value NULL"));
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("raiserror('Year %d is closed for %s.', 16, 1, 2024, 'AP')"),
                      &message),
              50000);
    EXPECT_EQ(message, QStringLiteral("Year 2024 is closed for AP."));
    EXPECT_EQ(errorOf(QStringLiteral("throw 51000, 'Custom failure', 1"), &message), 51000);
    EXPECT_EQ(errorOf(QStringLiteral("begin try select 1/0 end try begin catch throw end catch")),
              8134);
    db::BatchResult r = run(QStringLiteral("raiserror('just a note', 10, 1) print 'after'"));
    EXPECT_EQ(r.messages, (QStringList{QStringLiteral("just a note"), QStringLiteral("after")}));
}

// Numbers out of THROW's range are error 35100, however far out; a huge state or severity is
// taken as the highest there is.
TEST_F(ProcedureTest, ThrowAndRaiserrorNumbersOutOfRange) {
    EXPECT_EQ(errorOf(QStringLiteral("throw 49999, 'x', 1")), 35100);
    EXPECT_EQ(errorOf(QStringLiteral("throw 2147483648, 'x', 1")), 35100);
    EXPECT_EQ(errorOf(QStringLiteral("throw 5777777777777777777777777777777777777, 'x', 1")),
              35100);
    EXPECT_EQ(errorOf(QStringLiteral("throw -5777777777777777777777777777777777777, 'x', 1")),
              35100);
    EXPECT_EQ(errorOf(QStringLiteral("throw 50001, 'x', 1e30")), 50001);
    EXPECT_EQ(errorOf(QStringLiteral("raiserror('x', 1e30, 1)")), 50000);
}

TEST_F(ProcedureTest, WhileBreakContinueAndVariables) {
    EXPECT_EQ(scalar(QStringLiteral(
                  "declare @i int, @s int, @t varchar(20) select @i = 0, @s = 0 set @t = '' "
                  "while @i < 10 begin set @i = @i + 1 if @i % 2 = 0 continue if @i > 7 break "
                  "set @s += @i set @t = @t + Convert(varchar(2), @i) end select @s, @t")),
              QStringLiteral("16|1357"));
    EXPECT_EQ(
        scalar(QStringLiteral("declare @c char(3) set @c = 'ab' select '[' + @c + ']', Len(@c)")),
        QStringLiteral("[ab ]|2"));
    EXPECT_EQ(
        scalar(QStringLiteral("declare @n int select @n = Id from Log select IsNull(@n, -1)")),
        QStringLiteral("-1"));
}

TEST_F(ProcedureTest, ProceduresAreStoredInTheDatabaseAndListed) {
    EXPECT_EQ(scalar(QStringLiteral(
                  "select count(*) from SysObjects where Name = 'AddLog' and xtype = 'P'")),
              QStringLiteral("1"));
    EXPECT_EQ(
        scalar(QStringLiteral("select case when OBJECT_ID('AddLog') is null then 0 else 1 end")),
        QStringLiteral("1"));
    tsql::Session other(dir_.path(), QStringLiteral("Shop"));
    other.execute(QStringLiteral("drop procedure AddLog"), {});
    EXPECT_EQ(errorOf(QStringLiteral("declare @i int exec AddLog 'x', 1, @i output")), 2812);
    EXPECT_EQ(errorOf(QStringLiteral("create procedure Failing as select 1")), 2714);
}

// A procedure is parsed once and run again as parsed until it changes: a change committed by
// another connection, this connection's own ALTER, DROP and CREATE, and a rollback of them
// are each seen by the next EXEC.
TEST_F(ProcedureTest, TheNextExecRunsTheProcedureAsItNowStands) {
    run(QStringLiteral("create procedure Answer as select 1"));
    EXPECT_EQ(scalar(QStringLiteral("exec Answer")), QStringLiteral("1"));
    tsql::Session other(dir_.path(), QStringLiteral("Shop"));
    other.execute(QStringLiteral("alter procedure Answer as select 2"), {});
    EXPECT_EQ(scalar(QStringLiteral("exec answer")), QStringLiteral("2"));
    run(QStringLiteral("begin tran"));
    run(QStringLiteral("alter procedure Answer as select 3"));
    EXPECT_EQ(scalar(QStringLiteral("exec Answer")), QStringLiteral("3"));
    run(QStringLiteral("save tran Before drop procedure Answer"));
    EXPECT_EQ(errorOf(QStringLiteral("exec Answer")), 2812);
    run(QStringLiteral("rollback tran Before"));
    EXPECT_EQ(scalar(QStringLiteral("exec Answer")), QStringLiteral("3"));
    run(QStringLiteral("rollback"));
    EXPECT_EQ(scalar(QStringLiteral("exec Answer")), QStringLiteral("2"));
    // The first name of a DROP is gone although the second one is missing.
    EXPECT_EQ(errorOf(QStringLiteral("drop procedure Answer, NoSuchProcedure")), 3701);
    EXPECT_EQ(errorOf(QStringLiteral("exec Answer")), 2812);
    other.execute(QStringLiteral("create procedure Answer as select 4"), {});
    EXPECT_EQ(scalar(QStringLiteral("exec Answer")), QStringLiteral("4"));
    // Another connection's commit that leaves procedures alone changes nothing.
    other.execute(QStringLiteral("insert into Log (Note) values ('x')"), {});
    EXPECT_EQ(scalar(QStringLiteral("exec Answer")), QStringLiteral("4"));
}

TEST_F(ProcedureTest, TheQueryTimeoutEndsARunawayBatch) {
    session_->setQueryTimeout(1);
    QString message;
    EXPECT_NE(
        errorOf(QStringLiteral("declare @i int set @i = 0 while 1 = 1 set @i = @i + 1"), &message),
        0);
    EXPECT_EQ(message, QStringLiteral("Query timeout expired"));
    // The next batch has its own time.
    EXPECT_EQ(scalar(QStringLiteral("select 1")), QStringLiteral("1"));
}

// WAITFOR DELAY waits for the time a text or variable gives, in SQL Server's time formats; a
// date in it, or text that is no time, is error 148. The query timeout ends a long wait.
TEST_F(ProcedureTest, WaitforDelayWaitsAndTheTimeoutEndsIt) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(scalar(QStringLiteral("waitfor delay '00:00:00.300' select 1")), QStringLiteral("1"));
    EXPECT_GE(clock.elapsed(), 300);
    clock.restart();
    run(QStringLiteral("declare @d datetime set @d = '00:00:00.200' waitfor delay @d"));
    EXPECT_GE(clock.elapsed(), 200);
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("waitfor delay '2024-01-01 00:00:01'"), &message), 148);
    EXPECT_EQ(message, QStringLiteral("Incorrect time syntax in time string '2024-01-01 00:00:01' "
                                      "used with WAITFOR."));
    // A text that is no time fails the batch before it runs; a variable's, when it is reached.
    EXPECT_EQ(errorOf(QStringLiteral("insert into Log (Note) values ('x') waitfor delay 'soon'")),
              148);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Log")), QStringLiteral("0"));
    EXPECT_EQ(errorOf(QStringLiteral("declare @t varchar(9) set @t = 'soon' insert into Log "
                                     "(Note) values ('x') waitfor delay @t")),
              148);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Log")), QStringLiteral("1"));
    EXPECT_EQ(errorOf(QStringLiteral("waitfor delay 5")), 102);
    EXPECT_NE(errorOf(QStringLiteral("waitfor (receive * from q)")), 0);

    session_->setQueryTimeout(1);
    clock.restart();
    EXPECT_NE(errorOf(QStringLiteral("waitfor delay '00:01'"), &message), 0);
    EXPECT_EQ(message, QStringLiteral("Query timeout expired"));
    EXPECT_LT(clock.elapsed(), 10000);
}

// WAITFOR TIME waits until the clock shows the time: a time that has passed today is tomorrow's.
TEST_F(ProcedureTest, WaitforTimeWaitsForTheNextTimeTheClockShowsIt) {
    const QTime now = QTime::currentTime();
    if (now > QTime(23, 59, 50) || now < QTime(0, 0, 10))
        GTEST_SKIP() << "too near midnight for a time of today";
    session_->setQueryTimeout(2);
    QElapsedTimer clock;
    clock.start();
    run(QStringLiteral("waitfor time '%1'").arg(now.addMSecs(1500).toString(u"HH:mm:ss.zzz")));
    EXPECT_GE(clock.elapsed(), 1000);
    QString message;
    EXPECT_NE(
        errorOf(QStringLiteral("waitfor time '%1'").arg(now.toString(u"HH:mm:ss.zzz")), &message),
        0);
    EXPECT_EQ(message, QStringLiteral("Query timeout expired"));
}

// A function may not wait.
TEST_F(ProcedureTest, WaitforIsRefusedInAFunction) {
    EXPECT_EQ(errorOf(QStringLiteral("create function Slow() returns int as begin "
                                     "waitfor delay '00:00:01' return 1 end")),
              443);
}

TEST_F(ProcedureTest, SelectIntoAndDynamicSql) {
    run(QStringLiteral("insert into Log (Note, Amount) values ('a', 1), ('b', 2)"));
    db::BatchResult r =
        run(QStringLiteral("select Note, Amount * 2 Twice into #copy from Log "
                           "select * from #copy order by Note"));
    ASSERT_EQ(r.results.size(), 2u);
    EXPECT_EQ(r.results[0].rowsAffected, 2);
    EXPECT_EQ(r.results[1].rowSet.rows.size(), 2u);
    EXPECT_EQ(r.results[1].rowSet.columns[1].type, db::FieldType::Integer);
    EXPECT_EQ(errorOf(QStringLiteral("select 1 into #copy")), 2714);
    EXPECT_EQ(errorOf(QStringLiteral("select 1 into #nameless")), 1038);
    EXPECT_EQ(scalar(QStringLiteral("declare @t varchar(20) set @t = 'Log' "
                                    "exec ('select count(*) from ' + @t)")),
              QStringLiteral("2"));
    // The dynamic batch does not see the caller's variables.
    EXPECT_EQ(errorOf(QStringLiteral("declare @x int exec ('select @x')")), 137);
}

TEST_F(ProcedureTest, SavepointsRollBackPartOfATransaction) {
    EXPECT_EQ(
        rows(QStringLiteral("begin tran insert into Log (Note) values ('kept') save tran Half "
                            "insert into Log (Note) values ('undone') rollback tran Half "
                            "select @@TRANCOUNT commit select Note from Log")),
        QStringList{QStringLiteral("1")});
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Log where Note = 'kept'")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Log where Note = 'undone'")),
              QStringLiteral("0"));
    EXPECT_EQ(errorOf(QStringLiteral("save tran Nowhere")), 628);
}

TEST_F(ProcedureTest, SpExecuteSqlWithParametersAndOutputs) {
    EXPECT_EQ(
        scalar(QStringLiteral("declare @n int exec sp_executesql N'select @c = count(*) from Log "
                              "where Amount > @min', "
                              "N'@min int, @c int OUTPUT', @min = 0, @c = @n OUTPUT select @n")),
        QStringLiteral("0"));
    run(QStringLiteral("insert into Log (Note, Amount) values ('a', 10)"));
    EXPECT_EQ(
        scalar(QStringLiteral("declare @n int exec sp_executesql N'select @c = count(*) from Log "
                              "where Amount > @min', N'@min int, @c int OUTPUT', 5, @n OUTPUT "
                              "select @n")),
        QStringLiteral("1"));
}

TEST_F(ProcedureTest, TableVariablesLiveForTheirBatchOrProcedure) {
    EXPECT_EQ(
        rows(QStringLiteral("declare @t table (Id int not null primary key, Name varchar(10)) "
                            "insert into @t (Id, Name) values (1, 'a'), (2, 'b') "
                            "update @t set Name = 'B' where Id = 2 delete from @t where Id = 1 "
                            "select T.Id, T.Name from @t T")),
        QStringList{QStringLiteral("2|B")});
    EXPECT_EQ(errorOf(QStringLiteral("select * from @t")), 1087);
    run(
        QStringLiteral("create procedure UsesTable as declare @x table (N int) "
                       "insert into @x values (7) select N from @x"));
    EXPECT_EQ(scalar(QStringLiteral("exec UsesTable")), QStringLiteral("7"));
    EXPECT_EQ(scalar(QStringLiteral("exec UsesTable")), QStringLiteral("7"));
    EXPECT_EQ(
        errorOf(QStringLiteral("declare @d table (Id int primary key) insert into @d values (1) "
                               "insert into @d values (1)")),
        2627);
}
