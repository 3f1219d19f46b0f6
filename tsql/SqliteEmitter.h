#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "tsql/Ast.h"
#include "tsql/Binder.h"
#include "tsql/Builtins.h"
#include "tsql/Conversions.h"
#include "tsql/Database.h"
#include "tsql/ResultSink.h"
#include "tsql/SqliteSyntax.h"

namespace tsql {

// Where the value of a `?N` placeholder comes from when the statement runs.
struct Slot {
    // CursorRow: the rowid of the row a cursor stands on (WHERE CURRENT OF).
    enum Kind { Param, Variable, Context, CursorRow };
    Kind kind = Param;
    int index = 0;                     // Param: the batch parameter; CursorRow: 1 for GLOBAL
    QString name;                      // Variable: "@name" lower-cased; CursorRow: the cursor
    const Builtin* context = nullptr;  // Context: the value's row
};

struct OutColumn {
    QString name;
    SqlType type;
    QByteArray sql;  // its name in the rendered select
};

// A translated statement: SQLite text, its placeholders, and the shape of its rows.
struct Compiled {
    QByteArray sql;
    std::vector<Slot> bindings;
    std::vector<OutColumn> columns;
    ResultColumns result;  // the columns as a row set reports them
    QStringList assignTo;  // SELECT @a = ..., @b = ...: the variables, in column order
    // Of select(): the variables a SELECT of variables alone returns, in column order.
    QStringList variablesAlone;
    bool readsDatabases = false;  // reads sysdatabases
    bool changesRows = false;     // INSERT/UPDATE/DELETE: reports a row count
    bool drawsIdentity = false;   // an INSERT whose rows take the target's identity values
    // Of a cursor's select (cursorSelect): the table whose rowids its last column holds.
    std::shared_ptr<const TableInfo> target;  // of INSERT/UPDATE/DELETE
    QString verb;                             // INSERT, UPDATE, DELETE
    mutable HeldStatement prepared;           // its SQLite statement, once prepared
};

// Renders the set statements of the AST as SQLite SQL. Each entry first binds its tree (Binder),
// then renders it from the binder's marks alone: what a name, a call, a variable or a table
// source stands for, and the type of each expression and result column, are read from the tree.
// Every node kind is rendered in one place; built-in calls through their rows (Builtins.h).
// Contract: one emitter per translation; rendering reads the tree and never changes it, types
// nothing, raises SQL Server's errors for what SQLite cannot be given (108, 141, 10741 ...), and
// hands back a Compiled whose placeholders say where each value comes from when the statement
// runs. Its text is built only from sqlite::
// pieces, so no input can end a literal or a name early.
class SqliteEmitter {
public:
    explicit SqliteEmitter(Environment& env) : binder_(env) {}

    Compiled select(const Select& s);
    // A cursor's select: when its rows are rows of one table, each with that table's rowid.
    Compiled cursorSelect(const Select& s);
    Compiled assignSelect(const Select& s);  // SELECT @v = ...
    Compiled expression(const Expr& e);      // SELECT <expr>
    Compiled condition(const Expr& e);       // SELECT 1 when the condition holds, else 0
    // An expression over the columns of `table`, named bare as in a table's declaration: a
    // CHECK constraint's condition, ALTER COLUMN's conversion of the old values.
    Compiled tableExpression(const Expr& e, const TableInfo& table);
    Compiled insert(const InsertStmt& s);
    Compiled update(const UpdateStmt& s);
    Compiled remove(const DeleteStmt& s);

    struct Rendered {
        QByteArray sql;
        sqlite::Precedence prec = sqlite::Precedence::Lowest;
        SqlType type;                // the node's, or what a conversion made of it
        bool column = false;         // a plain column reference
        bool stringLiteral = false;  // a '...' literal: its text in `literal`
        QString literal;

        sqlite::Term term() const { return {sql, prec}; }
        void set(const sqlite::Term& t) {
            sql = t.text;
            prec = t.precedence;
        }
    };

