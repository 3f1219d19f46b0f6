// The quantity display: whole stock units and loose small units, its number patterns and the
// locale's separators.
#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "product/QuantityText.h"

using product::formatNumber;
using product::NumberPattern;
using product::quantityText;
using product::StockUnits;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const StockUnits kBox{12, QStringLiteral("Box"), QStringLiteral("Piece")};

QString text(double q, const StockUnits& units = kBox) {
    return quantityText(q, units, kEnglish);
}

}  // namespace

TEST(QuantityText, WorkedExamplesWithABoxOfTwelve) {
    EXPECT_EQ(text(30), "2 Box 6 Piece");
    EXPECT_EQ(text(-30), "- 2 Box 6 Piece");
    EXPECT_EQ(text(24), "2 Box");
    EXPECT_EQ(text(0), "0 Box");
    EXPECT_EQ(text(0.5), " .5 Piece");
    EXPECT_EQ(text(12), "1 Box");
    EXPECT_EQ(text(-0.5), "-  .5 Piece");
    EXPECT_EQ(text(1234.25), "102 Box 10.25 Piece");
}

TEST(QuantityText, AStockUnitOfFractionOneShowsTheWholeCountInIt) {
    const StockUnits piece{1, QStringLiteral("Piece"), QStringLiteral("Piece")};
    EXPECT_EQ(text(1234.5, piece), "1,234.5 Piece");
    EXPECT_EQ(text(-1234567.125, piece), "- 1,234,567.125 Piece");
    EXPECT_EQ(text(0, piece), "0 Piece");
}

// Without a stock unit the fraction reads as 0; the count is shown once, in small units.
TEST(QuantityText, AProductWithoutAStockUnitCountsTheQuantityOnce) {
    const StockUnits noStockUnit{0, QString(), QStringLiteral("Metre")};
    EXPECT_EQ(text(30, noStockUnit), "30 Metre");
    EXPECT_EQ(text(2.5, noStockUnit), "2.5 Metre");
    EXPECT_EQ(text(-1500, noStockUnit), "- 1,500 Metre");
    // A product that does not exist: no unit names at all.
    EXPECT_EQ(text(0, StockUnits{}), "0 ");
}

// Sums of decimal quantities may carry binary noise far below the six decimals shown; a
// remainder that shows as nothing is no remainder.
TEST(QuantityText, ARemainderThatRoundsToNothingIsLeftOut) {
    EXPECT_EQ(text(24.0000000001), "2 Box");
    EXPECT_EQ(text(23.9999999999), "1 Box 12 Piece");
}

TEST(QuantityText, NumberPatterns) {
    EXPECT_EQ(formatNumber(1234567.5, NumberPattern::Grouped, kEnglish), "1,234,567.5 ");
    EXPECT_EQ(formatNumber(0.1234567, NumberPattern::Grouped, kEnglish), "0.123457 ");
    EXPECT_EQ(formatNumber(999.9999999, NumberPattern::Grouped, kEnglish), "1,000 ");
    EXPECT_EQ(formatNumber(100, NumberPattern::Grouped, kEnglish), "100 ");
    EXPECT_EQ(formatNumber(1234567, NumberPattern::Whole, kEnglish), "1,234,567 ");
    EXPECT_EQ(formatNumber(0, NumberPattern::Whole, kEnglish), "0 ");
    EXPECT_EQ(formatNumber(1234567.5, NumberPattern::Remainder, kEnglish), " 1234567.5 ");
    EXPECT_EQ(formatNumber(0.25, NumberPattern::Remainder, kEnglish), " .25 ");
    EXPECT_EQ(formatNumber(6, NumberPattern::Remainder, kEnglish), " 6 ");
}

TEST(QuantityText, SeparatorsComeFromTheLocale) {
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(formatNumber(1234567.5, NumberPattern::Grouped, german), "1.234.567,5 ");
    EXPECT_EQ(formatNumber(0.5, NumberPattern::Remainder, german), " ,5 ");
    const QLocale thai(QLocale::Thai, QLocale::Thailand);
    EXPECT_EQ(quantityText(30006.5, kBox, thai), "2,500 Box 6.5 Piece");
}
