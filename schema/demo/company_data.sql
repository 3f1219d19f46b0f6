-- Demo company DEMO (บริษัท สยามเทรดดิ้ง จำกัด): Thai master data and six years of documents,
-- the current year (up to today) and the five before it, then the balances of those years.
-- Each block runs only while its table is empty, so a second run changes nothing.

-- Code lists.
IF NOT EXISTS (SELECT * FROM Misc)
INSERT INTO Misc (GroupCode, Code, Description, OrderNo)
VALUES ('CURRENCY', 'THB', N'บาท', 1),
       ('CURRENCY', 'USD', N'ดอลลาร์สหรัฐ', 2),
       ('CURRENCY', 'LAK', N'กีบลาว', 3),
       ('CITY', 'BKK', N'กรุงเทพมหานคร', 1),
       ('CITY', 'CNX', N'เชียงใหม่', 2),
       ('CITY', 'KKN', N'ขอนแก่น', 3),
       ('TRANSPORT', 'TRUCK', N'รถบรรทุก 6 ล้อ', 1),
       ('TRANSPORT', 'PICKUP', N'รถกระบะ', 2),
       ('PRICETYPE', '1', N'ราคาขายปลีก', 1),
       ('PRICETYPE', '2', N'ราคาขายส่ง', 2),
       ('WAREGROUP', 'MAIN', N'คลังสินค้าปกติ', 1),
       ('WAREGROUP', 'DUMMY', N'คลังสมมติ', 2)
GO

IF NOT EXISTS (SELECT * FROM Config)
INSERT INTO Config (Id, CompanyName, BranchCode, IvRefSO, MrRefPO, EditPricePO,
                    ShowProductPriceList, SearchProductNo, SearchProductMethod, ShowLastSearch,
                    DisplayFraction, CheckUserWarehouseFlag, CheckUserSubtypeFlag, MainCurrencyId)
SELECT 1, N'บริษัท สยามเทรดดิ้ง จำกัด', '00', 'N', 'Y', 'Y', 'N', 2, 1, 'Y', 'Y', 'Y', 'N', M.Id
FROM Misc M
WHERE M.GroupCode = 'CURRENCY' AND M.Code = 'THB'
GO

IF NOT EXISTS (SELECT * FROM Tax)
INSERT INTO Tax (Code, Description, Rate)
VALUES ('V7', N'ภาษีมูลค่าเพิ่ม 7%', 7),
       ('V0', N'ยกเว้นภาษีมูลค่าเพิ่ม', 0)
GO

IF NOT EXISTS (SELECT * FROM Salesman)
INSERT INTO Salesman (Code, Name)
VALUES ('S01', N'วิชัย ขายเก่ง'),
       ('S02', N'สุดา มั่นคง')
GO

-- The current year and the five before it.
IF NOT EXISTS (SELECT * FROM accountperiod)
INSERT INTO accountperiod (AccountYear, StartDate, EndDate, Closed)
SELECT Y.AccountYear,
       Convert(datetime, Convert(char(4), Y.AccountYear) + '0101', 112),
       Convert(datetime, Convert(char(4), Y.AccountYear) + '1231', 112),
       CASE WHEN Y.AccountYear < Year(GetDate()) THEN 'Y' ELSE 'N' END
FROM (SELECT Year(GetDate()) - 5 AS AccountYear UNION ALL SELECT Year(GetDate()) - 4
      UNION ALL SELECT Year(GetDate()) - 3 UNION ALL SELECT Year(GetDate()) - 2
      UNION ALL SELECT Year(GetDate()) - 1 UNION ALL SELECT Year(GetDate())) AS Y
GO

-- A rate per foreign currency at the start of every year.
IF NOT EXISTS (SELECT * FROM CurrencyEx)
INSERT INTO CurrencyEx (Currency, ExchangeDate, PurcRate, SaleRate, PurcScrap, PurcPart,
                        SaleScrap, SalePart)
SELECT M.Id, A.StartDate,
       CASE M.Code WHEN 'USD' THEN 33.5 + (A.AccountYear % 3) * 0.5 ELSE 0.0017 END,
       CASE M.Code WHEN 'USD' THEN 33.0 + (A.AccountYear % 3) * 0.5 ELSE 0.0016 END,
       0, 0, 0, 0
FROM Misc M CROSS JOIN accountperiod A
WHERE M.GroupCode = 'CURRENCY' AND M.Code IN ('USD', 'LAK')
GO

IF NOT EXISTS (SELECT * FROM Warehouse)
INSERT INTO Warehouse (Code, Name, IsLocation, FlagIn, FlagOut, Blocked, WareGroup)
SELECT X.Code, X.Name, X.IsLocation, 'Y', 'Y', X.Blocked, M.Id
FROM (SELECT 'WH01' AS Code, N'คลังสินค้าหลัก กรุงเทพ' AS Name, 'N' AS IsLocation,
             'N' AS Blocked, 'MAIN' AS WareGroup
      UNION ALL SELECT 'WH02', N'คลังสาขาเชียงใหม่', 'N', 'N', 'MAIN'
      UNION ALL SELECT 'RMA', N'คลังสินค้าส่งซ่อม', 'N', 'N', 'MAIN'
      UNION ALL SELECT 'A-01', N'ชั้นวาง A แถว 1', 'Y', 'N', 'MAIN'
      UNION ALL SELECT 'OLD', N'คลังเก่า (เลิกใช้)', 'N', 'Y', 'MAIN'
      UNION ALL SELECT 'DUM', N'คลังสมมติ', 'N', 'N', 'DUMMY') AS X
INNER JOIN Misc M ON M.GroupCode = 'WAREGROUP' AND M.Code = X.WareGroup
GO

-- SOMCHAI (user 1) may use both warehouses, JOHN (user 3) the main one.
IF NOT EXISTS (SELECT * FROM UserWarehouse)
INSERT INTO UserWarehouse (UserName, Warehouse, LastUpdate)
SELECT X.UserId, W.Id, GetDate()
FROM (SELECT 1 AS UserId, 'WH01' AS Code UNION ALL SELECT 1, 'WH02' UNION ALL SELECT 3, 'WH01') X
INNER JOIN Warehouse W ON W.Code = X.Code
GO

IF NOT EXISTS (SELECT * FROM Employee)
INSERT INTO Employee (Code, Name, Address1, PhoneNo)
VALUES ('E01', N'ประเสริฐ ขยันดี', N'99 ถนนพระราม 4 กรุงเทพมหานคร', '081-234-5678'),
       ('E02', N'สมศรี ใจเย็น', N'15 ถนนนิมมานเหมินท์ เชียงใหม่', '089-876-5432')
GO

IF NOT EXISTS (SELECT * FROM Vendor)
INSERT INTO Vendor (Code, Name, Address, TaxNo, VendorCurrency, PoCurrencyId, TradeTerm,
                    CreditDays, Blocked, VendorImport)
