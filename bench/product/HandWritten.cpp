#include "bench/product/HandWritten.h"

#include <sqlite3.h>

#include <stdexcept>

#include "bench/common/RawRows.h"
#include "product/QuantityText.h"
#include "tsql/Collation.h"
#include "tsql/Functions.h"

using namespace Qt::Literals::StringLiterals;

namespace productbench {

namespace {

// Texts compare under the database's collation, as on SQL Server: a column's own, and THAI_CI_AS
// for an expression (SQLite would compare a coalesce() by its bytes).
//
// A scalar subquery that no key limits to one row refuses a second one, as SQL Server does and the
// module's statements therefore do: tsql_single raises error 512 for it (SQLite alone would take
// the first row). Subqueries on a primary key need no such check and have none.
const char* const kProduct =
    "SELECT P.Id, P.Code, P.ThaiName, P.EngName, P.PosName, P.ProductType, P.PriceIE, "
    "P.PrintFrac, P.UseSerial, P.LotControl, P.TaxCode, P.DefaultWh, P.PriceByVolumn, "
    "P.Discount, W.FlagIn, W.FlagOut, P.BuyingCode, P.VolumnUnit, T.Rate, W.Code, W.Name, "
    "P.Blocked, P.Negative, coalesce(P.ProductFree, 'N'), P.Size_W, P.Size_L, P.Size_H, "
    "P.CartonsUnits, P.Cartons, P.NetWeight, P.GrossWeight, P.ProductDesc, "
    "coalesce(P.CheckSerialPurc, 'N'), coalesce(P.CheckSerialSale, 'N'), "
    "coalesce(P.CheckSerialStock, 'N'), coalesce(P.CheckSerialOnhand, 'N'), "
    "coalesce(P.PerDiscountOver, 0), coalesce(P.CostMoving, 0) "
    "FROM Product P JOIN Tax T ON T.Id = P.TaxCode LEFT JOIN Warehouse W ON W.Id = P.DefaultWh "
    "AND W.Id IN (SELECT Warehouse FROM UserWarehouse WHERE UserName = ?2) WHERE P.Code = ?1 "
    "AND coalesce(P.Blocked, 'N') COLLATE THAI_CI_AS <> 'Y' AND coalesce(P.MasterCode, 'N') "
    "COLLATE THAI_CI_AS <> 'Y'";
const char* const kSpecialName =
    "SELECT P.Id, P.Code, ltrim(rtrim(P.ThaiName)), P.Remark, P.ProductType, P.Picture1 FROM "
    "ProductView P WHERE P.Code = ?1 AND P.Blocked <> 'Y'";
const char* const kBarCode =
    "SELECT U.Id, U.BarCode, U.Fraction, U.UnitName, U.PurcFlag, U.SaleFlag, U.SmallUnitFlag, "
    "U.StockUnitFlag, P.Id, P.Code, P.ThaiName, P.EngName, P.PosName, P.UseSerial, "
    "P.LotControl, P.TaxCode, P.DefaultWh, P.ItemClassify, U.PurcPrice, U.LabourCost, "
    "U.VolumnFraction, T.Rate, P.BuyingCode, W.Code, W.Name, (SELECT tsql_single(Pp.Price) FROM "
    "ProductPrice Pp WHERE Pp.ProductUnits = U.Id AND Pp.PriceType = 19), "
    "coalesce(P.PerDiscountOver, 0) "
    "FROM ProductUnits U JOIN Product P ON P.Id = U.Product JOIN Tax T ON T.Id = P.TaxCode "
    "LEFT JOIN Warehouse W ON W.Id = P.DefaultWh WHERE U.BarCode = ?1 AND P.Blocked <> 'Y' AND "
    "U.BarCode IS NOT NULL";
// The unit kinds are parameters, patterns for LIKE, as in the module's unit statements.
const char* const kUnit =
    "SELECT Id, UnitName, Fraction, VolumnFraction, BarCode, PurcPrice, LabourCost FROM "
    "ProductUnits WHERE Product = ?1 AND UnitName = ?2 AND (SaleFlag LIKE ?3 OR PurcFlag LIKE ?4 "
    "OR SmallUnitFlag LIKE ?5 OR StockUnitFlag LIKE ?6)";
const char* const kFirstUnit =
    "SELECT Id, UnitName, Fraction, BarCode, VolumnFraction, PurcPrice FROM ProductUnits WHERE "
    "Product = ?1 AND SaleFlag LIKE ?2 AND PurcFlag LIKE ?3 AND SmallUnitFlag LIKE ?4 AND "
    "StockUnitFlag LIKE ?5 ORDER BY Fraction";
const char* const kStockUnit =
    "SELECT Id, UnitName, Fraction, BarCode, VolumnFraction FROM ProductUnits WHERE Product = ?1 "
    "AND StockUnitFlag = 'Y'";
const char* const kWarehouse =
    "SELECT W.Id, W.Code, W.Name, W.IsLocation FROM Warehouse W WHERE W.Code = ?1 AND W.Id IN "
    "(SELECT Warehouse FROM UserWarehouse WHERE UserName = ?2)";
const char* const kLotNo = "SELECT Id, Code, HasExpired, ExpiredDate FROM LotNo WHERE Code = ?1";
const char* const kLotOnHand =
    "SELECT tsql_decimal_sum(Quantity) FROM LotOnHand WHERE Product = ?1 AND LotNo = ?2 AND "
    "BalanceYear <= "
    "?3 AND Warehouse = ?4";
const char* const kSerialProduct =
    "SELECT Id FROM Product WHERE Id = ?1 AND UseSerial = 'Y' AND CheckSerialOnhand = 'N'";
// The registering batch ends by selecting the new serial's id, NULL when it registered none.
const char* const kRegisteredSerial = "SELECT NULL";
const char* const kSerial =
    "SELECT Id, Serial, OnHand FROM SerialNo WHERE Product = ?1 AND "
    "Serial = ?2";
const char* const kPartSource =
    "SELECT P.Id, P.PurchaseCode, P.PurchaseName, P.DiscountStr, P.LastPrice, P.LastDocCode, "
    "P.LastDocNo, P.LastDate, CASE WHEN m.Code = 'LAK' THEN P.PriceKip WHEN m.Code = 'USD' THEN "
    "P.PriceUsd WHEN m.Code = 'THB' THEN P.PriceBaht ELSE P.Price END FROM PartSource P JOIN "
    "Vendor v ON v.Id = P.Vendor JOIN Misc m ON m.Id = v.PoCurrencyId WHERE P.ProductUnits = ?1 "
    "AND P.Vendor = ?2";
const char* const kPartSourcePriced =
    "SELECT P.Id, P.PurchaseCode, P.PurchaseName, P.DiscountStr, P.LastPrice, P.LastDocCode, "
    "P.LastDocNo, P.LastDate, CASE WHEN m.Code = 'LAK' THEN P.PriceKip WHEN m.Code = 'USD' THEN "
    "P.PriceUsd WHEN m.Code = 'THB' THEN P.PriceBaht ELSE P.Price END FROM PartSource P JOIN "
    "Vendor v ON v.Id = P.Vendor JOIN Misc m ON m.Id = v.PoCurrencyId WHERE P.ProductUnits = ?1 "
    "AND P.Vendor = ?2 AND CASE WHEN m.Code = 'LAK' THEN P.PriceKip WHEN m.Code = 'USD' THEN "
    "P.PriceUsd WHEN m.Code = 'THB' THEN P.PriceBaht ELSE P.Price END > 0";
const char* const kPriceStandard =
    "SELECT 0, CASE WHEN m.Code = 'LAK' THEN (SELECT PurcPriceKip FROM ProductUnits WHERE Id = "
    "?1) WHEN m.Code = 'USD' THEN (SELECT PurcPriceUsd FROM ProductUnits WHERE Id = ?1) WHEN "
    "m.Code = 'THB' THEN (SELECT PurcPriceBaht FROM ProductUnits WHERE Id = ?1) END FROM Vendor v "
    "JOIN Misc m ON m.Id = v.VendorCurrency WHERE v.Id = ?2";
const char* const kVendorPart =
    "SELECT V.Id, V.Product, V.ProductUnits, V.PurchaseCode, V.PurchaseName, P.Code, "
    "P.ThaiName, U.UnitName, U.Fraction, U.BarCode FROM PartSource V JOIN Product P ON P.Id = "
    "V.Product JOIN ProductUnits U ON U.Id = V.ProductUnits WHERE V.PurchaseCode = ?1 AND "
    "V.Vendor = ?2";
const char* const kProductPrice =
    "SELECT Price FROM ProductPrice WHERE Product = ?1 AND ProductUnits = ?2 AND PriceType = ?3";
const char* const kCustomerPrice =
    "SELECT Price, Quantity, Discount FROM customerproductprice WHERE Customer = ?1 AND Product "
    "= ?2 AND ProductUnits = ?3";
const char* const kPromotion =
    "SELECT Price, DiscPercent FROM promotion_dt WHERE Product = ?1 AND ProductUnits = ?2 AND "
    "PriceType = ?3 AND Customer = ?4 AND ?5 BETWEEN StartDate AND StopDate ORDER BY Id DESC";
const char* const kProjectPrice =
    "SELECT Price, Discount FROM CustomerProductPriceProject WHERE Product = ?1 AND "
    "ProductUnits = ?2 AND Customer = ?3 AND Project = ?4";
const char* const kVendorPrice =
    "SELECT Price FROM PartSource WHERE Product = ?1 AND Vendor = ?2 AND ProductUnits = ?3";

// Quantities are exact decimals, summed with the engine's functions as the module's statements are.
#define SUM_ROUNDED(places) \
    "tsql_decimal_sum(tsql_decimal_round(o.Quantity, " places ", 0, 'decimal(30," places ")'))"
#define VOQ_UNITS                                                                             \
    "(SELECT tsql_single(Fraction) FROM ProductUnits WHERE Product = ?1 AND StockUnitFlag = " \
    "'Y'), (SELECT tsql_single(UnitName) FROM ProductUnits WHERE Product = ?1 AND "           \
    "StockUnitFlag = 'Y'), (SELECT tsql_single(Fraction) FROM ProductUnits WHERE Product = "  \
    "?1 AND SmallUnitFlag = 'Y'), (SELECT tsql_single(UnitName) FROM ProductUnits WHERE "     \
    "Product = ?1 AND SmallUnitFlag = 'Y') "
const char* const kOnHand = "SELECT coalesce(" SUM_ROUNDED(
    "2") ", '0.00'), " VOQ_UNITS
         "FROM ProductOnHand o JOIN Warehouse w ON w.Id = o.Warehouse "
         "WHERE o.Product = ?1 AND o.BalanceYear = ?2";
const char* const kOnHandWH = "SELECT coalesce(" SUM_ROUNDED(
    "3") ", '0.000'), " VOQ_UNITS
         "FROM ProductOnHand o JOIN Warehouse w ON w.Id = o.Warehouse "
         "WHERE o.Product = ?1 AND o.BalanceYear = ?2 AND o.Warehouse = ?3";
const char* const kOnHandUnits =
    "SELECT coalesce(tsql_decimal_sum(o.Quantity), '0'), " VOQ_UNITS
    "FROM ProductOnHand o JOIN Warehouse w ON w.Id = o.Warehouse WHERE o.Product = ?1 AND "
    "o.ProductUnits = ?4 AND o.BalanceYear = ?2 AND o.Warehouse = ?3 AND w.Code <> 'RMA'";
const char* const kShowQuantity = "SELECT " VOQ_UNITS "FROM Product o WHERE o.Id = ?1";
#undef VOQ_UNITS
#undef SUM_ROUNDED

// The stock and small units; a fraction is an exact decimal text, whole stock units counted as the
// module counts them.
product::StockUnits units(const QVariant& fraction, const QVariant& stockUnit,
                          const QVariant& smallUnit) {
    return {static_cast<qint64>(fraction.toDouble()), stockUnit.toString(), smallUnit.toString()};
}

QString dateText(const QDateTime& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

}  // namespace

HandWritten::HandWritten(const QString& file) {
    // Opened as the engine opens its file: one thread uses it, so SQLite takes no connection mutex.
    constexpr int kFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db_, kFlags, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db_));
    sqlite3_busy_timeout(db_, 10000);
    tsql::registerCollation(db_);
    tsql::registerLike(db_);
    tsql::registerFunctions(db_, nullptr);
}

