#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;

namespace tsql {

// How the engine opens the SQLite file of a database.

struct OpenedFile {
    sqlite3* db = nullptr;
    bool readOnly = false;
};

// Opens the file at `path` (empty: an in-memory database); `create` makes a missing file. A file
// that cannot be written, or that lies in a directory that cannot be, opens read-only, so that a
// read-only server directory still serves reads. Raises SQL Server's error when it fails.
OpenedFile openDatabaseFile(const QString& path, bool create);
bool isReadOnlyFile(const QString& path);
// The name to ATTACH the file under: its path, or a read-only URI when it cannot be written.
QByteArray attachName(const QString& path);

// Renames a collation wherever SQL text declares it (COLLATE <from>), leaving literals and quoted
// names alone.
QByteArray renameCollation(const QByteArray& sql, const QByteArray& from, const QByteArray& to);

}  // namespace tsql
