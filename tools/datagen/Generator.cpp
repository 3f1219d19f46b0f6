#include "tools/datagen/Generator.h"

#include <QDate>
#include <QStringList>
#include <array>
#include <random>
#include <vector>

namespace datagen {

namespace {

// Rows waiting for one multi-row INSERT with explicit ids.
struct Table {
    QString name;
    QString columns;
    QStringList rows;
};

class Writer {
public:
    Writer(const Sink& sink, int rowsPerInsert) : sink_(sink), rowsPerInsert_(rowsPerInsert) {}

    // Tables are flushed in the order they were added, so headers go before their lines.
    int addTable(const QString& name, const QString& columns) {
        tables_.push_back({name, columns, {}});
        return static_cast<int>(tables_.size()) - 1;
    }

    void add(int table, const QString& values) {
        tables_[table].rows << values;
        if (tables_[table].rows.size() >= rowsPerInsert_)
            flush();
    }

    void flush() {
        for (Table& t : tables_) {
            if (t.rows.isEmpty())
                continue;
            sink_.execute(QStringLiteral("SET IDENTITY_INSERT %1 ON\n"
                                         "INSERT INTO %1 (%2) VALUES\n(%3)\n"
                                         "SET IDENTITY_INSERT %1 OFF")
                              .arg(t.name, t.columns, t.rows.join(QStringLiteral("),\n("))));
            t.rows.clear();
        }
    }

private:
    const Sink& sink_;
    int rowsPerInsert_;
    std::vector<Table> tables_;
};

// Reproducible on every platform: the engine's sequence is fixed by the standard, and no
// library distribution is used.
class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}
    int below(int n) { return static_cast<int>(engine_() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int oneIn) { return below(oneIn) == 0; }

private:
    std::mt19937_64 engine_;
};

// An amount held in hundredths, written as a decimal literal.
QString money(std::int64_t cents) {
    const QString sign = cents < 0 ? QStringLiteral("-") : QString();
    const std::int64_t a = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2.%3").arg(sign).arg(a / 100).arg(a % 100, 2, 10, QLatin1Char('0'));
}

QString text(const QString& s) {
    QString q = s;
    q.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

QString nText(const QString& s) {
    return QLatin1Char('N') + text(s);
}

enum class Kind {
    Receipt,
    PurchaseReturn,
    Invoice,
    Undelivered,
    SalesReturn,
    Issue,
    IssueReturn,
    Transfer,
    Adjustment
};

struct KindInfo {
    Kind kind;
    int weight;
    const char* header;
    const char* lines;
    const char* party;  // "Vendor", "Customer" or nullptr
    const char* prefix;
};

// Weights per hundred documents. An undelivered invoice comes with its delivery.
constexpr std::array<KindInfo, 9> kKinds{{
    {Kind::Receipt, 20, "MrHd", "MrDt", "Vendor", "GMR"},
    {Kind::PurchaseReturn, 4, "PrHd", "PrDt", "Vendor", "GPR"},
    {Kind::Invoice, 36, "IvHd", "IvDt", "Customer", "GIV"},
    {Kind::Undelivered, 4, "IvHd", "IvDt", "Customer", "GIN"},
    {Kind::SalesReturn, 4, "SrHd", "SrDt", "Customer", "GSR"},
    {Kind::Issue, 8, "IsHd", "IsDt", nullptr, "GIS"},
    {Kind::IssueReturn, 4, "RiHd", "RiDt", nullptr, "GRI"},
    {Kind::Transfer, 12, "TrHd", "TrDt", nullptr, "GTR"},
    {Kind::Adjustment, 8, "AjHd", "AjDt", nullptr, "GAJ"},
}};

const KindInfo& pickKind(Random& random) {
    int n = random.below(100);
    for (const KindInfo& k : kKinds) {
        if (n < k.weight)
            return k;
        n -= k.weight;
    }
    return kKinds.back();
}

struct Product {
    std::int64_t id;
    std::int64_t smallUnit;
    std::int64_t stockUnit;
    int stockFraction;
    std::int64_t costCents;  // per small unit
    std::int64_t firstLot;   // 0 when the product has no lots
};

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
    if (sink.scalar(QStringLiteral("SELECT Count(*) FROM Product WHERE Code = 'G0000001'")) > 0 ||
        sink.scalar(QStringLiteral("SELECT Count(*) FROM Warehouse WHERE Code = 'GW01'")) > 0)
        throw OptionsError("the database already holds generated data (product G0000001)");

    auto maxId = [&](const char* table) {
        return sink.scalar(QStringLiteral("SELECT Coalesce(Max(Id), 0) FROM %1").arg(table));
    };
    std::int64_t taxId = sink.scalar(QStringLiteral("SELECT Coalesce(Min(Id), 0) FROM Tax"));
    if (taxId == 0) {
        sink.execute(QStringLiteral(
            "INSERT INTO Tax (Code, Description, Rate) VALUES ('GV7', N'ภาษีมูลค่าเพิ่ม 7%', 7)"));
        taxId = sink.scalar(QStringLiteral("SELECT Id FROM Tax WHERE Code = 'GV7'"));
    }

    Random random(o.seed);
    Writer w(sink, o.rowsPerInsert);
    Summary summary;

    // Master data.
    const int tWarehouse = w.addTable(QStringLiteral("Warehouse"),
                                      QStringLiteral("Id, Code, Name, IsLocation, Blocked"));
    const int tVendor = w.addTable(QStringLiteral("Vendor"), QStringLiteral("Id, Code, Name"));
    const int tCustomer =
        w.addTable(QStringLiteral("Customer"), QStringLiteral("Id, Code, Name, CreditDays"));
    const int tProduct = w.addTable(
        QStringLiteral("Product"),
        QStringLiteral("Id, Code, ThaiName, ProductType, UseSerial, LotControl, TaxCode, "
                       "Blocked, CostMoving"));
    const int tUnit = w.addTable(
        QStringLiteral("ProductUnits"),
        QStringLiteral("Id, Product, UnitName, Fraction, BarCode, PurcPrice, SaleFlag, PurcFlag, "
                       "StockUnitFlag, SmallUnitFlag"));
    const int tLot =
        w.addTable(QStringLiteral("LotNo"), QStringLiteral("Id, Code, Description, Product, "
                                                           "HasExpired"));

    std::vector<std::int64_t> warehouses, vendors, customers;
    std::int64_t next = maxId("Warehouse");
    for (int i = 1; i <= o.warehouses; ++i) {
        warehouses.push_back(++next);
        w.add(tWarehouse, QStringLiteral("%1, 'GW%2', N'คลังทดสอบ %2', 'N', 'N'")
                              .arg(next)
                              .arg(i, 2, 10, QLatin1Char('0')));
    }
    next = maxId("Vendor");
    for (int i = 1; i <= o.vendors; ++i) {
        vendors.push_back(++next);
        w.add(tVendor, QStringLiteral("%1, 'GV%2', N'ผู้ขายทดสอบ %2'")
                           .arg(next)
                           .arg(i, 4, 10, QLatin1Char('0')));
    }
    next = maxId("Customer");
    for (int i = 1; i <= o.customers; ++i) {
        customers.push_back(++next);
        w.add(tCustomer, QStringLiteral("%1, 'GC%2', N'ลูกค้าทดสอบ %2', 30")
                             .arg(next)
                             .arg(i, 5, 10, QLatin1Char('0')));
    }

    static const std::array<int, 3> kFractions{6, 12, 24};
    static const std::array<const char*, 3> kStockUnits{"แพ็ค", "กล่อง", "ลัง"};
    std::vector<Product> products;
    std::int64_t productId = maxId("Product");
    std::int64_t unitId = maxId("ProductUnits");
    std::int64_t lotId = maxId("LotNo");
    for (int i = 1; i <= o.products; ++i) {
        const int f = random.below(3);
        const bool lots = i % 10 == 0;
        Product p{
            ++productId,         unitId + 1, unitId + 2, kFractions[f], random.between(100, 50000),
            lots ? lotId + 1 : 0};
        unitId += 2;
        const QString code = QStringLiteral("G%1").arg(i, 7, 10, QLatin1Char('0'));
        w.add(tProduct, QStringLiteral("%1, '%2', N'สินค้าทดสอบ %2', 'S', 'N', '%3', %4, 'N', %5")
                            .arg(p.id)
                            .arg(code, lots ? QStringLiteral("Y") : QStringLiteral("N"))
                            .arg(taxId)
                            .arg(money(p.costCents)));
        w.add(tUnit, QStringLiteral("%1, %2, N'ชิ้น', 1, '%3', %4, 'Y', 'N', 'N', 'Y'")
                         .arg(p.smallUnit)
                         .arg(p.id)
                         .arg(QStringLiteral("99%1").arg(p.smallUnit, 11, 10, QLatin1Char('0')))
                         .arg(money(p.costCents)));
        w.add(tUnit, QStringLiteral("%1, %2, %3, %4, '%5', %6, 'Y', 'Y', 'Y', 'N'")
                         .arg(p.stockUnit)
                         .arg(p.id)
                         .arg(nText(QString::fromUtf8(kStockUnits[f])))
                         .arg(p.stockFraction)
                         .arg(QStringLiteral("99%1").arg(p.stockUnit, 11, 10, QLatin1Char('0')))
                         .arg(money(p.costCents * p.stockFraction)));
        if (lots) {
            for (int y = 0; y < o.years; ++y) {
                w.add(tLot, QStringLiteral("%1, '%2-%3', N'ล็อตทดสอบ', %4, 'N'")
                                .arg(++lotId)
                                .arg(code)
                                .arg(o.firstYear + y)
                                .arg(p.id));
            }
        }
        products.push_back(p);
    }
    summary.products = o.products;
    summary.units = 2 * o.products;

    // Documents: one writer table per header and line table, headers first.
    struct DocTables {
        int header;
        int lines;
        std::int64_t nextHeader;
        std::int64_t nextLine;
    };
    std::vector<QString> names;
    std::vector<DocTables> docTables;
    auto tablesOf = [&](const KindInfo& k) -> DocTables& {
        const QString name = QString::fromLatin1(k.header);
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name)
                return docTables[i];
        QString headerColumns = QStringLiteral("Id, DocNo, DocDate, CancelFlag");
        if (k.party)
            headerColumns += QStringLiteral(", %1, NetAmount").arg(k.party);
        if (name == QLatin1String("IvHd"))
            headerColumns += QStringLiteral(", IvType, NotCutStock");
        QString lineColumns = QStringLiteral(
                                  "Id, %1, Product, ProductUnits, Warehouse, LotNo, "
                                  "Quantity, Fraction, Price, Amount")
                                  .arg(name);
        if (name == QLatin1String("IvHd"))
            lineColumns += QStringLiteral(", IvdtB");
        if (name == QLatin1String("TrHd"))
            lineColumns += QStringLiteral(", ToWarehouse");
        names.push_back(name);
        docTables.push_back({w.addTable(name, headerColumns),
                             w.addTable(QString::fromLatin1(k.lines), lineColumns), maxId(k.header),
                             maxId(k.lines)});
        return docTables.back();
    };
    // Every kind's tables exist in the writer before the first document, so that all headers
    // are flushed before all lines.
    for (const KindInfo& k : kKinds)
        tablesOf(k);

