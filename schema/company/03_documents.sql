-- Documents of a company database: headers (...Hd) and lines (...Dt). Every header has a
-- number, a date and CancelFlag ('Y': cancelled, counted by no balance); lines carry the product,
-- the unit, the warehouse, the lot, the quantity in that unit and the unit's Fraction (small units
-- per unit), so Quantity * Fraction is the quantity in small units. The tables are created at the
-- level the schema upgrade brings a company to. What each document does to the balances is
-- written beside Calculate_AP, Calculate_AR and Calculate_OnHand. Safe to run again.

-- Purchasing.

-- Purchase requisitions (no balance).
IF OBJECT_ID('PoRQHd') IS NULL
CREATE TABLE PoRQHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Vendor      IdNo           NOT NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PoRQHdIndexDocDate')
CREATE INDEX PoRQHdIndexDocDate ON PoRQHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PoRQHdIndexDocNo')
CREATE INDEX PoRQHdIndexDocNo ON PoRQHd (DocNo)
GO

-- Purchase orders (no balance).
IF OBJECT_ID('PoHd') IS NULL
CREATE TABLE PoHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Vendor      IdNo           NOT NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PoHdIndexDocDate')
CREATE INDEX PoHdIndexDocDate ON PoHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PoHdIndexDocNo')
CREATE INDEX PoHdIndexDocNo ON PoHd (DocNo)
GO

IF OBJECT_ID('PoDt') IS NULL
CREATE TABLE PoDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    PoHd         IdNo           NOT NULL REFERENCES PoHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PoDtIndexPoHd')
CREATE INDEX PoDtIndexPoHd ON PoDt (PoHd)
GO

-- Goods receipts: stock in.
IF OBJECT_ID('MrHd') IS NULL
CREATE TABLE MrHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Vendor      IdNo           NOT NULL,
    PoHd        IdNo           NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'MrHdIndexDocDate')
CREATE INDEX MrHdIndexDocDate ON MrHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'MrHdIndexDocNo')
CREATE INDEX MrHdIndexDocNo ON MrHd (DocNo)
GO

IF OBJECT_ID('MrDt') IS NULL
CREATE TABLE MrDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    MrHd         IdNo           NOT NULL REFERENCES MrHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL,
    PoDt         IdNo           NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'MrDtIndexMrHd')
CREATE INDEX MrDtIndexMrHd ON MrDt (MrHd)
GO

-- Purchases on credit: the vendor's balance rises by NetAmount.
IF OBJECT_ID('PcHd') IS NULL
CREATE TABLE PcHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Vendor      IdNo           NOT NULL,
    MrHd        IdNo           NULL,
    DueDate     datetime       NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PcHdIndexDocDate')
CREATE INDEX PcHdIndexDocDate ON PcHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PcHdIndexDocNo')
CREATE INDEX PcHdIndexDocNo ON PcHd (DocNo)
GO

IF OBJECT_ID('PcDt') IS NULL
CREATE TABLE PcDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    PcHd         IdNo           NOT NULL REFERENCES PcHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PcDtIndexPcHd')
CREATE INDEX PcDtIndexPcHd ON PcDt (PcHd)
GO

-- Purchase returns: stock out, the vendor's balance falls by NetAmount.
IF OBJECT_ID('PrHd') IS NULL
CREATE TABLE PrHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Vendor      IdNo           NOT NULL,
    PcHd        IdNo           NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PrHdIndexDocDate')
CREATE INDEX PrHdIndexDocDate ON PrHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PrHdIndexDocNo')
CREATE INDEX PrHdIndexDocNo ON PrHd (DocNo)
GO

IF OBJECT_ID('PrDt') IS NULL
CREATE TABLE PrDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    PrHd         IdNo           NOT NULL REFERENCES PrHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PrDtIndexPrHd')
CREATE INDEX PrDtIndexPrHd ON PrDt (PrHd)
GO

-- Vendor debit notes: the vendor's balance rises by NetAmount.
IF OBJECT_ID('VdnHd') IS NULL
CREATE TABLE VdnHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Vendor      IdNo           NOT NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'VdnHdIndexDocDate')
CREATE INDEX VdnHdIndexDocDate ON VdnHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'VdnHdIndexDocNo')
CREATE INDEX VdnHdIndexDocNo ON VdnHd (DocNo)
GO

