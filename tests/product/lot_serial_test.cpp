// Checks of lots, serial numbers and vendor part records.
#include "ProductFixture.h"
#include "db/Query.h"
#include "ui/MessageBox.h"

namespace {

QString column(const db::Query* q, const char* name) {
    return q->fieldByName(QString::fromLatin1(name)).asString();
}

QDateTime at(const char* text) {
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

}  // namespace

// Message boxes are answered by the test and kept.
class LotSerialTest : public ProductTest {
protected:
    void SetUp() override {
        ProductTest::SetUp();
        ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
            messages.push_back(r);
            return true;
        });
    }
    void TearDown() override {
        ui::setMessageBoxResponder(nullptr);
        ProductTest::TearDown();
    }
    std::vector<ui::MessageBoxRequest> messages;
};

TEST_F(LotSerialTest, ALotIsValidUpToItsExpiryInstant) {
    EXPECT_TRUE(product->ExistsLotNo("L-NOON", at("2024-06-30 12:00:00")));
    EXPECT_EQ(column(product->QChkLotNo, "Id"), "2");
    EXPECT_TRUE(product->ExistsLotNo("L-NOON", at("2024-06-30 11:59:59")));
    EXPECT_TRUE(messages.empty());

    EXPECT_FALSE(product->ExistsLotNo("L-NOON", at("2024-06-30 12:00:01")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, ui::MessageBoxRequest::Kind::Information);
    EXPECT_EQ(messages[0].text, "LotNo หมดอายุแล้ว");
    // The lot's row stays readable after the refusal.
    EXPECT_EQ(column(product->QChkLotNo, "Code"), "L-NOON");
}

TEST_F(LotSerialTest, OnlyHasExpiredNMeansTheLotNeverExpires) {
    EXPECT_TRUE(product->ExistsLotNo("L-NEVER", at("2099-01-01 00:00:00")));
    EXPECT_TRUE(messages.empty());
    // NULL counts as a lot that expires.
    EXPECT_FALSE(product->ExistsLotNo("L-NULL", at("2024-07-01 00:00:00")));
    EXPECT_TRUE(product->ExistsLotNo("L-NULL", at("2024-06-30 12:00:00")));
    // Without an expiry date a lot that expires is expired at any date.
    EXPECT_FALSE(product->ExistsLotNo("L-NODATE", at("1990-01-01 00:00:00")));
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(LotSerialTest, AnUnknownLotIsRefusedSilently) {
    EXPECT_FALSE(product->ExistsLotNo("L-NONE", at("2024-01-01 00:00:00")));
    EXPECT_TRUE(messages.empty());
}

TEST_F(LotSerialTest, TheQuantityInALotSumsEveryYearUpToTheOneAsked) {
    EXPECT_DOUBLE_EQ(product->LotNoOnHand(2, 1, 1, 2023), 12);
    EXPECT_DOUBLE_EQ(product->LotNoOnHand(2, 1, 1, 2024), 112);
    EXPECT_DOUBLE_EQ(product->LotNoOnHand(2, 1, 1, 2021), 0);
    EXPECT_DOUBLE_EQ(product->LotNoOnHand(2, 1, 2, 2024), 1000);
    EXPECT_DOUBLE_EQ(product->LotNoOnHand(2, 8, 1, 2024), 40);
    EXPECT_DOUBLE_EQ(product->LotNoOnHand(1, 1, 1, 2024), 0);
}

TEST_F(LotSerialTest, ASerialIsRegisteredWhenTypedOnlyForProductsThatAskForIt) {
    // The rice cooker uses serials without a stock check: a new serial is registered in stock.
    EXPECT_TRUE(product->ExistsSerialNo("RC-100", 5));
    EXPECT_EQ(column(product->QChkSerial, "Serial"), "RC-100");
    EXPECT_TRUE(product->ExistsSerialNo("RC-100", 5));
    EXPECT_EQ(scalar(kCompany, "SELECT Count(*) FROM SerialNo WHERE Serial = 'RC-100'"), "1");

    // The fan's serials are checked against stock, never registered.
    EXPECT_TRUE(product->ExistsSerialNo("FAN-1", 6));
    EXPECT_FALSE(product->ExistsSerialNo("FAN-2", 6));  // OnHand 'N'
    EXPECT_FALSE(product->ExistsSerialNo("FAN-3", 6));  // OnHand NULL
    EXPECT_FALSE(product->ExistsSerialNo("FAN-9", 6));
    EXPECT_FALSE(product->ExistsSerialNo("SOAP-1", 1));  // no serials at all
    EXPECT_FALSE(product->ExistsSerialNo("FAN-1", 8));   // another product's serial
    EXPECT_EQ(scalar(kCompany, "SELECT Count(*) FROM SerialNo"), "4");
}

TEST_F(LotSerialTest, APartRecordIsPricedInTheCurrencyOfTheVendorsOrders) {
    const struct {
        int vendor;
        const char* price;
    } cases[] = {{1, "105"}, {2, "3.1"}, {3, "31500"}, {4, "99"}, {5, "3.1"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(product->ExistsPartSource(2, c.vendor)) << c.vendor;
        EXPECT_EQ(column(product->QExistsPartSource, "Price"), c.price) << c.vendor;
        EXPECT_EQ(column(product->QExistsPartSource_PR, "Price"), c.price) << c.vendor;
    }
    EXPECT_FALSE(product->ExistsPartSource(1, 2));  // no record for the piece
    EXPECT_TRUE(product->QExistsPartSource_PR->isEmpty());
}

TEST_F(LotSerialTest, APartRecordWithoutPriceIsFoundButNotAmongThePricedOnes) {
    ASSERT_TRUE(product->ExistsPartSource(1, 1));
    EXPECT_EQ(column(product->QExistsPartSource, "PurchaseCode"), "TH-1");
    EXPECT_TRUE(product->QExistsPartSource_PR->isEmpty());
}

// The unit's standard purchase price follows the vendor's own currency, not that of its orders.
TEST_F(LotSerialTest, TheStandardPurchasePriceIsInTheVendorsCurrency) {
    const struct {
        int vendor;
        const char* price;
    } cases[] = {{1, "110"}, {2, "3.2"}, {3, "33000"}, {5, "110"}};
    for (const auto& c : cases) {
        product->ExistsPartSource(2, c.vendor);
        ASSERT_EQ(product->QPriceStandard->recordCount(), 1) << c.vendor;
        EXPECT_EQ(column(product->QPriceStandard, "PurcPrice"), c.price) << c.vendor;
        EXPECT_EQ(column(product->QPriceStandard, "LabourCost"), "0");
    }
    product->ExistsPartSource(2, 4);  // euros: no price column
    ASSERT_EQ(product->QPriceStandard->recordCount(), 1);
    EXPECT_TRUE(product->QPriceStandard->fieldByName("PurcPrice").isNull());
    product->ExistsPartSource(2, 99);  // no such vendor
    EXPECT_TRUE(product->QPriceStandard->isEmpty());
}

TEST_F(LotSerialTest, AVendorsOwnCodeFindsItsPartRecord) {
    ASSERT_TRUE(product->ExistsVendorPartCode("LA-12", 3));
    EXPECT_EQ(column(product->QChkPartSource, "Code"), "P001");
    EXPECT_EQ(column(product->QChkPartSource, "UnitName"), "โหล");
    EXPECT_EQ(column(product->QChkPartSource, "Fraction"), "12");
    EXPECT_FALSE(product->ExistsVendorPartCode("LA-12", 1));
    EXPECT_FALSE(product->ExistsVendorPartCode("XX-12", 3));
}
