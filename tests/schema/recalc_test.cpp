// The three year-end recalculations on small hand-made data whose balances are worked out here.

#include <QRegularExpression>
#include <thread>

#include "tests/schema/SchemaFixture.h"

namespace {

using schematest::CompanyTest;

// One product P1 with a small unit ขวด (id 1, fraction 1) and a stock unit ลัง (id 2, fraction
// 12); warehouses W1 (1) and W2 (2); lots L1 (1) and L2 (2); currencies THB (1, the main one) and
// USD (2); customers and vendors 1 and 2.
class RecalcTest : public CompanyTest {
protected:
    void SetUp() override {
        CompanyTest::SetUp();
        exec(QStringLiteral(
            "INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'THB', N'บาท'),"
            " ('CURRENCY', 'USD', N'ดอลลาร์')\n"
            "INSERT INTO Config (Id, MainCurrencyId) VALUES (1, 1)\n"
            "INSERT INTO Tax (Code, Rate) VALUES ('V7', 7)\n"
            "INSERT INTO Product (Code, ThaiName, TaxCode) VALUES ('P1', N'น้ำดื่ม', 1)\n"
            "INSERT INTO ProductUnits (Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag)"
            " VALUES (1, N'ขวด', 1, 'Y', 'N'), (1, N'ลัง', 12, 'N', 'Y')\n"
            "INSERT INTO Warehouse (Code, Name) VALUES ('W1', N'คลัง 1'), ('W2', N'คลัง 2')\n"
            "INSERT INTO LotNo (Code, HasExpired) VALUES ('L1', 'N'), ('L2', 'N')\n"
            "INSERT INTO Customer (Code, Name) VALUES ('C1', N'ลูกค้า 1'), ('C2', N'ลูกค้า 2')\n"
            "INSERT INTO Vendor (Code, Name) VALUES ('V1', N'ผู้ขาย 1'), ('V2', N'ผู้ขาย 2')"));
    }

    // Inserts a header and returns its id. Further columns and their values come as two lists,
    // each starting with a comma.
    int header(const QString& table, const QString& date, const QString& columns = {},
               const QString& values = {}, bool cancelled = false) {
        return headerFlagged(table, date, cancelled ? "'Y'" : "'N'", columns, values);
    }
    // A header whose CancelFlag is the given literal.
    int headerFlagged(const QString& table, const QString& date, const char* cancelFlag,
                      const QString& columns = {}, const QString& values = {}) {
        exec(QStringLiteral("INSERT INTO %1 (DocNo, DocDate, CancelFlag%2) VALUES ('%1-%3', '%4', "
                            "%5%6)")
                 .arg(table, columns)
                 .arg(++docs_)
                 .arg(date, QString::fromLatin1(cancelFlag), values));
        return scalar(QStringLiteral("SELECT Max(Id) FROM %1").arg(table)).toInt();
    }

    // A stock line: unit 1 (small) or 2 (stock, fraction 12). Returns its id.
    int line(const QString& table, const QString& headerColumn, int headerId, int unit,
             int warehouse, const QString& quantity, const QString& lot = QStringLiteral("NULL"),
             const QString& columns = {}, const QString& values = {}) {
        exec(
            QStringLiteral("INSERT INTO %1 (%2, Product, ProductUnits, Warehouse, LotNo, Quantity, "
                           "Fraction%3) VALUES (%4, 1, %5, %6, %7, %8, %9%10)")
                .arg(table, headerColumn, columns)
                .arg(headerId)
                .arg(unit)
                .arg(warehouse)
                .arg(lot, quantity)
                .arg(unit == 2 ? 12 : 1)
                .arg(values));
        return scalar(QStringLiteral("SELECT Max(Id) FROM %1").arg(table)).toInt();
    }