HandWritten::~HandWritten() {
    for (auto& [sql, st] : statements_)
        sqlite3_finalize(st);
    sqlite3_close(db_);
}

HandWritten::Rows HandWritten::run(const char* sql, const std::vector<QVariant>& params) {
    sqlite3_stmt*& st = statements_[sql];
    if (!st && sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db_));
    for (size_t i = 0; i < params.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        const QVariant& v = params[i];
        if (v.typeId() == QMetaType::Int)
            sqlite3_bind_int64(st, n, v.toInt());
        else if (v.typeId() == QMetaType::Double)
            sqlite3_bind_double(st, n, v.toDouble());
        else
            sqlite3_bind_text(st, n, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
    }
    return bench::stepRows(st);
}

bool HandWritten::existsProduct(const QString& code, int user) {
    const bool found = !run(kProduct, {code, user}).empty();
    if (found)
        run(kSpecialName, {code});
    return found;
}

bool HandWritten::existsBarCode(const QString& barcode) {
    return !run(kBarCode, {barcode}).empty();
}

bool HandWritten::existsProductUnit(int product, const QString& unit) {
    return !run(kUnit, {product, unit, u"Y%"_s, u"X%"_s, u"X%"_s, u"X%"_s}).empty();
}

QString HandWritten::firstUnit(int product) {
    const Rows r = run(kFirstUnit, {product, u"Y%"_s, u"%"_s, u"%"_s, u"%"_s});
    return r.empty() ? QString() : r[0][1].toString();
}

