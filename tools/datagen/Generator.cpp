#include "tools/datagen/Generator.h"

#include "tools/datagen/Prices.h"
#include "tools/datagen/Rows.h"

#include <QDate>
#include <QHash>
#include <QStringList>
#include <array>
#include <map>
#include <random>
#include <tuple>

namespace datagen {

namespace {

using namespace detail;

enum class Kind {
    Receipt,
    PurchaseReturn,
    Invoice,
    Undelivered,
    Delivery,
    SalesReturn,
    Issue,
    IssueReturn,
    Transfer,
    Adjustment
};

struct KindInfo {
    Kind kind;
    int weight;  // per hundred documents, so that stock grows a little; an undelivered invoice
                 // comes with its delivery
    const char* header;
    const char* lines;
    const char* party;  // "Vendor", "Customer" or nullptr
    const char* prefix;
};

constexpr std::array<KindInfo, 10> kKinds{{
    {Kind::Receipt, 34, "MrHd", "MrDt", "Vendor", "GMR"},
    {Kind::PurchaseReturn, 3, "PrHd", "PrDt", "Vendor", "GPR"},
    {Kind::Invoice, 26, "IvHd", "IvDt", "Customer", "GIV"},
    {Kind::Undelivered, 4, "IvHd", "IvDt", "Customer", "GIN"},
    {Kind::Delivery, 0, "IvHd", "IvDt", "Customer", "GIB"},
    {Kind::SalesReturn, 4, "SrHd", "SrDt", "Customer", "GSR"},
    {Kind::Issue, 6, "IsHd", "IsDt", nullptr, "GIS"},
    {Kind::IssueReturn, 3, "RiHd", "RiDt", nullptr, "GRI"},
    {Kind::Transfer, 12, "TrHd", "TrDt", nullptr, "GTR"},
    {Kind::Adjustment, 8, "AjHd", "AjDt", nullptr, "GAJ"},
}};

const KindInfo& kindOf(Kind kind) {
    for (const KindInfo& k : kKinds)
        if (k.kind == kind)
            return k;
    return kKinds.front();
}

const KindInfo& pickKind(Random& random) {
    int n = random.below(100);
    for (const KindInfo& k : kKinds) {
        if (n < k.weight)
            return k;
        n -= k.weight;
    }
    return kKinds.back();
}

struct PlannedProduct {
    int fractionIndex;
    std::int64_t costCents;  // per small unit
    bool lots;
};

struct PlannedLine {
    int product;  // index into the products
    bool stockUnit;
    int warehouse;    // index
    int toWarehouse;  // index, transfers only
    int quantity;
};

struct PlannedDocument {
    const KindInfo* kind;
    std::int64_t number;
    QDate date;
    int yearIndex;
    bool cancelled;
    int party;  // index into vendors or customers
    QString ivType;
    QString notCutStock;
    std::vector<PlannedLine> lines;
};

constexpr std::array<int, 3> kFractions{6, 12, 24};
constexpr std::array<const char*, 3> kStockUnits{"แพ็ค", "กล่อง", "ลัง"};

}  // namespace

void validate(const Options& o) {
    if (o.products < 1 || o.products > 9999999)
        throw OptionsError("products must be between 1 and 9999999");
    if (o.lines < 0 || o.lines > 9999999999LL)
        throw OptionsError("lines must be between 0 and 9999999999");
    if (o.firstYear < 1901 || o.years < 1 || o.firstYear + o.years - 1 > 9998)
        throw OptionsError("the years must lie between 1901 and 9998");
    if (o.linesPerDocument < 1 || o.linesPerDocument > 1000)
        throw OptionsError("lines per document must be between 1 and 1000");
    if (o.warehouses < 2 || o.warehouses > 99)
        throw OptionsError("warehouses must be between 2 and 99");
    if (o.customers < 1 || o.customers > 99999)
        throw OptionsError("customers must be between 1 and 99999");
    if (o.vendors < 1 || o.vendors > 9999)
        throw OptionsError("vendors must be between 1 and 9999");
    if (o.rowsPerInsert < 1 || o.rowsPerInsert > 1000)
        throw OptionsError("rows per insert must be between 1 and 1000");
}

Summary generate(const Options& o, const Sink& sink) {
    validate(o);
    auto scalar = [&](const QString& sql) -> std::int64_t {
        const std::vector<QVariantList> r = sink.rows(sql);
        return r.empty() || r.front().isEmpty() ? 0 : r.front().front().toLongLong();
    };
    if (scalar(QStringLiteral("SELECT Count(*) FROM Product WHERE Code = 'G0000001'")) > 0 ||
        scalar(QStringLiteral("SELECT Count(*) FROM Warehouse WHERE Code = 'GW01'")) > 0)
        throw OptionsError("the database already holds generated data (product G0000001)");

    // The whole load is planned first, so the random sequence never depends on the database.
    Random random(o.seed);
    std::vector<PlannedProduct> products;
    for (int i = 1; i <= o.products; ++i)
        products.push_back({random.below(3), random.between(100, 50000), i % 10 == 0});

    std::vector<PlannedDocument> documents;
    std::int64_t remaining = o.lines;
    std::int64_t number = 0;
    while (remaining > 0) {
        const KindInfo* k = &pickKind(random);
        if (k->kind == Kind::Undelivered && remaining < 2)
            k = &kKinds.back();
        const int perDoc = random.between(1, 2 * o.linesPerDocument - 1);
        const std::int64_t budget = k->kind == Kind::Undelivered ? remaining / 2 : remaining;
        const int count = static_cast<int>(std::min<std::int64_t>(perDoc, budget));
        PlannedDocument d{k, ++number, {}, random.below(o.years), random.chance(50), 0, {}, {}, {}};
        d.date = QDate(o.firstYear + d.yearIndex, 1, 1).addDays(random.below(365));
        if (k->party)
            d.party = random.below(
                QLatin1String(k->party) == QLatin1String("Vendor") ? o.vendors : o.customers);
        for (int i = 0; i < count; ++i) {
            PlannedLine l{random.below(o.products), random.chance(2), random.below(o.warehouses), 0,
                          random.between(1, 50)};
            if (k->kind == Kind::Transfer)
                l.toWarehouse = (l.warehouse + random.between(1, o.warehouses - 1)) % o.warehouses;
            if (k->kind == Kind::Adjustment && random.chance(2))
                l.quantity = -l.quantity;
            d.lines.push_back(l);
        }
        if (k->kind == Kind::Invoice) {
            d.ivType = random.chance(4) ? QStringLiteral("C") : QStringLiteral("R");
            d.notCutStock = QStringLiteral("N");
        } else if (k->kind == Kind::Undelivered) {
            d.ivType = QStringLiteral("R");
            d.notCutStock = QStringLiteral("Y");
        }
        documents.push_back(d);
        if (k->kind == Kind::Undelivered) {
            // The delivery, a week later, carries the same lines under the same number.
            PlannedDocument delivery = d;
            delivery.kind = &kindOf(Kind::Delivery);
            delivery.date = d.date.addDays(7);
            delivery.ivType = QStringLiteral("B");
            delivery.notCutStock = QStringLiteral("N");
            documents.push_back(delivery);
        }
        remaining -= k->kind == Kind::Undelivered ? 2 * count : count;
    }

    Writer w(sink, o.rowsPerInsert);
    Summary summary;

    // Master data, then their ids.
    std::int64_t taxId = scalar(QStringLiteral("SELECT Coalesce(Min(Id), 0) FROM Tax"));
    if (taxId == 0) {
        sink.execute(QStringLiteral(
            "INSERT INTO Tax (Code, Description, Rate) VALUES ('GV7', N'ภาษีมูลค่าเพิ่ม 7%', 7)"));
        taxId = scalar(QStringLiteral("SELECT Id FROM Tax WHERE Code = 'GV7'"));
    }
    const std::vector<std::int64_t> currencies = currencyIds(sink);
    for (int i = 1; i <= o.warehouses; ++i)
        w.add(QStringLiteral("Warehouse"), QStringLiteral("Code, Name, IsLocation, Blocked"),
              QStringLiteral("'GW%1', N'คลังทดสอบ %1', 'N', 'N'").arg(padded(i, 2)));
    for (int i = 1; i <= o.vendors; ++i)
        w.add(QStringLiteral("Vendor"), QStringLiteral("Code, Name, VendorCurrency, PoCurrencyId"),
              QStringLiteral("'GV%1', N'ผู้ขายทดสอบ %1', %2, %2")
                  .arg(padded(i, 4))
                  .arg(currencies[static_cast<size_t>(i) % currencies.size()]));
    for (int i = 1; i <= o.customers; ++i)
        w.add(QStringLiteral("Customer"), QStringLiteral("Code, Name, CreditDays"),
              QStringLiteral("'GC%1', N'ลูกค้าทดสอบ %1', 30").arg(padded(i, 5)));
    for (int i = 0; i < o.products; ++i) {
        const PlannedProduct& p = products[static_cast<size_t>(i)];
        w.add(QStringLiteral("Product"),
              QStringLiteral("Code, ThaiName, ProductType, UseSerial, LotControl, TaxCode, "
                             "Blocked, CostMoving"),
              QStringLiteral("'G%1', N'สินค้าทดสอบ G%1', 'S', 'N', '%2', %3, 'N', %4")
                  .arg(padded(i + 1, 7), p.lots ? QStringLiteral("Y") : QStringLiteral("N"))
                  .arg(taxId)
                  .arg(money(p.costCents)));
    }
    w.flushAll();

    const QHash<QString, std::int64_t> warehouseIds =
        idsByCode(sink, QStringLiteral("SELECT Id, Code FROM Warehouse WHERE Code LIKE 'GW%'"));
    const QHash<QString, std::int64_t> vendorIds =
        idsByCode(sink, QStringLiteral("SELECT Id, Code FROM Vendor WHERE Code LIKE 'GV%'"));
    const QHash<QString, std::int64_t> customerIds =
        idsByCode(sink, QStringLiteral("SELECT Id, Code FROM Customer WHERE Code LIKE 'GC%'"));
    const QHash<QString, std::int64_t> productCodes = idsByCode(
        sink, QStringLiteral(
                  "SELECT Id, Code FROM Product WHERE Code >= 'G0000001' AND Code <= 'G9999999'"));
    std::vector<std::int64_t> warehouses, vendors, customers, productIds;
    for (int i = 1; i <= o.warehouses; ++i)
        warehouses.push_back(need(warehouseIds, QStringLiteral("GW") + padded(i, 2)));
    for (int i = 1; i <= o.vendors; ++i)
        vendors.push_back(need(vendorIds, QStringLiteral("GV") + padded(i, 4)));
    for (int i = 1; i <= o.customers; ++i)
        customers.push_back(need(customerIds, QStringLiteral("GC") + padded(i, 5)));
    for (int i = 1; i <= o.products; ++i)
        productIds.push_back(need(productCodes, QStringLiteral("G") + padded(i, 7)));

    for (int i = 0; i < o.products; ++i) {
        const PlannedProduct& p = products[static_cast<size_t>(i)];
        const std::int64_t id = productIds[static_cast<size_t>(i)];
        const int f = kFractions[static_cast<size_t>(p.fractionIndex)];
        // The purchase price in baht, kip and dollars.
        const auto addUnit = [&](const QString& name, int fraction, std::int64_t barcode,
                                 const char* flags) {
            const std::int64_t cost = p.costCents * fraction;
            w.add(QStringLiteral("ProductUnits"),
                  QStringLiteral("Product, UnitName, Fraction, BarCode, PurcPrice, PurcPriceBaht, "
                                 "PurcPriceKip, PurcPriceUsd, SaleFlag, PurcFlag, StockUnitFlag, "
                                 "SmallUnitFlag"),
                  QStringLiteral("%1, N'%2', %3, '99%4', %5, %5, %6, %7, %8")
                      .arg(id)
                      .arg(name)
                      .arg(fraction)
                      .arg(padded(barcode, 11), money(cost), money(cost * 600), money(cost / 34),
                           QLatin1String(flags)));
        };
        addUnit(QStringLiteral("ชิ้น"), 1, 2 * i + 1, "'Y', 'N', 'N', 'Y'");
        addUnit(QString::fromUtf8(kStockUnits[static_cast<size_t>(p.fractionIndex)]), f, 2 * i + 2,
                "'Y', 'Y', 'Y', 'N'");
        if (p.lots)
            for (int y = 0; y < o.years; ++y)
                w.add(QStringLiteral("LotNo"),
                      QStringLiteral("Code, Description, Product, HasExpired"),
                      QStringLiteral("'G%1-%2', N'ล็อตทดสอบ', %3, 'N'")
                          .arg(padded(i + 1, 7))
                          .arg(o.firstYear + y)
                          .arg(id));
    }
    w.flushAll();

    // Units by the product's id and whether it is the small unit; lots by code.
    std::map<std::pair<std::int64_t, bool>, std::int64_t> units;
    for (const QVariantList& row : sink.rows(QStringLiteral(
             "SELECT U.Id, U.Product, U.SmallUnitFlag FROM ProductUnits U INNER JOIN Product P ON "
             "P.Id = U.Product WHERE P.Code >= 'G0000001' AND P.Code <= 'G9999999'")))
        units[{row.at(1).toLongLong(), row.at(2).toString() == QLatin1String("Y")}] =
            row.at(0).toLongLong();
    const QHash<QString, std::int64_t> lotIds =
        idsByCode(sink, QStringLiteral("SELECT Id, Code FROM LotNo WHERE Code LIKE 'G%-%'"));
    summary.products = o.products;
    summary.units = static_cast<int>(units.size());

    std::vector<PricedProduct> priced;
    for (int i = 0; i < o.products; ++i) {
        const PlannedProduct& p = products[static_cast<size_t>(i)];
        const std::int64_t id = productIds[static_cast<size_t>(i)];
        priced.push_back({id, p.costCents, kFractions[static_cast<size_t>(p.fractionIndex)],
                          units.at({id, true}), units.at({id, false})});
    }
    writePrices(o, sink, w, priced, customers, vendors, summary);

    // Headers, then their ids by document number.
    auto docNo = [](const PlannedDocument& d) {
        return QLatin1String(d.kind->prefix) + padded(d.number, 8);
    };
    for (const PlannedDocument& d : documents) {
        std::int64_t total = 0;
        for (const PlannedLine& l : d.lines) {
            const PlannedProduct& p = products[static_cast<size_t>(l.product)];
            total +=
                p.costCents * (l.stockUnit ? kFractions[size_t(p.fractionIndex)] : 1) * l.quantity;
        }
        QString columns = QStringLiteral("DocNo, DocDate, CancelFlag");
        QString values = QStringLiteral("'%1', '%2', '%3'")
                             .arg(docNo(d), d.date.toString(u"yyyyMMdd"),
                                  d.cancelled ? QStringLiteral("Y") : QStringLiteral("N"));
        if (d.kind->party) {
            const bool vendor = QLatin1String(d.kind->party) == QLatin1String("Vendor");
            columns += QStringLiteral(", %1, NetAmount").arg(QLatin1String(d.kind->party));
            values += QStringLiteral(", %1, %2")
                          .arg((vendor ? vendors : customers)[static_cast<size_t>(d.party)])
                          .arg(money(d.kind->kind == Kind::Delivery ? 0 : total));
        }
        if (!d.ivType.isEmpty()) {
            columns += QStringLiteral(", IvType, NotCutStock");
            values += QStringLiteral(", '%1', '%2'").arg(d.ivType, d.notCutStock);
        }
        w.add(QLatin1String(d.kind->header), columns, values);
        ++summary.documents;
    }
    w.flushAll();
    QHash<QString, std::int64_t> headerIds;
    for (const char* table : {"MrHd", "PrHd", "IvHd", "SrHd", "IsHd", "RiHd", "TrHd", "AjHd"})
        headerIds.insert(idsByCode(
            sink, QStringLiteral("SELECT Id, DocNo FROM %1 WHERE DocNo LIKE 'G%'").arg(table)));

    // Lines: first every document's but the deliveries', then the deliveries', which name the
    // undelivered invoice's line of the same product, unit, warehouse and quantity.
    auto writeLines = [&](const PlannedDocument& d, std::vector<std::int64_t>* invoiceLines) {
        const std::int64_t header = need(headerIds, docNo(d));
        QString columns = QStringLiteral(
                              "%1, Product, ProductUnits, Warehouse, LotNo, Quantity, "
                              "Fraction, Price, Amount")
                              .arg(QLatin1String(d.kind->header));
        if (d.kind->kind == Kind::Delivery)
            columns += QStringLiteral(", IvdtB");
        if (d.kind->kind == Kind::Transfer)
            columns += QStringLiteral(", ToWarehouse");
        size_t index = 0;
        for (const PlannedLine& l : d.lines) {
            const PlannedProduct& p = products[static_cast<size_t>(l.product)];
            const std::int64_t productId = productIds[static_cast<size_t>(l.product)];
            const int fraction = l.stockUnit ? kFractions[size_t(p.fractionIndex)] : 1;
            const std::int64_t price = d.kind->kind == Kind::Delivery ? 0 : p.costCents * fraction;
            const QString lot =
                p.lots ? QString::number(need(lotIds, QStringLiteral("G%1-%2")
                                                          .arg(padded(l.product + 1, 7))
                                                          .arg(o.firstYear + d.yearIndex)))
                       : QStringLiteral("NULL");
            QString values = QStringLiteral("%1, %2, %3, %4, %5, %6, %7, %8, %9")
                                 .arg(header)
                                 .arg(productId)
                                 .arg(units.at({productId, !l.stockUnit}))
                                 .arg(warehouses[static_cast<size_t>(l.warehouse)])
                                 .arg(lot)
                                 .arg(l.quantity)
                                 .arg(fraction)
                                 .arg(money(price), money(price * l.quantity));
            if (d.kind->kind == Kind::Delivery)
                values += QStringLiteral(", %1").arg((*invoiceLines)[index++]);
            if (d.kind->kind == Kind::Transfer)
                values += QStringLiteral(", %1").arg(warehouses[size_t(l.toWarehouse)]);
            w.add(QLatin1String(d.kind->lines), columns, values);
            ++summary.lines;
        }
    };
    for (const PlannedDocument& d : documents)
        if (d.kind->kind != Kind::Delivery)
            writeLines(d, nullptr);
    w.flushAll();

    using LineKey = std::tuple<QString, std::int64_t, std::int64_t, std::int64_t, std::int64_t>;
    std::multimap<LineKey, std::int64_t> undelivered;
    for (const QVariantList& row : sink.rows(QStringLiteral(
             "SELECT D.Id, H.DocNo, D.ProductUnits, D.Warehouse, D.Quantity FROM IvDt D INNER "
             "JOIN IvHd H ON H.Id = D.IvHd WHERE H.DocNo LIKE 'GIN%' ORDER BY D.Id")))
        undelivered.insert({{row.at(1).toString().mid(3), row.at(2).toLongLong(),
                             row.at(3).toLongLong(), row.at(4).toLongLong(), 0},
                            row.at(0).toLongLong()});
    for (const PlannedDocument& d : documents) {
        if (d.kind->kind != Kind::Delivery)
            continue;
        std::vector<std::int64_t> invoiceLines;
        for (const PlannedLine& l : d.lines) {
            const std::int64_t productId = productIds[static_cast<size_t>(l.product)];
            const LineKey key{padded(d.number, 8), units.at({productId, !l.stockUnit}),
                              warehouses[static_cast<size_t>(l.warehouse)], l.quantity, 0};
            const auto it = undelivered.find(key);
            if (it == undelivered.end())
                throw std::runtime_error("an undelivered invoice line was not found again");
            invoiceLines.push_back(it->second);
            undelivered.erase(it);
        }
        writeLines(d, &invoiceLines);
    }
    w.flushAll();
    return summary;
}

}  // namespace datagen
