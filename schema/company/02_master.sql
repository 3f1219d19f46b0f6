-- Master data of a company database: settings, code lists, currencies, products and their
-- units, prices, warehouses, lots, serials, vendors and customers. Every table is created only
-- when missing, already at the level the program's schema upgrade brings a company to, so the
-- upgrade finds nothing left to add. Safe to run again.

-- General code table. Rows are grouped by GroupCode: 'CURRENCY', 'CITY', 'TRANSPORT',
-- 'PRICETYPE', 'WAREGROUP', ...
IF OBJECT_ID('Misc') IS NULL
CREATE TABLE Misc (
    Id          IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    GroupCode   varchar(20)   NOT NULL,
    Code        varchar(20)   NOT NULL,
    Description nvarchar(100) NULL,
    OrderNo     int           NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'MiscIndexGroupCode')
CREATE UNIQUE INDEX MiscIndexGroupCode ON Misc (GroupCode, Code)
GO

-- Row 1 holds the company's settings.
IF OBJECT_ID('Config') IS NULL
CREATE TABLE Config (
    Id                     int           NOT NULL PRIMARY KEY,
    CompanyName            nvarchar(100) NULL,
    BranchCode             varchar(10)   NULL,
    IvRefSO                CharFlag      NULL,
    MrRefPO                CharFlag      NULL,
    EditPricePO            CharFlag      NULL,
    ShowProductPriceList   CharFlag      NULL,
    SearchProductNo        int           NULL,
    SearchProductMethod    int           NULL,
    ShowLastSearch         CharFlag      NULL,
    DisplayFraction        CharFlag      NULL,
    CheckUserWarehouseFlag CharFlag      NULL,
    CheckUserSubtypeFlag   CharFlag      NULL,
    MainCurrencyId         IdNo          NULL
)
GO

IF OBJECT_ID('Tax') IS NULL
CREATE TABLE Tax (
    Id          IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code        varchar(10)   NOT NULL UNIQUE,
    Description nvarchar(100) NULL,
    Rate        decimal(10, 4) NOT NULL
)
GO

IF OBJECT_ID('Salesman') IS NULL
CREATE TABLE Salesman (
    Id   IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code varchar(20)   NOT NULL UNIQUE,
    Name nvarchar(100) NULL
)
GO

IF OBJECT_ID('accountperiod') IS NULL
CREATE TABLE accountperiod (
    Id          IdNo     IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    AccountYear int      NOT NULL UNIQUE,
    StartDate   datetime NOT NULL,
    EndDate     datetime NOT NULL,
    Closed      CharFlag NULL
)
GO

-- Exchange rates of a currency (a Misc row of group 'CURRENCY') from a date on.
IF OBJECT_ID('CurrencyEx') IS NULL
CREATE TABLE CurrencyEx (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Currency     IdNo           NOT NULL REFERENCES Misc (Id),
    ExchangeDate datetime       NOT NULL,
    PurcRate     decimal(20, 6) NULL,
    SaleRate     decimal(20, 6) NULL,
    PurcScrap    decimal(20, 6) NULL,
    PurcPart     decimal(20, 6) NULL,
    SaleScrap    decimal(20, 6) NULL,
    SalePart     decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'CurrencyExIndexDate')
CREATE INDEX CurrencyExIndexDate ON CurrencyEx (ExchangeDate, Currency)
GO

IF OBJECT_ID('accountinterface') IS NULL
CREATE TABLE accountinterface (
    Id           IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code         varchar(20)   NOT NULL,
    Description  nvarchar(100) NULL,
    AccountChart varchar(20)   NULL
)
GO

IF OBJECT_ID('Warehouse') IS NULL
CREATE TABLE Warehouse (
    Id         IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code       varchar(20)   NOT NULL UNIQUE,
    Name       nvarchar(100) NULL,
    IsLocation CharFlag      NULL,
    FlagIn     CharFlag      NULL,
    FlagOut    CharFlag      NULL,
    Blocked    CharFlag      NULL,
    WareGroup  IdNo          NULL
)
GO