QString HandWritten::stockUnit(int product) {
    const Rows r = run(kStockUnit, {product});
    return r.empty() ? QString() : r[0][1].toString();
}

bool HandWritten::existsWarehouse(const QString& code, int user) {
    return !run(kWarehouse, {code, user}).empty();
}

bool HandWritten::existsLotNo(const QString& code, const QDateTime& date) {
    const Rows r = run(kLotNo, {code});
    if (r.empty())
        return false;
    if (r[0][2].toString() == u"N")
        return true;
    return QDateTime::fromString(r[0][3].toString(), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")) >=
           date;
}

double HandWritten::lotNoOnHand(int lot, int product, int warehouse, int year) {
    const Rows r = run(kLotOnHand, {product, lot, year, warehouse});
    return r.empty() ? 0 : r[0][0].toDouble();
}

bool HandWritten::existsSerialNo(const QString& serial, int product) {
    if (!run(kSerialProduct, {product}).empty())
        throw std::runtime_error("the bench company has no products that register serials");
    run(kRegisteredSerial, {});
    const Rows r = run(kSerial, {product, serial});
    return !r.empty() && r[0][2].toString() == u"Y";
}

bool HandWritten::existsPartSource(int unit, int vendor) {
    run(kPriceStandard, {unit, vendor});
    const bool found = !run(kPartSource, {unit, vendor}).empty();
    run(kPartSourcePriced, {unit, vendor});
    return found;
}

bool HandWritten::existsVendorPartCode(const QString& code, int vendor) {
    return !run(kVendorPart, {code, vendor}).empty();
}

double HandWritten::customerPriceAndPromotion(double price, bool onlyPositive, int customer,
                                              int product, int unit, int type,
                                              const QDateTime& date) {
    const Rows own = run(kCustomerPrice, {customer, product, unit});
    if (!own.empty()) {
        discount_ = own[0][2].toString();
        if (!onlyPositive || own[0][0].toDouble() > 0)
            price = own[0][0].toDouble();
    }
    const QString day = dateText(date.date().startOfDay());
    Rows promotion = run(kPromotion, {product, unit, type, customer, day});
    if (promotion.empty())
        promotion = run(kPromotion, {product, unit, type, 0, day});
    if (!promotion.empty()) {
        discount_ = promotion[0][1].toString();
        price = promotion[0][0].toDouble();
    }
    return price;
}

double HandWritten::getPrice(int customer, int product, int unit, int type, const QDateTime& date) {
    discount_.clear();
    const Rows standard = run(kProductPrice, {product, unit, type});
    const double price = standard.empty() ? 0 : standard[0][0].toDouble();
    return customerPriceAndPromotion(price, true, customer, product, unit, type, date);
}

double HandWritten::getProjectPrice(int customer, int product, int unit, int type, int project,
                                    const QDateTime& date) {
    discount_.clear();
    const Rows standard = run(kProductPrice, {product, unit, type});
    double price = customerPriceAndPromotion(standard.empty() ? 0 : standard[0][0].toDouble(),
                                             false, customer, product, unit, type, date);
    const Rows projectPrice = run(kProjectPrice, {product, unit, customer, project});
    if (!projectPrice.empty()) {
        discount_ = projectPrice[0][1].toString();
        price = projectPrice[0][0].toDouble();
    }
    return price;
}

double HandWritten::setPurchasePrice(int product, int vendor, double fallback, int unit) {
    const Rows part = run(kVendorPrice, {product, vendor, unit});
    if (!part.empty())
        return part[0][0].toDouble();
    const Rows standard = run(kPriceStandard, {unit, vendor});
    return standard.empty() ? fallback : standard[0][1].toDouble();
}

QString HandWritten::quantityOf(const Rows& rows) {
    if (rows.empty())
        return QStringLiteral("Error");
    const QVariantList& r = rows[0];
    return product::quantityText(r[0].toDouble(), units(r[1], r[2], r[4]));
}

QString HandWritten::productQuantity(int product, int year) {
    return quantityOf(run(kOnHand, {product, year}));
}

QString HandWritten::productWHQuantity(int product, int warehouse, int year) {
    return quantityOf(run(kOnHandWH, {product, year, warehouse}));
}

QString HandWritten::productUnitsWHQuantity(int product, int unit, int warehouse, int year) {
    return quantityOf(run(kOnHandUnits, {product, year, warehouse, unit}));
}

QString HandWritten::showQuantity(int product, double quantity) {
    const Rows r = run(kShowQuantity, {product});
    if (r.empty())
        return QStringLiteral("Error");
    return product::quantityText(quantity, units(r[0][0], r[0][1], r[0][3]));
}

}  // namespace productbench
