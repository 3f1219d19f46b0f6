#include "config/Dm_Config.h"

#include "config/ConnectionParamList.h"
#include "config/Flags.h"
#include "config/Workstation.h"
#include "db/Connection.h"
#include "db/DataSource.h"
#include "dbcore/Error.h"
#include "db/Query.h"
#include "db/StoredProc.h"
#include "sqlscript/SqlScript.h"
#include "ui/MessageBox.h"
#include "ui/ProcessEnd.h"

TDMConfig* DmConfig = nullptr;

using config::isYes;
using db::FieldType;
using db::ParamDirection;

namespace {

const QStringList kUserSql = {
    "select Code, fullname,languageno,EditSalePrice,Approve_Quo,Approve_SO,Approve_IV,Approve_PO, "
    "Approved_PORQ,",
    "       ApproveTranWH,ApproveTranBranch,ApproveWorkOrder,CanSeeCost,CanSeeSalePrice,"
    "CanModifyCusSale,",
    "       Approve_PreIs, CanModifyCusSale, ApproveCustomerDropUse, ApproveCustomerDropCredit, "
    "Saleman,",
    "       CanModifyCredit, CanSetProductBlock, CanSetProductMinus, CanSaleCreditOnReturnCheque, "
    "UserSeeImport, UserSeeCost,CanSetOtherUserPass ,",
    "       coalesce(Approve_PoLevel1,'N')Approve_PoLevel1 ,",
    "       coalesce(Approve_PoLevel2,'N')Approve_PoLevel2 ,",
    "       coalesce(Approve_PoLevel3,'N')Approve_PoLevel3 ,",
    "       GroupId",
    "from  username",
    "where id=:uid",
};

// Adds Menu.Version when the catalogue has no such column.
const QStringList kAddMenuVersion = {
    "If (Not Exists(Select Name From SysColumns",
    "               Where Id = (Select Id From SysObjects Where Ltrim(Rtrim(Upper(Name))) = "
    "'MENU') And",
    "                     Ltrim(Rtrim(Upper(Name)))='VERSION'))",
};

const QString kDefaultMenuVersion =
    "Update Menu Set Version = 3 Where Version Is Null And Command Is Not Null";

}  // namespace

