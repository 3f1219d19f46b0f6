#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <variant>
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
    // Whether SET IDENTITY_INSERT is ON for the table.
    virtual bool identityInsert(const TableInfo&) const { return false; }
    // Whether an INSTEAD OF trigger writes in place of statement `kind` on the table or view.
    virtual bool writtenInstead(const TableInfo&, Stmt::Kind) { return false; }
    // The user function a name stands for, its parameters' and result's types those of the
    // system (alias types replaced); null when there is none.
    virtual std::shared_ptr<const CreateFunctionStmt> resolveFunction(const ObjectName& name) = 0;
};

// Whether a bound select core aggregates its rows (an aggregate call outside a window).
bool hasAggregate(const SelectCore& c);

// Whether two types are the same, length, precision and scale included (or one is not known).
bool sameType(const SqlType& a, const SqlType& b);

// Name resolution and typing, a pass of its own before SQL is generated (as SQLite's resolve.c
// marks each expression before code is generated from it).
// Contract: bindSelect() and its kin walk a whole tree once, in the order the emitter renders it,
// resolving names going down and computing types coming up. They mark each node with what it
// refers to: a column reference with its source and column (Expr::binding), a star with its
// columns, a table source with its table or common table, a call with its built-in's row,
// INSERT, UPDATE and DELETE with the table they write; and each expression with its type
// (Expr::type) and each select with its result columns' types (Select::columnTypes), by SQL
// Server's rules (BinderTypes.cpp). They raise SQL Server's errors for what does not resolve
// (207, 208, 209, 4104, 263, 1013, 195, 137 ...) or does not type (402, 116, 205, 529, 8117, 9810
// ...). The binder reads tables, types and variables only through its Environment (pure catalogue
// queries: databases are attached before binding) and spells no SQL; the emitter renders from
// the marks alone.
// The tables visible at each level of a query are kept innermost first (push, addTable, bind).
class Binder {
public:
    explicit Binder(Environment& env) : env_(env) {}

    // The passes: each binds one tree before it is rendered.
    void bindSelect(const Select& s);
    void bindExpression(const Expr& e);  // without sources: variables, constants, sub-selects
    void bindInsert(const InsertStmt& s);
    // Its target alone: the table and the columns filled (INSERT ... EXEC, before the call).
    void bindInsertTarget(const InsertStmt& s);
    void bindUpdate(const UpdateStmt& s);
    void bindDelete(const DeleteStmt& s);

    // The levels of a query, for the passes (and tests).
    void push();
    void pop();
    // A table or view under its correlation name (the alias, else the table's own name).
    void addTable(const QString& alias, const TableInfo* table);
    // A derived or common table: the columns of `select`, under `names`.
    void addDerived(const QString& alias, const Select* select, const QStringList& names);
    // Resolves a column reference, [qualifier.]column, against the innermost level first and
    // marks it with what it stands for; raises 207, 209 or 4104.
    void bind(const Expr& column) const;
    // Columns of `*` or `alias.*` at the innermost level, but those named in `omitted`.
    std::vector<ColumnBinding> star(const QStringList& qualifier,
                                    const QStringList& omitted = {}) const;

private:
    // A source's columns are its table's, or a derived or common table's names (whose types its
    // select gives).
    struct Source {
        QString alias;
        const TableInfo* table = nullptr;
        const Select* select = nullptr;  // a derived or common table
        QStringList names;               // of a derived or common table
        size_t size() const { return table ? table->columns.size() : size_t(names.size()); }
        const QString& name(size_t k) const;
        SqlType type(size_t k) const;
    };
    struct Level {
        std::vector<Source> sources;
        // The select list whose aliases the level's ORDER BY names, once it is bound, and the
        // types of its result columns; for the ORDER BY of a union, the first core's list, whose
        // column names count as well, and the union's types.
        const SelectCore* list = nullptr;
        const std::vector<SqlType>* types = nullptr;
        bool columnNames = false;
    };
    struct CommonTable {
        QString name;
        const tsql::CommonTable* definition;
        const Select* select;
        QStringList names;
        // While its recursive members are bound: the level of their sources, where alone they
        // may name it; else 0.
        size_t memberLevel;
    };
    // The parameters of an inline function being expanded where it is called: each stands for
    // its argument, or its default.
    struct Parameter {
        QString name;
        const Expr* argument;
        SqlType type;
    };
    using Parameters = std::vector<Parameter>;
    // An item of the expression walk: a node, a sub-select bound after the operand before it
    // (x IN (SELECT ...)), an OVER clause bound after its call's arguments, or a node to type
    // once its children are bound.
    struct Typing {
        const Expr* node;
    };
    using Pending = std::variant<const Expr*, const Select*, const WindowSpec*, Typing>;

