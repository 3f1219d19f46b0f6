#pragma once

#include <cstdint>
#include <vector>

#include "tools/datagen/Generator.h"
#include "tools/datagen/Rows.h"

namespace datagen::detail {

// Ids of the currencies THB, USD and LAK in Misc, in that order; the ones missing are added.
std::vector<std::int64_t> currencyIds(const Sink& sink);

// A generated product as the prices need it.
struct PricedProduct {
    std::int64_t id;
    std::int64_t costCents;  // of one small unit
    int fraction;            // of the stock unit
    std::int64_t smallUnit;
    std::int64_t stockUnit;
};

// Writes the prices of the products: a retail (type 1) and a wholesale (type 2) price for every
// unit, a customer's own price for one product in ten, a promotion for every customer over all
// the years for one in twenty (and for one customer as well for one in forty), a project price
// for one in fifty and a vendor's part record for one in five. Counts go to the summary.
void writePrices(const Options& options, const Sink& sink, Writer& writer,
                 const std::vector<PricedProduct>& products,
                 const std::vector<std::int64_t>& customers,
                 const std::vector<std::int64_t>& vendors, Summary& summary);

}  // namespace datagen::detail
