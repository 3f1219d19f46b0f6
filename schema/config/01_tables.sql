-- Configuration database of an installation (VOQ_CONFIG): companies, their databases, the
-- suite's menu, users and groups with their rights, the error log. Safe to run again.

IF OBJECT_ID('Company') IS NULL
CREATE TABLE Company (
    Id            int           NOT NULL PRIMARY KEY,
    Code          varchar(20)   NOT NULL,
    Password      varchar(20)   NULL,
    NameThai      nvarchar(100) NULL,
    NameEng       varchar(100)  NULL,
    ShortName     varchar(20)   NULL,
    Address1      nvarchar(100) NULL,
    Address2      nvarchar(100) NULL,
    Address3      nvarchar(100) NULL,
    Address4      nvarchar(100) NULL,
    Province      nvarchar(50)  NULL,
    Zip           varchar(10)   NULL,
    Telephone     varchar(50)   NULL,
    Fax           varchar(50)   NULL,
    EMail         varchar(100)  NULL,
    Logo          varchar(200)  NULL,
    TaxNo         varchar(20)   NULL,
    InstallDate   datetime      NULL,
    RunYear       int           NULL,
    LocalServer   varchar(50)   NULL,
    FUNDNAME      nvarchar(100) NULL,
    TaxBranchHead char(1)       NULL,
    TaxBranchCode varchar(10)   NULL,
    TaxBranchName nvarchar(100) NULL
)
GO

-- One row per company database; a company may keep several (one per period, say).
IF OBJECT_ID('DatabaseList') IS NULL
CREATE TABLE DatabaseList (
    DatabaseName varchar(50)   NOT NULL PRIMARY KEY,
    Company      int           NOT NULL REFERENCES Company (Id),
    Description  nvarchar(100) NULL,
    YearNo       int           NULL
)
GO

IF OBJECT_ID('Menu') IS NULL
CREATE TABLE Menu (
    Id         int           NOT NULL PRIMARY KEY,
    ParentId   int           NULL,
    Caption    nvarchar(100) NOT NULL,
    Command    varchar(200)  NULL,
    MenuOption varchar(50)   NULL,
    Version    int           NULL
)
GO

IF OBJECT_ID('CompanyConfig') IS NULL
CREATE TABLE CompanyConfig (
    Company           int          NOT NULL PRIMARY KEY REFERENCES Company (Id),
    PicturePath       varchar(200) NULL,
    Public_Price_IE   char(1)      NULL,
    DefaultWh         int          NULL,
    POS1_Wh           int          NULL,
    POS1_TaxCode      varchar(10)  NULL,
    POS1_Price_IE     char(1)      NULL,
    POS1_PriceType    int          NULL,
    POS1_SumDetail    char(1)      NULL,
    DefaultPosComPort varchar(10)  NULL,
    DefaultTax        int          NULL,
    DefaultPosMenuId  int          NULL
)
GO

-- Users and groups. A user row names its group in GroupId; a group is a row of its own
-- (IsGroup = 'Y') whose flags grant approvals and visibility to its members.
IF OBJECT_ID('username') IS NULL
CREATE TABLE username (
    Id                          int           NOT NULL PRIMARY KEY,
    Code                        varchar(20)   NOT NULL,
    FullName                    nvarchar(100) NULL,
    Password                    varchar(50)   NULL,
    IsGroup                     char(1)       NULL,
    GroupId                     int           NULL,
    LanguageNo                  int           NULL,
    Saleman                     int           NULL,
    EditSalePrice               char(1)       NULL,
    Approve_Quo                 char(1)       NULL,
    Approve_SO                  char(1)       NULL,
    Approve_IV                  char(1)       NULL,
    Approve_PO                  char(1)       NULL,
    Approved_PORQ               char(1)       NULL,
    ApproveTranWH               char(1)       NULL,
    ApproveTranBranch           char(1)       NULL,
    ApproveWorkOrder            char(1)       NULL,
    CanSeeCost                  char(1)       NULL,
    CanSeeSalePrice             char(1)       NULL,
    CanModifyCusSale            char(1)       NULL,
    Approve_PreIs               char(1)       NULL,
    ApproveCustomerDropUse      char(1)       NULL,
    ApproveCustomerDropCredit   char(1)       NULL,
    CanModifyCredit             char(1)       NULL,
    CanSetProductBlock          char(1)       NULL,
    CanSetProductMinus          char(1)       NULL,
    CanSaleCreditOnReturnCheque char(1)       NULL,
    UserSeeImport               char(1)       NULL,
    UserSeeCost                 char(1)       NULL,
    CanSetOtherUserPass         char(1)       NULL,
    Approve_PoLevel1            char(1)       NULL,
    Approve_PoLevel2            char(1)       NULL,
    Approve_PoLevel3            char(1)       NULL
)
GO

-- Rights of a user, or of a group, on one menu entry. A user's own row wins over the group's.
IF OBJECT_ID('MenuRight') IS NULL
CREATE TABLE MenuRight (
    MenuId   int     NOT NULL REFERENCES Menu (Id),
    UserId   int     NOT NULL REFERENCES username (Id),
    Access_R char(1) NULL,
    Add_R    char(1) NULL,
    Modify_R char(1) NULL,
    Delete_R char(1) NULL,
    PRIMARY KEY (MenuId, UserId)
)
GO

IF OBJECT_ID('softwareconfig') IS NULL
CREATE TABLE softwareconfig (
    Id           int           NOT NULL PRIMARY KEY,
    SoftwareName nvarchar(100) NULL,
    VersionNo    varchar(20)   NULL,
    LicenseTo    nvarchar(100) NULL
)
GO

IF OBJECT_ID('errorlog') IS NULL
CREATE TABLE errorlog (
    Id        int            NOT NULL IDENTITY(1, 1) PRIMARY KEY,
    CompName  varchar(50)    NULL,
    LogName   varchar(50)    NULL,
    username  int            NULL,
    menu      int            NULL,
    errordate datetime       NOT NULL,
    errormsg  nvarchar(4000) NULL
)
GO

IF OBJECT_ID('Branch') IS NULL
CREATE TABLE Branch (
    BranchCode   varchar(10)   NOT NULL PRIMARY KEY,
    BranchName   nvarchar(100) NULL,
    ServerName   varchar(50)   NULL,
    StopDataBase char(1)       NULL,
    Franchise    char(1)       NULL
)
GO