    // A select; its result columns' names go to `names` (empty where an item has none) when the
    // caller needs them (derived and common tables, unions).
    void select(const Select& s, QStringList* names);
    void withClause(const std::vector<tsql::CommonTable>& with);
    static QStringList commonNames(const tsql::CommonTable& t, const QStringList& inner);
    void recursiveTable(const tsql::CommonTable& t);
    static size_t anchorCount(const Select& s, const QString& name);
    void recursiveMember(const QString& name, const SelectCore& c, const QStringList& names,
                         const std::vector<SqlType>& anchorTypes);
    void paging(const Select& s);
    void plainSelect(const Select& s, QStringList* names);
    void unionSelect(const Select& s, QStringList* names);
    void unitedCores(const Select& s, size_t count, QStringList* names);
    // A core's result columns' types go to `types`.
    void core(const SelectCore& c, const std::vector<OrderItem>* orderBy, QStringList* names,
              std::vector<SqlType>& types);
    void selectList(const SelectCore& c, QStringList* names, std::vector<SqlType>& types);
    void from(const std::vector<TableRefPtr>& from);
    // A table source; `lateral`: the right side of APPLY, whose function arguments see the left.
    void table(const TableRef& t, bool lateral = false);
    void orderBy(const std::vector<OrderItem>& items);
    // An expression: its nodes in the order the emitter renders them, long chains of operators
    // without recursion (on pending_, above the entries of the walks it is nested in).
    void expr(const Expr& e);
    void node(const Expr& e);
    void function(const Expr& e);
    // A call of a user scalar function (dbo.f(...)): its definition, arguments and type.
    void userFunction(const Expr& e);
    void variable(const Expr& e);
    // A table-valued function in FROM: an inline one's select, expanded with its arguments.
    void functionRows(const TableRef& t);
    void tableFunction(const TableRef& t, bool lateral);
    // The arguments of a call of `f`, named `shown`: as many as it has parameters (313, or 216
    // for a table-valued one; 8144), DEFAULT only for a parameter that has a default (201).
    static void checkArguments(const CreateFunctionStmt& f, const QString& shown,
                               const std::vector<ExprPtr>& args, bool table);
    // APPLY: the right side sees the sources of the left.
    void apply(const TableRef& t);
    void over(const WindowSpec& w);
    // The node's type from its own and its children's marks (BinderTypes.cpp).
    static void type(const Expr& e);
    // A union's result types: each column's common type over its cores; raises 205.
    static void combineTypes(std::vector<SqlType>& result, const std::vector<SqlType>& core);
    // A select-list alias of the innermost level: marks `column` with it and returns true, or
    // returns false when there is none of that name.
    bool markAlias(const Expr& column) const;
    const CommonTable* commonTable(const QString& name) const;
    int innermost() const { return static_cast<int>(levels_.size()) - 1; }
    // UPDATE and DELETE: the table written and the source of FROM that names it; the common
    // table it is written through, if any.
    const CommonTable* target(const ObjectName& name, const std::vector<TableRefPtr>& from,
                              std::shared_ptr<const TableInfo>& table, const TableRef*& inFrom,
                              Stmt::Kind kind, const char* verb);
    static std::shared_ptr<const TableInfo> writtenThrough(const CommonTable& common);
    static int columnThrough(const CommonTable& common, const TableInfo& table,
                             const QString& name);

    Environment& env_;
    std::vector<Level> levels_;
    std::vector<CommonTable> commonTables_;
    std::vector<Pending> pending_;
    std::vector<Parameters> parameters_;  // innermost last
};

}  // namespace tsql
