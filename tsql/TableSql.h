#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tsql {

// A foreign key as SQLite enforces it. `name` is empty for a key of a table made by another tool;
// `refColumns` is empty for a key on the referenced table's primary key.
struct ForeignKeySql {
    QString name;
    QStringList columns;
    QString refTable;
    QStringList refColumns;
};

// A column as a database file declares it.
struct ColumnSql {
    QString name;
    QByteArray type;     // declared type with its collation: "varchar(20) COLLATE THAI_CI_AS"
    bool rowid = false;  // INTEGER PRIMARY KEY: the identity column
    bool autoincrement = false;  // of the rowid: numbers are never reused
    bool notNull = false;
    QByteArray defaultSql;                   // the default's SQLite expression, empty for none
    QByteArray generated;                    // a computed column's SQLite expression
    bool stored = false;                     // a computed column kept in the row (PERSISTED)
    std::optional<ForeignKeySql> reference;  // a key declared with the column
};

// A CHECK constraint as SQLite enforces it: its condition in SQLite's words.
struct CheckSql {
    QString name;
    QByteArray condition;
};

// A table as a database file declares it; keys other than the identity are indexes of their own.
struct TableSql {
    QString schema;
    QString name;
    std::vector<ColumnSql> columns;
    std::vector<ForeignKeySql> foreignKeys;
    std::vector<CheckSql> checks;
    // False when the file declares more than these fields hold (keys of the table's own other
    // than the rowid, cascading foreign keys): a table made by another tool.
    bool complete = true;
};

// The one renderer of a table's SQLite declaration: CREATE TABLE and ALTER TABLE ... ADD COLUMN
// spell columns and keys only through these, so a table read back from the catalogue renders as
// it was created.
QByteArray columnDefinition(const ColumnSql& c);
// CREATE TABLE schema.name (...), under `name` when given (a rebuild's new table).
QByteArray createTableSql(const TableSql& t, const QString& name = QString());

}  // namespace tsql
