#pragma once

#include <QString>
#include <QVariantList>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

namespace datagen {

// What to generate. The same options and seed always give the same rows.
struct Options {
    int products = 1000;
    std::int64_t lines = 100000;
    std::uint64_t seed = 1;
    int firstYear = 2021;
    int years = 3;
    int linesPerDocument = 10;
    int warehouses = 4;
    int customers = 100;
    int vendors = 20;
    int rowsPerInsert = 500;  // rows of one multi-row INSERT (SQL Server allows up to 1000)
};

class OptionsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Checks the options; throws OptionsError naming the first bad one.
void validate(const Options& options);

// Where the generated statements go: rows() runs a query and returns its rows (values as the
// access layer gives them); execute() runs a batch.
struct Sink {
    std::function<std::vector<QVariantList>(const QString& sql)> rows;
    std::function<void(const QString& sql)> execute;
};

// Counts of what one run wrote.
struct Summary {
    int products = 0;
    int units = 0;
    std::int64_t prices = 0;  // standard prices, one per unit and price type
    std::int64_t partSources = 0;
    std::int64_t documents = 0;
    std::int64_t lines = 0;
};

// Fills a company database (schema installed) with generated master data and documents:
// products G0000001... with a small unit (fraction 1) and a stock unit (fraction 6, 12 or 24),
// each with a barcode and its prices (standard prices of every unit; customer, promotion,
// project and vendor prices of some products), warehouses, customers, vendors in baht, dollars
// and kip (the currencies are added to Misc when missing), one lot per lot-controlled product
// and year, and exactly
// `lines` document lines spread over goods receipts, purchase returns, invoices (some not
// cutting stock, with their deliveries), sales returns, issues, returns of issues, transfers and
// adjustments, dated within the years asked for, a few of them cancelled. Rows take the ids the
// database gives them; ids are read back by code or document number. The generated codes must
// not exist yet.
Summary generate(const Options& options, const Sink& sink);

}  // namespace datagen
