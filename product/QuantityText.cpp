#include "product/QuantityText.h"

#include <algorithm>
#include <cmath>

#include "dbcore/DigitGroups.h"

namespace product {

namespace {

constexpr int kDecimals = 6;

// Whether a value shows as zero once rounded to six decimals.
bool roundsToZero(double value) {
    return std::abs(value) < 0.5e-6;
}

}  // namespace

QString formatNumber(double value, NumberPattern pattern, const QLocale& locale) {
    const int decimals = pattern == NumberPattern::Whole ? 0 : kDecimals;
    const QString plain = QString::number(std::abs(value), 'f', decimals);
    QString whole = plain.section(u'.', 0, 0);
    QString fraction = plain.section(u'.', 1, 1);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    const bool negative = value < 0 && !(whole == u"0" && fraction.isEmpty());

    if (pattern == NumberPattern::Remainder) {
        if (whole == u"0")
            whole.clear();
    } else {
        whole = db::groupedDigits(whole, locale.groupSeparator());
    }
    QString text = negative ? QStringLiteral("-") + whole : whole;
    if (!fraction.isEmpty())
        text += locale.decimalPoint() + fraction;
    return pattern == NumberPattern::Remainder ? u' ' + text + u' ' : text + u' ';
}

QString quantityText(double quantity, const StockUnits& units, const QLocale& locale) {
    const QString sign = quantity < 0 ? QStringLiteral("- ") : QString();
    const double q = std::abs(quantity);
    const qint64 f = units.stockUnitFrac;

    QString text;
    if (f == 1) {
        text = formatNumber(q, NumberPattern::Grouped, locale) + units.stockUnitName;
    } else if (f == 0) {
        // No stock unit: the count itself, in small units.
        text = formatNumber(q, NumberPattern::Grouped, locale) + units.smallUnitName;
    } else {
        const double d = static_cast<double>(std::max<qint64>(f, 1));
        const double whole = std::trunc(q / d);
        if (whole != 0)
            text = formatNumber(whole, NumberPattern::Whole, locale) + units.stockUnitName;
        const double remainder = q - whole * static_cast<double>(f);
        if (!roundsToZero(remainder))
            text += formatNumber(std::abs(remainder), NumberPattern::Remainder, locale) +
                    units.smallUnitName;
    }
    if (text.isEmpty())
        text = QStringLiteral("0 ") + units.stockUnitName;
    return sign + text;
}

}  // namespace product
