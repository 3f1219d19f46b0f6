#pragma once

#include <QObject>
#include <QString>

namespace db {
class Connection;
class DataSource;
class Query;
class StoredProc;
}  // namespace db
class TSQLScript;

// The configuration module: the connection to the installation's configuration database, the
// company settings, the user's rights for the menu entry, menu versions and the error log.
class TDMConfig : public QObject {
    Q_OBJECT
public:
    explicit TDMConfig(QObject* parent = nullptr);
    ~TDMConfig() override;

    // Resolves the company database into the company settings; shows "Not Found Database : "
    // and ends the process (ui::ProcessEnd with code 0) when it is not listed.
    void GetCompanyConfig(const QString& CompanyName);
    // Reads the caption and rights of the menu entry for the user.
    void CheckRight(int MenuId, int UserId);
    // Records the program's version on its menu entry; false (after a message) when the entry
    // records a newer one.
    bool CheckVersion(int Version);
    // Writes one row to the error log.
    void LogError(const QString& ErrorMsg);
    // Accepts an error report; nothing is sent. The hook a mail transport would take over.
    virtual void SendErrorMail(const QString& Subject, const QString& Body);

    // Start-up values.
    int TaskKind = 0;
    int MenuId = 0;
    int UserId = 0;

    // Company settings.
    QString CompanyDbName;
    int CompanyId = 0;
    QString PicturePath;
    int DefaultWH = 0;
    int DefaultTax = 0;
    QString NameThai;
    int Pos1_WH = 0;
    QString Pos1_TaxCode;
    QString Pos1_Price_IE;
    int Pos1_PriceType = 0;
    bool Pos1_SumDetail = false;
    QString DefaultPosComPort;
    QString CompanyNameThai;
    QString AddressLine1;
    QString AddressLine2;

    // Rights and user values.
    bool ThaiLanguage = false;
    int GroupId = 0;
    QString UserCode;
    QString FullName;
    QString MenuCaption;
    bool AccessRight = false;
    bool AddRight = false;
    bool ModifyRight = false;
    bool DeleteRight = false;
    bool Approve_Quo = false;
    bool Approve_SO = false;
    bool Approve_IV = false;
    bool Approve_PO = false;
    bool Approved_PORQ = false;
    bool ApproveTranWH = false;
    bool ApproveTranBranch = false;
    bool ApproveWorkOrder = false;
    bool CanSeeCost = false;
    bool CanSeeSalePrice = false;
    bool CanModifyCusSale = false;
    bool Approve_PreIs = false;
    bool ApproveCustomerDropUse = false;
    bool ApproveCustomerDropCredit = false;
    bool CanModifyCredit = false;
    bool CanSetProductBlock = false;
    bool CanSetProductMinus = false;
    bool CanSaleCreditOnReturnCheque = false;
    bool UserSeeImport = false;
    bool UserSeeCost = false;
    bool CanSetOtherUserPass = false;
    bool EditSalePrice = false;
    int SalesId = 0;
    QString ExitProgramPrompt;
    QString SaveDataPrompt;
    QString DeleteDataPrompt;

    // Components.
    db::Connection* DmCfg;
    db::Connection* DBMaster;
    db::Query* QChkConfig;
    db::Query* QCompanyConfig;
    db::Query* QCompany;
    db::DataSource* DCompany;
    db::Query* QSoftware;
    db::StoredProc* SpMenuCaption;
    db::Query* QUser;
    db::Query* QUserGroupId;
    db::StoredProc* SpErrorLog;
    TSQLScript* SQLUpdate;

private:
    void DmCfgBeforeConnect();
    void DmCfgAfterConnect();
};

// The process-wide instance, set while one exists.
extern TDMConfig* DmConfig;