-- Vendor credit notes: the vendor's balance falls by NetAmount.
IF OBJECT_ID('VcnHd') IS NULL
CREATE TABLE VcnHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Vendor      IdNo           NOT NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'VcnHdIndexDocDate')
CREATE INDEX VcnHdIndexDocDate ON VcnHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'VcnHdIndexDocNo')
CREATE INDEX VcnHdIndexDocNo ON VcnHd (DocNo)
GO

-- Payments to vendors: each line lowers the vendor's balance by its Amount, in its currency.
IF OBJECT_ID('PdHd') IS NULL
CREATE TABLE PdHd (
    Id             IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo          varchar(30)    NOT NULL,
    DocDate        datetime       NOT NULL,
    CancelFlag     CharFlag       NOT NULL DEFAULT 'N',
    Remark         nvarchar(200)  NULL,
    Vendor         IdNo           NOT NULL,
    TotalAmount    decimal(20, 6) NULL,
    CashAmount     decimal(20, 6) NULL,
    BankAmount     decimal(20, 6) NULL,
    CashCurrencyId IdNo           NULL,
    CashRate       decimal(20, 6) NULL,
    BankCurrencyId IdNo           NULL,
    BankRate       decimal(20, 6) NULL,
    CashScrap      decimal(20, 6) NULL,
    CashPart       decimal(20, 6) NULL,
    BankScrap      decimal(20, 6) NULL,
    BankPart       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PdHdIndexDocDate')
CREATE INDEX PdHdIndexDocDate ON PdHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PdHdIndexDocNo')
CREATE INDEX PdHdIndexDocNo ON PdHd (DocNo)
GO

IF OBJECT_ID('PdDt') IS NULL
CREATE TABLE PdDt (
    Id         IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    PdHd       IdNo           NOT NULL REFERENCES PdHd (Id),
    DocType    varchar(10)    NULL,
    DocId      int            NULL,
    DocNo      varchar(30)    NULL,
    Amount     decimal(20, 6) NOT NULL,
    CurrencyId IdNo           NULL,
    Rate       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PdDtIndexPdHd')
CREATE INDEX PdDtIndexPdHd ON PdDt (PdHd)
GO

-- Cheques paid with a payment.
IF OBJECT_ID('PaidChq') IS NULL
CREATE TABLE PaidChq (
    Id         IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    PdHd       IdNo           NOT NULL REFERENCES PdHd (Id),
    ChequeNo   varchar(30)    NULL,
    ChequeDate datetime       NULL,
    Bank       IdNo           NULL,
    Amount     decimal(20, 6) NULL,
    CurrencyId IdNo           NULL,
    Rate       decimal(20, 6) NULL
)
GO

-- Other payments (no balance).
IF OBJECT_ID('MiscPdHd') IS NULL
CREATE TABLE MiscPdHd (
    Id             IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo          varchar(30)    NOT NULL,
    DocDate        datetime       NOT NULL,
    CancelFlag     CharFlag       NOT NULL DEFAULT 'N',
    Remark         nvarchar(200)  NULL,
    Description    nvarchar(200)  NULL,
    TotalAmount    decimal(20, 6) NULL,
    CashAmount     decimal(20, 6) NULL,
    BankAmount     decimal(20, 6) NULL,
    CashCurrencyId IdNo           NULL,
    CashRate       decimal(20, 6) NULL,
    BankCurrencyId IdNo           NULL,
    BankRate       decimal(20, 6) NULL,
    CashScrap      decimal(20, 6) NULL,
    CashPart       decimal(20, 6) NULL,
    BankScrap      decimal(20, 6) NULL,
    BankPart       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'MiscPdHdIndexDocDate')
CREATE INDEX MiscPdHdIndexDocDate ON MiscPdHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'MiscPdHdIndexDocNo')
CREATE INDEX MiscPdHdIndexDocNo ON MiscPdHd (DocNo)
GO

IF OBJECT_ID('MiscPdDt') IS NULL
CREATE TABLE MiscPdDt (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    MiscPdHd    IdNo           NOT NULL REFERENCES MiscPdHd (Id),
    Description nvarchar(200)  NULL,
    Amount      decimal(20, 6) NULL,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL
)
GO

-- Advances paid to vendors (no balance).
IF OBJECT_ID('PrePaid') IS NULL
CREATE TABLE PrePaid (
    Id         IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo      varchar(30)    NOT NULL,
    DocDate    datetime       NOT NULL,
    CancelFlag CharFlag       NOT NULL DEFAULT 'N',
    Remark     nvarchar(200)  NULL,
    Vendor     IdNo           NOT NULL,
    Amount     decimal(20, 6) NULL,
    CurrencyId IdNo           NULL,
    Rate       decimal(20, 6) NULL,
    Scrap      decimal(20, 6) NULL,
    Part       decimal(20, 6) NULL
)
GO

-- Sales.

-- Quotations (no balance).
IF OBJECT_ID('QuoHd') IS NULL
CREATE TABLE QuoHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Customer    IdNo           NOT NULL,
    Salesman    IdNo           NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'QuoHdIndexDocDate')
