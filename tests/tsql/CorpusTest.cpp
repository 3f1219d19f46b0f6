// The system's SQL texts, verbatim, against a company database built by the schema scripts and
// a configuration database: each must run and give the rows or effects the system relies on.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "db/Error.h"
#include "db/ParamScanner.h"
#include "tsql/Session.h"

namespace {

using Values = std::map<QString, db::BoundValue>;

db::BoundValue num(qint64 v) {
    return {db::FieldType::Integer, QVariant(v)};
}
db::BoundValue str(const QString& v) {
    return {db::FieldType::String, QVariant(v)};
}

void runScripts(tsql::Session& s, const QString& folder) {
    const QString root = qEnvironmentVariable("VOQ_SOURCE_DIR", QStringLiteral(VOQ_SOURCE_ROOT));
    QDir dir(root + u'/' + folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString text = QString::fromUtf8(f.readAll());
        static const QRegularExpression go(
            QStringLiteral("^\\s*GO\\s*$"),
            QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
        for (const QString& batch : text.split(go))
            if (!batch.trimmed().isEmpty())
                s.execute(batch, {});
    }
}

}  // namespace

class CorpusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        templateDir_ = new QTemporaryDir;
        tsql::Session master(templateDir_->path(), QStringLiteral("master"));
        master.execute(QStringLiteral("CREATE DATABASE CORPUS"), {});
        master.execute(QStringLiteral("CREATE DATABASE VOQ_Config_ZUL"), {});
        tsql::Session company(templateDir_->path(), QStringLiteral("CORPUS"));
        runScripts(company, QStringLiteral("schema/company"));
        tsql::Session config(templateDir_->path(), QStringLiteral("VOQ_Config_ZUL"));
        runScripts(config, QStringLiteral("schema/config"));
    }
    static void TearDownTestSuite() {
        delete templateDir_;
        templateDir_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const QString& f : QDir(templateDir_->path()).entryList(QDir::Files))
            QFile::copy(templateDir_->filePath(f), dir_.filePath(f));
        db_ = std::make_unique<tsql::Session>(dir_.path(), QStringLiteral("CORPUS"));
        cfg_ = std::make_unique<tsql::Session>(dir_.path(), QStringLiteral("VOQ_Config_ZUL"));
    }

    // Runs SQL lines as the access layer sends them: joined by line breaks, :name replaced.
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

    static QStringList table(const db::BatchResult& r) {
        QStringList out;
        const db::StatementResult* rs = r.firstRowSet();
        if (!rs)
            return out;
        for (const auto& row : rs->rowSet.rows) {
            QStringList cells;
            for (const QVariant& v : row)
                cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
            out << cells.join(u'|');
        }
        return out;
    }

    QStringList rows(const QStringList& lines, const Values& values = {}) {
        return table(send(*db_, lines, values));
    }

    static QTemporaryDir* templateDir_;
    QTemporaryDir dir_;
    std::unique_ptr<tsql::Session> db_;
    std::unique_ptr<tsql::Session> cfg_;
};

QTemporaryDir* CorpusTest::templateDir_ = nullptr;

// ---- Shared queries: the EAN-13 check digit batch ----

static const QStringList kCheckDigit = {
    "Declare @Num1 Int",
    "Declare @Num2 Int",
    "Declare @GetChkDigit Char(1)",
    "",
    "Set @Num1 = (Convert(Int,(SubString(:Barcode,12,1))) + "
    "Convert(Int,(SubString(:Barcode,10,1)))  ",
    "               +Convert(Int,(SubString(:Barcode,8,1))) + "
    "Convert(Int,(SubString(:Barcode,6,1)))  ",
    "               +Convert(Int,(SubString(:Barcode,4,1))) + "
    "Convert(Int,(SubString(:Barcode,2,1)))) * 3  ",
    "  ",
    "Set @Num2 = (Convert(Int,(SubString(:Barcode,11,1))) + Convert(Int,(SubString(:Barcode,9,1))) "
    " ",
    "               +Convert(Int,(SubString(:Barcode,7,1))) + "
    "Convert(Int,(SubString(:Barcode,5,1)))  ",
    "               +Convert(Int,(SubString(:Barcode,3,1))) + "
    "Convert(Int,(SubString(:Barcode,1,1))))  ",
    "               ",
    "               ",
    "Set @Num1 = @Num1 + @Num2   ",
    "Set @Num2 = (@Num1 % 10) ",
    " ",
    "If @Num2 <> 0 ",
    "  Set @GetChkDigit = LTrim(RTrim(Convert(Char(10),(10 - @Num2)))) ",
    "Else",
    "  Set @GetChkDigit = '0'",
    "",
    "Select @GetChkDigit ChkDigit",
    " ",
};

