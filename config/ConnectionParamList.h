#pragma once

#include <QString>

#include "dbcore/ConnectionParams.h"

namespace config {

// Maximum query time, in seconds, of each of the three connections.
inline constexpr int kCompanyQueryTime = 2400;
inline constexpr int kConfigQueryTime = 600;
inline constexpr int kMasterQueryTime = 1200;

// Clears `params` and fills it with the 24 lines every connection of the system opens with.
void fillConnectionParams(db::ConnectionParams& params, const QString& databaseName,
                          const QString& serverName, int maxQueryTime);

// The first line of "Server.Dat" in the current directory, taken whole (not trimmed) up to
// kServerDatLineCap characters; empty when the file is missing, unreadable, empty, or anything
// but a regular file (a directory, a FIFO, a device).
QString ReadServerName();
inline constexpr int kServerDatLineCap = 4096;

// The server the connections go to, and whether "Server.Dat" named it.
struct ServerChoice {
    QString name;
    bool fromServerDat = false;
};
// ReadServerName(), or the installation's default server name when that is empty.
ServerChoice chooseServer();
QString serverName();

// Where the chosen server name came from, for the message of a failed connection.
QString serverOrigin(const ServerChoice& server);

}  // namespace config
