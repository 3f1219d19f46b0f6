-- A small company for the lookup dialogs: every row is here for a case of the tests, with ids
-- in insertion order. Names with an apostrophe, brackets, a percent sign and a comment marker
-- show that typed text stays data.
INSERT INTO Misc (GroupCode, Code, Description, OrderNo)
VALUES ('WAREGROUP', 'DUMMY', N'คลังสมมุติ', 1), ('WAREGROUP', 'SHOP', N'ร้าน', 2)
INSERT INTO Config (Id, BranchCode, SearchProductNo, SearchProductMethod, ShowLastSearch,
                    CheckUserWarehouseFlag)
VALUES (1, '00', 1, 1, 'N', 'N')
INSERT INTO Tax (Code, Rate) VALUES ('V7', 7)
GO
-- 1 MAIN user 7's; 2 BRANCH blocked; 3 SHELF-A a storage location; 4 GHOST in the DUMMY group;
-- 5 OBRIEN named with an apostrophe; 6 a code with brackets; 7 a percent sign; 8 a comment marker.
INSERT INTO Warehouse (Code, Name, IsLocation, Blocked, WareGroup)
VALUES ('MAIN', N'คลังหลัก', 'N', 'N', 2), ('BRANCH', N'คลังสาขา', NULL, 'Y', 2),
       ('SHELF-A', N'ชั้นวาง เอ', 'Y', NULL, 2), ('GHOST', N'คลังผี', 'N', 'N', 1),
       ('OBRIEN', N'คลัง O''Brien', 'N', 'N', 2), ('[A]1', N'คลังวงเล็บ', 'N', 'N', 2),
       ('A1', N'คลังเอหนึ่ง', 'N', 'N', 2), ('SALE', N'ลด 50% ทั้งร้าน', 'N', 'N', 2),
       ('DASH', N'--x ขีด', 'N', 'N', NULL)
INSERT INTO UserWarehouse (UserName, Warehouse, LastUpdate) VALUES (7, 1, GetDate()),
                                                                   (7, 3, GetDate())
GO
-- Products 1 to 9 listed by the product search; 10 blocked, 11 Blocked NULL, 12 of type 'P'
-- from a consignment vendor.
INSERT INTO Product (Code, ThaiName, ProductType, TaxCode, Blocked, BuyingCode, ItemClassify,
                     Vendor)
VALUES ('P001', N'สบู่หอม', 'S', 1, 'N', 'Active', NULL, NULL),
       ('P002', N'แชมพูสมุนไพร', 'S', 1, 'N', 'Hold', NULL, 1),
       ('P003', N'สบู่เหลว', 'I', 1, 'N', NULL, 'PM', 2),
       ('OB01', N'ชา O''Brien', 'S', 1, 'N', NULL, NULL, NULL),
       ('BR01', N'[A] กาแฟ', 'S', 1, 'N', NULL, NULL, NULL),
       ('BR02', N'A กาแฟ', 'S', 1, 'N', NULL, NULL, NULL),
       ('PC01', N'ลด 50% สบู่', 'S', 1, 'N', NULL, NULL, NULL),
       ('PC02', N'ลด 500 บาท', 'S', 1, 'N', NULL, NULL, NULL),
       ('DX01', N'--x น้ำดื่ม', 'S', 1, 'N', NULL, NULL, NULL),
       ('P010', N'สบู่เลิกขาย', 'S', 1, 'Y', NULL, NULL, NULL),
       ('P011', N'สบู่ไม่ระบุ', 'S', 1, NULL, NULL, NULL, NULL),
       ('P012', N'สบู่ชุดประกอบ', 'P', 1, 'N', NULL, NULL, 1)
INSERT INTO Vendor (Code, Name, TradeTerm) VALUES ('V1', N'ผู้ขายหนึ่ง', 'Consignment'),
                                                 ('V2', N'ผู้ขายสอง', 'Credit')
INSERT INTO ProductVendorOther (Product, Vendor) VALUES (2, 2), (3, 2)
GO
-- Units: the soap's piece (small, sale and purchase), dozen (stock) and carton (purchase, no
-- barcode); the shampoo's bottle with an empty barcode; one unit for each other product.
INSERT INTO ProductUnits (Product, UnitName, Fraction, BarCode, PurcPriceBaht, PurcPriceKip,
                          PurcPriceUsd, SaleFlag, PurcFlag, StockUnitFlag, SmallUnitFlag)
