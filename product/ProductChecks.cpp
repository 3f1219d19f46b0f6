// Checks of products, barcodes, units, warehouses, attribute codes and project items.

#include "config/Flags.h"
#include "product/Dm_Product.h"
#include "product/Statements.h"

using db::FieldType;
using namespace product::detail;
using namespace Qt::Literals::StringLiterals;

namespace {

// Lines that the checks rewrite before every open; the statements keep them in place.
constexpr int kProductWarehouseLine = 6;
constexpr int kWarehouseUserLine = 3;

// The special-name lookup of ExistsProduct is on for this value of SearchProductNo.
constexpr qint64 kSpecialNameSearch = 2;

// Sets the four kind parameters: `present` for each kind in the set, `absent` for the others.
void setKindParams(db::Query& query, TUnitKinds kinds, const QString& present,
                   const QString& absent) {
    const auto pattern = [&](TUnitKind kind) -> const QString& {
        return kinds.contains(kind) ? present : absent;
    };
    query.paramByName(QLatin1StringView("SaleUnit")).setAsString(pattern(ukSale));
    query.paramByName(QLatin1StringView("PurcUnit")).setAsString(pattern(ukPurc));
    query.paramByName(QLatin1StringView("SmallUnit")).setAsString(pattern(ukSmall));
    query.paramByName(QLatin1StringView("StockUnit")).setAsString(pattern(ukStock));
}

// The name of the first unit a unit query finds for the product, or empty text.
QString firstUnitName(db::Query& query, int productId) {
    closeAndSet(query, {{"GetId", productId}});
    query.open();
    return firstText(query, "UnitName");
}

}  // namespace

