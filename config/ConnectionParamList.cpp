#include "config/ConnectionParamList.h"

#include <QFile>
#include <QFileInfo>

namespace config {

void fillConnectionParams(db::ConnectionParams& params, const QString& databaseName,
                          const QString& serverName, int maxQueryTime) {
    params.clear();
    params.add(QStringLiteral("DATABASE NAME=") + databaseName);
    params.add(QStringLiteral("SERVER NAME=") + serverName);
    params.add(QStringLiteral("USER NAME=voq"));
    params.add(QStringLiteral("OPEN MODE=READ/WRITE"));
    params.add(QStringLiteral("SCHEMA CACHE SIZE=8"));
    params.add(QStringLiteral("BLOB EDIT LOGGING="));
    params.add(QStringLiteral("LANGDRIVER="));
    params.add(QStringLiteral("SQLQRYMODE="));
    params.add(QStringLiteral("SQLPASSTHRU MODE=SHARED AUTOCOMMIT"));
    params.add(QStringLiteral("DATE MODE=1"));
    params.add(QStringLiteral("SCHEMA CACHE TIME=-1"));
    params.add(QStringLiteral("MAX QUERY TIME=") + QString::number(maxQueryTime));
    params.add(QStringLiteral("MAX ROWS=-1"));
    params.add(QStringLiteral("BATCH COUNT=200"));
    params.add(QStringLiteral("ENABLE SCHEMA CACHE=FALSE"));
    params.add(QStringLiteral("SCHEMA CACHE DIR="));
    params.add(QStringLiteral("HOST NAME="));
    params.add(QStringLiteral("APPLICATION NAME="));
    params.add(QStringLiteral("NATIONAL LANG NAME="));
    params.add(QStringLiteral("ENABLE BCD=True"));
    params.add(QStringLiteral("TDS PACKET SIZE=4096"));
    params.add(QStringLiteral("BLOBS TO CACHE=-1"));
    params.add(QStringLiteral("BLOB SIZE=64"));
    params.add(QStringLiteral("PASSWORD=marigold"));
}

QString ReadServerName() {
    const QString path = QStringLiteral("Server.Dat");
    // Opening a FIFO would wait for a writer; only a regular file is read.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray line = file.readLine(kServerDatLineCap + 1);
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

ServerChoice chooseServer() {
    const QString fromFile = ReadServerName();
    if (fromFile.isEmpty())
        return {QStringLiteral(VOQ_DEFAULT_SERVER), false};
    return {fromFile, true};
}

QString serverName() {
    return chooseServer().name;
}

QString serverOrigin(const ServerChoice& server) {
    if (server.fromServerDat)
        return QStringLiteral("The server name \"%1\" is the first line of %2.")
            .arg(server.name, QFileInfo(QStringLiteral("Server.Dat")).absoluteFilePath());
    return QStringLiteral(
               "The server name \"%1\" is the installation's default: %2 names none "
               "(missing, empty, unreadable or not a regular file).")
        .arg(server.name, QFileInfo(QStringLiteral("Server.Dat")).absoluteFilePath());
}

}  // namespace config