    // Arithmetic raises 8115 when its result leaves the range of its type, as on SQL Server:
    // SQLite would widen an integer to 64 bits or to a float, and a float to infinity.
    static sqlite::Term checkedArithmetic(const sqlite::Term& value, const SqlType& type);
    // `a op b` in exact decimal arithmetic with the result's type.
    static sqlite::Term decimalOperation(const QString& op, const sqlite::Term& a,
                                         const sqlite::Term& b, const SqlType& result);
    // A type as the constant argument of the engine's functions: 'decimal(10,2)'.
    static sqlite::Term typeConstant(const SqlType& t);
    // The collation that orders values of the type as T-SQL does (texts, exact numbers).
    static const char* orderCollation(const SqlType& t);

private:
    // An expression, of the type the binder marked it with.
    Rendered expr(const Expr& e);
    Rendered node(const Expr& e);
    // A column reference as the binder marked it.
    Rendered column(const Expr& e);
    QByteArray columnName(const ColumnBinding& b) const;
    // A variable, or inside an inline function's expansion the argument its parameter takes.
    Rendered variable(const Expr& e);
    // A condition, of type bit.
    static Rendered truth(const sqlite::Term& condition);
    Rendered between(const Expr& e);
    Rendered like(const Expr& e);
    Rendered inList(const Expr& e);
    Rendered inSelect(const Expr& e);
    Rendered literal(const Expr& e);
    Rendered binary(const Expr& e);
    Rendered logicalChain(const Expr& e);
    // Operations of a long arithmetic chain gathered into one call of the engine's (binary()).
    struct FlatChain {
        const char* function = nullptr;
        std::vector<sqlite::Term> args;
    };
    // Adds `acc op r` to the chain when it is checked integer or float arithmetic or decimal
    // arithmetic, closing the chain first when it is of the other kind or full.
    bool extendChain(FlatChain& chain, const Expr& node, Rendered& acc, Rendered& r);
    static void closeChain(FlatChain& chain, Rendered& acc);
    Rendered comparison(const QString& op, Rendered l, Rendered r);
    Rendered arithmetic(const QString& op, Rendered l, Rendered r, const SqlType& result);
    Rendered unary(const Expr& e);
    Rendered function(const Expr& e);
    Rendered context(const Builtin& b);
    // dbo.f(...): tsql_udf(name, arguments in the parameters' types), which runs the body.
    Rendered userFunction(const Expr& e);
    static std::shared_ptr<const CreateFunctionStmt> called(
        const std::weak_ptr<const CreateFunctionStmt>& function);
    QByteArray overSql(const WindowSpec& over);
    Rendered cast(const Expr& e);
    Rendered caseExpr(const Expr& e);
    Rendered subquery(const Select& s, bool scalar);
    sqlite::Term slot(const Slot& slot);
    sqlite::Term convertTo(const Rendered& r, const SqlType& to, int style = -1,
                           ConvertMode mode = ConvertMode::Explicit);
    // Operands of a comparison with a date or GUID in the form of the higher type (a text in
    // the date's or GUID's).
    void convertedOperands(Rendered& l, Rendered& r);
    // Brings two operands to comparable forms (date literals, exact numbers); returns the
    // collation their comparison needs, if any.
    const char* harmonise(Rendered& l, Rendered& r);
    // A text operand beside a number (of arithmetic or a comparison) converted to the number's
    // type, which has the higher precedence (an integer type's as int): a text that is not a
    // number fails with 245.
    void textAsNumber(Rendered& l, Rendered& r);
    // An operand of a comparison with decimals as an exact text (columns keep their form, so that
    // their indexes serve).
    void exactOperand(Rendered& x);
    // A value in the decimal type of a result it is one of (CASE, COALESCE); others unchanged.
    sqlite::Term inType(const Rendered& r, const SqlType& t);

