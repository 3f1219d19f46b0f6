// The system's SQL texts, verbatim, against a company database built by the schema scripts and
// a configuration database, through the embedded driver. Where the module that owns a text
// exists, the test runs that module's own object (found by its name), so the corpus follows the
// module; the texts of the lookup dialogs, which have no module yet, are kept here as copies.
#include <QDir>
#include <map>

#include "EngineFixture.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "db/ParamScanner.h"
#include "db/Query.h"
#include "db/StoredProc.h"
#include "dbcore/Error.h"
#include "lookup/BarCodeStatement.h"
#include "product/Dm_Product.h"
#include "recalc/Fr_Calculate_AP.h"
#include "recalc/Fr_Calculate_AR.h"
#include "recalc/Fr_Calculate_OnHand.h"
#include "sqlscript/SqlScript.h"
#include "tsql/Session.h"

namespace {

using Values = std::map<QString, db::BoundValue>;

db::BoundValue num(qint64 v) {
    return {db::FieldType::Integer, QVariant(v)};
}
db::BoundValue str(const QString& v) {
    return {db::FieldType::String, QVariant(v)};
}

QString cell(const QVariant& v) {
    return v.isNull() ? QStringLiteral("NULL") : v.toString();
}

// Rows of an open query, values joined with '|'.
QStringList table(db::Query& q) {
    QStringList out;
    for (int r = 0; r < q.recordCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < static_cast<int>(q.columns().size()); ++c)
            cells << cell(q.valueAt(r, c));
        out << cells.join(u'|');
    }
    return out;
}

QStringList table(const db::BatchResult& r) {
    QStringList out;
    const db::StatementResult* rs = r.firstRowSet();
    if (!rs)
        return out;
    for (const auto& row : rs->rowSet.rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << cell(v);
        out << cells.join(u'|');
    }
    return out;
}

}  // namespace

// Demo_Co with the company schema and VOQ_Config_ZUL with the configuration schema; the company
// and configuration modules as start-up creates them.
class CorpusTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        installCompanySchema();
        createDatabase(QStringLiteral("VOQ_Config_ZUL"));
        if (withConfigSchema()) {
            const QDir schema(sourcePath(QStringLiteral("schema/config")));
            for (const QString& f :
                 schema.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name))
                runFile(QStringLiteral("VOQ_Config_ZUL"), schema.filePath(f));
        }
        db_ = std::make_unique<tsql::Session>(dir.path(), kCompany);
        cfg_ = std::make_unique<tsql::Session>(dir.path(), QStringLiteral("VOQ_Config_ZUL"));
        createModules();
    }
    void TearDown() override {
        cfg_.reset();
        db_.reset();
        EngineTest::TearDown();
    }
    virtual bool withConfigSchema() const { return true; }

    // A query, script or procedure of a module, by its object name.
    template <class T>
    static T& owned(QObject& module, const char* name) {
        T* object = module.findChild<T*>(QString::fromLatin1(name));
        if (!object)
            throw db::Error::client(
                QStringLiteral("%1 has no %2").arg(module.objectName(), QString::fromLatin1(name)));
        return *object;
    }
    db::Query& dmQuery(const char* name) { return owned<db::Query>(*dm, name); }

    // Opens a module's query afresh and returns its rows.
    static QStringList opened(db::Query& q) {
        q.close();
        q.open();
        QStringList out = table(q);
        q.close();
        return out;
    }

    // Runs SQL lines of a part without a module as the access layer sends them: joined by line
    // breaks, :name replaced by a bound value.
    static db::BatchResult send(tsql::Session& s, const QStringList& lines,
                                const Values& values = {}) {
        db::ScannedSql scanned = db::scanParams(lines.join(u'\n'));
        std::vector<db::BoundValue> bound;
        for (const QString& name : scanned.occurrences) {
            auto it = values.find(name.toLower());
            if (it == values.end())
                ADD_FAILURE() << "no value for :" << name.toStdString();
            bound.push_back(it == values.end() ? db::BoundValue{} : it->second);
        }
        return s.execute(scanned.text, bound);
    }

    QStringList rows(const QStringList& lines, const Values& values = {}) {
        return table(send(*db_, lines, values));
    }
    void sql(const QString& text) { db_->execute(text, {}); }

    std::unique_ptr<tsql::Session> db_;
    std::unique_ptr<tsql::Session> cfg_;
};

