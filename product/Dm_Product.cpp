#include "product/Dm_Product.h"

TDmProduct* DmProduct = nullptr;

TDmProduct::TDmProduct(QObject* parent) : QObject(parent) {
    setObjectName("DmProduct");
    DmProduct = this;
}

TDmProduct::~TDmProduct() {
    if (DmProduct == this)
        DmProduct = nullptr;
}