SELECT X.Code, X.Name, X.Address, X.TaxNo, C.Id, C.Id, X.TradeTerm, 30, 'N', X.VendorImport
FROM (SELECT 'V001' AS Code, N'บริษัท ไทยน้ำทิพย์ จำกัด' AS Name,
             N'214 ถนนวิภาวดีรังสิต กรุงเทพมหานคร' AS Address, '0105530001234' AS TaxNo,
             'THB' AS Currency, 'Credit' AS TradeTerm, 'N' AS VendorImport
      UNION ALL SELECT 'V002', N'บริษัท สหพัฒนพิบูล จำกัด', N'2156 ถนนนิวเพชรบุรี กรุงเทพมหานคร',
             '0105510005678', 'THB', 'Consignment', 'N'
      UNION ALL SELECT 'V003', N'บริษัท กาแฟลาว จำกัด', N'นครหลวงเวียงจันทน์ สปป.ลาว', NULL, 'LAK',
             'Credit', 'Y'
      UNION ALL SELECT 'V004', 'Global Home Appliances Inc.', 'Singapore', NULL, 'USD',
             'Credit', 'Y') AS X
INNER JOIN Misc C ON C.GroupCode = 'CURRENCY' AND C.Code = X.Currency
GO

IF NOT EXISTS (SELECT * FROM Customer)
INSERT INTO Customer (Code, Name, Address, Province, TaxNo, Salesman, CreditLimit, CreditDays,
                      Blocked)
SELECT X.Code, X.Name, X.Address, P.Id, X.TaxNo, S.Id, X.CreditLimit, 30, 'N'
FROM (SELECT 'C001' AS Code, N'ร้านสมใจพานิช' AS Name, N'45 ตลาดบางกะปิ กรุงเทพมหานคร' AS Address,
             'BKK' AS City, NULL AS TaxNo, 'S01' AS Salesman, 200000 AS CreditLimit
      UNION ALL SELECT 'C002', N'ห้างหุ้นส่วนจำกัด เจริญทรัพย์', N'12 ถนนช้างคลาน เชียงใหม่', 'CNX',
             '0503550001111', 'S02', 500000
      UNION ALL SELECT 'C003', N'บริษัท บิ๊กมาร์ท จำกัด', N'88 ถนนมิตรภาพ ขอนแก่น', 'KKN',
             '0405560002222', 'S01', 1000000
      UNION ALL SELECT 'C004', N'ลูกค้าเงินสด', NULL, 'BKK', NULL, 'S02', 0
      UNION ALL SELECT 'C005', 'Vientiane Trading Co., Ltd.', 'Vientiane, Lao PDR', 'BKK', NULL,
             'S01', 300000) AS X
INNER JOIN Misc P ON P.GroupCode = 'CITY' AND P.Code = X.City
INNER JOIN Salesman S ON S.Code = X.Salesman
GO

-- Products. P011 is a master product and P012 is blocked: neither is found by code. P010's
-- Blocked was never set: it is found by code but not by barcode. P001 has a point-of-sale name;
-- P005 is kept in Chiang Mai, a warehouse that not every user may use.
IF NOT EXISTS (SELECT * FROM Product)
INSERT INTO Product (Code, ThaiName, EngName, PosName, ProductType, PriceIE, PrintFrac,
                     UseSerial, LotControl, TaxCode, DefaultWh, BuyingCode, ItemClassify, Vendor,
                     Blocked, Negative, MasterCode, NetWeight, GrossWeight, PerDiscountOver,
                     CostMoving, CheckSerialPurc, CheckSerialSale, CheckSerialStock,
                     CheckSerialOnhand, ProductFree)
SELECT X.Code, X.ThaiName, X.EngName, X.PosName, 'S', 'I', 'Y', X.UseSerial, X.LotControl, T.Id,
       W.Id, 'Active', 'FG', V.Id, X.Blocked, 'N', X.MasterCode, X.Weight, X.Weight, 0, X.Cost,
       X.UseSerial, X.UseSerial, X.UseSerial, 'N', 'N'
FROM (SELECT 'P001' AS Code, N'น้ำดื่มตราช้าง 600 มล.' AS ThaiName, 'Chang drinking water 600 ml' AS EngName,
             'N' AS UseSerial, 'N' AS LotControl, 'V001' AS Vendor, 'N' AS Blocked, 'N' AS MasterCode,
             0.6 AS Weight, 4.5 AS Cost,
             N'น้ำช้าง 600' AS PosName, 'WH01' AS Wh
      UNION ALL SELECT 'P002', N'บะหมี่กึ่งสำเร็จรูป รสต้มยำกุ้ง', 'Instant noodles tom yum', 'N', 'N', 'V002', 'N', 'N', 0.06, 5, NULL, 'WH01'
      UNION ALL SELECT 'P003', N'น้ำปลาแท้ตราปลาหมึก 700 มล.', 'Fish sauce 700 ml', 'N', 'N', 'V001', 'N', 'N', 0.9, 28, NULL, 'WH01'
      UNION ALL SELECT 'P004', N'ข้าวหอมมะลิ 5 กก.', 'Jasmine rice 5 kg', 'N', 'N', 'V001', 'N', 'N', 5, 190, NULL, 'WH01'
      UNION ALL SELECT 'P005', N'สบู่ก้อนสมุนไพร', 'Herbal soap', 'N', 'N', 'V002', 'N', 'N', 0.1, 12, NULL, 'WH02'
      UNION ALL SELECT 'P006', N'ยาสีฟันสูตรเกลือ 160 กรัม', 'Salt toothpaste 160 g', 'N', 'N', 'V002', 'N', 'N', 0.18, 35, NULL, 'WH01'
      UNION ALL SELECT 'P007', N'กาแฟคั่วบด 250 กรัม', 'Ground coffee 250 g', 'N', 'Y', 'V003', 'N', 'N', 0.25, 120, NULL, 'WH01'
      UNION ALL SELECT 'P008', N'นมถั่วเหลือง 300 มล.', 'Soy milk 300 ml', 'N', 'Y', 'V001', 'N', 'N', 0.32, 9, NULL, 'WH01'
      UNION ALL SELECT 'P009', N'หม้อหุงข้าวไฟฟ้า 1.8 ลิตร', 'Rice cooker 1.8 l', 'Y', 'N', 'V004', 'N', 'N', 3.2, 850, NULL, 'WH01'
      UNION ALL SELECT 'P010', N'ถุงมือยาง', 'Rubber gloves', 'N', 'N', 'V002', NULL, 'N', 0.01, 1.5, NULL, 'WH01'
      UNION ALL SELECT 'P011', N'ชุดของขวัญปีใหม่', 'New year gift set', 'N', 'N', 'V001', 'N', 'Y', 2, 450, NULL, 'WH01'
      UNION ALL SELECT 'P012', N'น้ำอัดลมสูตรเก่า (เลิกขาย)', 'Old soda', 'N', 'N', 'V001', 'Y', 'N', 0.4, 8, NULL, 'WH01') AS X