TDMConfig::TDMConfig(QObject* parent) : QObject(parent) {
    setObjectName("DmConfig");
    DmCfg = new db::Connection("DmCfg", this);
    DmCfg->setObjectName("DmCfg");
    DmCfg->setBeforeConnect([this](db::Connection&) { DmCfgBeforeConnect(); });
    DmCfg->setAfterConnect([this](db::Connection&) { DmCfgAfterConnect(); });
    DBMaster = new db::Connection("DBMaster", this);
    DBMaster->setObjectName("DBMaster");

    QChkConfig = new db::Query("QChkConfig", "DBMaster",
                               {"Select * From SysDatabases Where Name = 'VOQ_Config_ZUL'"}, this);
    QCompanyConfig = new db::Query(
        "QCompanyConfig", "DmCfg",
        {"Select C.Company, C.PicturePath, C.Public_Price_IE, C.DefaultWh, C.POS1_Wh, "
         "C.POS1_TaxCode, C.POS1_Price_IE, C.POS1_PriceType, C.POS1_SumDetail, "
         "C.DefaultPosComPort, C.DefaultTax, C.DefaultPosMenuId,",
         "       M.Command, M.MenuOption,", "       O.Description, O.YearNo,",
         "       P.Id, P.Code, P.Password, P.NameThai, P.NameEng, P.ShortName, P.Address1, "
         "P.Address2, P.Address3, P.Address4, P.Province, P.Zip, P.Telephone, P.Fax, P.EMail, "
         "P.Logo, P.TaxNo, P.InstallDate, P.RunYear, P.LocalServer, P.FUNDNAME, "
         "P.TaxBranchHead, P.TaxBranchCode, P.TaxBranchName",
         "From CompanyConfig C", "Inner Join DatabaseList O On (O.Company = C.Company) ",
         "Inner Join Company P On (P.Id = O.Company)",
         "Left Outer Join Menu M On (M.Id = C.DefaultPosMenuId)",
         "Where (O.DatabaseName = :GetName)"},
        this);
    QCompany = new db::Query(
        "QCompany", "DmCfg",
        {"SELECT ID,CODE, PASSWORD, NAMETHAI, NAMEENG, SHORTNAME, ",
         "  ADDRESS1, ADDRESS2, ADDRESS3, ADDRESS4, PROVINCE, ZIP, ",
         "  TELEPHONE, FAX, EMAIL, LOGO, TAXNO, RUNYEAR,FUNDNAME, Coalesce(TaxBranchHead, 'N') "
         "TaxBranchHead, Coalesce(TaxBranchCode, '') TaxBranchCode, TaxBranchName",
         "FROM COMPANY",
         "Where (Id = (Select Distinct Company From DatabaseList Where DatabaseName = "
         ":GetName))"},
        this);
    DCompany = new db::DataSource(this);
    DCompany->setObjectName("DCompany");
    DCompany->setDataSet(QCompany);
    QSoftware = new db::Query("QSoftware", "DmCfg", {"select *", "from softwareconfig"}, this);

    SpMenuCaption = new db::StoredProc("SpMenuCaption", "DmCfg", "MENUCAPTION", this);
    SpMenuCaption->addParam("@Result", FieldType::Integer, ParamDirection::Result);
    SpMenuCaption->addParam("@MENUID", FieldType::Integer);
    SpMenuCaption->addParam("@USERID", FieldType::Integer);
    for (const char* out :
         {"@CAPTION", "@ACCESS_R", "@ADD_R", "@MODIFY_R", "@DELETE_R", "@USERCODE"})
        SpMenuCaption->addParam(QString::fromLatin1(out), FieldType::String,
                                ParamDirection::Output);
    SpMenuCaption->addParam("@SALESID", FieldType::Integer, ParamDirection::Output);

    QUser = new db::Query("QUser", "DmCfg", kUserSql, this);
    QUserGroupId = new db::Query("QUserGroupId", "DmCfg", kUserSql, this);

    SpErrorLog = new db::StoredProc("SpErrorLog", "DmCfg", "AddErrorLog", this);
    SpErrorLog->addParam("@Result", FieldType::Integer, ParamDirection::Result);
    SpErrorLog->addParam("@CompName", FieldType::String);
    SpErrorLog->addParam("@LogName", FieldType::String);
    SpErrorLog->addParam("@UserId", FieldType::Integer);
    SpErrorLog->addParam("@MenuId", FieldType::Integer);
    SpErrorLog->addParam("@ErrorMsg", FieldType::String);

    SQLUpdate = new TSQLScript(this);
    SQLUpdate->setObjectName("SQLUpdate");
    SQLUpdate->DatabaseName = "DmCfg";
    QStringList script = kAddMenuVersion;
    script << "  Begin"
           << "    Alter Table Menu Add Version Integer"
           << "  End"
           << "/" << kDefaultMenuVersion << "/"
           << "If Not Exists(select Id From SysColumns Where Name = 'UserSeeImport' And Id = "
              "(Select Id From SysObjects Where Name = 'UserName'))"
           << "   Alter Table UserName Add UserSeeImport Char(1)"
           << "/"
           << "If Not Exists(select Id From SysColumns Where Name = 'UserSeeCost' And Id = "
              "(Select Id From SysObjects Where Name = 'UserName'))"
           << "   Alter Table UserName Add UserSeeCost Char(1)";
    SQLUpdate->setSQL(script);

    DmConfig = this;
}

TDMConfig::~TDMConfig() {
    if (DmConfig == this)
        DmConfig = nullptr;
}

