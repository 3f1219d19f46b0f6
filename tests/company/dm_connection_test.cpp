// The company connection: its parameter list, the values read once it stands, the splash.
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "EngineFixture.h"
#include "app/Fr_FormLogo.h"
#include "company/ErrorTranslation.h"
#include "company/Fr_ShowError.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "dbcore/Error.h"
#include "db/Query.h"
#include "sqlscript/SqlScript.h"
#include "ui/Application.h"

namespace {

// The tables the connection's three queries read, at the level the suite expects.
const char* kCompanyTables = R"(
CREATE TYPE IdNo FROM int NULL
GO
CREATE TYPE CharFlag FROM char(1) NULL
GO
CREATE TABLE Misc (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, GroupCode varchar(20) NOT NULL,
                   Code varchar(20) NOT NULL, Description nvarchar(100) NULL, OrderNo int NULL)
GO
CREATE TABLE Config (Id int NOT NULL PRIMARY KEY, BranchCode varchar(10) NULL,
                     IvRefSO CharFlag NULL, MrRefPO CharFlag NULL, EditPricePO CharFlag NULL,
                     ShowProductPriceList CharFlag NULL, CheckUserWarehouseFlag CharFlag NULL,
                     CheckUserSubtypeFlag CharFlag NULL, MainCurrencyId IdNo NULL)
GO
CREATE TABLE accountperiod (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, AccountYear int NOT NULL)
GO
CREATE TABLE CurrencyEx (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, Currency IdNo NOT NULL,
                         ExchangeDate datetime NOT NULL, PurcRate decimal(20,6) NULL,
                         SaleRate decimal(20,6) NULL, PurcScrap decimal(20,6) NULL,
                         PurcPart decimal(20,6) NULL, SaleScrap decimal(20,6) NULL,
                         SalePart decimal(20,6) NULL)
GO
INSERT INTO Misc (GroupCode, Code, Description, OrderNo) VALUES ('CURRENCY', 'THB', N'บาท', 1)
INSERT INTO Misc (GroupCode, Code, Description, OrderNo) VALUES ('CURRENCY', 'USD', N'ดอลลาร์สหรัฐ', 2)
INSERT INTO accountperiod (AccountYear) VALUES (2022)
INSERT INTO accountperiod (AccountYear) VALUES (2024)
INSERT INTO accountperiod (AccountYear) VALUES (2023)
)";

}  // namespace

class DmConnectionTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        runScript(kCompany, kCompanyTables);
    }
    void config(const QString& values) {
        runScript(kCompany,
                  "INSERT INTO Config (Id, IvRefSO, MrRefPO, EditPricePO, "
                  "ShowProductPriceList, MainCurrencyId) VALUES (1, " +
                      values + ")");
    }
};

TEST_F(DmConnectionTest, ConnectingFillsTheCompanyColumnOfTheParameterListAfresh) {
    config("'Y', 'Y', 'Y', 'Y', 1");
    createModules();
    dm->DMdata->params().add("STALE=1");
    dm->DMdata->open();
    // The command line's third parameter, blanks and tab removed, letter case kept.
    EXPECT_EQ(dm->CompanyDatabase, "Demo_Co");
    const QStringList lines = dm->DMdata->params().lines();
    ASSERT_EQ(lines.size(), 24);
    EXPECT_EQ(lines[0], "DATABASE NAME=Demo_Co");
    EXPECT_EQ(lines[1], "SERVER NAME=" + server());
    EXPECT_EQ(lines[2], "USER NAME=voq");
    EXPECT_EQ(lines[8], "SQLPASSTHRU MODE=SHARED AUTOCOMMIT");
    EXPECT_EQ(lines[11], "MAX QUERY TIME=2400");
    EXPECT_EQ(lines[23], "PASSWORD=marigold");
}

TEST_F(DmConnectionTest, WithoutAServerInServerDatTheDefaultServerIsNamed) {
    createModules();
    for (bool fileExists : {false, true}) {
        QFile::remove(dir.filePath("Server.Dat"));
        if (fileExists)
            writeServerDat("");
        EXPECT_THROW(dm->DMdata->open(), db::Error);
        EXPECT_EQ(dm->DMdata->params().lines().value(1),
                  QStringLiteral("SERVER NAME=") + VOQ_DEFAULT_SERVER);
    }
}

TEST_F(DmConnectionTest, OnlyAnUpperCaseYSetsAFlag) {
    config("'Y', 'y', 'N', NULL, 2");
    createModules();
    dm->DMdata->open();
    EXPECT_TRUE(dm->IvRefSO);
    EXPECT_FALSE(dm->MrRefPO);
    EXPECT_FALSE(dm->EditPricePO);
    EXPECT_FALSE(dm->ShowProductPriceList);
    EXPECT_EQ(dm->MainCurrencyId, 2);
    EXPECT_EQ(dm->MainCurrencyName, QStringLiteral("ดอลลาร์สหรัฐ"));
    EXPECT_EQ(dm->QConfig->fieldByName("MainCurrencyCode").asString(), "USD");
}

