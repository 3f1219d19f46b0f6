// Sale and purchase prices: which source gives the price and the discount.
#include "ProductFixture.h"
#include "db/Query.h"

using product::PriceSource;
using product::PriceStep;

namespace {

QDateTime day(int y, int m, int d, int hour = 0, int minute = 0) {
    return QDateTime(QDate(y, m, d), QTime(hour, minute));
}

}  // namespace

class PriceTest : public ProductTest {
protected:
    // A promotion of the soap's piece at retail price.
    void promotion(int customer, const char* start, const char* stop, const char* price,
                   const char* discount) {
        sql(QStringLiteral("INSERT INTO promotion_dt (Product, ProductUnits, PriceType, Customer, "
                           "StartDate, StopDate, Price, DiscPercent) VALUES (1, 1, 1, %1, '%2', "
                           "'%3', %4, %5)")
                .arg(customer)
                .arg(QLatin1String(start), QLatin1String(stop), QLatin1String(price),
                     QLatin1String(discount)));
    }
    double retailPiece(int customer, const QDateTime& date = day(2024, 5, 1)) {
        return product->GetPrice(customer, 1, 1, 1, date);
    }
    double projectPiece(int customer, int project, const QDateTime& date = day(2024, 5, 1)) {
        return product->GetProjectPrice(customer, 1, 1, 1, project, date);
    }
    void stockUnitMode() {
        setConfig("SearchProductNo = 2, DisplayFraction = 'Y'");
        product->UseStockUnitPrice = true;
    }
};

TEST_F(PriceTest, NoPriceAnywhereGivesZero) {
    product->PriceDiscount = "old";
    product->PriceQuantity = 7;
    EXPECT_EQ(product->GetPrice(4, 1, 3, 1, day(2024, 5, 1)), 0);  // the carton has no price
    EXPECT_EQ(product->PriceDiscount, "");
    EXPECT_EQ(product->PriceQuantity, 1);
    product->PriceDiscount = "old";
    EXPECT_EQ(product->GetProjectPrice(4, 1, 3, 1, 1, day(2024, 5, 1)), 0);
    EXPECT_EQ(product->PriceDiscount, "");
    EXPECT_EQ(product->PriceQuantity, 0);
}

TEST_F(PriceTest, TheStandardPriceOfTheUnitAndType) {
    EXPECT_EQ(retailPiece(4), 12.5);
    EXPECT_EQ(product->GetPrice(4, 1, 2, 2, day(2024, 5, 1)), 130);
    EXPECT_EQ(product->PriceDiscount, "");
}

TEST_F(PriceTest, TheCustomersOwnPositivePriceReplacesTheStandardOne) {
    EXPECT_EQ(retailPiece(1), 11);
    EXPECT_EQ(product->PriceDiscount, "5%");
    EXPECT_EQ(product->PriceQuantity, 1);
    EXPECT_EQ(projectPiece(1, 1), 11);
    EXPECT_EQ(product->PriceQuantity, 10);
}

TEST_F(PriceTest, ACustomerPriceOfZeroGivesOnlyItsDiscountToASalePrice) {
    EXPECT_EQ(retailPiece(2), 12.5);
    EXPECT_EQ(product->PriceDiscount, "3%");
    // Within a project the customer's price is taken whatever it is.
    EXPECT_EQ(projectPiece(2, 1), 0);
    EXPECT_EQ(product->PriceDiscount, "3%");
    EXPECT_EQ(product->PriceQuantity, 3);
}

TEST_F(PriceTest, TheCustomersPromotionWinsOverANewerOneForEveryCustomer) {
    promotion(1, "20240101", "20241231", "10.5", "'2%'");
    promotion(0, "20240101", "20241231", "9", "'1%'");
    EXPECT_EQ(retailPiece(1), 10.5);
    EXPECT_EQ(product->PriceDiscount, "2%");
    EXPECT_EQ(product->PriceQuantity, 1);
    // Another customer gets the promotion for every customer.
    EXPECT_EQ(retailPiece(4), 9);
    EXPECT_EQ(product->PriceDiscount, "1%");
    // Among the customer's own promotions the newest row wins.
    promotion(1, "20240401", "20240531", "10", "NULL");
    EXPECT_EQ(retailPiece(1), 10);
    EXPECT_EQ(product->PriceDiscount, "");
}

TEST_F(PriceTest, APromotionGivesItsPriceWhateverItIs) {
    promotion(0, "20240101", "20241231", "NULL", "'50%'");
    EXPECT_EQ(retailPiece(1), 0);
    EXPECT_EQ(product->PriceDiscount, "50%");
    EXPECT_EQ(projectPiece(1, 2), 0);
    EXPECT_EQ(product->PriceQuantity, 10);  // the customer price's quantity stays
}

// The document's date is cut to its day: a promotion that stops at midnight of that day still
// holds in the afternoon, and one that starts in the afternoon not yet.
TEST_F(PriceTest, APromotionHoldsForTheWholeDayItStops) {
    promotion(0, "20240401", "20240501", "9", "NULL");
    EXPECT_EQ(retailPiece(4, day(2024, 5, 1, 15, 30)), 9);
    EXPECT_EQ(retailPiece(4, day(2024, 5, 2, 0, 0)), 12.5);
    promotion(0, "20240601 12:00", "20240630", "8", "NULL");
    EXPECT_EQ(retailPiece(4, day(2024, 6, 1, 13, 0)), 12.5);
}

