-- A small company for the product services: every row is here for a case of the tests, with
-- ids in insertion order.
INSERT INTO Misc (GroupCode, Code, Description, OrderNo)
VALUES ('CURRENCY', 'THB', N'บาท', 1), ('CURRENCY', 'USD', 'US dollar', 2),
       ('CURRENCY', 'LAK', N'กีบ', 3), ('CURRENCY', 'EUR', 'Euro', 4)
INSERT INTO Config (Id, BranchCode, SearchProductNo, DisplayFraction, CheckUserWarehouseFlag,
                    MainCurrencyId)
VALUES (1, '00', 1, 'Y', 'N', 1)
INSERT INTO Tax (Code, Rate) VALUES ('V7', 7)
-- 1 MAIN is user 7's warehouse, 2 BRANCH is not, 3 RMA holds goods sent for repair.
INSERT INTO Warehouse (Code, Name, IsLocation, FlagIn, FlagOut)
VALUES ('MAIN', N'คลังหลัก', 'N', 'Y', 'Y'), ('BRANCH', N'คลังสาขา', 'N', 'Y', 'N'),
       ('RMA', N'คลังส่งซ่อม', 'N', 'Y', 'Y')
INSERT INTO UserWarehouse (UserName, Warehouse, LastUpdate) VALUES (7, 1, GetDate())
GO
-- 1 soap: point-of-sale name, default warehouse BRANCH; 2 shampoo: Blocked NULL; 3 blocked;
-- 4 master product; 5 serials registered when typed; 6 serials checked against stock;
-- 7 no stock unit; 8 one unit of fraction 1.
INSERT INTO Product (Code, ThaiName, PosName, TaxCode, DefaultWh, Blocked, MasterCode, UseSerial,
                     CheckSerialOnhand)
VALUES ('P001', N'สบู่', N'  สบู่หอม  ', 1, 2, 'N', 'N', 'N', NULL),
       ('P002', N'แชมพู', NULL, 1, 1, NULL, NULL, 'N', NULL),
       ('P003', N'ยาสีฟัน', NULL, 1, 1, 'Y', 'N', 'N', NULL),
       ('P004', N'ชุดของขวัญ', NULL, 1, 1, 'N', 'Y', 'N', NULL),
       ('P005', N'หม้อหุงข้าว', NULL, 1, 1, 'N', 'N', 'Y', 'N'),
       ('P006', N'พัดลม', NULL, 1, 1, 'N', 'N', 'Y', 'Y'),
       ('P007', N'เชือก', NULL, 1, 1, 'N', 'N', 'N', NULL),
       ('P008', N'กระทะ', NULL, 1, 1, 'N', 'N', 'N', NULL)
GO
-- Units 1-3 of the soap: piece (small), box of 12 (stock), carton of 144 (purchase only).
INSERT INTO ProductUnits (Product, UnitName, Fraction, BarCode, PurcPrice, PurcPriceBaht,
                          PurcPriceKip, PurcPriceUsd, SaleFlag, PurcFlag, StockUnitFlag,
                          SmallUnitFlag)
VALUES (1, N'ชิ้น', 1, '8850000000011', 10, 10, 3000, 0.3, 'Y', 'N', 'N', 'Y'),
       (1, N'โหล', 12, '8850000000012', 110, 110, 33000, 3.2, 'Y', 'Y', 'Y', 'N'),
       (1, N'ลัง', 144, NULL, 1200, 1200, 360000, NULL, 'N', 'Y', 'N', 'N'),
       (2, N'ขวด', 1, '8850000000021', 50, 50, 15000, 1.5, 'Y', 'Y', 'Y', 'Y'),
       (3, N'หลอด', 1, '8850000000031', 20, 20, 6000, 0.6, 'Y', 'Y', 'Y', 'Y'),
       (4, N'ชุด', 1, '8850000000041', 400, 400, 120000, 12, 'Y', 'Y', 'Y', 'Y'),
       (5, N'เครื่อง', 1, '8850000000051', 800, 800, 240000, 24, 'Y', 'Y', 'Y', 'Y'),
       (6, N'เครื่อง', 1, '8850000000061', 900, 900, 270000, 27, 'Y', 'Y', 'Y', 'Y'),
       (7, N'เมตร', 1, NULL, 5, 5, 1500, 0.15, 'Y', 'Y', 'N', 'Y'),
       (8, N'ใบ', 1, '8850000000081', 300, 300, 90000, 9, 'Y', 'Y', 'Y', 'Y')
GO
INSERT INTO ProdAttrGroup (Code, Description, ProductType) VALUES ('BR', N'ยี่ห้อ', 'P'),
                                                                   ('CT', N'หมวด', 'P')
