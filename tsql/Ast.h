#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "tsql/SqlType.h"

namespace tsql {

struct Builtin;
struct CreateFunctionStmt;
struct Expr;
struct Select;
struct Stmt;
struct TableInfo;
using ExprPtr = std::unique_ptr<Expr>;
using StmtPtr = std::unique_ptr<Stmt>;
using StmtList = std::vector<StmtPtr>;

// A possibly qualified object name: [database.][schema.]name.
struct ObjectName {
    QString database;
    QString schema;
    QString name;
    QString display() const;
};

struct OrderItem {
    ExprPtr expr;
    bool descending = false;
};

// ROWS or RANGE BETWEEN start AND end; the short form `ROWS n PRECEDING` ends at the current row.
struct WindowFrame {
    struct Bound {
        enum Kind { UnboundedPreceding, Preceding, CurrentRow, Following, UnboundedFollowing };
        Kind kind = CurrentRow;
        qint64 offset = 0;  // Preceding, Following: the number of rows
    };
    bool range = false;
    Bound start, end;
};

struct WindowSpec {
    std::vector<ExprPtr> partitionBy;
    std::vector<OrderItem> orderBy;
    std::optional<WindowFrame> frame;
};

// What a column reference stands for: a column of one source of its query, under the source's
// correlation name, or an item of its select list. The binder marks each column reference with
// it; the emitter reads the mark.
struct ColumnBinding {
    QString source;
    QString column;
    SqlType type;  // a table's column: its declared type; a derived table's: its select's
    // A column of a derived table or common table: the select that yields it, and its position
    // there.
    const Select* select = nullptr;
    int index = -1;
    // A select-list alias (ORDER BY Total): `column` is the alias, `index` its result column.
    bool alias = false;
    // The level of the query whose source it is: 0 the outermost, each sub-select one deeper.
    int level = 0;
};

// One expression node. Which fields are used depends on the kind.
struct Expr {
    enum Kind {
        Literal,   // lit, text
        Column,    // parts (qualifiers then column name)
        Variable,  // text = "@name"
        Global,    // text = "@@NAME" upper-cased
        Param,     // paramIndex
        Unary,     // op, a
        Binary,    // op, a, b
        IsNull,    // a, negated
        Between,   // a, b (low), c (high), negated
        Like,      // a, b (pattern), c (escape), negated
        InList,    // a, args, negated
        InSelect,  // a, select, negated
        Exists,    // select
        Subquery,  // select (scalar)
        Case,      // a (operand, optional), whens, c (else)
        Function,  // text (lower-cased name), args, distinct, star (count(*)), over; a user
                   // function's call (dbo.f(...)) has its whole name in parts
        Cast,      // a, castType, b (style), isConvert, tryCast
        Star,      // parts = qualifier (empty for bare *), omitted
        Default,   // DEFAULT as the argument of a user function or a value written to a column
        RowId,     // parts = a table source's correlation name: its rowid (made by the parser's
                   // rewrites, never written)
        // text = a cursor's name or @variable, op = "GLOBAL" when so qualified: the rowid of the
        // row it stands on (WHERE CURRENT OF, made by the parser)
        CurrentOf,
    };
    enum LitKind { Null, Integer, Decimal, Money, Float, String };

    explicit Expr(Kind k) : kind(k) {}
    ~Expr();
    Expr(const Expr&) = delete;
    Expr& operator=(const Expr&) = delete;