// ---- Company module: the EAN-13 check digit batch ----

TEST_F(CorpusTest, CheckDigitBatch) {
    db::Query& q = dmQuery("QGetChkDigitBarcode");
    auto digit = [&](const QString& barcode) {
        q.paramByName(QStringLiteral("Barcode")).setAsString(barcode);
        return opened(q);
    };
    EXPECT_EQ(digit(QStringLiteral("123456789012")), QStringList{QStringLiteral("8")});
    q.open();
    EXPECT_EQ(q.fieldNames(), QStringList{QStringLiteral("ChkDigit")});
    q.close();
    EXPECT_EQ(digit(QStringLiteral("000000000000")), QStringList{QStringLiteral("0")});
    EXPECT_EQ(digit(QStringLiteral("400638133393")), QStringList{QStringLiteral("1")});
    try {
        digit(QStringLiteral("12345678901X"));
        FAIL() << "a non-digit converted";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 245);
    }
}

// ---- Company module: the program version registry ----

TEST_F(CorpusTest, ProgramVersionRegistryRegistersAndRaises) {
    db::Query& q = dmQuery("QCheckProGramExe");
    auto registered = [&](const QString& exe, int version) {
        q.paramByName(QStringLiteral("ProgramExe")).setAsString(exe);
        q.paramByName(QStringLiteral("Version")).setAsInteger(version);
        return opened(q);
    };
    EXPECT_EQ(registered(QStringLiteral("VOQRECALC.EXE"), 1), QStringList{QStringLiteral("1")});
    EXPECT_EQ(registered(QStringLiteral("VOQRECALC.EXE"), 5), QStringList{QStringLiteral("5")});
    EXPECT_EQ(registered(QStringLiteral("voqrecalc.exe"), 3), QStringList{QStringLiteral("5")});
    EXPECT_EQ(rows({"select count(*) from CheckVersionProgramEXE"}),
              QStringList{QStringLiteral("1")});
    try {
        registered(QString(31, u'X'), 1);
        FAIL() << "a name longer than 30 characters was registered";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 8152);
    }
}

// ---- Schema upgrade scripts add their columns once ----

// A configuration database whose tables predate the columns the upgrade adds.
class CorpusOldConfigTest : public CorpusTest {
protected:
    bool withConfigSchema() const override { return false; }
};

TEST_F(CorpusOldConfigTest, ConfigurationSchemaStatementsAddColumnsOnce) {
    cfg_->execute(
        QStringLiteral("create table Menu (Id int not null primary key, Command varchar(50) null) "
                       "create table UserName (Id int not null primary key, Code varchar(20)) "
                       "create table SoftwareConfig (Id int not null primary key) "
                       "insert into Menu values (1, 'A.EXE'), (2, NULL), (3, ' a.exe '), "
                       "(4, 'B.EXE')"),
        {});
    // Connecting runs the upgrade script once; running it again changes nothing.
    cfg->DmCfg->open();
    ASSERT_EQ(cfg->DmCfg->params().value(QStringLiteral("DATABASE NAME")),
              QStringLiteral("VOQ_CONFIG_ZUL"));
    owned<TSQLScript>(*cfg, "SQLUpdate").ExecSQL();
    EXPECT_EQ(
        table(cfg_->execute(
            QStringLiteral("select count(*) from SysColumns where Id = OBJECT_ID('Menu')"), {})),
        QStringList{QStringLiteral("3")});
    EXPECT_EQ(table(cfg_->execute(QStringLiteral("select count(*) from SysColumns where Id = "
                                                 "OBJECT_ID('UserName')"),
                                  {})),
              QStringList{QStringLiteral("4")});
    EXPECT_EQ(table(cfg_->execute(QStringLiteral("select Id, Version from Menu order by Id"), {})),
              (QStringList{QStringLiteral("1|3"), QStringLiteral("2|NULL"), QStringLiteral("3|3"),
                           QStringLiteral("4|3")}));
    // The version raise of the menu entry's command, compared trimmed and without case.
    cfg->MenuId = 1;
    EXPECT_TRUE(cfg->CheckVersion(5));
    EXPECT_EQ(table(cfg_->execute(
                  QStringLiteral("select Id, Coalesce(Version, 0) from Menu order by Id"), {})),
              (QStringList{QStringLiteral("1|5"), QStringLiteral("2|0"), QStringLiteral("3|5"),
                           QStringLiteral("4|3")}));
}

