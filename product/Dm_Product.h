#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include "product/PriceStep.h"
#include "product/UnitKinds.h"

namespace db {
class DataSource;
class Field;
class Query;
class UpdateSql;
}  // namespace db

// The product services module: checks of what a user typed on a document line (product code or
// barcode, unit, warehouse, attribute code, project item, lot, serial, vendor part code), price
// resolution, and stock quantities in stock and small units. Every query runs on the company
// connection DMDATA. A check answers yes or no and leaves its query open on the first matching
// row, so the caller reads further columns from it; the queries and their columns are therefore
// part of the module's interface. Created at start-up after the company and configuration
// modules; it opens nothing while created.
class TDmProduct : public QObject {
    Q_OBJECT
public:
    explicit TDmProduct(QObject* parent = nullptr);
    ~TDmProduct() override;

    // Product, unit and warehouse checks.
    bool ExistsProduct(QString Code);
    bool ExistsBarCode(const QString& BarCode);
    bool ExistsProductUnit(int ProductId, const QString& UnitName, TUnitKinds Kinds);
    QString GetFirstUnit(int ProductId, TUnitKinds Kinds);
    QString GetStockUnit(int ProductId);
    QString GetSmallUnit(int ProductId);
    bool ExistsWarehouse(const QString& Code);
    bool ExistsProdAttrCode(int GroupId, const QString& Code);
    bool ExistsProjectItemCode(const QString& Code, int ProjectId);

    // Lot, serial and vendor part checks.
    bool ExistsLotNo(const QString& Code, const QDateTime& Date);
    double LotNoOnHand(int LotId, int ProductId, int WarehouseId, int Year);
    bool ExistsSerialNo(const QString& Serial, int ProductId);
    bool ExistsPartSource(int UnitId, int VendorId);
    bool ExistsVendorPartCode(const QString& Code, int VendorId);

    // Prices, exactly as read; the discount and quantity that go with a sale price are left in
    // PriceDiscount and PriceQuantity.
    double GetPrice(int CustomerId, int ProductId, int UnitId, int PriceType,
                    const QDateTime& Date);
    double GetProjectPrice(int CustomerId, int ProductId, int UnitId, int PriceType, int ProjectId,
                           const QDateTime& Date);
    double SetPurchasePrice(int ProductId, int VendorId, double DefaultPrice, int UnitId);
    // Told of each step of the price operations while set (empty: nobody is told).
    void setPriceObserver(product::PriceObserver Observer);

    // Stock quantities as text in the product's stock and small units.
    QString ProductQuantity(int ProductId, int Year);
    QString ShowQuantity(int ProductId, double Quantity);
    QString ProductWHQuantity(int ProductId, int WarehouseId, int Year);
    QString ProductUnitsWHQuantity(int ProductId, int UnitId, int WarehouseId, int Year);

    // Lookups: each shows its dialog, created at the first call and reused, copies the dialog's
    // result into SearchResult and answers whether the user chose.
    bool SearchProduct();
    bool SearchUnitName(QObject* Sender, int ProductId);  // Sender is not read
    bool SearchLotNo();
    bool SearchWarehouse();
    bool SearchProductBarCode();

    // Product, unit and warehouse checks.
    db::Query* QChkProduct;
    db::Query* QChkBarCode;
    db::Query* QSpecialName;
    db::Query* QChkUnit;
    db::Query* QDefaultUnit;
    db::Query* QStockUnit;
    db::Query* QSmallUnit;
    db::Query* QChkWarehouse;
    db::Query* QChkProdAttrCode;
    db::Query* QChkProjectItemCode;
    // Lot, serial and vendor part checks; QSerialNo edits serial records for callers.
    db::Query* QChkLotNo;
    db::Query* QChkLotOnHand;
    db::Query* QChkSerial;
    db::Query* QCreateSerialNo;
    db::Query* QSerialNo;
    db::DataSource* DSerialNo;
    db::UpdateSql* USerialNo;
    db::Query* QChkPartSource;
    db::Query* QExistsPartSource;
    db::Query* QExistsPartSource_PR;
    // Prices.
    db::Query* QProductPrice;
    db::Query* QStockUnitPrice;
    db::Query* QCustomerProductPrice;
    db::Query* QPromotion;
    db::Query* QProjectPrice;
    db::Query* QPriceVendor;
    db::Query* QPriceStandard;
    // Stock quantities.
    db::Query* QOnHand;
    db::Query* QOnhandWH;
    db::Query* QShowQnty;
    db::Query* QOnhandWHunits;

    // Public state.
    QString SearchResult;            // the value the last lookup dialog gave
    bool ByBarCode = false;          // ExistsProduct first takes its code as a barcode
    qint32 PriceQuantity = 0;        // the quantity that goes with the last sale price
    QString PriceDiscount;           // the discount text that goes with the last sale price
    QString SpecialName;             // the product's name in ProductView after ExistsProduct
    double OnHandQuantity = 0;       // the signed quantity the last warehouse query summed
    bool UseStockUnitPrice = false;  // allows GetPrice's stock-unit price mode

private:
    void createCheckQueries();
    void createLotSerialQueries();
    void createPriceQueries();
    void createStockQueries();

    bool stockUnitPriceMode() const;
    QString userWarehouseCondition();
    double standardPrice(int productId, int unitId, int priceType);
    double stockUnitPrice(int productId, int priceType, int& stockUnitId);
    product::PriceStep customerPrice(int customerId, int productId, int unitId);
    void promotionPrice(double& price, int customerId, int productId, int unitId, int priceType,
                        const QDateTime& date);
    void takeWhenFound(product::PriceStep& step, double& price);
    void tell(const product::PriceStep& step) const;

    product::PriceObserver priceObserver_;
    QString warehouseCondition_;  // as last made, for warehouseConditionUser_
    int warehouseConditionUser_ = 0;
};

// The process-wide instance, set while one exists.
extern TDmProduct* DmProduct;
