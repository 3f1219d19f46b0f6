// The data generator on real company databases: exact counts, reproducible rows, refusals.

#include "tests/schema/SchemaFixture.h"
#include "tools/datagen/Generator.h"

namespace {

using schematest::CompanyTest;

const char* const kLineTables[] = {"MrDt", "PrDt", "IvDt", "SrDt", "IsDt", "RiDt", "TrDt", "AjDt"};

class DatagenTest : public CompanyTest {
protected:
    static datagen::Sink sinkOn(db::Connection& c) {
        datagen::Sink sink;
        sink.rows = [&c](const QString& sql) {
            const db::BatchResult r = c.execute(sql);
            const db::StatementResult* rs = r.firstRowSet();
            return rs ? rs->rowSet.rows : std::vector<QVariantList>{};
        };
        sink.execute = [&c](const QString& sql) { c.execute(sql); };
        return sink;
    }

    static datagen::Options small(std::uint64_t seed) {
        datagen::Options o;
        o.products = 40;
        o.lines = 1500;
        o.seed = seed;
        o.customers = 5;
        o.vendors = 3;
        o.rowsPerInsert = 97;
        return o;
    }

    // Every generated row of the documents, in id order.
    static QStringList documents(db::Connection& c) {
        QStringList all;
        for (const char* t : {"MrHd", "PrHd", "IvHd", "SrHd", "IsHd", "RiHd", "TrHd", "AjHd",
                              "MrDt", "PrDt", "IvDt", "SrDt", "IsDt", "RiDt", "TrDt", "AjDt"})
            all += schematest::rowsOf(c, QStringLiteral("SELECT * FROM %1 ORDER BY Id").arg(t));
        return all;
    }
};

TEST_F(DatagenTest, WritesExactlyTheLinesAndProductsAskedFor) {
    const datagen::Summary s = datagen::generate(small(7), sinkOn(*db_));
    EXPECT_EQ(s.lines, 1500);
    EXPECT_EQ(s.products, 40);
    std::int64_t lines = 0;
    for (const char* t : kLineTables)
        lines += scalar(QStringLiteral("SELECT Count(*) FROM %1").arg(t)).toLongLong();
    EXPECT_EQ(lines, 1500);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Product")), QStringLiteral("40"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM ProductUnits WHERE SmallUnitFlag = 'Y' "
                                    "AND Fraction = 1")),
              QStringLiteral("40"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Min(Year(DocDate)), Max(Year(DocDate)) FROM IvHd")),
              QStringLiteral("2021|2023"));
    // Every delivery line names a line of an undelivered invoice.
    EXPECT_EQ(scalar(QStringLiteral(
                  "SELECT Count(*) FROM IvDt D INNER JOIN IvHd H ON H.Id = D.IvHd WHERE H.IvType "
                  "= 'B' AND NOT EXISTS (SELECT * FROM IvDt X INNER JOIN IvHd N ON N.Id = X.IvHd "
                  "WHERE X.Id = D.IvdtB AND N.NotCutStock = 'Y')")),
              QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM TrDt WHERE ToWarehouse = Warehouse")),
              QStringLiteral("0"));
}

TEST_F(DatagenTest, TheSameSeedGivesTheSameRowsAndAnotherSeedOthers) {
    datagen::generate(small(7), sinkOn(*db_));
    const QStringList mine = documents(*db_);

    QTemporaryDir otherDir;
    ASSERT_TRUE(otherDir.isValid());
    schematest::connect(otherDir.path(), QStringLiteral("master"))
        ->execute(QStringLiteral("CREATE DATABASE TESTCO"));
    auto other = schematest::connect(otherDir.path(), QStringLiteral("TESTCO"));
    for (const QString& path : schematest::scriptsOf(QStringLiteral("company")))
        schematest::runScript(*other, path);
    datagen::generate(small(7), sinkOn(*other));
    EXPECT_EQ(documents(*other), mine);

    QTemporaryDir thirdDir;
    ASSERT_TRUE(thirdDir.isValid());
    schematest::connect(thirdDir.path(), QStringLiteral("master"))
        ->execute(QStringLiteral("CREATE DATABASE TESTCO"));
    auto third = schematest::connect(thirdDir.path(), QStringLiteral("TESTCO"));
    for (const QString& path : schematest::scriptsOf(QStringLiteral("company")))
        schematest::runScript(*third, path);
    datagen::generate(small(8), sinkOn(*third));
    EXPECT_NE(documents(*third), mine);
}

