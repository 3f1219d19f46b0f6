// Unit prices of document lines: sale prices from standard, customer, promotion and project
// prices, purchase prices from the vendor's part records and the unit's standard purchase price.

#include "config/Flags.h"
#include "product/Dm_Product.h"
#include "product/Statements.h"

using db::FieldType;
using product::PriceSource;
using product::PriceStep;
using namespace product::detail;
using namespace Qt::Literals::StringLiterals;

namespace {

// SearchProductNo of the companies that may price in stock units.
constexpr qint64 kStockUnitPricing = 2;

// Opens a price query (closed and given its parameters) and notes what its first row holds.
PriceStep lookUp(db::Query& query, PriceSource source, int unitId, const char* priceColumn,
                 const char* discountColumn = nullptr) {
    PriceStep step;
    step.source = source;
    step.unitId = unitId;
    step.found = openFound(query);
    if (step.found) {
        step.price = query.fieldByName(QLatin1StringView(priceColumn)).asFloat();
        if (discountColumn)
            step.discount = query.fieldByName(QLatin1StringView(discountColumn)).asString();
    }
    return step;
}

}  // namespace

void TDmProduct::createPriceQueries() {
    QProductPrice = makeQuery(this, "QProductPrice",
                              {"SELECT Price", "FROM ProductPrice",
                               "Where (Product = :GetProduct) And (ProductUnits = :GetUnits) And "
                               "(PriceType = :GetType)"},
                              {{"GetProduct", FieldType::Integer},
                               {"GetUnits", FieldType::Integer},
                               {"GetType", FieldType::Integer}});
    QStockUnitPrice =
        makeQuery(this, "QStockUnitPrice",
                  {"SELECT P.Price,U.Fraction,U.Id", "FROM ProductPrice P",
                   "Inner Join ProductUnits U On (U.Product=P.Product) And (U.StockUnitFlag='Y') "
                   "And (U.Id=P.ProductUnits)",
                   "Where (P.Product = :GetProduct)  And (P.PriceType = :GetType) "},
                  {{"GetProduct", FieldType::Integer}, {"GetType", FieldType::Integer}});
    QCustomerProductPrice = makeQuery(
        this, "QCustomerProductPrice",
        {"select price,quantity,discount", "from customerproductprice",
         "where customer=:cid and product=:pid and productunits=:uid"},
        {{"cid", FieldType::Integer}, {"pid", FieldType::Integer}, {"uid", FieldType::Integer}});
    QPromotion =
        makeQuery(this, "QPromotion",
                  {"select price,discpercent", "from promotion_dt",
                   "where product=:pid and productunits=:uid and pricetype=:tid and customer=:cid",
                   "           and (:pdate between startdate and stopdate)", "order by id desc"},
                  {{"pid", FieldType::Integer},
                   {"uid", FieldType::Integer},
                   {"tid", FieldType::Integer},
                   {"cid", FieldType::Integer},
                   {"pdate", FieldType::DateTime}});
    QProjectPrice = makeQuery(this, "QProjectPrice",
                              {"select price,discount", "from CustomerProductPriceProject",
                               "where product=:pid and productunits=:uid and customer=:cid",
                               "           and project=:projectid"},
                              {{"pid", FieldType::Integer},
                               {"uid", FieldType::Integer},
                               {"cid", FieldType::Integer},
                               {"projectid", FieldType::Integer}});
    QPriceVendor = makeQuery(
        this, "QPriceVendor",
        {"select price", "from partsource",
         "where (product = :pid) and (vendor = :vid) and (productunits = :uid)"},
        {{"pid", FieldType::Integer}, {"vid", FieldType::Integer}, {"uid", FieldType::Integer}});
    QPriceStandard = makeQuery(
        this, "QPriceStandard",
        {"select 0 LabourCost, PurcPrice = ", "       Case ",
         "When m.code = 'LAK' Then  (select PurcPriceKip from Productunits Where id=:GetId)",
         "When m.code = 'USD' Then  (select PurcPriceUsd from Productunits Where id=:GetId)",
         "When m.code = 'THB' Then  (select PurcPriceBaht from Productunits Where id=:GetId)",
         "End", "from vendor v", "inner join misc m on m.id=v.VendorCurrency",
         "where v.id=:vendorid"},
        {{"GetId", FieldType::Integer}, {"vendorid", FieldType::Integer}});
}

void TDmProduct::setPriceObserver(product::PriceObserver Observer) {
    priceObserver_ = std::move(Observer);
}

void TDmProduct::tell(const PriceStep& step) const {
    if (priceObserver_)
        priceObserver_(step);
}

// A source that has a row gives both the price and the discount, whatever they hold.
void TDmProduct::takeWhenFound(PriceStep& step, double& price) {
    if (step.found) {
        price = step.price;
        PriceDiscount = step.discount;
        step.tookPrice = step.tookDiscount = true;
    }
    step.priceAfter = price;
    tell(step);
}

bool TDmProduct::stockUnitPriceMode() const {
    return configInteger("SearchProductNo") == kStockUnitPricing &&
           config::isYes(configText("DisplayFraction")) && UseStockUnitPrice;
}