CREATE INDEX QuoHdIndexDocDate ON QuoHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'QuoHdIndexDocNo')
CREATE INDEX QuoHdIndexDocNo ON QuoHd (DocNo)
GO

-- Sales orders (no balance). A line counts as backorder until Clear is 'Y'.
IF OBJECT_ID('SoHd') IS NULL
CREATE TABLE SoHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Customer    IdNo           NOT NULL,
    Salesman    IdNo           NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'SoHdIndexDocDate')
CREATE INDEX SoHdIndexDocDate ON SoHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'SoHdIndexDocNo')
CREATE INDEX SoHdIndexDocNo ON SoHd (DocNo)
GO

IF OBJECT_ID('SoDt') IS NULL
CREATE TABLE SoDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    SoHd         IdNo           NOT NULL REFERENCES SoHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL,
    Clear        CharFlag       NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'SoDtIndexSoHd')
CREATE INDEX SoDtIndexSoHd ON SoDt (SoHd)
GO

-- Invoices. IvType 'R': sale on credit, the customer's balance rises by NetAmount; 'C': cash
-- sale, no balance; 'B': delivery of goods invoiced earlier (no balance; its lines name the
-- invoice line in IvdtB). NotCutStock 'Y': invoiced, goods not delivered yet. Stock goes out for
-- the lines of an invoice that is not NotCutStock, except lines of type 'B' that name no invoice
-- line.
IF OBJECT_ID('IvHd') IS NULL
CREATE TABLE IvHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Customer    IdNo           NOT NULL,
    Salesman    IdNo           NULL,
    SoHd        IdNo           NULL,
    IvType      char(1)        NOT NULL DEFAULT 'R',
    NotCutStock CharFlag       NOT NULL DEFAULT 'N',
    DueDate     datetime       NULL,
    Driver      IdNo           NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'IvHdIndexDocDate')
CREATE INDEX IvHdIndexDocDate ON IvHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'IvHdIndexDocNo')
CREATE INDEX IvHdIndexDocNo ON IvHd (DocNo)
GO

IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'IvHdindexDriver')
CREATE INDEX IvHdindexDriver ON IvHd (Driver)
GO

IF OBJECT_ID('IvDt') IS NULL
CREATE TABLE IvDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    IvHd         IdNo           NOT NULL REFERENCES IvHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL,
    SoDt         IdNo           NULL,
    IvdtB        IdNo           NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'IvDtIndexIvHd')
CREATE INDEX IvDtIndexIvHd ON IvDt (IvHd)
GO

IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'IvDtIndexSoDt')
CREATE INDEX IvDtIndexSoDt ON IvDt (SoDt)
GO

-- Point-of-sale shifts (no balance).
IF OBJECT_ID('PosHd') IS NULL
CREATE TABLE PosHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Customer    IdNo           NOT NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PosHdIndexDocDate')
CREATE INDEX PosHdIndexDocDate ON PosHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PosHdIndexDocNo')
CREATE INDEX PosHdIndexDocNo ON PosHd (DocNo)
GO

