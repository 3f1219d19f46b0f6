#include "tsql/Server.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "tsql/Conversions.h"
#include "tsql/Database.h"
#include "tsql/DatabaseUse.h"
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

namespace {

void removeDatabaseFiles(const QString& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

}  // namespace

// The file is made under a name that is no database's and takes its own name only once it is
// complete, so that a CREATE DATABASE that fails (a full disk) leaves nothing that opens as a
// database.
void Server::createDatabase(const QString& name) {
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z_][A-Za-z0-9_@#$]*$"));
    if (!valid.match(name).hasMatch())
        raise(err::Syntax, QStringLiteral("Incorrect syntax near '%1'.").arg(name));
    if (name.compare(u"master", Qt::CaseInsensitive) == 0 || !pathOf(name).isEmpty())
        raise(1801,
              QStringLiteral("Database '%1' already exists. Choose a different database name.")
                  .arg(name));
    const QString path = QDir(dir_).filePath(name + QStringLiteral(".sqlite"));
    const QString making =
        path + QStringLiteral("-new-%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                             QLatin1Char('0'));
    try {
        Database db(making, nullptr, true);
        db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    } catch (const db::Error& e) {
        removeDatabaseFiles(making);
        std::vector<db::ServerMessage> messages = e.messages();
        messages.push_back(db::serverMessage(1802, QStringLiteral("CREATE DATABASE failed. Some "
                                                                  "file names listed could not "
                                                                  "be created. Check related "
                                                                  "errors.")));
        throw db::Error(std::move(messages));
    }
    // link() refuses an existing name, where rename() would replace a database made meanwhile.
    const bool placed =
        ::link(QFile::encodeName(making).constData(), QFile::encodeName(path).constData()) == 0;
    removeDatabaseFiles(making);
    if (!placed)
        raise(1801,
              QStringLiteral("Database '%1' already exists. Choose a different database name.")
                  .arg(name));
}

void Server::dropDatabase(const QString& name) {
    const QString path = pathOf(name);
    if (path.isEmpty() || name.compare(u"master", Qt::CaseInsensitive) == 0)
        raise(3701,
              QStringLiteral("Cannot drop the database '%1', because it does not exist or you "
                             "do not have permission.")
                  .arg(name));
    DatabaseUse::whileUnused(dir_, QFileInfo(path).completeBaseName(), [&] {
        if (!QFile::remove(path))
            raise(3702,
                  QStringLiteral("Cannot drop database \"%1\" because it is currently in use.")
                      .arg(name));
        removeDatabaseFiles(path);
    });
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
    raise(err::ServerSetting,
          QStringLiteral("The server clock setting '%1' is not understood; write "
                         "'fixed <date time>', 'start <date time>' or 'offset <seconds>'.")
              .arg(line));
}

}  // namespace tsql
