// Errors carry SQL Server's numbers and wording, so that the error translation works unchanged.
#include "TsqlFixture.h"

class ErrorTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(QStringLiteral(
            "CREATE TABLE Grp (Id int not null constraint PK_Grp primary key, Code varchar(10) not "
            "null "
            "constraint UQ_GrpCode unique)\n"
            "CREATE TABLE Item (Id int identity(1,1) not null, Code varchar(10) not null, "
            "Grp int null constraint FK_ItemGrp references Grp(Id), "
            "constraint PK_Item primary key (Id))\n"
            "CREATE UNIQUE INDEX IxItemCode ON Item (Code)\n"
            "INSERT INTO Grp VALUES (1, 'G1')\n"
            "INSERT INTO Item (Code, Grp) VALUES ('A', 1)"));
    }

    void expectError(const QString& sql, int number, const QString& fragment) {
        QString message;
        EXPECT_EQ(errorOf(sql, &message), number)
            << sql.toStdString() << " -> " << message.toStdString();
        EXPECT_TRUE(message.contains(fragment, Qt::CaseInsensitive))
            << message.toStdString() << " lacks " << fragment.toStdString();
    }
};

TEST_F(ErrorTest, ConstraintViolations) {
    expectError(
        QStringLiteral("insert into Item (Code) values (null)"), 515,
        QStringLiteral("Cannot insert the value NULL into column 'Code', table 'Shop.dbo.Item'; "
                       "column does not allow nulls. INSERT fails."));
    expectError(QStringLiteral("update Item set Code = null"), 515,
                QStringLiteral("UPDATE fails."));
    expectError(
        QStringLiteral("insert into Grp values (1, 'G2')"), 2627,
        QStringLiteral("Violation of PRIMARY KEY constraint 'PK_Grp'. Cannot insert duplicate "
                       "key in object 'dbo.Grp'."));
    expectError(QStringLiteral("insert into Grp values (2, 'g1')"), 2627,
                QStringLiteral("Violation of UNIQUE KEY constraint 'UQ_GrpCode'."));
    expectError(
        QStringLiteral("insert into Item (Code) values ('a ')"), 2601,
        QStringLiteral("Cannot insert duplicate key row in object 'dbo.Item' with unique index "
                       "'IxItemCode'."));
    expectError(QStringLiteral("insert into Item (Code, Grp) values ('B', 9)"), 547,
                QStringLiteral("The INSERT statement conflicted with the FOREIGN KEY constraint "
                               "\"FK_ItemGrp\"."));
    expectError(
        QStringLiteral("delete from Grp"), 547,
        QStringLiteral(
            "The DELETE statement conflicted with the REFERENCE constraint \"FK_ItemGrp\""));
    // The failed statements changed nothing.
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item")), QStringLiteral("1"));
}

TEST_F(ErrorTest, NamesThatDoNotResolve) {
    expectError(QStringLiteral("select * from Nothing"), 208,
                QStringLiteral("Invalid object name 'Nothing'."));
    expectError(QStringLiteral("select Nope from Item"), 207,
                QStringLiteral("Invalid column name 'Nope'."));
    expectError(QStringLiteral("exec NoSuchProc 1"), 2812,
                QStringLiteral("Could not find stored procedure 'NoSuchProc'."));
    expectError(QStringLiteral("select @x"), 137,
                QStringLiteral("Must declare the scalar variable \"@x\"."));
    expectError(QStringLiteral("select Id from Item, Grp"), 209,
                QStringLiteral("Ambiguous column name 'Id'."));
    run(QStringLiteral("insert into Grp values (2, 'G2')"));
    expectError(QStringLiteral("select (select Id from Grp) from Item"), 512,
                QStringLiteral("Subquery returned more than 1 value."));
    EXPECT_EQ(scalar(QStringLiteral(
                  "select (select Code from Grp where Id = 2), "
                  "(select top 1 Code from Grp order by Id), (select max(Id) from Grp)")),
              QStringLiteral("G2|G1|2"));
}