TEST_F(DatagenTest, RefusesASecondLoadAndBadOptions) {
    datagen::generate(small(1), sinkOn(*db_));
    EXPECT_THROW(datagen::generate(small(2), sinkOn(*db_)), datagen::OptionsError);

    datagen::Options bad = small(1);
    bad.products = 0;
    EXPECT_THROW(datagen::validate(bad), datagen::OptionsError);
    bad = small(1);
    bad.rowsPerInsert = 1001;
    EXPECT_THROW(datagen::validate(bad), datagen::OptionsError);
    bad = small(1);
    bad.firstYear = 9998;
    EXPECT_THROW(datagen::validate(bad), datagen::OptionsError);
}

TEST_F(DatagenTest, TheStockRecalculationBalancesGeneratedTransfers) {
    datagen::generate(small(3), sinkOn(*db_));
    exec(QStringLiteral("EXEC Calculate_OnHand 2021"));
    // A transfer moves stock between warehouses: the product totals do not see it.
    const QString totals = QStringLiteral(
        "SELECT Product, Sum(Quantity) FROM ProductOnHand WHERE BalanceYear = 2021 GROUP BY "
        "Product HAVING Sum(Quantity) <> 0 ORDER BY Product");
    const QStringList before = rows(totals);
    exec(QStringLiteral("DELETE FROM TrDt\nEXEC Calculate_OnHand 2021"));
    EXPECT_EQ(rows(totals), before);
}

TEST_F(DatagenTest, EveryUnitHasABarcodeAndPricesAndSomeProductsMore) {
    datagen::Options o = small(5);
    o.products = 100;
    o.lines = 10;
    const datagen::Summary s = datagen::generate(o, sinkOn(*db_));
    EXPECT_EQ(s.prices, 400);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM ProductPrice")), QStringLiteral("400"));
    // Retail above wholesale for every unit, both from the unit's cost.
    EXPECT_EQ(scalar(QStringLiteral(
                  "SELECT Count(*) FROM ProductUnits U WHERE U.BarCode IS NULL OR NOT EXISTS "
                  "(SELECT * FROM ProductPrice R, ProductPrice W WHERE R.ProductUnits = U.Id AND "
                  "R.PriceType = 1 AND W.ProductUnits = U.Id AND W.PriceType = 2 AND R.Price > "
                  "W.Price AND W.Price > U.PurcPriceBaht)")),
              QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(DISTINCT BarCode) FROM ProductUnits")),
              QStringLiteral("200"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM customerproductprice")),
              QStringLiteral("10"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*), Sum(CASE WHEN Customer = 0 THEN 1 ELSE 0 "
                                    "END) FROM promotion_dt")),
              QStringLiteral("7|5"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM CustomerProductPriceProject")),
              QStringLiteral("2"));
    EXPECT_EQ(s.partSources, 20);
    // Vendors buy in baht, dollars and kip; a part record's price follows the currency.
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT Count(DISTINCT M.Code) FROM Vendor V JOIN Misc M ON M.Id = "
                              "V.VendorCurrency WHERE M.Code IN ('THB', 'USD', 'LAK')")),
        QStringLiteral("3"));
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT Count(*) FROM PartSource WHERE Abs(PriceKip - PriceBaht "
                              "* 600) > 0.001")),
        QStringLiteral("0"));
}

}  // namespace
