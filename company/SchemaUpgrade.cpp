#include "company/SchemaUpgrade.h"

namespace company {

QStringList sqlUpdateConfigLines() {
    return {
        "If not Exists (Select Id from SysColumns Where Name = 'CheckUserWarehouseFlag' And Id = "
        "(Select Id From SysObjects Where Name = 'Config'))",
        "   Alter Table Config Add CheckUserWarehouseFlag Charflag Null,  CheckUserSubtypeFlag "
        "Charflag Null",
        "/",
        "Update Config Set CheckUserWarehouseFlag = Coalesce(CheckUserWarehouseFlag,'N'),",
        "                  CheckUserSubtypeFlag = Coalesce(CheckUserSubtypeFlag,'N')",
        "Where (CheckUserWarehouseFlag is Null) Or (CheckUserSubtypeFlag Is Null)",
        " /",
        "If not Exists (Select Id from SysColumns Where Name = 'MainCurrencyId' And Id = (Select "
        "Id "
        "From SysObjects Where Name = 'Config'))",
        "   Alter Table Config Add MainCurrencyId IdNo Null",
        "/",
        "Update Config Set MainCurrencyId = (Select Id from Misc Where GroupCode = 'CURRENCY' And "
        "Code = 'THB')",
        "Where MainCurrencyId Is Null",
        " /",
    };
}

namespace {

// Builds the script one statement at a time, each followed by its terminator line.
class Script {
public:
    // The catalogue test for a column of a table, as the table is named in the catalogue.
    static QString columnMissing(const QString& column, const QString& lookup) {
        return "If Not exists (select Id from SysColumns Where Name = '" + column +
               "' And Id = (select Id From SysObjects Where Name = '" + lookup + "'))";
    }

    // Adds `column` of `type` to `table` when the table, looked up as `lookup`, lacks it.
    void addColumn(const QString& table, const QString& column, const QString& type,
                   const QString& lookup = {}) {
        statement({columnMissing(column, lookup.isEmpty() ? table : lookup),
                   "  Alter Table " + table + " Add " + column + " " + type});
    }

    // CurrencyId and Rate, one statement each.
    void addCurrencyAndRate(const QString& table, const QString& lookup = {}) {
        addColumn(table, "CurrencyId", "IdNo Null", lookup);
        addColumn(table, "Rate", "Decimal(20,6) Null", lookup);
    }

    // The cash and bank currency of a receipt or payment header.
    void addCashAndBankCurrency(const QString& table) {
        addColumn(table, "CashCurrencyId", "IdNo Null");
        addColumn(table, "CashRate", "Decimal(20,6) Null");
        addColumn(table, "BankCurrencyId", "IdNo Null");
        addColumn(table, "BankRate", "Decimal(20,6) Null");
    }

    // A pair of Decimal(20,6) columns named prefix + "Scrap" and prefix + "Part", one statement.
    void addScrapAndPart(const QString& table, const QString& prefix = {}) {
        statement({columnMissing(prefix + "Scrap", table),
                   "  Alter Table " + table + " Add " + prefix + "Scrap Decimal(20,6) Null, " +
                       prefix + "Part Decimal(20,6) Null"});
    }

    void statement(const QStringList& lines) {
        lines_ << lines << "/";
        ++count_;
    }