INNER JOIN Tax T ON T.Code = 'V7'
INNER JOIN Warehouse W ON W.Code = X.Wh
INNER JOIN Vendor V ON V.Code = X.Vendor
GO

-- Units: Fraction small units each; the stock unit is the one stock is counted in.
IF NOT EXISTS (SELECT * FROM ProductUnits)
INSERT INTO ProductUnits (Product, UnitName, Fraction, VolumnFraction, BarCode, PurcPrice,
                          PurcPriceBaht, PurcPriceKip, PurcPriceUsd, LabourCost, SaleFlag,
                          PurcFlag, StockUnitFlag, SmallUnitFlag)
SELECT P.Id, X.UnitName, X.Fraction, X.Fraction, X.BarCode, P.CostMoving * X.Fraction,
       P.CostMoving * X.Fraction, P.CostMoving * X.Fraction * 600, P.CostMoving * X.Fraction / 34,
       0, X.SaleFlag, X.PurcFlag, X.StockFlag, X.SmallFlag
FROM (SELECT 'P001' AS Code, N'ขวด' AS UnitName, 1 AS Fraction, '8850999000011' AS BarCode,
             'Y' AS SaleFlag, 'N' AS PurcFlag, 'N' AS StockFlag, 'Y' AS SmallFlag
      UNION ALL SELECT 'P001', N'แพ็ค', 6, '8850999000028', 'Y', 'N', 'N', 'N'
      UNION ALL SELECT 'P001', N'ลัง', 24, '8850999000035', 'Y', 'Y', 'Y', 'N'
      UNION ALL SELECT 'P002', N'ซอง', 1, '8850987000012', 'Y', 'N', 'N', 'Y'
      UNION ALL SELECT 'P002', N'กล่อง', 30, '8850987000029', 'Y', 'Y', 'Y', 'N'
      UNION ALL SELECT 'P003', N'ขวด', 1, '8850111000013', 'Y', 'N', 'N', 'Y'
      UNION ALL SELECT 'P003', N'ลัง', 12, '8850111000020', 'Y', 'Y', 'Y', 'N'
      UNION ALL SELECT 'P004', N'ถุง', 1, '8850222000014', 'Y', 'Y', 'Y', 'Y'
      UNION ALL SELECT 'P005', N'ก้อน', 1, '8850333000015', 'Y', 'N', 'N', 'Y'
      UNION ALL SELECT 'P005', N'กล่อง', 12, '8850333000022', 'Y', 'Y', 'Y', 'N'
      UNION ALL SELECT 'P006', N'หลอด', 1, '8850444000016', 'Y', 'N', 'N', 'Y'
      UNION ALL SELECT 'P006', N'โหล', 12, '8850444000023', 'Y', 'Y', 'Y', 'N'
      UNION ALL SELECT 'P007', N'ถุง', 1, '8850555000017', 'Y', 'N', 'N', 'Y'
      UNION ALL SELECT 'P007', N'กล่อง', 20, '8850555000024', 'Y', 'Y', 'Y', 'N'
      UNION ALL SELECT 'P008', N'กล่อง', 1, '8850666000018', 'Y', 'N', 'N', 'Y'
      UNION ALL SELECT 'P008', N'แพ็ค', 6, '8850666000025', 'Y', 'N', 'N', 'N'
      UNION ALL SELECT 'P008', N'ลัง', 36, '8850666000032', 'Y', 'Y', 'Y', 'N'
      UNION ALL SELECT 'P009', N'เครื่อง', 1, '8850777000019', 'Y', 'Y', 'Y', 'Y'
      UNION ALL SELECT 'P010', N'ชิ้น', 1, NULL, 'Y', 'N', 'N', 'Y'
      UNION ALL SELECT 'P010', N'กล่อง', 100, '8850888000027', 'Y', 'Y', 'Y', 'N'
      UNION ALL SELECT 'P011', N'ชุด', 1, '8850999100018', 'Y', 'N', 'Y', 'Y'
      UNION ALL SELECT 'P012', N'ขวด', 1, '8850999200015', 'Y', 'Y', 'Y', 'Y') AS X
INNER JOIN Product P ON P.Code = X.Code
GO

-- Retail (type 1) and wholesale (type 2) prices per unit, and the barcode price (type 19).
IF NOT EXISTS (SELECT * FROM ProductPrice)
INSERT INTO ProductPrice (Product, ProductUnits, PriceType, Price)
SELECT U.Product, U.Id, T.PriceType, Round(P.CostMoving * U.Fraction * T.Markup, 2)
FROM ProductUnits U
INNER JOIN Product P ON P.Id = U.Product
CROSS JOIN (SELECT 1 AS PriceType, 1.35 AS Markup UNION ALL SELECT 2, 1.2
            UNION ALL SELECT 19, 1.35) AS T
GO

IF NOT EXISTS (SELECT * FROM customerproductprice)
INSERT INTO customerproductprice (Customer, Product, ProductUnits, Price, Quantity, Discount)
SELECT C.Id, U.Product, U.Id, X.Price, X.Quantity, X.Discount
FROM (SELECT 'C003' AS Customer, 'P001' AS Product, N'ลัง' AS UnitName, 120 AS Price,
             10 AS Quantity, '5%' AS Discount
      UNION ALL SELECT 'C003', 'P004', N'ถุง', 230, 20, NULL
      UNION ALL SELECT 'C002', 'P002', N'กล่อง', 0, 1, '3%') AS X
INNER JOIN Customer C ON C.Code = X.Customer
INNER JOIN Product P ON P.Code = X.Product
INNER JOIN ProductUnits U ON U.Product = P.Id AND U.UnitName = X.UnitName
GO

-- A promotion for every customer over the current year, and one for C001 in its last quarter.
IF NOT EXISTS (SELECT * FROM promotion_dt)
INSERT INTO promotion_dt (Product, ProductUnits, PriceType, Customer, StartDate, StopDate, Price,
                          DiscPercent, Remark)
SELECT U.Product, U.Id, 1, Coalesce(C.Id, 0), DateAdd(day, X.FromDay, A.StartDate), A.EndDate, X.Price,
       X.DiscPercent, X.Remark
FROM (SELECT 'P002' AS Product, N'กล่อง' AS UnitName, NULL AS Customer, 0 AS FromDay,
             180 AS Price, NULL AS DiscPercent, N'ลดราคาต้อนรับปีใหม่' AS Remark
      UNION ALL SELECT 'P002', N'กล่อง', 'C001', 273, 170, '2%', N'ราคาพิเศษลูกค้าประจำ') AS X