TEST_F(CorpusTest, CheckDigitBatch) {
    db::BatchResult r = send(*db_, kCheckDigit, {{"barcode", str("123456789012")}});
    ASSERT_NE(r.firstRowSet(), nullptr);
    EXPECT_EQ(r.firstRowSet()->rowSet.columns[0].name, QStringLiteral("ChkDigit"));
    EXPECT_EQ(table(r), QStringList{QStringLiteral("8")});
    EXPECT_EQ(table(send(*db_, kCheckDigit, {{"barcode", str("000000000000")}})),
              QStringList{QStringLiteral("0")});
    EXPECT_EQ(table(send(*db_, kCheckDigit, {{"barcode", str("400638133393")}})),
              QStringList{QStringLiteral("1")});
    try {
        send(*db_, kCheckDigit, {{"barcode", str("12345678901X")}});
        FAIL() << "a non-digit converted";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 245);
    }
}

// ---- Company services: the program version registry ----

TEST_F(CorpusTest, ProgramVersionRegistryRegistersAndRaises) {
    const QStringList check = {
        "If Not Exists (Select Id From CheckVersionProgramEXE Where ProgramExe = :ProgramExe)",
        "   Insert Into CheckVersionProgramEXE (ProgramEXE, Version, LastUpdate)",
        "   Values (:ProgramExe, 1, GetDate())",
        "If ((select Version From CheckVersionProgramEXE Where ProgramExe = :ProgramExe) < "
        ":Version)",
        "   Update CheckVersionProgramEXE",
        "   Set Version = :Version,",
        "       LastUpdate = GetDate()",
        "   Where ProgramExe = :ProgramExe",
        "select Version VersionExe From CheckVersionProgramEXE Where ProgramExe = :ProgramExe"};
    auto registered = [&](const QString& exe, int version) {
        return table(send(*db_, check, {{"programexe", str(exe)}, {"version", num(version)}}));
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

// ---- Schema upgrade statements add their columns once ----

TEST_F(CorpusTest, ConfigurationSchemaStatementsAddColumnsOnce) {
    cfg_->execute(
        QStringLiteral(
            "create table MenuOld (Id int not null primary key, Command varchar(50) null)"),
        {});
    const QStringList addVersion = {"If (Not Exists(Select Name From SysColumns",
                                    "               Where Id = (Select Id From SysObjects Where "
                                    "Ltrim(Rtrim(Upper(Name))) = 'MENU') And",
                                    "                     Ltrim(Rtrim(Upper(Name)))='VERSION'))",
                                    "  Begin",
                                    "    Alter Table Menu Add Version Integer",
                                    "  End"};
    const QStringList raise3 = {
        "Update Menu Set Version = 3 Where Version Is Null And Command Is Not Null"};
    const QStringList seeImport = {
        "If Not Exists(select Id From SysColumns Where Name = 'UserSeeImport' And Id = (Select Id "
        "From SysObjects Where Name = 'UserName'))",
        "   Alter Table UserName Add UserSeeImport Char(1)"};
    // A configuration database whose tables predate the columns.
    tsql::Session master(dir_.path(), QStringLiteral("master"));
    master.execute(QStringLiteral("CREATE DATABASE OLDCFG"), {});
    tsql::Session old(dir_.path(), QStringLiteral("OLDCFG"));
    old.execute(
        QStringLiteral("create table Menu (Id int not null primary key, Command varchar(50) null) "
                       "create table UserName (Id int not null primary key, Code varchar(20)) "
                       "insert into Menu values (1, 'A.EXE'), (2, NULL)"),
        {});
    for (int pass = 0; pass < 2; ++pass) {
        send(old, addVersion);
        send(old, raise3);
        send(old, seeImport);
    }
    EXPECT_EQ(table(send(old, {"select count(*) from SysColumns where Id = OBJECT_ID('Menu')"})),
              QStringList{QStringLiteral("3")});
    EXPECT_EQ(table(send(old, {"select Id, Version from Menu order by Id"})),
              (QStringList{QStringLiteral("1|3"), QStringLiteral("2|NULL")}));
    EXPECT_EQ(table(send(old, {"select UserSeeImport from UserName"})), QStringList{});
    // The version raise of the same command, compared trimmed and without case.
    old.execute(
        QStringLiteral("insert into Menu (Id, Command) values (3, ' a.exe '), (4, 'B.EXE')"), {});
    send(old,
         {"Update Menu Set Version = :GetVersion", "Where (Coalesce(Version, 0) < :GetVersion)",
          "      And(LTrim(RTrim(Coalesce(Command, ''))) <> '')",
          "      And(Upper(LTrim(RTrim(Coalesce(Command, '')))) = (Select "
          "Upper(LTrim(RTrim(Coalesce(Command, '')))) From Menu Where Id = :MenuId))"},
         {{"getversion", num(5)}, {"menuid", num(1)}});
    EXPECT_EQ(
        table(send(old, {"Select Version From Menu Where Id = :MenuId"}, {{"menuid", num(3)}})),
        QStringList{QStringLiteral("5")});
    EXPECT_EQ(
        table(send(old,
                   {"select Id, Coalesce(Version, 0) from Menu where Id in (2, 4) order by Id"})),
        (QStringList{QStringLiteral("2|0"), QStringLiteral("4|0")}));
}

TEST_F(CorpusTest, CompanySchemaUpgradeStatementsAreIdempotent) {
    const QStringList statements[] = {
        {"If not Exists (Select Id from SysColumns Where Name = 'CheckUserWarehouseFlag' And Id = "
         "(Select Id From SysObjects Where Name = 'Config'))",
         "   Alter Table Config Add CheckUserWarehouseFlag Charflag Null,  CheckUserSubtypeFlag "
         "Charflag Null"},
        {"Update Config Set CheckUserWarehouseFlag = Coalesce(CheckUserWarehouseFlag,'N'),",
         "                  CheckUserSubtypeFlag = Coalesce(CheckUserSubtypeFlag,'N')",
         "Where (CheckUserWarehouseFlag is Null) Or (CheckUserSubtypeFlag Is Null)"},
        {"If not Exists (Select Id from SysColumns Where Name = 'MainCurrencyId' And Id = (Select "
         "Id From SysObjects Where Name = 'Config'))",
         "   Alter Table Config Add MainCurrencyId IdNo Null"},
        {"Update Config Set MainCurrencyId = (Select Id from Misc Where GroupCode = 'CURRENCY' And "
         "Code = 'THB')",
         "Where MainCurrencyId Is Null"},
        {"If Not exists (select Id from SysColumns Where Name = 'CheckSerialPurc' And Id = (select "
         "Id From SysObjects Where Name = 'Product'))",
         "  Alter Table Product Add CheckSerialPurc CharFlag"},
    };
    db_->execute(QStringLiteral("insert into Misc (GroupCode, Code, Description, OrderNo) values "
                                "('CURRENCY', 'THB', 'Baht', 1)"),
                 {});
    db_->execute(QStringLiteral("insert into Config (Id) values (1)"), {});
    const QStringList before =
        rows({"select count(*) from SysColumns where Id = OBJECT_ID('Config')"});
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& s : statements)
            send(*db_, s);
    EXPECT_EQ(rows({"select count(*) from SysColumns where Id = OBJECT_ID('Config')"}), before);
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
    db::BatchResult r = send(
        *db_,
        {"SELECT *",
         "       ,(Select M.Code From Misc M Where M.Id = MainCurrencyId) MainCurrencyCode",
         "       ,(Select M.Description From Misc M Where M.Id = MainCurrencyId) MainCurrencyName",
         "FROM Config", "Where id=1"});
    const auto& rs = r.firstRowSet()->rowSet;
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("MainCurrencyCode"))].toString(),
              QStringLiteral("THB"));
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("MainCurrencyName"))].toString(),
              QStringLiteral("บาท"));
    EXPECT_GE(rs.indexOf(QStringLiteral("BranchCode")), 0);
    EXPECT_EQ(rows({"select id,code,description,groupcode from misc", "where groupcode='CITY'",
                    "order by code"})
                  .size(),
              2);
    EXPECT_EQ(rows({"SELECT Id, Code, Rate", "FROM Tax", "Order By Code"}),
              QStringList{QStringLiteral("1|V7|7")});
    EXPECT_EQ(rows({"Select Rate ", "From Tax", "Where (Id = :GetCode)"}, {{"getcode", num(1)}}),
              QStringList{QStringLiteral("7")});
    EXPECT_EQ(
        rows({"SELECT U.UnitName LUnit, U.Fraction, M.UnitName SUnit, U.Product IdProd",
              "FROM ProductUnits U",
              "Inner Join ProductUnits M On ((U.Product = M.Product) And (M.SmallUnitFlag = 'Y'))",
              "Where (U.Id = :GetUnit)"},
             {{"getunit", num(2)}}),
        QStringList{QStringLiteral("โหล|12|ชิ้น|1")});
    EXPECT_EQ(
        rows({"SELECT U.Id,U.UnitName, U.Fraction,",
              "  (Select S.UnitName From ProductUnits S Where (S.SmallUnitFlag = 'Y') And "
              "(S.Product = :GetProduct)) As SmallUnit",
              "FROM ProductUnits U", "Where (U.StockUnitFlag = 'Y') And (U.Product = :GetProduct)"},
             {{"getproduct", num(1)}}),
        QStringList{QStringLiteral("2|โหล|12|ชิ้น")});
    db_->execute(QStringLiteral("insert into Tax (Code, Rate) values ('V0', 0)"), {});
    EXPECT_EQ(rows({"SELECT @@IDENTITY AS 'New_Id'"}), QStringList{QStringLiteral("2")});
}

