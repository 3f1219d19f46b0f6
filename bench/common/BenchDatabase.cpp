#include "bench/common/BenchDatabase.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

#include "tools/voqsql/Script.h"

namespace bench {

QString benchRoot(const QString& fallback) {
    const QByteArray dir = qgetenv("VOQ_BENCH_DIR");
    return dir.isEmpty() ? fallback : QString::fromLocal8Bit(dir);
}

std::unique_ptr<db::Connection> connectTo(const QString& dir, const QString& database) {
    static int serial = 0;
    auto c = std::make_unique<db::Connection>(QStringLiteral("BENCH%1").arg(++serial));
    c->params().add(QStringLiteral("DATABASE NAME=") + database);
    c->params().add(QStringLiteral("SERVER NAME=file:") + dir);
    c->params().add(QStringLiteral("MAX QUERY TIME=0"));
    c->open();
    return c;
}

QString generatedCompany(const QString& dir, const datagen::Options& options,
                         const std::function<void(db::Connection&)>& finish) {
    const QString mark = dir + QStringLiteral("/BENCH.ready");
    if (QFile::exists(mark))
        return dir;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    connectTo(dir, QStringLiteral("master"))->execute(QStringLiteral("CREATE DATABASE BENCH"));
    auto c = connectTo(dir, QStringLiteral("BENCH"));
    const QDir schema(QStringLiteral(VOQ_SOURCE_ROOT "/schema/company"));
    for (const QString& name : schema.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name))
        for (const voqsql::Batch& b :
             voqsql::splitBatches(voqsql::readScriptFile(schema.filePath(name))))
            c->execute(b.text);

    datagen::Sink sink;
    sink.rows = [&](const QString& sql) {
        const db::BatchResult r = c->execute(sql);
        const db::StatementResult* rs = r.firstRowSet();
        return rs ? rs->rowSet.rows : std::vector<QVariantList>{};
    };
    sink.execute = [&](const QString& sql) { c->execute(sql); };
    c->startTransaction();
    datagen::generate(options, sink);
    c->commit();
    if (finish)
        finish(*c);
    QFile ready(mark);
    if (!ready.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot mark the bench database ready");
    return dir;
}

}  // namespace bench