    QByteArray selectSql(const Select& s, std::vector<OutColumn>* out);
    // A select; `hidden`, for a common table's, the hidden column of each of its members.
    QByteArray plainSelectSql(const Select& s, std::vector<OutColumn>* out,
                              const std::vector<QByteArray>* hidden = nullptr);
    QByteArray withSql(const std::vector<CommonTable>& with, int maxRecursion);
    static QByteArray rowidOf(const TableRef& source);
    QByteArray groupBySql(const std::vector<ExprPtr>& groupBy);
    QByteArray coreSql(const SelectCore& c, std::vector<OutColumn>* out, QStringList* assign,
                       const std::vector<OrderItem>* orderBy, QByteArray* orderSql,
                       const QByteArray* hidden = nullptr);
    QByteArray fromSql(const std::vector<TableRefPtr>& from);
    QByteArray tableSql(const TableRef& t);
    QByteArray functionRowsSql(const TableRef& t);
    QByteArray joinSql(const TableRef& t);
    // CROSS and OUTER APPLY (EmitApply.cpp).
    QByteArray applySql(const TableRef& t);
    // `value`, of the query at `level`, as the select of each APPLY it is inside sees it.
    sqlite::Term passedIn(sqlite::Term value, int level);
    QByteArray orderSql(const std::vector<OrderItem>& items, const std::vector<OutColumn>* out);
    QByteArray offsetSql(const Select& s);
    // A query of a union read again with its columns in the union's types where they are held
    // otherwise (an int beside a decimal), so that the union's rows compare as one type.
    QByteArray inUnionTypes(const QByteArray& core, const std::vector<OutColumn>& cols,
                            const std::vector<SqlType>& types);
    QByteArray valuesSql(const Select& s, std::vector<OutColumn>* out);
    QByteArray percentOf(const QByteArray& rows, const Expr& percent);
    QByteArray withTies(const Select& s, const QByteArray& rows, const std::vector<OutColumn>& out);
    QByteArray insertSelect(const InsertStmt& s, const QByteArray& head,
                            const QByteArray& identity);
    QByteArray insertRows(const InsertStmt& s);
    static QByteArray nextIdentities(const TableInfo& t);
    QByteArray updateThroughFrom(const UpdateStmt& s);
    static bool callsUserFunction(const Stmt& s);
    QByteArray spooledUpdate(const UpdateStmt& s, const QByteArray& with);
    QByteArray deletedRows(const DeleteStmt& s, const QString& alias);
    QByteArray deleteCondition(const DeleteStmt& s, const QString& alias);
    static QByteArray spooled(const QByteArray& with, const std::vector<QByteArray>& columns,
                              const QByteArray& select);
    QByteArray updateJoined(const UpdateStmt& s);
    QByteArray assignmentValue(const ColumnInfo& c, const Expr& value);
    QByteArray topRows(const TableInfo& t, const QString& alias, const QByteArray& where,
                       const Expr& top);

    Binder binder_;
    Compiled out_;
    // The APPLYs being rendered, outermost first: the level of the query whose FROM holds each,
    // and the values of its enclosing query that its select takes as ?1, ?2 ...
    struct Lateral {
        int level = 0;
        std::vector<QByteArray> values;
    };
    std::vector<Lateral> laterals_;
    // Selects rendered as the rows of tsql_apply, whose columns are c0, c1 ...
    std::vector<const Select*> appliedRows_;
    // The next select list rendered is the first of a UNION, EXCEPT or INTERSECT: its computed
    // values take the collation the result's values compare under.
    bool collateTexts_ = false;

    friend class FunctionCall;
};

// One call of a built-in as its row renders it: the arguments rendered on demand, the usual
// conversions, and the result.
class FunctionCall {
public:
    using Rendered = SqliteEmitter::Rendered;
    FunctionCall(SqliteEmitter& emitter, const Expr& call) : emitter_(emitter), call_(call) {}

    const Expr& expr() const { return call_; }
    size_t size() const { return call_.args.size(); }
    Rendered arg(size_t k);
    // Argument k converted to text unless it is text or of unknown type; its type stays.
    Rendered text(size_t k);
    // A value as a date: a date literal is read once, other values converted.
    sqlite::Term date(size_t k);
    sqlite::Term date(const Rendered& r);
    sqlite::Term convert(const Rendered& r, const SqlType& to);
    // A value in the decimal type of the result it is one of; others unchanged.
    sqlite::Term inType(const Rendered& r, const SqlType& t) { return emitter_.inType(r, t); }
    // The engine's own function of the call's name, tsql_<name>, over `args`.
    sqlite::Term engine(const std::vector<sqlite::Term>& args) const;
    // The call's result type, as the binder marked it by the row.
    const SqlType& type() const { return call_.type; }
    // `args`, with argument k appended when the call has it.
    std::vector<sqlite::Term> withOptional(std::vector<sqlite::Term> args, size_t k);
    // The session's context value of that row (@@DATEFIRST) as the statement runs.
    sqlite::Term session(const char* name);
    // The statement reads the server's list of databases (temp.sysdatabases).
    void readsDatabases() { emitter_.out_.readsDatabases = true; }
    // function([DISTINCT] arg), with the call's OVER clause when it has one.
    sqlite::Term aggregate(const QByteArray& function, const sqlite::Term& arg);
    // The keys of the call's WITHIN GROUP (ORDER BY ...): each value, then 1 for descending.
    std::vector<sqlite::Term> withinGroupKeys();
    // The function of the call's name over `args`, with the call's OVER clause.
    sqlite::Term window(const std::vector<sqlite::Term>& args);
    void setResult(const sqlite::Term& value);

    Rendered result;

private:
    SqliteEmitter& emitter_;
    const Expr& call_;
};

}  // namespace tsql