void TDmProduct::createCheckQueries() {
    QChkProduct = makeQuery(
        this, "QChkProduct",
        {
            "SELECT P.Id, P.Code, P.ThaiName, P.EngName, P.PosName, P.ProductType,P.PriceIE "
            ",P.PrintFrac,",
            "  P.UseSerial, P.LotControl, P.TaxCode, P.DefaultWh, "
            "P.PriceByVolumn,P.Discount,W.flagin,w.flagout,P.BuyingCode,",
            "  P.VolumnUnit, T.Rate TaxRate, W.Code WhCode, W.Name WhName,P.Blocked,P.Negative, "
            "Coalesce(P.ProductFree,'N')ProductFree,",
            "  P.Size_W,P.Size_L,P.Size_H,P.CartonsUnits,P.Cartons,P.NetWeight,P.GrossWeight, "
            "P.ProductDesc, Coalesce(P.CheckSerialPurc,'N')CheckSerialPurc, "
            "Coalesce(P.CheckSerialSale,'N')CheckSerialSale, "
            "Coalesce(P.CheckSerialStock,'N')CheckSerialStock,  "
            "Coalesce(P.CheckSerialOnhand,'N')CheckSerialOnhand, "
            "Coalesce(P.PerDiscountOver,0)PerDiscountOver, Coalesce(P.CostMoving,0) CostMoving",
            "FROM Product P",
            "INNER JOIN Tax T On (T.Id = P.TaxCode)",
            "Inner Join Warehouse W On (W.Id = P.DefaultWh) /* SQL [6] ห้ามย้ายบรรทัด */",
            "WHERE (P.Code = :GetCode) AND (Coalesce(P.Blocked,'N') <> 'Y')  And "
            "(Coalesce(P.MasterCode,'N')<>'Y')",
            "/* Don't Move SQL Lines */",
            " ",
        },
        {{"GetCode", FieldType::String}});
    QChkBarCode = makeQuery(
        this, "QChkBarCode",
        {"Select U.Id, U.BarCode, U.Fraction, U.UnitName,",
         "  U.PurcFlag, U.SaleFlag, U.SmallUnitFlag, U.StockUnitFlag,",
         "  P.Id ProductId, P.Code, P.ThaiName, P.EngName, P.PosName, ",
         "  P.UseSerial, P.LotControl, P.TaxCode, P.DefaultWh, P.ItemClassify,",
         "  U.PurcPrice, U.LabourCost, U.VolumnFraction,", "  T.Rate TaxRate, P.BuyingCode,",
         "  W.Code WhCode, W.Name WhName,",
         "  (Select Pp.Price from ProductPrice Pp Where pp.ProductUnits = U.Id And pp.PriceType = "
         "19) price, Coalesce(P.PerDiscountOver,0)PerDiscountOver",
         "From ProductUnits U", "Inner Join Product P On (P.Id = U.Product)",
         "Inner Join Tax T On (T.Id = P.TaxCode)", "Left Join Warehouse W On (W.Id = P.DefaultWh)",
         "Where (U.BarCode = :GetCode) AND (P.Blocked <> 'Y') And (U.BarCode Is Not Null)"},
        {{"GetCode", FieldType::String}});
    QSpecialName = makeQuery(this, "QSpecialName",
                             {"Select P.Id, P.Code,", "       ltrim(rtrim(P.ThaiName)) ThaiName,",
                              "       P.Remark, P.ProductType ,P.Picture1 ", "From ProductView P",
                              "WHERE (P.Code = :GetCode) AND (P.Blocked <> 'Y') "},
                             {{"GetCode", FieldType::String}});

    // The unit-kind parameters after the statement's own.
    const auto withKinds = [](ParamTypes params) {
        for (const char* kind : {"SaleUnit", "PurcUnit", "SmallUnit", "StockUnit"})
            params.emplace_back(kind, FieldType::String);
        return params;
    };
    QChkUnit = makeQuery(
        this, "QChkUnit",
        {"SELECT Id, UnitName, Fraction, VolumnFraction,BarCode,PurcPrice,LabourCost",
         "From ProductUnits", "Where (Product = :GetProduct) And (UnitName = :GetUnit) And",
         "  ((SaleFlag Like :SaleUnit) Or (PurcFlag Like :PurcUnit) Or",
         "   (SmallUnitFlag Like :SmallUnit) Or (StockUnitFlag Like :StockUnit))"},
        withKinds({{"GetProduct", FieldType::Integer}, {"GetUnit", FieldType::String}}));
    QDefaultUnit =
        makeQuery(this, "QDefaultUnit",
                  {"SELECT U.Id, U.UnitName, U.Fraction, U.BarCode, U.VolumnFraction,U.PurcPrice",
                   "FROM ProductUnits U", "WHERE (U.Product = :GetId) And",
                   "  (U.SaleFlag Like :SaleUnit) And (U.PurcFlag Like :PurcUnit) And",
                   "  (U.SmallUnitFlag Like :SmallUnit) And (U.StockUnitFlag Like :StockUnit)",
                   "Order By U.Fraction"},
                  withKinds({{"GetId", FieldType::Integer}}));
    QStockUnit =
        makeQuery(this, "QStockUnit",
                  {"SELECT U.Id, U.UnitName, U.Fraction, U.BarCode, U.VolumnFraction",
                   "FROM ProductUnits U", "WHERE (U.Product = :GetId) And (U.StockUnitFlag='Y')"},
                  {{"GetId", FieldType::Integer}});
    QSmallUnit =
        makeQuery(this, "QSmallUnit",
                  {"SELECT U.Id, U.UnitName, U.Fraction, U.BarCode, U.VolumnFraction",
                   "FROM ProductUnits U", "WHERE (U.Product = :GetId) And (U.SmallUnitFlag='Y')"},
                  {{"GetId", FieldType::Integer}});

    QChkWarehouse = makeQuery(this, "QChkWarehouse",
                              {"SELECT W.Id, W.Code, W.Name,W.islocation", "FROM WareHouse W",
                               "WHERE (W.Code = :GetCode)", "/* SQL [3] ห้ามย้ายบรรทัด */"},
                              {{"GetCode", FieldType::String}});
    QChkProdAttrCode =
        makeQuery(this, "QChkProdAttrCode",
                  {"SELECT C.Id, C.ProdAttrGroup, C.Code, C.Description", "FROM ProdAttrCode C",
                   "WHERE (C.prodAttrGroup = :GetGroup) And (C.Code = :GetCode)"},
                  {{"GetGroup", FieldType::Integer}, {"GetCode", FieldType::String}});
    QChkProjectItemCode = makeQuery(
        this, "QChkProjectItemCode",
        {"select id,code", "from projectitemhd", "where project=:projectid and code=:code"},
        {{"projectid", FieldType::Integer}, {"code", FieldType::String}});
}