TEST_F(CorpusDataTest, ProductAndBarcodeChecks) {
    const QStringList chkProduct = {
        "SELECT P.Id, P.Code, P.ThaiName, P.EngName, P.PosName, P.ProductType,P.PriceIE "
        ",P.PrintFrac,",
        "  P.UseSerial, P.LotControl, P.TaxCode, P.DefaultWh, "
        "P.PriceByVolumn,P.Discount,W.flagin,w.flagout,P.BuyingCode,",
        "  P.VolumnUnit, T.Rate TaxRate, W.Code WhCode, W.Name WhName,P.Blocked,P.Negative, "
        "Coalesce(P.ProductFree,'N')ProductFree,",
        "  P.Size_W,P.Size_L,P.Size_H,P.CartonsUnits,P.Cartons,P.NetWeight,P.GrossWeight, "
        "P.ProductDesc, Coalesce(P.CheckSerialPurc,'N')CheckSerialPurc, "
        "Coalesce(P.CheckSerialSale,'N')CheckSerialSale, "
        "Coalesce(P.CheckSerialStock,'N')CheckSerialStock,  "
        "Coalesce(P.CheckSerialOnhand,'N')CheckSerialOnhand, "
        "Coalesce(P.PerDiscountOver,0)PerDiscountOver, Coalesce(P.CostMoving,0) CostMoving",
        "FROM Product P",
        "INNER JOIN Tax T On (T.Id = P.TaxCode)",
        "Left Join Warehouse W On (W.Id = P.DefaultWh)  And W.Id In (Select Warehouse From "
        "UserWarehouse Where UserName = 7 )",
        "WHERE (P.Code = :GetCode) AND (Coalesce(P.Blocked,'N') <> 'Y')  And "
        "(Coalesce(P.MasterCode,'N')<>'Y')",
        "-- comment",
        ""};
    db::BatchResult r = send(*db_, chkProduct, {{"getcode", str("p002")}});
    const auto& rs = r.firstRowSet()->rowSet;
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("TaxRate"))].toInt(), 7);
    EXPECT_TRUE(rs.rows[0][rs.indexOf(QStringLiteral("WhCode"))].isNull());  // outer join
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("ProductFree"))].toString(),
              QStringLiteral("N"));
    EXPECT_TRUE(table(send(*db_, chkProduct, {{"getcode", str("P003")}})).isEmpty());  // blocked

    const QStringList chkBarCode = {
        "Select U.Id, U.BarCode, U.Fraction, U.UnitName,",
        "  U.PurcFlag, U.SaleFlag, U.SmallUnitFlag, U.StockUnitFlag,",
        "  P.Id ProductId, P.Code, P.ThaiName, P.EngName, P.PosName, ",
        "  P.UseSerial, P.LotControl, P.TaxCode, P.DefaultWh, P.ItemClassify,",
        "  U.PurcPrice, U.LabourCost, U.VolumnFraction,",
        "  T.Rate TaxRate, P.BuyingCode,",
        "  W.Code WhCode, W.Name WhName,",
        "  (Select Pp.Price from ProductPrice Pp Where pp.ProductUnits = U.Id And pp.PriceType = "
        "19) price, Coalesce(P.PerDiscountOver,0)PerDiscountOver",
        "From ProductUnits U",
        "Inner Join Product P On (P.Id = U.Product)",
        "Inner Join Tax T On (T.Id = P.TaxCode)",
        "Left Join Warehouse W On (W.Id = P.DefaultWh)",
        "Where (U.BarCode = :GetCode) AND (P.Blocked <> 'Y') And (U.BarCode Is Not Null)"};
    db::BatchResult b = send(*db_, chkBarCode, {{"getcode", str("8850000000012")}});
    const auto& bs = b.firstRowSet()->rowSet;
    ASSERT_EQ(bs.rows.size(), 1u);
    EXPECT_EQ(bs.rows[0][bs.indexOf(QStringLiteral("ProductId"))].toInt(), 1);
    EXPECT_EQ(bs.rows[0][bs.indexOf(QStringLiteral("WhCode"))].toString(), QStringLiteral("MAIN"));
    EXPECT_TRUE(bs.rows[0][bs.indexOf(QStringLiteral("price"))].isNull());
    // A product whose Blocked is NULL is not found by barcode.
    EXPECT_TRUE(table(send(*db_, chkBarCode, {{"getcode", str("8850000000021")}})).isEmpty());
}

