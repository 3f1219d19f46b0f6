#include "tools/voqproduct/Report.h"

#include <QDateTime>

#include "db/Query.h"

namespace voqproduct {

using product::PriceSource;
using product::PriceStep;

QString printable(double value) {
    return QString::number(value, 'g', 15);
}

QString printable(const QVariant& value) {
    if (value.isNull())
        return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    if (value.typeId() == QMetaType::Double)
        return printable(value.toDouble());
    return value.toString();
}

QStringList rowLines(const db::Query& query) {
    const QString name = query.objectName() + u':';
    if (!query.isActive())
        return {name + QStringLiteral(" (closed)")};
    if (query.isEmpty())
        return {name + QStringLiteral(" (no row)")};
    qsizetype width = 0;
    for (const db::Column& c : query.columns())
        width = std::max(width, c.name.size());
    QStringList lines{name};
    for (int i = 0; i < static_cast<int>(query.columns().size()); ++i)
        lines << QStringLiteral("  %1  %2")
                     .arg(query.columns()[size_t(i)].name.leftJustified(width),
                          printable(query.valueAt(query.recNo(), i)));
    return lines;
}

namespace {

QString sourceName(PriceSource source) {
    switch (source) {
        case PriceSource::StandardPrice:
            return QStringLiteral("standard price of the unit (ProductPrice)");
        case PriceSource::StockUnitPrice:
            return QStringLiteral(
                "standard price of the stock unit (ProductPrice, stock-unit "
                "price mode)");
        case PriceSource::CustomerPrice:
            return QStringLiteral("the customer's own price (customerproductprice)");
        case PriceSource::CustomerPromotion:
            return QStringLiteral("promotion for this customer (promotion_dt)");
        case PriceSource::AllCustomersPromotion:
            return QStringLiteral("promotion for all customers (promotion_dt, customer 0)");
        case PriceSource::ProjectPrice:
            return QStringLiteral(
                "the customer's price in the project "
                "(CustomerProductPriceProject)");
        case PriceSource::VendorPartPrice:
            return QStringLiteral("the vendor's part record (partsource)");
        case PriceSource::VendorStandardPrice:
            return QStringLiteral(
                "the unit's standard purchase price in the vendor's currency "
                "(ProductUnits)");
        case PriceSource::DefaultPrice:
            return QStringLiteral("the default price given");
    }
    return {};
}

// What the source held.
QString holding(const PriceStep& s) {
    if (!s.found)
        return QStringLiteral("no row");
    QString text = QStringLiteral("price %1").arg(printable(s.price));
    if (!s.discount.isEmpty())
        text += QStringLiteral(", discount \"%1\"").arg(s.discount);
    if (s.source == PriceSource::CustomerPrice)
        text += QStringLiteral(", quantity %1").arg(s.quantity);
    return text;
}

// What the operation took from it.
QString outcome(const PriceStep& s) {
    if (s.tookPrice && s.tookDiscount)
        return QStringLiteral("price and discount taken");
    if (s.tookPrice)
        return QStringLiteral("price taken");
    if (s.tookDiscount)
        return QStringLiteral("discount taken; a price not above 0 is not taken");
    return s.found ? QStringLiteral("not taken") : QStringLiteral("nothing taken");
}

}  // namespace

QStringList explainPrice(const std::vector<PriceStep>& steps) {
    QStringList lines;
    int n = 0;
    for (const PriceStep& s : steps) {
        const QString unit = s.unitId ? QStringLiteral(", unit %1").arg(s.unitId) : QString();
        QString line = QStringLiteral("  %1. %2%3: %4 -> %5")
                           .arg(++n)
                           .arg(sourceName(s.source), unit, holding(s), outcome(s));
        // A purchase price is not settled until a source gives one.
        const bool purchase = s.source == PriceSource::VendorPartPrice ||
                              s.source == PriceSource::VendorStandardPrice;
        if (s.found || !purchase)
            line += QStringLiteral("; price now %1").arg(printable(s.priceAfter));
        lines << line;
    }
    return lines;
}

}  // namespace voqproduct
