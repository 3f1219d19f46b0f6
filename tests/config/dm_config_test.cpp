#include <QDir>

#include "EngineFixture.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "config/Workstation.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "dbcore/Error.h"
#include "ui/MessageBox.h"
#include "ui/ProcessEnd.h"

namespace {

// The configuration module against the demo installation's configuration database.
class DmConfigTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        installConfig();
        config = std::make_unique<TDMConfig>();
        ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
            shown << r.text;
            return true;
        });
    }
    void TearDown() override {
        ui::setMessageBoxResponder(nullptr);
        config.reset();
        EngineTest::TearDown();
    }
    void config_sql(const QString& sql) { runScript("VOQ_CONFIG", sql); }

    std::unique_ptr<TDMConfig> config;
    QStringList shown;
};

}  // namespace

TEST_F(DmConfigTest, ConnectsToVoqConfigWithTheConfigurationParameterList) {
    config->GetCompanyConfig("DEMO");
    const QStringList& lines = config->DmCfg->params().lines();
    ASSERT_EQ(lines.size(), 24);
    EXPECT_EQ(lines[0], "DATABASE NAME=VOQ_CONFIG");
    EXPECT_EQ(lines[1], "SERVER NAME=" + server());
    EXPECT_EQ(lines[11], "MAX QUERY TIME=600");
    EXPECT_EQ(config->DBMaster->params().value("DATABASE NAME"), "master");
    EXPECT_EQ(config->DBMaster->params().value("MAX QUERY TIME"), "1200");
    EXPECT_FALSE(config->DBMaster->isOpen()) << "the probe connection is closed again";

    config->DmCfg->close();
    config->DmCfg->open();
    EXPECT_EQ(config->DmCfg->params().count(), 24) << "rebuilt, not appended, on a reconnect";
}

TEST_F(DmConfigTest, AServerWithVoqConfigZulConnectsToIt) {
    createDatabase("VOQ_Config_ZUL");
    for (const char* f : {"schema/config/01_tables.sql", "schema/config/02_procedures.sql",
                          "schema/demo/config_data.sql"})
        runFile("VOQ_Config_ZUL", sourcePath(f));
    runScript("VOQ_Config_ZUL", "UPDATE Company SET NameThai = N'บริษัทในฐาน ZUL' WHERE Id = 1");
    config->GetCompanyConfig("DEMO");
    EXPECT_EQ(config->DmCfg->params().value("DATABASE NAME"), "VOQ_CONFIG_ZUL");
    EXPECT_EQ(config->NameThai, "บริษัทในฐาน ZUL");
}

TEST_F(DmConfigTest, CompanySettingsOfALowerCaseName) {
    config_sql(
        "UPDATE Company SET Address1 = N'  123/45 ถนนสุขุมวิท ', Address2 = NULL, "
        "Zip = ' 10110 ' WHERE Id = 1");
    config->GetCompanyConfig("demo");
    EXPECT_EQ(config->CompanyDbName, "DEMO");
    EXPECT_EQ(config->CompanyId, 1);
    EXPECT_EQ(config->NameThai, "บริษัท สยามเทรดดิ้ง จำกัด");
    EXPECT_EQ(config->CompanyNameThai, config->NameThai);
    EXPECT_EQ(config->DefaultWH, 1);
    EXPECT_EQ(config->Pos1_TaxCode, "V7");
    EXPECT_EQ(config->Pos1_PriceType, 1);
    EXPECT_TRUE(config->Pos1_SumDetail);
    EXPECT_EQ(config->DefaultPosComPort, "COM1");
    EXPECT_EQ(config->AddressLine1, "123/45 ถนนสุขุมวิท  เขตคลองเตย")
        << "an empty ADDRESS2 leaves two blanks";
    EXPECT_EQ(config->AddressLine2, "กรุงเทพมหานคร 10110 เลขประจำตัวผู้เสียภาษี 0105551234567");
    EXPECT_TRUE(config->QCompany->isActive());
    EXPECT_EQ(config->QCompany->fieldByName("TaxBranchHead").asString(), "Y");
    EXPECT_TRUE(config->QSoftware->isActive());
}

TEST_F(DmConfigTest, FlagsOnlyOnCapitalYAndNullNumbersReadAsZero) {
    config_sql(
        "UPDATE CompanyConfig SET POS1_SumDetail = 'y', DefaultWh = NULL, "
        "POS1_TaxCode = NULL WHERE Company = 1");
    config->GetCompanyConfig("DEMO");
    EXPECT_FALSE(config->Pos1_SumDetail);
    EXPECT_EQ(config->DefaultWH, 0);
    EXPECT_EQ(config->Pos1_TaxCode, "");
}

