#include "EngineFixture.h"

#include <QDir>
#include <QFile>

#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "tests/common/ResultRows.h"
#include "tools/voqsql/Script.h"
#include "tsql/Session.h"

void EngineTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    writeServerDat(server().toUtf8());
    createDatabase(kCompany);
}

void EngineTest::TearDown() {
    cfg.reset();
    dm.reset();
    QDir::setCurrent(previousDir);
}

void EngineTest::writeServerDat(const QByteArray& firstLine) {
    QFile f(dir.filePath("Server.Dat"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(firstLine + "\r\n");
}

void EngineTest::writeServerClock(const QByteArray& line) {
    QFile f(dir.filePath("server-clock"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(line + "\n");
}

void EngineTest::createDatabase(const QString& name) {
    tsql::Session master(dir.path(), "master");
    master.execute("CREATE DATABASE " + name, {});
}

void EngineTest::runScript(const QString& database, const QString& script) {
    tsql::Session session(dir.path(), database);
    for (const voqsql::Batch& batch : voqsql::splitBatches(script))
        for (int i = 0; i < batch.repeat; ++i)
            session.execute(batch.text, {});
}

void EngineTest::runFile(const QString& database, const QString& path) {
    runScript(database, voqsql::readScriptFile(path));
}

void EngineTest::installCompanySchema() {
    const QDir schema(sourcePath("schema/company"));
    for (const QString& file : schema.entryList({"*.sql"}, QDir::Files, QDir::Name))
        runFile(kCompany, schema.filePath(file));
}

void EngineTest::installDemoCompany() {
    installCompanySchema();
    const QDir demo(sourcePath("schema/demo"));
    for (const QString& file : demo.entryList({"company*.sql"}, QDir::Files, QDir::Name))
        runFile(kCompany, demo.filePath(file));
}

void EngineTest::installConfig() {
    createDatabase("VOQ_CONFIG");
    const QDir schema(sourcePath("schema/config"));
    for (const QString& file : schema.entryList({"*.sql"}, QDir::Files, QDir::Name))
        runFile("VOQ_CONFIG", schema.filePath(file));
    const QDir demo(sourcePath("schema/demo"));
    for (const QString& file : demo.entryList({"config*.sql"}, QDir::Files, QDir::Name))
        runFile("VOQ_CONFIG", demo.filePath(file));
}

QStringList EngineTest::rows(const QString& database, const QString& sql) {
    tsql::Session session(dir.path(), database);
    return firstRowSetAsText(session.execute(sql, {}));
}

QString EngineTest::scalar(const QString& database, const QString& sql) {
    const QStringList r = rows(database, sql);
    return r.isEmpty() ? QStringLiteral("<no row>") : r.first();
}

void EngineTest::createModules() {
    dm = std::make_unique<TDM>();
    cfg = std::make_unique<TDMConfig>();
    cfg->MenuId = 501;
    cfg->UserId = 7;
}

QString EngineTest::sourcePath(const QString& relative) {
    return QDir(qEnvironmentVariable("VOQ_SOURCE_DIR", VOQ_SOURCE_FALLBACK)).filePath(relative);
}
