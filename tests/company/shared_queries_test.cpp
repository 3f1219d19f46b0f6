// The shared queries and services on a company database with the company schema.
#include "EngineFixture.h"
#include "company/ErrorTranslation.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "dbcore/Error.h"
#include "db/Query.h"
#include "db/StoredProc.h"
#include "sqlscript/SqlScript.h"

class SharedQueriesTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        installCompanySchema();
        runScript(kCompany,
                  "insert into Misc (GroupCode, Code, Description, OrderNo) values ('CURRENCY', "
                  "'USD', 'US dollar', 2)\n"
                  "insert into Misc (GroupCode, Code, Description, OrderNo) values ('CURRENCY', "
                  "'THB', 'Baht', 1)\n"
                  "insert into Misc (GroupCode, Code, Description, OrderNo) values ('CURRENCY', "
                  "'EUR', 'Euro', 3)\n"
                  "insert into Misc (GroupCode, Code, Description, OrderNo) values ('CITY', "
                  "'KKN', 'Khon Kaen', 3)\n"
                  "insert into Misc (GroupCode, Code, Description, OrderNo) values ('CITY', "
                  "'BKK', 'Bangkok', 1)\n"
                  "insert into Misc (GroupCode, Code, Description, OrderNo) values ('PRICETYPE', "
                  "'1', 'Retail', 1)\n"
                  "insert into Config (Id, BranchCode, MainCurrencyId) values (1, '00', 2)");
        createModules();
    }

    QString currencyId(const char* code) {
        return scalar(kCompany, QString("select Id from Misc where GroupCode = 'CURRENCY' and "
                                        "Code = '%1'")
                                    .arg(code));
    }
    QString checkDigit(const QString& barcode) {
        db::Query* q = dm->QGetChkDigitBarcode;
        q->close();
        q->paramByName("Barcode").setAsString(barcode);
        q->open();
        const QString digit = q->fieldByName("ChkDigit").asString();
        q->close();
        return digit;
    }
};

TEST_F(SharedQueriesTest, ServerTimeFollowsTheServersClockNotTheClients) {
    writeServerClock("fixed 2031-01-02 03:04:05");
    const QDateTime first = dm->GetServerTime();
    EXPECT_EQ(first.toString("yyyy-MM-dd hh:mm:ss"), "2031-01-02 03:04:05");
    writeServerClock("fixed 2031-01-02 03:04:06");
    EXPECT_EQ(first.secsTo(dm->GetServerTime()), 1);
}

TEST_F(SharedQueriesTest, ActivityLogSendsEachTextToTheParameterOfItsName) {
    dm->AddActivityLog(4, 12, QStringLiteral("เริ่มคำนวณ"), "IvHd", "Tab1", "Price", "old 5");
    EXPECT_EQ(rows(kCompany,
                   "select UserId, MenuId, FunctionListId, DocumentId, Remark, "
                   "TableName, TabName, FieldName, Detail from UserLog"),
              QStringList{QStringLiteral("7|501|4|12|เริ่มคำนวณ|IvHd|Tab1|Price|old 5")});
}

TEST_F(SharedQueriesTest, ActivityLogAsTheTaskWindowsCallItSetsAllNineParameters) {
    dm->AddActivityLog(1, 0, QStringLiteral("START คำนวณยอดคงเหลือ"), "", "", "", "");
    EXPECT_EQ(rows(kCompany,
                   "select UserId, MenuId, FunctionListId, DocumentId, Remark, "
                   "TableName, TabName, FieldName, Detail from UserLog"),
              QStringList{QStringLiteral("7|501|1|0|START คำนวณยอดคงเหลือ||||")});
    for (const auto& p : dm->SpAddLogV2->params()) {
        if (p.direction() == db::ParamDirection::Input) {
            EXPECT_TRUE(p.isBound() && !p.isNull()) << p.name().toStdString();
        }
    }
}

TEST_F(SharedQueriesTest, ActivityLogWithoutTheConfigurationModuleIsAClearError) {
    cfg.reset();
    try {
        dm->AddActivityLog(1, 0, "x", "", "", "", "");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.message().contains("DmConfig")) << e.message().toStdString();
    }
}

