#pragma once

#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "dbcore/Error.h"
#include "dbcore/Types.h"
#include "tsql/Ast.h"
#include "tsql/Binder.h"
#include "tsql/Builtins.h"
#include "tsql/Catalog.h"
#include "tsql/Cursor.h"
#include "tsql/Database.h"
#include "tsql/DatabaseUse.h"
#include "tsql/ResultSink.h"
#include "tsql/Server.h"
#include "tsql/SessionOptions.h"
#include "tsql/SqliteEmitter.h"
#include "tsql/Value.h"
#include "tsql/Walker.h"

namespace tsql {

class CapturedRows;

// Runs parsed batches: procedural statements directly, set statements through their SQLite
// translation. Owns the connection, the catalogue and the caches of parsed and translated text.
// Contract: one interpreter per session and one batch at a time; variable frames live as long as
// their batch or procedure call; a translation is used only while the catalogue it was made
// against is current (schemaChanged() retires them); every error leaves as db::Error with SQL
// Server's number and the line of the statement that failed.
class Interpreter : public Environment {
public:
    Interpreter(const QString& serverDir, const QString& database);
    ~Interpreter() override;

    void execute(const QString& sql, const std::vector<db::BoundValue>& params, ResultSink& sink);
    // A batch whose first row set of its own statements is read as the caller asks; see
    // Session::start, fetch and cancel.
    bool start(const QString& sql, std::vector<db::BoundValue> params, ResultSink& sink);
    bool fetch(int maxRows);
    void cancel();
    bool reading() const { return stream_ != nullptr; }
    int call(const QString& name, std::vector<CallArgument>& args, ResultSink& sink);
    void setCancelCheck(std::function<bool()> check) { db_->setCancelCheck(std::move(check)); }
    void beginTransaction();
    void commit();
    void rollback();
    int transactionDepth() const { return tranDepth_; }
    void setQueryTimeout(int seconds) { db_->setTimeout(seconds); }
    QStringList translation(const QString& sql, const std::vector<db::BoundValue>& params);

    // Environment
    std::optional<SqlType> variableType(const QString& name) const override;
    SqlType parameterType(int index) const override;
    // Pure lookup: another database must be in use already (useDatabase).
    std::shared_ptr<const TableInfo> resolveTable(const ObjectName& name) override;
    SqlType resolveType(const SqlType& type, const QString& aliasName) override;
    bool identityInsert(const TableInfo& t) const override;
    bool writtenInstead(const TableInfo& target, Stmt::Kind kind) override;
    std::shared_ptr<const CreateFunctionStmt> resolveFunction(const ObjectName& name) override;

private:
    // Goto: on to the label gotoLabel_ names, in the statement list that holds it.
    enum class Flow { Normal, Break, Continue, Return, Goto };
    // Procedures, functions and EXEC (text) nest at most this deep (217).
    static constexpr int kMaxNesting = 32;

    struct Variable {
        SqlType type;
        Value value;
    };
    // A frame's variables by lower-cased name. A frame holds few, so a list searched in order
    // costs less than a hash table to fill, search and free in every batch.
    class Variables {
    public:
        Variable* find(const QString& key) {
            for (auto& [name, variable] : list_)
                if (name == key)
                    return &variable;
            return nullptr;
        }
        const Variable* find(const QString& key) const {
            return const_cast<Variables*>(this)->find(key);
        }
        bool contains(const QString& key) const { return find(key) != nullptr; }
        // Replaces the variable of that name if there is one.
        void insert(const QString& key, Variable variable) { (*this)[key] = std::move(variable); }
        // The variable of that name, added when absent.
        Variable& operator[](const QString& key) {
            if (Variable* v = find(key))
                return *v;
            return list_.emplace_back(key, Variable()).second;
        }
        // Forgets every variable, keeping the room they took.
        void clear() { list_.clear(); }

