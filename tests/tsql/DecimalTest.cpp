// The exact decimal numbers under the engine's decimal and money values: reading and writing
// texts, rounding, the 38-digit limit, the wide intermediate results of multiplication and
// division, and the numeric order of their texts.
#include <gtest/gtest.h>

#include <cstring>

#include "tsql/Decimal.h"

using tsql::Decimal;

namespace {

QByteArray text(const std::optional<Decimal>& d) {
    return d ? d->text() : QByteArray("<none>");
}

Decimal parsed(const char* s) {
    const std::optional<Decimal> d = Decimal::parse(QByteArray(s));
    EXPECT_TRUE(d) << s;
    return d.value_or(Decimal());
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

}  // namespace

TEST(Decimal, TextsReadAndWriteEveryDigit) {
    EXPECT_EQ(text(Decimal::parse("0.30")), "0.30");
    EXPECT_EQ(text(Decimal::parse("-.5")), "-0.5");
    EXPECT_EQ(text(Decimal::parse("+7.")), "7");
    EXPECT_EQ(text(Decimal::parse("-0.05")), "-0.05");
    EXPECT_EQ(text(Decimal::parse("99999999999999999999999999999999999999")),
              "99999999999999999999999999999999999999");
    EXPECT_EQ(text(Decimal::parse("412345678.1234567891")), "412345678.1234567891");
    // 39 digits before the point do not fit; a 39th digit after it rounds the 38th.
    EXPECT_FALSE(Decimal::parse("999999999999999999999999999999999999999"));
    EXPECT_EQ(text(Decimal::parse("1.00000000000000000000000000000000000005")),
              "1.0000000000000000000000000000000000001");
    for (const char* bad : {"", "-", ".", "1.2.3", "1e5", " 1", "abc"})
        EXPECT_FALSE(Decimal::parse(QByteArray(bad))) << bad;
}

TEST(Decimal, FloatsBecomeTheirShortestDecimal) {
    EXPECT_EQ(text(Decimal::ofDouble(0.1)), "0.1");
    EXPECT_EQ(text(Decimal::ofDouble(0.1 + 0.2)), "0.30000000000000004");
    EXPECT_EQ(text(Decimal::ofDouble(-2.5e-7)), "-0.00000025");
    EXPECT_EQ(text(Decimal::ofDouble(1e-40)), "0");
    EXPECT_FALSE(Decimal::ofDouble(1e39));
}

TEST(Decimal, RescalingRoundsHalfAwayFromZeroOrCuts) {
    EXPECT_EQ(text(parsed("2.675").rescaled(2)), "2.68");
    EXPECT_EQ(text(parsed("-2.675").rescaled(2)), "-2.68");
    EXPECT_EQ(text(parsed("2.674").rescaled(2)), "2.67");
    EXPECT_EQ(text(parsed("2.679").rescaled(2, true)), "2.67");
    EXPECT_EQ(text(parsed("1.5").rescaled(4)), "1.5000");
    EXPECT_EQ(text(parsed("748.58").rescaled(-2)->rescaled(2)), "700.00");  // to hundreds
    // A 39th digit does not fit, even as a rounding carry.
    EXPECT_FALSE(Decimal::parse("99999999999999999999999999999999999999.5"));
    EXPECT_FALSE(parsed("10000000000000000000000000000000000000").rescaled(1));
}

TEST(Decimal, DigitsAndIntegerPart) {
    EXPECT_EQ(parsed("0").digits(), 1);
    EXPECT_EQ(parsed("999.99").digits(), 5);
    EXPECT_TRUE(parsed("999.99").fitsPrecision(5));
    EXPECT_FALSE(parsed("1000.00").fitsPrecision(5));
    EXPECT_EQ(parsed("-3.99").truncated(), -3);
    EXPECT_FALSE(parsed("99999999999999999999").truncated());
}

TEST(Decimal, AdditionAlignsScalesEvenBeyond128Bits) {
    EXPECT_EQ(text(Decimal::add(parsed("0.1"), parsed("0.2"), 1)), "0.3");
    EXPECT_EQ(text(Decimal::add(parsed("1.10"), parsed("2.205"), 3)), "3.305");
    EXPECT_EQ(text(Decimal::add(parsed("0.10"), parsed("-0.25"), 2)), "-0.15");
    // Aligning 38 whole digits to 38 decimals needs 76 digits on the way.
    EXPECT_EQ(text(Decimal::add(parsed("10000000000000000000000000000000000000"),
                                parsed("0.00000000000000000000000000000000000001"), 0)),
              "10000000000000000000000000000000000000");
    EXPECT_FALSE(Decimal::add(parsed("99999999999999999999999999999999999999"), parsed("1"), 0));
}

TEST(Decimal, MultiplicationRoundsTheWideProduct) {
    EXPECT_EQ(text(Decimal::multiply(parsed("19.99"), parsed("3.00"), 4)), "59.9700");
    // 412345678.1234567891 × 1.0000000001 has 20 decimals; at 17 the last digit rounds up.
    EXPECT_EQ(text(Decimal::multiply(parsed("412345678.1234567891"), parsed("1.0000000001"), 17)),
              "412345678.16469135691234568");
    // A product of two 30-digit values leaves 128 bits before it is rounded back.
    EXPECT_EQ(text(Decimal::multiply(parsed("123456789012345.123456789012345"),
                                     parsed("-100000000000000.000000000000001"), 6)),
              "-12345678901234512345678901234.623457");
    EXPECT_FALSE(
        Decimal::multiply(parsed("10000000000000000000"), parsed("10000000000000000000"), 0));
}

TEST(Decimal, DivisionCutsAtTheScale) {
    EXPECT_EQ(text(Decimal::divide(parsed("1.0"), parsed("3"), 6)), "0.333333");
    EXPECT_EQ(text(Decimal::divide(parsed("2.0"), parsed("3"), 6)), "0.666666");
    EXPECT_EQ(text(Decimal::divide(parsed("-2.0"), parsed("3"), 6)), "-0.666666");
    EXPECT_EQ(text(Decimal::divide(parsed("10.00"), parsed("4.00"), 8)), "2.50000000");
    EXPECT_EQ(text(Decimal::divide(parsed("1.6757400000"), parsed("10000.0000000000"), 6)),
              "0.000167");
    // A quotient with 37 decimals of a 38-digit dividend: long division past 128 bits.
    EXPECT_EQ(text(Decimal::divide(parsed("1"), parsed("7"), 37)),
              "0.1428571428571428571428571428571428571");
    EXPECT_EQ(
        text(Decimal::divide(parsed("1"), parsed("99999999999999999999999999999999999999"), 6)),
        "0.000000");
    EXPECT_FALSE(
        Decimal::divide(parsed("10000000000000000000000000000000000000"), parsed("0.1"), 0));
}

TEST(Decimal, ModuloKeepsTheDividendsSign) {
    EXPECT_EQ(text(Decimal::modulo(parsed("10.5"), parsed("3"))), "1.5");
    EXPECT_EQ(text(Decimal::modulo(parsed("-10.5"), parsed("3"))), "-1.5");
    EXPECT_EQ(text(Decimal::modulo(parsed("7"), parsed("0.25"))), "0.00");
}

TEST(Decimal, ValuesCompareAcrossScales) {
    EXPECT_EQ(Decimal::compare(parsed("1.50"), parsed("1.5")), 0);
    EXPECT_LT(Decimal::compare(parsed("-2"), parsed("1.5")), 0);
    EXPECT_GT(Decimal::compare(parsed("-1.4"), parsed("-1.5")), 0);
    EXPECT_GT(Decimal::compare(parsed("99999999999999999999999999999999999999"),
                               parsed("0.00000000000000000000000000000000000001")),
              0);
}

TEST(Decimal, TextsOrderByValue) {
    auto cmp = [](const char* a, const char* b) {
        return sign(tsql::compareNumericTexts(a, int(strlen(a)), b, int(strlen(b))));
    };
    EXPECT_EQ(cmp("10.50", "9.3"), 1);
    EXPECT_EQ(cmp("9.25", "10.5"), -1);
    EXPECT_EQ(cmp("-3.00", "0.75"), -1);
    EXPECT_EQ(cmp("-10", "-9.99"), -1);
    EXPECT_EQ(cmp("1.50", "1.5"), 0);
    EXPECT_EQ(cmp("-0.00", "0"), 0);
    EXPECT_EQ(cmp("007.1", "7.10"), 0);
    EXPECT_EQ(cmp("0.001", "0.01"), -1);
    EXPECT_EQ(cmp("1.0e-07", "0.0000002"), -1);  // a float as another tool writes it
    EXPECT_EQ(cmp("abc", "99999"), 1);           // not numbers: after the numbers
    EXPECT_EQ(cmp("abc", "abd"), -1);
}
