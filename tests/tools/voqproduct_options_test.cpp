// voq-product's command line and its explanation of a price, without a database.
#include <gtest/gtest.h>

#include "product/Dm_Product.h"
#include "tools/voqproduct/Commands.h"
#include "tools/voqproduct/Options.h"
#include "tools/voqproduct/Report.h"

using namespace voqproduct;
using product::PriceSource;
using product::PriceStep;

namespace {

const QDateTime kNow(QDate(2024, 5, 1), QTime(9, 30));

Options parse(const QStringList& args) {
    return parseArguments(args, kNow);
}

}  // namespace

TEST(VoqProductOptions, ConnectionOptionsThenTheCommandAndItsArguments) {
    const Options o = parse({"-S", "file:demo", "-dDEMO", "-U", "sa", "-Psecret", "-u", "3", "unit",
                             "1", "ลัง", "--kinds", "purc,STOCK"});
    EXPECT_EQ(o.server, "file:demo");
    EXPECT_EQ(o.database, "DEMO");
    EXPECT_TRUE(o.hasUser && o.hasPassword);
    EXPECT_EQ(o.password, "secret");
    EXPECT_EQ(o.userId, 3);
    EXPECT_EQ(o.command, "unit");
    EXPECT_EQ(o.args, (QStringList{"1", "ลัง"}));
    EXPECT_EQ(o.kinds, (TUnitKinds{ukPurc, ukStock}));
    EXPECT_EQ(o.kinds.bits(), 6);
    EXPECT_EQ(o.date, kNow);  // no --date: now
}

TEST(VoqProductOptions, CommandOptionsMayStandAnywhereAfterTheCommand) {
    const Options o =
        parse({"-S", "x", "-d", "y", "onhand", "--warehouse", "3", "9", "2024", "--unit", "14"});
    EXPECT_EQ(o.args, (QStringList{"9", "2024"}));
    EXPECT_TRUE(o.hasWarehouse && o.hasUnit);
    EXPECT_EQ(o.warehouse, 3);
    EXPECT_EQ(o.unit, 14);
    // A negative number after the command is an argument.
    EXPECT_EQ(parse({"-S", "x", "-d", "y", "show-quantity", "1", "-30"}).args,
              (QStringList{"1", "-30"}));
}

TEST(VoqProductOptions, DatesAreDayMonthYearWithAnOptionalTime) {
    EXPECT_EQ(parseDate("31/12/2024"), QDateTime(QDate(2024, 12, 31), QTime(0, 0)));
    EXPECT_EQ(parseDate("31/12/2024 12:00:01"), QDateTime(QDate(2024, 12, 31), QTime(12, 0, 1)));
    EXPECT_EQ(parseDate("01/02/2024 08:15"), QDateTime(QDate(2024, 2, 1), QTime(8, 15)));
    EXPECT_THROW(parseDate("2024-12-31"), UsageError);
    EXPECT_THROW(parseDate("31/02/2024"), UsageError);
    EXPECT_EQ(parse({"-S", "x", "-d", "y", "lot", "L1", "--date", "30/06/2024 12:00:00"}).date,
              QDateTime(QDate(2024, 6, 30), QTime(12, 0)));
}

TEST(VoqProductOptions, WhatItRefuses) {
    EXPECT_THROW(parse({"-d", "y", "product", "P1"}), UsageError);  // no server
    EXPECT_THROW(parse({"-S", "x", "-d", "y"}), UsageError);        // no command
    EXPECT_THROW(parse({"-S", "x", "-d", "y", "-z", "product"}), UsageError);
    EXPECT_THROW(parse({"-S", "x", "-d", "y", "-u", "one", "product"}), UsageError);
    EXPECT_THROW(parse({"-S", "x", "-d", "y", "unit", "1", "A", "--kinds", "sale,big"}),
                 UsageError);
    EXPECT_THROW(parse({"-S", "x", "-d", "y", "onhand", "1", "2024", "--warehouse"}), UsageError);
    EXPECT_TRUE(parse({"-S", "x", "--help"}).help);
    EXPECT_EQ(parseKinds(""), TUnitKinds{});
}

TEST(VoqProductOptions, ACommandWithTheWrongArgumentsIsRefusedBeforeAnythingRuns) {
    TDmProduct module;
    for (const QStringList& args :
         {QStringList{"product"}, QStringList{"product", "A", "B"},
          QStringList{"price", "1", "1", "1", "1"}, QStringList{"unit", "x", "ขวด"},
          QStringList{"nothing"}, QStringList{"onhand", "1", "2024", "--unit", "3"}}) {
        const Options o = parse(QStringList{"-S", "x", "-d", "y"} + args);
        EXPECT_THROW(runCommand(module, o), UsageError) << args.join(' ').toStdString();
    }
}

TEST(VoqProductReport, APriceIsExplainedStepByStep) {
    PriceStep standard{PriceSource::StandardPrice, 3, true, 145.8, {}, 0, true, false, 145.8};
    PriceStep customer{PriceSource::CustomerPrice, 3, true, 0, "3%", 1, false, true, 145.8};
    PriceStep promotion{PriceSource::CustomerPromotion, 3, false, 0, {}, 0, false, false, 145.8};
    const QStringList lines = explainPrice({standard, customer, promotion});
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              "  1. standard price of the unit (ProductPrice), unit 3: price 145.8 -> "
              "price taken; price now 145.8");
    EXPECT_EQ(lines[1],
              "  2. the customer's own price (customerproductprice), unit 3: price 0, "
              "discount \"3%\", quantity 1 -> discount taken; a price not above 0 is "
              "not taken; price now 145.8");
    EXPECT_EQ(lines[2],
              "  3. promotion for this customer (promotion_dt), unit 3: no row -> "
              "nothing taken; price now 145.8");
    // A purchase price is not settled before a source gives one.
    PriceStep part{PriceSource::VendorPartPrice, 3, false, 0, {}, 0, false, false, 0};
    EXPECT_EQ(explainPrice({part}).at(0),
              "  1. the vendor's part record (partsource), unit 3: no row -> nothing taken");
}

TEST(VoqProductReport, ValuesAsPrinted) {
    EXPECT_EQ(printable(QVariant()), "NULL");
    EXPECT_EQ(printable(QVariant(1380000.0)), "1380000");
    EXPECT_EQ(printable(QVariant(0.1 + 0.2)), "0.3");
    EXPECT_EQ(printable(QVariant(QDateTime(QDate(2024, 6, 30), QTime(12, 0)))),
              "30/06/2024 12:00:00");
}
