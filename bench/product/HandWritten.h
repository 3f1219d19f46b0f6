#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace productbench {

// The product services' statements written by hand for SQLite on the engine's file, with the
// engine's collation, LIKE and exact decimal sums, each prepared once; every operation runs the
// same statements as the module's and makes the same decisions, and fetches rows into values as
// the engine does.
class HandWritten {
public:
    explicit HandWritten(const QString& file);
    ~HandWritten();
    HandWritten(const HandWritten&) = delete;
    HandWritten& operator=(const HandWritten&) = delete;

    bool existsProduct(const QString& code, int user);
    bool existsBarCode(const QString& barcode);
    bool existsProductUnit(int product, const QString& unit);  // sale units
    QString firstUnit(int product);                            // sale units
    QString stockUnit(int product);
    bool existsWarehouse(const QString& code, int user);
    bool existsLotNo(const QString& code, const QDateTime& date);
    double lotNoOnHand(int lot, int product, int warehouse, int year);
    bool existsSerialNo(const QString& serial, int product);
    bool existsPartSource(int unit, int vendor);
    bool existsVendorPartCode(const QString& code, int vendor);
    double getPrice(int customer, int product, int unit, int type, const QDateTime& date);
    double getProjectPrice(int customer, int product, int unit, int type, int project,
                           const QDateTime& date);
    double setPurchasePrice(int product, int vendor, double fallback, int unit);
    QString productQuantity(int product, int year);
    QString productWHQuantity(int product, int warehouse, int year);
    QString productUnitsWHQuantity(int product, int unit, int warehouse, int year);
    QString showQuantity(int product, double quantity);

private:
    using Rows = std::vector<QVariantList>;
    Rows run(const char* sql, const std::vector<QVariant>& params);
    double customerPriceAndPromotion(double price, bool onlyPositive, int customer, int product,
                                     int unit, int type, const QDateTime& date);
    QString quantityOf(const Rows& rows);

    sqlite3* db_ = nullptr;
    std::map<const char*, sqlite3_stmt*> statements_;
    QString discount_;
};

}  // namespace productbench
