// Checks of lots, serial numbers and vendor part records.

#include "db/DataSource.h"
#include "db/UpdateSql.h"
#include "product/Dm_Product.h"
#include "product/Statements.h"
#include "ui/MessageBox.h"

using db::FieldType;
using namespace product::detail;
using namespace Qt::Literals::StringLiterals;

namespace {

// The price of a vendor's part record in the currency of the vendor's purchase orders.
const char* const kPartPriceInOrderCurrency =
    "Case When m.code = 'LAK' Then P.PriceKip When m.code = 'USD' Then P.PriceUsd "
    "When m.code = 'THB' Then P.PriceBaht Else P.Price ";

QStringList partSourceLines(bool positivePriceOnly) {
    QStringList lines = {
        "SELECT P.Id, P.PurchaseCode, P.PurchaseName, P.DiscountStr,",
        "       P.lastprice, P.lastdoccode, P.lastdocno, P.lastdate,",
        QStringLiteral("       (%1End) Price").arg(QLatin1String(kPartPriceInOrderCurrency)),
        "FROM PartSource P",
        "Inner Join vendor v On (V.Id = P.Vendor)",
        "inner join misc m on m.id=v.poCurrencyId",
        "Where (ProductUnits = :GetId) And (Vendor = :GetVId)",
    };
    if (positivePriceOnly)
        lines << QStringLiteral("  And (%1End) > 0").arg(QLatin1String(kPartPriceInOrderCurrency));
    return lines;
}

}  // namespace

void TDmProduct::createLotSerialQueries() {
    QChkLotNo = makeQuery(
        this, "QChkLotNo",
        {"SELECT Id, Code, HasExpired, ExpiredDate", "FROM LotNo", "WHERE (Code = :GetCode)"},
        {{"GetCode", FieldType::String}});
    QChkLotOnHand = makeQuery(this, "QChkLotOnHand",
                              {"SELECT Sum(L.Quantity) LotQnty", "FROM LotOnHand L",
                               "WHERE (L.Product = :GetProduct) And",
                               "  (L.LotNo = :GetLotNo) And (L.BalanceYear <= :GetYear) And "
                               "(L.Warehouse = :GetWarehouse)"},
                              {{"GetProduct", FieldType::Integer},
                               {"GetLotNo", FieldType::Integer},
                               {"GetYear", FieldType::Integer},
                               {"GetWarehouse", FieldType::Integer}});
    QChkSerial = makeQuery(this, "QChkSerial",
                           {"SELECT Id, Serial, OnHand", "FROM SerialNo",
                            "WHERE (Product = :GetProduct) And (Serial = :GetSerial)"},
                           {{"GetProduct", FieldType::Integer}, {"GetSerial", FieldType::String}});
    QCreateSerialNo = makeQuery(
        this, "QCreateSerialNo",
        {"Declare @SerialId IdNo",
         "If Exists (Select Id From product Where Id = :ProductId And UseSerial = 'Y' And "
         "CheckSerialOnhand = 'N')",
         "   Exec CreateSerialNo :ProductId, :SerialCode, @SerialId Output", "select  @SerialId"},
        {{"ProductId", FieldType::Integer}, {"SerialCode", FieldType::String}});

    QSerialNo = makeQuery(
        this, "QSerialNo",
        {"SELECT Id, Product, Serial, OnHand", "FROM SerialNo", "WHERE (Serial = :GetCode)"},
        {{"GetCode", FieldType::String}});
    QSerialNo->setCachedUpdates(true);
    USerialNo = new db::UpdateSql(this);
    USerialNo->setObjectName("USerialNo");
    USerialNo->modifySql = {
        "update SerialNo",    "set",   "  Product = :Product,", "  Serial = :Serial,",
        "  OnHand = :OnHand", "where", "  Id = :OLD_Id"};
    USerialNo->insertSql = {"insert into SerialNo", "  (Product, Serial, OnHand)", "values",
                            "  (:Product, :Serial, :OnHand)"};
    USerialNo->deleteSql = {"delete from SerialNo", "where", "  Id = :OLD_Id"};
    QSerialNo->setUpdateObject(USerialNo);
    DSerialNo = new db::DataSource(this);
    DSerialNo->setObjectName("DSerialNo");
    DSerialNo->setDataSet(QSerialNo);

    QChkPartSource =
        makeQuery(this, "QChkPartSource",
                  {"Select V.Id, V.Product, V.ProductUnits, ", "  V.PurchaseCode, V.PurchaseName,",
                   "  P.Code, P.ThaiName, U.UnitName, U.Fraction, U.BarCode", "From PartSource V",
                   "Inner Join Product P On (P.Id = V.Product)",
                   "Inner Join ProductUnits U On (U.Id = V.ProductUnits)",
                   "Where (V.PurchaseCode = :GetCode) And (V.Vendor = :GetVId)"},
                  {{"GetCode", FieldType::String}, {"GetVId", FieldType::Integer}});
    QExistsPartSource = makeQuery(this, "QExistsPartSource", partSourceLines(false),
                                  {{"GetId", FieldType::Integer}, {"GetVId", FieldType::Integer}});
    QExistsPartSource_PR =
        makeQuery(this, "QExistsPartSource_PR", partSourceLines(true),
                  {{"GetId", FieldType::Integer}, {"GetVId", FieldType::Integer}});
}

