#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "db/Connection.h"
#include "db/Query.h"
#include "dbcore/Error.h"
#include "sqlscript/SqlScript.h"
#include "ui/Abort.h"

class SqlScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        conn = std::make_unique<db::Connection>("SCRIPTDB");
        conn->params().add("DATABASE NAME=s");
        conn->params().add("SERVER NAME=odbc:Driver=SQLite3;Database=" + dir.filePath("s.sqlite"));
        conn->execute("create table T (N integer primary key, S varchar(20))");
        script.DatabaseName = "SCRIPTDB";
        script.setObjectName("SQLTest");
    }

    QStringList rows() {
        db::Query q;
        q.setDatabaseName("SCRIPTDB");
        q.setSqlText("select N, S from T order by N");
        q.open();
        QStringList out;
        for (; !q.eof(); q.next())
            out << q.fieldByName("N").asString() + ":" + q.fieldByName("S").asString();
        return out;
    }

    QTemporaryDir dir;
    std::unique_ptr<db::Connection> conn;
    TSQLScript script;
};

TEST_F(SqlScriptTest, SplitsAtTerminatorLinesAndRunsTheLastUnterminatedStatement) {
    script.setSQL({"  insert into T", "\tvalues (1, 'a')  ", "", "  /  ", "/", "insert into T",
                   "values (2, 'b')"});
    script.ExecSQL();
    EXPECT_EQ(rows(), QStringList({"1:a", "2:b"}));
}

TEST_F(SqlScriptTest, ExecStatementCountsOnlyNonEmptyStatements) {
    script.setSQL({"/", "insert into T values (1, 'a')", "/", "/", "", "/",
                   "insert into T values (2, 'b')", "/", "insert into T values (3, 'c')"});
    script.ExecStatement(1);
    EXPECT_EQ(rows(), QStringList({"2:b"}));
    script.ExecStatement(2);
    EXPECT_EQ(rows(), QStringList({"2:b", "3:c"}));
    try {
        script.ExecStatement(3);
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.message(), "List index out of bounds (3)");
    }
}

// SQLite refuses VACUUM inside a transaction, so it runs only when the statement has none.
TEST_F(SqlScriptTest, ExecStatementRunsWithoutTheScriptsTransaction) {
    script.Transaction = true;
    script.setSQL({"insert into T values (1, 'a')", "/", "vacuum"});
    EXPECT_NO_THROW(script.ExecStatement(1));
    EXPECT_FALSE(conn->inTransaction());
    EXPECT_THROW(script.ExecSQL(), db::Error) << "a whole run has the transaction";
    EXPECT_EQ(rows(), QStringList()) << "and rolls it back";
}

TEST_F(SqlScriptTest, BlankScriptFailsAndEmptyScriptFails) {
    script.setSQL({"", "  /", "/ "});
    try {
        script.ExecSQL();
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.message(), "List index out of bounds (-1)");
    }
    script.setSQL({});
    EXPECT_THROW(script.ExecSQL(), db::Error);
}

TEST_F(SqlScriptTest, SemicolonEndsAStatementEvenInsideQuotes) {
    script.setSQL({"insert into T values (1, 'a'); insert into T values (2, 'b')", "/"});
    script.ExecSQL();
    EXPECT_EQ(rows(), QStringList({"1:a", "2:b"}));

    script.setSQL({"insert into T values (3, 'x;y')"});
    EXPECT_THROW(script.ExecSQL(), db::Error) << "the semicolon in the string splits it";

    script.SemicolonTerm = false;
    script.ExecSQL();
    EXPECT_EQ(rows(), QStringList({"1:a", "2:b", "3:x;y"}));
}

TEST_F(SqlScriptTest, OneParameterValueServesEveryOccurrence) {
    script.setSQL(
        {"insert into T values (:N, 'p' || :n)", "/", "insert into T values (:N + 10, 'q')"});
    ASSERT_EQ(script.Params().count(), 1);
    script.ParamByName("n").setAsInteger(4);
    script.ExecSQL();
    EXPECT_EQ(rows(), QStringList({"4:p4", "14:q"}));
}

TEST_F(SqlScriptTest, NewLinesKeepValuesOfRemainingParameters) {
    script.setSQL({"insert into T values (:A, :B)"});
    script.ParamByName("A").setAsInteger(1);
    script.ParamByName("B").setAsString("kept");
    script.setSQL({"insert into T values (:A, :B)", "/", "update T set S = S || :C"});
    script.ParamByName("C").setAsString("!");
    script.ExecSQL();
    EXPECT_EQ(rows(), QStringList({"1:kept!"}));

    db::Params given;
    given.add(db::Param("b")).setAsString("assigned");
    given.add(db::Param("Unknown")).setAsInteger(9);
    script.setParams(given);
    EXPECT_EQ(script.ParamByName("B").asString(), "assigned");
    EXPECT_EQ(script.Params().find("Unknown"), nullptr);
}