void TDMConfig::DmCfgBeforeConnect() {
    const config::ServerChoice choice = config::chooseServer();
    const QString& server = choice.name;
    DmCfg->params().clear();
    DBMaster->close();
    config::fillConnectionParams(DBMaster->params(), "master", server, config::kMasterQueryTime);
    try {
        DBMaster->open();
    } catch (db::Error& e) {
        // The first contact with the server: say where its name came from.
        e.setMessage(e.message() + "\n" + config::serverOrigin(choice));
        throw;
    }
    QChkConfig->close();
    QChkConfig->open();
    const QString database = QChkConfig->isEmpty() ? "VOQ_CONFIG" : "VOQ_CONFIG_ZUL";
    QChkConfig->close();
    DBMaster->close();
    config::fillConnectionParams(DmCfg->params(), database, server, config::kConfigQueryTime);
}

void TDMConfig::DmCfgAfterConnect() {
    SQLUpdate->ExecSQL();
    QSoftware->close();
    QSoftware->open();
}

void TDMConfig::GetCompanyConfig(const QString& CompanyName) {
    const QString name = CompanyName.toUpper();
    QCompanyConfig->close();
    QCompanyConfig->paramByName("GetName").setAsString(name);
    QCompanyConfig->open();
    if (QCompanyConfig->isEmpty()) {
        ui::showMessage("Not Found Database : " + name);
        throw ui::ProcessEnd(0);
    }
    auto text = [this](const char* column) {
        return QCompanyConfig->fieldByName(QString::fromLatin1(column)).asString();
    };
    auto integer = [this](const char* column) {
        return static_cast<int>(
            QCompanyConfig->fieldByName(QString::fromLatin1(column)).asInteger());
    };
    CompanyId = integer("Id");
    PicturePath = text("PicturePath");
    DefaultWH = integer("DefaultWH");
    DefaultTax = integer("DefaultTax");
    NameThai = text("NameThai");
    CompanyDbName = name;
    Pos1_WH = integer("Pos1_WH");
    Pos1_TaxCode = text("Pos1_TaxCode");
    Pos1_Price_IE = text("Pos1_Price_IE");
    Pos1_PriceType = integer("Pos1_PriceType");
    PicturePath = text("PicturePath");
    Pos1_SumDetail = isYes(text("Pos1_SumDetail"));
    DefaultPosComPort = text("DefaultPosComPort");
    CompanyNameThai = text("NameThai");
    AddressLine1 = text("ADDRESS1").trimmed() + " " + text("ADDRESS2").trimmed() + " " +
                   text("ADDRESS3").trimmed();
    AddressLine2 = text("ADDRESS4").trimmed() + " " + text("ZIP").trimmed() +
                   " เลขประจำตัวผู้เสียภาษี " + text("TAXNO").trimmed();
    QCompany->close();
    QCompany->paramByName("GetName").setAsString(name);
    QCompany->open();
    QSoftware->open();
}

