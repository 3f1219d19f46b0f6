// A company database made by the schema scripts is already at the level the program's schema
// upgrade brings a company to: running the upgrade changes nothing.

#include "company/SchemaUpgrade.h"
#include "tests/schema/SchemaFixture.h"

namespace {

using schematest::CompanyTest;

// Statements of a script-runner text: lines up to a line that is "/" after trimming.
QStringList statementsOf(const QStringList& lines) {
    QStringList statements;
    QStringList current;
    for (const QString& line : lines) {
        if (line.trimmed() == QLatin1String("/")) {
            statements << current.join(u'\n');
            current.clear();
        } else {
            current << line;
        }
    }
    if (!current.join(QString()).trimmed().isEmpty())
        statements << current.join(u'\n');
    return statements;
}

class UpgradeTest : public CompanyTest {
protected:
    QStringList catalogue() {
        return rows(QStringLiteral(
                   "SELECT O.name, C.name FROM syscolumns C INNER JOIN sysobjects O ON O.id = "
                   "C.id ORDER BY O.name, C.name")) +
               rows(QStringLiteral("SELECT name FROM sysobjects ORDER BY name")) +
               rows(QStringLiteral("SELECT name FROM sysindexes ORDER BY name"));
    }
};

TEST_F(UpgradeTest, TheUpgradeScriptsFindNothingToDo) {
    exec(
        QStringLiteral("INSERT INTO Misc (GroupCode, Code) VALUES ('CURRENCY', 'THB')\n"
                       "INSERT INTO Config (Id, CheckUserWarehouseFlag, CheckUserSubtypeFlag, "
                       "MainCurrencyId) VALUES (1, 'N', 'N', 1)"));
    const QStringList before = catalogue();
    const QStringList config = rows(QStringLiteral("SELECT * FROM Config"));
    ASSERT_GT(before.size(), 500);

    const QStringList statements =
        statementsOf(company::sqlUpdateConfigLines()) + statementsOf(company::sqlUpdateLines());
    ASSERT_EQ(statements.size(), 4 + company::kSqlUpdateStatements);
    for (const QString& s : statements)
        ASSERT_NO_THROW(exec(s)) << s.toStdString();

    EXPECT_EQ(catalogue(), before);
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM Config")), config);
}

}  // namespace