    const QStringList& lines() const { return lines_; }
    int count() const { return count_; }

private:
    QStringList lines_;
    int count_ = 0;
};

}  // namespace

QStringList sqlUpdateLines() {
    Script s;
    // 1: the program-version registry.
    s.statement({
        "If Not Exists (Select Id From SysObjects Where Name = 'CheckVersionProgramEXE')",
        "Begin",
        "  Create Table CheckVersionProgramEXE (",
        "    Id IdNo Identity(1,1) Not Null,",
        "    ProgramEXE VarChar(30) Not Null,",
        "    Version IdNo Not Null,",
        "    LastUpdate DateTime Null)",
        "  Create Unique Index CheckVersionProgramIndexProgramEXE On CheckVersionProgramEXE "
        "(ProgramEXE)",
        "End",
    });

    // 2-9: serial-number checks per kind of document, starting as the product's UseSerial.
    for (const char* column :
         {"CheckSerialPurc", "CheckSerialSale", "CheckSerialStock", "CheckSerialOnhand"})
        s.addColumn("Product", column, "CharFlag");
    s.statement({"Update Product Set CheckSerialPurc =  UseSerial Where CheckSerialPurc Is Null"});
    s.statement({"Update Product Set CheckSerialSale =  UseSerial Where CheckSerialSale Is Null"});
    s.statement(
        {"Update Product Set CheckSerialStock =  UseSerial Where CheckSerialStock Is Null"});
    s.statement(
        {"Update Product Set CheckSerialOnhand =  UseSerial Where CheckSerialOnhand Is Null"});

    // 10-11.
    s.addColumn("Product", "ProductFree", "CharFlag -- สามารถขายราคา 0 ได้ หรือไม่ (ของแถม)");
    s.addColumn("Config", "ShowProductPriceList", "CharFlag Null");

    // 12-13: the warehouses and subtypes a user may use.
    s.statement({
        "If Not Exists (Select Id From SysObjects Where Name = 'UserWarehouse') -- "
        "เก็บสิทธิการใช้คลัง",
        "  Create Table UserWarehouse (",
        "    Id IdNo Identity(1,1) Not Null,",
        "    UserName IdNo Not Null,",
        "    Warehouse IdNo Not Null,",
        "    LastUpdate DateTime Not Null,",
        "    Constraint DuplicateUserWarehouseId Primary Key NonClustered (Id))",
    });
    s.statement({
        "If Not Exists (Select Id From SysObjects Where Name = 'UserSubtype') -- เก็บสิทธิการใช้ "
        "SubType",
        "  Create Table UserSubtype (",
        "    Id IdNo Identity(1,1) Not Null,",
        "    UserName IdNo Not Null,",
        "    Subtype IdNo Not Null,",
        "    LastUpdate DateTime Not Null,",
        "    Constraint DuplicateUserSubtypeId Primary Key NonClustered (Id))",
    });

    // 14-17.
    s.addColumn("SystemForm", "Subtype", "Char(10) Null");
    s.addColumn("Employee", "Address1", "Char(255) Null");
    s.addColumn("Employee", "PhoneNo", "Char(50) Null");
    s.statement(
        {"If Not exists (select Id from SysColumns Where Name = 'VendorImport' And Id = "
         "(select Id From SysObjects Where LTrim(RTrim(Upper(Name))) = 'VENDOR'))",
         "  Alter Table Vendor Add VendorImport Char(1)"});

    // 18-33: currencies of the purchase documents and of the vendor balances.
    for (const char* table : {"PoRQHd", "Pohd", "Pchd", "Mrhd", "Prhd", "Vcnhd", "Vdnhd"})
        s.addCurrencyAndRate(table);
    s.addColumn("VendorBalance", "CurrencyId", "IdNo Null");
    s.statement({
        Script::columnMissing("MainCurrencyAmount", "VendorBalance"),
        "Begin",
        "  Alter Table VendorBalance Add MainCurrencyAmount Decimal(20,10) Null",
        "  Alter Table VendorBalance Drop Constraint CurrencyId_Refer_VendorBalance",
        "  Alter Table VendorBalance Add Constraint CurrencyId_Refer_VendorBalance Foreign Key "
        "(CurrencyId) References Misc (Id)",
        "End",
    });

    // 34-53: currencies of the sales documents and of the customer balances.
    s.addCurrencyAndRate("QuoHD", "QUOHD");
    for (const char* table :
         {"SoHd", "IvHd", "PosHd", "PosHeader", "SrHd", "PoSrHd", "CcnHd", "CdnHd"})
        s.addCurrencyAndRate(table);
    s.addColumn("CustomerBalance", "CurrencyId", "IdNo Null");
    s.statement({
        Script::columnMissing("MainCurrencyAmount", "CustomerBalance"),
        "Begin",
        "  Alter Table CustomerBalance Add MainCurrencyAmount Decimal(20,10) Null",
        "  Alter Table CustomerBalance Drop Constraint DuplicateCustomerBalance",
        "  Alter Table CustomerBalance Add Constraint CurrencyId_Refer_CustomerBalance Foreign "
        "Key (CurrencyId) References Misc (Id)",
        "End",
    });

    // 54-56: the driver and transportation of issue documents.
    s.addColumn("IvHd", "Driver", "IdNo Null");
    s.statement({"If Not Exists (Select Id From SysIndexes Where Name = 'IvHdindexDriver')",
                 "  Create Index IvHdindexDriver On IvHd (Driver)"});
    s.statement({
        Script::columnMissing("Driver", "IsHd"),
        "Begin",
        "  Alter Table IsHd Add Transportation IdNo Null, Driver IdNo Null",
        "  Alter Table RiHd Add Transportation IdNo Null, Driver IdNo Null",
        "  Alter Table PreIsHd Add Transportation IdNo Null, Driver IdNo Null",
        "End",
    });

    // 57-92: currencies of receipts and payments.
    s.addCashAndBankCurrency("RcHd");
    s.addCurrencyAndRate("RcptChq");
    s.addCashAndBankCurrency("MiscRcHd");
    s.addCashAndBankCurrency("PdHd");
    s.addCurrencyAndRate("PaidChq");
    s.addCashAndBankCurrency("MiscPdHd");
    s.addColumn("RcHd", "PrettyCash", "IdNo Null");
    s.addColumn("MiscRcHd", "PrettyCash", "IdNo Null");
    for (const char* table :
         {"RcDt", "MiscRcDt", "PdDt", "MiscPdDt", "PrePaid", "PreRcpt", "PaidCustomer"})
        s.addCurrencyAndRate(table);

    // 93-119: scrap and part of exchange rates and of every document that carries a rate.
    s.statement({Script::columnMissing("PurcScrap", "CurrencyEx"),
                 "  Alter Table CurrencyEx Add PurcScrap Decimal(20,6), PurcPart Decimal(20,6), "
                 "SaleScrap Decimal(20,6), SalePart Decimal(20,6)"});
    for (const char* table :
         {"PoRQHd", "Pohd", "Pchd", "Mrhd", "Prhd", "Vcnhd", "Vdnhd", "QuoHd", "Sohd", "IvHd",
          "Poshd", "PosHeader", "Srhd", "PoSrhd", "Ccnhd", "Cdnhd", "PrePaid", "PreRcpt"})
        s.addScrapAndPart(table);
    for (const char* table : {"PdHd", "RcHd", "MiscPdHd", "MiscRcHd"}) {
        s.addScrapAndPart(table, "Cash");
        s.addScrapAndPart(table, "Bank");
    }

    Q_ASSERT(s.count() == kSqlUpdateStatements);
    return s.lines();
}

}  // namespace company
