// Checks of products, barcodes, units, warehouses, attribute codes and project items.
#include "ProductFixture.h"
#include "dbcore/Error.h"
#include "db/Query.h"

namespace {

QString column(const db::Query* q, const char* name) {
    return q->fieldByName(QString::fromLatin1(name)).asString();
}
bool isNull(const db::Query* q, const char* name) {
    return q->fieldByName(QString::fromLatin1(name)).isNull();
}

}  // namespace

using ProductChecksTest = ProductTest;

TEST_F(ProductChecksTest, AProductFoundByCodeLeavesItsRowOpenForTheCaller) {
    EXPECT_TRUE(product->ExistsProduct("P001"));
    const db::Query* q = product->QChkProduct;
    EXPECT_EQ(column(q, "Id"), "1");
    EXPECT_EQ(column(q, "ThaiName"), "สบู่");
    EXPECT_EQ(column(q, "WhCode"), "BRANCH");
    EXPECT_EQ(column(q, "flagout"), "N");
    EXPECT_EQ(column(q, "TaxRate"), "7");
    EXPECT_EQ(column(q, "ProductFree"), "N");
    EXPECT_EQ(column(q, "CheckSerialOnhand"), "N");
    EXPECT_EQ(column(q, "PerDiscountOver"), "0");
    // Codes compare as the server compares them, without regard to case.
    EXPECT_TRUE(product->ExistsProduct("p001"));
    EXPECT_FALSE(product->ExistsProduct("P999"));
    EXPECT_TRUE(product->QChkProduct->isActive());
    EXPECT_TRUE(product->QChkProduct->isEmpty());
}

TEST_F(ProductChecksTest, BlockedAndMasterProductsAreNotFoundAndNullCountsAsNo) {
    EXPECT_FALSE(product->ExistsProduct("P003"));  // Blocked 'Y'
    EXPECT_FALSE(product->ExistsProduct("P004"));  // MasterCode 'Y'
    EXPECT_TRUE(product->ExistsProduct("P002"));   // Blocked and MasterCode NULL
    EXPECT_TRUE(product->ExistsProduct("P001"));
}

TEST_F(ProductChecksTest, BarcodesFindTheirUnitAndProductButNotProductsWithNullBlocked) {
    ASSERT_TRUE(product->ExistsBarCode("8850000000012"));
    const db::Query* q = product->QChkBarCode;
    EXPECT_EQ(column(q, "Id"), "2");
    EXPECT_EQ(column(q, "UnitName"), "โหล");
    EXPECT_EQ(column(q, "Fraction"), "12");
    EXPECT_EQ(column(q, "ProductId"), "1");
    EXPECT_EQ(column(q, "Code"), "P001");
    EXPECT_TRUE(isNull(q, "price"));
    sql("INSERT INTO ProductPrice (Product, ProductUnits, PriceType, Price) VALUES (1, 2, 19, 99)");
    ASSERT_TRUE(product->ExistsBarCode("8850000000012"));
    EXPECT_EQ(column(q, "price"), "99");  // the barcode price is type 19

    EXPECT_FALSE(product->ExistsBarCode("8850000000021"));  // P002: Blocked NULL
    EXPECT_FALSE(product->ExistsBarCode("8850000000031"));  // P003: blocked
    EXPECT_FALSE(product->ExistsBarCode("0000000000000"));
    EXPECT_FALSE(product->ExistsBarCode(""));
}

TEST_F(ProductChecksTest, ByBarCodeLooksTheProductUpThroughItsBarcode) {
    product->ByBarCode = true;
    ASSERT_TRUE(product->ExistsProduct("8850000000012"));
    EXPECT_EQ(column(product->QChkProduct, "Code"), "P001");
    // The barcode's unit stays readable.
    EXPECT_EQ(column(product->QChkBarCode, "UnitName"), "โหล");
    // A product code is no barcode.
    EXPECT_FALSE(product->ExistsProduct("P001"));
}