INNER JOIN Product P ON P.Code = X.Product
INNER JOIN ProductUnits U ON U.Product = P.Id AND U.UnitName = X.UnitName
LEFT JOIN Customer C ON C.Code = X.Customer
INNER JOIN accountperiod A ON A.AccountYear = Year(GetDate())
GO

IF NOT EXISTS (SELECT * FROM projecthd)
INSERT INTO projecthd (Code, Description, Customer)
SELECT 'PJ01', N'โครงการจัดซื้อสาขาขอนแก่น', C.Id FROM Customer C WHERE C.Code = 'C003'
GO
IF NOT EXISTS (SELECT * FROM projectitemhd)
INSERT INTO projectitemhd (Project, Code, Description)
SELECT J.Id, X.Code, X.Description
FROM (SELECT 'I01' AS Code, N'สินค้าอุปโภค' AS Description
      UNION ALL SELECT 'I02', N'สินค้าบริโภค') AS X
CROSS JOIN projecthd J
WHERE J.Code = 'PJ01'
GO
IF NOT EXISTS (SELECT * FROM CustomerProductPriceProject)
INSERT INTO CustomerProductPriceProject (Project, Customer, Product, ProductUnits, Price, Discount)
SELECT J.Id, J.Customer, U.Product, U.Id, 115, NULL
FROM projecthd J
CROSS JOIN ProductUnits U
INNER JOIN Product P ON P.Id = U.Product
WHERE J.Code = 'PJ01' AND P.Code = 'P001' AND U.StockUnitFlag = 'Y'
GO

IF NOT EXISTS (SELECT * FROM PartSource)
INSERT INTO PartSource (Vendor, Product, ProductUnits, PurchaseCode, PurchaseName, DiscountStr,
                        LastPrice, Price, PriceBaht, PriceKip, PriceUsd)
SELECT V.Id, U.Product, U.Id, X.PurchaseCode, X.PurchaseName, NULL, X.Price, X.Price, X.Price,
       X.Price * 600, X.Price / 34
FROM (SELECT 'V001' AS Vendor, 'P001' AS Product, N'ลัง' AS UnitName, 'CW-600-24' AS PurchaseCode,
             N'น้ำดื่มช้าง 600 มล. ลัง 24 ขวด' AS PurchaseName, 105 AS Price
      UNION ALL SELECT 'V003', 'P007', N'กล่อง', 'LC-250', N'Lao coffee 250 g x 20', 2300
      UNION ALL SELECT 'V004', 'P009', N'เครื่อง', 'RC-18', 'Rice cooker 1.8 l', 0) AS X
INNER JOIN Vendor V ON V.Code = X.Vendor
INNER JOIN Product P ON P.Code = X.Product
INNER JOIN ProductUnits U ON U.Product = P.Id AND U.UnitName = X.UnitName
GO

IF NOT EXISTS (SELECT * FROM ProdAttrGroup)
INSERT INTO ProdAttrGroup (Code, Description, ProductType)
VALUES ('BR', N'ยี่ห้อ', 'P'),
       ('CT', N'หมวดสินค้า', 'P')
GO
IF NOT EXISTS (SELECT * FROM ProdAttrCode)
INSERT INTO ProdAttrCode (ProdAttrGroup, Code, Description)
SELECT G.Id, X.Code, X.Description
FROM (SELECT 'BR' AS GroupCode, '01' AS Code, N'ช้าง' AS Description
      UNION ALL SELECT 'BR', '02', N'มาม่า'
      UNION ALL SELECT 'BR', '03', N'ปลาหมึก'
      UNION ALL SELECT 'CT', '10', N'เครื่องดื่ม'
      UNION ALL SELECT 'CT', '20', N'อาหารแห้ง'
      UNION ALL SELECT 'CT', '30', N'ของใช้') AS X
INNER JOIN ProdAttrGroup G ON G.Code = X.GroupCode
GO
IF NOT EXISTS (SELECT * FROM ProductAttribute)
INSERT INTO ProductAttribute (Product, ProdAttrCode, GroupCode)
SELECT P.Id, C.Id, LTrim(RTrim(G.Code)) + LTrim(RTrim(C.Code))
FROM (SELECT 'P001' AS Product, 'BR' AS GroupCode, '01' AS Code
      UNION ALL SELECT 'P001', 'CT', '10'
      UNION ALL SELECT 'P002', 'BR', '02'
      UNION ALL SELECT 'P002', 'CT', '20'
      UNION ALL SELECT 'P003', 'BR', '03'
      UNION ALL SELECT 'P003', 'CT', '20'
      UNION ALL SELECT 'P005', 'CT', '30'
      UNION ALL SELECT 'P008', 'CT', '10') AS X
INNER JOIN Product P ON P.Code = X.Product
INNER JOIN ProdAttrGroup G ON G.Code = X.GroupCode
INNER JOIN ProdAttrCode C ON C.ProdAttrGroup = G.Id AND C.Code = X.Code
GO

-- One lot of coffee (never expires) and one of soy milk (expires at the end of the next year)
-- per year.
IF NOT EXISTS (SELECT * FROM LotNo)
INSERT INTO LotNo (Code, Description, Product, HasExpired, ExpiredDate)
SELECT P.Code + '-' + Convert(char(4), A.AccountYear),
       N'ล็อต ' + P.ThaiName + N' ปี ' + Convert(char(4), A.AccountYear), P.Id,
       CASE P.Code WHEN 'P007' THEN 'N' ELSE 'Y' END,
       DateAdd(year, 1, A.EndDate)
FROM Product P CROSS JOIN accountperiod A
WHERE P.LotControl = 'Y'
GO

IF NOT EXISTS (SELECT * FROM SerialNo)
INSERT INTO SerialNo (Product, Serial, OnHand)
SELECT P.Id, X.Serial, X.OnHand
FROM (SELECT 'RC18-000101' AS Serial, 'Y' AS OnHand UNION ALL SELECT 'RC18-000102', 'Y'
      UNION ALL SELECT 'RC18-000103', 'N') AS X
CROSS JOIN Product P
WHERE P.Code = 'P009'
GO

