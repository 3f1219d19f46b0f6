#include "tsql/SqliteErrors.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include "tsql/Errors.h"

namespace tsql {

namespace {

bool startsWith(const QString& text, const char* prefix) {
    return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

// The text after "prefix: " in one of SQLite's messages ("no such table: main.T" -> "T").
QString objectIn(const QString& message) {
    const QString name = message.mid(message.indexOf(u':') + 1).trimmed();
    const int dot = static_cast<int>(name.lastIndexOf(u'.'));
    return dot >= 0 ? name.mid(dot + 1) : name;
}

[[noreturn]] void diskFull(const SqliteFailure& f) {
    raise(1105,
          QStringLiteral("Could not allocate space for object '%1' in database '%2' because "
                         "the 'PRIMARY' filegroup is full. Create disk space by deleting "
                         "unneeded files, dropping objects in the filegroup, adding "
                         "additional files to the filegroup, or setting autogrowth on for "
                         "existing files in the filegroup.")
              .arg(f.object.isEmpty() ? QStringLiteral("dbo") : QStringLiteral("dbo.") + f.object,
                   f.database));
}

// SQLite's result codes of the ERROR family, told apart by their messages.
[[noreturn]] void statementError(const SqliteFailure& f) {
    const QString& m = f.message;
    if (startsWith(m, "parser stack overflow") || startsWith(m, "Expression tree is too large"))
        raise(err::NestedTooDeeply,
              QStringLiteral("Some part of your SQL statement is nested too deeply. Rewrite the "
                             "query or break it down into smaller queries."));
    if (startsWith(m, "integer overflow"))
        raise(8115, QStringLiteral(
                        "Arithmetic overflow error converting expression to data type bigint."));
    if (startsWith(m, "no such table"))
        invalidObject(objectIn(m));
    if (startsWith(m, "no such column"))
        invalidColumn(objectIn(m));
    if (startsWith(m, "too many columns on"))
        raise(1702, QStringLiteral("CREATE TABLE failed because a column in table '%1' exceeds the "
                                   "maximum of 2000 columns.")
                        .arg(objectIn(m)));
    if (startsWith(m, "too many") || startsWith(m, "at most"))
        raise(8623, QStringLiteral("The query processor ran out of internal resources and could "
                                   "not produce a query plan. This is a rare event and only "
                                   "expected for extremely complex queries or queries that "
                                   "reference a very large number of tables or partitions. Please "
                                   "simplify the query."));
    raise(err::Internal, QStringLiteral("Internal Query Processor Error: The query processor "
                                        "encountered an unexpected error during execution (%1).")
                             .arg(m));
}

}  // namespace

void raiseSqliteFailure(const SqliteFailure& f) {
    const int primary = f.code & 0xff;
    if (f.cancelled)
        raise(err::Cancelled, QStringLiteral("The statement was cancelled."));
    if (f.timedOut || primary == SQLITE_INTERRUPT)
        raise(err::Timeout, QStringLiteral("Query timeout expired"));
    if (f.message.startsWith(u"tsql:")) {
        // An error raised by one of the engine's functions inside the statement.
        const int colon = static_cast<int>(f.message.indexOf(u':', 5));
        raise(f.message.mid(5, colon - 5).toInt(), f.message.mid(colon + 1));
    }
    switch (primary) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            raise(1222, QStringLiteral("Lock request time out period exceeded."));
        case SQLITE_FULL:
            diskFull(f);
        case SQLITE_IOERR:
            if (f.systemError == ENOSPC || f.systemError == EFBIG || f.systemError == EDQUOT)
                diskFull(f);
            raise(823, QStringLiteral("The operating system returned error %1 (%2) to SQL Server "
                                      "during a read or write of a file of database '%3'.")
                           .arg(f.systemError)
                           .arg(QString::fromLocal8Bit(std::strerror(f.systemError)), f.database));
        case SQLITE_READONLY:
            raise(3906, QStringLiteral("Failed to update database \"%1\" because the database is "
                                       "read-only.")
                            .arg(f.database));
        case SQLITE_CANTOPEN:
            raise(5120, QStringLiteral("Unable to open the physical file of database \"%1\". "
                                       "Operating system error %2: \"%3\".")
                            .arg(f.database)
                            .arg(f.systemError)
                            .arg(QString::fromLocal8Bit(std::strerror(f.systemError))));
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            raise(824, QStringLiteral("SQL Server detected a logical consistency-based I/O error "
                                      "in database '%1': %2.")
                           .arg(f.database, f.message));
        case SQLITE_NOMEM:
            raise(701, QStringLiteral("There is insufficient system memory in resource pool "
                                      "'default' to run this query."));
        case SQLITE_TOOBIG:
            raise(7119, QStringLiteral("Attempting to grow LOB beyond maximum allowed size of %1 "
                                       "bytes.")
                            .arg(f.lengthLimit));
        case SQLITE_CONSTRAINT:
            raise(err::ReferenceConflict,
                  QStringLiteral("The statement conflicted with a constraint: %1").arg(f.message));
        case SQLITE_ERROR:
            statementError(f);
        default:
            raise(err::Internal,
                  QStringLiteral("Internal Query Processor Error: The query processor encountered "
                                 "an unexpected error during execution (%1).")
                      .arg(f.message));
    }
}

}  // namespace tsql