TEST_F(SharedQueriesTest, CheckDigitOfEan13Codes) {
    EXPECT_EQ(checkDigit("123456789012"), "8");
    EXPECT_EQ(checkDigit("400638133393"), "1");  // 4006381333931
    EXPECT_EQ(checkDigit("590123412345"), "7");  // 5901234123457
    EXPECT_EQ(checkDigit("885123456785"), "0");  // weighted sum 87 + 33 = 120
    EXPECT_EQ(checkDigit("000000000000"), "0");
    EXPECT_EQ(checkDigit("9780201379624"), "4") << "characters after the twelfth are ignored";
}

TEST_F(SharedQueriesTest, CheckDigitOfANonDigitFailsOnTheServer) {
    EXPECT_THROW(checkDigit("12345A789012"), db::Error);
}

TEST_F(SharedQueriesTest, DelGLFindsADocumentNumberStoredWithTrailingBlanks) {
    runScript(kCompany,
              "insert into glhd (GlDate, GlFromDocId, GlFromDocNo) values ('2024-01-05', 5, "
              "'IV001   ')\n"
              "insert into glhd (GlDate, GlFromDocId, GlFromDocNo) values ('2024-01-05', 5, "
              "'IV002')\n"
              "insert into gldt (GlHd, AccountChart, Debit) values (1, '1100', 10)\n"
              "insert into gldt (GlHd, AccountChart, Credit) values (1, '4100', 10)\n"
              "insert into gldt (GlHd, AccountChart, Debit) values (2, '1100', 20)");
    dm->DelGL->ParamByName("id").setAsInteger(5);
    dm->DelGL->ParamByName("no").setAsString("IV001");
    dm->DelGL->ExecSQL();
    EXPECT_EQ(rows(kCompany, "select GlFromDocNo from glhd"), QStringList{"IV002"});
    EXPECT_EQ(rows(kCompany, "select GlHd from gldt"), QStringList{"2"});
}

TEST_F(SharedQueriesTest, DelGLKeepsTheDetailRowsWhenTheHeaderCannotGo) {
    runScript(kCompany,
              "create table GlLink (Id int not null primary key, GlHd IdNo not null references "
              "glhd (Id))\n"
              "GO\n"
              "insert into glhd (GlDate, GlFromDocId, GlFromDocNo) values ('2024-01-05', 9, "
              "'RC009')\n"
              "insert into gldt (GlHd, AccountChart, Debit) values (1, '1100', 10)\n"
              "insert into GlLink (Id, GlHd) values (1, 1)");
    dm->DelGL->ParamByName("id").setAsInteger(9);
    dm->DelGL->ParamByName("no").setAsString("RC009");
    try {
        dm->DelGL->ExecSQL();
        FAIL() << "the header is still referenced";
    } catch (const db::Error& e) {
        // The engine's words for it are among those the error handler translates.
        EXPECT_EQ(company::translateError(e.message()),
                  QStringLiteral("ข้อมูลที่ลบถูกอ้างโดยข้อมูลอื่น ไม่สามารถลบข้อมูลนี้ได้"))
            << e.message().toStdString();
    }
    EXPECT_EQ(scalar(kCompany, "select count(*) from glhd"), "1");
    EXPECT_EQ(scalar(kCompany, "select count(*) from gldt"), "1")
        << "the detail delete is rolled back with the failing header delete";
    EXPECT_FALSE(dm->DMdata->inTransaction());
}

TEST_F(SharedQueriesTest, EveryCurrencyShowsItsOwnLatestRateUpToToday) {
    writeServerClock("fixed 2024-06-15 14:30:00");
    const QString thb = currencyId("THB"), usd = currencyId("USD");
    runScript(kCompany,
              "insert into CurrencyEx (Currency, ExchangeDate, PurcRate, SaleRate) values (" + thb +
                  ", '2024-01-01', 1, 1)\n"
                  "insert into CurrencyEx (Currency, ExchangeDate, PurcRate, SaleRate) values (" +
                  usd +
                  ", '2024-05-01', 35.5, 36)\n"
                  "insert into CurrencyEx (Currency, ExchangeDate, PurcRate, SaleRate) values (" +
                  usd +
                  ", '2024-06-15', 36.25, 36.75)\n"
                  "insert into CurrencyEx (Currency, ExchangeDate, PurcRate, SaleRate) values (" +
                  usd + ", '2024-06-16', 99, 99)");
    db::Query* q = dm->QMiscCurrency;
    q->close();
    q->open();
    QStringList out;
    for (q->first(); !q->eof(); q->next())
        out << q->fieldByName("Code").asString() + ":" +
                   (q->fieldByName("PurcRate").isNull()
                        ? QString("NULL")
                        : QString::number(q->fieldByName("PurcRate").asFloat())) +
                   "/" +
                   (q->fieldByName("SaleRate").isNull()
                        ? QString("NULL")
                        : QString::number(q->fieldByName("SaleRate").asFloat()));
    EXPECT_EQ(out, QStringList({"THB:1/1", "USD:36.25/36.75", "EUR:NULL/NULL"}));
}

