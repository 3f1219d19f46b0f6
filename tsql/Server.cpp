#include "tsql/Server.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "tsql/Conversions.h"
#include "tsql/Database.h"
#include "tsql/Errors.h"

namespace tsql {

Server::Server(const QString& dir) : dir_(QDir(dir).absolutePath()) {
    if (!QFileInfo(dir_).isDir())
        raise(53, QStringLiteral("A network-related or instance-specific error occurred while "
                                 "establishing a connection to SQL Server. The server was not "
                                 "found: the directory '%1' does not exist.")
                      .arg(dir));
}

QStringList Server::databases() const {
    QStringList names;
    for (const QFileInfo& f : QDir(dir_).entryInfoList({QStringLiteral("*.sqlite")}, QDir::Files,
                                                       QDir::Name | QDir::IgnoreCase))
        names << f.completeBaseName();
    return names;
}

QString Server::pathOf(const QString& name) const {
    for (const QString& n : databases())
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(dir_).filePath(n + QStringLiteral(".sqlite"));
    return {};
}

void Server::createDatabase(const QString& name) {
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z_][A-Za-z0-9_@#$]*$"));
    if (!valid.match(name).hasMatch())
        raise(err::Syntax, QStringLiteral("Incorrect syntax near '%1'.").arg(name));
    if (name.compare(u"master", Qt::CaseInsensitive) == 0 || !pathOf(name).isEmpty())
        raise(1801,
              QStringLiteral("Database '%1' already exists. Choose a different database name.")
                  .arg(name));
    QString path = QDir(dir_).filePath(name + QStringLiteral(".sqlite"));
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        raise(1802, QStringLiteral("CREATE DATABASE failed: %1").arg(msg));
    }
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    try {
        Database::ensureMetadata(db, "main");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

void Server::dropDatabase(const QString& name) {
    QString path = pathOf(name);
    if (path.isEmpty() || name.compare(u"master", Qt::CaseInsensitive) == 0)
        raise(3701,
              QStringLiteral("Cannot drop the database '%1', because it does not exist or you "
                             "do not have permission.")
                  .arg(name));
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    if (!QFile::remove(path))
        raise(3702, QStringLiteral("Cannot drop database \"%1\" because it is currently in use.")
                        .arg(name));
}

QDateTime Server::now() const {
    const QDateTime machine = QDateTime::currentDateTime();
    QFile f(QDir(dir_).filePath(QLatin1String(kClockFile)));
    if (!f.open(QIODevice::ReadOnly))
        return machine;
    const QString line = QString::fromUtf8(f.readLine()).trimmed();
    const int space = static_cast<int>(line.indexOf(u' '));
    const QString word = line.left(space).toLower();
    const QString arg = line.mid(space + 1).trimmed();
    if (word == u"offset") {
        bool ok = false;
        qint64 secs = arg.toLongLong(&ok);
        if (ok)
            return machine.addSecs(secs);
    } else if (word == u"fixed" || word == u"start") {
        auto at = parseDateText(arg);
        if (at) {
            if (word == u"fixed")
                return *at;
            QDateTime since = QFileInfo(f).lastModified();
            return at->addMSecs(since.msecsTo(machine));
        }
    }
    raise(0, QStringLiteral("The server clock setting '%1' is not understood; write "
                            "'fixed <date time>', 'start <date time>' or 'offset <seconds>'.")
                 .arg(line));
}

}  // namespace tsql