    QStringList onHand(int year) {
        return rows(QStringLiteral("SELECT ProductUnits, Warehouse, Quantity FROM ProductOnHand "
                                   "WHERE BalanceYear = %1 ORDER BY ProductUnits, Warehouse")
                        .arg(year));
    }
    QStringList lots(int year) {
        return rows(QStringLiteral("SELECT LotNo, Warehouse, Quantity FROM LotOnHand "
                                   "WHERE BalanceYear = %1 ORDER BY LotNo, Warehouse")
                        .arg(year));
    }
    QStringList balances(const QString& table, const QString& party, int year) {
        return rows(QStringLiteral("SELECT %1, CurrencyId, Amount, MainCurrencyAmount FROM %2 "
                                   "WHERE BalanceYear = %3 ORDER BY %1, CurrencyId")
                        .arg(party, table)
                        .arg(year));
    }

    int docs_ = 0;
};

// Every stock document kind once, in 2024, on top of a 2023 closing of 100 small units in
// cases at W1.
TEST_F(RecalcTest, OnHandAddsEveryDocumentKindWithItsSignInSmallUnits) {
    exec(
        QStringLiteral("INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, "
                       "Quantity) VALUES (1, 2, 1, 2023, 100)"));
    line("MrDt", "MrHd", header("MrHd", "20240105", ", Vendor", ", 1"), 2, 1, "10");  // +120
    line("PrDt", "PrHd", header("PrHd", "20240110", ", Vendor", ", 1"), 1, 1, "5");   // -5
    line("IvDt", "IvHd", header("IvHd", "20240201", ", Customer, IvType", ", 1, 'R'"), 2, 1,
         "2");  // -24
    const int undelivered =
        header("IvHd", "20240202", ", Customer, IvType, NotCutStock", ", 1, 'R', 'Y'");
    const int undeliveredLine = line("IvDt", "IvHd", undelivered, 2, 1, "3");  // nothing
    const int delivery = header("IvHd", "20240209", ", Customer, IvType", ", 1, 'B'");
    line("IvDt", "IvHd", delivery, 2, 1, "3", "NULL", ", IvdtB",
         QStringLiteral(", %1").arg(undeliveredLine));  // -36
    line("IvDt", "IvHd", delivery, 2, 1, "4");          // names no invoice line: nothing
    line("IvDt", "IvHd", header("IvHd", "20240301", ", Customer, IvType", ", 1, 'C'"), 1, 1,
         "6");  // cash sale cuts stock too: -6
    line("SrDt", "SrHd", header("SrHd", "20240305", ", Customer", ", 1"), 1, 1, "4");  // +4
    line("IsDt", "IsHd", header("IsHd", "20240310"), 1, 1, "7");                       // -7
    line("RiDt", "RiHd", header("RiHd", "20240311"), 1, 1, "2");                       // +2
    line("TrDt", "TrHd", header("TrHd", "20240401"), 2, 1, "1", "NULL", ", ToWarehouse",
         ", 2");                                                             // W1 -12, W2 +12
    line("AjDt", "AjHd", header("AjHd", "20240501"), 1, 2, "-3");            // W2 -3
    line("AjDt", "AjHd", header("AjHd", "20241231 23:59:59"), 1, 2, "1.5");  // W2 +1.5

    exec(QStringLiteral("EXEC Calculate_OnHand 2024"));

    EXPECT_EQ(onHand(2024), (QStringList{"1|1|-12", "1|2|-1.5", "2|1|148", "2|2|12"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Sum(Quantity) FROM ProductOnHand WHERE BalanceYear = "
                                    "2024")),
              QStringLiteral("146.5"));
    EXPECT_EQ(onHand(2023), (QStringList{"2|1|100"})) << "the previous year stays as it was";
}

// The year's movements keep every digit of the lines' quantities on their way to both tables.
TEST_F(RecalcTest, OnHandKeepsEveryDigitOfTheQuantities) {
    line("MrDt", "MrHd", header("MrHd", "20240105", ", Vendor", ", 1"), 2, 1, "0.000001", "1");
    line("MrDt", "MrHd", header("MrHd", "20240106", ", Vendor", ", 1"), 1, 1, "1234567.654321",
         "1");
    exec(QStringLiteral("EXEC Calculate_OnHand 2024"));
    EXPECT_EQ(rows(QStringLiteral("SELECT ProductUnits, Convert(varchar(30), Quantity) FROM "
                                  "ProductOnHand WHERE BalanceYear = 2024 ORDER BY ProductUnits")),
              (QStringList{"1|1234567.654321", "2|0.000012"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT Convert(varchar(30), Quantity) FROM LotOnHand WHERE "
                                  "BalanceYear = 2024")),
              QStringList{"1234567.654333"});
}

// Half a millionth moved twice is one millionth: the lines keep the digits of quantity times
// fraction and only the year's sum is rounded to the stored scale, for transfers as for the rest.
TEST_F(RecalcTest, OnHandRoundsTheYearsSumNotEachLine) {
    const QString halfFraction = QStringLiteral(
        "INSERT INTO %1 (%2, Product, ProductUnits, Warehouse, Quantity, Fraction%3) "
        "VALUES (%4, 1, 1, 1, 0.000001, 0.5%5)");
    for (int k = 0; k < 2; ++k) {
        exec(halfFraction.arg("MrDt", "MrHd", "")
                 .arg(header("MrHd", "20240105", ", Vendor", ", 1"))
                 .arg(""));
        exec(halfFraction.arg("TrDt", "TrHd", ", ToWarehouse")
                 .arg(header("TrHd", "20240106"))
                 .arg(", 2"));
    }
    exec(QStringLiteral("EXEC Calculate_OnHand 2024"));
    EXPECT_EQ(rows(QStringLiteral("SELECT Warehouse, Convert(varchar(30), Quantity) FROM "
                                  "ProductOnHand WHERE BalanceYear = 2024 ORDER BY Warehouse")),
              (QStringList{"1|0.000000", "2|0.000001"}));
}

TEST_F(RecalcTest, OnHandIgnoresCancelledDocumentsAndOtherYears) {
    line("MrDt", "MrHd", header("MrHd", "20240105", ", Vendor", ", 1"), 1, 1, "10");
    line("MrDt", "MrHd", header("MrHd", "20240106", ", Vendor", ", 1", true), 1, 1, "50");
    line("IvDt", "IvHd", header("IvHd", "20240107", ", Customer, IvType", ", 1, 'R'", true), 1, 1,
         "9");
    line("MrDt", "MrHd", header("MrHd", "20231231 23:59:59", ", Vendor", ", 1"), 1, 1, "1000");
    line("MrDt", "MrHd", header("MrHd", "20250101", ", Vendor", ", 1"), 1, 1, "2000");

    exec(QStringLiteral("EXEC Calculate_OnHand 2024"));

    EXPECT_EQ(onHand(2024), (QStringList{"1|1|10"}));
}

TEST_F(RecalcTest, OnHandKeepsEachYearsNetLotMovement) {
    exec(
        QStringLiteral("INSERT INTO LotOnHand (Product, LotNo, Warehouse, BalanceYear, Quantity) "
                       "VALUES (1, 1, 1, 2023, 500)"));
    const int receipt = header("MrHd", "20240105", ", Vendor", ", 1");
    line("MrDt", "MrHd", receipt, 2, 1, "10", "1");  // L1 +120
    line("MrDt", "MrHd", receipt, 1, 1, "7", "2");   // L2 +7
    line("MrDt", "MrHd", receipt, 1, 1, "3");        // no lot
    line("IvDt", "IvHd", header("IvHd", "20240201", ", Customer, IvType", ", 1, 'R'"), 2, 1, "2",
         "1");  // L1 -24
    line("TrDt", "TrHd", header("TrHd", "20240301"), 1, 1, "5", "2", ", ToWarehouse",
         ", 2");  // L2 W1 -5, W2 +5

    exec(QStringLiteral("EXEC Calculate_OnHand 2024"));

    EXPECT_EQ(lots(2024), (QStringList{"1|1|96", "2|1|2", "2|2|5"}));
    EXPECT_EQ(lots(2023), (QStringList{"1|1|500"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Sum(Quantity) FROM LotOnHand WHERE LotNo = 1 AND "
                                    "BalanceYear <= 2024 AND Warehouse = 1")),
              QStringLiteral("596"));
}

TEST_F(RecalcTest, AYearWithoutDocumentsCarriesTheClosingForward) {
    line("MrDt", "MrHd", header("MrHd", "20240105", ", Vendor", ", 1"), 2, 1, "10", "1");
    exec(QStringLiteral("EXEC Calculate_OnHand 2024\nEXEC Calculate_OnHand 2025"));

    EXPECT_EQ(onHand(2025), (QStringList{"2|1|120"}));
    EXPECT_TRUE(lots(2025).isEmpty()) << "no lot moved in 2025";
}

TEST_F(RecalcTest, RunningTwiceWritesTheSameRowsAndReplacesOldOnes) {
    exec(
        QStringLiteral("INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, "
                       "Quantity) VALUES (1, 1, 2, 2024, 999)"));
    line("MrDt", "MrHd", header("MrHd", "20240105", ", Vendor", ", 1"), 2, 1, "10", "1");
    exec(QStringLiteral("EXEC Calculate_OnHand 2024"));
    const QStringList first = onHand(2024);
    const QStringList firstLots = lots(2024);
    exec(QStringLiteral("EXEC Calculate_OnHand 2024"));

    EXPECT_EQ(first, (QStringList{"2|1|120"})) << "the stale row of 2024 is gone";
    EXPECT_EQ(onHand(2024), first);
    EXPECT_EQ(lots(2024), firstLots);
}

// A unique index that the second insert breaks makes the run fail after it has already
// replaced the stock rows; the year's previous rows of both tables must survive.
TEST_F(RecalcTest, AFailureInTheMiddleLeavesThePreviousRows) {
    exec(
        QStringLiteral("INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, "
                       "Quantity) VALUES (1, 2, 1, 2024, 77)\n"
                       "INSERT INTO LotOnHand (Product, LotNo, Warehouse, BalanceYear, Quantity) "
                       "VALUES (1, 1, 1, 2024, 66)\n"
                       "CREATE UNIQUE INDEX TestOneLotRowPerProduct ON LotOnHand (BalanceYear, "
                       "Product)"));
    const int receipt = header("MrHd", "20240105", ", Vendor", ", 1");
    line("MrDt", "MrHd", receipt, 2, 1, "10", "1");
    line("MrDt", "MrHd", receipt, 2, 1, "10", "2");

    EXPECT_NE(errorOf(QStringLiteral("EXEC Calculate_OnHand 2024")), 0);

    EXPECT_EQ(onHand(2024), (QStringList{"2|1|77"}));
    EXPECT_EQ(lots(2024), (QStringList{"1|1|66"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT @@TRANCOUNT")), QStringLiteral("0"));
}

TEST_F(RecalcTest, AYearOutOfRangeIsRefusedWithAClearError) {
    for (const char* call :
         {"EXEC Calculate_OnHand NULL", "EXEC Calculate_AR 1900", "EXEC Calculate_AP 9999"}) {
        QString message;
        EXPECT_NE(errorOf(QString::fromLatin1(call), &message), 0) << call;
        EXPECT_TRUE(message.contains(QStringLiteral("the year must lie between"))) << call;
    }
}

TEST_F(RecalcTest, ReceivablesFollowEveryDocumentKindPerCurrency) {
    exec(
        QStringLiteral("INSERT INTO CustomerBalance (Customer, BalanceYear, CurrencyId, Amount, "
                       "MainCurrencyAmount) VALUES (1, 2023, 1, 1000, 1000), (2, 2023, 1, 250, "
                       "250)"));
    header("IvHd", "20240110", ", Customer, IvType, NetAmount", ", 1, 'R', 500");
    header("IvHd", "20240111", ", Customer, IvType, NetAmount", ", 1, 'C', 300");
    header("IvHd", "20240112", ", Customer, IvType, NetAmount", ", 1, 'B', 200");
    header("IvHd", "20240113", ", Customer, IvType, NetAmount", ", 1, 'R', 999", true);
    header("IvHd", "20250101", ", Customer, IvType, NetAmount", ", 1, 'R', 888");
    header("CdnHd", "20240201", ", Customer, NetAmount", ", 1, 50");
    header("CcnHd", "20240202", ", Customer, NetAmount", ", 1, 30");
    header("SrHd", "20240203", ", Customer, NetAmount", ", 1, 20");
    const int receipt = header("RcHd", "20240301", ", Customer", ", 1");
    exec(QStringLiteral("INSERT INTO RcDt (RcHd, Amount) VALUES (%1, 400)").arg(receipt));
    header("IvHd", "20240401", ", Customer, IvType, NetAmount, CurrencyId, Rate",
           ", 1, 'R', 100, 2, 34");
    exec(QStringLiteral("INSERT INTO RcDt (RcHd, Amount, CurrencyId, Rate) VALUES (%1, 40, 2, 35)")
             .arg(receipt));

    exec(QStringLiteral("EXEC Calculate_AR 2024"));

    EXPECT_EQ(balances(QStringLiteral("CustomerBalance"), QStringLiteral("Customer"), 2024),
              (QStringList{"1|1|1100|1100", "1|2|60|2000", "2|1|250|250"}));
}

TEST_F(RecalcTest, PayablesFollowEveryDocumentKindPerCurrency) {
    exec(
        QStringLiteral("INSERT INTO VendorBalance (Vendor, BalanceYear, CurrencyId, Amount, "
                       "MainCurrencyAmount) VALUES (1, 2023, 1, 100, 100)"));
    header("PcHd", "20240110", ", Vendor, NetAmount", ", 1, 700");
    header("PcHd", "20240111", ", Vendor, NetAmount", ", 1, 5000", true);
    header("VdnHd", "20240201", ", Vendor, NetAmount", ", 1, 70");
    header("VcnHd", "20240202", ", Vendor, NetAmount", ", 1, 20");
    header("PrHd", "20240203", ", Vendor, NetAmount", ", 1, 10");
    const int payment = header("PdHd", "20240301", ", Vendor", ", 1");
    exec(QStringLiteral("INSERT INTO PdDt (PdHd, Amount) VALUES (%1, 300)").arg(payment));
    header("PcHd", "20240401", ", Vendor, NetAmount, CurrencyId, Rate", ", 2, 10, 2, 33.5");

    exec(QStringLiteral("EXEC Calculate_AP 2024"));

    EXPECT_EQ(balances(QStringLiteral("VendorBalance"), QStringLiteral("Vendor"), 2024),
              (QStringList{"1|1|540|540", "2|2|10|335"}));

    // 2025 has no documents: the balances carry forward unchanged.
    exec(QStringLiteral("EXEC Calculate_AP 2025"));
    EXPECT_EQ(balances(QStringLiteral("VendorBalance"), QStringLiteral("Vendor"), 2025),
              (QStringList{"1|1|540|540", "2|2|10|335"}));
}

// A document without a currency is in the company's main currency, whichever that is.
TEST_F(RecalcTest, DocumentsWithoutACurrencyGoToTheMainOne) {
    exec(QStringLiteral("UPDATE Config SET MainCurrencyId = 2"));
    header("IvHd", "20240110", ", Customer, IvType, NetAmount", ", 1, 'R', 500");
    const int receipt = header("RcHd", "20240301", ", Customer", ", 1");
    exec(QStringLiteral("INSERT INTO RcDt (RcHd, Amount) VALUES (%1, 40)").arg(receipt));
    header("PcHd", "20240110", ", Vendor, NetAmount", ", 1, 700");
    const int payment = header("PdHd", "20240301", ", Vendor", ", 1");
    exec(QStringLiteral("INSERT INTO PdDt (PdHd, Amount) VALUES (%1, 300)").arg(payment));

    exec(QStringLiteral("EXEC Calculate_AR 2024\nEXEC Calculate_AP 2024"));

    EXPECT_EQ(balances(QStringLiteral("CustomerBalance"), QStringLiteral("Customer"), 2024),
              (QStringList{"1|2|460|460"}));
    EXPECT_EQ(balances(QStringLiteral("VendorBalance"), QStringLiteral("Vendor"), 2024),
              (QStringList{"1|2|400|400"}));
}

TEST_F(RecalcTest, AFailedReceivablesRunLeavesThePreviousRows) {
    exec(
        QStringLiteral("INSERT INTO CustomerBalance (Customer, BalanceYear, CurrencyId, Amount, "
                       "MainCurrencyAmount) VALUES (1, 2024, 1, 42, 42)\n"
                       "CREATE UNIQUE INDEX TestOneBalancePerCustomer ON CustomerBalance "
                       "(BalanceYear, Customer)"));
    header("IvHd", "20240110", ", Customer, IvType, NetAmount", ", 1, 'R', 500");
    header("IvHd", "20240401", ", Customer, IvType, NetAmount, CurrencyId, Rate",
           ", 1, 'R', 100, 2, 34");

    EXPECT_NE(errorOf(QStringLiteral("EXEC Calculate_AR 2024")), 0);

    EXPECT_EQ(balances(QStringLiteral("CustomerBalance"), QStringLiteral("Customer"), 2024),
              (QStringList{"1|1|42|42"}));
}

TEST_F(RecalcTest, ReceivablesAndPayablesRunTwiceGiveTheSameRows) {
    header("IvHd", "20240110", ", Customer, IvType, NetAmount", ", 1, 'R', 500");
    header("PcHd", "20240110", ", Vendor, NetAmount, CurrencyId, Rate", ", 2, 10, 2, 33.5");
    exec(QStringLiteral("EXEC Calculate_AR 2024\nEXEC Calculate_AP 2024"));
    const QStringList ar =
        balances(QStringLiteral("CustomerBalance"), QStringLiteral("Customer"), 2024);
    const QStringList ap =
        balances(QStringLiteral("VendorBalance"), QStringLiteral("Vendor"), 2024);
    exec(QStringLiteral("EXEC Calculate_AR 2024\nEXEC Calculate_AP 2024"));
    EXPECT_EQ(ar, (QStringList{"1|1|500|500"}));
    EXPECT_EQ(ap, (QStringList{"2|2|10|335"}));
    EXPECT_EQ(balances(QStringLiteral("CustomerBalance"), QStringLiteral("Customer"), 2024), ar);
    EXPECT_EQ(balances(QStringLiteral("VendorBalance"), QStringLiteral("Vendor"), 2024), ap);
}

// Runs of the same recalculation from two connections at once wait for each other: none fails
// and the rows come out as from one run.
TEST_F(RecalcTest, RunsAtOnceAreSerialised) {
    const int receipt = header("MrHd", "20240105", ", Vendor", ", 1");
    for (int i = 0; i < 20; ++i)
        line("MrDt", "MrHd", receipt, 2, 1 + i % 2, "10", i % 3 ? "1" : "2");
    auto other = schematest::connect(dir_.path(), QStringLiteral("TESTCO"));
    QString otherError;
    std::thread t([&] {
        try {
            for (int i = 0; i < 10; ++i)
                other->execute(QStringLiteral("EXEC Calculate_OnHand 2024"));
        } catch (const db::Error& e) {
            otherError = e.message();
        }
    });
    QString myError;
    try {
        for (int i = 0; i < 10; ++i)
            exec(QStringLiteral("EXEC Calculate_OnHand 2024"));
    } catch (const db::Error& e) {
        myError = e.message();
    }
    t.join();
    EXPECT_TRUE(myError.isEmpty()) << myError.toStdString();
    EXPECT_TRUE(otherError.isEmpty()) << otherError.toStdString();
    EXPECT_EQ(onHand(2024), (QStringList{"2|1|1200", "2|2|1200"}));
    EXPECT_EQ(lots(2024), (QStringList{"1|1|720", "1|2|840", "2|1|480", "2|2|360"}));
}

// An older company database whose document headers allow NULL in their flags and kinds.
class OlderRecalcTest : public RecalcTest {
protected:
    QString companyScript(const QString& path) override {
        QString text = RecalcTest::companyScript(path);
        static const QRegularExpression notNull(
            QStringLiteral("\\b(CancelFlag|NotCutStock|IvType)(\\s+\\w+(\\(1\\))?\\s+)NOT NULL"));
        return text.replace(notNull, QStringLiteral("\\1\\2NULL"));
    }
};

// A flag is set only when it reads exactly 'Y': NULL and a lower-case 'y' leave a document
// counted and cutting stock. An invoice without a kind is no delivery and no sale on credit.
TEST_F(OlderRecalcTest, OnlyACapitalYCancelsOrKeepsStock) {
    for (const char* flag : {"NULL", "'y'", "'N'", "'Y'"})
        line("MrDt", "MrHd", headerFlagged("MrHd", "20240105", flag, ", Vendor", ", 1"), 1, 1,
             "1");  // +3
    for (const char* flag : {"NULL", "'y'", "'Y'"}) {
        const int invoice = header("IvHd", "20240110", ", Customer, IvType, NotCutStock",
                                   QStringLiteral(", 1, 'R', %1").arg(QString::fromLatin1(flag)));
        line("IvDt", "IvHd", invoice, 1, 2, "10");  // NULL, 'y': -10 each
    }
    line("IvDt", "IvHd",
         header("IvHd", "20240111", ", Customer, IvType, NotCutStock", ", 1, NULL, NULL"), 1, 2,
         "100", "1");  // -100
    line("IvDt", "IvHd",
         headerFlagged("IvHd", "20240112", "NULL", ", Customer, IvType", ", 1, 'C'"), 1, 2,
         "1000");  // -1000

    exec(QStringLiteral("EXEC Calculate_OnHand 2024"));

    EXPECT_EQ(onHand(2024), (QStringList{"1|1|3", "1|2|-1120"}));
    EXPECT_EQ(lots(2024), (QStringList{"1|2|-100"}));
}

TEST_F(OlderRecalcTest, ReceivablesAndPayablesCountDocumentsWithoutACapitalY) {
    for (const char* flag : {"NULL", "'y'", "'Y'"}) {
        headerFlagged("IvHd", "20240110", flag, ", Customer, IvType, NetAmount", ", 1, 'R', 100");
        headerFlagged("CdnHd", "20240111", flag, ", Customer, NetAmount", ", 1, 10");
        headerFlagged("CcnHd", "20240112", flag, ", Customer, NetAmount", ", 1, 1");
        headerFlagged("PcHd", "20240113", flag, ", Vendor, NetAmount", ", 1, 200");
        headerFlagged("VcnHd", "20240114", flag, ", Vendor, NetAmount", ", 1, 2");
        const int payment = headerFlagged("PdHd", "20240115", flag, ", Vendor", ", 1");
        exec(QStringLiteral("INSERT INTO PdDt (PdHd, Amount) VALUES (%1, 20)").arg(payment));
    }
    header("IvHd", "20240116", ", Customer, IvType, NetAmount", ", 1, NULL, 5000");

    exec(QStringLiteral("EXEC Calculate_AR 2024\nEXEC Calculate_AP 2024"));

    EXPECT_EQ(balances(QStringLiteral("CustomerBalance"), QStringLiteral("Customer"), 2024),
              (QStringList{"1|1|218|218"}));
    EXPECT_EQ(balances(QStringLiteral("VendorBalance"), QStringLiteral("Vendor"), 2024),
              (QStringList{"1|1|356|356"}));
}

}  // namespace