-- Point-of-sale receipts (no balance).
IF OBJECT_ID('PosHeader') IS NULL
CREATE TABLE PosHeader (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Customer    IdNo           NOT NULL,
    SoHd        IdNo           NULL,
    PosShiftNo  int            NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PosHeaderIndexDocDate')
CREATE INDEX PosHeaderIndexDocDate ON PosHeader (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PosHeaderIndexDocNo')
CREATE INDEX PosHeaderIndexDocNo ON PosHeader (DocNo)
GO

-- Sales returns: stock in, the customer's balance falls by NetAmount.
IF OBJECT_ID('SrHd') IS NULL
CREATE TABLE SrHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Customer    IdNo           NOT NULL,
    IvHd        IdNo           NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'SrHdIndexDocDate')
CREATE INDEX SrHdIndexDocDate ON SrHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'SrHdIndexDocNo')
CREATE INDEX SrHdIndexDocNo ON SrHd (DocNo)
GO

IF OBJECT_ID('SrDt') IS NULL
CREATE TABLE SrDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    SrHd         IdNo           NOT NULL REFERENCES SrHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'SrDtIndexSrHd')
CREATE INDEX SrDtIndexSrHd ON SrDt (SrHd)
GO

-- Point-of-sale returns (no balance).
IF OBJECT_ID('PoSrHd') IS NULL
CREATE TABLE PoSrHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Customer    IdNo           NOT NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PoSrHdIndexDocDate')
CREATE INDEX PoSrHdIndexDocDate ON PoSrHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PoSrHdIndexDocNo')
CREATE INDEX PoSrHdIndexDocNo ON PoSrHd (DocNo)
GO

-- Customer debit notes: the customer's balance rises by NetAmount.
IF OBJECT_ID('CdnHd') IS NULL
CREATE TABLE CdnHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Customer    IdNo           NOT NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'CdnHdIndexDocDate')
CREATE INDEX CdnHdIndexDocDate ON CdnHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'CdnHdIndexDocNo')
CREATE INDEX CdnHdIndexDocNo ON CdnHd (DocNo)
GO

-- Customer credit notes: the customer's balance falls by NetAmount.
IF OBJECT_ID('CcnHd') IS NULL
CREATE TABLE CcnHd (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo       varchar(30)    NOT NULL,
    DocDate     datetime       NOT NULL,
    CancelFlag  CharFlag       NOT NULL DEFAULT 'N',
    Remark      nvarchar(200)  NULL,
    Customer    IdNo           NOT NULL,
    TotalAmount decimal(20, 6) NULL,
    VatAmount   decimal(20, 6) NULL,
    NetAmount   decimal(20, 6) NOT NULL DEFAULT 0,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL,
    Scrap       decimal(20, 6) NULL,
    Part        decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'CcnHdIndexDocDate')
CREATE INDEX CcnHdIndexDocDate ON CcnHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'CcnHdIndexDocNo')
CREATE INDEX CcnHdIndexDocNo ON CcnHd (DocNo)
GO

-- Receipts from customers: each line lowers the customer's balance by its Amount, in its currency.
IF OBJECT_ID('RcHd') IS NULL
CREATE TABLE RcHd (
    Id             IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo          varchar(30)    NOT NULL,
    DocDate        datetime       NOT NULL,
    CancelFlag     CharFlag       NOT NULL DEFAULT 'N',
    Remark         nvarchar(200)  NULL,
    Customer       IdNo           NOT NULL,
    TotalAmount    decimal(20, 6) NULL,
    CashAmount     decimal(20, 6) NULL,
    BankAmount     decimal(20, 6) NULL,
    CashCurrencyId IdNo           NULL,
    CashRate       decimal(20, 6) NULL,
    BankCurrencyId IdNo           NULL,
    BankRate       decimal(20, 6) NULL,
    CashScrap      decimal(20, 6) NULL,
    CashPart       decimal(20, 6) NULL,
    BankScrap      decimal(20, 6) NULL,
    BankPart       decimal(20, 6) NULL,
    PrettyCash     IdNo           NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'RcHdIndexDocDate')
CREATE INDEX RcHdIndexDocDate ON RcHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'RcHdIndexDocNo')
CREATE INDEX RcHdIndexDocNo ON RcHd (DocNo)
GO

IF OBJECT_ID('RcDt') IS NULL
CREATE TABLE RcDt (
    Id         IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    RcHd       IdNo           NOT NULL REFERENCES RcHd (Id),
    DocType    varchar(10)    NULL,
    DocId      int            NULL,
    DocNo      varchar(30)    NULL,
    Amount     decimal(20, 6) NOT NULL,
    CurrencyId IdNo           NULL,
    Rate       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'RcDtIndexRcHd')