TEST_F(DmConfigTest, UnknownCompanyShowsTheUpperCaseNameAndEndsTheProcess) {
    try {
        config->GetCompanyConfig("nowhere");
        FAIL() << "no end";
    } catch (const ui::ProcessEnd& end) {
        EXPECT_EQ(end.exitCode(), 0);
    }
    EXPECT_EQ(shown, QStringList({"Not Found Database : NOWHERE"}));
}

TEST_F(DmConfigTest, ACompanyWithoutCompanyConfigIsNotFound) {
    config_sql("DELETE FROM CompanyConfig");
    EXPECT_THROW(config->GetCompanyConfig("DEMO"), ui::ProcessEnd);
}

TEST_F(DmConfigTest, ConnectingAddsTheMissingColumnsOnce) {
    config_sql(
        "DROP TABLE MenuRight\nGO\nDROP TABLE Menu\nGO\n"
        "CREATE TABLE Menu (Id int NOT NULL PRIMARY KEY, Caption nvarchar(100) NOT NULL,"
        " Command varchar(200) NULL, MenuOption varchar(50) NULL, ParentId int NULL)\nGO\n"
        "INSERT INTO Menu (Id, Caption, Command) VALUES (1, N'ก', 'A.EXE')\nGO\n"
        "INSERT INTO Menu (Id, Caption, Command) VALUES (2, N'ข', NULL)\nGO\n"
        "ALTER TABLE username DROP COLUMN UserSeeImport\nGO\n"
        "ALTER TABLE username DROP COLUMN UserSeeCost");
    config->DmCfg->open();
    EXPECT_EQ(rows("VOQ_CONFIG", "SELECT Id, Version FROM Menu ORDER BY Id"),
              QStringList({"1|3", "2|NULL"}));
    EXPECT_EQ(scalar("VOQ_CONFIG",
                     "SELECT Count(*) FROM SysColumns WHERE Name IN "
                     "('UserSeeImport', 'UserSeeCost') AND Id = OBJECT_ID('UserName')"),
              "2");
    config_sql("UPDATE Menu SET Version = 9 WHERE Id = 1");
    config->DmCfg->close();
    config->DmCfg->open();
    EXPECT_EQ(rows("VOQ_CONFIG", "SELECT Id, Version FROM Menu ORDER BY Id"),
              QStringList({"1|9", "2|NULL"}));
}

TEST_F(DmConfigTest, RightsOfAUserWithAccessComeFromTheGroup) {
    config_sql(
        "UPDATE Menu SET Caption = N'  คำนวน สินค้าคงเหลือ  ' WHERE Id = 503\nGO\n"
        "UPDATE username SET CanSeeCost = 'N', UserSeeCost = 'Y' WHERE Id = 1\nGO\n"
        "UPDATE username SET UserSeeCost = 'N', CanSetOtherUserPass = 'y' WHERE Id = 100");
    config->CheckRight(503, 1);
    EXPECT_EQ(config->MenuCaption, "คำนวน สินค้าคงเหลือ") << "trimmed";
    EXPECT_EQ(config->UserCode, "SOMCHAI");
    EXPECT_EQ(config->FullName, "สมชาย ใจดี");
    EXPECT_EQ(config->GroupId, 100);
    EXPECT_EQ(config->SalesId, 7);
    EXPECT_TRUE(config->ThaiLanguage);
    EXPECT_TRUE(config->AccessRight);
    EXPECT_TRUE(config->AddRight);
    EXPECT_TRUE(config->ModifyRight);
    EXPECT_FALSE(config->DeleteRight);
    EXPECT_TRUE(config->CanSeeCost) << "the group's flag, not the user's own";
    EXPECT_FALSE(config->UserSeeCost) << "the group's flag, not the user's own";
    EXPECT_FALSE(config->CanSetOtherUserPass) << "lower-case y is not yes";
    EXPECT_TRUE(config->Approve_PO);
    EXPECT_EQ(config->ExitProgramPrompt, "ออกจากโปรแกรม ?");
    EXPECT_EQ(config->SaveDataPrompt, "จัดเก็บข้อมูล ?");
    EXPECT_EQ(config->DeleteDataPrompt, "ลบข้อมูล ?");
    EXPECT_FALSE(config->QUser->isActive());
    EXPECT_FALSE(config->QUserGroupId->isActive());
}

TEST_F(DmConfigTest, TheUserCodeIsKeptAsTheServerReturnsIt) {
    config_sql("UPDATE username SET Code = '  somchai ' WHERE Id = 1");
    config->CheckRight(503, 1);
    EXPECT_EQ(config->UserCode, "  somchai ");
}

