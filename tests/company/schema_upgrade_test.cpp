// The schema upgrade scripts and the program-version registry.
#include <QSet>

#include "EngineFixture.h"
#include "company/SchemaUpgrade.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "dbcore/Error.h"
#include "sqlscript/SqlScript.h"
#include "ui/MessageBox.h"

namespace {

// Every column the two scripts add, as table.column.
QSet<QString> addedColumns() {
    QSet<QString> out;
    auto add = [&](const QString& table, const QStringList& columns) {
        for (const QString& c : columns)
            out << (table + "." + c).toUpper();
    };
    add("Config", {"CheckUserWarehouseFlag", "CheckUserSubtypeFlag", "MainCurrencyId",
                   "ShowProductPriceList"});
    add("Product", {"CheckSerialPurc", "CheckSerialSale", "CheckSerialStock", "CheckSerialOnhand",
                    "ProductFree"});
    add("SystemForm", {"Subtype"});
    add("Employee", {"Address1", "PhoneNo"});
    add("Vendor", {"VendorImport"});
    for (const char* t :
         {"PoRQHd",   "Pohd",    "Pchd",    "Mrhd",        "Prhd",      "Vcnhd",    "Vdnhd",
          "QuoHd",    "SoHd",    "IvHd",    "PosHd",       "PosHeader", "SrHd",     "PoSrHd",
          "CcnHd",    "CdnHd",   "RcptChq", "PaidChq",     "RcDt",      "MiscRcDt", "PdDt",
          "MiscPdDt", "PrePaid", "PreRcpt", "PaidCustomer"})
        add(t, {"CurrencyId", "Rate"});
    for (const char* t :
         {"PoRQHd", "Pohd", "Pchd", "Mrhd", "Prhd", "Vcnhd", "Vdnhd", "QuoHd", "SoHd", "IvHd",
          "PosHd", "PosHeader", "SrHd", "PoSrHd", "CcnHd", "CdnHd", "PrePaid", "PreRcpt"})
        add(t, {"Scrap", "Part"});
    add("VendorBalance", {"CurrencyId", "MainCurrencyAmount"});
    add("CustomerBalance", {"CurrencyId", "MainCurrencyAmount"});
    add("IvHd", {"Driver"});
    for (const char* t : {"IsHd", "RiHd", "PreIsHd"})
        add(t, {"Transportation", "Driver"});
    for (const char* t : {"RcHd", "MiscRcHd", "PdHd", "MiscPdHd"})
        add(t, {"CashCurrencyId", "CashRate", "BankCurrencyId", "BankRate", "CashScrap", "CashPart",
                "BankScrap", "BankPart"});
    add("RcHd", {"PrettyCash"});
    add("MiscRcHd", {"PrettyCash"});
    add("CurrencyEx", {"PurcScrap", "PurcPart", "SaleScrap", "SalePart"});
    add("CheckVersionProgramEXE", {"Id", "ProgramEXE", "Version", "LastUpdate"});
    add("UserWarehouse", {"Id", "UserName", "Warehouse", "LastUpdate"});
    add("UserSubtype", {"Id", "UserName", "Subtype", "LastUpdate"});
    return out;
}

}  // namespace

class SchemaUpgradeTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        early = std::make_unique<db::Connection>("EARLY");
        early->params().add("DATABASE NAME=" + QString(kCompany));
        addServerParams(early->params());
    }
    void TearDown() override {
        early.reset();
        EngineTest::TearDown();
    }

    // Runs DM's two scripts on a connection without DM's after-connect step, which needs the
    // very columns the scripts add. Statements the embedded engine cannot run yet are passed
    // over and named in the result, so the test can report them; every other error fails.
    QStringList upgrade() {
        TDM lines;
        QStringList gaps;
        for (TSQLScript* source : {lines.SQLUpdateConfig, lines.SQLUpdate}) {
            TSQLScript script;
            script.DatabaseName = "EARLY";
            script.setSQL(source->SQL());
            script.OnScriptError = [&](TSQLScript&, db::Error& e, int, int statementNo,
                                       TScriptAction& action) {
                if (e.nativeError() != kEngineLacksConstruct)
                    return;
                gaps << QString("%1 statement %2: %3")
                            .arg(source->objectName())
                            .arg(statementNo + 1)
                            .arg(e.message());
                action = TScriptAction::ScriptActionIgnore;
            };
            script.ExecSQL();
        }
        return gaps;
    }
    static constexpr int kEngineLacksConstruct = 40000;

    QSet<QString> columns() {
        QSet<QString> out;
        for (const QString& r :
             rows(kCompany,
                  "select o.name, c.name from sysobjects o inner join syscolumns c on "
                  "c.id = o.id"))
            out << r.section('|', 0, 0).toUpper() + "." + r.section('|', 1, 1).toUpper();
        return out;
    }
    QStringList catalogue() {
        QStringList out = columns().values();
        out << rows(kCompany, "select name from sysobjects")
            << rows(kCompany, "select name from sysindexes");
        out.sort();
        return out;
    }
    QStringList data() {
        return rows(kCompany, "select * from Config") +
               rows(kCompany, "select * from Product order by Id");
    }

    std::unique_ptr<db::Connection> early;
};

