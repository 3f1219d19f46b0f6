// Stock on hand of a balance year as text in the product's stock and small units.

#include <optional>

#include "product/Dm_Product.h"
#include "product/QuantityText.h"
#include "product/Statements.h"

using db::FieldType;
using namespace product::detail;
using namespace Qt::Literals::StringLiterals;

namespace {

// The product's stock and small unit, beside the quantity of every stock statement.
const QStringList kUnitColumns = {
    "           (select fraction     from productunits where product=:pid and stockunitflag='Y') "
    "stockunitfrac,",
    "           (select unitname from productunits where product=:pid and stockunitflag='Y') "
    "stockunitname,",
    "           (select fraction    from productunits where product=:pid and smallunitflag='Y') "
    "smallunitfrac,",
    "           (select unitname from productunits where product=:pid and smallunitflag='Y') "
    "smallunitname",
};

QStringList summing(const char* quantityLine, const char* condition) {
    return QStringList{QString::fromUtf8(quantityLine)}
           << kUnitColumns << "from productonhand o"
           << "inner join warehouse w on w.id=o.warehouse" << QString::fromUtf8(condition);
}

// The units of the query's first row, or nothing when it holds no row.
std::optional<product::StockUnits> unitsOf(db::Query& query) {
    if (query.isEmpty())
        return std::nullopt;
    return product::StockUnits{query.fieldByName("StockUnitFrac"_L1).asInteger(),
                               query.fieldByName("StockUnitName"_L1).asString(),
                               query.fieldByName("SmallUnitName"_L1).asString()};
}

const QString kNoRow = QStringLiteral("Error");

// The quantity text of a summing query, opened with its parameters set; `onHand`, when given,
// receives the signed quantity first.
QString summedText(db::Query& query, double* onHand) {
    query.open();
    const auto units = unitsOf(query);
    if (!units)
        return kNoRow;
    const double quantity = query.fieldByName("Qnty"_L1).asFloat();
    if (onHand)
        *onHand = quantity;
    return product::quantityText(quantity, *units);
}

}  // namespace

void TDmProduct::createStockQueries() {
    QOnHand = makeQuery(
        this, "QOnHand",
        summing("select coalesce(Cast(sum(Cast(o.quantity As Decimal(30, 2)))  As Decimal(30, "
                "2)),0.00) qnty, ",
                "where (o.product = :pid) and (o.balanceyear = :yid)  "),
        {{"pid", FieldType::Integer}, {"yid", FieldType::Integer}});
    QOnhandWH = makeQuery(
        this, "QOnhandWH",
        summing("select coalesce(Cast(sum(Cast(o.quantity As Decimal(30, 3)))  As Decimal(30, "
                "3)),0.000) qnty,",
                "where (o.product = :pid) and (o.balanceyear = :yid) and (o.warehouse = :wid)"),
        {{"pid", FieldType::Integer}, {"yid", FieldType::Integer}, {"wid", FieldType::Integer}});
    QStringList show = kUnitColumns;
    show[0] = "select" + show[0].trimmed();
    QShowQnty = makeQuery(this, "QShowQnty",
                          show << "from product o"
                               << "where (o.id = :pid) ",
                          {{"pid", FieldType::Integer}});
    QOnhandWHunits = makeQuery(
        this, "QOnhandWHunits",
        summing("select coalesce(sum(o.quantity),0) qnty , ",
                "where (o.product = :pid) and (o.productunits=:uid) and (o.balanceyear = :yid) "
                "and (o.warehouse = :wid) and (w.code<>'RMA')"),
        {{"pid", FieldType::Integer},
         {"uid", FieldType::Integer},
         {"yid", FieldType::Integer},
         {"wid", FieldType::Integer}});
}

QString TDmProduct::ProductQuantity(int ProductId, int Year) {
    closeAndSet(*QOnHand, {{"Pid", ProductId}, {"Yid", Year}});
    return summedText(*QOnHand, nullptr);
}

QString TDmProduct::ShowQuantity(int ProductId, double Quantity) {
    closeAndSet(*QShowQnty, {{"Pid", ProductId}});
    QShowQnty->open();
    const auto units = unitsOf(*QShowQnty);
    return units ? product::quantityText(Quantity, *units) : kNoRow;
}

QString TDmProduct::ProductWHQuantity(int ProductId, int WarehouseId, int Year) {
    closeAndSet(*QOnhandWH, {{"Pid", ProductId}, {"Wid", WarehouseId}, {"Yid", Year}});
    return summedText(*QOnhandWH, &OnHandQuantity);
}

QString TDmProduct::ProductUnitsWHQuantity(int ProductId, int UnitId, int WarehouseId, int Year) {
    closeAndSet(*QOnhandWHunits,
                {{"Pid", ProductId}, {"Uid", UnitId}, {"Wid", WarehouseId}, {"Yid", Year}});
    return summedText(*QOnhandWHunits, &OnHandQuantity);
}
