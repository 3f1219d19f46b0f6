// Stock on hand as text in stock and small units.
#include "ProductFixture.h"

// Quantities are written with the separators of an English locale.
class StockQuantityTest : public ProductTest {
protected:
    void SetUp() override {
        ProductTest::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::system());
        ProductTest::TearDown();
    }
};

TEST_F(StockQuantityTest, TheWorkedExamplesOfTheDisplay) {
    EXPECT_EQ(product->ShowQuantity(1, 30), "2 โหล 6 ชิ้น");
    EXPECT_EQ(product->ShowQuantity(1, -30), "- 2 โหล 6 ชิ้น");
    EXPECT_EQ(product->ShowQuantity(1, 24), "2 โหล");
    EXPECT_EQ(product->ShowQuantity(1, 12), "1 โหล");
    EXPECT_EQ(product->ShowQuantity(1, 0), "0 โหล");
    EXPECT_EQ(product->ShowQuantity(1, 0.5), " .5 ชิ้น");
    EXPECT_EQ(product->ShowQuantity(8, 1234.5), "1,234.5 ใบ");
}

TEST_F(StockQuantityTest, ShowQuantityOfAnUnknownProductIsError) {
    product->OnHandQuantity = 4;
    EXPECT_EQ(product->ShowQuantity(99, 30), "Error");
    EXPECT_EQ(product->ShowQuantity(1, 30), "2 โหล 6 ชิ้น");
    EXPECT_EQ(product->OnHandQuantity, 4);
}

TEST_F(StockQuantityTest, TheStockOfAYearOverAllWarehouses) {
    EXPECT_EQ(product->ProductQuantity(1, 2024), "2 โหล 11 ชิ้น");  // RMA counts here
    EXPECT_EQ(product->ProductQuantity(1, 2023), " 7 ชิ้น");
    EXPECT_EQ(product->ProductQuantity(1, 2022), "0 โหล");
    EXPECT_EQ(product->ProductQuantity(8, 2024), "1,234.5 ใบ");
    EXPECT_EQ(product->ProductQuantity(99, 2024), "0 ");
}

// Without a stock unit the stock is counted once, in small units.
TEST_F(StockQuantityTest, AProductWithoutAStockUnitShowsItsSmallUnits) {
    EXPECT_EQ(product->ProductQuantity(7, 2024), "30 เมตร");
    EXPECT_EQ(product->ShowQuantity(7, 2.5), "2.5 เมตร");
}

TEST_F(StockQuantityTest, TheStockOfOneWarehouseIsKeptAsANumberToo) {
    EXPECT_EQ(product->ProductWHQuantity(1, 1, 2024), "2 โหล 6 ชิ้น");
    EXPECT_EQ(product->OnHandQuantity, 30);
    EXPECT_EQ(product->ProductWHQuantity(1, 3, 2024), " 5 ชิ้น");
    EXPECT_EQ(product->OnHandQuantity, 5);
    sql("INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, Quantity) "
        "VALUES (1, 2, 2, 2024, -30)");
    EXPECT_EQ(product->ProductWHQuantity(1, 2, 2024), "- 2 โหล 6 ชิ้น");
    EXPECT_EQ(product->OnHandQuantity, -30);
    EXPECT_EQ(product->ProductWHQuantity(1, 2, 2023), "0 โหล");
    EXPECT_EQ(product->OnHandQuantity, 0);
}

TEST_F(StockQuantityTest, TheStockOfOneUnitNeverCountsTheRmaWarehouse) {
    EXPECT_EQ(product->ProductUnitsWHQuantity(1, 1, 1, 2024), "1 โหล 6 ชิ้น");
    EXPECT_EQ(product->OnHandQuantity, 18);
    EXPECT_EQ(product->ProductUnitsWHQuantity(1, 2, 1, 2024), "1 โหล");
    EXPECT_EQ(product->ProductUnitsWHQuantity(1, 1, 3, 2024), "0 โหล");
    EXPECT_EQ(product->OnHandQuantity, 0);
}

// The stock of all warehouses is summed at two decimals, of one warehouse at three, and of one
// unit in one warehouse as stored.
TEST_F(StockQuantityTest, EachSumKeepsItsOwnDecimals) {
    sql("INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, Quantity) "
        "VALUES (8, 10, 1, 2025, 0.004), (8, 10, 2, 2025, 0.004), (8, 10, 1, 2026, 0.0004)");
    EXPECT_EQ(product->ProductQuantity(8, 2025), "0 ใบ");
    EXPECT_EQ(product->ProductWHQuantity(8, 1, 2025), "0.004 ใบ");
    EXPECT_EQ(product->ProductWHQuantity(8, 1, 2026), "0 ใบ");
    EXPECT_EQ(product->ProductUnitsWHQuantity(8, 10, 1, 2026), "0.0004 ใบ");
}
