#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <exception>

namespace db {
class Connection;
class Field;
class DataSource;
class Query;
class StoredProc;
class UpdateSql;
}  // namespace db
class TSQLScript;

// The company module: the connection to the company database with the company values read once
// it stands, the program-version registry and schema upgrade, the application-wide error handler,
// and the queries, procedures and scripts the suite's programs share. Every component runs on
// the company connection DMDATA, except QBranch, which reads the configuration database.
class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // Closes and reopens QConfig, then QchkPeriod.
    void RefreshConfig();
    // A column of the configuration row QConfig, which is opened first when it is closed.
    db::Field ConfigField(const QString& Column);
    db::Field ConfigField(QLatin1StringView Column);

    // Brings the company schema up to date, reads whether the branch is a franchise and records
    // the program's version. False (after a message) when a newer copy of ProgramExe has run.
    bool CheckVersionProgramEXE(const QString& ProgramExe, int Version);

    // The application-wide error handler: logs the error, translates it and shows the dialog.
    void ApplicationEvents1Exception(const std::exception& E);

    // The database server's current date and time.
    QDateTime GetServerTime();
    // Writes one activity log entry for the current user and menu entry.
    void AddActivityLog(int FunctionListId, int DocumentId, const QString& Remark,
                        const QString& TableName, const QString& TabName, const QString& FieldName,
                        const QString& Detail);

    // Company values.
    QString CompanyDatabase;
    bool IvRefSO = false;
    bool MrRefPO = false;
    bool EditPricePO = false;
    bool ShowProductPriceList = false;
    int MainCurrencyId = 0;
    QString MainCurrencyName;
    bool Franchise = false;
    QString LastSearchText;

    // Connection and company configuration.
    db::Connection* DMdata;
    db::Query* QConfig;
    db::DataSource* DConfig;
    db::Query* QchkPeriod;

    // Version registry and schema upgrade.
    db::Query* QBranch;
    db::Query* QCheckProGramExe;
    TSQLScript* SQLUpdateConfig;
    TSQLScript* SQLUpdate;

    // Code lists.
    db::Query* QProvince;
    db::DataSource* DProvince;
    db::Query* QTransport;
    db::DataSource* DTransport;
    db::Query* QPriceLevel;
    db::DataSource* DPriceLevel;
    db::Query* QTax;
    db::DataSource* DTax;
    db::Query* QSalesman;
    db::DataSource* DSalesman;
    db::Query* QMiscCurrency;
    db::DataSource* DMiscCurrency;

    // Single-row lookups.
    db::Query* QTaxRate;
    db::Query* QUnitFraction;
    db::Query* QStockUnitQnty;
    db::Query* QNewId;
    db::Query* QAcID;
    db::Query* QDocumentNo;
    db::Query* QDocConvert;

    // Stored procedures.
    db::StoredProc* SpServerTime;
    db::StoredProc* SpAddLogV2;
    db::StoredProc* SpAddLog;
    db::StoredProc* SpNextDocNo;

    // Statements that change data, posting queries and the check digit.
    db::Query* QAddPosLog;
    TSQLScript* DelGL;
    db::Query* QPostHd;
    db::UpdateSql* UPostHd;
    db::DataSource* DPostHd;
    db::Query* QPostId;
    db::Query* QGetChkDigitBarcode;

private:
    db::Query& openedConfig();
    void createSharedQueries();
    void DMdataBeforeConnect();
    void DMdataAfterConnect();
};

// The process-wide instance, set while one exists.
extern TDM* DM;