TEST_F(CorpusDataTest, OnHandStatements) {
    const QStringList sub = {
        "           (select fraction     from productunits where product=:pid and "
        "stockunitflag='Y') stockunitfrac,",
        "           (select unitname from productunits where product=:pid and stockunitflag='Y') "
        "stockunitname,",
        "           (select fraction    from productunits where product=:pid and "
        "smallunitflag='Y') smallunitfrac,",
        "           (select unitname from productunits where product=:pid and smallunitflag='Y') "
        "smallunitname"};
    QStringList onHand = {
        "select coalesce(Cast(sum(Cast(o.quantity As Decimal(30, 2)))  As Decimal(30, 2)),0.00) "
        "qnty, "};
    onHand << sub << "from productonhand o"
           << "inner join warehouse w on w.id=o.warehouse"
           << "where (o.product = :pid) and (o.balanceyear = :yid)  ";
    db::BatchResult r = send(*db_, onHand, {{"pid", num(1)}, {"yid", num(2024)}});
    const auto& rs = r.firstRowSet()->rowSet;
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_DOUBLE_EQ(rs.rows[0][rs.indexOf(QStringLiteral("Qnty"))].toDouble(), 1234603.5);
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("StockUnitFrac"))].toInt(), 12);
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("SmallUnitName"))].toString(),
              QStringLiteral("ชิ้น"));
    // No stock rows: the sum is 0.
    EXPECT_EQ(table(send(*db_, onHand, {{"pid", num(2)}, {"yid", num(2024)}}))
                  .first()
                  .section(u'|', 0, 0),
              QStringLiteral("0"));

    QStringList units = {"select coalesce(sum(o.quantity),0) qnty , "};
    units << sub << "from productonhand o"
          << "inner join warehouse w on w.id=o.warehouse"
          << "where (o.product = :pid) and (o.productunits=:uid) and (o.balanceyear = :yid) and "
             "(o.warehouse = :wid) and (w.code<>'RMA')";
    EXPECT_EQ(table(send(*db_, units,
                         {{"pid", num(1)}, {"uid", num(1)}, {"yid", num(2024)}, {"wid", num(2)}}))
                  .first()
                  .section(u'|', 0, 0),
              QStringLiteral("0"));
    QStringList show = {"select" + sub[0].trimmed()};
    show << sub.mid(1) << "from product o"
         << "where (o.id = :pid) ";
    EXPECT_EQ(table(send(*db_, show, {{"pid", num(1)}})),
              QStringList{QStringLiteral("12|โหล|1|ชิ้น")});
    EXPECT_TRUE(table(send(*db_, show, {{"pid", num(99)}})).isEmpty());
}

