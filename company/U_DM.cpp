#include "company/U_DM.h"

#include <cstdio>

#include "app/Fr_FormLogo.h"
#include "company/ErrorTranslation.h"
#include "company/Fr_ShowError.h"
#include "company/SchemaUpgrade.h"
#include "config/ConnectionParamList.h"
#include "config/Dm_Config.h"
#include "config/Flags.h"
#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "db/StoredProc.h"
#include "dbcore/Error.h"
#include "sqlscript/SqlScript.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

TDM* DM = nullptr;

using config::isYes;
using db::FieldType;

namespace {

db::Query* makeQuery(QObject* owner, const char* name, const char* database,
                     const QStringList& lines) {
    return new db::Query(QString::fromLatin1(name), QString::fromLatin1(database), lines, owner);
}

TSQLScript* makeScript(QObject* owner, const char* name, const QStringList& lines) {
    auto* s = new TSQLScript(owner);
    s->setObjectName(QString::fromLatin1(name));
    s->DatabaseName = "DMDATA";
    s->Transaction = false;
    s->setSQL(lines);
    return s;
}

// Removes leading and trailing blanks and control characters; letter case stays.
QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

// The message of an error as raised: for database errors the server's wording.
QString messageOf(const std::exception& e) {
    if (const auto* dbError = dynamic_cast<const db::Error*>(&e))
        return dbError->message();
    return QString::fromUtf8(e.what());
}

// The configuration module, which the activity log needs for the user and menu entry.
TDMConfig& configModule() {
    if (!DmConfig)
        throw db::Error::client("The configuration module DmConfig does not exist");
    return *DmConfig;
}

}  // namespace

TDM::TDM(QObject* parent) : QObject(parent) {
    setObjectName("DM");
    DMdata = new db::Connection("DMDATA", this);
    DMdata->setObjectName("DMdata");
    DMdata->setBeforeConnect([this](db::Connection&) { DMdataBeforeConnect(); });
    DMdata->setAfterConnect([this](db::Connection&) { DMdataAfterConnect(); });

    QConfig = makeQuery(this, "QConfig", "DMDATA",
                        {"SELECT *",
                         "       ,(Select M.Code From Misc M Where M.Id = MainCurrencyId) "
                         "MainCurrencyCode",
                         "       ,(Select M.Description From Misc M Where M.Id = MainCurrencyId) "
                         "MainCurrencyName",
                         "FROM Config", "Where id=1"});
    QConfig->setCachedUpdates(true);
    DConfig = new db::DataSource(this);
    DConfig->setObjectName("DConfig");
    DConfig->setDataSet(QConfig);
    QchkPeriod = makeQuery(this, "QchkPeriod", "DMDATA",
                           {"select  * ", "from accountperiod", "order by accountyear desc"});

    QBranch = makeQuery(this, "QBranch", "DmCfg",
                        {"Select BranchCode, BranchName, StopDataBase, Franchise", "From Branch",
                         "Where BranchCode = :BranchCode"});
    QBranch->paramByName("BranchCode").setType(FieldType::String);
    QCheckProGramExe = makeQuery(
        this, "QCheckProGramExe", "DMDATA",
        {"If Not Exists (Select Id From CheckVersionProgramEXE Where ProgramExe = :ProgramExe)",
         "   Insert Into CheckVersionProgramEXE (ProgramEXE, Version, LastUpdate)",
         "   Values (:ProgramExe, 1, GetDate())", "",
         "If ((select Version From CheckVersionProgramEXE Where ProgramExe = :ProgramExe) < "
         ":Version)",
         "   Update CheckVersionProgramEXE", "   Set Version = :Version,",
         "       LastUpdate = GetDate()", "   Where ProgramExe = :ProgramExe", "",
         "select Version VersionExe From CheckVersionProgramEXE Where ProgramExe = :ProgramExe"});
    QCheckProGramExe->paramByName("ProgramExe").setType(FieldType::String);
    QCheckProGramExe->paramByName("Version").setType(FieldType::Integer);
    SQLUpdateConfig = makeScript(this, "SQLUpdateConfig", company::sqlUpdateConfigLines());
    SQLUpdate = makeScript(this, "SQLUpdate", company::sqlUpdateLines());

    createSharedQueries();

    // The application's error event, and the scripts' errors that a script chooses to report
    // and go on, both reach the handler below.
    if (auto* app = ui::Application::instance()) {
        app->setOnException([this](const std::exception& e) { ApplicationEvents1Exception(e); });
        TSQLScript::setApplicationErrorHandler(
            [app](const std::exception& e) { app->handleException(e); });
    }
    DM = this;
}

