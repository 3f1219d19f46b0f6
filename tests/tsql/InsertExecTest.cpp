// INSERT ... EXEC: what a failing call leaves behind, and what the call may not do.
#include "TsqlFixture.h"

class InsertExecTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(QStringLiteral("CREATE TABLE Target (V int)"));
        run(QStringLiteral("CREATE TABLE Audit (Note varchar(20))"));
        run(
            QStringLiteral("CREATE PROCEDURE Noted @v varchar(10) AS\n"
                           "INSERT INTO Audit VALUES ('called')\n"
                           "SELECT @v"));
    }

    QString count(const char* table) {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)));
    }
};

TEST_F(InsertExecTest, AValueThatDoesNotConvertUndoesTheCallsWritesToo) {
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("INSERT INTO Target EXEC Noted 'abc'"), &message), 245);
    EXPECT_TRUE(message.contains(QStringLiteral("'abc'"))) << message.toStdString();
    EXPECT_EQ(count("Target"), QStringLiteral("0"));
    EXPECT_EQ(count("Audit"), QStringLiteral("0"));
    run(QStringLiteral("INSERT INTO Target EXEC Noted '7'"));
    EXPECT_EQ(count("Target"), QStringLiteral("1"));
    EXPECT_EQ(count("Audit"), QStringLiteral("1"));
}

TEST_F(InsertExecTest, AResultSetOfAnotherShapeRaises213AndInsertsNothing) {
    run(QStringLiteral("CREATE PROCEDURE Pair AS SELECT 1 AS v; SELECT 1, 2"));
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("INSERT INTO Target EXEC Pair"), &message), 213);
    EXPECT_EQ(message, QStringLiteral("Column name or number of supplied values does not match "
                                      "table definition."));
    EXPECT_EQ(count("Target"), QStringLiteral("0"));
}

TEST_F(InsertExecTest, TheCallMayNotNestAnotherOne) {
    run(
        QStringLiteral("CREATE PROCEDURE Outer1 AS\n"
                       "CREATE TABLE #inner (v varchar(10))\n"
                       "INSERT INTO #inner EXEC Noted 'x'\n"
                       "SELECT 1"));
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("INSERT INTO Target EXEC Outer1"), &message), 8164);
    EXPECT_EQ(message, QStringLiteral("An INSERT EXEC statement cannot be nested."));
    EXPECT_EQ(count("Target"), QStringLiteral("0"));
    // Outside INSERT ... EXEC the same procedure runs.
    EXPECT_EQ(scalar(QStringLiteral("EXEC Outer1")), QStringLiteral("1"));
}

TEST_F(InsertExecTest, TheCallMayNotEndTheStatementsTransaction) {
    run(QStringLiteral("CREATE PROCEDURE Undo AS BEGIN TRAN; ROLLBACK; SELECT 1"));
    run(QStringLiteral("CREATE PROCEDURE Ends AS COMMIT; SELECT 1"));
    run(QStringLiteral("CREATE PROCEDURE Nested AS BEGIN TRAN; SELECT 1; COMMIT"));
    EXPECT_EQ(errorOf(QStringLiteral("INSERT INTO Target EXEC Undo")), 3915);
    EXPECT_EQ(errorOf(QStringLiteral("INSERT INTO Target EXEC Ends")), 3902);
    EXPECT_EQ(scalar(QStringLiteral("SELECT @@TRANCOUNT")), QStringLiteral("0"));
    EXPECT_EQ(count("Target"), QStringLiteral("0"));
    // A transaction the call opens and ends itself is its own business.
    run(QStringLiteral("INSERT INTO Target EXEC Nested"));
    EXPECT_EQ(count("Target"), QStringLiteral("1"));
}

TEST_F(InsertExecTest, InsideAnOpenTransactionTheRowsGoWithIt) {
    run(QStringLiteral("BEGIN TRAN; INSERT INTO Target EXEC Noted '3'; ROLLBACK"));
    EXPECT_EQ(count("Target"), QStringLiteral("0"));
    EXPECT_EQ(count("Audit"), QStringLiteral("0"));
}

TEST_F(InsertExecTest, AFunctionMayNotUseIt) {
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("CREATE FUNCTION dbo.f () RETURNS @t TABLE (v int) AS BEGIN "
                                     "INSERT INTO @t EXEC Noted '1'; RETURN END"),
                      &message),
              443);
    EXPECT_TRUE(message.contains(QStringLiteral("'INSERT EXEC'"))) << message.toStdString();
}