void TDMConfig::CheckRight(int menuId, int userId) {
    SpMenuCaption->paramByName("@MENUID").setAsInteger(menuId);
    SpMenuCaption->paramByName("@USERID").setAsInteger(userId);
    SpMenuCaption->execProc();
    MenuCaption = SpMenuCaption->paramByName("@CAPTION").asString().trimmed();
    UserCode = SpMenuCaption->paramByName("@USERCODE").asString();
    AccessRight = isYes(SpMenuCaption->paramByName("@ACCESS_R").asString());
    AddRight = isYes(SpMenuCaption->paramByName("@ADD_R").asString());
    ModifyRight = isYes(SpMenuCaption->paramByName("@MODIFY_R").asString());
    DeleteRight = isYes(SpMenuCaption->paramByName("@DELETE_R").asString());
    SalesId = static_cast<int>(SpMenuCaption->paramByName("@SALESID").asInteger());

    QUser->close();
    QUser->paramByName("uid").setAsInteger(userId);
    QUser->open();
    GroupId = static_cast<int>(QUser->fieldByName("GroupId").asInteger());
    QUserGroupId->close();
    QUserGroupId->paramByName("uid").setAsInteger(GroupId);
    QUserGroupId->open();

    FullName = QUser->fieldByName("FullName").asString();
    ThaiLanguage = QUser->fieldByName("LanguageNo").asInteger() == 1;

    auto group = [this](const char* column) {
        return isYes(QUserGroupId->fieldByName(QString::fromLatin1(column)));
    };
    EditSalePrice = group("EditSalePrice");
    Approve_Quo = group("Approve_Quo");
    Approve_SO = group("Approve_SO");
    Approve_IV = group("Approve_IV");
    Approve_PO = group("Approve_PO");
    Approved_PORQ = group("Approved_PORQ");
    ApproveTranWH = group("ApproveTranWH");
    ApproveTranBranch = group("ApproveTranBranch");
    ApproveWorkOrder = group("ApproveWorkOrder");
    CanSeeCost = group("CanSeeCost");
    CanSeeSalePrice = group("CanSeeSalePrice");
    CanModifyCusSale = group("CanModifyCusSale");
    Approve_PreIs = group("Approve_PreIs");
    ApproveCustomerDropUse = group("ApproveCustomerDropUse");
    ApproveCustomerDropCredit = group("ApproveCustomerDropCredit");
    CanModifyCredit = group("CanModifyCredit");
    CanSetProductBlock = group("CanSetProductBlock");
    CanSetProductMinus = group("CanSetProductMinus");
    CanSaleCreditOnReturnCheque = group("CanSaleCreditOnReturnCheque");
    UserSeeImport = group("UserSeeImport");
    UserSeeCost = group("UserSeeCost");
    CanSetOtherUserPass = group("CanSetOtherUserPass");

    QUser->close();
    QUserGroupId->close();

    ExitProgramPrompt = ThaiLanguage ? "ออกจากโปรแกรม ?" : "Exit Program ?";
    SaveDataPrompt = ThaiLanguage ? "จัดเก็บข้อมูล ?" : "Save Data ?";
    DeleteDataPrompt = ThaiLanguage ? "ลบข้อมูล ?" : "Delete Data ?";
}

bool TDMConfig::CheckVersion(int Version) {
    db::Query update(this);
    update.setDatabaseName("DmCfg");
    QStringList addColumn = kAddMenuVersion;
    addColumn << "Begin"
              << "  Alter Table Menu Add Version Integer"
              << "End";
    for (const QStringList& lines :
         {addColumn, QStringList{kDefaultMenuVersion},
          QStringList{
              "Update Menu Set Version = :GetVersion", "Where (Coalesce(Version, 0) < :GetVersion)",
              "      And(LTrim(RTrim(Coalesce(Command, ''))) <> '')",
              "      And(Upper(LTrim(RTrim(Coalesce(Command, '')))) = (Select "
              "Upper(LTrim(RTrim(Coalesce(Command, '')))) From Menu Where Id = :MenuId))"}}) {
        update.close();
        update.clearSql();
        update.setSql(lines);
        if (update.params().find("GetVersion"))
            update.paramByName("GetVersion").setAsInteger(Version);
        if (update.params().find("MenuId"))
            update.paramByName("MenuId").setAsInteger(MenuId);
        update.execSql();
    }
    db::Query version(this);
    version.setDatabaseName("DmCfg");
    version.setSql({"Select Version From Menu Where Id = :MenuId"});
    version.paramByName("MenuId").setAsInteger(MenuId);
    version.open();
    const bool result = !version.isEmpty() && version.fieldByName("Version").asInteger() <= Version;
    version.close();
    if (!result)
        ui::showMessage("กรุณา อัพเดท โปรแกรม Version ใหม่ด้วยค่ะ !!");
    return result;
}

void TDMConfig::LogError(const QString& ErrorMsg) {
    SpErrorLog->paramByName("@CompName").setAsString(LocalComputerName());
    SpErrorLog->paramByName("@LogName").setAsString(LocalUserName());
    SpErrorLog->paramByName("@UserId").setAsInteger(UserId);
    SpErrorLog->paramByName("@MenuId").setAsInteger(MenuId);
    SpErrorLog->paramByName("@ErrorMsg").setAsString(ErrorMsg);
    SpErrorLog->execProc();
}

void TDMConfig::SendErrorMail(const QString&, const QString&) {}