TEST_F(ProductChecksTest, AnUnknownBarcodeLooksUpTheEmptyCodeAndClearsTheSpecialName) {
    setConfig("SearchProductNo = 2");
    ASSERT_TRUE(product->ExistsProduct("P001"));
    ASSERT_FALSE(product->SpecialName.isEmpty());
    sql("INSERT INTO Product (Code, ThaiName, TaxCode, Blocked) VALUES ('', N'ไม่มีรหัส', 1, 'N')");
    product->ByBarCode = true;
    // The empty code is looked up as it stands: here a product has it.
    EXPECT_TRUE(product->ExistsProduct("1234"));
    EXPECT_EQ(column(product->QChkProduct, "ThaiName"), "ไม่มีรหัส");
    sql("DELETE FROM Product WHERE Code = ''");
    EXPECT_FALSE(product->ExistsProduct("1234"));
    EXPECT_EQ(product->SpecialName, "");
}

TEST_F(ProductChecksTest, TheSpecialNameIsTheTrimmedViewNameWhenTheCompanyAsksForIt) {
    EXPECT_TRUE(product->ExistsProduct("P001"));
    EXPECT_EQ(product->SpecialName, "");  // SearchProductNo 1

    setConfig("SearchProductNo = 2");
    EXPECT_TRUE(product->ExistsProduct("P001"));
    EXPECT_EQ(product->SpecialName, "สบู่หอม");
    EXPECT_TRUE(product->ExistsProduct("P005"));  // no point-of-sale name: the Thai name
    EXPECT_EQ(product->SpecialName, "หม้อหุงข้าว");
    // The view has its own blocked test, without a default: a NULL Blocked finds no name there,
    // and the product is found all the same.
    EXPECT_TRUE(product->ExistsProduct("P002"));
    EXPECT_EQ(product->SpecialName, "");
    product->ExistsProduct("P001");
    EXPECT_FALSE(product->ExistsProduct("P003"));
    EXPECT_EQ(product->SpecialName, "");

    setConfig("SearchProductNo = NULL");
    EXPECT_TRUE(product->ExistsProduct("P001"));
    EXPECT_EQ(product->SpecialName, "");
}

TEST_F(ProductChecksTest, AFailingLookupRaisesAndKeepsTheSpecialName) {
    setConfig("SearchProductNo = 2");
    ASSERT_TRUE(product->ExistsProduct("P005"));
    sql("DROP VIEW ProductView");
    EXPECT_THROW(product->ExistsProduct("P001"), db::Error);
    EXPECT_EQ(product->SpecialName, "หม้อหุงข้าว");
}

TEST_F(ProductChecksTest, TheUserWarehouseRestrictionHidesOtherWarehouses) {
    setConfig("CheckUserWarehouseFlag = 'Y'");
    // User 7 has MAIN only: the product is still found, without its default warehouse.
    ASSERT_TRUE(product->ExistsProduct("P001"));
    EXPECT_TRUE(isNull(product->QChkProduct, "WhCode"));
    EXPECT_TRUE(isNull(product->QChkProduct, "WhName"));
    EXPECT_TRUE(isNull(product->QChkProduct, "flagin"));
    EXPECT_EQ(column(product->QChkProduct, "DefaultWh"), "2");
    ASSERT_TRUE(product->ExistsProduct("P002"));
    EXPECT_EQ(column(product->QChkProduct, "WhCode"), "MAIN");
    EXPECT_TRUE(product->ExistsWarehouse("MAIN"));
    EXPECT_FALSE(product->ExistsWarehouse("BRANCH"));

    // Another user's warehouses.
    cfg->UserId = 8;
    sql("INSERT INTO UserWarehouse (UserName, Warehouse, LastUpdate) VALUES (8, 2, GetDate())");
    EXPECT_TRUE(product->ExistsWarehouse("BRANCH"));
    EXPECT_FALSE(product->ExistsWarehouse("MAIN"));
}

TEST_F(ProductChecksTest, OnlyAnUpperCaseYTurnsTheRestrictionOn) {
    for (const char* off : {"'y'", "NULL", "'N'"}) {
        setConfig(QStringLiteral("CheckUserWarehouseFlag = %1").arg(QLatin1String(off)));
        ASSERT_TRUE(product->ExistsProduct("P001")) << off;
        EXPECT_EQ(column(product->QChkProduct, "WhCode"), "BRANCH") << off;
        EXPECT_TRUE(product->ExistsWarehouse("BRANCH")) << off;
        EXPECT_EQ(column(product->QChkWarehouse, "Name"), "คลังสาขา") << off;
    }
    EXPECT_FALSE(product->ExistsWarehouse("NOWHERE"));
}