-- เก็บสิทธิการใช้คลัง: the warehouses a user (UserName holds the user's id) may use.
IF OBJECT_ID('UserWarehouse') IS NULL
CREATE TABLE UserWarehouse (
    Id         IdNo     IDENTITY(1, 1) NOT NULL,
    UserName   IdNo     NOT NULL,
    Warehouse  IdNo     NOT NULL,
    LastUpdate datetime NOT NULL,
    CONSTRAINT DuplicateUserWarehouseId PRIMARY KEY NONCLUSTERED (Id)
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'UserWarehouseIndexUser')
CREATE INDEX UserWarehouseIndexUser ON UserWarehouse (UserName, Warehouse)
GO

-- เก็บสิทธิการใช้ SubType
IF OBJECT_ID('UserSubtype') IS NULL
CREATE TABLE UserSubtype (
    Id         IdNo     IDENTITY(1, 1) NOT NULL,
    UserName   IdNo     NOT NULL,
    Subtype    IdNo     NOT NULL,
    LastUpdate datetime NOT NULL,
    CONSTRAINT DuplicateUserSubtypeId PRIMARY KEY NONCLUSTERED (Id)
)
GO

IF OBJECT_ID('SystemForm') IS NULL
CREATE TABLE SystemForm (
    Id       IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    FormName varchar(50)   NOT NULL,
    Caption  nvarchar(100) NULL,
    Subtype  char(10)      NULL
)
GO

IF OBJECT_ID('Employee') IS NULL
CREATE TABLE Employee (
    Id       IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code     varchar(20)   NOT NULL UNIQUE,
    Name     nvarchar(100) NULL,
    Address1 char(255)     NULL,
    PhoneNo  char(50)      NULL
)
GO

-- VendorCurrency is the vendor's own currency, PoCurrencyId the currency of its purchase
-- orders; both are Misc rows of group 'CURRENCY'.
IF OBJECT_ID('Vendor') IS NULL
CREATE TABLE Vendor (
    Id             IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code           varchar(20)   NOT NULL UNIQUE,
    Name           nvarchar(100) NULL,
    Address        nvarchar(200) NULL,
    TaxNo          varchar(20)   NULL,
    VendorCurrency IdNo          NULL,
    PoCurrencyId   IdNo          NULL,
    TradeTerm      varchar(20)   NULL,
    CreditDays     int           NULL,
    Blocked        CharFlag      NULL,
    VendorImport   char(1)       NULL
)
GO

IF OBJECT_ID('Customer') IS NULL
CREATE TABLE Customer (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code        varchar(20)    NOT NULL UNIQUE,
    Name        nvarchar(100)  NULL,
    Address     nvarchar(200)  NULL,
    Province    IdNo           NULL,
    TaxNo       varchar(20)    NULL,
    Salesman    IdNo           NULL,
    CreditLimit decimal(20, 6) NULL,
    CreditDays  int            NULL,
    Blocked     CharFlag       NULL
)
GO

-- ProductType: 'S' stock item, 'N' non-stock item or service, 'P' a product of the attribute
-- groups that are kept out of the product search. MasterCode 'Y' marks a master product that is
-- never sold itself.
IF OBJECT_ID('Product') IS NULL
CREATE TABLE Product (
    Id                IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code              varchar(30)    NOT NULL UNIQUE,
    ThaiName          nvarchar(200)  NULL,
    EngName           varchar(200)   NULL,
    PosName           nvarchar(100)  NULL,
    ProductType       char(1)        NULL,
    ProductDesc       nvarchar(500)  NULL,
    Remark            nvarchar(500)  NULL,
    Picture1          varchar(200)   NULL,
    PriceIE           char(1)        NULL,
    PrintFrac         CharFlag       NULL,
    UseSerial         CharFlag       NULL,
    LotControl        CharFlag       NULL,
    TaxCode           IdNo           NOT NULL REFERENCES Tax (Id),
    DefaultWh         IdNo           NULL,
    PriceByVolumn     CharFlag       NULL,
    Discount          varchar(50)    NULL,
    BuyingCode        varchar(20)    NULL,
    VolumnUnit        varchar(20)    NULL,
    ItemClassify      varchar(10)    NULL,
    Vendor            IdNo           NULL,
    Blocked           CharFlag       NULL,
    Negative          CharFlag       NULL,
    MasterCode        CharFlag       NULL,
    Size_W            decimal(20, 6) NULL,
    Size_L            decimal(20, 6) NULL,
    Size_H            decimal(20, 6) NULL,
    CartonsUnits      nvarchar(20)   NULL,
    Cartons           decimal(20, 6) NULL,
    NetWeight         decimal(20, 6) NULL,
    GrossWeight       decimal(20, 6) NULL,
    PerDiscountOver   decimal(20, 6) NULL,
    CostMoving        decimal(20, 6) NULL,
    CheckSerialPurc   CharFlag,
    CheckSerialSale   CharFlag,
    CheckSerialStock  CharFlag,
    CheckSerialOnhand CharFlag,
    ProductFree       CharFlag  -- สามารถขายราคา 0 ได้ หรือไม่ (ของแถม)
)
GO
-- Lookups list products by name: read in this index's order, their first rows come without
-- sorting every product first.
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductIndexThaiName')
CREATE INDEX ProductIndexThaiName ON Product (ThaiName)
GO

-- Units of a product. Fraction is the number of small units in one of this unit; the small
-- unit has Fraction 1. The flags say what a unit is used for.
IF OBJECT_ID('ProductUnits') IS NULL
CREATE TABLE ProductUnits (
    Id             IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Product        IdNo           NOT NULL REFERENCES Product (Id),
    UnitName       nvarchar(50)   NOT NULL,
    Fraction       decimal(20, 6) NOT NULL,
    VolumnFraction decimal(20, 6) NULL,
    BarCode        varchar(50)    NULL,
    PurcPrice      decimal(20, 6) NULL,
    PurcPriceBaht  decimal(20, 6) NULL,
    PurcPriceKip   decimal(20, 6) NULL,
    PurcPriceUsd   decimal(20, 6) NULL,
    LabourCost     decimal(20, 6) NULL,
    SaleFlag       CharFlag       NULL,
    PurcFlag       CharFlag       NULL,
    StockUnitFlag  CharFlag       NULL,
    SmallUnitFlag  CharFlag       NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductUnitsIndexProduct')
CREATE INDEX ProductUnitsIndexProduct ON ProductUnits (Product, UnitName)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductUnitsIndexBarCode')
CREATE INDEX ProductUnitsIndexBarCode ON ProductUnits (BarCode)
GO
-- The unit of a product's smallest fraction, which the barcode search lists twice per row, is
-- read from this index alone: the least fraction at its start, the unit's name beside it.
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductUnitsIndexFraction')
CREATE INDEX ProductUnitsIndexFraction ON ProductUnits (Product, Fraction, UnitName)
GO

-- Standard prices per unit and price type (a Misc row of group 'PRICETYPE' by number).
IF OBJECT_ID('ProductPrice') IS NULL
CREATE TABLE ProductPrice (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Product      IdNo           NOT NULL REFERENCES Product (Id),
    ProductUnits IdNo           NOT NULL REFERENCES ProductUnits (Id),
    PriceType    int            NOT NULL,
    Price        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductPriceIndexUnit')
CREATE UNIQUE INDEX ProductPriceIndexUnit ON ProductPrice (Product, ProductUnits, PriceType)
GO
-- A unit's price of one type, as a barcode's row shows it.
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductPriceIndexUnitType')
CREATE INDEX ProductPriceIndexUnitType ON ProductPrice (ProductUnits, PriceType)
GO

IF OBJECT_ID('customerproductprice') IS NULL
CREATE TABLE customerproductprice (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Customer     IdNo           NOT NULL,
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Price        decimal(20, 6) NULL,
    Quantity     int            NULL,
    Discount     varchar(50)    NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'CustomerProductPriceIndex')
CREATE INDEX CustomerProductPriceIndex ON customerproductprice (Customer, Product, ProductUnits)
GO

-- Promotion prices from StartDate to StopDate; Customer 0 applies to every customer.
IF OBJECT_ID('promotion_dt') IS NULL
CREATE TABLE promotion_dt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    PriceType    int            NOT NULL,
    Customer     IdNo           NOT NULL,
    StartDate    datetime       NOT NULL,
    StopDate     datetime       NOT NULL,
    Price        decimal(20, 6) NULL,
    DiscPercent  varchar(50)    NULL,
    Remark       nvarchar(100)  NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PromotionDtIndex')
CREATE INDEX PromotionDtIndex ON promotion_dt (Product, ProductUnits, PriceType, Customer)
GO

IF OBJECT_ID('projecthd') IS NULL
CREATE TABLE projecthd (
    Id          IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code        varchar(20)   NOT NULL UNIQUE,
    Description nvarchar(100) NULL,
    Customer    IdNo          NULL
)
GO

IF OBJECT_ID('projectitemhd') IS NULL
CREATE TABLE projectitemhd (
    Id          IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Project     IdNo          NOT NULL REFERENCES projecthd (Id),
    Code        varchar(20)   NOT NULL,
    Description nvarchar(100) NULL
)
GO

IF OBJECT_ID('CustomerProductPriceProject') IS NULL
CREATE TABLE CustomerProductPriceProject (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Project      IdNo           NOT NULL,
    Customer     IdNo           NOT NULL,
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Price        decimal(20, 6) NULL,
    Discount     varchar(50)    NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'CustomerProductPriceProjectIndex')
CREATE INDEX CustomerProductPriceProjectIndex
    ON CustomerProductPriceProject (Product, ProductUnits, Customer, Project)
GO

-- A vendor's part record for one of our product units, with its prices per currency.
IF OBJECT_ID('PartSource') IS NULL
CREATE TABLE PartSource (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Vendor       IdNo           NOT NULL REFERENCES Vendor (Id),
    Product      IdNo           NOT NULL REFERENCES Product (Id),
    ProductUnits IdNo           NOT NULL REFERENCES ProductUnits (Id),
    PurchaseCode varchar(50)    NULL,
    PurchaseName nvarchar(200)  NULL,
    DiscountStr  varchar(50)    NULL,
    LastPrice    decimal(20, 6) NULL,
    LastDocCode  varchar(20)    NULL,
    LastDocNo    varchar(30)    NULL,
    LastDate     datetime       NULL,
    Price        decimal(20, 6) NULL,
    PriceBaht    decimal(20, 6) NULL,
    PriceKip     decimal(20, 6) NULL,
    PriceUsd     decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PartSourceIndexUnit')
CREATE INDEX PartSourceIndexUnit ON PartSource (ProductUnits, Vendor)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PartSourceIndexCode')
CREATE INDEX PartSourceIndexCode ON PartSource (Vendor, PurchaseCode)
GO

IF OBJECT_ID('ProductVendorOther') IS NULL
CREATE TABLE ProductVendorOther (
    Id      IdNo IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Product IdNo NOT NULL,
    Vendor  IdNo NOT NULL
)
GO

IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductVendorOtherIndexVendor')
CREATE INDEX ProductVendorOtherIndexVendor ON ProductVendorOther (Vendor, Product)
GO

IF OBJECT_ID('ProductComponentHd') IS NULL
CREATE TABLE ProductComponentHd (
    Id           IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    ProductUnits IdNo          NOT NULL REFERENCES ProductUnits (Id),
    Description  nvarchar(100) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductComponentHdIndexUnit')
CREATE INDEX ProductComponentHdIndexUnit ON ProductComponentHd (ProductUnits)
GO
IF OBJECT_ID('ProductComponentDt') IS NULL
CREATE TABLE ProductComponentDt (
    Id                 IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    ProductComponentHd IdNo           NOT NULL REFERENCES ProductComponentHd (Id),
    Product            IdNo           NOT NULL,
    ProductUnits       IdNo           NOT NULL,
    Quantity           decimal(20, 6) NOT NULL
)
GO

-- Attribute groups, their codes, and a product's codes. ProductAttribute.GroupCode is the
-- group's code followed by the attribute's code, so a range of codes is a range of texts.
IF OBJECT_ID('ProdAttrGroup') IS NULL
CREATE TABLE ProdAttrGroup (
    Id          IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code        varchar(10)   NOT NULL,
    Description nvarchar(100) NULL,
    ProductType char(1)       NULL
)
GO
IF OBJECT_ID('ProdAttrCode') IS NULL
CREATE TABLE ProdAttrCode (
    Id            IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    ProdAttrGroup IdNo          NOT NULL REFERENCES ProdAttrGroup (Id),
    Code          varchar(10)   NOT NULL,
    Description   nvarchar(100) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProdAttrCodeIndexGroup')
CREATE INDEX ProdAttrCodeIndexGroup ON ProdAttrCode (ProdAttrGroup, Code)
GO
IF OBJECT_ID('ProductAttribute') IS NULL
CREATE TABLE ProductAttribute (
    Id           IdNo        IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Product      IdNo        NOT NULL REFERENCES Product (Id),
    ProdAttrCode IdNo        NOT NULL REFERENCES ProdAttrCode (Id),
    GroupCode    varchar(30) NOT NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductAttributeIndexGroupCode')
CREATE INDEX ProductAttributeIndexGroupCode ON ProductAttribute (GroupCode, Product)
GO

-- Lots. HasExpired 'N' means the lot never expires; otherwise it is valid up to ExpiredDate.
IF OBJECT_ID('LotNo') IS NULL
CREATE TABLE LotNo (
    Id          IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code        varchar(30)   NOT NULL UNIQUE,
    Description nvarchar(100) NULL,
    Product     IdNo          NULL,
    HasExpired  CharFlag      NULL,
    ExpiredDate datetime      NULL
)
GO

-- Serial numbers; OnHand 'Y' while the piece is in stock.
IF OBJECT_ID('SerialNo') IS NULL
CREATE TABLE SerialNo (
    Id      IdNo        IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Product IdNo        NOT NULL REFERENCES Product (Id),
    Serial  varchar(50) NOT NULL,
    OnHand  CharFlag    NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'SerialNoIndexSerial')
CREATE UNIQUE INDEX SerialNoIndexSerial ON SerialNo (Product, Serial)
GO

-- Numbering of document codes per year: the next number is LastNo + 1, written as Prefix
-- followed by the number padded with zeros to DocumentLength characters in all.
IF OBJECT_ID('DocumentNo') IS NULL
CREATE TABLE DocumentNo (
    Id             IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code           varchar(20)   NOT NULL,
    DocYear        int           NOT NULL,
    Description    nvarchar(100) NULL,
    Prefix         varchar(10)   NULL,
    LastNo         int           NOT NULL DEFAULT 0,
    DocumentLength int           NULL,
    AutoRun        CharFlag      NULL,
    DocType        varchar(10)   NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'DocumentNoIndexCode')
CREATE UNIQUE INDEX DocumentNoIndexCode ON DocumentNo (Code, DocYear)
GO

-- A converted document code and year mapped onto the numbering it uses.
IF OBJECT_ID('DocNoConvert') IS NULL
CREATE TABLE DocNoConvert (
    Id         IdNo        IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code       varchar(20) NOT NULL,
    DocYear    int         NOT NULL,
    DocumentNo IdNo        NOT NULL REFERENCES DocumentNo (Id)
)
GO

-- Registry of the highest version seen per program of the suite.
IF OBJECT_ID('CheckVersionProgramEXE') IS NULL
CREATE TABLE CheckVersionProgramEXE (
    Id         IdNo        IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    ProgramEXE varchar(30) NOT NULL,
    Version    IdNo        NOT NULL,
    LastUpdate datetime    NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'CheckVersionProgramIndexProgramEXE')
CREATE UNIQUE INDEX CheckVersionProgramIndexProgramEXE ON CheckVersionProgramEXE (ProgramEXE)
GO

-- Activity log: who did what, where, when (the server's clock).
IF OBJECT_ID('UserLog') IS NULL
CREATE TABLE UserLog (
    Id             IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    UserId         int            NULL,
    MenuId         int            NULL,
    FunctionListId int            NULL,
    DocumentId     int            NULL,
    Remark         nvarchar(500)  NULL,
    TableName      varchar(100)   NULL,
    FieldName      varchar(100)   NULL,
    Detail         nvarchar(4000) NULL,
    TabName        varchar(100)   NULL,
    LogDate        datetime       NOT NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'UserLogIndexDate')
CREATE INDEX UserLogIndexDate ON UserLog (LogDate)
GO

-- Cancelled point-of-sale lines.
IF OBJECT_ID('CancelPosHeader') IS NULL
CREATE TABLE CancelPosHeader (
    Id           IdNo        IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    CancelType   varchar(10) NULL,
    CancelDate   datetime    NULL,
    PosShiftNo   int         NULL,
    Product      IdNo        NULL,
    ProductUnits IdNo        NULL,
    Quantity     float       NULL,
    Price        float       NULL,
    UserCode     varchar(20) NULL,
    UserApproved varchar(20) NULL
)
GO

-- General ledger entries posted from source documents.
IF OBJECT_ID('glhd') IS NULL
CREATE TABLE glhd (
    Id          IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    GlDate      datetime      NOT NULL,
    GlFromDocId int           NULL,
    GlFromDocNo varchar(30)   NULL,
    Description nvarchar(200) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'GlHdIndexFromDoc')
CREATE INDEX GlHdIndexFromDoc ON glhd (GlFromDocId)
GO
IF OBJECT_ID('gldt') IS NULL
CREATE TABLE gldt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    GlHd         IdNo           NOT NULL REFERENCES glhd (Id),
    AccountChart varchar(20)    NULL,
    Debit        decimal(20, 6) NULL,
    Credit       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'GlDtIndexGlHd')
CREATE INDEX GlDtIndexGlHd ON gldt (GlHd)
GO
