#pragma once

#include <QLocale>
#include <QString>

namespace product {

// The number patterns of the quantity display, each rounding to at most six decimals and
// dropping trailing decimal zeros (and the decimal point when no decimals remain).
enum class NumberPattern {
    Grouped,    // "###,###,##0.###### ": thousands grouped, at least one digit, then a space
    Whole,      // "###,###,##0 ": a whole number, thousands grouped, then a space
    Remainder,  // " ######.###### ": a space, no grouping, no forced digit before the decimal
                // point (0.5 gives ".5"), then a space
};

// A number in one of the patterns, with the locale's thousands and decimal separators.
QString formatNumber(double value, NumberPattern pattern, const QLocale& locale = QLocale());

// The unit data that the stock statements give beside a quantity.
struct StockUnits {
    qint64 stockUnitFrac = 0;  // small units in one stock unit; 0 when there is no stock unit
    QString stockUnitName;
    QString smallUnitName;
};

// A count of small units as whole stock units and loose small units, such as "2 Box 6 Piece"
// for 30 with a stock unit Box of 12: a negative count is led by "- ", a count without whole
// stock units shows the loose units alone (" .5 Piece"), and nothing at all shows "0 Box".
// A product without a stock unit shows the whole count in small units.
QString quantityText(double quantity, const StockUnits& units, const QLocale& locale = QLocale());

}  // namespace product
