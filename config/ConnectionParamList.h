#pragma once

#include <QString>

#include "db/ConnectionParams.h"

namespace config {

// Maximum query time, in seconds, of each of the three connections.
inline constexpr int kCompanyQueryTime = 2400;
inline constexpr int kConfigQueryTime = 600;
inline constexpr int kMasterQueryTime = 1200;

// Clears `params` and fills it with the 24 lines every connection of the system opens with.
void fillConnectionParams(db::ConnectionParams& params, const QString& databaseName,
                          const QString& serverName, int maxQueryTime);

// The first line of "Server.Dat" in the current directory, taken whole (not trimmed); empty
// when the file is missing, unreadable or empty.
QString ReadServerName();

// ReadServerName(), or the installation's default server name when that is empty.
QString serverName();

}  // namespace config
