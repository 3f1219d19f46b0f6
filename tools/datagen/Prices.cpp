#include "tools/datagen/Prices.h"

#include <array>

namespace datagen::detail {

namespace {

constexpr std::array<const char*, 3> kCurrencies{"THB", "USD", "LAK"};

// Markups in percent of the cost: retail, wholesale, a customer's price, a promotion.
constexpr std::int64_t kRetail = 135, kWholesale = 120, kCustomer = 125, kPromotion = 110;

std::int64_t marked(std::int64_t costCents, std::int64_t percent) {
    return costCents * percent / 100;
}

}  // namespace

std::vector<std::int64_t> currencyIds(const Sink& sink) {
    std::vector<std::int64_t> ids;
    for (const char* code : kCurrencies) {
        const QString find =
            QStringLiteral("SELECT Id FROM Misc WHERE GroupCode = 'CURRENCY' AND Code = '%1'")
                .arg(QLatin1String(code));
        if (sink.rows(find).empty())
            sink.execute(QStringLiteral("INSERT INTO Misc (GroupCode, Code, Description) VALUES "
                                        "('CURRENCY', '%1', '%1')")
                             .arg(QLatin1String(code)));
        ids.push_back(sink.rows(find).front().front().toLongLong());
    }
    return ids;
}

void writePrices(const Options& o, const Sink& sink, Writer& w,
                 const std::vector<PricedProduct>& products,
                 const std::vector<std::int64_t>& customers,
                 const std::vector<std::int64_t>& vendors, Summary& summary) {
    // A sequence of its own, so that the documents stay what they were for a seed.
    Random random(o.seed ^ 0x5052494345ULL);
    sink.execute(QStringLiteral("INSERT INTO projecthd (Code, Description, Customer) VALUES "
                                "('GPJ01', N'โครงการทดสอบ', %1)")
                     .arg(customers.front()));
    const std::int64_t project =
        sink.rows(QStringLiteral("SELECT Id FROM projecthd WHERE Code = 'GPJ01'"))
            .front()
            .front()
            .toLongLong();
    const QString first = QStringLiteral("%1-01-01").arg(o.firstYear);
    const QString last = QStringLiteral("%1-12-31").arg(o.firstYear + o.years - 1);

    std::int64_t n = 0;
    for (const PricedProduct& p : products) {
        ++n;
        const std::int64_t boxCost = p.costCents * p.fraction;
        for (const auto& [unit, cost] :
             {std::pair{p.smallUnit, p.costCents}, std::pair{p.stockUnit, boxCost}})
            for (const auto& [type, markup] : {std::pair{1, kRetail}, std::pair{2, kWholesale}}) {
                w.add(QStringLiteral("ProductPrice"),
                      QStringLiteral("Product, ProductUnits, PriceType, Price"),
                      QStringLiteral("%1, %2, %3, %4")
                          .arg(p.id)
                          .arg(unit)
                          .arg(type)
                          .arg(money(marked(cost, markup))));
                ++summary.prices;
            }
        const std::int64_t customer = customers[size_t(random.below(int(customers.size())))];
        if (n % 10 == 0)
            w.add(QStringLiteral("customerproductprice"),
                  QStringLiteral("Customer, Product, ProductUnits, Price, Quantity, Discount"),
                  QStringLiteral("%1, %2, %3, %4, %5, %6")
                      .arg(customer)
                      .arg(p.id)
                      .arg(p.stockUnit)
                      .arg(money(marked(boxCost, kCustomer)))
                      .arg(random.between(1, 20))
                      .arg(random.chance(2) ? QStringLiteral("'5%'") : QStringLiteral("NULL")));
        for (const std::int64_t forCustomer : {std::int64_t{0}, customer}) {
            if (n % (forCustomer == 0 ? 20 : 40) != 0)
                continue;
            w.add(QStringLiteral("promotion_dt"),
                  QStringLiteral("Product, ProductUnits, PriceType, Customer, StartDate, "
                                 "StopDate, Price, DiscPercent"),
                  QStringLiteral("%1, %2, 1, %3, '%4', '%5', %6, NULL")
                      .arg(p.id)
                      .arg(p.smallUnit)
                      .arg(forCustomer)
                      .arg(first, last, money(marked(p.costCents, kPromotion))));
        }
        if (n % 50 == 0)
            w.add(QStringLiteral("CustomerProductPriceProject"),
                  QStringLiteral("Project, Customer, Product, ProductUnits, Price, Discount"),
                  QStringLiteral("%1, %2, %3, %4, %5, NULL")
                      .arg(project)
                      .arg(customers.front())
                      .arg(p.id)
                      .arg(p.stockUnit)
                      .arg(money(marked(boxCost, kWholesale))));
        if (n % 5 == 0) {
            w.add(
                QStringLiteral("PartSource"),
                QStringLiteral("Vendor, Product, ProductUnits, PurchaseCode, PurchaseName, "
                               "Price, PriceBaht, PriceKip, PriceUsd"),
                QStringLiteral("%1, %2, %3, 'GP%4', N'ชิ้นส่วนทดสอบ', %5, %5, %6, %7")
                    .arg(vendors[size_t(random.below(int(vendors.size())))])
                    .arg(p.id)
                    .arg(p.stockUnit)
                    .arg(padded(n, 7), money(boxCost), money(boxCost * 600), money(boxCost / 34)));
            ++summary.partSources;
        }
    }
    w.flushAll();
}

}  // namespace datagen::detail