// A scalar subquery gives its only row's value with its type, NULL without a row, and 512 only
// once a second row comes, also per outer row when it is correlated.
TEST_F(ErrorTest, ScalarSubqueriesTakeTheirOnlyRow) {
    run(
        QStringLiteral("insert into Grp values (2, 'G2'), (3, 'G3')\n"
                       "insert into Item (Code, Grp) values ('B', null), ('C', 2), ('D', 2)"));
    EXPECT_EQ(scalar(QStringLiteral("select (select Grp from Item where Code = 'B'), "
                                    "(select Grp from Item where Code = 'Z'), "
                                    "(select Grp * 2 from Item where Code = 'A'), "
                                    "(select Code + 'x' from Grp where Id = 3)")),
              QStringLiteral("NULL|NULL|2|G3x"));
    EXPECT_EQ(rows(QStringLiteral("select G.Id, (select I.Code from Item I where I.Grp = G.Id) "
                                  "from Grp G where G.Id <> 2 order by G.Id")),
              QStringList({QStringLiteral("1|A"), QStringLiteral("3|NULL")}));
    expectError(QStringLiteral("select G.Id, (select I.Code from Item I where I.Grp = G.Id) "
                               "from Grp G order by G.Id"),
                512, QStringLiteral("Subquery returned more than 1 value."));
    expectError(QStringLiteral("select Id from Grp where Id = (select Grp from Item where Grp "
                               "is null or Grp = 2)"),
                512, QStringLiteral("Subquery returned more than 1 value."));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Item where Grp = (select Id from Grp "
                                    "where Code = 'G2')")),
              QStringLiteral("2"));
}

TEST_F(ErrorTest, ConversionsAndArithmetic) {
    expectError(QStringLiteral("select Convert(Int, 'x1')"), 245,
                QStringLiteral(
                    "Conversion failed when converting the varchar value 'x1' to data type int."));
    expectError(QStringLiteral(
                    "declare @s varchar(5) set @s = 'a' select Convert(Int, SubString(@s, 1, 1))"),
                245, QStringLiteral("varchar value 'a'"));
    expectError(QStringLiteral("select Cast('1.2.3' As Decimal(10,2))"), 8114,
                QStringLiteral("Error converting data type varchar to numeric."));
    expectError(QStringLiteral("select 1 / 0"), 8134,
                QStringLiteral("Divide by zero error encountered."));
    expectError(QStringLiteral("declare @z int set @z = 0 select Id % @z from Item"), 8134,
                QStringLiteral("Divide by zero"));
    expectError(QStringLiteral("select Cast('31/31/2024' As datetime)"), 241,
                QStringLiteral(
                    "Conversion failed when converting date and/or time from character string."));
    expectError(QStringLiteral("insert into Item (Code) values ('much too long')"), 8152,
                QStringLiteral("String or binary data would be truncated."));
}

TEST_F(ErrorTest, SyntaxAndUnsupportedConstructs) {
    expectError(QStringLiteral("select from where"), 156,
                QStringLiteral("Incorrect syntax near the keyword 'from'."));
    expectError(QStringLiteral("select 1 2 3"), 102, QStringLiteral("Incorrect syntax near '2'."));
    expectError(QStringLiteral("select 'abc"), 105, QStringLiteral("Unclosed quotation mark"));
    QString message;
    EXPECT_NE(errorOf(QStringLiteral("with c as (select 1 x) delete from c"), &message), 0);
    EXPECT_TRUE(message.contains(QStringLiteral("DELETE of a common table expression other than")))
        << message.toStdString();
    EXPECT_NE(errorOf(QStringLiteral("select 1 as x for xml auto"), &message), 0);
    EXPECT_TRUE(message.contains(QStringLiteral("not support"))) << message.toStdString();
    EXPECT_NE(
        errorOf(QStringLiteral("select top 10 percent Id from Item union select 1"), &message), 0);
    EXPECT_TRUE(message.contains(QStringLiteral("TOP ... PERCENT or WITH TIES in a UNION")))
        << message.toStdString();
}

