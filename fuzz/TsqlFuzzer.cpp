// libFuzzer target: every input is a script of T-SQL batches (lines "GO" between them) that runs
// through the lexer, parser, binder, SQLite emitter and interpreter on a server kept in memory.
// Errors the engine raises are answers; a crash, a hang, another exception or a sanitizer
// finding is a fault.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "dbcore/Error.h"
#include "tsql/Session.h"

namespace {

// An input that still runs after this long is cancelled, as a client's query timeout would: a
// loop without end is T-SQL that SQL Server runs forever too, not a fault of the engine.
constexpr qint64 kInputMilliseconds = 2000;

QString memoryDirectory() {
    return QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                              : QDir::tempPath();
}

// The server directory with one database "Fuzz", made once and put back before every input so
// that no input sees what an earlier one left.
class FuzzServer {
public:
    FuzzServer()
        : server_(memoryDirectory() + QStringLiteral("/voq-fuzz-XXXXXX")),
          pristine_(memoryDirectory() + QStringLiteral("/voq-fuzz-pristine-XXXXXX")) {
        tsql::Session master(server_.path(), QStringLiteral("master"));
        master.execute(QStringLiteral("CREATE DATABASE Fuzz"), {});
        QFile::copy(databaseFile(server_), databaseFile(pristine_));
    }

    QString path() const { return server_.path(); }

    void reset() const {
        QDir dir(server_.path());
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            dir.remove(name);
        QFile::copy(databaseFile(pristine_), databaseFile(server_));
    }

private:
    static QString databaseFile(const QTemporaryDir& dir) {
        return dir.filePath(QStringLiteral("Fuzz.sqlite"));
    }

    QTemporaryDir server_;
    QTemporaryDir pristine_;
};

QStringList batchesOf(const QString& script) {
    static const QRegularExpression go(
        QStringLiteral("^[ \\t]*GO[ \\t\\r]*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    return script.split(go);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzServer server;
    server.reset();
    tsql::Session session(server.path(), QStringLiteral("Fuzz"));
    QElapsedTimer clock;
    clock.start();
    session.setCancelCheck([&clock] { return clock.elapsed() > kInputMilliseconds; });
    const QString script =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QString& batch : batchesOf(script)) {
        try {
            session.execute(batch, {});
        } catch (const db::Error&) {
            // The engine's answer to the batch; the next one runs, as sqlcmd without -b.
        }
    }
    return 0;
}
