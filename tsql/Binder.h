#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "tsql/Ast.h"
#include "tsql/Catalog.h"

namespace tsql {

// What the binder needs from the session: variables, parameters, tables and alias types.
class Environment {
public:
    virtual ~Environment() = default;
    // Declared type of a variable; nullopt when it is not declared.
    virtual std::optional<SqlType> variableType(const QString& name) const = 0;
    virtual SqlType parameterType(int index) const = 0;
    // The table or view a name stands for; raises 208 when there is none.
    virtual std::shared_ptr<const TableInfo> resolveTable(const ObjectName& name) = 0;
    // A declared type, with alias types (CREATE TYPE) replaced by their base type.
    virtual SqlType resolveType(const SqlType& type, const QString& aliasName) = 0;
};

// Name resolution: the table sources visible at each level of a query, innermost first.
// Contract: the emitter pushes a level per select core and adds each source it renders; bind()
// and star() resolve against the levels as they stand, raising SQL Server's errors (207, 209,
// 4104, 263, 1013). bind() marks the column reference with the source and column it stands for
// (Expr::binding), which the emitter renders; the binder spells no SQL and reads tables only
// through its Environment.
class Binder {
public:
    explicit Binder(Environment& env) : env_(env) {}

    Environment& env() { return env_; }

    void push();
    void pop();

    // A table or view under its correlation name (the alias, else the table's own name).
    void addTable(const QString& alias, const TableInfo* table);
    // A derived table with the columns of its select list.
    void addDerived(const QString& alias, std::vector<ColumnInfo> columns);

    // Resolves a column reference, [qualifier.]column, against the innermost level first and
    // marks it with what it stands for; raises 207, 209 or 4104.
    void bind(const Expr& column) const;
    // Columns of `*` or `alias.*` at the innermost level.
    std::vector<ColumnBinding> star(const QStringList& qualifier) const;
    // Names of the select list, for ORDER BY references to aliases.
    void setSelectAliases(std::vector<std::pair<QString, SqlType>> aliases);
    std::optional<std::pair<QString, SqlType>> selectAlias(const QString& name) const;

    // Common tables of WITH, visible to the whole statement.
    void addCommonTable(const QString& name, std::vector<ColumnInfo> columns);
    const std::vector<ColumnInfo>* commonTable(const QString& name) const;

private:
    struct Source {
        QString alias;
        std::vector<ColumnInfo> columns;
    };
    struct Level {
        std::vector<Source> sources;
        std::vector<std::pair<QString, SqlType>> aliases;
    };
    Environment& env_;
    std::vector<Level> levels_;
    std::vector<std::pair<QString, std::vector<ColumnInfo>>> commonTables_;
};

}  // namespace tsql