// The condition that keeps warehouses to the current user's own when the company restricts
// them, or empty text when it does not. Its text is made again only for another user.
QString TDmProduct::userWarehouseCondition() {
    if (!config::isYes(configText("CheckUserWarehouseFlag")))
        return {};
    const int user = currentUserId();
    if (warehouseCondition_.isEmpty() || user != warehouseConditionUser_) {
        warehouseCondition_ =
            QStringLiteral("W.Id In (Select Warehouse From UserWarehouse Where UserName = %1 )")
                .arg(user);
        warehouseConditionUser_ = user;
    }
    return warehouseCondition_;
}

bool TDmProduct::ExistsProduct(QString Code) {
    if (ByBarCode)
        Code = ExistsBarCode(Code) ? QChkBarCode->fieldByName("Code"_L1).asString() : QString();

    QChkProduct->close();
    const QString restriction = userWarehouseCondition();
    rewriteLine(
        *QChkProduct, kProductWarehouseLine,
        restriction.isEmpty()
            ? QStringLiteral("Left Join Warehouse W On (W.Id = P.DefaultWh) ")
            : QStringLiteral("Left Join Warehouse W On (W.Id = P.DefaultWh)  And ") + restriction);
    closeAndSet(*QChkProduct, {{"GetCode", Code}});
    const bool found = openFound(*QChkProduct);

    if (found && configInteger("SearchProductNo") == kSpecialNameSearch) {
        closeAndSet(*QSpecialName, {{"GetCode", Code}});
        if (openFound(*QSpecialName)) {
            SpecialName = QSpecialName->fieldByName("ThaiName"_L1).asString();
            return found;
        }
    }
    SpecialName.clear();
    return found;
}

bool TDmProduct::ExistsBarCode(const QString& BarCode) {
    closeAndSet(*QChkBarCode, {{"GetCode", BarCode}});
    return openFound(*QChkBarCode);
}

bool TDmProduct::ExistsProductUnit(int ProductId, const QString& UnitName, TUnitKinds Kinds) {
    closeAndSet(*QChkUnit, {{"GetProduct", ProductId}, {"GetUnit", UnitName}});
    setKindParams(*QChkUnit, Kinds, QStringLiteral("Y%"), QStringLiteral("X%"));
    return openFound(*QChkUnit);
}

QString TDmProduct::GetFirstUnit(int ProductId, TUnitKinds Kinds) {
    closeAndSet(*QDefaultUnit, {{"GetId", ProductId}});
    setKindParams(*QDefaultUnit, Kinds, QStringLiteral("Y%"), QStringLiteral("%"));
    QDefaultUnit->open();
    return firstText(*QDefaultUnit, "UnitName");
}

QString TDmProduct::GetStockUnit(int ProductId) {
    return firstUnitName(*QStockUnit, ProductId);
}

QString TDmProduct::GetSmallUnit(int ProductId) {
    return firstUnitName(*QSmallUnit, ProductId);
}

bool TDmProduct::ExistsWarehouse(const QString& Code) {
    QChkWarehouse->close();
    const QString restriction = userWarehouseCondition();
    rewriteLine(*QChkWarehouse, kWarehouseUserLine,
                restriction.isEmpty() ? QString() : QStringLiteral(" And ") + restriction);
    closeAndSet(*QChkWarehouse, {{"GetCode", Code}});
    return openFound(*QChkWarehouse);
}

bool TDmProduct::ExistsProdAttrCode(int GroupId, const QString& Code) {
    closeAndSet(*QChkProdAttrCode, {{"GetGroup", GroupId}, {"GetCode", Code}});
    return openFound(*QChkProdAttrCode);
}

bool TDmProduct::ExistsProjectItemCode(const QString& Code, int ProjectId) {
    closeAndSet(*QChkProjectItemCode, {{"Code", Code}, {"ProjectId", ProjectId}});
    return openFound(*QChkProjectItemCode);
}
