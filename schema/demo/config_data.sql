-- Demo installation: one company DEMO, the three year-end menu entries, users with and
-- without the right to them. Rows are added only when missing.

IF NOT EXISTS (SELECT * FROM Company WHERE Id = 1)
INSERT INTO Company (Id, Code, NameThai, NameEng, ShortName, Address1, Address2, Address3,
                     Address4, Province, Zip, Telephone, Fax, EMail, TaxNo, InstallDate, RunYear,
                     FUNDNAME, TaxBranchHead, TaxBranchCode, TaxBranchName)
VALUES (1, 'DEMO', N'บริษัท สยามเทรดดิ้ง จำกัด', 'Siam Trading Co., Ltd.', 'SIAM',
        N'123/45 ถนนสุขุมวิท', N'แขวงคลองเตย', N'เขตคลองเตย', N'กรุงเทพมหานคร',
        N'กรุงเทพมหานคร', '10110', '02-123-4567', '02-123-4568', 'info@siamtrading.example',
        '0105551234567', '2015-01-01', 2015, N'กองทุนสำรองเลี้ยงชีพ', 'Y', '00000',
        N'สำนักงานใหญ่')
GO

IF NOT EXISTS (SELECT * FROM DatabaseList WHERE DatabaseName = 'DEMO')
INSERT INTO DatabaseList (DatabaseName, Company, Description, YearNo)
VALUES ('DEMO', 1, N'ฐานข้อมูลตัวอย่าง', 2015)
GO

IF NOT EXISTS (SELECT * FROM Menu WHERE Id = 501)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption, Version)
VALUES (501, NULL, N'คำนวนยอดหนี้เจ้าหนี้', 'VOQRECALC.EXE', '1', 3)
GO
IF NOT EXISTS (SELECT * FROM Menu WHERE Id = 502)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption, Version)
VALUES (502, NULL, N'คำนวนยอดหนี้ลูกหนี้', 'VOQRECALC.EXE', '2', 3)
GO
IF NOT EXISTS (SELECT * FROM Menu WHERE Id = 503)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption, Version)
VALUES (503, NULL, N'คำนวน สินค้าคงเหลือ', 'VOQRECALC.EXE', '3', 3)
GO

IF NOT EXISTS (SELECT * FROM Menu WHERE Id = 601)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption, Version)
VALUES (601, NULL, N'บรรทัดเอกสาร (ทดสอบบริการสินค้า)', 'VOQWORKBENCH.EXE', '', 1)
GO

IF NOT EXISTS (SELECT * FROM CompanyConfig WHERE Company = 1)
INSERT INTO CompanyConfig (Company, PicturePath, Public_Price_IE, DefaultWh, POS1_Wh,
                           POS1_TaxCode, POS1_Price_IE, POS1_PriceType, POS1_SumDetail,
                           DefaultPosComPort, DefaultTax, DefaultPosMenuId)
VALUES (1, 'C:\VOQ\PICTURE', 'I', 1, 1, 'V7', 'I', 1, 'Y', 'COM1', 1, NULL)
GO

-- Groups: 100 accountants (every approval), 101 clerks (none).
IF NOT EXISTS (SELECT * FROM username WHERE Id = 100)
INSERT INTO username (Id, Code, FullName, IsGroup, LanguageNo, EditSalePrice, Approve_Quo,
                      Approve_SO, Approve_IV, Approve_PO, Approved_PORQ, ApproveTranWH,
                      ApproveTranBranch, ApproveWorkOrder, CanSeeCost, CanSeeSalePrice,
                      CanModifyCusSale, Approve_PreIs, ApproveCustomerDropUse,
                      ApproveCustomerDropCredit, CanModifyCredit, CanSetProductBlock,
                      CanSetProductMinus, CanSaleCreditOnReturnCheque, UserSeeImport,
                      UserSeeCost, CanSetOtherUserPass)
VALUES (100, 'ACCOUNT', N'ฝ่ายบัญชี', 'Y', 1, 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y',
        'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y')
GO
IF NOT EXISTS (SELECT * FROM username WHERE Id = 101)
INSERT INTO username (Id, Code, FullName, IsGroup, LanguageNo)
VALUES (101, 'CLERK', N'พนักงานทั่วไป', 'Y', 1)
GO

-- Users: 1 somchai (Thai, accountant), 2 malee (Thai, clerk, no right), 3 john (English,
-- accountant).
IF NOT EXISTS (SELECT * FROM username WHERE Id = 1)
INSERT INTO username (Id, Code, FullName, Password, IsGroup, GroupId, LanguageNo, Saleman)
VALUES (1, 'SOMCHAI', N'สมชาย ใจดี', 'demo', 'N', 100, 1, 7)
GO
IF NOT EXISTS (SELECT * FROM username WHERE Id = 2)
INSERT INTO username (Id, Code, FullName, Password, IsGroup, GroupId, LanguageNo, Saleman)
VALUES (2, 'MALEE', N'มาลี รักงาน', 'demo', 'N', 101, 1, NULL)
GO
IF NOT EXISTS (SELECT * FROM username WHERE Id = 3)
INSERT INTO username (Id, Code, FullName, Password, IsGroup, GroupId, LanguageNo, Saleman)
VALUES (3, 'JOHN', 'John Smith', 'demo', 'N', 100, 2, NULL)
GO

-- The accountants' group may run all three entries; the clerks' group may not.
IF NOT EXISTS (SELECT * FROM MenuRight WHERE UserId = 100)
INSERT INTO MenuRight (MenuId, UserId, Access_R, Add_R, Modify_R, Delete_R)
SELECT Id, 100, 'Y', 'Y', 'Y', 'N' FROM Menu WHERE Id IN (501, 502, 503)
GO
IF NOT EXISTS (SELECT * FROM MenuRight WHERE UserId = 101)
INSERT INTO MenuRight (MenuId, UserId, Access_R, Add_R, Modify_R, Delete_R)
SELECT Id, 101, 'N', 'N', 'N', 'N' FROM Menu WHERE Id IN (501, 502, 503)
GO
-- The document-line window is the accountants' too.
IF NOT EXISTS (SELECT * FROM MenuRight WHERE UserId = 100 AND MenuId = 601)
INSERT INTO MenuRight (MenuId, UserId, Access_R, Add_R, Modify_R, Delete_R)
VALUES (601, 100, 'Y', 'Y', 'Y', 'N')
GO
IF NOT EXISTS (SELECT * FROM MenuRight WHERE UserId = 101 AND MenuId = 601)
INSERT INTO MenuRight (MenuId, UserId, Access_R, Add_R, Modify_R, Delete_R)
VALUES (601, 101, 'N', 'N', 'N', 'N')
GO

IF NOT EXISTS (SELECT * FROM softwareconfig WHERE Id = 1)
INSERT INTO softwareconfig (Id, SoftwareName, VersionNo, LicenseTo)
VALUES (1, N'VOQ Business Suite', '5.0', N'บริษัท สยามเทรดดิ้ง จำกัด')
GO

IF NOT EXISTS (SELECT * FROM Branch WHERE BranchCode = '00')
INSERT INTO Branch (BranchCode, BranchName, ServerName, StopDataBase, Franchise)
VALUES ('00', N'สำนักงานใหญ่', 'DEMO', 'N', 'N')
GO