-- Documents. Four rounds a year (N.n = 1..4, three months apart), none dated after today.
-- Goods receipts: every stock product except the master, blocked and serial ones.
IF NOT EXISTS (SELECT * FROM MrHd)
BEGIN
    INSERT INTO MrHd (DocNo, DocDate, CancelFlag, Remark, Vendor, CurrencyId, Rate)
    SELECT 'MR' + Convert(char(4), A.AccountYear) + '-000' + Convert(char(1), N.n),
           DateAdd(day, 4, DateAdd(month, (N.n - 1) * 3, A.StartDate)), 'N', N'รับสินค้าเข้าคลัง',
           V.Id, V.VendorCurrency, 1
    FROM accountperiod A
    CROSS JOIN (SELECT 1 AS n UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4) AS N
    INNER JOIN Vendor V ON V.Code = CASE WHEN N.n % 2 = 1 THEN 'V001' ELSE 'V002' END
    WHERE DateAdd(day, 4, DateAdd(month, (N.n - 1) * 3, A.StartDate)) <= GetDate()

    INSERT INTO MrDt (MrHd, Product, ProductUnits, Warehouse, LotNo, Quantity, Fraction, Price,
                      Amount)
    SELECT H.Id, P.Id, U.Id, W.Id, L.Id, 20 + Year(H.DocDate) % 7 + Month(H.DocDate), U.Fraction,
           U.PurcPrice, (20 + Year(H.DocDate) % 7 + Month(H.DocDate)) * U.PurcPrice
    FROM MrHd H
    CROSS JOIN Product P
    INNER JOIN ProductUnits U ON U.Product = P.Id AND U.StockUnitFlag = 'Y'
    INNER JOIN Warehouse W ON W.Code = 'WH01'
    LEFT JOIN LotNo L ON L.Product = P.Id AND L.Code = P.Code + '-' + Convert(char(4), Year(H.DocDate))
    WHERE P.Code BETWEEN 'P001' AND 'P010' AND P.UseSerial = 'N'

    UPDATE MrHd
    SET TotalAmount = (SELECT Sum(D.Amount) FROM MrDt D WHERE D.MrHd = MrHd.Id),
        VatAmount = Round((SELECT Sum(D.Amount) FROM MrDt D WHERE D.MrHd = MrHd.Id) * 0.07, 2),
        NetAmount = Round((SELECT Sum(D.Amount) FROM MrDt D WHERE D.MrHd = MrHd.Id) * 1.07, 2)
END
GO

-- A purchase on credit for every receipt; once a year an imported purchase of rice cookers in
-- dollars (received and invoiced together).
IF NOT EXISTS (SELECT * FROM PcHd)
BEGIN
    INSERT INTO PcHd (DocNo, DocDate, CancelFlag, Remark, Vendor, MrHd, DueDate, TotalAmount,
                      VatAmount, NetAmount, CurrencyId, Rate)
    SELECT 'PC' + Substring(M.DocNo, 3, 10), M.DocDate, 'N', N'ซื้อเชื่อ', M.Vendor, M.Id,
           DateAdd(day, 30, M.DocDate), M.TotalAmount, M.VatAmount, M.NetAmount, M.CurrencyId, 1
    FROM MrHd M

    INSERT INTO PcHd (DocNo, DocDate, CancelFlag, Remark, Vendor, DueDate, TotalAmount, VatAmount,
                      NetAmount, CurrencyId, Rate)
    SELECT 'PC' + Convert(char(4), A.AccountYear) + '-0009', DateAdd(day, 20, A.StartDate), 'N',
           N'นำเข้าหม้อหุงข้าว', V.Id, DateAdd(day, 50, A.StartDate), 750, 0, 750, V.VendorCurrency,
           X.PurcRate
    FROM accountperiod A
    INNER JOIN Vendor V ON V.Code = 'V004'
    INNER JOIN CurrencyEx X ON X.Currency = V.VendorCurrency AND X.ExchangeDate = A.StartDate
    WHERE DateAdd(day, 20, A.StartDate) <= GetDate()

    INSERT INTO PcDt (PcHd, Product, ProductUnits, Warehouse, Quantity, Fraction, Price, Amount)
    SELECT H.Id, P.Id, U.Id, W.Id, 30, U.Fraction, 25, 750
    FROM PcHd H
    CROSS JOIN Product P
    INNER JOIN ProductUnits U ON U.Product = P.Id AND U.StockUnitFlag = 'Y'
    INNER JOIN Warehouse W ON W.Code = 'WH01'
    WHERE H.DocNo LIKE 'PC____-0009' AND P.Code = 'P009'

    INSERT INTO MrHd (DocNo, DocDate, CancelFlag, Remark, Vendor, CurrencyId, Rate, TotalAmount,
                      VatAmount, NetAmount)
    SELECT 'MR' + Substring(H.DocNo, 3, 10), H.DocDate, 'N', N'รับสินค้านำเข้า', H.Vendor,
           H.CurrencyId, H.Rate, H.TotalAmount, 0, H.NetAmount
    FROM PcHd H
    WHERE H.DocNo LIKE 'PC____-0009'

    INSERT INTO MrDt (MrHd, Product, ProductUnits, Warehouse, Quantity, Fraction, Price, Amount)
    SELECT M.Id, D.Product, D.ProductUnits, D.Warehouse, D.Quantity, D.Fraction, D.Price, D.Amount
    FROM MrHd M
    INNER JOIN PcHd H ON H.DocNo = 'PC' + Substring(M.DocNo, 3, 10)
    INNER JOIN PcDt D ON D.PcHd = H.Id
    WHERE M.DocNo LIKE 'MR____-0009'
END
GO