TEST_F(SqlScriptTest, WithoutTransactionEarlierStatementsStay) {
    script.setSQL({"insert into T values (1, 'a')", "/", "insert into T values (1, 'dup')"});
    EXPECT_THROW(script.ExecSQL(), db::Error);
    EXPECT_EQ(rows(), QStringList({"1:a"}));
}

TEST_F(SqlScriptTest, WithTransactionTheRunIsAllOrNothing) {
    script.Transaction = true;
    script.setSQL({"insert into T values (1, 'a')", "/", "insert into T values (1, 'dup')"});
    EXPECT_THROW(script.ExecSQL(), db::Error);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_FALSE(conn->inTransaction());
    script.setSQL({"insert into T values (1, 'a')", "/", "insert into T values (2, 'b')"});
    script.ExecSQL();
    EXPECT_EQ(rows(), QStringList({"1:a", "2:b"}));
    EXPECT_FALSE(conn->inTransaction());
}

TEST_F(SqlScriptTest, ServerErrorGetsTheLineAsAnExtraEntry) {
    script.setSQL({"insert into T values (1, 'a')", "/", "insert into T", "values (1, 'dup')"});
    try {
        script.ExecSQL();
        FAIL();
    } catch (const db::Error& e) {
        ASSERT_TRUE(e.isServerError());
        const auto& last = e.messages().back();
        EXPECT_EQ(last.text, "Error on line 3");
        EXPECT_EQ(last.nativeError, 3);
        EXPECT_EQ(last.errorCode, 0);
    }
}

TEST_F(SqlScriptTest, ClientErrorGetsTheLineInItsMessage) {
    script.setSQL({"insert into T values (:N, 'a')"});
    try {
        script.ExecSQL();
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.message(), "No value for parameter 'N'. Error on line 0");
    }
}

TEST_F(SqlScriptTest, IgnoreParamsSendsTheTextAsItStands) {
    script.setSQL({"insert into T values (5, 'a') -- :note"});
    EXPECT_THROW(script.ExecSQL(), db::Error);
    script.IgnoreParams = true;
    script.ExecSQL();
    EXPECT_EQ(rows(), QStringList({"5:a"}));
}

TEST_F(SqlScriptTest, ErrorHookActions) {
    script.setSQL({"insert into U values (1)", "/", "insert into T values (1, 'after')"});
    std::vector<std::pair<int, int>> seen;
    TScriptAction choice = TScriptAction::ScriptActionIgnore;
    script.OnScriptError = [&](TSQLScript&, db::Error&, int line, int stmt, TScriptAction& a) {
        seen.emplace_back(line, stmt);
        a = choice;
    };
    script.ExecSQL();
    EXPECT_EQ(rows(), QStringList({"1:after"}));
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 0}}))
        << "the terminator line was the last read";

    conn->execute("delete from T");
    choice = TScriptAction::ScriptActionAbort;
    EXPECT_THROW(script.ExecSQL(), ui::Abort);
    EXPECT_TRUE(rows().isEmpty());

    int reported = 0;
    TSQLScript::setApplicationErrorHandler([&](const std::exception&) { ++reported; });
    choice = TScriptAction::ScriptActionContinue;
    script.ExecSQL();
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(rows(), QStringList({"1:after"}));
    TSQLScript::setApplicationErrorHandler(nullptr);
}

TEST_F(SqlScriptTest, RetryRunsTheStatementAgain) {
    script.setSQL({"insert into U values (7)"});
    int calls = 0;
    script.OnScriptError = [&](TSQLScript&, db::Error&, int, int, TScriptAction& a) {
        ++calls;
        conn->execute("create table U (N integer)");
        a = TScriptAction::ScriptActionRetry;
    };
    script.ExecSQL();
    EXPECT_EQ(calls, 1);
    db::Query q;
    q.setDatabaseName("SCRIPTDB");
    q.setSqlText("select N from U");
    q.open();
    EXPECT_EQ(q.fieldByName("N").asInteger(), 7);
}

TEST_F(SqlScriptTest, BeforeAndAfterExec) {
    QStringList calls;
    script.BeforeExec = [&](TSQLScript&) { calls << "before"; };
    script.AfterExec = [&](TSQLScript&) { calls << "after"; };
    script.setSQL({"insert into T values (1, 'a')"});
    script.ExecSQL();
    script.setSQL({"insert into Nope values (1)"});
    EXPECT_THROW(script.ExecSQL(), db::Error);
    EXPECT_EQ(calls, QStringList({"before", "after", "before"}));
}
