#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "TdsServer.h"
#include "dbcore/ConnectionParams.h"
#include "dbcore/Types.h"

// Readable texts in assertion messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

class TDM;
class TDMConfig;

// A fresh embedded server in a temporary directory that is also the working directory, with a
// "Server.Dat" naming it. The company database is "Demo_Co", as the test command line names it.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The server name of the test's server: its directory, or the voq-server serving it.
    QString server() const { return tds ? tds->serverName() : "file:" + dir.path(); }
    // SERVER NAME, and over TDS the login, for a connection of the test's own.
    void addServerParams(db::ConnectionParams& params) const;
    void writeServerDat(const QByteArray& firstLine);
    void writeServerClock(const QByteArray& line);

    void createDatabase(const QString& name);
    // Runs a script of batches separated by GO lines.
    void runScript(const QString& database, const QString& script);
    void runFile(const QString& database, const QString& path);
    // The company schema, without data, in Demo_Co.
    void installCompanySchema();
    // The company schema and the demo data in Demo_Co.
    void installDemoCompany();
    // VOQ_CONFIG with its schema and the demo installation's rows.
    void installConfig();
    // Makes `database` by running the scripts in order, once per test program, day and content
    // of the scripts: the file is kept in the temporary directory and copied for later tests
    // (ctest runs every test in a process of its own).
    void installPrepared(const QString& database, const QStringList& scripts);
    // The company schema's scripts, in the order they run.
    static QStringList companySchemaScripts();

    // Rows of the first row set, values joined with '|', NULL as "NULL".
    QStringList rows(const QString& database, const QString& sql);
    QString scalar(const QString& database, const QString& sql);

    // The modules as start-up creates them; DM first.
    void createModules();

    static QString sourcePath(const QString& relative);

    QTemporaryDir dir;
    QString previousDir;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TDMConfig> cfg;
    std::unique_ptr<TdsServer> tds;  // when the suite runs over TDS
};

inline constexpr const char* kCompany = "Demo_Co";
