// The queries, procedures and scripts of the company module that the suite's programs share.

#include "company/U_DM.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "db/StoredProc.h"
#include "db/UpdateSql.h"
#include "sqlscript/SqlScript.h"

using db::FieldType;
using db::ParamDirection;

namespace {

db::Query* makeQuery(QObject* owner, const char* name, const QStringList& lines = {}) {
    return new db::Query(QString::fromLatin1(name), "DMDATA", lines, owner);
}

db::DataSource* makeSource(QObject* owner, const char* name, db::Query* query) {
    auto* d = new db::DataSource(owner);
    d->setObjectName(QString::fromLatin1(name));
    d->setDataSet(query);
    return d;
}

db::StoredProc* makeProc(QObject* owner, const char* name, const char* procedure) {
    auto* p = new db::StoredProc(QString::fromLatin1(name), "DMDATA",
                                 QString::fromLatin1(procedure), owner);
    p->addParam("@Result", FieldType::Integer, ParamDirection::Result);
    return p;
}

void declare(db::Query* q, const char* name, FieldType type) {
    q->paramByName(QString::fromLatin1(name)).setType(type);
}

}  // namespace

void TDM::createSharedQueries() {
    QProvince = makeQuery(this, "QProvince",
                          {"select id,code,description,groupcode from misc",
                           "where groupcode='CITY'", "order by code"});
    DProvince = makeSource(this, "DProvince", QProvince);
    QTransport = makeQuery(this, "QTransport",
                           {"Select Id, Code, Description, GroupCode", "From Misc",
                            "Where (GroupCode = 'TRANSPORT')", "Order By Code"});
    DTransport = makeSource(this, "DTransport", QTransport);
    QPriceLevel = makeQuery(this, "QPriceLevel",
                            {"\rSelect Id, Code, Description, GroupCode", "From Misc",
                             "Where (GroupCode = 'PRICETYPE')", "Order By Code"});
    DPriceLevel = makeSource(this, "DPriceLevel", QPriceLevel);
    QTax = makeQuery(this, "QTax", {"SELECT Id, Code, Rate", "FROM Tax", "Order By Code"});
    DTax = makeSource(this, "DTax", QTax);
    QSalesman =
        makeQuery(this, "QSalesman", {"Select Id,Code,Name From Salesman", "order by code"});
    DSalesman = makeSource(this, "DSalesman", QSalesman);

    QTaxRate = makeQuery(this, "QTaxRate", {"Select Rate ", "From Tax", "Where (Id = :GetCode)"});
    declare(QTaxRate, "GetCode", FieldType::Integer);
    QUnitFraction = makeQuery(
        this, "QUnitFraction",
        {"SELECT U.UnitName LUnit, U.Fraction, M.UnitName SUnit, U.Product IdProd",
         "FROM ProductUnits U",
         "Inner Join ProductUnits M On ((U.Product = M.Product) And (M.SmallUnitFlag = 'Y'))",
         "Where (U.Id = :GetUnit)"});
    declare(QUnitFraction, "GetUnit", FieldType::Integer);
    QStockUnitQnty = makeQuery(
        this, "QStockUnitQnty",
        {"SELECT U.Id,U.UnitName, U.Fraction,",
         "  (Select S.UnitName From ProductUnits S Where (S.SmallUnitFlag = 'Y') And (S.Product "
         "= :GetProduct)) As SmallUnit",
         "FROM ProductUnits U", "Where (U.StockUnitFlag = 'Y') And (U.Product = :GetProduct)"});
    declare(QStockUnitQnty, "GetProduct", FieldType::Integer);
    QNewId = makeQuery(this, "QNewId", {"SELECT @@IDENTITY AS 'New_Id'"});
    QAcID = makeQuery(this, "QAcID",
                      {"select accountchart ", "from accountinterface", "where id=:inputid"});
    QDocumentNo =
        makeQuery(this, "QDocumentNo",
                  {"SELECT D.Code, D.Description, D.Prefix, D.LastNo, D.DocumentLength, D.AutoRun",
                   "FROM DocumentNo D", "WHERE (D.Code = :GetCode) And (DocYear=:GetYear)"});
    declare(QDocumentNo, "GetCode", FieldType::String);
    QDocConvert =
        makeQuery(this, "QDocConvert",
                  {"SELECT D.Id, D.Code, D.Description, D.Prefix, D.LastNo, D.DocumentLength,",
                   "  D.AutoRun, D.DocType", "FROM DocNoConvert V",
                   "Inner Join DocumentNo D On (V.DocumentNo = D.Id)",
                   "WHERE (V.Code = :GetCode) And (V.DocYear=:GetYear)"});
    declare(QDocConvert, "GetCode", FieldType::String);

    // Every currency with its latest rate on or before today. The rates are ranked per currency,
    // so a newer rate of one currency does not hide the rates of the others.
    QMiscCurrency = makeQuery(
        this, "QMiscCurrency",
        {"Select M.*, C.PurcScrap, C.PurcPart, C.PurcRate, C.SaleScrap, C.SalePart, C.SaleRate",
         "From Misc M",
         "Left Join (Select E.Currency, E.PurcScrap, E.PurcPart, E.PurcRate, E.SaleScrap, "
         "E.SalePart, E.SaleRate,",
         "                  RANK()Over (Partition By E.Currency Order BY E.ExchangeDate Desc) "
         "RankNo",
         "           From CurrencyEx E",
         "           Where E.ExchangeDate <= Convert(DateTime, Convert(Char(8), GetDate(), "
         "112))) C",
         "  On (C.Currency = M.Id) And (C.RankNo = 1)", "Where M.GroupCode = 'CURRENCY'",
         "Order By M.OrderNo"});
    DMiscCurrency = makeSource(this, "DMiscCurrency", QMiscCurrency);

    SpServerTime = makeProc(this, "SpServerTime", "ServerTime");
    SpServerTime->addParam("@ServerTime", FieldType::DateTime, ParamDirection::Output);
    SpAddLogV2 = makeProc(this, "SpAddLogV2", "UserAddLogV2");
    for (const char* name : {"@UserId", "@MenuId", "@FunctionListId", "@DocumentId"})
        SpAddLogV2->addParam(QString::fromLatin1(name), FieldType::Integer);
    for (const char* name : {"@Remark", "@TableName", "@FieldName", "@Detail", "@TabName"})
        SpAddLogV2->addParam(QString::fromLatin1(name), FieldType::String);
    SpAddLog = makeProc(this, "SpAddLog", "UserAddLog");
    for (const char* name : {"@UserId", "@MenuId", "@FunctionListId", "@DocumentId"})
        SpAddLog->addParam(QString::fromLatin1(name), FieldType::Integer);
    SpAddLog->addParam("@Remark", FieldType::String);
    SpNextDocNo = makeProc(this, "SpNextDocNo", "NewDocumentNo");
    SpNextDocNo->addParam("@DocCode", FieldType::String);
    SpNextDocNo->addParam("@DocYear", FieldType::Integer);
    SpNextDocNo->addParam("@NewNo", FieldType::String, ParamDirection::Output);

    QAddPosLog = makeQuery(
        this, "QAddPosLog",
        {"Insert Into CancelPosHeader (CancelType, CancelDate, PosShiftNo, Product, ProductUnits, "
         "Quantity, Price, UserCode, UserApproved)",
         "Values (:CancelType, GetDate(), :PosShiftNo, :Product, :ProductUnits, :Quantity, "
         ":Price, :UserCode, (Select Code From VOQ_Config_ZUL.Dbo.UserName Where Id = "
         ":UserApprovedId)) "});
    declare(QAddPosLog, "CancelType", FieldType::String);
    declare(QAddPosLog, "PosShiftNo", FieldType::Integer);
    declare(QAddPosLog, "Product", FieldType::Integer);
    declare(QAddPosLog, "ProductUnits", FieldType::Integer);
    declare(QAddPosLog, "Quantity", FieldType::Float);
    declare(QAddPosLog, "Price", FieldType::Float);
    declare(QAddPosLog, "UserCode", FieldType::String);
    declare(QAddPosLog, "UserApprovedId", FieldType::Integer);

    // Removes the ledger entries posted from one document, detail rows first. Both statements
    // run in one transaction, so a failing header delete leaves the detail rows in place.
    DelGL = new TSQLScript(this);
    DelGL->setObjectName("DelGL");
    DelGL->DatabaseName = "DMDATA";
    DelGL->Transaction = true;
    DelGL->setSQL({"delete from gldt where glhd in ", "(",
                   "select id from glhd where glfromdocid=:id and ltrim(rtrim(glfromdocno))=:no",
                   ")", "/", "delete from glhd",
                   "where glfromdocid=:id and ltrim(rtrim(glfromdocno))=:no"});
    DelGL->ParamByName("id").setType(FieldType::Integer);
    DelGL->ParamByName("no").setType(FieldType::String);

    // Posting queries: callers supply their statements before use.
    QPostHd = makeQuery(this, "QPostHd");
    QPostHd->setCachedUpdates(true);
    UPostHd = new db::UpdateSql(this);
    UPostHd->setObjectName("UPostHd");
    QPostHd->setUpdateObject(UPostHd);
    DPostHd = makeSource(this, "DPostHd", QPostHd);
    QPostId = makeQuery(this, "QPostId");

    QGetChkDigitBarcode =
        makeQuery(this, "QGetChkDigitBarcode",
                  {
                      "Declare @Num1 Int",
                      "Declare @Num2 Int",
                      "Declare @GetChkDigit Char(1)",
                      "",
                      "Set @Num1 = (Convert(Int,(SubString(:Barcode,12,1))) + "
                      "Convert(Int,(SubString(:Barcode,10,1)))  ",
                      "               +Convert(Int,(SubString(:Barcode,8,1))) + "
                      "Convert(Int,(SubString(:Barcode,6,1)))  ",
                      "               +Convert(Int,(SubString(:Barcode,4,1))) + "
                      "Convert(Int,(SubString(:Barcode,2,1)))) * 3  ",
                      "  ",
                      "Set @Num2 = (Convert(Int,(SubString(:Barcode,11,1))) + "
                      "Convert(Int,(SubString(:Barcode,9,1)))  ",
                      "               +Convert(Int,(SubString(:Barcode,7,1))) + "
                      "Convert(Int,(SubString(:Barcode,5,1)))  ",
                      "               +Convert(Int,(SubString(:Barcode,3,1))) + "
                      "Convert(Int,(SubString(:Barcode,1,1))))  ",
                      "               ",
                      "               ",
                      "Set @Num1 = @Num1 + @Num2   ",
                      "Set @Num2 = (@Num1 % 10) ",
                      " ",
                      "If @Num2 <> 0 ",
                      "  Set @GetChkDigit = LTrim(RTrim(Convert(Char(10),(10 - @Num2)))) ",
                      "Else",
                      "  Set @GetChkDigit = '0'",
                      "",
                      "Select @GetChkDigit ChkDigit",
                      " ",
                  });
    declare(QGetChkDigitBarcode, "Barcode", FieldType::String);
}