    private:
        std::vector<std::pair<QString, Variable>> list_;
    };
    // A table variable lives as a temporary table until its scope ends.
    struct TableVariable {
        QString stored;                               // the temporary table
        const CreateTableStmt* definition = nullptr;  // of its DECLARE
    };
    struct Batch;
    // A declared cursor (InterpretCursors.cpp): its definition, held with its batch, the
    // variables and parameters its select reads as they were at DECLARE, and its rows.
    struct DeclaredCursor {
        std::shared_ptr<Batch> batch;
        const DeclareCursorStmt* definition = nullptr;
        Variables variables;
        std::vector<db::BoundValue> params;
        bool hasParams = false;
        Cursor rows;
        std::shared_ptr<const TableInfo> table;  // while open: the table of keyed rows
    };
    using CursorPtr = std::shared_ptr<DeclaredCursor>;
    using Cursors = QHash<QString, CursorPtr>;
    struct Frame {
        Variables vars;
        const std::vector<db::BoundValue>* params = nullptr;
        QString procedure;
        int returnStatus = 0;
        bool nocount = false;
        std::optional<qint64> identity;        // SCOPE_IDENTITY()
        QHash<QString, TableVariable> tables;  // by lower-cased name
        QStringList temporaries;               // #tables made in a procedure or EXEC (text)
        // A trigger's frame: the depth that names the copies its `inserted` and `deleted` read
        // (0 elsewhere), and the columns the statement that fired it set (SessionState).
        int trigger = 0;
        QString updatedColumns;
        bool function = false;  // a user function's body runs in it
        Variable returned;      // what its RETURN gave
        // Its LOCAL cursors by lower-cased name, and its cursor variables by lower-cased
        // "@name" (null while none is set).
        Cursors cursors;
    };
    // A translation of a set statement, or of an expression the interpreter evaluates, made
    // against one version of the catalogue for one signature of the batch's parameters.
    struct Translation {
        const void* node = nullptr;  // the statement or expression, owned by the batch
        qint64 catalogue = 0;
        std::string signature;
        std::shared_ptr<const Compiled> compiled;
    };
    // A parsed batch with the translations of its nodes, filed by statement index: they go
    // with the nodes they were made from.
    struct Batch : std::enable_shared_from_this<Batch> {
        Batch(StmtList parsed, int statementCount)
            : statements(std::move(parsed)), translations(static_cast<size_t>(statementCount)) {}
        StmtList statements;
        std::vector<std::vector<Translation>> translations;
    };
    // Where translations made now are filed: the running batch and its running statement.
    struct Place {
        Batch* batch = nullptr;
        int statement = -1;
    };
    class PlaceScope {
    public:
        PlaceScope(Place& place, Place now) : place_(place), saved_(place) { place_ = now; }
        ~PlaceScope() { place_ = saved_; }
        PlaceScope(const PlaceScope&) = delete;
        PlaceScope& operator=(const PlaceScope&) = delete;

    private:
        Place& place_;
        Place saved_;
    };
    // A stored procedure or function, parsed from its definition.
    struct Routine {
        QString definition;
        qint64 checkedAt = 0;  // the data_version at which definition was last read
        std::shared_ptr<Batch> batch;
        const Stmt* stmt = nullptr;  // its CREATE statement
    };
    using Routines = QHash<QString, std::shared_ptr<Routine>>;  // by lower-cased name
    // A trigger's parsed definition, for the depth it was translated at (its `inserted` and
    // `deleted` are tables of that depth).
    struct Trigger {
        QString definition;
        std::shared_ptr<Batch> batch;
        const CreateTriggerStmt* stmt = nullptr;
    };
    using Argument = CallArgument;

    // A batch stopped inside the first row set of its own statements, the SELECT's SQLite
    // statement between two steps.
    struct Stream {
        QString sql;
        std::vector<db::BoundValue> params;  // the batch's, which frames_[0] points to
        std::shared_ptr<Batch> batch;
        size_t next = 0;  // the statement after the one that opened the rows
        int depthAtStart = 0;
        bool opened = false;  // the row set was opened; later ones are read whole
        std::shared_ptr<const Compiled> compiled;
        sqlite3_stmt* st = nullptr;  // while rows remain
        int rc = 0;                  // of the last step
        bool stepped = false;        // rc tells of a row not handed over yet
        qint64 count = 0;
        std::vector<Value> cells;
        bool held = false;  // a SELECT of variables alone: its row, in cells, waits to be read
    };

