#include "bench/product/BenchCompany.h"

#include <sqlite3.h>

#include <stdexcept>

#include "bench/common/BenchDatabase.h"
#include "bench/common/RawRows.h"
#include "tsql/Collation.h"

namespace productbench {

QString companyDirectory(int lines) {
    datagen::Options o;
    o.products = kProducts;
    o.lines = lines;
    o.seed = 42;
    o.firstYear = kYear;
    o.years = 1;
    return bench::generatedCompany(
        bench::benchRoot(QStringLiteral("/tmp/voq-product-bench")) +
            QStringLiteral("/products-%1").arg(kProducts) +
            (lines == kLines ? QString() : QStringLiteral("-lines-%1").arg(lines)),
        o, [](db::Connection& c) {
            c.execute(QStringLiteral(
                          "EXEC Calculate_OnHand %1\n"
                          "INSERT INTO Config (Id, BranchCode, SearchProductNo, DisplayFraction, "
                          "CheckUserWarehouseFlag, MainCurrencyId) SELECT 1, '00', 2, 'Y', 'Y', Id "
                          "FROM Misc WHERE GroupCode = 'CURRENCY' AND Code = 'THB'\n"
                          "INSERT INTO UserWarehouse (UserName, Warehouse, LastUpdate) SELECT %2, "
                          "Id, GetDate() FROM Warehouse WHERE Code IN ('GW01', 'GW02')")
                          .arg(kYear)
                          .arg(kUser));
        });
}

void connectToCompany(db::Connection& company, const QString& dir) {
    company.setBeforeConnect([dir](db::Connection& c) {
        c.params().clear();
        c.params().add(QStringLiteral("DATABASE NAME=BENCH"));
        c.params().add(QStringLiteral("SERVER NAME=file:") + dir);
        c.params().add(QStringLiteral("MAX QUERY TIME=0"));
    });
}

namespace {

// Rows of a query on the file.
std::vector<QVariantList> fileRows(const QString& dir, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2((dir + QStringLiteral("/BENCH.sqlite")).toUtf8().constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    tsql::registerCollation(db);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    std::vector<QVariantList> rows = bench::stepRows(st);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

}  // namespace

Samples samples(int lines) {
    const QString dir = companyDirectory(lines);
    Samples s;
    // Every 97th product: units, the stock unit's barcode, a customer with a price if any.
    for (const QVariantList& r : fileRows(
             dir,
             "SELECT P.Id, P.Code, B.BarCode, S.Id, B.Id, B.UnitName, "
             "coalesce((SELECT Customer FROM customerproductprice C WHERE C.Product = P.Id), 1) "
             "FROM Product P JOIN ProductUnits S ON S.Product = P.Id AND S.SmallUnitFlag = 'Y' "
             "JOIN ProductUnits B ON B.Product = P.Id AND B.StockUnitFlag = 'Y' "
             "WHERE P.Id % 97 = 0 ORDER BY P.Id"))
        s.products.push_back({r[0].toInt(), r[1].toString(), r[2].toString(), r[3].toInt(),
                              r[4].toInt(), r[5].toString(), r[6].toInt()});
    for (const QVariantList& r :
         fileRows(dir,
                  "SELECT ProductUnits, Vendor, Product, PurchaseCode FROM PartSource "
                  "WHERE Id % 7 = 0 ORDER BY Id"))
        s.parts.push_back({r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toString()});
    for (const QVariantList& r :
         fileRows(dir, "SELECT Id, Code, Product FROM LotNo WHERE Id % 3 = 0 ORDER BY Id"))
        s.lots.push_back({r[0].toInt(), r[1].toString(), r[2].toInt()});
    s.warehouse = fileRows(dir, "SELECT Id FROM Warehouse WHERE Code = 'GW01'").at(0).at(0).toInt();
    s.project = fileRows(dir, "SELECT Id FROM projecthd WHERE Code = 'GPJ01'").at(0).at(0).toInt();
    return s;
}

}  // namespace productbench
