#pragma once

#include <QString>
#include <vector>

#include "db/Driver.h"
#include "dbcore/Error.h"

namespace db {

// SQL Server (or any ODBC data source) through unixODBC and the ODBC 3 API.
//
// SERVER NAME selects the connection:
//  - "odbc:" followed by an ODBC connection string or "DSN=..." is used as it stands; when that
//    string names no Database, DATABASE NAME becomes the current catalog once connected, so
//    the connections of one server name still reach their own databases;
//  - anything else names a SQL Server reached through the FreeTDS driver: "HOST",
//    "HOST\INSTANCE" or "HOST,PORT" (a port given wins over an instance name), with DATABASE
//    NAME, USER NAME and PASSWORD, TDS 7.4 and UTF-8 as the client character set.
// MAX QUERY TIME becomes the statement timeout. Statements commit on their own unless a
// transaction is open. Every failure is raised as db::Error with every diagnostic record the
// driver manager, driver and server returned.
//
// Diagnostic texts lose the leading vendor tags the ODBC layers put in front of them
// ("[FreeTDS][SQL Server]", "[unixODBC][Driver Manager]"); what follows the tags is kept
// exactly, so messages read the same whichever ODBC driver carried them.
class OdbcDriver : public Driver {
public:
    OdbcDriver();
    ~OdbcDriver() override;
    OdbcDriver(const OdbcDriver&) = delete;
    OdbcDriver& operator=(const OdbcDriver&) = delete;

    void open(const ConnectionParams& params) override;
    void close() override;
    bool isOpen() const override { return dbc_ != nullptr; }

    void beginTransaction() override;
    void commit() override;
    void rollback() override;
    int transactionDepth() const override { return depth_; }

    BatchResult execute(const QString& sql, const std::vector<BoundValue>& params) override;
    std::unique_ptr<Cursor> openCursor(const QString& sql, std::vector<BoundValue> params) override;
    int callProcedure(const QString& name, std::vector<ProcArg>& args,
                      BatchResult* results) override;

    // The connection string open() hands to the driver manager for a parameter list.
    static QString connectionString(const ConnectionParams& params);
    // `text` without its leading "[vendor][component]" tags.
    static QString stripVendorTags(const QString& text);
    // Number of `?` markers outside quoted text, bracketed names and comments.
    static int countMarkers(const QString& sql);

private:
    // Raises unless the connection is open and no cursor of it is being read.
    void requireIdle(const QString& statement) const;
    void freeHandles() noexcept;
    void setAutocommit(bool on);

    void* env_ = nullptr;  // SQLHENV
    void* dbc_ = nullptr;  // SQLHDBC
    unsigned long queryTimeout_ = 0;
    int depth_ = 0;
    bool busy_ = false;  // a cursor is being read
};

}  // namespace db