TEST_F(CorpusDataTest, BarcodeSearchShowsOnHandAsMoneyText) {
    QFile clock(dir_.filePath(QStringLiteral("server-clock")));
    ASSERT_TRUE(clock.open(QIODevice::WriteOnly));
    clock.write("fixed 2024-05-01 09:00:00\n");
    clock.close();
    const QStringList search = {
        "Select\tU.Id, U.BarCode, U.Product, U.UnitName, P.Code, P.ThaiName,",
        "CONVERT(varchar(150), Cast(Coalesce((Select Sum(Quantity) From ProductOnHand Where "
        "BalanceYear = Year(GetDate()) And Product = P.Id), 0) As Money), 3) + '  ' +",
        "(Select Top 1 UnitName From ProductUnits Where Product = P.Id And Fraction = (Select "
        "MIN(Fraction) From ProductUnits Where Product = P.Id)) OnHand ,",
        "CONVERT(varchar(150), Cast(Coalesce(B.BackOrder, 0) As Money), 3)",
        "+ '  ' + (Select Top 1 UnitName From ProductUnits Where Product = P.Id And Fraction = "
        "(Select MIN(Fraction) From ProductUnits Where Product = P.Id)) Backorder",
        "From ProductUnits U",
        "Inner Join Product P On (P.Id = U.Product)",
        "Left Join (select M.Product, Sum(M.BackOrder) BackOrder",
        "From(",
        "Select S.Product, (S.Quantity * S.Fraction) BackOrder -- So ที่ยังไม่ Clear (+)",
        "From SoDt S",
        "Where (S.Clear <> 'Y') And S.SoHd Not In (Select SoHd From PosHeader Where SoHd is Not "
        "Null)",
        "Union All",
        "Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- Iv ที่อ้าง So ที่ยังไม่ Clear (-)",
        "From IvDt V",
        "Inner Join Ivhd H On (H.Id = V.Ivhd)",
        "Where V.SoDt = (select S.Id from SoDt S Where S.Clear <> 'Y' And S.Id = V.SoDt)",
        "Union All",
        "Select V.Product, (V.Quantity * V.Fraction) BackOrder -- ออกใบกำกับแล้วแต่ยังไม่ส่งของ (+)",
        "From IvDt V",
        "Inner Join Ivhd H On (H.Id = V.Ivhd)",
        "Where (H.NotCutStock = 'Y') And (H.IvType <> 'B') And (Coalesce(V.IvdtB,0) = 0)",
        "Union All",
        "Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- ส่งสินค้าอ้างใบกำกับ (-)",
        "From IvDt V",
        "Inner Join Ivhd H On (H.Id = V.Ivhd)",
        "Where (H.NotCutStock = 'N') And (H.IvType = 'B') And (Coalesce(V.IvdtB,0) > 0)",
        ") As M",
        "Group By M.Product",
        ") As B On (B.Product = P.Id)",
        "Where (U.BarCode Like :GetCode) And (P.ThaiName Like :GetName) And",
        "Not (U.BarCode Is Null) And (U.BarCode <> '')",
        "",
        "Order By P.ThaiName",
        "/* Don't Move SQL Lines */",
        "/* SQL [31] ห้ามย้ายบรรทัด */",
        " "};
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

TEST_F(CorpusDataTest, CurrencyListWithTheLatestRates) {
    db_->execute(
        QStringLiteral(
            "insert into CurrencyEx (Currency, ExchangeDate, PurcScrap, PurcPart, PurcRate, "
            "SaleScrap, "
            "SalePart, SaleRate) values "
            "((select Id from Misc where Code = 'USD'), '01/10/2024', 1, 1, 35.5, 1, 1, 36.5), "
            "((select Id from Misc where Code = 'USD'), '02/10/2024', 1, 1, 34.0, 1, 1, 35.0), "
            "((select Id from Misc where Code = 'THB'), '01/10/2024', 1, 1, 1, 1, 1, 1), "
            "((select Id from Misc where Code = 'USD'), '12/31/2099', 1, 1, 99, 1, 1, 99)"),
        {});
    QStringList list = {
        "Select M.Id, M.Code, M.Description, C.PurcScrap, C.PurcPart, C.PurcRate, C.SaleScrap, "
        "C.SalePart, C.SaleRate",
        "From Misc M",
        "Left Join (Select C.Currency, C.PurcScrap, C.PurcPart, C.PurcRate, C.SaleScrap, "
        "C.SalePart, C.SaleRate,",
        "                  RANK()Over ( Order BY C.ExchangeDate Desc) RankNo",
        "           From CurrencyEx C",
        "           Where C.ExchangeDate <= Convert(DateTime, Convert(varchar(8), GetDate(), "
        "112))) C",
        "  On (C.Currency = M.Id) And (C.RankNo = 1)",
        "Where (M.GroupCode = 'CURRENCY')",
        "Order By M.OrderNo"};
    EXPECT_EQ(rows(list), (QStringList{QStringLiteral("1|THB|บาท|NULL|NULL|NULL|NULL|NULL|NULL"),
                                       QStringLiteral("2|USD|Dollar|1|1|34|1|1|35")}));
}

TEST_F(CorpusDataTest, LedgerRemovalFindsTrimmedDocumentNumbers) {
    db_->execute(QStringLiteral("insert into glhd (GlDate, GlFromDocId, GlFromDocNo) values "
                                "('01/05/2024', 5, 'IV001   '), "
                                "('01/06/2024', 6, 'IV002')\n"
                                "insert into gldt (GlHd, Debit) values (1, 10), (1, 20), (2, 30)"),
                 {});
    const Values v = {{"id", num(5)}, {"no", str("IV001")}};
    send(*db_,
         {"delete from gldt where glhd in ", "(",
          "select id from glhd where glfromdocid=:id and ltrim(rtrim(glfromdocno))=:no", ")"},
         v);
    send(*db_, {"delete from glhd", "where glfromdocid=:id and ltrim(rtrim(glfromdocno))=:no"}, v);
    EXPECT_EQ(rows({"select count(*) from glhd"}), QStringList{QStringLiteral("1")});
    EXPECT_EQ(rows({"select count(*) from gldt"}), QStringList{QStringLiteral("1")});
}

TEST_F(CorpusDataTest, CancelledPosLineReadsTheApproverAcrossDatabases) {
    cfg_->execute(QStringLiteral("insert into username (Id, Code) values (42, 'BOSS')"), {});
    send(
        *db_,
        {"Insert Into CancelPosHeader (CancelType, CancelDate, PosShiftNo, Product, ProductUnits, "
         "Quantity, Price, UserCode, UserApproved)",
         "Values (:CancelType, GetDate(), :PosShiftNo, :Product, :ProductUnits, :Quantity, :Price, "
         ":UserCode, (Select Code From VOQ_Config_ZUL.Dbo.UserName Where Id = :UserApprovedId)) "},
        {{"canceltype", str("V")},
         {"posshiftno", num(3)},
         {"product", num(1)},
         {"productunits", num(1)},
         {"quantity", {db::FieldType::Float, 2.0}},
         {"price", {db::FieldType::Float, 19.75}},
         {"usercode", str("ANN")},
         {"userapprovedid", num(42)}});
    EXPECT_EQ(rows({"select UserApproved, Price, case when CancelDate is null then 0 else 1 end "
                    "from CancelPosHeader"}),
              QStringList{QStringLiteral("BOSS|19.75|1")});
}

TEST_F(CorpusDataTest, RecalculationProceduresAndServerTime) {
    for (const char* text : {"Exec Calculate_AP :YearNo", "Exec Calculate_AR :YearNo",
                             "Exec Calculate_OnHand :YearNo"})
        EXPECT_NO_THROW(send(*db_, {QString::fromLatin1(text)}, {{"yearno", num(2024)}})) << text;
    std::vector<db::ProcArg> args = {
        {QStringLiteral("@ServerTime"), db::FieldType::DateTime, db::ParamDirection::Output, {}}};
    db_->callProcedure(QStringLiteral("ServerTime"), args, nullptr);
    EXPECT_EQ(args[0].value.typeId(), QMetaType::QDateTime);
    EXPECT_LE(std::abs(args[0].value.toDateTime().secsTo(QDateTime::currentDateTime())), 5);
}

TEST_F(CorpusTest, ConfigurationProbeOnMaster) {
    tsql::Session master(dir_.path(), QStringLiteral("master"));
    EXPECT_EQ(
        table(send(master, {"Select * From SysDatabases Where Name = 'VOQ_Config_ZUL'"})).size(),
        1);
    EXPECT_EQ(table(send(master, {"Select * From SysDatabases Where Name = 'VOQ_CONFIG'"})).size(),
              0);
}

TEST_F(CorpusTest, UserRowsOfTheConfigurationDatabase) {
    cfg_->execute(
        QStringLiteral("insert into username (Id, Code, FullName, LanguageNo, GroupId) values "
                       "(1, 'ANN', N'แอน', 1, 2), (2, 'GRP', 'Group', NULL, NULL)"),
        {});
    db::BatchResult r =
        send(*cfg_,
             {"select Code, "
              "fullname,languageno,EditSalePrice,Approve_Quo,Approve_SO,Approve_IV,Approve_PO, "
              "Approved_PORQ,",
              "       "
              "ApproveTranWH,ApproveTranBranch,ApproveWorkOrder,CanSeeCost,CanSeeSalePrice,"
              "CanModifyCusSale,",
              "       Approve_PreIs, CanModifyCusSale, ApproveCustomerDropUse, "
              "ApproveCustomerDropCredit, Saleman,",
              "       CanModifyCredit, CanSetProductBlock, CanSetProductMinus, "
              "CanSaleCreditOnReturnCheque, UserSeeImport, UserSeeCost,CanSetOtherUserPass ,",
              "       coalesce(Approve_PoLevel1,'N')Approve_PoLevel1 ,",
              "       coalesce(Approve_PoLevel2,'N')Approve_PoLevel2 ,",
              "       coalesce(Approve_PoLevel3,'N')Approve_PoLevel3 ,", "       GroupId",
              "from  username", "where id=:uid"},
             {{"uid", num(1)}});
    const auto& rs = r.firstRowSet()->rowSet;
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("FullName"))].toString(), QStringLiteral("แอน"));
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("Approve_PoLevel2"))].toString(),
              QStringLiteral("N"));
    EXPECT_EQ(rs.rows[0][rs.indexOf(QStringLiteral("GroupId"))].toInt(), 2);
}

