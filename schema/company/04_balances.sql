-- Balances by year, written by the three recalculations (07_recalc.sql). Safe to run again.

-- Stock on hand at the end of BalanceYear, per product, unit of the documents, and warehouse.
-- Quantity counts small units (document quantity * the unit's Fraction), so the rows of all
-- units of a product add up to its stock.
IF OBJECT_ID('ProductOnHand') IS NULL
CREATE TABLE ProductOnHand (
    Id           IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Product      IdNo           NOT NULL,
    ProductUnits IdNo           NOT NULL,
    Warehouse    IdNo           NOT NULL,
    BalanceYear  int            NOT NULL,
    Quantity     decimal(20, 6) NOT NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductOnHandIndexYear')
CREATE UNIQUE INDEX ProductOnHandIndexYear
    ON ProductOnHand (BalanceYear, Product, ProductUnits, Warehouse)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'ProductOnHandIndexProduct')
CREATE INDEX ProductOnHandIndexProduct ON ProductOnHand (Product, BalanceYear, Warehouse)
GO

-- The net movement of a lot during BalanceYear (not a running balance): the quantity in a lot
-- at the end of a year is the sum over that year and all before it. Quantity counts small units.
IF OBJECT_ID('LotOnHand') IS NULL
CREATE TABLE LotOnHand (
    Id          IdNo           IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Product     IdNo           NOT NULL,
    LotNo       IdNo           NOT NULL,
    Warehouse   IdNo           NOT NULL,
    BalanceYear int            NOT NULL,
    Quantity    decimal(20, 6) NOT NULL
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'LotOnHandIndexYear')
CREATE UNIQUE INDEX LotOnHandIndexYear ON LotOnHand (BalanceYear, Product, LotNo, Warehouse)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'LotOnHandIndexLot')
CREATE INDEX LotOnHandIndexLot ON LotOnHand (Product, LotNo, Warehouse, BalanceYear)
GO

-- What a customer owes at the end of BalanceYear, per currency: Amount in that currency,
-- MainCurrencyAmount converted at the documents' rates.
IF OBJECT_ID('CustomerBalance') IS NULL
CREATE TABLE CustomerBalance (
    Id                 IdNo            IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Customer           IdNo            NOT NULL,
    BalanceYear        int             NOT NULL,
    Amount             decimal(20, 6)  NOT NULL,
    CurrencyId         IdNo            NULL,
    MainCurrencyAmount decimal(20, 10) NULL,
    CONSTRAINT CurrencyId_Refer_CustomerBalance FOREIGN KEY (CurrencyId) REFERENCES Misc (Id)
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'CustomerBalanceIndexYear')
CREATE UNIQUE INDEX CustomerBalanceIndexYear
    ON CustomerBalance (BalanceYear, Customer, CurrencyId)
GO

-- What the company owes a vendor at the end of BalanceYear, per currency.
IF OBJECT_ID('VendorBalance') IS NULL
CREATE TABLE VendorBalance (
    Id                 IdNo            IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Vendor             IdNo            NOT NULL,
    BalanceYear        int             NOT NULL,
    Amount             decimal(20, 6)  NOT NULL,
    CurrencyId         IdNo            NULL,
    MainCurrencyAmount decimal(20, 10) NULL,
    CONSTRAINT CurrencyId_Refer_VendorBalance FOREIGN KEY (CurrencyId) REFERENCES Misc (Id)
)
GO
IF NOT EXISTS (SELECT * FROM sysindexes WHERE name = 'VendorBalanceIndexYear')
CREATE UNIQUE INDEX VendorBalanceIndexYear ON VendorBalance (BalanceYear, Vendor, CurrencyId)
GO

-- One row per recalculation. A run updates its row first thing inside its transaction, so a
-- second run of the same recalculation waits until the first has committed or rolled back.
IF OBJECT_ID('CalcLock') IS NULL
CREATE TABLE CalcLock (
    Name    varchar(20) NOT NULL PRIMARY KEY,
    LastRun datetime    NULL
)
GO
IF NOT EXISTS (SELECT * FROM CalcLock WHERE Name = 'AP')
INSERT INTO CalcLock (Name, LastRun) VALUES ('AP', NULL)
GO
IF NOT EXISTS (SELECT * FROM CalcLock WHERE Name = 'AR')
INSERT INTO CalcLock (Name, LastRun) VALUES ('AR', NULL)
GO
IF NOT EXISTS (SELECT * FROM CalcLock WHERE Name = 'ONHAND')
INSERT INTO CalcLock (Name, LastRun) VALUES ('ONHAND', NULL)
GO