TEST_F(SchemaUpgradeTest, TheScriptsHoldFourAndOneHundredNineteenStatements) {
    TDM dm;
    auto count = [](TSQLScript* s) {
        int statements = 0;
        for (const QString& line : s->SQL())
            statements += line.trimmed() == "/";
        return statements;
    };
    EXPECT_EQ(count(dm.SQLUpdateConfig), 4);
    EXPECT_EQ(count(dm.SQLUpdate), company::kSqlUpdateStatements);
    EXPECT_FALSE(dm.SQLUpdate->SQL().join("\n").contains(';')) << "a semicolon would split";
}

TEST_F(SchemaUpgradeTest, AnEarlierCompanyGetsEveryColumnTableConstraintAndIndex) {
    runFile(kCompany, sourcePath("tests/company/early_company.sql"));
    const QSet<QString> before = columns();
    ASSERT_FALSE(before.isEmpty());
    const QStringList gaps = upgrade();
    const QSet<QString> added = columns() - before;
    EXPECT_EQ(added - addedColumns(), QSet<QString>()) << "columns nobody asked for";
    EXPECT_EQ(addedColumns() - added, QSet<QString>()) << "columns missing";

    const QStringList indexes = rows(kCompany, "select name from sysindexes");
    EXPECT_TRUE(indexes.contains("CheckVersionProgramIndexProgramEXE", Qt::CaseInsensitive));
    EXPECT_TRUE(indexes.contains("IvHdindexDriver", Qt::CaseInsensitive));

    // Defaults of the new flags and of the main currency.
    EXPECT_EQ(rows(kCompany,
                   "select CheckUserWarehouseFlag, CheckUserSubtypeFlag, "
                   "MainCurrencyId from Config"),
              QStringList{"N|N|2"});
    EXPECT_EQ(rows(kCompany,
                   "select Code, CheckSerialPurc, CheckSerialSale, CheckSerialStock, "
                   "CheckSerialOnhand from Product order by Id"),
              QStringList({"P-SERIAL|Y|Y|Y|Y", "P-PLAIN|N|N|N|N", "P-NULL|NULL|NULL|NULL|NULL"}));

    // The registry holds one row per program name.
    runScript(kCompany, "insert into CheckVersionProgramEXE (ProgramEXE, Version) values ('A', 1)");
    EXPECT_THROW(runScript(kCompany,
                           "insert into CheckVersionProgramEXE (ProgramEXE, Version) "
                           "values ('A', 2)"),
                 db::Error);
    const QStringList objects = rows(kCompany, "select name from sysobjects");
    for (const char* name : {"CheckVersionProgramEXE", "UserWarehouse", "UserSubtype",
                             "DuplicateUserWarehouseId", "DuplicateUserSubtypeId"})
        EXPECT_TRUE(objects.contains(QString::fromLatin1(name), Qt::CaseInsensitive)) << name;
    EXPECT_FALSE(objects.contains("DuplicateCustomerBalance", Qt::CaseInsensitive));

    // The two statements that re-make the balances' constraints.
    if (!gaps.isEmpty())
        GTEST_SKIP() << "the embedded engine cannot run: " << gaps.join("; ").toStdString();
    for (const char* name : {"CurrencyId_Refer_VendorBalance", "CurrencyId_Refer_CustomerBalance"})
        EXPECT_TRUE(objects.contains(QString::fromLatin1(name), Qt::CaseInsensitive)) << name;
    // The re-made constraints act: the vendor balance's currency must be a Misc row, and a
    // customer may now carry two balances of a year (one per currency).
    QString message;
    try {
        runScript(kCompany, "update VendorBalance set CurrencyId = 999");
    } catch (const db::Error& e) {
        message = e.message();
    }
    EXPECT_TRUE(message.contains("FOREIGN KEY", Qt::CaseInsensitive)) << message.toStdString();
    runScript(kCompany,
              "insert into Customer (Code) values ('C1')\n"
              "insert into CustomerBalance (Customer, YearNo, CurrencyId) values (1, 2024, 1)\n"
              "insert into CustomerBalance (Customer, YearNo, CurrencyId) values (1, 2024, 2)");
    EXPECT_THROW(runScript(kCompany,
                           "insert into CustomerBalance (Customer, YearNo, CurrencyId) "
                           "values (1, 2024, 77)"),
                 db::Error);
}

TEST_F(SchemaUpgradeTest, ASecondRunChangesNothing) {
    runFile(kCompany, sourcePath("tests/company/early_company.sql"));
    upgrade();
    runScript(kCompany,
              "update Product set UseSerial = 'Y' where Code = 'P-PLAIN'\n"
              "update Config set CheckUserSubtypeFlag = 'Y'");
    const QStringList schema = catalogue();
    const QStringList rowsBefore = data();
    EXPECT_EQ(upgrade(), QStringList()) << "every guard holds on the second run";
    EXPECT_EQ(catalogue(), schema);
    EXPECT_EQ(data(), rowsBefore) << "flags already set keep their values";
}