-- Invoices: every round a credit sale to C001..C003 in turn (type 'R'), a cash sale (type 'C'),
-- in the last round a sale invoiced but not delivered (NotCutStock 'Y') with its delivery
-- (type 'B') a week later, and in round 2 a cancelled invoice. C005 buys in dollars.
IF NOT EXISTS (SELECT * FROM IvHd)
BEGIN
    INSERT INTO IvHd (DocNo, DocDate, CancelFlag, Remark, Customer, Salesman, IvType, NotCutStock,
                      DueDate, CurrencyId, Rate)
    SELECT 'IV' + Convert(char(4), A.AccountYear) + '-' + K.Kind + Convert(char(1), N.n),
           DateAdd(day, K.Days, DateAdd(month, (N.n - 1) * 3, A.StartDate)), K.Cancel, K.Remark,
           C.Id, C.Salesman, K.IvType, K.NotCutStock,
           DateAdd(day, 30 + K.Days, DateAdd(month, (N.n - 1) * 3, A.StartDate)),
           CASE WHEN C.Code = 'C005' THEN X.Currency ELSE NULL END,
           CASE WHEN C.Code = 'C005' THEN X.SaleRate ELSE NULL END
    FROM accountperiod A
    CROSS JOIN (SELECT 1 AS n UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4) AS N
    CROSS JOIN (SELECT 'R' AS Kind, 20 AS Days, 'R' AS IvType, 'N' AS NotCutStock, 'N' AS Cancel,
                       N'ขายเชื่อ' AS Remark, 0 AS OnlyRound
                UNION ALL SELECT 'C', 25, 'C', 'N', 'N', N'ขายเงินสด', 0
                UNION ALL SELECT 'U', 40, 'R', 'N', 'N', N'ขายเชื่อต่างประเทศ', 3
                UNION ALL SELECT 'N', 50, 'R', 'Y', 'N', N'ขายเชื่อ ส่งของภายหลัง', 4
                UNION ALL SELECT 'B', 57, 'B', 'N', 'N', N'ส่งสินค้าตามใบกำกับ', 4
                UNION ALL SELECT 'X', 30, 'R', 'N', 'Y', N'ยกเลิก ออกผิด', 2) AS K
    INNER JOIN Customer C
        ON C.Code = CASE K.Kind WHEN 'C' THEN 'C004' WHEN 'U' THEN 'C005'
                    ELSE 'C00' + Convert(char(1), (N.n - 1) % 3 + 1) END
    INNER JOIN Misc M ON M.GroupCode = 'CURRENCY' AND M.Code = 'USD'
    INNER JOIN CurrencyEx X ON X.Currency = M.Id AND X.ExchangeDate = A.StartDate
    WHERE (K.OnlyRound = 0 OR K.OnlyRound = N.n)
      AND DateAdd(day, K.Days, DateAdd(month, (N.n - 1) * 3, A.StartDate)) <= GetDate()

    -- Lines of every invoice except deliveries: a few products, some in small units.
    INSERT INTO IvDt (IvHd, Product, ProductUnits, Warehouse, LotNo, Quantity, Fraction, Price,
                      Amount)
    SELECT H.Id, P.Id, U.Id, W.Id, L.Id, X.Quantity, U.Fraction,
           Round(R.Price / Coalesce(H.Rate, 1), 2),
           X.Quantity * Round(R.Price / Coalesce(H.Rate, 1), 2)
    FROM IvHd H
    CROSS JOIN (SELECT 'P001' AS Product, 1 AS Stock, 5 AS Quantity
                UNION ALL SELECT 'P001', 0, 10
                UNION ALL SELECT 'P002', 1, 4
                UNION ALL SELECT 'P004', 1, 12
                UNION ALL SELECT 'P007', 1, 2
                UNION ALL SELECT 'P008', 0, 30
                UNION ALL SELECT 'P009', 1, 3) AS X
    INNER JOIN Product P ON P.Code = X.Product
    INNER JOIN ProductUnits U
        ON U.Product = P.Id AND ((X.Stock = 1 AND U.StockUnitFlag = 'Y')
                              OR (X.Stock = 0 AND U.SmallUnitFlag = 'Y'))
    INNER JOIN ProductPrice R ON R.ProductUnits = U.Id AND R.PriceType = 1
    INNER JOIN Warehouse W ON W.Code = 'WH01'
    LEFT JOIN LotNo L ON L.Product = P.Id AND L.Code = P.Code + '-' + Convert(char(4), Year(H.DocDate))
    WHERE H.IvType <> 'B'

    -- A delivery carries the lines of the undelivered invoice of its year and names them.
    INSERT INTO IvDt (IvHd, Product, ProductUnits, Warehouse, LotNo, Quantity, Fraction, Price,
                      Amount, IvdtB)
    SELECT B.Id, D.Product, D.ProductUnits, D.Warehouse, D.LotNo, D.Quantity, D.Fraction, 0, 0, D.Id
    FROM IvHd B
    INNER JOIN IvHd N ON N.DocNo = Replace(B.DocNo, '-B', '-N')
    INNER JOIN IvDt D ON D.IvHd = N.Id
    WHERE B.IvType = 'B'

    UPDATE IvHd
    SET TotalAmount = Coalesce((SELECT Sum(D.Amount) FROM IvDt D WHERE D.IvHd = IvHd.Id), 0),
        VatAmount = Round(Coalesce((SELECT Sum(D.Amount) FROM IvDt D WHERE D.IvHd = IvHd.Id), 0)
                          * 0.07, 2),
        NetAmount = Round(Coalesce((SELECT Sum(D.Amount) FROM IvDt D WHERE D.IvHd = IvHd.Id), 0)
                          * 1.07, 2)
END
GO

-- Once a year in round 2: a sales return of part of the credit invoice, a customer debit note
-- and a credit note.
IF NOT EXISTS (SELECT * FROM SrHd)
BEGIN
    INSERT INTO SrHd (DocNo, DocDate, CancelFlag, Remark, Customer, IvHd, TotalAmount, VatAmount,
                      NetAmount)
    SELECT 'SR' + Substring(H.DocNo, 3, 4) + '-0001', DateAdd(day, 10, H.DocDate), 'N',
           N'ลูกค้าคืนสินค้าชำรุด', H.Customer, H.Id, 0, 0, 0
    FROM IvHd H
    WHERE H.DocNo LIKE 'IV____-R2' AND DateAdd(day, 10, H.DocDate) <= GetDate()

    INSERT INTO SrDt (SrHd, Product, ProductUnits, Warehouse, LotNo, Quantity, Fraction, Price,
                      Amount)
    SELECT S.Id, D.Product, D.ProductUnits, D.Warehouse, D.LotNo, 1, D.Fraction, D.Price, D.Price
    FROM SrHd S
    INNER JOIN IvDt D ON D.IvHd = S.IvHd
    INNER JOIN Product P ON P.Id = D.Product
    WHERE P.Code IN ('P002', 'P008')

    UPDATE SrHd
    SET TotalAmount = (SELECT Sum(D.Amount) FROM SrDt D WHERE D.SrHd = SrHd.Id),
        VatAmount = Round((SELECT Sum(D.Amount) FROM SrDt D WHERE D.SrHd = SrHd.Id) * 0.07, 2),
        NetAmount = Round((SELECT Sum(D.Amount) FROM SrDt D WHERE D.SrHd = SrHd.Id) * 1.07, 2)
END
GO

IF NOT EXISTS (SELECT * FROM CdnHd)
INSERT INTO CdnHd (DocNo, DocDate, CancelFlag, Remark, Customer, TotalAmount, VatAmount, NetAmount)
SELECT 'DN' + Substring(H.DocNo, 3, 4) + '-0001', DateAdd(day, 12, H.DocDate), 'N',
       N'ค่าขนส่งเพิ่มเติม', H.Customer, 500, 35, 535
FROM IvHd H
WHERE H.DocNo LIKE 'IV____-R2' AND DateAdd(day, 12, H.DocDate) <= GetDate()
GO

IF NOT EXISTS (SELECT * FROM CcnHd)
INSERT INTO CcnHd (DocNo, DocDate, CancelFlag, Remark, Customer, TotalAmount, VatAmount, NetAmount)
SELECT 'CN' + Substring(H.DocNo, 3, 4) + '-0001', DateAdd(day, 14, H.DocDate), 'N',
       N'ลดหนี้ส่วนลดการค้า', H.Customer, 200, 14, 214