// The unit's standard price of the price type, or 0.
double TDmProduct::standardPrice(int productId, int unitId, int priceType) {
    closeAndSet(*QProductPrice,
                {{"GetProduct", productId}, {"GetUnits", unitId}, {"GetType", priceType}});
    PriceStep step = lookUp(*QProductPrice, PriceSource::StandardPrice, unitId, "Price");
    step.tookPrice = step.found;
    step.priceAfter = step.price;
    tell(step);
    return step.price;
}

// The stock unit's standard price of the price type, or 0; `stockUnitId` becomes the stock
// unit's id, or 0.
double TDmProduct::stockUnitPrice(int productId, int priceType, int& stockUnitId) {
    closeAndSet(*QStockUnitPrice, {{"GetProduct", productId}, {"GetType", priceType}});
    PriceStep step = lookUp(*QStockUnitPrice, PriceSource::StockUnitPrice, 0, "Price");
    stockUnitId = step.found ? int(QStockUnitPrice->fieldByName("Id"_L1).asInteger()) : 0;
    step.unitId = stockUnitId;
    step.tookPrice = step.found;
    step.priceAfter = step.price;
    tell(step);
    return step.price;
}

PriceStep TDmProduct::customerPrice(int customerId, int productId, int unitId) {
    closeAndSet(*QCustomerProductPrice, {{"cid", customerId}, {"pid", productId}, {"uid", unitId}});
    PriceStep step =
        lookUp(*QCustomerProductPrice, PriceSource::CustomerPrice, unitId, "price", "discount");
    if (step.found)
        step.quantity = int(QCustomerProductPrice->fieldByName("quantity"_L1).asInteger());
    return step;
}

// The newest promotion in force on the day of `date`, for the customer or else for every
// customer, gives both the price and the discount.
void TDmProduct::promotionPrice(double& price, int customerId, int productId, int unitId,
                                int priceType, const QDateTime& date) {
    closeAndSet(*QPromotion, {{"pid", productId},
                              {"uid", unitId},
                              {"tid", priceType},
                              {"cid", customerId},
                              {"pdate", date.date().startOfDay()}});
    PriceStep step =
        lookUp(*QPromotion, PriceSource::CustomerPromotion, unitId, "price", "discpercent");
    if (!step.found) {
        step.priceAfter = price;
        tell(step);
        closeAndSet(*QPromotion, {{"cid", 0}});
        step =
            lookUp(*QPromotion, PriceSource::AllCustomersPromotion, unitId, "price", "discpercent");
    }
    takeWhenFound(step, price);
}

double TDmProduct::GetPrice(int CustomerId, int ProductId, int UnitId, int PriceType,
                            const QDateTime& Date) {
    PriceDiscount.clear();
    const bool inStockUnits = stockUnitPriceMode();
    int customerUnit = UnitId;
    double price = inStockUnits ? stockUnitPrice(ProductId, PriceType, customerUnit)
                                : standardPrice(ProductId, UnitId, PriceType);

    PriceStep customer = customerPrice(CustomerId, ProductId, customerUnit);
    if (customer.found) {
        PriceDiscount = customer.discount;
        customer.tookDiscount = true;
        if (customer.price > 0) {
            price = customer.price;
            customer.tookPrice = true;
        }
    }
    customer.priceAfter = price;
    tell(customer);

    promotionPrice(price, CustomerId, ProductId, UnitId, PriceType, Date);
    PriceQuantity = 1;
    return price;
}

double TDmProduct::GetProjectPrice(int CustomerId, int ProductId, int UnitId, int PriceType,
                                   int ProjectId, const QDateTime& Date) {
    PriceDiscount.clear();
    double price = standardPrice(ProductId, UnitId, PriceType);

    PriceStep customer = customerPrice(CustomerId, ProductId, UnitId);
    PriceQuantity = customer.quantity;
    takeWhenFound(customer, price);

    promotionPrice(price, CustomerId, ProductId, UnitId, PriceType, Date);

    closeAndSet(
        *QProjectPrice,
        {{"cid", CustomerId}, {"pid", ProductId}, {"uid", UnitId}, {"projectid", ProjectId}});
    PriceStep project =
        lookUp(*QProjectPrice, PriceSource::ProjectPrice, UnitId, "price", "discount");
    takeWhenFound(project, price);
    return price;
}

double TDmProduct::SetPurchasePrice(int ProductId, int VendorId, double DefaultPrice, int UnitId) {
    closeAndSet(*QPriceVendor, {{"pid", ProductId}, {"vid", VendorId}, {"uid", UnitId}});
    PriceStep step = lookUp(*QPriceVendor, PriceSource::VendorPartPrice, UnitId, "price");
    if (!step.found) {
        tell(step);
        closeAndSet(*QPriceStandard, {{"GetId", UnitId}, {"vendorid", VendorId}});
        step = lookUp(*QPriceStandard, PriceSource::VendorStandardPrice, UnitId, "PurcPrice");
    }
    if (!step.found) {
        tell(step);
        step = PriceStep{};
        step.source = PriceSource::DefaultPrice;
        step.found = true;
        step.price = DefaultPrice;
    }
    step.tookPrice = true;
    step.priceAfter = step.price;
    tell(step);
    return step.price;
}