TEST_F(SchemaUpgradeTest, TheDemoCompanyIsAlreadyAtTheLevel) {
    installDemoCompany();
    const QStringList schema = catalogue();
    const QStringList rowsBefore = data();
    EXPECT_EQ(upgrade(), QStringList()) << "every statement's guard holds on the demo company";
    EXPECT_EQ(catalogue(), schema);
    EXPECT_EQ(data(), rowsBefore);
}

TEST_F(SchemaUpgradeTest, AFailingStatementEndsTheScriptWithTheServersWordsAndLineNumber) {
    runFile(kCompany, sourcePath("tests/company/early_company.sql"));
    runScript(kCompany, "drop table Employee");
    try {
        upgrade();
        FAIL() << "the upgrade of a company without Employee must fail";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().contains("Employee", Qt::CaseInsensitive))
            << e.message().toStdString();
    }
    // The statements before the failing one stay applied.
    EXPECT_TRUE(columns().contains("SYSTEMFORM.SUBTYPE"));
    EXPECT_FALSE(columns().contains("VENDOR.VENDORIMPORT"));
}

// CheckVersionProgramEXE on the demo installation.
class VersionRegistryTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        installDemoCompany();
        installConfig();
        createModules();
        ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
            messages << r.text;
            return true;
        });
    }
    void TearDown() override {
        ui::setMessageBoxResponder({});
        EngineTest::TearDown();
    }
    QString stored(const QString& name) {
        return scalar(kCompany, "select Version from CheckVersionProgramEXE where ProgramEXE = '" +
                                    name + "'");
    }
    QString lastUpdate(const QString& name) {
        return scalar(
            kCompany,
            "select LastUpdate from CheckVersionProgramEXE where ProgramEXE = '" + name + "'");
    }

    QStringList messages;
};

TEST_F(VersionRegistryTest, ANewNameIsRegisteredAndRaisedToItsVersion) {
    EXPECT_TRUE(dm->CheckVersionProgramEXE("VOQRECALC.EXE", 5));
    EXPECT_EQ(stored("VOQRECALC.EXE"), "5");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(VersionRegistryTest, AnOlderCopyIsRefusedAndTheRegistryKeepsTheHigherNumber) {
    ASSERT_TRUE(dm->CheckVersionProgramEXE("VOQRECALC.EXE", 7));
    EXPECT_FALSE(dm->CheckVersionProgramEXE("VOQRECALC.EXE", 6));
    EXPECT_EQ(stored("VOQRECALC.EXE"), "7");
    EXPECT_EQ(
        messages,
        QStringList{QStringLiteral("โปรแกรม VOQRECALC.EXE เป็นตัวเก่า กรุณา Update Program ด้วย")});
}

TEST_F(VersionRegistryTest, AnEqualVersionPassesAndLeavesTheRowAlone) {
    writeServerClock("fixed 2024-06-30 10:00:00");
    ASSERT_TRUE(dm->CheckVersionProgramEXE("VOQRECALC.EXE", 4));
    const QString first = lastUpdate("VOQRECALC.EXE");
    writeServerClock("fixed 2024-07-01 09:00:00");
    EXPECT_TRUE(dm->CheckVersionProgramEXE("VOQRECALC.EXE", 4));
    EXPECT_EQ(lastUpdate("VOQRECALC.EXE"), first);
    EXPECT_EQ(first, "2024-06-30 10:00:00");
    // A rise moves LastUpdate to the server's clock.
    EXPECT_TRUE(dm->CheckVersionProgramEXE("VOQRECALC.EXE", 8));
    EXPECT_EQ(lastUpdate("VOQRECALC.EXE"), "2024-07-01 09:00:00");
}

TEST_F(VersionRegistryTest, AVersionBelowOneRegistersOneAndIsRefused) {
    EXPECT_FALSE(dm->CheckVersionProgramEXE("NEWPROG", 0));
    EXPECT_EQ(stored("NEWPROG"), "1");
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(VersionRegistryTest, ANameLongerThanThirtyCharactersFails) {
    EXPECT_THROW(dm->CheckVersionProgramEXE(QString(31, 'P'), 1), db::Error);
}

TEST_F(VersionRegistryTest, FranchiseFollowsTheBranchRow) {
    EXPECT_TRUE(dm->CheckVersionProgramEXE("VOQRECALC.EXE", 1));
    EXPECT_FALSE(dm->Franchise) << "branch 00 of the demo is no franchise";
    runScript("VOQ_CONFIG",
              "insert into Branch (BranchCode, BranchName, Franchise) values ('F1', "
              "'Franchise', 'Y')");
    runScript(kCompany, "update Config set BranchCode = 'F1'");
    EXPECT_TRUE(dm->CheckVersionProgramEXE("VOQRECALC.EXE", 1));
    EXPECT_TRUE(dm->Franchise);
    runScript(kCompany, "update Config set BranchCode = 'NOROW'");
    EXPECT_TRUE(dm->CheckVersionProgramEXE("VOQRECALC.EXE", 1));
    EXPECT_FALSE(dm->Franchise) << "a branch without a row is no franchise";
}
