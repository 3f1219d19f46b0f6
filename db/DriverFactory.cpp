#include "db/Driver.h"
#include "db/EmbeddedDriver.h"
#include "db/OdbcDriver.h"
#include "dbcore/Error.h"

namespace db {

std::unique_ptr<Driver> createDriver(const QString& serverName) {
    if (serverName.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        return std::make_unique<EmbeddedDriver>();
    return std::make_unique<OdbcDriver>();
}

}  // namespace db