// ---- Product services: lots, serial numbers and prices ----

TEST_F(CorpusDataTest, LotSerialAndPriceStatements) {
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
    EXPECT_EQ(
        rows({"SELECT Id, Code, HasExpired, ExpiredDate", "FROM LotNo", "WHERE (Code = :GetCode)"},
             {{"getcode", str("l1")}})
            .size(),
        1);
    EXPECT_EQ(rows({"SELECT Sum(L.Quantity) LotQnty", "FROM LotOnHand L",
                    "WHERE (L.Product = :GetProduct) And",
                    "  (L.LotNo = :GetLotNo) And (L.BalanceYear <= :GetYear) And (L.Warehouse = "
                    ":GetWarehouse)"},
                   {{"getproduct", num(1)},
                    {"getlotno", num(1)},
                    {"getyear", num(2024)},
                    {"getwarehouse", num(1)}}),
              QStringList{QStringLiteral("10")});
    const QStringList serial = {"Declare @SerialId IdNo",
                                "If Exists (Select Id From product Where Id = :ProductId And "
                                "UseSerial = 'Y' And CheckSerialOnhand = 'N')",
                                "   Exec CreateSerialNo :ProductId, :SerialCode, @SerialId Output",
                                "select  @SerialId"};
    const QStringList made = rows(serial, {{"productid", num(1)}, {"serialcode", str("SN-001")}});
    ASSERT_EQ(made.size(), 1);
    EXPECT_NE(made[0], QStringLiteral("NULL"));
    EXPECT_EQ(
        rows({"SELECT Id, Product, Serial, OnHand", "FROM SerialNo", "WHERE (Serial = :GetCode)"},
             {{"getcode", str("sn-001")}})
            .size(),
        1);
    // A product without serial numbers gets none.
    EXPECT_EQ(rows(serial, {{"productid", num(2)}, {"serialcode", str("SN-002")}}),
              QStringList{QStringLiteral("NULL")});
    EXPECT_EQ(rows({"SELECT P.Price,U.Fraction,U.Id", "FROM ProductPrice P",
                    "Inner Join ProductUnits U On (U.Product=P.Product) And (U.StockUnitFlag='Y') "
                    "And (U.Id=P.ProductUnits)",
                    "Where (P.Product = :GetProduct)  And (P.PriceType = :GetType) "},
                   {{"getproduct", num(1)}, {"gettype", num(19)}}),
              QStringList{QStringLiteral("120|12|2")});
    // The promotion of the day: the date parameter lies between the two date columns.
    const QStringList promotion = {
        "select price,discpercent", "from promotion_dt",
        "where product=:pid and productunits=:uid and pricetype=:tid and customer=:cid",
        "           and (:pdate between startdate and stopdate)", "order by id desc"};
    Values v = {{"pid", num(1)},
                {"uid", num(1)},
                {"tid", num(1)},
                {"cid", num(5)},
                {"pdate", {db::FieldType::DateTime, QDateTime(QDate(2024, 2, 10), QTime(0, 0))}}};
    EXPECT_EQ(rows(promotion, v), QStringList{QStringLiteral("8|0")});
    v["pdate"] = {db::FieldType::DateTime, QDateTime(QDate(2024, 1, 31), QTime(0, 0))};
    EXPECT_EQ(rows(promotion, v), QStringList{QStringLiteral("9.5|0")});
}
