// Runs the built voq-product as a process against the demo company, one case per command.
#include <QDate>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include "EngineFixture.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

}  // namespace

class VoqProductProcess : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        QStringList scripts = companySchemaScripts();
        const QDir demo(sourcePath(QStringLiteral("schema/demo")));
        for (const QString& f :
             demo.entryList({QStringLiteral("company*.sql")}, QDir::Files, QDir::Name))
            scripts << demo.filePath(f);
        installPrepared(QStringLiteral("DEMO"), scripts);
    }

    // voq-product on the demo as user 3 (JOHN, who may use WH01 only) unless told otherwise.
    Outcome run(const QStringList& command, int user = 3) const {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        p.setProcessEnvironment(env);
        p.setProgram(QStringLiteral(VOQ_PRODUCT_EXE));
        p.setArguments(QStringList{"-S", server(), "-d", "DEMO", "-u", QString::number(user)} +
                       command);
        p.start();
        Outcome r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "voq-product did not finish";
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // An id of the demo, by a query.
    QString id(const QString& sql) { return scalar(QStringLiteral("DEMO"), sql); }
    QString unitId(const char* product, const char* unit) {
        return id(QStringLiteral("SELECT U.Id FROM ProductUnits U JOIN Product P ON P.Id = "
                                 "U.Product WHERE P.Code = '%1' AND U.UnitName = N'%2'")
                      .arg(QLatin1String(product), QString::fromUtf8(unit)));
    }
    static QString year(int back = 0) {
        return QString::number(QDate::currentDate().year() - back);
    }
};

TEST_F(VoqProductProcess, ProductShowsTheRowWithinTheUsersWarehouses) {
    Outcome r = run({"product", "P005"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.out.startsWith("ExistsProduct(\"P005\") = true\nSpecialName = \"สบู่ก้อนสมุนไพร\"\n"
                         "QChkProduct:\n  Id "))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression("\n  WhCode +NULL\n")));  // WH02 is not JOHN's
    r = run({"product", "P005"}, 1);
    EXPECT_TRUE(r.out.contains(QRegularExpression("\n  WhCode +WH02\n")));
    r = run({"product", "8850999000028", "--barcode"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("SpecialName = \"น้ำช้าง 600\""));
    EXPECT_TRUE(r.out.contains(QRegularExpression("QChkBarCode:\n(  .*\n)*  UnitName +แพ็ค\n")));
    EXPECT_EQ(run({"product", "P012"}).exitCode, 1);  // blocked
    EXPECT_EQ(run({"product", "P011"}).exitCode, 1);  // master product
}

TEST_F(VoqProductProcess, BarcodeOfAProductWithoutABlockedFlagIsNotFound) {
    Outcome r = run({"barcode", "8850999000035"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QRegularExpression("\n  UnitName +ลัง\n")));
    r = run({"barcode", "8850888000027"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "ExistsBarCode(\"8850888000027\") = false\nQChkBarCode: (no row)\n");
    EXPECT_EQ(run({"product", "P010"}).exitCode, 0);
}

TEST_F(VoqProductProcess, UnitQualifiesByAnyOfTheKinds) {
    EXPECT_EQ(run({"unit", "1", "ลัง", "--kinds", "purc"}).exitCode, 0);
    EXPECT_EQ(run({"unit", "1", "ขวด", "--kinds", "purc,stock"}).exitCode, 1);
    EXPECT_EQ(run({"unit", "1", "ขวด"}).exitCode, 1);  // no kinds
}

TEST_F(VoqProductProcess, FirstUnitIsTheSmallestWithEveryKind) {
    Outcome r = run({"first-unit", "1", "--kinds", "sale,purc"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("GetFirstUnit(1, kinds 3) = \"ลัง\"\n"));
    EXPECT_TRUE(run({"first-unit", "1"}).out.startsWith("GetFirstUnit(1, kinds 0) = \"ขวด\"\n"));
    EXPECT_EQ(run({"first-unit", "1", "--kinds", "small,stock"}).exitCode, 1);
}

TEST_F(VoqProductProcess, StockAndSmallUnit) {
    EXPECT_TRUE(run({"stock-unit", "1"}).out.startsWith("GetStockUnit(1) = \"ลัง\"\n"));
    EXPECT_EQ(run({"stock-unit", "99"}).exitCode, 1);
    EXPECT_TRUE(run({"small-unit", "2"}).out.startsWith("GetSmallUnit(2) = \"ซอง\"\n"));
}

TEST_F(VoqProductProcess, WarehouseIsOneOfTheUsersOwn) {
    EXPECT_EQ(run({"warehouse", "WH02"}).exitCode, 1);
    const Outcome r = run({"warehouse", "WH02"}, 1);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QRegularExpression("\n  Name +คลังสาขาเชียงใหม่\n")));
    EXPECT_EQ(run({"warehouse", "RMA"}, 1).exitCode, 1);
}