TEST_F(PriceTest, AProjectPriceWinsOverEverythingAndClearsAPromotionsDiscount) {
    promotion(1, "20240101", "20241231", "10.5", "'2%'");
    sql("INSERT INTO CustomerProductPriceProject (Project, Customer, Product, ProductUnits, "
        "Price, Discount) VALUES (1, 1, 1, 1, 9.75, NULL), (2, 1, 1, 1, 9.5, '1+1')");
    EXPECT_EQ(projectPiece(1, 1), 9.75);
    EXPECT_EQ(product->PriceDiscount, "");
    EXPECT_EQ(product->PriceQuantity, 10);
    EXPECT_EQ(projectPiece(1, 2), 9.5);
    EXPECT_EQ(product->PriceDiscount, "1+1");
    // Another customer's project price is not this customer's.
    EXPECT_EQ(projectPiece(4, 1), 12.5);
}

// In stock-unit mode the standard and the customer's price are the stock unit's; the promotion
// is still looked up for the caller's unit.
TEST_F(PriceTest, StockUnitModePricesTheStockUnit) {
    stockUnitMode();
    EXPECT_EQ(retailPiece(4), 140);
    EXPECT_EQ(product->QStockUnitPrice->fieldByName("Fraction").asInteger(), 12);
    EXPECT_EQ(retailPiece(3), 120);  // customer 3's price is for the box
    EXPECT_EQ(retailPiece(1), 140);  // customer 1's price is for the piece
    EXPECT_EQ(product->PriceDiscount, "");
    // The project price never uses the mode.
    EXPECT_EQ(projectPiece(4, 1), 12.5);
    promotion(0, "20240101", "20241231", "10", "NULL");
    EXPECT_EQ(retailPiece(3), 10);
    // Without a stock unit price there is no price, and no customer price for unit 0.
    EXPECT_EQ(product->GetPrice(1, 1, 1, 2, day(2024, 5, 1)), 130);
    EXPECT_EQ(product->GetPrice(1, 1, 1, 3, day(2024, 5, 1)), 0);
}

TEST_F(PriceTest, StockUnitModeNeedsAllThreeConditions) {
    stockUnitMode();
    product->UseStockUnitPrice = false;
    EXPECT_EQ(retailPiece(4), 12.5);
    product->UseStockUnitPrice = true;
    setConfig("DisplayFraction = 'y'");
    EXPECT_EQ(retailPiece(4), 12.5);
    setConfig("DisplayFraction = 'Y', SearchProductNo = 1");
    EXPECT_EQ(retailPiece(4), 12.5);
    setConfig("SearchProductNo = 2");
    EXPECT_EQ(retailPiece(4), 140);
}

TEST_F(PriceTest, APurchasePriceComesFromThePartRecordThenTheUnitThenTheCaller) {
    EXPECT_EQ(product->SetPurchasePrice(1, 1, 77, 2), 99);  // the part record's price
    sql("DELETE FROM PartSource");
    EXPECT_EQ(product->SetPurchasePrice(1, 1, 77, 2), 110);    // baht
    EXPECT_EQ(product->SetPurchasePrice(1, 2, 77, 2), 3.2);    // dollars
    EXPECT_EQ(product->SetPurchasePrice(1, 3, 77, 2), 33000);  // kip
    EXPECT_EQ(product->SetPurchasePrice(1, 4, 77, 2), 0);      // euros: no price column
    EXPECT_EQ(product->SetPurchasePrice(1, 2, 77, 3), 0);      // the carton has no dollar price
    EXPECT_EQ(product->SetPurchasePrice(1, 99, 77, 2), 77);    // no such vendor
}

TEST_F(PriceTest, TheObserverIsToldEveryStepAndWhatItGave) {
    std::vector<PriceStep> steps;
    product->setPriceObserver([&](const PriceStep& s) { steps.push_back(s); });
    promotion(0, "20240101", "20241231", "9", "'1%'");
    EXPECT_EQ(retailPiece(2), 9);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].source, PriceSource::StandardPrice);
    EXPECT_TRUE(steps[0].tookPrice);
    EXPECT_EQ(steps[0].priceAfter, 12.5);
    EXPECT_EQ(steps[1].source, PriceSource::CustomerPrice);
    EXPECT_TRUE(steps[1].found);
    EXPECT_FALSE(steps[1].tookPrice);
    EXPECT_TRUE(steps[1].tookDiscount);
    EXPECT_EQ(steps[1].discount, "3%");
    EXPECT_EQ(steps[2].source, PriceSource::CustomerPromotion);
    EXPECT_FALSE(steps[2].found);
    EXPECT_EQ(steps[3].source, PriceSource::AllCustomersPromotion);
    EXPECT_TRUE(steps[3].tookPrice && steps[3].tookDiscount);
    EXPECT_EQ(steps[3].priceAfter, 9);

    steps.clear();
    product->SetPurchasePrice(1, 99, 77, 2);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[2].source, PriceSource::DefaultPrice);
    EXPECT_EQ(steps[2].priceAfter, 77);
}