TEST_F(SharedQueriesTest, CodeListsKeepToTheirGroupInCodeOrder) {
    dm->QProvince->open();
    QStringList codes;
    for (; !dm->QProvince->eof(); dm->QProvince->next())
        codes << dm->QProvince->fieldByName("code").asString();
    EXPECT_EQ(codes, QStringList({"BKK", "KKN"}));
    // Its first line begins with a carriage return.
    dm->QPriceLevel->open();
    EXPECT_EQ(dm->QPriceLevel->recordCount(), 1);
    EXPECT_EQ(dm->QPriceLevel->fieldByName("Description").asString(), "Retail");
}

TEST_F(SharedQueriesTest, CancelledPosLineNamesTheApprovingUserFromTheConfigurationDatabase) {
    createDatabase("VOQ_Config_ZUL");
    runScript("VOQ_Config_ZUL",
              "create table UserName (Id int not null primary key, Code "
              "varchar(20))\nGO\ninsert into UserName values (3, 'MANAGER')");
    writeServerClock("fixed 2024-03-01 08:00:00");
    db::Query* q = dm->QAddPosLog;
    q->paramByName("CancelType").setAsString("VOID");
    q->paramByName("PosShiftNo").setAsInteger(17);
    q->paramByName("Product").setAsInteger(100);
    q->paramByName("ProductUnits").setAsInteger(200);
    q->paramByName("Quantity").setAsFloat(2.5);
    q->paramByName("Price").setAsFloat(19.75);
    q->paramByName("UserCode").setAsString("CASHIER1");
    q->paramByName("UserApprovedId").setAsInteger(3);
    q->execSql();
    EXPECT_EQ(rows(kCompany,
                   "select CancelType, CancelDate, PosShiftNo, Product, ProductUnits, "
                   "Quantity, Price, UserCode, UserApproved from CancelPosHeader"),
              QStringList{"VOID|2024-03-01 08:00:00|17|100|200|2.5|19.75|CASHIER1|MANAGER"});
}

TEST_F(SharedQueriesTest, EveryLookupRunsOnTheCompanySchema) {
    runScript(kCompany, "insert into Tax (Code, Rate) values ('V7', 7)");
    dm->QTaxRate->paramByName("GetCode").setAsInteger(1);
    dm->QUnitFraction->paramByName("GetUnit").setAsInteger(1);
    dm->QStockUnitQnty->paramByName("GetProduct").setAsInteger(1);
    dm->QAcID->paramByName("inputid").setAsInteger(1);
    dm->QDocumentNo->paramByName("GetCode").setAsString("IV");
    dm->QDocumentNo->paramByName("GetYear").setAsInteger(2024);
    dm->QDocConvert->paramByName("GetCode").setAsString("IV");
    dm->QDocConvert->paramByName("GetYear").setAsInteger(2024);
    for (db::Query* q :
         {dm->QTransport, dm->QTax, dm->QSalesman, dm->QTaxRate, dm->QUnitFraction,
          dm->QStockUnitQnty, dm->QNewId, dm->QAcID, dm->QDocumentNo, dm->QDocConvert}) {
        EXPECT_NO_THROW(q->open()) << q->objectName().toStdString();
        q->close();
    }
    dm->QTaxRate->open();
    EXPECT_EQ(dm->QTaxRate->fieldByName("Rate").asFloat(), 7.0);

    dm->SpAddLog->paramByName("@UserId").setAsInteger(7);
    dm->SpAddLog->paramByName("@MenuId").setAsInteger(501);
    dm->SpAddLog->paramByName("@FunctionListId").setAsInteger(2);
    dm->SpAddLog->paramByName("@DocumentId").setAsInteger(0);
    dm->SpAddLog->paramByName("@Remark").setAsString("old form");
    dm->SpAddLog->execProc();
    EXPECT_EQ(scalar(kCompany, "select Remark from UserLog"), "old form");
}
