-- A company database at the level before the suite's schema upgrade: every table the upgrade
-- scripts alter, without the columns, tables, constraints and index they add.
CREATE TYPE IdNo FROM int NULL
GO
CREATE TYPE CharFlag FROM char(1) NULL
GO
CREATE TABLE Misc (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, GroupCode varchar(20) NOT NULL,
                   Code varchar(20) NOT NULL, Description nvarchar(100) NULL, OrderNo int NULL)
GO
CREATE TABLE Config (Id int NOT NULL PRIMARY KEY, BranchCode varchar(10) NULL,
                     IvRefSO CharFlag NULL, MrRefPO CharFlag NULL, EditPricePO CharFlag NULL)
GO
CREATE TABLE CurrencyEx (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, Currency IdNo NOT NULL,
                         ExchangeDate datetime NOT NULL, PurcRate decimal(20,6) NULL,
                         SaleRate decimal(20,6) NULL)
GO
CREATE TABLE Product (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, Code varchar(20) NOT NULL,
                      UseSerial CharFlag NULL)
GO
CREATE TABLE SystemForm (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, FormName varchar(50) NULL)
GO
CREATE TABLE Employee (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, Code varchar(20) NULL)
GO
CREATE TABLE Vendor (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, Code varchar(20) NULL)
GO
CREATE TABLE Customer (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, Code varchar(20) NULL)
GO
CREATE TABLE VendorBalance (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, Vendor IdNo NOT NULL,
                            Amount decimal(20,6) NULL,
                            CONSTRAINT CurrencyId_Refer_VendorBalance
                                FOREIGN KEY (Vendor) REFERENCES Vendor (Id))
GO
CREATE TABLE CustomerBalance (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, Customer IdNo NOT NULL,
                              YearNo int NOT NULL, Amount decimal(20,6) NULL,
                              CONSTRAINT DuplicateCustomerBalance UNIQUE (Customer, YearNo))
GO
CREATE TABLE PoRQHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE Pohd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE Pchd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE Mrhd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE Prhd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE Vcnhd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE Vdnhd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE QuoHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE SoHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE IvHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE PosHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE PosHeader (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE SrHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE PoSrHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE CcnHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE CdnHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE IsHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE RiHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE PreIsHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE RcHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE MiscRcHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE PdHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE MiscPdHd (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE RcptChq (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, ChqNo varchar(20) NULL)
CREATE TABLE PaidChq (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, ChqNo varchar(20) NULL)
CREATE TABLE RcDt (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, RcHd IdNo NULL)
CREATE TABLE MiscRcDt (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, MiscRcHd IdNo NULL)
CREATE TABLE PdDt (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, PdHd IdNo NULL)
CREATE TABLE MiscPdDt (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, MiscPdHd IdNo NULL)
CREATE TABLE PrePaid (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE PreRcpt (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
CREATE TABLE PaidCustomer (Id IdNo IDENTITY(1,1) NOT NULL PRIMARY KEY, DocNo varchar(20) NULL)
GO
INSERT INTO Misc (GroupCode, Code, Description, OrderNo) VALUES ('CURRENCY', 'USD', N'ดอลลาร์', 2)
INSERT INTO Misc (GroupCode, Code, Description, OrderNo) VALUES ('CURRENCY', 'THB', N'บาท', 1)
INSERT INTO Config (Id, BranchCode, IvRefSO) VALUES (1, '00', 'Y')
INSERT INTO Product (Code, UseSerial) VALUES ('P-SERIAL', 'Y')
INSERT INTO Product (Code, UseSerial) VALUES ('P-PLAIN', 'N')
INSERT INTO Product (Code, UseSerial) VALUES ('P-NULL', NULL)
INSERT INTO Vendor (Code) VALUES ('V1')
INSERT INTO VendorBalance (Vendor, Amount) VALUES (1, 100)
GO
