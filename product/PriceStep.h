#pragma once

#include <QString>
#include <functional>

namespace product {

// A place a price operation looks for a price, in the order the operations look.
enum class PriceSource {
    StandardPrice,          // QProductPrice: the unit's price of the price type
    StockUnitPrice,         // QStockUnitPrice: the stock unit's price of the price type
    CustomerPrice,          // QCustomerProductPrice
    CustomerPromotion,      // QPromotion for this customer
    AllCustomersPromotion,  // QPromotion for customer 0
    ProjectPrice,           // QProjectPrice
    VendorPartPrice,        // QPriceVendor
    VendorStandardPrice,    // QPriceStandard
    DefaultPrice,           // the default price the caller passed
};

// One look-up of a price operation: what the source held and what the operation took from it.
struct PriceStep {
    PriceSource source = PriceSource::StandardPrice;
    int unitId = 0;          // the ProductUnits id looked up, 0 when the source takes none
    bool found = false;      // the source had a row
    double price = 0;        // its price (NULL reads as 0)
    QString discount;        // its discount text, empty when NULL or the source has none
    int quantity = 0;        // a customer price's quantity
    bool tookPrice = false;  // its price became the price
    bool tookDiscount = false;
    double priceAfter = 0;  // the price once the step is done
};

// Told of every step while set on the module; for explaining a price, not needed to get one.
using PriceObserver = std::function<void(const PriceStep&)>;

}  // namespace product