    struct Line {
        std::int64_t id;
        const Product* product;
        std::int64_t unit;
        int fraction;
        std::int64_t warehouse;
        std::int64_t lot;
        int quantity;
        std::int64_t priceCents;
    };
    std::int64_t remaining = o.lines;
    std::int64_t docNo = 0;
    while (remaining > 0) {
        const KindInfo* k = &pickKind(random);
        if (k->kind == Kind::Undelivered && remaining < 2)
            k = &kKinds.back();
        DocTables& t = tablesOf(*k);
        const int perDoc = random.between(1, 2 * o.linesPerDocument - 1);
        const std::int64_t budget = k->kind == Kind::Undelivered ? remaining / 2 : remaining;
        const int count = static_cast<int>(std::min<std::int64_t>(perDoc, budget));
        const int yearIndex = random.below(o.years);
        const QDate date = QDate(o.firstYear + yearIndex, 1, 1).addDays(random.below(365));
        const bool cancelled = random.chance(50);
        const std::int64_t party = k->party == nullptr ? 0
                                   : QLatin1String(k->party) == QLatin1String("Vendor")
                                       ? vendors[static_cast<size_t>(random.below(o.vendors))]
                                       : customers[static_cast<size_t>(random.below(o.customers))];

        std::vector<Line> lines;
        std::int64_t total = 0;
        for (int i = 0; i < count; ++i) {
            const Product& p = products[static_cast<size_t>(random.below(o.products))];
            const bool stockUnit = random.chance(2);
            Line l{++t.nextLine,
                   &p,
                   stockUnit ? p.stockUnit : p.smallUnit,
                   stockUnit ? p.stockFraction : 1,
                   warehouses[static_cast<size_t>(random.below(o.warehouses))],
                   p.firstLot ? p.firstLot + yearIndex : 0,
                   random.between(1, 50),
                   0};
            if (k->kind == Kind::Adjustment && random.chance(2))
                l.quantity = -l.quantity;
            l.priceCents = p.costCents * l.fraction;
            total += l.priceCents * l.quantity;
            lines.push_back(l);
        }

        auto writeDocument = [&](const char* prefix, const QString& ivColumns,
                                 const std::vector<Line>& docLines, bool delivery,
                                 std::int64_t firstLineOfInvoice) {
            const std::int64_t headerId = ++t.nextHeader;
            QString header = QStringLiteral("%1, '%2%3', '%4', '%5'")
                                 .arg(headerId)
                                 .arg(QLatin1String(prefix))
                                 .arg(++docNo, 8, 10, QLatin1Char('0'))
                                 .arg(date.addDays(delivery ? 7 : 0).toString(u"yyyyMMdd"))
                                 .arg(cancelled ? QLatin1Char('Y') : QLatin1Char('N'));
            if (k->party)
                header += QStringLiteral(", %1, %2").arg(party).arg(money(delivery ? 0 : total));
            header += ivColumns;
            w.add(t.header, header);
            ++summary.documents;
            std::int64_t invoiceLine = firstLineOfInvoice;
            for (const Line& l : docLines) {
                const std::int64_t lineId = delivery ? ++t.nextLine : l.id;
                QString row = QStringLiteral("%1, %2, %3, %4, %5, %6, %7, %8, %9, %10")
                                  .arg(lineId)
                                  .arg(headerId)
                                  .arg(l.product->id)
                                  .arg(l.unit)
                                  .arg(l.warehouse)
                                  .arg(l.lot ? QString::number(l.lot) : QStringLiteral("NULL"))
                                  .arg(l.quantity)
                                  .arg(l.fraction)
                                  .arg(money(delivery ? 0 : l.priceCents))
                                  .arg(money(delivery ? 0 : l.priceCents * l.quantity));
                if (QLatin1String(k->header) == QLatin1String("IvHd"))
                    row += delivery ? QStringLiteral(", %1").arg(invoiceLine++)
                                    : QStringLiteral(", NULL");
                if (k->kind == Kind::Transfer) {
                    std::int64_t to = warehouses[static_cast<size_t>(random.below(o.warehouses))];
                    if (to == l.warehouse)
                        to = warehouses[(static_cast<size_t>(to - warehouses.front()) + 1) %
                                        warehouses.size()];
                    row += QStringLiteral(", %1").arg(to);
                }
                w.add(t.lines, row);
                ++summary.lines;
            }
        };

        switch (k->kind) {
            case Kind::Invoice:
                writeDocument(
                    k->prefix,
                    random.chance(4) ? QStringLiteral(", 'C', 'N'") : QStringLiteral(", 'R', 'N'"),
                    lines, false, 0);
                break;
            case Kind::Undelivered:
                writeDocument(k->prefix, QStringLiteral(", 'R', 'Y'"), lines, false, 0);
                writeDocument("GIB", QStringLiteral(", 'B', 'N'"), lines, true, lines.front().id);
                break;
            default:
                writeDocument(k->prefix, QString(), lines, false, 0);
                break;
        }
        remaining -= k->kind == Kind::Undelivered ? 2 * count : count;
    }
    w.flush();
    return summary;
}

}  // namespace datagen