CREATE INDEX RcDtIndexRcHd ON RcDt (RcHd)
GO

-- Cheques received with a receipt.
IF OBJECT_ID('RcptChq') IS NULL
CREATE TABLE RcptChq (
    Id         IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    RcHd       IdNo           NOT NULL REFERENCES RcHd (Id),
    ChequeNo   varchar(30)    NULL,
    ChequeDate datetime       NULL,
    Bank       IdNo           NULL,
    Amount     decimal(20, 6) NULL,
    CurrencyId IdNo           NULL,
    Rate       decimal(20, 6) NULL
)
GO

-- Other receipts (no balance).
IF OBJECT_ID('MiscRcHd') IS NULL
CREATE TABLE MiscRcHd (
    Id             IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo          varchar(30)    NOT NULL,
    DocDate        datetime       NOT NULL,
    CancelFlag     CharFlag       NOT NULL DEFAULT 'N',
    Remark         nvarchar(200)  NULL,
    Description    nvarchar(200)  NULL,
    TotalAmount    decimal(20, 6) NULL,
    CashAmount     decimal(20, 6) NULL,
    BankAmount     decimal(20, 6) NULL,
    CashCurrencyId IdNo           NULL,
    CashRate       decimal(20, 6) NULL,
    BankCurrencyId IdNo           NULL,
    BankRate       decimal(20, 6) NULL,
    CashScrap      decimal(20, 6) NULL,
    CashPart       decimal(20, 6) NULL,
    BankScrap      decimal(20, 6) NULL,
    BankPart       decimal(20, 6) NULL,
    PrettyCash     IdNo           NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'MiscRcHdIndexDocDate')
CREATE INDEX MiscRcHdIndexDocDate ON MiscRcHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'MiscRcHdIndexDocNo')
CREATE INDEX MiscRcHdIndexDocNo ON MiscRcHd (DocNo)
GO

IF OBJECT_ID('MiscRcDt') IS NULL
CREATE TABLE MiscRcDt (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    MiscRcHd    IdNo           NOT NULL REFERENCES MiscRcHd (Id),
    Description nvarchar(200)  NULL,
    Amount      decimal(20, 6) NULL,
    CurrencyId  IdNo           NULL,
    Rate        decimal(20, 6) NULL
)
GO

-- Advances received from customers (no balance).
IF OBJECT_ID('PreRcpt') IS NULL
CREATE TABLE PreRcpt (
    Id         IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo      varchar(30)    NOT NULL,
    DocDate    datetime       NOT NULL,
    CancelFlag CharFlag       NOT NULL DEFAULT 'N',
    Remark     nvarchar(200)  NULL,
    Customer   IdNo           NOT NULL,
    Amount     decimal(20, 6) NULL,
    CurrencyId IdNo           NULL,
    Rate       decimal(20, 6) NULL,
    Scrap      decimal(20, 6) NULL,
    Part       decimal(20, 6) NULL
)
GO

-- Refunds paid to customers (no balance).
IF OBJECT_ID('PaidCustomer') IS NULL
CREATE TABLE PaidCustomer (
    Id         IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo      varchar(30)    NOT NULL,
    DocDate    datetime       NOT NULL,
    CancelFlag CharFlag       NOT NULL DEFAULT 'N',
    Remark     nvarchar(200)  NULL,
    Customer   IdNo           NOT NULL,
    Amount     decimal(20, 6) NULL,
    CurrencyId IdNo           NULL,
    Rate       decimal(20, 6) NULL
)
GO

-- Stock.

-- Issue requests (no balance).
IF OBJECT_ID('PreIsHd') IS NULL
CREATE TABLE PreIsHd (
    Id             IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo          varchar(30)   NOT NULL,
    DocDate        datetime      NOT NULL,
    CancelFlag     CharFlag      NOT NULL DEFAULT 'N',
    Remark         nvarchar(200) NULL,
    Employee       IdNo          NULL,
    Transportation IdNo          NULL,
    Driver         IdNo          NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PreIsHdIndexDocDate')
CREATE INDEX PreIsHdIndexDocDate ON PreIsHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'PreIsHdIndexDocNo')
CREATE INDEX PreIsHdIndexDocNo ON PreIsHd (DocNo)
GO