TEST_F(ErrorTest, ErrorsInsideATransactionAndXactAbort) {
    // A failing statement inside a transaction ends only itself: the batch goes on and
    // commits the rest, as on SQL Server.
    EXPECT_EQ(errorOf(QStringLiteral("begin tran insert into Grp values (5, 'G5') "
                                     "insert into Grp values (5, 'G6') commit")),
              2627);
    EXPECT_EQ(session_->transactionDepth(), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Grp")), QStringLiteral("2"));
    // With XACT_ABORT an error rolls back even the caller's transaction.
    session_->beginTransaction();
    run(QStringLiteral("insert into Grp values (6, 'G6')"));
    EXPECT_EQ(errorOf(QStringLiteral("set xact_abort on insert into Grp values (6, 'G7')")), 2627);
    EXPECT_EQ(session_->transactionDepth(), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Grp")), QStringLiteral("2"));
    // Without it the caller's transaction stays open and keeps its work.
    run(QStringLiteral("set xact_abort off"));
    session_->beginTransaction();
    run(QStringLiteral("insert into Grp values (7, 'G7')"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Grp values (7, 'G8')")), 2627);
    EXPECT_EQ(session_->transactionDepth(), 1);
    session_->commit();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Grp")), QStringLiteral("3"));
}

TEST_F(ErrorTest, OutsideATransactionTheBatchGoesOnAfterAStatementError) {
    const QString batch =
        QStringLiteral("insert into Grp values (1, 'again')\ninsert into Grp values (5, 'G5')");
    try {
        run(batch);
        FAIL() << "the duplicate key was not reported";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 2627);
        EXPECT_EQ(e.statement(), batch);
    }
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Grp where Id = 5")), QStringLiteral("1"));
    // @@ERROR tells the following statements what happened; RAISERROR does not stop the batch.
    EXPECT_EQ(errorOf(QStringLiteral("insert into Grp values (1, 'x') "
                                     "if @@ERROR <> 0 insert into Grp values (6, 'G6') "
                                     "raiserror('noted', 16, 1) insert into Grp values (7, 'G7')")),
              2627);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Grp where Id in (6, 7)")),
              QStringLiteral("2"));
    // Conversion errors end the batch.
    EXPECT_EQ(errorOf(QStringLiteral("select Convert(int, 'x') insert into Grp values (8, 'G8')")),
              245);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Grp where Id = 8")), QStringLiteral("0"));
}

TEST_F(ErrorTest, StoringAValueBeyondTheColumnsPrecisionOverflows) {
    run(
        QStringLiteral("CREATE TABLE A2 (Q decimal(20,6) NOT NULL, M money NULL, I int NULL, "
                       "S smallint NULL, T tinyint NULL, B bigint NULL, D decimal(10,2) NULL)\n"
                       "INSERT INTO A2 (Q) VALUES (1)"));
    const QString numeric =
        QStringLiteral("Arithmetic overflow error converting numeric to data type numeric.");
    expectError(QStringLiteral("INSERT INTO A2 (Q) VALUES (123456789012345678)"), 8115, numeric);
    expectError(QStringLiteral("INSERT INTO A2 (Q) VALUES (-100000000000000)"), 8115, numeric);
    expectError(QStringLiteral("INSERT INTO A2 (Q) SELECT 123456789012345.5"), 8115, numeric);
    expectError(QStringLiteral("UPDATE A2 SET Q = 99999999999999.9999999"), 8115, numeric);
    run(QStringLiteral("UPDATE A2 SET B = 9223372036854775807"));
    expectError(
        QStringLiteral("UPDATE A2 SET Q = B"), 8115,
        QStringLiteral("Arithmetic overflow error converting bigint to data type numeric."));
    // The value is rounded to the scale first: what rounds up past the precision overflows.
    run(QStringLiteral("UPDATE A2 SET D = 99999999.994"));
    EXPECT_EQ(scalar(QStringLiteral("select Convert(varchar(30), D) from A2")),
              QStringLiteral("99999999.99"));
    expectError(QStringLiteral("UPDATE A2 SET D = 99999999.995"), 8115, numeric);

    expectError(QStringLiteral("UPDATE A2 SET M = 922337203685478"), 8115,
                QStringLiteral("Arithmetic overflow error converting numeric to data type money."));
    expectError(QStringLiteral("UPDATE A2 SET M = B"), 8115,
                QStringLiteral("Arithmetic overflow error converting bigint to data type money."));
    run(QStringLiteral("UPDATE A2 SET M = 922337203685477"));

    expectError(QStringLiteral("UPDATE A2 SET I = 2147483648"), 8115,
                QStringLiteral("Arithmetic overflow error converting numeric to data type int."));
    expectError(
        QStringLiteral("UPDATE A2 SET I = B"), 8115,
        QStringLiteral("Arithmetic overflow error converting expression to data type int."));
    expectError(QStringLiteral("UPDATE A2 SET I = '3000000000'"), 248,
                QStringLiteral("The conversion of the varchar value '3000000000' overflowed an int "
                               "column."));
    expectError(QStringLiteral("UPDATE A2 SET S = 40000"), 220,
                QStringLiteral("Arithmetic overflow error for data type smallint, value = 40000."));
    expectError(QStringLiteral("UPDATE A2 SET T = -1"), 220,
                QStringLiteral("Arithmetic overflow error for data type tinyint, value = -1."));
    expectError(QStringLiteral("UPDATE A2 SET T = '300'"), 244,
                QStringLiteral("The conversion of the varchar value '300' overflowed an INT1 "
                               "column. Use a larger integer column."));
    expectError(QStringLiteral("UPDATE A2 SET S = 32767.9"), 0, QString());
    EXPECT_EQ(scalar(QStringLiteral("select Convert(varchar(40), M) + '|' + Convert(varchar(10), "
                                    "S) + '|' + Convert(varchar(30), B) from A2")),
              QStringLiteral("922337203685477.00|32767|9223372036854775807"));
    // Values in range of each type are stored as given.
    run(
        QStringLiteral("INSERT INTO A2 (Q, I, S, T) VALUES (12345678901234.5, 2147483647, "
                       "-32768, 255)"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from A2 where I = 2147483647 and S = -32768 "
                                    "and T = 255 and Q = 12345678901234.5")),
              QStringLiteral("1"));
}
