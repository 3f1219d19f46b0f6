#include "EngineFixture.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "tests/common/ResultRows.h"
#include "tools/voqsql/Script.h"
#include "tsql/Session.h"

void EngineTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    if (TdsServer::requested())
        tds = std::make_unique<TdsServer>(dir.path());
    writeServerDat(server().toUtf8());
    createDatabase(kCompany);
}

void EngineTest::TearDown() {
    cfg.reset();
    dm.reset();
    tds.reset();
    QDir::setCurrent(previousDir);
}

void EngineTest::addServerParams(db::ConnectionParams& params) const {
    params.add("SERVER NAME=" + server());
    if (tds) {
        params.add(QStringLiteral("USER NAME=") + TdsServer::kLogin);
        params.add(QStringLiteral("PASSWORD=") + TdsServer::kPassword);
    }
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

QStringList EngineTest::companySchemaScripts() {
    const QDir schema(sourcePath("schema/company"));
    QStringList scripts;
    for (const QString& file : schema.entryList({"*.sql"}, QDir::Files, QDir::Name))
        scripts << schema.filePath(file);
    return scripts;
}

void EngineTest::installCompanySchema() {
    for (const QString& script : companySchemaScripts())
        runFile(kCompany, script);
}

namespace {

// Where a prepared database is kept: its name changes with the test program (which holds the
// engine), the day (demo rows are dated from today) and the scripts.
QString preparedPath(const QString& database, const QStringList& scripts) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const QFileInfo program(QStringLiteral("/proc/self/exe"));
    hash.addData(
        QFileInfo(program.canonicalFilePath()).lastModified().toString(Qt::ISODateWithMs).toUtf8());
    hash.addData(QDate::currentDate().toString(Qt::ISODate).toUtf8());
    for (const QString& path : scripts) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            hash.addData(f.readAll());
    }
    return QDir::temp().filePath(QStringLiteral("voq-test-%1-%2.sqlite")
                                     .arg(database, QString::fromLatin1(hash.result().toHex())));
}

}  // namespace

void EngineTest::installPrepared(const QString& database, const QStringList& scripts) {
    const QString file = dir.filePath(database + ".sqlite");
    const QString prepared = preparedPath(database, scripts);
    if (QFile::exists(prepared)) {
        QFile::remove(file);
        ASSERT_TRUE(QFile::copy(prepared, file)) << prepared.toStdString();
        return;
    }
    if (!QFile::exists(file))
        createDatabase(database);
    for (const QString& script : scripts)
        runFile(database, script);
    // Another test may be preparing the same file: each writes its own copy, then renames it.
    const QString mine = prepared + QStringLiteral(".%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(QFile::copy(file, mine));
    if (!QFile::rename(mine, prepared))
        QFile::remove(mine);
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
