#pragma once

#include <QObject>

// The product services module: checks, prices and stock quantities of products, units, lots,
// serial numbers and warehouses, offered to document-entry windows. Created at start-up after
// the company and configuration modules; it opens nothing while created.
class TDmProduct : public QObject {
    Q_OBJECT
public:
    explicit TDmProduct(QObject* parent = nullptr);
    ~TDmProduct() override;
};

// The process-wide instance, set while one exists.
extern TDmProduct* DmProduct;