TEST_F(CorpusTest, CompanySchemaUpgradeStatementsAreIdempotent) {
    sql(
        QStringLiteral("insert into Misc (GroupCode, Code, Description, OrderNo) values "
                       "('CURRENCY', 'THB', 'Baht', 1)\n"
                       "insert into Config (Id) values (1)"));
    const QStringList count = {"select count(*) from SysColumns where Id = OBJECT_ID('Config')"};
    const QStringList before = rows(count);
    for (int pass = 0; pass < 2; ++pass) {
        owned<TSQLScript>(*dm, "SQLUpdateConfig").ExecSQL();
        owned<TSQLScript>(*dm, "SQLUpdate").ExecSQL();
    }
    EXPECT_EQ(rows(count), before);
    EXPECT_EQ(rows({"select CheckUserWarehouseFlag, CheckUserSubtypeFlag, "
                    "(select Code from Misc where Id = MainCurrencyId) from Config"}),
              QStringList{QStringLiteral("N|N|THB")});
}

// ---- Company configuration row, code lists, lookups ----

class CorpusDataTest : public CorpusTest {
protected:
    void SetUp() override {
        CorpusTest::SetUp();
        db_->execute(QStringLiteral(
                         "insert into Misc (GroupCode, Code, Description, OrderNo) values "
                         "('CURRENCY', 'THB', N'บาท', 1), ('CURRENCY', 'USD', 'Dollar', 2), "
                         "('CITY', 'BKK', N'กรุงเทพมหานคร', 1), ('CITY', 'CNX', N'เชียงใหม่', 2)\n"
                         "insert into Config (Id, BranchCode, MainCurrencyId) values (1, '00', "
                         "(select Id from Misc where Code = 'THB'))\n"
                         "insert into Tax (Code, Rate) values ('V7', 7)\n"
                         "insert into Warehouse (Code, Name) values ('MAIN', N'คลังหลัก'), ('RMA', "
                         "'Returns')\n"
                         "insert into Product (Code, ThaiName, TaxCode, DefaultWh, Blocked) values "
                         "('P001', N'สบู่', 1, 1, 'N'), ('P002', N'แชมพู', 1, 1, NULL), ('P003', "
                         "N'ยาสีฟัน', 1, 1, 'Y')\n"
                         "insert into ProductUnits (Product, UnitName, Fraction, BarCode, "
                         "SmallUnitFlag, StockUnitFlag) "
                         "values (1, N'ชิ้น', 1, '8850000000011', 'Y', 'N'), (1, N'โหล', 12, "
                         "'8850000000012', 'N', 'Y'), "
                         "(2, N'ขวด', 1, '8850000000021', 'Y', 'Y')\n"
                         "insert into ProductOnHand (Product, ProductUnits, Warehouse, "
                         "BalanceYear, Quantity) values "
                         "(1, 1, 1, 2024, 30), (1, 1, 2, 2024, 6.5), (1, 2, 1, 2024, 1234567)"),
                     {});
    }
};

TEST_F(CorpusDataTest, ConfigurationRowAndCodeLists) {
    db::Query& config = dmQuery("QConfig");
    config.close();
    config.open();
    ASSERT_EQ(config.recordCount(), 1);
    EXPECT_EQ(config.fieldByName(QStringLiteral("MainCurrencyCode")).asString(),
              QStringLiteral("THB"));
    EXPECT_EQ(config.fieldByName(QStringLiteral("MainCurrencyName")).asString(),
              QStringLiteral("บาท"));
    EXPECT_TRUE(config.hasField(QStringLiteral("BranchCode")));
    config.close();
    EXPECT_EQ(opened(dmQuery("QProvince")).size(), 2);
    EXPECT_EQ(opened(dmQuery("QTax")), QStringList{QStringLiteral("1|V7|7")});
    db::Query& rate = dmQuery("QTaxRate");
    rate.paramByName(QStringLiteral("GetCode")).setAsInteger(1);
    EXPECT_EQ(opened(rate), QStringList{QStringLiteral("7")});
    db::Query& fraction = dmQuery("QUnitFraction");
    fraction.paramByName(QStringLiteral("GetUnit")).setAsInteger(2);
    EXPECT_EQ(opened(fraction), QStringList{QStringLiteral("โหล|12|ชิ้น|1")});
    db::Query& stock = dmQuery("QStockUnitQnty");
    stock.paramByName(QStringLiteral("GetProduct")).setAsInteger(1);
    EXPECT_EQ(opened(stock), QStringList{QStringLiteral("2|โหล|12|ชิ้น")});
    // @@IDENTITY belongs to the connection that inserted.
    db::Query insert(nullptr);
    insert.setDatabaseName(QStringLiteral("DMDATA"));
    insert.setSql({"insert into Tax (Code, Rate) values ('V0', 0)"});
    insert.execSql();
    EXPECT_EQ(opened(dmQuery("QNewId")), QStringList{QStringLiteral("2")});
}