TEST_F(ProductChecksTest, AUnitQualifiesWhenAnyRequestedKindIsItsOwn) {
    EXPECT_TRUE(product->ExistsProductUnit(1, "ชิ้น", {ukSale}));
    EXPECT_EQ(column(product->QChkUnit, "Id"), "1");
    EXPECT_FALSE(product->ExistsProductUnit(1, "ชิ้น", {ukPurc}));
    EXPECT_TRUE(product->ExistsProductUnit(1, "ชิ้น", {ukPurc, ukSmall}));
    EXPECT_TRUE(product->ExistsProductUnit(1, "ลัง", {ukPurc}));
    EXPECT_FALSE(product->ExistsProductUnit(1, "ลัง", {ukSale, ukStock, ukSmall}));
    EXPECT_FALSE(product->ExistsProductUnit(2, "ชิ้น", {ukSale}));  // another product's unit
    EXPECT_FALSE(product->ExistsProductUnit(1, "โหล", {}));
    EXPECT_FALSE(product->ExistsProductUnit(2, "ขวด", {}));  // every flag 'Y'
}

TEST_F(ProductChecksTest, TheFirstUnitIsTheSmallestThatHasEveryRequestedKind) {
    EXPECT_EQ(product->GetFirstUnit(1, {ukSale}), "ชิ้น");
    EXPECT_EQ(product->GetFirstUnit(1, {ukPurc}), "โหล");
    EXPECT_EQ(product->GetFirstUnit(1, {ukPurc, ukStock}), "โหล");
    EXPECT_EQ(product->GetFirstUnit(1, {ukSale, ukSmall, ukStock}), "");
    EXPECT_EQ(product->GetFirstUnit(1, {}), "ชิ้น");
    EXPECT_EQ(product->GetFirstUnit(99, {}), "");
    // Without kinds every flag must still hold something: a NULL flag leaves the unit out.
    sql("UPDATE ProductUnits SET PurcFlag = NULL WHERE Id = 1");
    EXPECT_EQ(product->GetFirstUnit(1, {}), "โหล");
    EXPECT_EQ(product->GetFirstUnit(1, {ukSale}), "โหล");
    EXPECT_EQ(column(product->QDefaultUnit, "Fraction"), "12");
}

TEST_F(ProductChecksTest, StockAndSmallUnits) {
    EXPECT_EQ(product->GetStockUnit(1), "โหล");
    EXPECT_EQ(product->GetSmallUnit(1), "ชิ้น");
    EXPECT_EQ(column(product->QSmallUnit, "BarCode"), "8850000000011");
    EXPECT_EQ(product->GetStockUnit(7), "");  // no stock unit
    EXPECT_EQ(product->GetSmallUnit(7), "เมตร");
    EXPECT_EQ(product->GetStockUnit(99), "");
}

TEST_F(ProductChecksTest, AttributeCodesAndProjectItems) {
    EXPECT_TRUE(product->ExistsProdAttrCode(1, "01"));
    EXPECT_EQ(column(product->QChkProdAttrCode, "Description"), "นกแก้ว");
    EXPECT_TRUE(product->ExistsProdAttrCode(2, "01"));
    EXPECT_EQ(column(product->QChkProdAttrCode, "Description"), "ของใช้");
    EXPECT_FALSE(product->ExistsProdAttrCode(1, "02"));
    EXPECT_FALSE(product->ExistsProdAttrCode(3, "01"));

    EXPECT_TRUE(product->ExistsProjectItemCode("I01", 1));
    EXPECT_EQ(column(product->QChkProjectItemCode, "id"), "1");
    EXPECT_FALSE(product->ExistsProjectItemCode("I01", 2));
    EXPECT_FALSE(product->ExistsProjectItemCode("I02", 1));
}
