#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <memory>

#include "TdsServer.h"

#include "db/Connection.h"
#include "dbcore/Error.h"
#include "tests/common/ResultRows.h"
#include "tools/voqsql/Script.h"

namespace schematest {

inline QString sourceDir() {
    const QByteArray dir = qgetenv("VOQ_SOURCE_DIR");
    return dir.isEmpty() ? QStringLiteral(VOQ_SOURCE_DIR_FALLBACK) : QString::fromLocal8Bit(dir);
}

// The scripts of one schema folder, in the order install-demo.sh runs them.
inline QStringList scriptsOf(const QString& folder,
                             const QString& pattern = QStringLiteral("*.sql")) {
    QDir dir(sourceDir() + QStringLiteral("/schema/") + folder);
    QStringList paths;
    for (const QString& name : dir.entryList({pattern}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

// The server name for an embedded server directory: the directory itself, or, when the suite
// runs over TDS, a voq-server serving it (one per directory, stopped once the directory is gone).
inline QString serverNameFor(const QString& dir) {
    if (!TdsServer::requested())
        return QStringLiteral("file:") + dir;
    static std::map<QString, std::unique_ptr<TdsServer>> servers;
    std::erase_if(servers, [](const auto& s) { return !QDir(s.first).exists(); });
    std::unique_ptr<TdsServer>& server = servers[dir];
    if (!server)
        server = std::make_unique<TdsServer>(dir);
    return server->serverName();
}

// A connection to one database of an embedded server directory.
inline std::unique_ptr<db::Connection> connect(const QString& dir, const QString& database) {
    static int serial = 0;
    auto c = std::make_unique<db::Connection>(QStringLiteral("SCHEMATEST%1").arg(++serial));
    c->params().add(QStringLiteral("DATABASE NAME=") + database);
    c->params().add(QStringLiteral("SERVER NAME=") + serverNameFor(dir));
    if (TdsServer::requested()) {
        c->params().add(QStringLiteral("USER NAME=") + TdsServer::kLogin);
        c->params().add(QStringLiteral("PASSWORD=") + TdsServer::kPassword);
    }
    c->open();
    return c;
}

// Runs a script's text batch by batch; errors name the script's path and the batch's line.
inline void runScriptText(db::Connection& c, const QString& path, const QString& text) {
    for (const voqsql::Batch& b : voqsql::splitBatches(text)) {
        try {
            c.execute(b.text);
        } catch (db::Error& e) {
            e.setMessage(
                QStringLiteral("%1 line %2: %3").arg(path).arg(b.firstLine).arg(e.message()));
            throw;
        }
    }
}

inline void runScript(db::Connection& c, const QString& path) {
    runScriptText(c, path, voqsql::readScriptFile(path));
}

// Rows of the first row set, values joined with '|', NULL as "NULL", numbers as the driver
// gives them (decimals as doubles).
inline QStringList rowsOf(db::Connection& c, const QString& sql) {
    return firstRowSetAsText(c.execute(sql));
}

inline QString scalarOf(db::Connection& c, const QString& sql) {
    const QStringList r = rowsOf(c, sql);
    return r.isEmpty() ? QStringLiteral("<no row>") : r.first();
}

// A fresh embedded server with a company database TESTCO holding the company schema, and a
// connection to it.
class CompanyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        {
            auto master = connect(dir_.path(), QStringLiteral("master"));
            master->execute(QStringLiteral("CREATE DATABASE TESTCO"));
        }
        db_ = connect(dir_.path(), QStringLiteral("TESTCO"));
        for (const QString& path : scriptsOf(QStringLiteral("company")))
            ASSERT_NO_THROW(runScriptText(*db_, path, companyScript(path))) << path.toStdString();
    }

    // The text of a company script as this database gets it.
    virtual QString companyScript(const QString& path) { return voqsql::readScriptFile(path); }

    QStringList rows(const QString& sql) { return rowsOf(*db_, sql); }
    QString scalar(const QString& sql) { return scalarOf(*db_, sql); }
    void exec(const QString& sql) { db_->execute(sql); }

    // Error number of a failing batch, 0 when it succeeds.
    int errorOf(const QString& sql, QString* message = nullptr) {
        try {
            db_->execute(sql);
        } catch (const db::Error& e) {
            if (message)
                *message = e.message();
            return e.nativeError() ? e.nativeError() : -1;
        }
        return 0;
    }

    QTemporaryDir dir_;
    std::unique_ptr<db::Connection> db_;
};

}  // namespace schematest

// Readable failure output for texts and row lists.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}
QT_END_NAMESPACE