FROM IvHd H
WHERE H.DocNo LIKE 'IV____-R2' AND DateAdd(day, 14, H.DocDate) <= GetDate()
GO

-- Receipts 75 days after each credit invoice, so the last round of a year is still owed at
-- its end.
IF NOT EXISTS (SELECT * FROM RcHd)
BEGIN
    INSERT INTO RcHd (DocNo, DocDate, CancelFlag, Remark, Customer, TotalAmount, CashAmount,
                      BankAmount)
    SELECT 'RC' + Substring(H.DocNo, 3, 10), DateAdd(day, 75, H.DocDate), 'N', N'รับชำระหนี้',
           H.Customer, 0, 0, 0
    FROM IvHd H
    WHERE H.IvType = 'R' AND H.CancelFlag = 'N' AND DateAdd(day, 75, H.DocDate) <= GetDate()

    INSERT INTO RcDt (RcHd, DocType, DocId, DocNo, Amount, CurrencyId, Rate)
    SELECT R.Id, 'IV', H.Id, H.DocNo, H.NetAmount, H.CurrencyId, H.Rate
    FROM RcHd R
    INNER JOIN IvHd H ON H.DocNo = 'IV' + Substring(R.DocNo, 3, 10)

    UPDATE RcHd
    SET TotalAmount = (SELECT Sum(D.Amount) FROM RcDt D WHERE D.RcHd = RcHd.Id),
        BankAmount = (SELECT Sum(D.Amount) FROM RcDt D WHERE D.RcHd = RcHd.Id)
END
GO

-- Once a year: a purchase return, a vendor debit note and a vendor credit note.
IF NOT EXISTS (SELECT * FROM PrHd)
BEGIN
    INSERT INTO PrHd (DocNo, DocDate, CancelFlag, Remark, Vendor, PcHd, TotalAmount, VatAmount,
                      NetAmount)
    SELECT 'PR' + Substring(H.DocNo, 3, 4) + '-0001', DateAdd(day, 7, H.DocDate), 'N',
           N'คืนสินค้าหมดอายุ', H.Vendor, H.Id, 0, 0, 0
    FROM PcHd H
    WHERE H.DocNo LIKE 'PC____-0001' AND DateAdd(day, 7, H.DocDate) <= GetDate()

    INSERT INTO PrDt (PrHd, Product, ProductUnits, Warehouse, LotNo, Quantity, Fraction, Price,
                      Amount)
    SELECT R.Id, D.Product, D.ProductUnits, D.Warehouse, D.LotNo, 2, D.Fraction, D.Price,
           2 * D.Price
    FROM PrHd R
    INNER JOIN PcHd H ON H.Id = R.PcHd
    INNER JOIN MrDt D ON D.MrHd = H.MrHd
    INNER JOIN Product P ON P.Id = D.Product
    WHERE P.Code IN ('P001', 'P008')

    UPDATE PrHd
    SET TotalAmount = (SELECT Sum(D.Amount) FROM PrDt D WHERE D.PrHd = PrHd.Id),
        VatAmount = Round((SELECT Sum(D.Amount) FROM PrDt D WHERE D.PrHd = PrHd.Id) * 0.07, 2),
        NetAmount = Round((SELECT Sum(D.Amount) FROM PrDt D WHERE D.PrHd = PrHd.Id) * 1.07, 2)
END
GO

IF NOT EXISTS (SELECT * FROM VdnHd)
INSERT INTO VdnHd (DocNo, DocDate, CancelFlag, Remark, Vendor, TotalAmount, VatAmount, NetAmount)
SELECT 'VD' + Substring(H.DocNo, 3, 4) + '-0001', DateAdd(day, 9, H.DocDate), 'N',
       N'ค่าขนส่งที่ผู้ขายเรียกเก็บ', H.Vendor, 800, 56, 856
FROM PcHd H
WHERE H.DocNo LIKE 'PC____-0002' AND DateAdd(day, 9, H.DocDate) <= GetDate()
GO

IF NOT EXISTS (SELECT * FROM VcnHd)
INSERT INTO VcnHd (DocNo, DocDate, CancelFlag, Remark, Vendor, TotalAmount, VatAmount, NetAmount)
SELECT 'VC' + Substring(H.DocNo, 3, 4) + '-0001', DateAdd(day, 11, H.DocDate), 'N',
       N'ส่วนลดตามเป้ายอดซื้อ', H.Vendor, 1000, 70, 1070
FROM PcHd H
WHERE H.DocNo LIKE 'PC____-0002' AND DateAdd(day, 11, H.DocDate) <= GetDate()
GO

-- Payments 100 days after each purchase, less its returns, so the last round of a year is still owed at its
-- end; the dollar purchase of the current year stays unpaid.
IF NOT EXISTS (SELECT * FROM PdHd)
BEGIN
    INSERT INTO PdHd (DocNo, DocDate, CancelFlag, Remark, Vendor, TotalAmount, CashAmount,
                      BankAmount)
    SELECT 'PD' + Substring(H.DocNo, 3, 10), DateAdd(day, 100, H.DocDate), 'N', N'จ่ายชำระหนี้',
           H.Vendor, 0, 0, 0
    FROM PcHd H
    WHERE DateAdd(day, 100, H.DocDate) <= GetDate()
      AND NOT (H.DocNo LIKE 'PC____-0009' AND Year(H.DocDate) = Year(GetDate()))

    INSERT INTO PdDt (PdHd, DocType, DocId, DocNo, Amount, CurrencyId, Rate)
    SELECT P.Id, 'PC', H.Id, H.DocNo,
           H.NetAmount - Coalesce((SELECT Sum(R.NetAmount) FROM PrHd R WHERE R.PcHd = H.Id), 0),
           H.CurrencyId, H.Rate
    FROM PdHd P
    INNER JOIN PcHd H ON H.DocNo = 'PC' + Substring(P.DocNo, 3, 10)

    UPDATE PdHd
    SET TotalAmount = (SELECT Sum(D.Amount) FROM PdDt D WHERE D.PdHd = PdHd.Id),
        BankAmount = (SELECT Sum(D.Amount) FROM PdDt D WHERE D.PdHd = PdHd.Id)
END
GO

