#include "CaseRun.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

#include "Transcript.h"
#include "tsql/Session.h"

namespace conformance {

namespace {

// A case stops with an error when it runs longer than this, so a loop that never ends fails
// the case instead of hanging the suite.
constexpr qint64 kCaseTimeLimitMs = 20000;

// A directory for a case's server: in memory where the system offers it, as each case writes
// its database afresh and waiting for the disk would cost more than the case.
std::unique_ptr<QTemporaryDir> serverDirectory() {
    const QFileInfo shared(QStringLiteral("/dev/shm"));
    if (shared.isDir() && shared.isWritable())
        return std::make_unique<QTemporaryDir>(shared.filePath() +
                                               QStringLiteral("/voq-conformance-XXXXXX"));
    return std::make_unique<QTemporaryDir>();
}

}  // namespace

QStringList runCase(const Case& c) {
    const std::unique_ptr<QTemporaryDir> dir = serverDirectory();
    Transcript transcript;
    tsql::Session master(dir->path(), QStringLiteral("master"));
    master.execute(QStringLiteral("CREATE DATABASE Shop"), {});
    tsql::Session session(dir->path(), QStringLiteral("Shop"));
    QElapsedTimer clock;
    clock.start();
    session.setCancelCheck([&clock] { return clock.elapsed() > kCaseTimeLimitMs; });
    for (const QString& batch : c.batches) {
        try {
            session.execute(batch, {}, transcript);
        } catch (const db::Error& e) {
            transcript.error(e);
        }
    }
    return transcript.lines();
}

}  // namespace conformance