TEST_F(CorpusDataTest, CurrencyListWithTheLatestRates) {
    writeServerClock("fixed 2024-10-15 10:00:00");
    sql(QStringLiteral(
        "insert into CurrencyEx (Currency, ExchangeDate, PurcScrap, PurcPart, PurcRate, "
        "SaleScrap, SalePart, SaleRate) values "
        "((select Id from Misc where Code = 'USD'), '10/01/2024', 1, 1, 35.5, 1, 1, 36.5), "
        "((select Id from Misc where Code = 'USD'), '10/02/2024', 1, 1, 34.0, 1, 1, 35.0), "
        "((select Id from Misc where Code = 'THB'), '10/01/2024', 1, 1, 1, 1, 1, 1), "
        "((select Id from Misc where Code = 'USD'), '10/15/2024 10:00', 1, 1, 99, 1, 1, 99)"));
    db::Query& q = dmQuery("QMiscCurrency");
    q.close();
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next())
        out << q.fieldByName(QStringLiteral("Code")).asString() + u'|' +
                   cell(q.fieldByName(QStringLiteral("PurcRate")).value()) + u'|' +
                   cell(q.fieldByName(QStringLiteral("SaleRate")).value());
    q.close();
    // A rate later on today is not yet in force.
    EXPECT_EQ(out, (QStringList{QStringLiteral("THB|1|1"), QStringLiteral("USD|34|35")}));
}

TEST_F(CorpusDataTest, LedgerRemovalFindsTrimmedDocumentNumbers) {
    sql(
        QStringLiteral("insert into glhd (GlDate, GlFromDocId, GlFromDocNo) values "
                       "('01/05/2024', 5, 'IV001   '), ('01/06/2024', 6, 'IV002')\n"
                       "insert into gldt (GlHd, Debit) values (1, 10), (1, 20), (2, 30)"));
    TSQLScript& del = owned<TSQLScript>(*dm, "DelGL");
    del.ParamByName(QStringLiteral("id")).setAsInteger(5);
    del.ParamByName(QStringLiteral("no")).setAsString(QStringLiteral("IV001"));
    del.ExecSQL();
    EXPECT_EQ(rows({"select count(*) from glhd"}), QStringList{QStringLiteral("1")});
    EXPECT_EQ(rows({"select count(*) from gldt"}), QStringList{QStringLiteral("1")});
}

TEST_F(CorpusDataTest, CancelledPosLineReadsTheApproverAcrossDatabases) {
    cfg_->execute(QStringLiteral("insert into username (Id, Code) values (42, 'BOSS')"), {});
    db::Query& q = dmQuery("QAddPosLog");
    q.paramByName(QStringLiteral("CancelType")).setAsString(QStringLiteral("V"));
    q.paramByName(QStringLiteral("PosShiftNo")).setAsInteger(3);
    q.paramByName(QStringLiteral("Product")).setAsInteger(1);
    q.paramByName(QStringLiteral("ProductUnits")).setAsInteger(1);
    q.paramByName(QStringLiteral("Quantity")).setAsFloat(2.0);
    q.paramByName(QStringLiteral("Price")).setAsFloat(19.75);
    q.paramByName(QStringLiteral("UserCode")).setAsString(QStringLiteral("ANN"));
    q.paramByName(QStringLiteral("UserApprovedId")).setAsInteger(42);
    q.execSql();
    EXPECT_EQ(rows({"select UserApproved, Price, case when CancelDate is null then 0 else 1 end "
                    "from CancelPosHeader"}),
              QStringList{QStringLiteral("BOSS|19.75|1")});
}

// ---- Recalculation forms and the server's clock ----