-- Stock documents once a round: a transfer of noodles to Chiang Mai; once a year a rice cooker
-- sent for repair, an issue of gloves for the shop with a partial return, and a count adjustment
-- for broken bottles.
IF NOT EXISTS (SELECT * FROM TrHd)
BEGIN
    INSERT INTO TrHd (DocNo, DocDate, CancelFlag, Remark, Employee)
    SELECT 'TR' + Substring(M.DocNo, 3, 10), DateAdd(day, 2, M.DocDate), 'N',
           N'โอนสินค้าไปสาขาเชียงใหม่', E.Id
    FROM MrHd M
    INNER JOIN Employee E ON E.Code = 'E02'
    WHERE M.DocNo NOT LIKE 'MR____-0009' AND DateAdd(day, 2, M.DocDate) <= GetDate()

    INSERT INTO TrDt (TrHd, Product, ProductUnits, Warehouse, ToWarehouse, Quantity, Fraction)
    SELECT T.Id, P.Id, U.Id, F.Id, W.Id, 5, U.Fraction
    FROM TrHd T
    CROSS JOIN Product P
    INNER JOIN ProductUnits U ON U.Product = P.Id AND U.StockUnitFlag = 'Y'
    INNER JOIN Warehouse F ON F.Code = 'WH01'
    INNER JOIN Warehouse W ON W.Code = 'WH02'
    WHERE P.Code IN ('P002', 'P005')

    -- Once a year a rice cooker goes to the repair warehouse.
    INSERT INTO TrHd (DocNo, DocDate, CancelFlag, Remark, Employee)
    SELECT 'TR' + Convert(char(4), A.AccountYear) + '-0009', DateAdd(day, 45, A.StartDate), 'N',
           N'ส่งซ่อมหม้อหุงข้าว', E.Id
    FROM accountperiod A
    INNER JOIN Employee E ON E.Code = 'E01'
    WHERE DateAdd(day, 45, A.StartDate) <= GetDate()

    INSERT INTO TrDt (TrHd, Product, ProductUnits, Warehouse, ToWarehouse, Quantity, Fraction)
    SELECT T.Id, P.Id, U.Id, F.Id, W.Id, 1, U.Fraction
    FROM TrHd T
    CROSS JOIN Product P
    INNER JOIN ProductUnits U ON U.Product = P.Id AND U.StockUnitFlag = 'Y'
    INNER JOIN Warehouse F ON F.Code = 'WH01'
    INNER JOIN Warehouse W ON W.Code = 'RMA'
    WHERE T.DocNo LIKE 'TR____-0009' AND P.Code = 'P009'
END
GO

IF NOT EXISTS (SELECT * FROM IsHd)
BEGIN
    INSERT INTO IsHd (DocNo, DocDate, CancelFlag, Remark, Employee)
    SELECT 'IS' + Convert(char(4), A.AccountYear) + '-0001', DateAdd(day, 60, A.StartDate), 'N',
           N'เบิกใช้ในร้าน', E.Id
    FROM accountperiod A
    INNER JOIN Employee E ON E.Code = 'E01'
    WHERE DateAdd(day, 60, A.StartDate) <= GetDate()

    INSERT INTO IsDt (IsHd, Product, ProductUnits, Warehouse, Quantity, Fraction)
    SELECT H.Id, P.Id, U.Id, W.Id, 150, 1
    FROM IsHd H
    CROSS JOIN Product P
    INNER JOIN ProductUnits U ON U.Product = P.Id AND U.SmallUnitFlag = 'Y'
    INNER JOIN Warehouse W ON W.Code = 'WH01'
    WHERE P.Code = 'P010'
END
GO

IF NOT EXISTS (SELECT * FROM RiHd)
BEGIN
    INSERT INTO RiHd (DocNo, DocDate, CancelFlag, Remark, Employee, IsHd)
    SELECT 'RI' + Substring(H.DocNo, 3, 10), DateAdd(day, 5, H.DocDate), 'N', N'คืนของเบิกเกิน',
           H.Employee, H.Id
    FROM IsHd H
    WHERE DateAdd(day, 5, H.DocDate) <= GetDate()

    INSERT INTO RiDt (RiHd, Product, ProductUnits, Warehouse, Quantity, Fraction)
    SELECT R.Id, D.Product, D.ProductUnits, D.Warehouse, 40, D.Fraction
    FROM RiHd R
    INNER JOIN IsDt D ON D.IsHd = R.IsHd
END
GO

IF NOT EXISTS (SELECT * FROM AjHd)
BEGIN
    INSERT INTO AjHd (DocNo, DocDate, CancelFlag, Remark, Employee)
    SELECT 'AJ' + Convert(char(4), A.AccountYear) + '-0001', DateAdd(day, 100, A.StartDate), 'N',
           N'ปรับยอดจากการตรวจนับ', E.Id
    FROM accountperiod A
    INNER JOIN Employee E ON E.Code = 'E01'
    WHERE DateAdd(day, 100, A.StartDate) <= GetDate()

    INSERT INTO AjDt (AjHd, Product, ProductUnits, Warehouse, Quantity, Fraction)
    SELECT H.Id, P.Id, U.Id, W.Id, X.Quantity, 1
    FROM AjHd H
    CROSS JOIN (SELECT 'P001' AS Product, -7 AS Quantity UNION ALL SELECT 'P003', -2
                UNION ALL SELECT 'P005', 3) AS X
    INNER JOIN Product P ON P.Code = X.Product
    INNER JOIN ProductUnits U ON U.Product = P.Id AND U.SmallUnitFlag = 'Y'
    INNER JOIN Warehouse W ON W.Code = 'WH01'
END
GO

-- Numbering, continuing after the demo documents of each year.
IF NOT EXISTS (SELECT * FROM DocumentNo)
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType)
SELECT K.Code, A.AccountYear, K.Description, K.Code + Convert(char(4), A.AccountYear) + '-', 20,
       11, 'Y', K.Code
FROM accountperiod A
CROSS JOIN (SELECT 'MR' AS Code, N'ใบรับสินค้า' AS Description
            UNION ALL SELECT 'PC', N'ใบซื้อเชื่อ'
            UNION ALL SELECT 'PR', N'ใบคืนสินค้าผู้ขาย'
            UNION ALL SELECT 'PD', N'ใบจ่ายชำระหนี้'
            UNION ALL SELECT 'IV', N'ใบกำกับภาษี'
            UNION ALL SELECT 'SR', N'ใบรับคืนสินค้า'
            UNION ALL SELECT 'RC', N'ใบเสร็จรับเงิน'
            UNION ALL SELECT 'TR', N'ใบโอนสินค้า'
            UNION ALL SELECT 'IS', N'ใบเบิกสินค้า'
            UNION ALL SELECT 'AJ', N'ใบปรับปรุงสินค้า') AS K
GO

-- Balances of the six years, oldest first, each from the one before.
IF NOT EXISTS (SELECT * FROM ProductOnHand) AND NOT EXISTS (SELECT * FROM CustomerBalance)
   AND NOT EXISTS (SELECT * FROM VendorBalance)
BEGIN
    DECLARE @Year int, @Last int
    SELECT @Year = Min(AccountYear), @Last = Max(AccountYear) FROM accountperiod
    WHILE @Year <= @Last
    BEGIN
        EXEC Calculate_OnHand @Year
        EXEC Calculate_AR @Year
        EXEC Calculate_AP @Year
        SET @Year = @Year + 1
    END
END
GO
