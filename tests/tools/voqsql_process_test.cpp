// Runs the built voq-sql as a process against a SQLite database through its ODBC driver.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

class VoqSqlProcess : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        server_ = QStringLiteral("odbc:Driver=SQLite3;Database=") + dir_.filePath("test.db");
    }

    Outcome voqSql(QStringList args) const {
        QProcess p;
        p.setProgram(QStringLiteral(VOQ_SQL_EXE));
        p.setArguments(args);
        p.start();
        Outcome r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "voq-sql did not finish";
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    Outcome onServer(QStringList args) const { return voqSql(QStringList{"-S", server_} + args); }

    QString script(const QString& name, const QString& text) const {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        return path;
    }

    // The Thai goods table every case starts from, made with voq-sql itself.
    void createGoods() const {
        for (const char* sql :
             {"create table Goods (Code text primary key, Name text, Price real, Qty integer)",
              "insert into Goods values ('G01', 'ข้าวหอมมะลิ', 1250.5, 10)",
              "insert into Goods values ('G02', 'น้ำปลา', NULL, 200)"}) {
            const Outcome r = onServer({"-Q", sql});
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        }
    }

    QTemporaryDir dir_;
    QString server_;
};

}  // namespace

TEST_F(VoqSqlProcess, InsertsAndSelectsThaiRowsAsAnAlignedTable) {
    createGoods();
    const Outcome r = onServer({"-Q", "select Code, Name, Price, Qty from Goods order by Code"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Code Name        Price  Qty\n"
              "---- ----------- ------ ---\n"
              "G01  ข้าวหอมมะลิ 1250.5  10\n"
              "G02  น้ำปลา        NULL 200\n"
              "\n"
              "(2 rows affected)\n")
        << r.out.toStdString();
}

TEST_F(VoqSqlProcess, NoHeadersTrimAndSeparatorForExport) {
    createGoods();
    const Outcome r =
        onServer({"-h", "-1", "-W", "-s", ";", "-Q", "select * from Goods order by Code"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "G01;ข้าวหอมมะลิ;1250.5;10\nG02;น้ำปลา;NULL;200\n\n(2 rows affected)\n");
}

TEST_F(VoqSqlProcess, ServerErrorGoesToStderrWithNonZeroExit) {
    createGoods();
    const Outcome r = onServer({"-Q", "select * from NoSuchTable"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.startsWith("Msg ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("query line 1")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("no such table: NoSuchTable")) << r.err.toStdString();
}

TEST_F(VoqSqlProcess, ScriptFileWithGoBatchesAndVariables) {
    const QString path = script("load.sql",
                                "-- goods of one year\n"
                                "create table Goods$(Year) (Code text, Name text)\n"
                                "GO\n"
                                "insert into Goods$(year) values ('$(code)', '$(Name)')\n"
                                "  go  \n"
                                "select Code, Name from Goods$(YEAR)\n");
    const Outcome r =
        onServer({"-i", path, "-v", "Year=2567", "code=G09", "Name=น้ำตาลทราย", "-h", "-1"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.out.endsWith("\n(1 row affected)\n"
                       "G09 น้ำตาลทราย\n"
                       "\n"
                       "(1 row affected)\n"))
        << r.out.toStdString();
}

TEST_F(VoqSqlProcess, SeveralFilesRunInOrder) {
    const QString a = script("a.sql", "create table T (n integer)\nGO\ninsert into T values (1)\n");
    const QString b = script("b.sql", "insert into T values (2)\nGO\nselect sum(n) as s from T\n");
    const Outcome r = onServer({"-i", a, "-i", b});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith("s\n-\n3\n\n(1 row affected)\n")) << r.out.toStdString();
}

TEST_F(VoqSqlProcess, UndefinedVariableFailsItsBatchNamingIt) {
    const QString path =
        script("v.sql", "create table T (n integer)\nGO\n\ninsert into T values ($(n))\n");
    const Outcome r = onServer({"-i", path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("'n' scripting variable not defined.")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(path + " line 4")) << r.err.toStdString();
}

TEST_F(VoqSqlProcess, WithoutBTheNextBatchesStillRunAndTheExitStatusReportsTheFailure) {
    const QString path = script("e.sql",
                                "create table T (n integer)\nGO\n"
                                "insert into Missing values (1)\nGO\n"
                                "insert into T values (5)\nGO\n"
                                "select n from T\n");
    const Outcome r = onServer({"-i", path, "-h", "-1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(path + " line 3")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("no such table: Missing")) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith("5\n\n(1 row affected)\n")) << r.out.toStdString();
}

TEST_F(VoqSqlProcess, WithBTheFirstFailingBatchEndsTheRun) {
    const QString path = script("e.sql",
                                "create table T (n integer)\nGO\n"
                                "insert into Missing values (1)\nGO\n"
                                "insert into T values (5)\n");
    const Outcome r = onServer({"-b", "-i", path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("no such table: Missing")) << r.err.toStdString();
    // The insert after the failure never ran.
    const Outcome check = onServer({"-h", "-1", "-Q", "select count(*) from T"});
    EXPECT_EQ(check.out, "0\n\n(1 row affected)\n") << check.err.toStdString();
}

TEST_F(VoqSqlProcess, GoRepeatCountRunsTheBatchAgain) {
    const QString path =
        script("r.sql", "create table T (n integer)\nGO\ninsert into T values (1)\nGO 3\n");
    ASSERT_EQ(onServer({"-i", path}).exitCode, 0);
    EXPECT_EQ(onServer({"-h", "-1", "-Q", "select count(*) from T"}).out,
              "3\n\n(1 row affected)\n");
}

TEST_F(VoqSqlProcess, UnreachableServerReportsTheDriversMessage) {
    const Outcome r = voqSql({"-S", "odbc:Driver=NoSuchOdbcDriver", "-Q", "select 1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.contains("connecting to odbc:Driver=NoSuchOdbcDriver"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("NoSuchOdbcDriver")) << r.err.toStdString();
}

TEST_F(VoqSqlProcess, MissingScriptFileFailsBeforeConnecting) {
    const QString missing = dir_.filePath("missing.sql");
    const Outcome r = voqSql({"-S", "odbc:Driver=NoSuchOdbcDriver", "-i", missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(missing)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("connecting")) << r.err.toStdString();
}

TEST_F(VoqSqlProcess, BadCommandLineExitsWithUsage) {
    const Outcome r = voqSql({"-Q", "select 1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("-S server is required")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Usage: voq-sql")) << r.err.toStdString();

    const Outcome help = voqSql({"-?"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("Exit status")) << help.out.toStdString();
}

// Input beyond what the embedded engine takes ends with a numbered error and exit status 1,
// never a signal; the rows committed before it stay.
TEST_F(VoqSqlProcess, HostileInputOnTheEmbeddedEngineEndsWithANumberedError) {
    const QString server = QStringLiteral("file:") + dir_.path();
    const Outcome made = voqSql({"-S", server, "-Q", "create database Shop"});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const Outcome filled = voqSql(
        {"-S", server, "-d", "Shop", "-Q", "create table T (i int) insert into T values (1)"});
    ASSERT_EQ(filled.exitCode, 0) << filled.err.toStdString();

    const QString deep =
        QStringLiteral("select ") + QString(10000, u'(') + u'1' + QString(10000, u')');
    const QString notNot = QStringLiteral("select count(*) from T where ") +
                           QStringLiteral("not ").repeated(10000) + QStringLiteral("i = 2");
    for (const QString& sql : {deep, notNot}) {
        const Outcome r = voqSql({"-S", server, "-d", "Shop", "-Q", sql});
        EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("Msg 191,"))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("nested too deeply"))) << r.err.toStdString();
    }
    const Outcome kept =
        voqSql({"-S", server, "-d", "Shop", "-h", "-1", "-Q", "select count(*) from T"});
    EXPECT_EQ(kept.exitCode, 0) << kept.err.toStdString();
    EXPECT_TRUE(kept.out.startsWith(QStringLiteral("1\n"))) << kept.out.toStdString();
}

// The embedded engine's values print as SQL Server's tools print their declared types.
TEST_F(VoqSqlProcess, EmbeddedValuesPrintInTheirDeclaredType) {
    const QString server = QStringLiteral("file:") + dir_.path();
    ASSERT_EQ(voqSql({"-S", server, "-Q", "create database Shop"}).exitCode, 0);
    const Outcome r =
        voqSql({"-S", server, "-d", "Shop", "-h", "-1", "-W", "-s", "|", "-Q",
                "select cast(3 as decimal(5,2)), cast(10.05 as money), cast('2000-12-13' as date), "
                "cast('2000-12-13' as datetime)"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("3.00|10.0500|2000-12-13|2000-12-13 00:00:00.000\n"))
        << r.out.toStdString();
}

// The rows a batch gave before its error print on stdout, the error on stderr.
TEST_F(VoqSqlProcess, RowsBeforeAnErrorOfTheBatchArePrinted) {
    const QString server = QStringLiteral("file:") + dir_.path();
    ASSERT_EQ(voqSql({"-S", server, "-Q", "create database Shop"}).exitCode, 0);
    const Outcome r = voqSql({"-S", server, "-d", "Shop", "-h", "-1", "-Q",
                              "select 41 + 1\nprint 'halfway'\nselect * from NoSuchTable"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("42"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("halfway"))) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Invalid object name 'NoSuchTable'")))
        << r.err.toStdString();
}