TEST_F(CorpusDataTest, RecalculationProceduresAndServerTime) {
    TFrCalculate_AP ap;
    TFrCalculate_AR ar;
    TFrCalculate_OnHand onHand;
    for (TFrCalculate* form : {static_cast<TFrCalculate*>(&ap), static_cast<TFrCalculate*>(&ar),
                               static_cast<TFrCalculate*>(&onHand)}) {
        db::Query& q = owned<db::Query>(*form, "QCalculate");
        q.paramByName(QStringLiteral("YearNo")).setAsInteger(2024);
        EXPECT_NO_THROW(q.execSql()) << q.sqlText().toStdString();
    }
    writeServerClock("fixed 2024-03-01 08:00:00");
    db::StoredProc& time = owned<db::StoredProc>(*dm, "SpServerTime");
    time.execProc();
    EXPECT_EQ(time.paramByName(QStringLiteral("@ServerTime")).value().toDateTime(),
              QDateTime(QDate(2024, 3, 1), QTime(8, 0)));
}

// ---- Configuration module ----

TEST_F(CorpusTest, ConfigurationProbeOnMaster) {
    cfg->DmCfg->open();
    EXPECT_EQ(cfg->DmCfg->params().value(QStringLiteral("DATABASE NAME")),
              QStringLiteral("VOQ_CONFIG_ZUL"));
    // The probe on master itself, with the connection the module set up for it.
    cfg->DBMaster->open();
    EXPECT_EQ(opened(owned<db::Query>(*cfg, "QChkConfig")).size(), 1);
    tsql::Session master(dir.path(), QStringLiteral("master"));
    EXPECT_EQ(table(send(master, {"Select * From SysDatabases Where Name = 'VOQ_CONFIG'"})).size(),
              0);
}

TEST_F(CorpusTest, UserRowsOfTheConfigurationDatabase) {
    cfg_->execute(
        QStringLiteral("insert into username (Id, Code, FullName, LanguageNo, GroupId) values "
                       "(1, 'ANN', N'แอน', 1, 2), (2, 'GRP', 'Group', NULL, NULL)"),
        {});
    db::Query& q = owned<db::Query>(*cfg, "QUser");
    q.paramByName(QStringLiteral("uid")).setAsInteger(1);
    q.close();
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName(QStringLiteral("FullName")).asString(), QStringLiteral("แอน"));
    EXPECT_EQ(q.fieldByName(QStringLiteral("Approve_PoLevel2")).asString(), QStringLiteral("N"));
    EXPECT_EQ(q.fieldByName(QStringLiteral("GroupId")).asInteger(), 2);
    q.close();
}

// ---- Product services ----

class CorpusProductTest : public CorpusDataTest {
protected:
    void SetUp() override {
        CorpusDataTest::SetUp();
        product = std::make_unique<TDmProduct>();
    }
    void TearDown() override {
        product.reset();
        CorpusDataTest::TearDown();
    }
    db::Query& productQuery(const char* name) { return owned<db::Query>(*product, name); }
    // Opens one of the module's queries with the given parameter values.
    QStringList productRows(const char* name, const Values& values) {
        db::Query& q = productQuery(name);
        q.close();
        for (const auto& [param, value] : values)
            q.paramByName(param).setValue(value.type, value.value);
        return opened(q);
    }

    std::unique_ptr<TDmProduct> product;
};

// Every statement of the module runs, each parameter given a value of its declared type.
TEST_F(CorpusProductTest, EveryStatementOfTheModuleRuns) {
    const QList<db::Query*> queries = product->findChildren<db::Query*>();
    EXPECT_EQ(queries.size(), 29);
    for (db::Query* q : queries) {
        q->close();
        for (db::Param& p : q->params()) {
            ASSERT_NE(p.type(), db::FieldType::Unknown)
                << q->objectName().toStdString() << " :" << p.name().toStdString();
            if (p.type() == db::FieldType::Integer)
                p.setAsInteger(1);
            else if (p.type() == db::FieldType::DateTime)
                p.setAsDateTime(QDateTime(QDate(2024, 5, 1), QTime(0, 0)));
            else
                p.setAsString(QStringLiteral("P001"));
        }
        EXPECT_NO_THROW(q->open()) << q->objectName().toStdString();
        q->close();
    }
}

