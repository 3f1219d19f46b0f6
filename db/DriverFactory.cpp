#include "db/Driver.h"
#include "db/Error.h"
#include "db/OdbcDriver.h"

namespace db {

std::unique_ptr<Driver> createDriver(const QString& serverName) {
    if (serverName.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        throw Error::client(QStringLiteral("The embedded engine is not available in this build: ") +
                            serverName);
    return std::make_unique<OdbcDriver>();
}

}  // namespace db