TEST_F(DmConnectionTest, ALongerWordOrABlankAroundYIsNoFlag) {
    runScript(kCompany,
              "DROP TABLE Config\nGO\n"
              "CREATE TABLE Config (Id int NOT NULL PRIMARY KEY, BranchCode varchar(10) NULL, "
              "IvRefSO varchar(10) NULL, MrRefPO varchar(10) NULL, EditPricePO varchar(10) NULL, "
              "ShowProductPriceList varchar(10) NULL, MainCurrencyId int NULL)");
    config("'YES', 'Y ', ' Y', 'Y', 1");
    createModules();
    dm->DMdata->open();
    EXPECT_FALSE(dm->IvRefSO);
    EXPECT_FALSE(dm->MrRefPO);
    EXPECT_FALSE(dm->EditPricePO);
    EXPECT_TRUE(dm->ShowProductPriceList);
}

TEST_F(DmConnectionTest, NullMainCurrencyReadsAsZeroAndEmptyName) {
    config("'N', 'N', 'N', 'N', NULL");
    createModules();
    dm->DMdata->open();
    EXPECT_EQ(dm->MainCurrencyId, 0);
    EXPECT_TRUE(dm->MainCurrencyName.isEmpty());
}

TEST_F(DmConnectionTest, AfterConnectOpensThePeriodsAndCurrenciesAndFreesTheSplash) {
    config("'N', 'N', 'N', 'N', 1");
    createModules();
    FormLogo = new TFormLogo;
    dm->DMdata->open();
    EXPECT_EQ(FormLogo, nullptr);
    ASSERT_TRUE(dm->QchkPeriod->isActive());
    QStringList years;
    for (dm->QchkPeriod->first(); !dm->QchkPeriod->eof(); dm->QchkPeriod->next())
        years << dm->QchkPeriod->fieldByName("AccountYear").asString();
    EXPECT_EQ(years, QStringList({"2024", "2023", "2022"}));
    EXPECT_TRUE(dm->QMiscCurrency->isActive());
    EXPECT_EQ(dm->QMiscCurrency->recordCount(), 2);
    // A reconnect finds no splash and goes on.
    dm->DMdata->close();
    dm->DMdata->open();
    EXPECT_TRUE(dm->QConfig->isActive());
}

TEST_F(DmConnectionTest, AMissingConfigColumnFailsTheConnectAtThatStep) {
    runScript(kCompany, "DROP TABLE accountperiod");
    config("'Y', 'N', 'N', 'N', 1");
    createModules();
    FormLogo = new TFormLogo;
    EXPECT_THROW(dm->DMdata->open(), db::Error);
    EXPECT_FALSE(dm->IvRefSO) << "the steps after the failing one do not run";
    EXPECT_NE(FormLogo, nullptr);
    delete FormLogo;
    FormLogo = nullptr;
}

// The application-wide error handler with a reachable configuration database.
class ErrorLogTest : public DmConnectionTest {};

TEST_F(ErrorLogTest, AnUncaughtErrorIsLoggedAsRaisedAndShownTranslated) {
    installConfig();
    createModules();
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<TFrShowError*>(QApplication::activeModalWidget())) {
            shown = dialog->ErrorBox->toPlainText();
            dialog->BCancel->click();
        }
    });
    const QString message =
        "The DELETE statement conflicted with the REFERENCE constraint \"FK_x\". The conflict "
        "occurred in database \"Demo_Co\", table \"dbo.gldt\", column 'GlHd'.";
    ui::Application::instance()->handleException(db::Error(db::Error::Kind::Server, message, 547));
    EXPECT_EQ(shown, QStringLiteral("ข้อมูลที่ลบถูกอ้างโดยข้อมูลอื่น ไม่สามารถลบข้อมูลนี้ได้") + "\n" +
                         company::upperAscii(message) + "\n");
    EXPECT_EQ(rows("VOQ_CONFIG", "select username, menu, errormsg from errorlog"),
              QStringList{"7|501|" + message});
}

TEST_F(ErrorLogTest, AScriptErrorReportedAndPassedOverReachesTheHandler) {
    installConfig();
    createModules();
    int dialogs = 0;
    std::function<void()> closeNext = [&] {
        if (auto* dialog = qobject_cast<TFrShowError*>(QApplication::activeModalWidget())) {
            ++dialogs;
            dialog->BCancel->click();
        }
    };
    QTimer::singleShot(0, closeNext);
    runScript(kCompany, "create table T (N int not null)");
    config("'N', 'N', 'N', 'N', 1");
    TSQLScript script;
    script.DatabaseName = "DMDATA";
    script.setSQL({"insert into T values (NULL)", "/", "insert into T values (2)"});
    script.OnScriptError = [](TSQLScript&, db::Error&, int, int, TScriptAction& action) {
        action = TScriptAction::ScriptActionContinue;
    };
    script.ExecSQL();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(rows(kCompany, "select N from T"), QStringList{"2"});
    EXPECT_EQ(scalar("VOQ_CONFIG", "select count(*) from errorlog"), "1");
}