    std::shared_ptr<Batch> parse(const QString& sql);
    void setParamSignature(const std::vector<db::BoundValue>& params);
    // Parses the batch and makes it the running one, with its parameters and sink.
    std::shared_ptr<Batch> beginBatch(const QString& sql, const std::vector<db::BoundValue>& params,
                                      ResultSink& sink);
    void endBatch();
    // A batch that failed or was cancelled leaves nothing of the transactions it began.
    void abandonBatch(int depthAtStart);
    // Runs the streamed batch's statements from the next one on: true when a SELECT opened its
    // rows, false when the batch ended.
    bool advance();
    void openRows(const std::shared_ptr<const Compiled>& c);
    // Prepares the SELECT's statement and takes its first step, which waits in the stream.
    void stepFirst(const Compiled& c, Stream& s);
    bool readRows(int maxRows);
    bool readHeldRow(int maxRows);
    void endStream(db::Error* e, bool finished);
    static std::shared_ptr<Batch> parseBatch(const QString& sql);
    Flow exec(const Stmt& s);
    Flow execList(const StmtList& list);
    // The position of the label gotoLabel_ names in `list`, if it is there.
    std::optional<size_t> gotoTarget(const StmtList& list) const;
    // One statement of a list: an error that ends only the statement is reported instead.
    Flow execListed(const Stmt& s);
    // What every error that leaves statement `s` goes through.
    void statementRaised(const Stmt& s, db::Error& e);
    Flow execStatement(const Stmt& s);

    // procedural statements, one handler a kind
    void declare(const DeclareStmt& d);
    void setVariable(const SetVarStmt& s);
    void setOption(const SetOptionStmt& o);
    void setIdentityInsert(const ObjectName& name, bool on);
    void setDateFirst(const QString& value);
    void setRowcount(const QString& value);
    void refuseUnderRowcount(const Stmt& s);
    void print(const PrintStmt& p);
    void waitFor(const WaitforStmt& w);
    Flow execIf(const IfStmt& i);
    Flow execWhile(const WhileStmt& w);
    void execCall(const ExecStmt& e);
    Flow execReturn(const ReturnStmt& r);
    void transactionStatement(const TransactionStmt& t);
    Flow tryCatch(const TryCatchStmt& tc);
    void raiserror(const RaiserrorStmt& r);
    [[noreturn]] void throwError(const ThrowStmt& t);
    int stateOf(const Expr* state);
    void use(const UseStmt& u);
    bool endsStatementOnly(const db::Error& e) const;
    // Reports an error that ended statement `s` only; the batch goes on.
    void statementFailed(const Stmt& s, const db::Error& e);

    // other databases of the server
    QString otherDatabase(const ObjectName& name) const;
    void useDatabase(const ObjectName& name);
    void useDatabasesOf(const Stmt& s);
    void useDatabasesOf(const Expr& e);
    void useDatabasesOf(const Select& s);
    Visitor sourcesVisitor();