    Kind kind;
    LitKind lit = Null;
    bool national = false;
    QString text;
    QString op;
    QStringList parts;
    int paramIndex = -1;
    ExprPtr a, b, c;
    std::vector<ExprPtr> args;
    std::vector<std::pair<ExprPtr, ExprPtr>> whens;
    std::unique_ptr<Select> select;
    std::unique_ptr<WindowSpec> over;
    std::unique_ptr<WindowSpec> withinGroup;  // WITHIN GROUP (ORDER BY ...): its orderBy only
    SqlType castType;
    bool negated = false;
    bool distinct = false;
    bool star = false;
    bool isConvert = false;
    bool tryCast = false;  // TRY_CAST, TRY_CONVERT: NULL where the conversion fails
    // Star: the columns it leaves out. PIVOT and UNPIVOT read as a select whose star (in the
    // select list and in GROUP BY) stands for the source's columns they do not name.
    QStringList omitted;
    // Case: the value column of UNPIVOT, whose results (the columns unpivoted) must all be of
    // one type.
    bool unpivot = false;
    // The binder's marks, set each time the tree is translated (Binder.h):
    mutable ColumnBinding binding;                 // Column
    mutable std::vector<ColumnBinding> expansion;  // Star: the columns it stands for
    mutable const Builtin* builtin = nullptr;      // Function, Global: its row
    mutable SqlType type;                          // every kind but Star: the value's type
    // Function: the user function called; weak, since a recursive function's body calls itself.
    mutable std::weak_ptr<const CreateFunctionStmt> function;
    // Variable: a parameter of an inline function expanded where it is called: the argument (or
    // the parameter's default) the parameter stands for.
    mutable const Expr* argument = nullptr;
    bool isUserFunction() const { return kind == Function && !parts.isEmpty(); }
};

struct SelectItem {
    ExprPtr expr;
    QString alias;      // empty when none
    QString assignVar;  // SELECT @v = expr
};

struct TableRef {
    enum Kind { Named, Derived, Join, Function };
    // CROSS APPLY and OUTER APPLY join the right side once for each row of the left side, which
    // the right side may name.
    enum JoinType { Inner, Left, Right, Full, Cross, CrossApply, OuterApply };
    explicit TableRef(Kind k) : kind(k) {}
    Kind kind;
    ObjectName name;
    QString alias;
    std::unique_ptr<Select> derived;
    JoinType joinType = Inner;
    std::unique_ptr<TableRef> left, right;
    ExprPtr on;
    bool sameRows = false;      // Join without ON: the rows of both sides pair by their rowid
    std::vector<ExprPtr> args;  // Function: a table-valued user function's arguments
    // Function: the rows a multi-statement function's body returns for the arguments, the source
    // of its expansion (kFunctionRows, FunctionRows.h); its columns are c0, c1 ... in the declared
    // types.
    bool functionRows = false;
    // The correlation name it is known by: the alias, else the table's own name.
    QString exposedName() const { return alias.isEmpty() ? name.name : alias; }
    bool isApply() const {
        return kind == Join && (joinType == CrossApply || joinType == OuterApply);
    }
    // APPLY, the binder's mark: the level of the query whose FROM it is in, where the left
    // side's sources are.
    mutable int level = 0;
    // Named, the binder's marks: the table or view, or that the name is a common table of WITH,
    // and whether it is the reference of a recursive member to its own common table.
    mutable std::shared_ptr<const TableInfo> table;
    mutable bool commonTable = false;
    mutable bool recursiveReference = false;
    // Function, the binder's marks: the function (weak, since a recursive function's body calls
    // itself), and an inline one's select, parsed anew for this call, whose parameters stand for
    // the call's arguments.
    mutable std::weak_ptr<const CreateFunctionStmt> function;
    mutable std::shared_ptr<const Select> expansion;
};
using TableRefPtr = std::unique_ptr<TableRef>;

// The table sources of a FROM list in order, joins taken apart.
std::vector<const TableRef*> joinedSources(const std::vector<TableRefPtr>& from);

struct SelectCore {
    bool distinct = false;
    ExprPtr top;
    bool topPercent = false;
    bool withTies = false;
    std::vector<SelectItem> items;
    std::vector<TableRefPtr> from;
    ExprPtr where;
    std::vector<ExprPtr> groupBy;
    ExprPtr having;
    ObjectName into;  // SELECT ... INTO: the new table, or empty
};

struct CommonTable;

// The levels of recursion a recursive common table may reach unless OPTION (MAXRECURSION n)
// says otherwise, and the most that option allows.
inline constexpr int kDefaultMaxRecursion = 100;
inline constexpr int kMaxRecursionLimit = 32767;

struct Select {
    std::vector<SelectCore> cores;
    enum Combine { Union, UnionAll, Except, Intersect };
    std::vector<Combine> combine;  // between cores[i] and cores[i+1]
    bool values = false;           // (VALUES (...), (...)) in FROM: a core of constants per row
    std::vector<OrderItem> orderBy;
    ExprPtr offset;  // ORDER BY ... OFFSET offset ROWS [FETCH NEXT fetch ROWS ONLY]
    ExprPtr fetch;
    std::vector<CommonTable> with;            // WITH name AS (...) before the statement
    int maxRecursion = kDefaultMaxRecursion;  // OPTION (MAXRECURSION n) after it; 0: no limit
    // The binder's mark: the type of each result column.
    mutable std::vector<SqlType> columnTypes;
};

struct CommonTable {
    QString name;
    QStringList columns;
    std::unique_ptr<Select> select;
    // The binder's marks: it names itself (its rows carry their level of recursion), or UPDATE or
    // DELETE writes through it to the table of `writtenThrough` (its rows carry that rowid).
    mutable bool recursive = false;
    mutable const TableRef* writtenThrough = nullptr;
};

// ---- statements ----

struct Stmt {
    enum Kind {
        SelectStmt,
        Insert,
        Update,
        Delete,
        CreateTable,
        CreateType,
        CreateIndex,
        CreateView,
        CreateProcedure,
        CreateFunction,
        AlterTable,
        Drop,
        CreateDatabase,
        DropDatabase,
        Declare,
        SetVar,
        SetOption,
        If,
        Block,
        While,
        Break,
        Continue,
        Exec,
        Return,
        Transaction,
        TryCatch,
        Raiserror,
        Throw,
        Print,
        Use,
        Truncate,
        CreateTrigger,
        Merge,
        DeclareCursor,
        CursorAction,
        Fetch,
        Waitfor,
        Label,
        Goto,
    };
    explicit Stmt(Kind k) : kind(k) {}
    virtual ~Stmt() = default;
    Kind kind;
    int line = 1;
    int index = -1;  // its number within the batch it was parsed in
    QString source;  // the statement's own text
};

struct SelectStmt : Stmt {
    SelectStmt() : Stmt(Stmt::SelectStmt) {}
    std::unique_ptr<Select> select;
};

struct ExecArg {
    QString name;   // "@name" when given by name
    ExprPtr value;  // null for DEFAULT
    bool output = false;
};

struct ExecStmt : Stmt {
    ExecStmt() : Stmt(Stmt::Exec) {}
    QString returnVar;
    ObjectName procedure;
    std::vector<ExecArg> args;
    ExprPtr dynamicSql;  // EXEC (text): a batch given as a string
};

struct InsertStmt;

// A cursor as a statement names it: [GLOBAL] name, or a cursor variable (@name).
struct CursorRef {
    QString name;
    bool global = false;
    bool isVariable() const { return name.startsWith(u'@'); }
};

// OUTPUT items [INTO target [(columns)]] of INSERT, UPDATE and DELETE: a select over the rows the
// statement wrote, copied as it runs to the tables its FROM names (kCapturedInserted as
// `inserted`, kCapturedDeleted as `deleted`), sent to the client or inserted INTO the target.
struct OutputClause {
    OutputClause();
    ~OutputClause();
    std::unique_ptr<Select> select;
    std::unique_ptr<InsertStmt> into;  // OUTPUT ... INTO: INSERT INTO target (columns) <select>
    bool inserted = false;             // which rows the statement copies
    bool deleted = false;
    const Select& query() const;
};
inline const char* const kCapturedInserted = "#tsql_inserted";
inline const char* const kCapturedDeleted = "#tsql_deleted";
inline const char* const kExecRows = "#tsql_exec_rows";

struct InsertStmt : Stmt {
    InsertStmt() : Stmt(Stmt::Insert) {}
    ObjectName table;
    QStringList columns;
    std::vector<std::vector<ExprPtr>> rows;
    std::unique_ptr<Select> select;
    bool defaultValues = false;
    // INSERT ... EXEC: the call whose result sets give the rows. They are filed, in the target
    // columns' types, into the table kExecRows names, which `select` reads.
    std::unique_ptr<ExecStmt> exec;
    std::unique_ptr<OutputClause> output;
    // The binder's marks: the table, and the positions of the columns filled, in order.
    mutable std::shared_ptr<const TableInfo> boundTable;
    mutable std::vector<int> boundColumns;
};

struct Assignment {
    QString column;    // target column, or empty
    QString variable;  // target @variable, or empty
    ExprPtr value;
};

struct UpdateStmt : Stmt {
    UpdateStmt() : Stmt(Stmt::Update) {}
    ObjectName target;  // a table, or an alias declared in FROM
    ExprPtr top;
    std::vector<Assignment> sets;
    std::unique_ptr<OutputClause> output;
    std::vector<TableRefPtr> from;
    ExprPtr where;
    std::optional<CursorRef> currentOf;  // WHERE CURRENT OF: `where` is its row's rowid
    std::vector<CommonTable> with;
    int maxRecursion = kDefaultMaxRecursion;
    // The binder's marks: the table written, the source of FROM that names it, if any, and the
    // table's column each assignment sets.
    mutable std::shared_ptr<const TableInfo> boundTable;
    mutable const TableRef* targetInFrom = nullptr;
    mutable std::vector<int> boundColumns;
};

struct DeleteStmt : Stmt {
    DeleteStmt() : Stmt(Stmt::Delete) {}
    ObjectName target;
    ExprPtr top;
    std::unique_ptr<OutputClause> output;
    std::vector<TableRefPtr> from;
    ExprPtr where;
    std::optional<CursorRef> currentOf;  // as for UPDATE
    std::vector<CommonTable> with;
    int maxRecursion = kDefaultMaxRecursion;
    // The binder's marks, as for UPDATE.
    mutable std::shared_ptr<const TableInfo> boundTable;
    mutable const TableRef* targetInFrom = nullptr;
};

// MERGE as the parser reads it: `rows` files each pair of target and source rows (the target's
// rowid, NULL for a source row without a match; the number of the clause it takes, NULL for
// none; a column tsql_source, NULL for a target row without a match; the source's columns) into
// kMergeRows; then each clause's statement, an INSERT, UPDATE or DELETE in which the source's
// alias names kMergeRows, runs over the rows filed under its number.
struct MergeStmt : Stmt {
    MergeStmt() : Stmt(Stmt::Merge) {}
    ObjectName target;
    std::unique_ptr<Select> rows;
    StmtList actions;
};
inline const char* const kMergeRows = "#tsql_merge";

struct ColumnDef {
    QString name;
    SqlType type;
    ExprPtr computed;  // name AS expression: a computed column, of the expression's type
    bool persisted = false;
    QString aliasType;  // user-defined type name when used
    bool identity = false;
    qint64 seed = 1;
    qint64 increment = 1;
    std::optional<bool> nullable;
    ExprPtr defaultValue;
    QString defaultName;
    bool primaryKey = false;
    bool unique = false;
    bool clustered = false;
    QString constraintName;  // of the inline key constraint
    ObjectName refTable;
    QString refColumn;
};

struct TableConstraint {
    enum Kind { PrimaryKey, Unique, ForeignKey, Check, Default };
    QString name;
    Kind kind = PrimaryKey;
    bool clustered = true;
    QStringList columns;
    ObjectName refTable;
    QStringList refColumns;
    ExprPtr expr;  // check condition or default value
};

struct CreateTableStmt : Stmt {
    CreateTableStmt() : Stmt(Stmt::CreateTable) {}
    ObjectName name;
    std::vector<ColumnDef> columns;
    std::vector<TableConstraint> constraints;
};

struct CreateTypeStmt : Stmt {
    CreateTypeStmt() : Stmt(Stmt::CreateType) {}
    ObjectName name;
    SqlType base;
    bool nullable = true;
};

using IndexedColumns = std::vector<std::pair<QString, bool>>;  // name, descending

struct CreateIndexStmt : Stmt {
    CreateIndexStmt() : Stmt(Stmt::CreateIndex) {}
    bool unique = false;
    bool clustered = false;
    QString name;
    ObjectName table;
    IndexedColumns columns;
};

struct CreateViewStmt : Stmt {
    CreateViewStmt() : Stmt(Stmt::CreateView) {}
    ObjectName name;
    QStringList columns;
    std::unique_ptr<Select> select;
};

struct ProcParam {
    QString name;
    SqlType type;
    QString aliasType;
    ExprPtr defaultValue;
    bool output = false;
};

struct CreateProcedureStmt : Stmt {
    CreateProcedureStmt() : Stmt(Stmt::CreateProcedure) {}
    ObjectName name;
    std::vector<ProcParam> params;
    StmtList body;
    bool alter = false;
    bool orAlter = false;  // CREATE OR ALTER
};

// CREATE [OR ALTER] | ALTER TRIGGER name ON table {AFTER | FOR | INSTEAD OF} INSERT, UPDATE,
// DELETE AS body.
struct CreateTriggerStmt : Stmt {
    CreateTriggerStmt() : Stmt(Stmt::CreateTrigger) {}
    // The statements that fire it; InsteadOf marks a trigger that runs in their place.
    enum Event { OnInsert = 1, OnUpdate = 2, OnDelete = 4, InsteadOf = 8 };
    enum Mode { Create, Alter, CreateOrAlter };
    ObjectName name;
    ObjectName table;
    int events = 0;  // Event bits
    Mode mode = Create;
    StmtList body;
};

// CREATE FUNCTION: a scalar function (RETURNS type ... BEGIN ... RETURN value END), an inline
// table-valued one (RETURNS TABLE AS RETURN (select)) or a multi-statement one (RETURNS @t TABLE
// (...) AS BEGIN ... RETURN END).
struct CreateFunctionStmt : Stmt {
    CreateFunctionStmt() : Stmt(Stmt::CreateFunction) {}
    enum Form { Scalar, Inline, MultiStatement };
    ObjectName name;
    std::vector<ProcParam> params;
    Form form = Scalar;
    SqlType returns;  // Scalar
    QString returnsAlias;
    // Inline: its select; MultiStatement: SELECT c0 AS [first column], ... FROM the rows its body
    // returns for the parameters, so that both expand where they are called.
    std::unique_ptr<Select> select;
    QString table;                             // MultiStatement: the returned table variable
    std::unique_ptr<CreateTableStmt> columns;  // and its declaration
    StmtList body;                             // Scalar, MultiStatement
    bool alter = false;
    bool orAlter = false;  // CREATE OR ALTER
    // The code SQL Server's catalogue gives each form: FN, IF, TF.
    const char* typeCode() const;
};

struct AlterTableStmt : Stmt {
    AlterTableStmt() : Stmt(Stmt::AlterTable) {}
    enum Action { AddItems, DropConstraint, DropColumn, AlterColumn };
    ObjectName table;
    Action action = AddItems;
    std::vector<ColumnDef> columns;  // added, or the one altered
    std::vector<TableConstraint> constraints;
    QStringList names;          // dropped constraints or columns
    bool checkExisting = true;  // WITH CHECK: the rows already there must meet added constraints
};

struct DropStmt : Stmt {
    DropStmt() : Stmt(Stmt::Drop) {}
    enum Object { Table, View, Procedure, Index, Type, Trigger, Function };
    Object object = Table;
    std::vector<ObjectName> names;
    bool ifExists = false;
};

struct DatabaseStmt : Stmt {
    explicit DatabaseStmt(Kind k) : Stmt(k) {}
    QString name;
};

struct Declaration {
    QString name;
    QString key;  // the name lower-cased, as variables are kept
    SqlType type;
    QString aliasType;
    ExprPtr init;
    std::unique_ptr<CreateTableStmt> table;  // DECLARE @t TABLE (...)
    bool cursor = false;                     // DECLARE @c CURSOR
};

struct DeclareStmt : Stmt {
    DeclareStmt() : Stmt(Stmt::Declare) {}
    std::vector<Declaration> vars;
};

struct SetVarStmt : Stmt {
    SetVarStmt() : Stmt(Stmt::SetVar) {}
    QString name;
    QString op;  // "=", "+=", ...
    ExprPtr value;
};

struct SetOptionStmt : Stmt {
    SetOptionStmt() : Stmt(Stmt::SetOption) {}
    QString option;     // upper-cased
    QString value;      // ON, OFF or a value
    ObjectName target;  // SET IDENTITY_INSERT table ON|OFF
};

struct IfStmt : Stmt {
    IfStmt() : Stmt(Stmt::If) {}
    ExprPtr condition;
    StmtPtr then;
    StmtPtr otherwise;
};

struct BlockStmt : Stmt {
    BlockStmt() : Stmt(Stmt::Block) {}
    StmtList body;
};

struct WhileStmt : Stmt {
    WhileStmt() : Stmt(Stmt::While) {}
    ExprPtr condition;
    StmtPtr body;
};

// name: a place in a batch or a routine's body that GOTO name goes on from.
struct LabelStmt : Stmt {
    LabelStmt() : Stmt(Stmt::Label) {}
    QString name;
};

struct GotoStmt : Stmt {
    GotoStmt() : Stmt(Stmt::Goto) {}
    QString label;
};

struct ReturnStmt : Stmt {
    ReturnStmt() : Stmt(Stmt::Return) {}
    ExprPtr value;
};

struct TransactionStmt : Stmt {
    TransactionStmt() : Stmt(Stmt::Transaction) {}
    enum Action { Begin, Commit, Rollback, Save };
    Action action = Begin;
    QString name;
};

struct TryCatchStmt : Stmt {
    TryCatchStmt() : Stmt(Stmt::TryCatch) {}
    StmtList tryBody;
    StmtList catchBody;
};

struct RaiserrorStmt : Stmt {
    RaiserrorStmt() : Stmt(Stmt::Raiserror) {}
    ExprPtr message;
    ExprPtr severity;
    ExprPtr state;
    std::vector<ExprPtr> args;
};

struct ThrowStmt : Stmt {
    ThrowStmt() : Stmt(Stmt::Throw) {}
    ExprPtr number;  // all null: rethrow inside CATCH
    ExprPtr message;
    ExprPtr state;
};

struct PrintStmt : Stmt {
    PrintStmt() : Stmt(Stmt::Print) {}
    ExprPtr value;
};

// WAITFOR DELAY 'hh:mm[:ss[.fff]]' or WAITFOR TIME '...': a text or variable that reads as a
// time of day.
struct WaitforStmt : Stmt {
    WaitforStmt() : Stmt(Stmt::Waitfor) {}
    bool untilTime = false;  // TIME: until the clock shows it; DELAY: for that long
    ExprPtr value;
};

struct TruncateStmt : Stmt {
    TruncateStmt() : Stmt(Stmt::Truncate) {}
    ObjectName table;
};

struct UseStmt : Stmt {
    UseStmt() : Stmt(Stmt::Use) {}
    QString database;
};

// DECLARE name CURSOR [options] FOR select, or SET @variable = CURSOR [options] FOR select.
struct DeclareCursorStmt : Stmt {
    DeclareCursorStmt() : Stmt(Stmt::DeclareCursor) {}
    enum Scope { DefaultScope, Local, Global };
    // How its rows follow changes made after OPEN: a static (INSENSITIVE) cursor's never do;
    // Default when none is named.
    enum Sensitivity { Default, Dynamic, Static, Keyset, FastForward };
    QString name;  // the cursor's, or the variable's that SET gives it to
    Scope scope = DefaultScope;
    bool scroll = false;  // SCROLL, or STATIC, KEYSET or DYNAMIC without FORWARD_ONLY
    Sensitivity sensitivity = Default;
    bool readOnly = false;      // READ_ONLY, FOR READ ONLY
    bool forUpdate = false;     // FOR UPDATE
    QStringList updateColumns;  // FOR UPDATE OF columns; empty: every column
    std::unique_ptr<Select> select;
};

// OPEN, CLOSE and DEALLOCATE.
struct CursorActionStmt : Stmt {
    CursorActionStmt() : Stmt(Stmt::CursorAction) {}
    enum Action { Open, Close, Deallocate };
    Action action = Open;
    CursorRef cursor;
};

// FETCH [direction FROM] cursor [INTO @variable, ...].
struct FetchStmt : Stmt {
    FetchStmt() : Stmt(Stmt::Fetch) {}
    enum Direction { Next, Prior, First, Last, Absolute, Relative };
    Direction direction = Next;
    ExprPtr offset;  // Absolute, Relative
    CursorRef cursor;
    QStringList into;
};

struct SimpleStmt : Stmt {
    explicit SimpleStmt(Kind k) : Stmt(k) {}
};

}  // namespace tsql