VALUES (1, N'ชิ้น', 1, '8850000000011', 10, NULL, NULL, 'Y', 'Y', 'N', 'Y'),
       (1, N'โหล', 12, '8850000000012', NULL, NULL, NULL, 'Y', 'N', 'Y', 'N'),
       (1, N'ลัง', 144, NULL, 1200, NULL, NULL, 'N', 'Y', 'N', 'N'),
       (2, N'ขวด', 1, '', 50, NULL, NULL, 'Y', 'Y', 'Y', 'Y'),
       (3, N'ถุง', 1, '8850000000031', NULL, NULL, NULL, 'Y', 'Y', 'Y', 'Y'),
       (4, N'กล่อง', 1, '8850000000041', NULL, NULL, 2, 'Y', 'Y', 'Y', 'Y'),
       (5, N'ถุง', 1, '[A]0005', NULL, NULL, NULL, 'Y', 'Y', 'Y', 'Y'),
       (6, N'ถุง', 1, 'A0006', NULL, NULL, NULL, 'Y', 'Y', 'Y', 'Y'),
       (7, N'ก้อน', 1, '8850000000071', NULL, NULL, NULL, 'Y', 'Y', 'Y', 'Y'),
       (8, N'ใบ', 1, '8850000000081', NULL, NULL, NULL, 'Y', 'Y', 'Y', 'Y'),
       (9, N'ขวด', 1, '8850000000091', NULL, NULL, NULL, 'Y', 'Y', 'Y', 'Y'),
       (10, N'ก้อน', 1, '8850000000101', NULL, NULL, NULL, 'Y', 'Y', 'Y', 'Y'),
       (12, N'ชุด', 1, '8850000000121', NULL, NULL, NULL, 'Y', 'Y', 'Y', 'Y')
INSERT INTO ProductComponentHd (ProductUnits) VALUES (2)
INSERT INTO ProductComponentDt (ProductComponentHd, Product, ProductUnits, Quantity) VALUES (1, 1, 1, 2)
GO
-- Stock of the soap in 2024 (the server's year), 2023 left out; 30 pieces still on order.
INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, Quantity)
VALUES (1, 1, 1, 2024, 1200), (1, 2, 1, 2024, 34.5), (1, 1, 1, 2023, 99999)
INSERT INTO Customer (Code, Name) VALUES ('C1', N'ลูกค้าหนึ่ง')
INSERT INTO SoHd (DocNo, DocDate, Customer) VALUES ('SO1', '20240105', 1)
INSERT INTO SoDt (SoHd, Product, ProductUnits, Warehouse, Quantity, Fraction, Clear)
VALUES (1, 1, 2, 1, 3, 12, 'N')
INSERT INTO IvHd (DocNo, DocDate, Customer, IvType, NotCutStock) VALUES ('IV1', '20240106', 1, 'R', 'N')
INSERT INTO IvDt (IvHd, Product, ProductUnits, Warehouse, Quantity, Fraction, SoDt)
VALUES (1, 1, 1, 1, 6, 1, 1)
GO
-- Attribute groups of products, listed by description: brand, colour; the service group is not.
INSERT INTO ProdAttrGroup (Code, Description, ProductType)
VALUES ('BR', N'ยี่ห้อ', 'P'), ('CL', N'สี', 'P'), ('SV', N'บริการ', 'S'), ('NO', N'ไม่มีรหัส', 'P')
INSERT INTO ProdAttrCode (ProdAttrGroup, Code, Description)
VALUES (1, '01', N'นกแก้ว'), (1, '02', N'นกยูง'), (1, '03', N'นก'), (1, 'Z9', N'ท้ายสุด'),
       (2, 'R', N'แดง'), (2, 'G', N'เขียว'), (2, 'O''', N'ส้ม''ออกแดง')
-- Soap: brand 01, red; shampoo: brand 02, green; liquid soap: brand 03, red; tea: brand Z9.
INSERT INTO ProductAttribute (Product, ProdAttrCode, GroupCode)
VALUES (1, 1, 'BR01'), (1, 5, 'CLR'), (2, 2, 'BR02'), (2, 6, 'CLG'), (3, 3, 'BR03'),
       (3, 5, 'CLR'), (4, 4, 'BRZ9')
GO
-- Lots: 1 never expires (date long past), 2 expires 30/06/2024, 3 the same with HasExpired NULL,
-- 4 expires 31/12/2025, 5 never expires and has no date.
INSERT INTO LotNo (Code, Description, Product, HasExpired, ExpiredDate)
VALUES ('L-NEVER', N'ไม่หมดอายุ', 1, 'N', '20000101'), ('L-JUNE', N'หมดมิถุนา', 1, 'Y', '20240630'),
       ('L-NULL', N'ไม่ระบุ', 1, NULL, '20240630'), ('L-2025', N'ปลายปี', 1, 'Y', '20251231'),
       ('O''LOT', N'ล็อต O''Brien', 1, 'N', NULL)