-- Issues of goods for use: stock out.
IF OBJECT_ID('IsHd') IS NULL
CREATE TABLE IsHd (
    Id             IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo          varchar(30)   NOT NULL,
    DocDate        datetime      NOT NULL,
    CancelFlag     CharFlag      NOT NULL DEFAULT 'N',
    Remark         nvarchar(200) NULL,
    Employee       IdNo          NULL,
    Transportation IdNo          NULL,
    Driver         IdNo          NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'IsHdIndexDocDate')
CREATE INDEX IsHdIndexDocDate ON IsHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'IsHdIndexDocNo')
CREATE INDEX IsHdIndexDocNo ON IsHd (DocNo)
GO

IF OBJECT_ID('IsDt') IS NULL
CREATE TABLE IsDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    IsHd         IdNo           NOT NULL REFERENCES IsHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'IsDtIndexIsHd')
CREATE INDEX IsDtIndexIsHd ON IsDt (IsHd)
GO

-- Returns of issued goods: stock in.
IF OBJECT_ID('RiHd') IS NULL
CREATE TABLE RiHd (
    Id             IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo          varchar(30)   NOT NULL,
    DocDate        datetime      NOT NULL,
    CancelFlag     CharFlag      NOT NULL DEFAULT 'N',
    Remark         nvarchar(200) NULL,
    Employee       IdNo          NULL,
    Transportation IdNo          NULL,
    Driver         IdNo          NULL,
    IsHd           IdNo          NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'RiHdIndexDocDate')
CREATE INDEX RiHdIndexDocDate ON RiHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'RiHdIndexDocNo')
CREATE INDEX RiHdIndexDocNo ON RiHd (DocNo)
GO

IF OBJECT_ID('RiDt') IS NULL
CREATE TABLE RiDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    RiHd         IdNo           NOT NULL REFERENCES RiHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'RiDtIndexRiHd')
CREATE INDEX RiDtIndexRiHd ON RiDt (RiHd)
GO

-- Transfers between warehouses: each line moves its quantity from Warehouse to ToWarehouse.
IF OBJECT_ID('TrHd') IS NULL
CREATE TABLE TrHd (
    Id         IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo      varchar(30)   NOT NULL,
    DocDate    datetime      NOT NULL,
    CancelFlag CharFlag      NOT NULL DEFAULT 'N',
    Remark     nvarchar(200) NULL,
    Employee   IdNo          NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'TrHdIndexDocDate')
CREATE INDEX TrHdIndexDocDate ON TrHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'TrHdIndexDocNo')
CREATE INDEX TrHdIndexDocNo ON TrHd (DocNo)
GO

IF OBJECT_ID('TrDt') IS NULL
CREATE TABLE TrDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    TrHd         IdNo           NOT NULL REFERENCES TrHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL,
    ToWarehouse  IdNo           NOT NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'TrDtIndexTrHd')
CREATE INDEX TrDtIndexTrHd ON TrDt (TrHd)
GO

-- Stock adjustments: each line's Quantity, positive or negative, is added to the stock.
IF OBJECT_ID('AjHd') IS NULL
CREATE TABLE AjHd (
    Id         IdNo          IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocNo      varchar(30)   NOT NULL,
    DocDate    datetime      NOT NULL,
    CancelFlag CharFlag      NOT NULL DEFAULT 'N',
    Remark     nvarchar(200) NULL,
    Employee   IdNo          NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'AjHdIndexDocDate')
CREATE INDEX AjHdIndexDocDate ON AjHd (DocDate)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'AjHdIndexDocNo')
CREATE INDEX AjHdIndexDocNo ON AjHd (DocNo)
GO

IF OBJECT_ID('AjDt') IS NULL
CREATE TABLE AjDt (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    AjHd         IdNo           NOT NULL REFERENCES AjHd (Id),
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    LotNo        IdNo           NULL,
    Quantity     decimal(20, 6) NOT NULL,
    Fraction     decimal(20, 6) NOT NULL DEFAULT 1,
    Price        decimal(20, 6) NULL,
    Amount       decimal(20, 6) NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'AjDtIndexAjHd')
CREATE INDEX AjDtIndexAjHd ON AjDt (AjHd)
GO

