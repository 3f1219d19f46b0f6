#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace db {
class Connection;
}

// The generated company the product benchmarks run on: 100,000 products with their units,
// barcodes and prices, document lines of one year and their stock, the user warehouse
// restriction on for user 1 (warehouses GW01 and GW02) and the special-name lookup on. Made
// once into $VOQ_BENCH_DIR (default /tmp/voq-product-bench) and kept for later runs.
namespace productbench {

inline constexpr int kYear = 2024;
inline constexpr int kUser = 1;
inline constexpr int kProducts = 100000;
inline constexpr int kLines = 100000;

// The server directory of the company with `lines` document lines; its database is BENCH.
QString companyDirectory(int lines = kLines);

// Makes the company connection of the modules reach BENCH in `dir` whenever it connects.
void connectToCompany(db::Connection& company, const QString& dir);

// What the operations are asked about, the same for the engine and the hand-written SQL.
struct Sample {
    int product;
    QString code;
    QString barcode;  // of the stock unit
    int smallUnit;
    int stockUnit;
    QString stockUnitName;
    int customer;  // one with a price of its own for some products
};
struct PartSample {
    int unit;
    int vendor;
    int product;
    QString purchaseCode;
};
struct LotSample {
    int lot;
    QString code;
    int product;
};

struct Samples {
    std::vector<Sample> products;
    std::vector<PartSample> parts;
    std::vector<LotSample> lots;
    int warehouse;  // GW01
    int project;    // GPJ01
};

// Spread over the whole company with `lines` document lines, read from the file.
Samples samples(int lines = kLines);

}  // namespace productbench
