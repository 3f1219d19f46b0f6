#include "product/Dm_Product.h"

#include "db/DataSource.h"
#include "db/Query.h"
#include "db/UpdateSql.h"

TDmProduct* DmProduct = nullptr;

TDmProduct::TDmProduct(QObject* parent) : QObject(parent) {
    setObjectName("DmProduct");
    createCheckQueries();
    createLotSerialQueries();
    createPriceQueries();
    createStockQueries();
    DmProduct = this;
}

TDmProduct::~TDmProduct() {
    if (DmProduct == this)
        DmProduct = nullptr;
}