TDM::~TDM() {
    if (auto* app = ui::Application::instance()) {
        app->setOnException({});
        TSQLScript::setApplicationErrorHandler(nullptr);
    }
    if (DM == this)
        DM = nullptr;
}

void TDM::DMdataBeforeConnect() {
    const auto* app = ui::Application::instance();
    const QStringList commandLine = app ? app->commandLine() : QStringList();
    CompanyDatabase = trimBlanks(commandLine.value(3));
    config::fillConnectionParams(DMdata->params(), CompanyDatabase, config::serverName(),
                                 config::kCompanyQueryTime);
}

void TDM::DMdataAfterConnect() {
    RefreshConfig();
    IvRefSO = isYes(QConfig->fieldByName("IvRefSO"));
    MrRefPO = isYes(QConfig->fieldByName("MrRefPO"));
    EditPricePO = isYes(QConfig->fieldByName("EditPricePO"));
    ShowProductPriceList = isYes(QConfig->fieldByName("ShowProductPriceList"));
    MainCurrencyId = static_cast<int>(QConfig->fieldByName("MainCurrencyId").asInteger());
    MainCurrencyName = QConfig->fieldByName("MainCurrencyName").asString();
    if (FormLogo) {
        delete FormLogo;
        FormLogo = nullptr;
    }
    QMiscCurrency->close();
    QMiscCurrency->open();
}

void TDM::RefreshConfig() {
    QConfig->close();
    QConfig->open();
    QchkPeriod->close();
    QchkPeriod->open();
}

db::Query& TDM::openedConfig() {
    if (!QConfig->isActive())
        QConfig->open();
    return *QConfig;
}

db::Field TDM::ConfigField(const QString& Column) {
    return openedConfig().fieldByName(Column);
}

db::Field TDM::ConfigField(QLatin1StringView Column) {
    return openedConfig().fieldByName(Column);
}

bool TDM::CheckVersionProgramEXE(const QString& ProgramExe, int Version) {
    SQLUpdateConfig->ExecSQL();
    QConfig->close();
    QConfig->open();

    QBranch->close();
    QBranch->paramByName("BranchCode").setAsString(QConfig->fieldByName("BranchCode").asString());
    QBranch->open();
    Franchise = isYes(QBranch->fieldByName("Franchise"));
    QBranch->close();

    SQLUpdate->ExecSQL();

    QCheckProGramExe->close();
    QCheckProGramExe->paramByName("ProgramExe").setAsString(ProgramExe);
    QCheckProGramExe->paramByName("Version").setAsInteger(Version);
    QCheckProGramExe->open();
    const qint64 registered = QCheckProGramExe->fieldByName("VersionExe").asInteger();
    QCheckProGramExe->close();

    if (Version < registered) {
        ui::showMessage("โปรแกรม " + ProgramExe + " เป็นตัวเก่า กรุณา Update Program ด้วย");
        return false;
    }
    return true;
}

void TDM::ApplicationEvents1Exception(const std::exception& E) {
    const QString message = messageOf(E);
    // A failing log must not hide the error itself: the failure goes to standard error and the
    // dialog still shows.
    try {
        configModule().LogError(message);
    } catch (const std::exception& logFailure) {
        std::fprintf(stderr, "Error log not written: %s\n  for: %s\n", logFailure.what(),
                     message.toUtf8().constData());
    }

    TFrShowError dialog;
    dialog.ErrorText = company::errorDialogText(message);
    dialog.exec();
}

QDateTime TDM::GetServerTime() {
    SpServerTime->execProc();
    return SpServerTime->paramByName("@ServerTime").asDateTime();
}

void TDM::AddActivityLog(int FunctionListId, int DocumentId, const QString& Remark,
                         const QString& TableName, const QString& TabName, const QString& FieldName,
                         const QString& Detail) {
    const TDMConfig& cfg = configModule();
    SpAddLogV2->paramByName("@UserId").setAsInteger(cfg.UserId);
    SpAddLogV2->paramByName("@MenuId").setAsInteger(cfg.MenuId);
    SpAddLogV2->paramByName("@FunctionListId").setAsInteger(FunctionListId);
    SpAddLogV2->paramByName("@DocumentId").setAsInteger(DocumentId);
    SpAddLogV2->paramByName("@Remark").setAsString(Remark);
    SpAddLogV2->paramByName("@TableName").setAsString(TableName);
    SpAddLogV2->paramByName("@FieldName").setAsString(FieldName);
    SpAddLogV2->paramByName("@Detail").setAsString(Detail);
    SpAddLogV2->paramByName("@TabName").setAsString(TabName);
    SpAddLogV2->execProc();
}