TEST_F(DmConfigTest, AUsersOwnRightsRowWinsOverTheGroups) {
    config->CheckRight(503, 2);
    EXPECT_FALSE(config->AccessRight);
    config_sql("INSERT INTO MenuRight (MenuId, UserId, Access_R) VALUES (503, 2, 'Y')");
    config->CheckRight(503, 2);
    EXPECT_TRUE(config->AccessRight);
    EXPECT_FALSE(config->AddRight);
}

TEST_F(DmConfigTest, AccessOnlyOnExactlyY) {
    for (const char* text : {"y", "", "N"}) {
        config_sql(QString("UPDATE MenuRight SET Access_R = '%1' WHERE UserId = 100").arg(text));
        config->CheckRight(501, 1);
        EXPECT_FALSE(config->AccessRight) << text;
    }
    config_sql("UPDATE MenuRight SET Access_R = NULL WHERE UserId = 100");
    config->CheckRight(501, 1);
    EXPECT_FALSE(config->AccessRight);
}

TEST_F(DmConfigTest, EnglishUserAndUnknownUser) {
    config->CheckRight(502, 3);
    EXPECT_FALSE(config->ThaiLanguage);
    EXPECT_TRUE(config->AccessRight);
    EXPECT_EQ(config->ExitProgramPrompt, "Exit Program ?");
    EXPECT_EQ(config->SaveDataPrompt, "Save Data ?");
    EXPECT_EQ(config->DeleteDataPrompt, "Delete Data ?");

    config_sql("UPDATE username SET LanguageNo = NULL WHERE Id = 1");
    config->CheckRight(502, 1);
    EXPECT_FALSE(config->ThaiLanguage) << "NULL counts as 0";

    config->CheckRight(502, 999);
    EXPECT_EQ(config->GroupId, 0);
    EXPECT_EQ(config->FullName, "");
    EXPECT_EQ(config->UserCode, "");
    EXPECT_FALSE(config->AccessRight);
    EXPECT_FALSE(config->CanSeeCost);
}

TEST_F(DmConfigTest, CheckVersionRefusesAnOlderProgramAndRaisesLowerEntries) {
    config_sql(
        "INSERT INTO Menu (Id, Caption, Command, Version) VALUES (701, N'อื่น', "
        "' voqrecalc.exe ', 1)\nGO\n"
        "INSERT INTO Menu (Id, Caption, Command, Version) VALUES (702, N'อื่น', "
        "'OTHER.EXE', 1)\nGO\n"
        "UPDATE Menu SET Version = 7 WHERE Id = 502");
    config->MenuId = 502;
    EXPECT_FALSE(config->CheckVersion(5));
    EXPECT_EQ(shown, QStringList({"กรุณา อัพเดท โปรแกรม Version ใหม่ด้วยค่ะ !!"}));

    shown.clear();
    config->MenuId = 503;
    EXPECT_TRUE(config->CheckVersion(5));
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(rows("VOQ_CONFIG", "SELECT Id, Version FROM Menu ORDER BY Id"),
              QStringList({"501|5", "502|7", "503|5", "601|1", "701|5", "702|1"}));

    config->MenuId = 999;
    EXPECT_FALSE(config->CheckVersion(5)) << "no such entry";
}

TEST_F(DmConfigTest, LogErrorWritesOneRowStampedByTheServer) {
    writeServerClock("fixed 2024-03-01 08:15:00");
    config->UserId = 3;
    config->MenuId = 503;
    config->LogError("Cannot insert duplicate key row in object 'dbo.Product'");
    EXPECT_EQ(rows("VOQ_CONFIG",
                   "SELECT CompName, LogName, username, menu, errordate, errormsg "
                   "FROM errorlog"),
              QStringList({LocalComputerName() + "|" + LocalUserName() +
                           "|3|503|2024-03-01 08:15:00|Cannot insert duplicate key row in "
                           "object 'dbo.Product'"}));
}

TEST_F(DmConfigTest, UnreachableServerFailsWithTheDriversMessage) {
    writeServerDat("file:" + dir.filePath("no/such/server").toUtf8());
    try {
        config->GetCompanyConfig("DEMO");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(DmConfigTest, AFailedConnectionSaysWhereTheServerNameCameFrom) {
    writeServerDat("127.0.0.1,1");
    try {
        config->GetCompanyConfig("DEMO");
        FAIL() << "a closed port connected";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().endsWith("The server name \"127.0.0.1,1\" is the first line of " +
                                         QDir::current().filePath("Server.Dat") + "."))
            << e.what();
    }
}