bool TDmProduct::ExistsLotNo(const QString& Code, const QDateTime& Date) {
    closeAndSet(*QChkLotNo, {{"GetCode", Code}});
    if (!openFound(*QChkLotNo))
        return false;
    if (QChkLotNo->fieldByName("HasExpired"_L1).asString() == QStringLiteral("N"))
        return true;
    // A NULL expiry date reads as the earliest date, so such a lot counts as expired.
    const QDateTime expires = QChkLotNo->fieldByName("ExpiredDate"_L1).asDateTime();
    if (expires.isValid() && expires >= Date)
        return true;
    ui::showInformation(QStringLiteral("LotNo หมดอายุแล้ว"));
    return false;
}

double TDmProduct::LotNoOnHand(int LotId, int ProductId, int WarehouseId, int Year) {
    closeAndSet(*QChkLotOnHand, {{"GetProduct", ProductId},
                                 {"GetLotNo", LotId},
                                 {"GetWarehouse", WarehouseId},
                                 {"GetYear", Year}});
    if (!openFound(*QChkLotOnHand))
        return 0;
    return QChkLotOnHand->fieldByName("LotQnty"_L1).asFloat();
}

bool TDmProduct::ExistsSerialNo(const QString& Serial, int ProductId) {
    // Registers the serial first for a product whose serials are not checked against stock.
    closeAndSet(*QCreateSerialNo, {{"ProductId", ProductId}, {"SerialCode", Serial}});
    QCreateSerialNo->open();
    QCreateSerialNo->close();

    closeAndSet(*QChkSerial, {{"GetSerial", Serial}, {"GetProduct", ProductId}});
    return openFound(*QChkSerial) && QChkSerial->fieldByName("OnHand"_L1).asString() == u"Y";
}

bool TDmProduct::ExistsPartSource(int UnitId, int VendorId) {
    closeAndSet(*QPriceStandard, {{"GetId", UnitId}, {"vendorid", VendorId}});
    QPriceStandard->open();
    for (db::Query* q : {QExistsPartSource, QExistsPartSource_PR}) {
        closeAndSet(*q, {{"GetId", UnitId}, {"GetVId", VendorId}});
        q->open();
    }
    return !QExistsPartSource->isEmpty();
}

bool TDmProduct::ExistsVendorPartCode(const QString& Code, int VendorId) {
    closeAndSet(*QChkPartSource, {{"GetVId", VendorId}, {"GetCode", Code}});
    return openFound(*QChkPartSource);
}