TEST_F(CorpusProductTest, ProductAndBarcodeChecks) {
    sql(QStringLiteral("update Config set CheckUserWarehouseFlag = 'Y'"));
    ASSERT_TRUE(product->ExistsProduct(QStringLiteral("p002")));
    const db::Query& chk = productQuery("QChkProduct");
    EXPECT_EQ(chk.fieldByName(QStringLiteral("TaxRate")).asInteger(), 7);
    EXPECT_TRUE(chk.fieldByName(QStringLiteral("WhCode")).isNull());  // outer join, user 7
    EXPECT_EQ(chk.fieldByName(QStringLiteral("ProductFree")).asString(), QStringLiteral("N"));
    EXPECT_FALSE(product->ExistsProduct(QStringLiteral("P003")));  // blocked

    ASSERT_TRUE(product->ExistsBarCode(QStringLiteral("8850000000012")));
    const db::Query& bar = productQuery("QChkBarCode");
    EXPECT_EQ(bar.fieldByName(QStringLiteral("ProductId")).asInteger(), 1);
    EXPECT_EQ(bar.fieldByName(QStringLiteral("WhCode")).asString(), QStringLiteral("MAIN"));
    EXPECT_TRUE(bar.fieldByName(QStringLiteral("price")).isNull());
    // A product whose Blocked is NULL is not found by barcode.
    EXPECT_FALSE(product->ExistsBarCode(QStringLiteral("8850000000021")));
    EXPECT_FALSE(product->ExistsWarehouse(QStringLiteral("MAIN")));

    EXPECT_EQ(productRows("QChkUnit", {{"getproduct", num(1)},
                                       {"getunit", str(QStringLiteral("โหล"))},
                                       {"saleunit", str("X%")},
                                       {"purcunit", str("X%")},
                                       {"smallunit", str("X%")},
                                       {"stockunit", str("Y%")}}),
              QStringList{QStringLiteral("2|โหล|12|NULL|8850000000012|NULL|NULL")});
    EXPECT_EQ(productRows("QDefaultUnit", {{"getid", num(1)},
                                           {"saleunit", str("%")},
                                           {"purcunit", str("%")},
                                           {"smallunit", str("%")},
                                           {"stockunit", str("%")}}),
              QStringList());  // the sale and purchase flags are NULL
}

TEST_F(CorpusProductTest, OnHandStatements) {
    const QStringList sums = productRows("QOnHand", {{"pid", num(1)}, {"yid", num(2024)}});
    ASSERT_EQ(sums.size(), 1);
    EXPECT_EQ(sums[0], QStringLiteral("1234603.5|12|โหล|1|ชิ้น"));
    // No stock rows: the sum is 0.
    EXPECT_EQ(
        productRows("QOnHand", {{"pid", num(2)}, {"yid", num(2024)}}).first().section(u'|', 0, 0),
        QStringLiteral("0"));
    EXPECT_EQ(productRows("QOnhandWH", {{"pid", num(1)}, {"yid", num(2024)}, {"wid", num(2)}})
                  .first()
                  .section(u'|', 0, 0),
              QStringLiteral("6.5"));
    EXPECT_EQ(productRows("QOnhandWHunits",
                          {{"pid", num(1)}, {"uid", num(1)}, {"yid", num(2024)}, {"wid", num(2)}})
                  .first()
                  .section(u'|', 0, 0),
              QStringLiteral("0"));  // RMA
    EXPECT_EQ(productRows("QShowQnty", {{"pid", num(1)}}),
              QStringList{QStringLiteral("12|โหล|1|ชิ้น")});
    EXPECT_TRUE(productRows("QShowQnty", {{"pid", num(99)}}).isEmpty());
}

