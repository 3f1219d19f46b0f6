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