    // set statements
    // The translation of `node` (a statement or an expression of the running statement), made
    // now unless the running batch holds a current one.
    std::shared_ptr<const Compiled> compiled(const void* node,
                                             const std::function<Compiled(SqliteEmitter&)>& make);
    void bindSlots(sqlite3_stmt* st, const Compiled& c);
    // The current frame's variable of a lower-cased "@name"; 137 when it is not declared.
    const Variable& declaredVariable(const QString& key) const;
    // Runs a query to its end, or to `limit` rows when that is above 0.
    void runQuery(const Compiled& c, ResultSink* sink, std::vector<Value>* lastRow,
                  qint64 limit = 0);
    static ResultColumns resultColumns(const Compiled& c);
    // The cells of the current row, one per column of `c`.
    static void readRow(sqlite3_stmt* st, const Compiled& c, std::vector<Value>& cells);
    // Hands the current row to `sink`: taken from the statement when the sink reads it itself,
    // else read into `cells` (one per column of `c`, their buffers kept from row to row).
    static void passRow(sqlite3_stmt* st, const Compiled& c, std::vector<Value>& cells,
                        ResultSink& sink);
    // Ends a query's steps at `rc` (SQLITE_DONE or a failure, raised) and reports its row count.
    void finishQuery(sqlite3_stmt* st, int rc, qint64 count, ResultSink* sink);
    void endRowSet(qint64 count, ResultSink* sink);
    // The row of a SELECT of variables alone (Compiled::variablesAlone), read from the variables.
    void readVariables(const Compiled& c, std::vector<Value>& cells);
    // Runs a SELECT of variables alone without SQLite; false for any other select.
    bool passVariablesRow(const Compiled& c);
    // Runs INSERT, UPDATE or DELETE; reports its count unless told not to.
    void runChange(const Compiled& c, bool report = true);
    void useUpIdentity(const TableInfo& t, std::optional<qint64> lastWritten);
    static bool isSetStatement(const Stmt& s);
    Compiled setStatement(SqliteEmitter& e, const Stmt& s);
    void execChange(const Stmt& s, bool report = true);
    // Runs INSERT, UPDATE or DELETE, with its OUTPUT if it has one; reports its count unless told
    // not to.
    void runStatement(const Stmt& s, bool report);
    // INSERT, UPDATE and DELETE with OUTPUT (InterpretOutput.cpp).
    static bool hasOutput(const Stmt& s);
    static const OutputClause* outputOf(const Stmt& s);
    void execOutput(const Stmt& s, bool report);
    // MERGE (InterpretMerge.cpp): the statement and its filed rows.
    void execMerge(const MergeStmt& m);
    void fileMergeRows(const MergeStmt& m, const QByteArray& table);
    // INSERT ... EXEC (InterpretInsertExec.cpp).
    void insertExec(const InsertStmt& s);
    // The temporary table of the rows filed for the statement running at `depth` (statements
    // nest through triggers) under `name`: kMergeRows, kExecRows.
    static QString filedRowsAt(const char* name, int depth);
    std::shared_ptr<const TableInfo> filedRows(const char* name, int depth);
    // The column declarations of a table made from the rows of `c`; raises 1038 and 2705 for
    // names a table cannot have.
    static QByteArray columnDeclarations(const Compiled& c, const QString& table);
    // DML triggers (InterpretTriggers.cpp): the AFTER ones statement `kind` on `target` fires,
    // the statement run with them, the INSTEAD OF one that replaces it and the statement run so,
    // one trigger's run, and its parsed definition.
    const std::vector<TriggerInfo>& triggersOf(const TableInfo& target);
    std::vector<TriggerInfo> triggersFiredBy(const TableInfo& target, Stmt::Kind kind);
    std::optional<TriggerInfo> insteadOfFiredBy(const TableInfo& target, Stmt::Kind kind);
    void execTriggered(const Stmt& s, const TableInfo& target,
                       const std::vector<TriggerInfo>& fired, bool report);
    void execInsteadOf(const Stmt& s, const TableInfo& target, const TriggerInfo& trigger,
                       bool report);
    void refuseOutputWithTriggers(const Stmt& s, const TableInfo& target);
    void refuseEndedTransaction();
    void reportTriggeredCount(qint64 count, bool report);
    void fireTrigger(const TriggerInfo& t, int depth, const QString& updatedColumns, qint64 count);
    std::shared_ptr<Trigger> loadTrigger(const TriggerInfo& t, int depth);
    std::shared_ptr<const TableInfo> triggerRows(const QString& name);
    void execSelect(const SelectStmt& s);
    void selectInto(const SelectStmt& s);
    void execDynamic(const Expr& text);
    static bool mentionsVariable(const Expr& e, const QStringList& names);
    Value evaluate(const Expr& e, SqlType* type);
    bool test(const Expr& e);
    void assign(const QString& name, const Value& v, const SqlType& from);
    SessionState sessionState() const;
    [[noreturn]] void raiseConstraint(int rc, const QString& message, const Compiled& c);
    QString duplicateKeyValue(const Compiled& c, const QStringList& columns);

