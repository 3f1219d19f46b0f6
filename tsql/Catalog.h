#pragma once

#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tsql/SqlType.h"
#include "tsql/TableSql.h"

namespace tsql {

class Database;

struct ColumnInfo {
    QString name;
    SqlType type;
    bool notNull = false;
    bool identity = false;
    QByteArray defaultSql;  // the default's SQLite expression, empty for none
    bool computed = false;  // its value is an expression of the row's other columns
};

struct TableInfo {
    QString schema;  // SQLite schema: main, temp or an attached database
    QString name;    // as stored
    bool view = false;
    std::vector<ColumnInfo> columns;
    int identityColumn = -1;
    qint64 identitySeed = 1;
    qint64 identityIncrement = 1;

    int indexOf(const QString& column) const;
    // Whether SQLite's AUTOINCREMENT gives the identity values (a seed of 1 or more, counting
    // by 1); other identities get theirs from the INSERT that makes the rows.
    bool identityByRowid() const { return identityIncrement == 1 && identitySeed >= 1; }
    QByteArray sqlName() const;  // "schema"."name"
};

struct ConstraintInfo {
    QString name;
    QString table;
    QString kind;  // PK, UQ, FK, DF
    QStringList columns;
    QString detail;  // FK: referenced table(columns); DF: the default's T-SQL text
};

// A key column of an index, with the collation the index compares it by (SQLite's name).
struct IndexColumn {
    QString name;
    QString collation;
};

struct TriggerInfo {
    QString name;
    QString table;
    int events = 0;      // the statements that fire it: bits of CreateTriggerStmt::Event
    QString definition;  // its T-SQL text
};

// Tables, views, alias types and constraints of one connection's databases, read from SQLite's
// schema and the engine's metadata tables, cached until the schema changes.
// Contract: lookups are pure reads of what the connection's databases hold (attached databases
// included); invalidate() is called after every schema change this connection makes or notices,
// and the next lookup reads the schema again.
class Catalog {
public:
    explicit Catalog(Database& db) : db_(db) {}

    // nullptr when there is no such table or view.
    std::shared_ptr<const TableInfo> find(const QString& schema, const QString& name);
    // A user type of the database (types live in its main schema only).
    std::optional<SqlType> aliasType(const QString& name);
    std::vector<ConstraintInfo> constraints(const QString& schema, const QString& table);
    std::optional<ConstraintInfo> constraint(const QString& schema, const QString& name);
    // The table's declaration as the file holds it, read back column by column and key by key
    // (foreign keys named from the constraint metadata); nullopt for a view or no table.
    std::optional<TableSql> definition(const QString& schema, const QString& name);
    // Index (SQLite name) whose columns are exactly `columns`, for error messages.
    QString uniqueIndexOn(const QString& schema, const QString& table, const QStringList& columns);
    // The unique indexes of a table that are keys or unique indexes of its own (not the partial
    // ones that guard them), by SQLite name, the one made last first.
    QStringList uniqueIndexes(const QString& schema, const QString& table);
    // An index's key columns in order; empty for no such index.
    std::vector<IndexColumn> indexColumns(const QString& schema, const QString& index);
    // Whether any object (table, view, procedure, trigger, constraint, index) has this name.
    bool objectExists(const QString& schema, const QString& name);
    // The AFTER triggers of a table, in the order they were made.
    const std::vector<TriggerInfo>& triggers(const QString& schema, const QString& table);
    std::optional<TriggerInfo> trigger(const QString& schema, const QString& name);
    // Triggers are read again at their next lookup (another connection may have changed them).
    void forgetTriggers() { triggers_.clear(); }
    void invalidate();

private:
    struct Object {
        QString name;  // as stored
        bool view = false;
    };
    // The table or view that `name` stands for under the collation.
    std::optional<Object> objectNamed(const QString& schema, const QString& name);
    const QHash<QString, Object>* objectsOf(const QString& schema);
    std::vector<ColumnSql> declaredColumns(const TableInfo& t);
    std::vector<ForeignKeySql> foreignKeys(const TableInfo& t, bool* complete);
    bool hasKeysOfItsOwn(const TableInfo& t);
    void readIdentity(TableInfo& t);
    void readViewTypes(TableInfo& view);

    Database& db_;
    QHash<QString, QHash<QString, Object>> objects_;  // by lower-cased schema, folded name
    QHash<QString, std::shared_ptr<const TableInfo>> tables_;
    // By name as spelt. Hashed with the standard library's hash, not qHash: Qt 6.4's AES hash of
    // a short key took about 0.3 us a lookup in the product bench (a stall, not instructions),
    // and every DECLARE of an alias type looks up here.
    struct SpeltHash {
        size_t operator()(const QString& s) const {
            return std::hash<std::u16string_view>()(
                std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), s.size()));
        }
    };
    std::unordered_map<QString, std::optional<SqlType>, SpeltHash> types_;
    QHash<QString, std::vector<TriggerInfo>> triggers_;  // by lower-cased schema, folded table
};

// T-SQL type of a column as declared in the SQLite file.
SqlType columnType(const QString& declared);

}  // namespace tsql