TEST_F(VoqProductProcess, AttributeCodeOfAGroup) {
    const QString brand = id("SELECT Id FROM ProdAttrGroup WHERE Code = 'BR'");
    const Outcome r = run({"attr-code", brand, "02"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QRegularExpression("\n  Description +มาม่า\n")));
    EXPECT_EQ(run({"attr-code", brand, "10"}).exitCode, 1);
}

TEST_F(VoqProductProcess, ProjectItem) {
    const QString project = id("SELECT Id FROM projecthd WHERE Code = 'PJ01'");
    EXPECT_EQ(run({"project-item", "I01", project}).exitCode, 0);
    EXPECT_EQ(run({"project-item", "I09", project}).exitCode, 1);
}

// A soy milk lot expires at midnight ending the year after it was made.
TEST_F(VoqProductProcess, LotExpiresAfterItsInstantWithAMessage) {
    const QString lot = "P008-" + year(2);
    const QString expiry = "31/12/" + year(1);
    Outcome r = run({"lot", lot, "--date", expiry + " 00:00:00"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(r.out.contains("message:"));
    r = run({"lot", lot, "--date", expiry + " 00:00:01"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("message: LotNo หมดอายุแล้ว\nExistsLotNo(\"" + lot + "\", " +
                                 expiry + " 00:00:01) = false\n"))
        << r.out.toStdString();
    EXPECT_EQ(run({"lot", "P007-" + year(5), "--date", "01/01/2099"}).exitCode, 0);  // never
    r = run({"lot", "NO-LOT"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("ExistsLotNo(\"NO-LOT\", "));  // no message
    EXPECT_TRUE(r.out.endsWith(") = false\nQChkLotNo: (no row)\n")) << r.out.toStdString();
}

TEST_F(VoqProductProcess, LotOnHandSumsTheYearsUpToTheOneAsked) {
    const QString lot = id("SELECT Id FROM LotNo WHERE Code = 'P007-" + year(1) + "'");
    const QString warehouse = id("SELECT Id FROM Warehouse WHERE Code = 'WH01'");
    const QString expected = id("SELECT Sum(Quantity) FROM LotOnHand WHERE LotNo = " + lot +
                                " AND Warehouse = " + warehouse + " AND BalanceYear <= " + year());
    const Outcome r = run({"lot-onhand", lot, "7", warehouse, year()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(
        QStringLiteral("LotNoOnHand(%1, 7, %2, %3) = %4\n").arg(lot, warehouse, year(), expected)))
        << r.out.toStdString();
    EXPECT_EQ(run({"lot-onhand", lot, "7", warehouse, year(6)}).exitCode, 1);
}

TEST_F(VoqProductProcess, SerialIsRegisteredForTheRiceCooker) {
    EXPECT_EQ(run({"serial", "9", "RC18-000101"}).exitCode, 0);
    EXPECT_EQ(run({"serial", "9", "RC18-000103"}).exitCode, 1);  // out of stock
    const Outcome r = run({"serial", "9", "RC18-009999"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QRegularExpression("\n  OnHand +Y\n")));
    EXPECT_EQ(id("SELECT Count(*) FROM SerialNo WHERE Serial = 'RC18-009999'"), "1");
}

TEST_F(VoqProductProcess, PartSourceIsPricedInTheOrderCurrency) {
    const QString box = unitId("P007", "กล่อง");
    const QString lao = id("SELECT Id FROM Vendor WHERE Code = 'V003'");
    Outcome r = run({"part-source", box, lao});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(
        r.out.contains(QRegularExpression("QExistsPartSource:\n(  .*\n)*  Price +1380000\n")));
    // The rice cooker's record has no price: found, but not among the priced ones.
    r = run(
        {"part-source", unitId("P009", "เครื่อง"), id("SELECT Id FROM Vendor WHERE Code = 'V004'")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("QExistsPartSource_PR: (no row)\n"));
}

TEST_F(VoqProductProcess, VendorPartCode) {
    EXPECT_EQ(
        run({"vendor-part", "CW-600-24", id("SELECT Id FROM Vendor WHERE Code = 'V001'")}).exitCode,
        0);
    EXPECT_EQ(
        run({"vendor-part", "CW-600-24", id("SELECT Id FROM Vendor WHERE Code = 'V002'")}).exitCode,
        1);
}

// The noodles' box: a promotion for every customer all year, a better one for C001 in the last
// quarter.
TEST_F(VoqProductProcess, PriceSaysWhichSourceGaveIt) {
    const QString box = unitId("P002", "กล่อง");
    const QString c001 = id("SELECT Id FROM Customer WHERE Code = 'C001'");
    Outcome r = run({"price", c001, "2", box, "1", "15/01/" + year()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("GetPrice(%1, 2, %2, 1, 15/01/%3 00:00:00) = 180\n"
                                                "PriceDiscount = \"\"\nPriceQuantity = 1\nhow:\n")
                                     .arg(c001, box, year())))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("3. promotion for this customer (promotion_dt), unit " + box +
                               ": no row -> nothing taken"));
    EXPECT_TRUE(r.out.contains("4. promotion for all customers (promotion_dt, customer 0), unit " +
                               box + ": price 180 -> price and discount taken; price now 180"));
    r = run({"price", c001, "2", box, "1", "15/12/" + year()});
    EXPECT_TRUE(r.out.startsWith(
        QStringLiteral("GetPrice(%1, 2, %2, 1, 15/12/%3 00:00:00) = 170\nPriceDiscount = \"2%\"\n")
            .arg(c001, box, year())));
    // No price anywhere for a piece of price type 9.
    EXPECT_EQ(run({"price", c001, "2", box, "9", "15/12/" + year()}).exitCode, 1);
}

TEST_F(VoqProductProcess, ProjectPriceWinsOverTheCustomersOwn) {
    const QString c003 = id("SELECT Id FROM Customer WHERE Code = 'C003'");
    const QString project = id("SELECT Id FROM projecthd WHERE Code = 'PJ01'");
    const Outcome r =
        run({"project-price", c003, "1", unitId("P001", "ลัง"), "1", project, "15/06/" + year()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("= 115\nPriceDiscount = \"\"\nPriceQuantity = 10\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("(CustomerProductPriceProject), unit"));
}

TEST_F(VoqProductProcess, PurchasePriceFromThePartRecordTheUnitOrTheCaller) {
    const QString carton = unitId("P001", "ลัง");
    const QString v001 = id("SELECT Id FROM Vendor WHERE Code = 'V001'");
    const QString v002 = id("SELECT Id FROM Vendor WHERE Code = 'V002'");
    EXPECT_TRUE(
        run({"purchase-price", "1", v001, "77", carton})
            .out.startsWith(
                QStringLiteral("SetPurchasePrice(1, %1, 77, %2) = 105\n").arg(v001, carton)));
    EXPECT_TRUE(
        run({"purchase-price", "1", v002, "77", carton}).out.contains(QStringLiteral(") = 108\n")));
    const Outcome r = run({"purchase-price", "1", "99", "77", carton});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("3. the default price given: price 77 -> price taken"));
}

// The rice cookers sent for repair: in the RMA warehouse, never counted for a unit there.
TEST_F(VoqProductProcess, OnHandOfAllWarehousesOneWarehouseOrOneUnit) {
    const QString rma = id("SELECT Id FROM Warehouse WHERE Code = 'RMA'");
    const QString sent =
        id("SELECT Coalesce(Sum(Quantity), 0) FROM ProductOnHand WHERE Product = "
           "9 AND Warehouse = " +
           rma + " AND BalanceYear = " + year());
    Outcome r = run({"onhand", "9", year(), "--warehouse", rma});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("ProductWHQuantity(9, %1, %2) = \"%3 เครื่อง\"\n"
                                                "OnHandQuantity = %3\n")
                                     .arg(rma, year(), sent)))
        << r.out.toStdString();
    r = run({"onhand", "9", year(), "--warehouse", rma, "--unit", unitId("P009", "เครื่อง")});
    EXPECT_TRUE(r.out.contains("= \"0 เครื่อง\"\nOnHandQuantity = 0\n")) << r.out.toStdString();
    r = run({"onhand", "99", year()});
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("ProductQuantity(99, %1) = \"0 \"\n").arg(year())));
}

TEST_F(VoqProductProcess, ShowQuantityInStockAndSmallUnits) {
    Outcome r = run({"show-quantity", "1", "-1230.5"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("ShowQuantity(1, -1230.5) = \"- 51 ลัง 6.5 ขวด\"\n"))
        << r.out.toStdString();
    r = run({"show-quantity", "99", "30"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("ShowQuantity(99, 30) = \"Error\"\n"));
}

TEST_F(VoqProductProcess, ErrorsEndWithStatusTwoAndAMessage) {
    Outcome r = run({"nothing"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith("voq-product: unknown command 'nothing'\nUsage:"));
    r = run({"price", "1", "2"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith("voq-product: price takes CUSTOMER-ID PRODUCT-ID"));
    EXPECT_EQ(r.out, "");
    scalar(QStringLiteral("DEMO"), QStringLiteral("DROP VIEW ProductView SELECT 1"));
    r = run({"product", "P001"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith("voq-product: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("ProductView")) << r.err.toStdString();
}