    // cursors (InterpretCursors.cpp)
    void declareCursor(const DeclareCursorStmt& d);
    void cursorAction(const CursorActionStmt& a);
    void fetchRow(const FetchStmt& f);
    bool isCursorVariable(const QString& name) const;
    // SET @variable = @other or = name: the variable takes the cursor `source` names.
    void setCursorVariable(const QString& name, const Expr& source);
    // Where a cursor variable of the running scope is held; 16948 or 137 when there is none.
    std::pair<Cursors*, QString> cursorVariable(const QString& name);
    // Where the cursor `c` names is held; 16916, 16948, 137 or 16950 when it names none.
    std::pair<Cursors*, QString> cursorEntry(const CursorRef& c);
    CursorPtr cursorOf(const CursorRef& c);
    void openCursor(const CursorPtr& c);
    // The rows of the cursor's select, run with the variables and parameters of its DECLARE.
    std::shared_ptr<const Compiled> openedRows(DeclaredCursor& c,
                                               std::vector<std::vector<Value>>& rows);
    Cursor::Fetched moveCursor(DeclaredCursor& c, const FetchStmt& f);
    bool rowExists(const TableInfo& table, qint64 key);
    // UPDATE or DELETE ... WHERE CURRENT OF: 16917, 16929, 16933, 16932 or 16930 when the
    // cursor cannot write the row it stands on through `target`.
    static const std::optional<CursorRef>& currentOf(const Stmt& s);
    void checkPositioned(const Stmt& s, const TableInfo& target);
    void positionedDone(const Stmt& s);
    // The rowid a CursorRow placeholder takes: of the row the cursor stands on.
    qint64 currentRow(const QString& cursor, bool global);
    qint64 cursorRows() const;  // @@CURSOR_ROWS
    int cursorStatus(const QString& scope, const QString& name);
    static void cursorStatusCalled(sqlite3_context* ctx, int argc, sqlite3_value** argv);

    // procedures
    int execProcedure(const ExecStmt& s);
    int invoke(const ObjectName& name, std::vector<Argument>& args);
    void returnOutputs(const CreateProcedureStmt& def, const std::vector<int>& given,
                       std::vector<Argument>& args);
    std::shared_ptr<Routine> loadProcedure(const QString& name);
    // The routine of that name from the metadata table `table`, parsed again only when its
    // definition changed; `prepare` readies a newly parsed one.
    std::shared_ptr<Routine> loadRoutine(Routines& cache, const char* table, Stmt::Kind kind,
                                         const QString& name,
                                         const std::function<void(Stmt&)>& prepare = {});
    // After this connection changed a procedure or function or rolled a change back.
    void forgetRoutines();
    // The positions in `args` of the argument given for each parameter, -1 for none.
    static std::vector<int> matchArguments(const std::vector<ProcParam>& params,
                                           const QString& routine,
                                           const std::vector<CallArgument>& args);
    // Each parameter takes its argument, else its default; one with neither raises 201.
    void assignParameters(const std::vector<ProcParam>& params, const QString& routine,
                          const std::vector<int>& given, const std::vector<Argument>& args);