TEST_F(CorpusProductTest, LotSerialAndPriceStatements) {
    db_->execute(
        QStringLiteral(
            "update Product set UseSerial = 'Y', CheckSerialOnhand = 'N' where Id = 1\n"
            "insert into LotNo (Code, Product, HasExpired, ExpiredDate) values ('L1', 1, 'Y', "
            "'12/31/2025')\n"
            "insert into LotOnHand (Product, LotNo, Warehouse, BalanceYear, Quantity) values "
            "(1, 1, 1, 2023, 4), (1, 1, 1, 2024, 6), (1, 1, 1, 2025, 100)\n"
            "insert into ProductPrice (Product, ProductUnits, PriceType, Price) values (1, 2, 19, "
            "120), (1, 1, 1, 11)\n"
            "insert into promotion_dt (Product, ProductUnits, PriceType, Customer, StartDate, "
            "StopDate, "
            "Price, DiscPercent) values (1, 1, 1, 5, '01/01/2024', '01/31/2024', 9.5, 0), "
            "(1, 1, 1, 5, '02/01/2024', '02/28/2024', 8, 0)"),
        {});
    EXPECT_EQ(productRows("QChkLotNo", {{"getcode", str("l1")}}).size(), 1);
    EXPECT_EQ(productRows("QChkLotOnHand", {{"getproduct", num(1)},
                                            {"getlotno", num(1)},
                                            {"getyear", num(2024)},
                                            {"getwarehouse", num(1)}}),
              QStringList{QStringLiteral("10")});
    const QStringList made =
        productRows("QCreateSerialNo", {{"productid", num(1)}, {"serialcode", str("SN-001")}});
    ASSERT_EQ(made.size(), 1);
    EXPECT_NE(made[0], QStringLiteral("NULL"));
    EXPECT_EQ(productRows("QSerialNo", {{"getcode", str("sn-001")}}).size(), 1);
    // A product without serial numbers gets none.
    EXPECT_EQ(
        productRows("QCreateSerialNo", {{"productid", num(2)}, {"serialcode", str("SN-002")}}),
        QStringList{QStringLiteral("NULL")});
    EXPECT_EQ(productRows("QStockUnitPrice", {{"getproduct", num(1)}, {"gettype", num(19)}}),
              QStringList{QStringLiteral("120|12|2")});
    // The promotion of the day: the date parameter lies between the two date columns.
    Values v = {{"pid", num(1)},
                {"uid", num(1)},
                {"tid", num(1)},
                {"cid", num(5)},
                {"pdate", {db::FieldType::DateTime, QDateTime(QDate(2024, 2, 10), QTime(0, 0))}}};
    EXPECT_EQ(productRows("QPromotion", v), QStringList{QStringLiteral("8|0")});
    v["pdate"] = {db::FieldType::DateTime, QDateTime(QDate(2024, 1, 31), QTime(0, 0))};
    EXPECT_EQ(productRows("QPromotion", v), QStringList{QStringLiteral("9.5|0")});
}

// Serial records edited in memory reach the table through the update object's statements.
TEST_F(CorpusProductTest, SerialRecordEditsAreAppliedThroughTheUpdateObject) {
    db::Query& q = productQuery("QSerialNo");
    q.close();
    q.paramByName(QStringLiteral("GetCode")).setAsString(QStringLiteral("SN-9"));
    q.open();
    q.append();
    q.setFieldValue(QStringLiteral("Product"), 1);
    q.setFieldValue(QStringLiteral("Serial"), QStringLiteral("SN-9"));
    q.setFieldValue(QStringLiteral("OnHand"), QStringLiteral("Y"));
    q.applyUpdates();
    EXPECT_EQ(rows({"select Product, Serial, OnHand from SerialNo"}),
              QStringList{QStringLiteral("1|SN-9|Y")});
    q.close();
    q.open();
    q.setFieldValue(QStringLiteral("OnHand"), QStringLiteral("N"));
    q.applyUpdates();
    EXPECT_EQ(rows({"select OnHand from SerialNo"}), QStringList{QStringLiteral("N")});
    q.deleteRecord();
    q.applyUpdates();
    EXPECT_TRUE(rows({"select * from SerialNo"}).isEmpty());
}

// ---- Lookup dialogs ----

TEST_F(CorpusDataTest, BarcodeSearchShowsOnHandAsMoneyText) {
    writeServerClock("fixed 2024-05-01 09:00:00");
    const QStringList search = lookup::barCodeSearchStatement();
    db::BatchResult r = send(*db_, search, {{"getcode", str("885%")}, {"getname", str("%")}});
    const auto& rs = r.firstRowSet()->rowSet;
    ASSERT_EQ(rs.rows.size(), 3u);
    const int onHand = rs.indexOf(QStringLiteral("OnHand"));
    const int backorder = rs.indexOf(QStringLiteral("Backorder"));
    ASSERT_GE(onHand, 0);
    // Thai order: แชมพู (P002) before สบู่ (P001).
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("Code"))].toString(), QStringLiteral("P002"));
    EXPECT_EQ(rs.rows[0][onHand].toString(), QStringLiteral("0.0000  ขวด"));
    EXPECT_EQ(rs.rows[1][onHand].toString(), QStringLiteral("1,234,603.5000  ชิ้น"));
    EXPECT_EQ(rs.rows[1][backorder].toString(), QStringLiteral("0.0000  ชิ้น"));
}
