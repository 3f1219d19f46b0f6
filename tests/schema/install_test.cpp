// scripts/install-demo.sh on a fresh embedded server, twice, and voq-sql reading what it made.

#include <QDate>
#include <QProcess>

#include "tests/schema/SchemaFixture.h"

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome runProcess(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VOQ_SQL"), QStringLiteral(VOQ_SQL_EXE));
    p.setProcessEnvironment(env);
    p.start(program, args);
    Outcome r;
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class InstallDemoTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString serverDir() const { return dir_.filePath(QStringLiteral("server")); }

    Outcome install() {
        return runProcess(
            QStringLiteral("bash"),
            {schematest::sourceDir() + QStringLiteral("/scripts/install-demo.sh"), serverDir()});
    }

    Outcome voqSql(const QString& database, const QString& query) {
        return runProcess(QStringLiteral(VOQ_SQL_EXE), {"-S", QStringLiteral("file:") + serverDir(),
                                                        "-d", database, "-b", "-W", "-Q", query});
    }

    // Every row of every user table, and every procedure and view by name.
    QStringList snapshot(const QString& database) {
        auto c = schematest::connect(serverDir(), database);
        QStringList all = schematest::rowsOf(
            *c, QStringLiteral("SELECT name, xtype FROM sysobjects WHERE xtype IN ('U', 'P', 'V') "
                               "ORDER BY name"));
        for (const QString& row : QStringList(all)) {
            if (!row.endsWith(QStringLiteral("|U")))
                continue;
            const QString table = row.section(u'|', 0, 0);
            for (const QString& r :
                 schematest::rowsOf(*c, QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table)))
                all << table + u':' + r;
        }
        return all;
    }

    QTemporaryDir dir_;
};

TEST_F(InstallDemoTest, InstallsFromNothingAndASecondRunChangesNothing) {
    const Outcome first = install();
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QStringList config = snapshot(QStringLiteral("VOQ_CONFIG"));
    const QStringList demo = snapshot(QStringLiteral("DEMO"));
    ASSERT_GT(demo.size(), 500);

    const Outcome second = install();
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(snapshot(QStringLiteral("VOQ_CONFIG")), config);
    EXPECT_EQ(snapshot(QStringLiteral("DEMO")), demo);
}

TEST_F(InstallDemoTest, VoqSqlReadsTheDemoCompany) {
    ASSERT_EQ(install().exitCode, 0);

    const Outcome company = voqSql(
        QStringLiteral("VOQ_CONFIG"),
        QStringLiteral("SELECT P.Code, O.DatabaseName FROM CompanyConfig C INNER JOIN DatabaseList "
                       "O ON O.Company = C.Company INNER JOIN Company P ON P.Id = O.Company"));
    ASSERT_EQ(company.exitCode, 0) << company.err.toStdString();
    EXPECT_TRUE(company.out.contains(QStringLiteral("DEMO DEMO")));

    const Outcome units = voqSql(
        QStringLiteral("DEMO"),
        QStringLiteral("SELECT P.ThaiName, U.UnitName, U.Fraction FROM ProductUnits U INNER JOIN "
                       "Product P ON P.Id = U.Product WHERE P.Code = 'P002' ORDER BY U.Fraction"));
    ASSERT_EQ(units.exitCode, 0) << units.err.toStdString();
    EXPECT_TRUE(units.out.contains(QStringLiteral("บะหมี่กึ่งสำเร็จรูป รสต้มยำกุ้ง ซอง")));
    EXPECT_TRUE(units.out.contains(QStringLiteral("กล่อง 30")));
}