INSERT INTO ProdAttrCode (ProdAttrGroup, Code, Description) VALUES (1, '01', N'นกแก้ว'),
                                                                   (2, '01', N'ของใช้')
INSERT INTO projecthd (Code, Description) VALUES ('PJ01', N'โครงการหนึ่ง'), ('PJ02', N'โครงการสอง')
INSERT INTO projectitemhd (Project, Code, Description) VALUES (1, 'I01', N'งวดแรก')
GO
-- Lots: 1 never expires, 2 expires at noon on 30 June 2024, 3 the same with HasExpired NULL,
-- 4 may expire but has no date.
INSERT INTO LotNo (Code, Product, HasExpired, ExpiredDate)
VALUES ('L-NEVER', 1, 'N', '20000101'), ('L-NOON', 1, 'Y', '20240630 12:00:00'),
       ('L-NULL', 1, NULL, '20240630 12:00:00'), ('L-NODATE', 1, 'Y', NULL)
INSERT INTO LotOnHand (Product, LotNo, Warehouse, BalanceYear, Quantity)
VALUES (1, 2, 1, 2022, 5), (1, 2, 1, 2023, 7), (1, 2, 1, 2024, 100), (1, 2, 2, 2023, 1000),
       (8, 2, 1, 2023, 40)
-- Serials of the fan (checked against stock): in stock, out of stock, unknown.
INSERT INTO SerialNo (Product, Serial, OnHand)
VALUES (6, 'FAN-1', 'Y'), (6, 'FAN-2', 'N'), (6, 'FAN-3', NULL)
GO
-- Vendors 1-4 buy and are priced in baht, dollars, kip and euros; vendor 5 is a Thai vendor
-- that orders in dollars.
INSERT INTO Vendor (Code, Name, VendorCurrency, PoCurrencyId)
VALUES ('V-THB', N'ผู้ขายไทย', 1, 1), ('V-USD', 'US vendor', 2, 2), ('V-LAK', N'ผู้ขายลาว', 3, 3),
       ('V-EUR', 'Euro vendor', 4, 4), ('V-MIX', N'ผู้ขายสั่งเป็นดอลลาร์', 1, 2)
-- Part records of the soap's box (unit 2), prices in every currency; vendor 1 also sells the
-- piece (unit 1) at no price at all.
INSERT INTO PartSource (Vendor, Product, ProductUnits, PurchaseCode, PurchaseName, Price,
                        PriceBaht, PriceKip, PriceUsd)
VALUES (1, 1, 2, 'TH-12', N'สบู่โหล', 99, 105, 31500, 3.1),
       (2, 1, 2, 'US-12', 'Soap dozen', 99, 105, 31500, 3.1),
       (3, 1, 2, 'LA-12', N'สบู่โหล (ลาว)', 99, 105, 31500, 3.1),
       (4, 1, 2, 'EU-12', 'Soap dozen', 99, 105, 31500, 3.1),
       (5, 1, 2, 'MX-12', N'สบู่โหล', 99, 105, 31500, 3.1),
       (1, 1, 1, 'TH-1', N'สบู่ชิ้น', 0, 0, 0, 0)
GO
-- Standard prices of the soap: the piece 12.5 (retail, type 1), the box 140 (retail) and 130
-- (wholesale, type 2).
INSERT INTO ProductPrice (Product, ProductUnits, PriceType, Price)
VALUES (1, 1, 1, 12.5), (1, 2, 1, 140), (1, 2, 2, 130)
-- Customers 1-3 have prices of their own: 1 a lower price for the piece, 2 a discount without
-- a price, 3 a price for the box without a discount; customer 4 has none.
INSERT INTO Customer (Code, Name) VALUES ('C001', N'ร้านหนึ่ง'), ('C002', N'ร้านสอง'),
                                         ('C003', N'ร้านสาม'), ('C004', N'ร้านสี่')
INSERT INTO customerproductprice (Customer, Product, ProductUnits, Price, Quantity, Discount)
VALUES (1, 1, 1, 11, 10, '5%'), (2, 1, 1, 0, 3, '3%'), (3, 1, 2, 120, 2, NULL)
GO
-- Stock of 2024: the soap 30 pieces in MAIN (as pieces and as boxes) and 5 in RMA, 7 in 2023;
-- the rope (no stock unit) 30 metres; the pan (one unit) 1234.5.
INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, Quantity)
VALUES (1, 1, 1, 2024, 18), (1, 2, 1, 2024, 12), (1, 1, 3, 2024, 5), (1, 1, 1, 2023, 7),
       (7, 9, 1, 2024, 30), (8, 10, 1, 2024, 1234.5)
GO