    // user functions (InterpretFunctions.cpp)
    std::shared_ptr<Routine> loadFunction(const QString& name);
    static const CreateFunctionStmt& functionOf(const Routine& r);
    void createFunction(const CreateFunctionStmt& s);
    // 443, 444 and 455 for a body SQL Server does not take.
    static void checkFunctionBody(const CreateFunctionStmt& f);
    // Runs a function's body in a frame of its own, its parameters set by `assign`, `collect`
    // called while the frame stands; a scalar function's result in the declared type.
    Value runFunction(const Routine& f, const std::function<void()>& assign,
                      const std::function<void()>& collect = {});
    // EXEC @r = dbo.f args: a scalar function called as a procedure is.
    void execFunction(const ExecStmt& e, const Routine& f);
    // tsql_udf(name, arguments ...): a scalar function called by a statement as it runs.
    static void functionCalled(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    Value callFunction(const QString& name, std::vector<Value> args);
    // tsql_function_rows (FunctionRows.h): the rows a multi-statement function returns.
    std::vector<std::vector<Value>> functionRows(const QString& name, std::vector<Value> args);
    Value runCalled(const Routine& f, std::vector<Value> args,
                    const std::function<void()>& prepare = {},
                    const std::function<void()>& collect = {});
    bool inFunction() const { return frames_.back().function; }
    int executeSql(std::vector<Argument>& args);

    // schema statements
    void createTable(const CreateTableStmt& s, const QString& storedName = QString());
    void leaveFrame();
    // Drops the frame's table variables and the #tables it made, or, inside a function that a
    // statement calls, has them dropped when that statement is over (dropLaterTables).
    void dropScopedTables(Frame& frame);
    void dropLaterTables();
    void dropTables(const QStringList& stored);
    void noteTemporary(const QString& table);
    void createType(const CreateTypeStmt& s);
    void createIndex(const CreateIndexStmt& s);
    void createView(const CreateViewStmt& s);
    void createProcedure(const CreateProcedureStmt& s);
    void createTrigger(const CreateTriggerStmt& s);
    void checkOneInsteadOf(const CreateTriggerStmt& s, const TableInfo& t);
    static QString definitionText(const QString& source);
    void alterTable(const AlterTableStmt& s);
    void addItems(const TableInfo& t, const AlterTableStmt& s);
    void dropColumns(const TableInfo& t, const QStringList& names);
    void dropConstraints(const TableInfo& t, const QStringList& names);
    void atomically(const std::function<void()>& change);
    // A key of CREATE TABLE or ALTER TABLE ... ADD, made once the table has its columns.
    struct KeyIndex {
        QString name;
        QStringList columns;
        bool primary = false;
    };
    void tableConstraint(const CreateTableStmt& s, const TableConstraint& k, TableSql& declared,
                         std::vector<KeyIndex>* keys);
    void drop(const DropStmt& s);
    void truncateTable(const TruncateStmt& s);
    void databaseStatement(const DatabaseStmt& s);
    ColumnSql columnDeclaration(const ColumnDef& c, const QString& table, bool alter, bool inKey,
                                std::vector<KeyIndex>* keys);
    QByteArray defaultSql(const Expr& d, const SqlType& type);
    ForeignKeySql foreignKey(const QString& name, const QString& table, const QStringList& columns,
                             const ObjectName& refTable, const QStringList& refColumns);
    TableSql declaration(const QString& table);
    TableInfo declaredColumns(const CreateTableStmt& s, const QString& table);
    ColumnSql computedColumn(const ColumnDef& c, const TableInfo& columns);
    // Declares the table anew as `d` (TableRebuild.h); 547 when its rows break a foreign key.
    void rebuild(const TableSql& d, const std::vector<QByteArray>& values = {});
    void alterColumn(const TableInfo& t, const ColumnDef& c);  // InterpretAlterColumn.cpp
    // CHECK constraints (InterpretChecks.cpp).
    CheckSql checkConstraint(const TableInfo& t, const QString& name, const Expr& condition);
    void addCheck(const TableInfo& t, const QString& name, const Expr& condition,
                  bool checkExisting);
    void dropCheck(const QString& table, const QString& name);
    [[noreturn]] void checkConflict(const QString& verb, const TableInfo& t, const QString& name);
    void addKey(const QString& table, const TableConstraint& k, std::vector<KeyIndex>* keys);
    // Unique indexes (InterpretUniqueKeys.cpp): `stored` is the SQLite name, `shown` the T-SQL
    // one; every one but a primary key's has the guard of its NULLs (IndexSql.h).
    void createUniqueIndex(const QString& schema, const QString& table, const QString& stored,
                           const QString& shown, const IndexedColumns& columns, bool primary);
    void dropUniqueIndex(const QString& schema, const QString& stored);
    void addKeyIndex(const QString& table, const KeyIndex& k);
    [[noreturn]] void duplicateKeyFound(const QString& schema, const QString& table,
                                        const QString& shown, const IndexedColumns& columns);
    void recordConstraint(const QString& name, const QString& table, const QString& kind,
                          const QStringList& columns, const QString& detail);
    void schemaChanged();
    void addForeignKey(const TableInfo& t, const TableConstraint& k);
    void dropForeignKey(const QString& table, const QString& name);
    QString ddlSchema_ = QStringLiteral("main");  // main, or temp for #tables
    void noteSchema(sqlite3_stmt* st);
    struct SchemaChanged {
        QString message;  // SQLite's words, for when retranslating does not help
    };
    void checkReprepared(sqlite3_stmt* st, int rc, bool changesRows);
    bool isStaleSchemaError() const;
    sqlite3_stmt* prepare(const Compiled& c);
    void retryOnSchemaChange(const std::function<void()>& run);
    void refreshDatabases();

    // transactions
    // Runs a statement of several writes (one with triggers, a MERGE) so that it stands or falls
    // whole.
    void writeAtomically(const std::function<void()>& write);
    void rollbackAll();
    // Runs a rollback; table variables keep their rows through it, as on SQL Server.
    void rollingBack(const QByteArray& statement);
    void saveTransaction(const QString& name);
    void rollbackToSavepoint(const QString& name);
    void syncTransaction();
    // What an error leaving a statement does to the open transaction under XACT_ABORT: inside
    // TRY it dooms it (CATCH sees XACT_STATE() -1), elsewhere it rolls it back. RAISERROR's
    // errors and 3930 leave it as it is.
    void abortTransactionAfter(const db::Error& e);
    // A doomed transaction still open when a batch or call ends is rolled back with 3998.
    void endDoomedTransaction();
    void refuseWritesWhenDoomed() const;

    Server server_;
    QString dbName_;
    bool master_ = false;
    // The databases this session uses (its own and those it attached), for DROP DATABASE.
    std::vector<std::pair<QString, std::unique_ptr<DatabaseUse>>> uses_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Catalog> catalog_;
    std::function<QDateTime()> clock_;
    std::optional<QDateTime> statementNow_;

    // Parsed batches by text, and the same by the buffer of a text sent again in the same
    // string (a query's own SQL), found without hashing the text.
    struct ParsedBatch {
        QString text;  // shares the buffer, so it stays as it is
        std::shared_ptr<Batch> batch;
    };
    QHash<QString, std::shared_ptr<Batch>> batches_;
    QHash<const QChar*, ParsedBatch> batchesByBuffer_;
    Routines procedures_;
    Routines functions_;
    int functionCalls_ = 0;    // user functions running inside a statement's step
    QStringList laterTables_;  // temporary tables to drop once no statement runs
    QHash<QString, std::shared_ptr<Trigger>> triggers_;  // by lower-cased name and depth
    qint64 triggersCheckedAt_ = -1;  // the data_version at which the catalogue's were read
    // The copies of the rows of the statements whose triggers run, innermost last.
    std::vector<const CapturedRows*> captures_;
    bool triggerFailed_ = false;  // an error left a trigger: it ends the batch outside TRY
    int merging_ = 0;        // MERGE statements running, innermost the last (they nest in triggers)
    int insertingExec_ = 0;  // INSERT ... EXEC statements running, the same way
    // While the call of an INSERT ... EXEC runs: the transaction depth its statement holds, which
    // the call's COMMIT and ROLLBACK may not end.
    std::optional<int> filingExec_;
    Place place_;
    // Counts schema changes: a translation made before the last one is made again.
    qint64 catalogueVersion_ = 0;
    // The schema version the catalogue was last read at; -1 before the first change is seen.
    qint64 schemaVersion_ = -1;
    std::string paramSignature_;

    std::vector<Frame> frames_;
    Cursors globalCursors_;                     // by lower-cased name
    int fetchStatus_ = -1;                      // @@FETCH_STATUS
    std::weak_ptr<DeclaredCursor> lastOpened_;  // @@CURSOR_ROWS
    std::vector<ErrorContext> catches_;
    ResultSink* sink_ = nullptr;
    std::unique_ptr<Stream> stream_;
    std::unique_ptr<Stream> spareStream_;  // the last one ended, to be used again
    std::vector<Value> spareTestRow_;      // the room of the last condition's row
    bool openRowsNext_ = false;  // the SELECT being run opens its rows instead of reading them
    QString gotoLabel_;          // of the GOTO on its way to its label
    SessionOptions options_;
    bool doomed_ = false;      // the open transaction can only be rolled back
    bool userRaised_ = false;  // the error on its way to CATCH is RAISERROR's
    int tranDepth_ = 0;
    int tableVariables_ = 0;
    QStringList savepoints_;  // SAVE TRANSACTION names of the open transaction
    qint64 rowcount_ = 0;
    std::optional<qint64> identity_;
    // SET IDENTITY_INSERT: the one table of the session that takes explicit identity values.
    struct IdentityInsert {
        QString schema;
        QString table;
        QString shown;  // database.schema.table, for 8107
    };
    std::optional<IdentityInsert> identityInsert_;
    int lastError_ = 0;
    int tryDepth_ = 0;
};

}  // namespace tsql