TEST_F(InstallDemoTest, TheDemoHoldsSixYearsOfDocumentsAndTheirBalances) {
    ASSERT_EQ(install().exitCode, 0);
    auto c = schematest::connect(serverDir(), QStringLiteral("DEMO"));
    const int year = QDate::currentDate().year();
    EXPECT_EQ(schematest::scalarOf(*c, QStringLiteral("SELECT Min(AccountYear), Max(AccountYear) "
                                                      "FROM accountperiod")),
              QStringLiteral("%1|%2").arg(year - 5).arg(year));
    EXPECT_EQ(schematest::scalarOf(*c, QStringLiteral("SELECT Count(*) FROM MrHd WHERE DocDate > "
                                                      "GetDate()")),
              QStringLiteral("0"));
    EXPECT_GE(schematest::scalarOf(*c, QStringLiteral("SELECT Count(DISTINCT Year(DocDate)) FROM "
                                                      "IvHd"))
                  .toInt(),
              5);
    EXPECT_EQ(schematest::scalarOf(
                  *c, QStringLiteral("SELECT Count(DISTINCT BalanceYear) FROM ProductOnHand")),
              QStringLiteral("6"));
    EXPECT_EQ(schematest::scalarOf(
                  *c, QStringLiteral("SELECT Count(DISTINCT BalanceYear) FROM CustomerBalance")),
              QStringLiteral("6"));
    EXPECT_GT(schematest::scalarOf(*c, QStringLiteral("SELECT Count(*) FROM IvHd WHERE CancelFlag "
                                                      "= 'Y'"))
                  .toInt(),
              0);

    // The stored balances are what a fresh run computes.
    const QString onHand = QStringLiteral(
                               "SELECT Product, ProductUnits, Warehouse, Quantity FROM "
                               "ProductOnHand WHERE BalanceYear = "
                               "%1 ORDER BY 1, 2, 3")
                               .arg(year);
    const QStringList stored = schematest::rowsOf(*c, onHand);
    c->execute(QStringLiteral("EXEC Calculate_OnHand %1").arg(year));
    EXPECT_EQ(schematest::rowsOf(*c, onHand), stored);
}

// The sqlite3 shell checks and rebuilds the demo's files with the engine's collation loaded
// from the build's extension, and the engine finds the same rows afterwards; without the
// extension the shell refuses the text indexes.
TEST_F(InstallDemoTest, TheSqliteShellChecksAndReindexesTheDemoWithTheEnginesExtension) {
    ASSERT_EQ(install().exitCode, 0);
    const QString file = serverDir() + QStringLiteral("/DEMO.sqlite");
    auto shell = [&](const QString& sql) {
        return runProcess(
            QStringLiteral("sqlite3"),
            {"-cmd", QStringLiteral(".load ") + QStringLiteral(VOQ_SQLITE_EXTENSION), file, sql});
    };
    const QString units = QStringLiteral(
        "SELECT P.Code, U.UnitName FROM ProductUnits U INNER JOIN Product P ON P.Id = U.Product "
        "WHERE U.UnitName = N'ลัง' OR U.UnitName >= N'ข' ORDER BY U.UnitName, P.Code");
    const QString first = QStringLiteral(
        "SELECT Product, UnitName FROM ProductUnits WHERE Product = 1 AND UnitName = N'ลัง'");
    auto answers = [&] {
        auto c = schematest::connect(serverDir(), QStringLiteral("DEMO"));
        return schematest::rowsOf(*c, units) + schematest::rowsOf(*c, first);
    };
    const QStringList before = answers();
    ASSERT_GT(before.size(), 3);

    const Outcome check = shell(QStringLiteral("PRAGMA integrity_check"));
    EXPECT_EQ(check.exitCode, 0) << check.err.toStdString();
    EXPECT_EQ(check.out, QStringLiteral("ok\n"));
    const Outcome rebuilt = shell(QStringLiteral("REINDEX"));
    EXPECT_EQ(rebuilt.exitCode, 0) << rebuilt.err.toStdString();
    EXPECT_EQ(answers(), before);
    EXPECT_EQ(shell(QStringLiteral("PRAGMA integrity_check")).out, QStringLiteral("ok\n"));

    const Outcome plain = runProcess(QStringLiteral("sqlite3"), {file, QStringLiteral("REINDEX")});
    EXPECT_NE(plain.exitCode, 0);
    EXPECT_TRUE(plain.err.contains(QStringLiteral("no such collation sequence: THAI_CI_AS")))
        << plain.err.toStdString();
}

}  // namespace
