#include "tsql/Interpreter.h"

#include <sqlite3.h>

#include <QDir>
#include <QFileInfo>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/FunctionRows.h"
#include "tsql/Parser.h"
#include "tsql/Walker.h"

namespace tsql {

namespace {

SqlType boundType(const db::BoundValue& b) {
    if (b.type != db::FieldType::Unknown)
        return SqlType::ofField(b.type);
    switch (b.value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Bool:
            return SqlType::of(SqlType::Int);
        case QMetaType::Double:
            return SqlType::of(SqlType::Float);
        case QMetaType::QDateTime:
        case QMetaType::QDate:
            return SqlType::of(SqlType::DateTime);
        case QMetaType::QString:
            return SqlType::of(SqlType::VarChar, 8000);
        default:
            return {};
    }
}

char signatureChar(const SqlType& t) {
    if (t.isInteger())
        return 'i';
    if (t.isNumeric())
        return 'f';
    if (t.isDate())
        return 'd';
    if (t.isText())
        return 's';
    return 'u';
}

}  // namespace

Interpreter::Interpreter(const QString& serverDir, const QString& database)
    : server_(serverDir), dbName_(database) {
    clock_ = [this] {
        if (!statementNow_)
            statementNow_ = server_.now();
        return *statementNow_;
    };
    master_ = database.compare(u"master", Qt::CaseInsensitive) == 0;
    QString path;
    if (!master_) {
        path = server_.pathOf(database);
        if (path.isEmpty())
            raise(4060, QStringLiteral("Cannot open database \"%1\" requested by the login. The "
                                       "login failed.")
                            .arg(database));
        dbName_ = QFileInfo(path).completeBaseName();
        uses_.emplace_back(dbName_, std::make_unique<DatabaseUse>(server_.dir(), dbName_));
    } else {
        dbName_ = QStringLiteral("master");
    }
    db_ = std::make_unique<Database>(path, &clock_);
    sqlite3_create_function(db_->handle(), "tsql_udf", -1, SQLITE_UTF8, this,
                            &Interpreter::functionCalled, nullptr, nullptr);
    sqlite3_create_function(db_->handle(), "tsql_cursor_status", 2, SQLITE_UTF8, this,
                            &Interpreter::cursorStatusCalled, nullptr, nullptr);
    registerFunctionRows(*db_, [this](const QString& name, std::vector<Value> args) {
        try {
            return functionRows(name, std::move(args));
        } catch (const SchemaChanged& e) {
            throw db::Error(db::Error::Kind::Server, e.message, err::Internal);
        }
    });
    catalog_ = std::make_unique<Catalog>(*db_);
    frames_.emplace_back();
}

Interpreter::~Interpreter() {
    if (tranDepth_ > 0) {
        try {
            db_->exec("ROLLBACK");
        } catch (...) {
        }
    }
}

// ---- Environment ----

std::optional<SqlType> Interpreter::variableType(const QString& name) const {
    const Variable* v = frames_.back().vars.find(name.toLower());
    if (!v)
        return std::nullopt;
    return v->type;
}

SqlType Interpreter::parameterType(int index) const {
    const auto* params = frames_.back().params;
    if (!params || index < 0 || index >= static_cast<int>(params->size()))
        missingParameter(index);
    return boundType((*params)[static_cast<size_t>(index)]);
}

// The file name of the other database of the server that `name` is qualified with; empty for
// this database and master. Raises 911 for a database the server does not have.
QString Interpreter::otherDatabase(const ObjectName& name) const {
    const QString& part = name.database;
    if (part.isEmpty() || part.compare(dbName_, Qt::CaseInsensitive) == 0 ||
        part.compare(u"master", Qt::CaseInsensitive) == 0)
        return {};
    const QString path = server_.pathOf(part);
    if (path.isEmpty())
        raise(911, QStringLiteral("Database '%1' does not exist. Make sure that the name is "
                                  "entered correctly.")
                       .arg(part));
    return QFileInfo(path).completeBaseName();
}

// Attaching is a step of its own, taken before a statement is translated or a schema statement
// looks its tables up: binding then only reads the catalogue.
void Interpreter::useDatabase(const ObjectName& name) {
    const QString stored = otherDatabase(name);
    if (stored.isEmpty() || db_->isAttached(stored))
        return;
    auto use = std::make_unique<DatabaseUse>(server_.dir(), stored);
    db_->attach(stored, server_.pathOf(name.database));
    uses_.emplace_back(stored, std::move(use));
}

void Interpreter::useDatabasesOf(const Stmt& s) {
    if (s.kind == Stmt::Insert)
        useDatabase(static_cast<const InsertStmt&>(s).table);
    else if (s.kind == Stmt::Update)
        useDatabase(static_cast<const UpdateStmt&>(s).target);
    else if (s.kind == Stmt::Delete)
        useDatabase(static_cast<const DeleteStmt&>(s).target);
    walk(s, sourcesVisitor());
}

void Interpreter::useDatabasesOf(const Expr& e) {
    walk(e, sourcesVisitor());
}

void Interpreter::useDatabasesOf(const Select& s) {
    walk(s, sourcesVisitor());
}

Visitor Interpreter::sourcesVisitor() {
    return Visitor{nullptr, [this](const TableRef& t) {
                       if (t.kind == TableRef::Named)
                           useDatabase(t.name);
                       return false;
                   }};
}

std::shared_ptr<const TableInfo> Interpreter::resolveTable(const ObjectName& name) {
    QString schema = QStringLiteral("main");
    if (name.database.compare(u"master", Qt::CaseInsensitive) == 0 &&
        dbName_.compare(u"master", Qt::CaseInsensitive) != 0) {
        schema = QStringLiteral("temp");
    } else if (const QString stored = otherDatabase(name); !stored.isEmpty()) {
        if (!db_->isAttached(stored))
            raise(err::Internal,
                  QStringLiteral("Database '%1' is not in use by this connection.").arg(stored));
        schema = stored;
    }
    if (name.schema.compare(u"sys", Qt::CaseInsensitive) == 0) {
        // sys.objects, sys.columns, ...: the engine's views of the same names.
        const std::shared_ptr<const TableInfo> v =
            catalog_->find(QStringLiteral("temp"), QStringLiteral("sys_") + name.name);
        if (!v)
            invalidObject(name.display());
        return v;
    }
    if (name.schema.compare(u"information_schema", Qt::CaseInsensitive) == 0) {
        const std::shared_ptr<const TableInfo> v = catalog_->find(
            QStringLiteral("temp"), QStringLiteral("information_schema_") + name.name);
        if (!v)
            invalidObject(name.display());
        return v;
    }
    if (!name.schema.isEmpty() && name.schema.compare(u"dbo", Qt::CaseInsensitive) != 0)
        invalidObject(name.display());
    if (name.schema.isEmpty() && name.database.isEmpty())
        if (std::shared_ptr<const TableInfo> rows = triggerRows(name.name))
            return rows;
    if (name.name.startsWith(u'@')) {
        auto it = frames_.back().tables.find(name.name.toLower());
        if (it == frames_.back().tables.end())
            raise(1087, QStringLiteral("Must declare the table variable \"%1\".").arg(name.name));
        std::shared_ptr<const TableInfo> variable =
            catalog_->find(QStringLiteral("temp"), it.value().stored);
        if (!variable)
            raise(err::Internal,
                  QStringLiteral("The table variable \"%1\" has lost its rows.").arg(name.name));
        return variable;
    }
    if (name.name.compare(QLatin1String(kMergeRows), Qt::CaseInsensitive) == 0 && merging_ > 0)
        return filedRows(kMergeRows, merging_);
    if (name.name.compare(QLatin1String(kExecRows), Qt::CaseInsensitive) == 0 && insertingExec_ > 0)
        return filedRows(kExecRows, insertingExec_);
    if (name.name.startsWith(u'#')) {
        const std::shared_ptr<const TableInfo> temp =
            catalog_->find(QStringLiteral("temp"), name.name);
        if (!temp)
            invalidObject(name.name);
        return temp;
    }
    // The engine's and SQLite's own tables are not objects of the database.
    std::shared_ptr<const TableInfo> t;
    if (!name.name.startsWith(QStringLiteral("tsql_"), Qt::CaseInsensitive) &&
        !name.name.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive))
        t = catalog_->find(schema, name.name);
    if (!t && schema == u"main")
        t = catalog_->find(QStringLiteral("temp"), name.name);
    if (!t)
        invalidObject(name.display());
    return t;
}

SqlType Interpreter::resolveType(const SqlType& type, const QString& aliasName) {
    if (aliasName.isEmpty())
        return type;
    auto t = catalog_->aliasType(aliasName);
    if (!t)
        raise(2715, QStringLiteral("Column, parameter, or variable #1: Cannot find data type %1.")
                        .arg(aliasName));
    return *t;
}

// ---- batches ----

// Only a text in a buffer of its own is found by its buffer: one that merely points at other
// memory could change there.
std::shared_ptr<Interpreter::Batch> Interpreter::parse(const QString& sql) {
    constexpr qsizetype kKept = 500;
    const bool ownBuffer = sql.data_ptr().isMutable();
    if (ownBuffer) {
        auto seen = batchesByBuffer_.constFind(sql.constData());
        if (seen != batchesByBuffer_.cend() && seen->text.size() == sql.size())
            return seen->batch;
    }
    std::shared_ptr<Batch> b = batches_.value(sql);
    if (!b) {
        b = parseBatch(sql);
        if (batches_.size() > kKept)
            batches_.clear();
        batches_.insert(sql, b);
    }
    if (ownBuffer) {
        if (batchesByBuffer_.size() > kKept)
            batchesByBuffer_.clear();
        batchesByBuffer_.insert(sql.constData(), {sql, b});
    }
    return b;
}

std::shared_ptr<Interpreter::Batch> Interpreter::parseBatch(const QString& sql) {
    Parser p(sql);
    StmtList statements = p.parseBatch();
    return std::make_shared<Batch>(std::move(statements), p.statementCount());
}

void Interpreter::execute(const QString& sql, const std::vector<db::BoundValue>& params,
                          ResultSink& sink) {
    std::shared_ptr<Batch> batch = beginBatch(sql, params, sink);
    const int depthAtStart = tranDepth_;
    try {
        const PlaceScope place(place_, {batch.get(), -1});
        execList(batch->statements);
        endDoomedTransaction();
    } catch (db::Error& e) {
        abandonBatch(depthAtStart);
        e.setStatement(sql);
        throw;
    }
    endBatch();
}

// One character per parameter's type: translations made for other types are made again.
void Interpreter::setParamSignature(const std::vector<db::BoundValue>& params) {
    paramSignature_.clear();
    for (const db::BoundValue& param : params)
        paramSignature_.push_back(signatureChar(boundType(param)));
}

std::shared_ptr<Interpreter::Batch> Interpreter::beginBatch(
    const QString& sql, const std::vector<db::BoundValue>& params, ResultSink& sink) {
    sink_ = &sink;
    setParamSignature(params);
    std::shared_ptr<Batch> batch = parse(sql);
    while (frames_.size() > 1)
        leaveFrame();
    dropScopedTables(frames_[0]);
    Variables vars = std::move(frames_[0].vars);
    vars.clear();
    std::destroy_at(&frames_[0]);  // a fresh frame, made in place
    std::construct_at(&frames_[0]);
    frames_[0].vars = std::move(vars);  // a batch that declares finds the room made before
    frames_[0].params = &params;
    catches_.clear();
    tryDepth_ = 0;
    userRaised_ = false;
    triggerFailed_ = false;
    db_->startStatement();  // the query timeout counts for the whole batch
    return batch;
}

void Interpreter::endBatch() {
    dropScopedTables(frames_[0]);
    frames_[0].cursors.clear();  // the batch's LOCAL cursors and cursor variables
    dropLaterTables();
    frames_[0].params = nullptr;
    sink_ = nullptr;
}

void Interpreter::abandonBatch(int depthAtStart) {
    syncTransaction();
    if (tranDepth_ > depthAtStart || (options_.xactAbort && tranDepth_ > 0))
        rollbackAll();
    endBatch();
}

void Interpreter::dropScopedTables(Frame& frame) {
    if (frame.tables.isEmpty() && frame.temporaries.isEmpty())
        return;
    QStringList scoped = frame.temporaries;
    for (const TableVariable& variable : std::as_const(frame.tables))
        scoped << variable.stored;
    frame.tables.clear();
    frame.temporaries.clear();
    // SQLite drops no table while a statement runs: a function's go when the calling one is
    // over. Translations that name them are made again all the same, as the names now stand for
    // another call's tables.
    if (functionCalls_ > 0) {
        laterTables_ << scoped;
        if (!scoped.isEmpty())
            schemaChanged();
        return;
    }
    dropTables(scoped);
}

void Interpreter::dropLaterTables() {
    if (functionCalls_ > 0 || (stream_ && stream_->st) || laterTables_.isEmpty())
        return;
    dropTables(std::exchange(laterTables_, {}));
}

void Interpreter::dropTables(const QStringList& stored) {
    for (const QString& table : stored) {
        try {
            db_->exec("DROP TABLE IF EXISTS temp." + sqlite::name(table));
            for (const char* metadata :
                 {"tsql_constraints WHERE table_name", "tsql_identities WHERE name"})
                db_->exec("DELETE FROM temp." + QByteArray(metadata) + " = " + sqlite::text(table));
        } catch (const db::Error&) {
            // a transaction rolled back may have taken the table with it
        }
    }
    if (!stored.isEmpty())
        schemaChanged();
}

void Interpreter::leaveFrame() {
    dropScopedTables(frames_.back());
    frames_.pop_back();
}

QStringList Interpreter::translation(const QString& sql,
                                     const std::vector<db::BoundValue>& params) {
    setParamSignature(params);
    std::shared_ptr<Batch> batch = parse(sql);
    frames_.resize(1);
    frames_[0] = Frame();
    frames_[0].params = &params;
    QStringList out;
    const PlaceScope place(place_, {});  // made for the caller to read, filed nowhere
    for (const auto& s : batch->statements)
        if (isSetStatement(*s))
            out << QString::fromUtf8(
                compiled(s.get(), [&](SqliteEmitter& e) { return setStatement(e, *s); })->sql);
    frames_[0].params = nullptr;
    return out;
}

Interpreter::Flow Interpreter::execList(const StmtList& list) {
    for (size_t k = 0; k < list.size(); ++k) {
        const Flow f = execListed(*list[k]);
        if (f == Flow::Normal)
            continue;
        const std::optional<size_t> target = f == Flow::Goto ? gotoTarget(list) : std::nullopt;
        if (!target)
            return f;
        k = *target;  // the label itself does nothing
    }
    return Flow::Normal;
}

std::optional<size_t> Interpreter::gotoTarget(const StmtList& list) const {
    for (size_t k = 0; k < list.size(); ++k)
        if (list[k]->kind == Stmt::Label && static_cast<const LabelStmt&>(*list[k]).name.compare(
                                                gotoLabel_, Qt::CaseInsensitive) == 0)
            return k;
    return std::nullopt;
}

Interpreter::Flow Interpreter::execListed(const Stmt& s) {
    try {
        return exec(s);
    } catch (const db::Error& e) {
        if (!endsStatementOnly(e))
            throw;
        statementFailed(s, e);
        return Flow::Normal;
    }
}

// Errors that end only the failing statement, inside a transaction as well (which stays open):
// constraint violations, truncation, a divide by zero, an arithmetic overflow, a missing
// procedure, a transaction count changed by a procedure. Inside TRY they go to CATCH; under
// XACT_ABORT they end the batch. A write refused in a doomed transaction ends its statement.
bool Interpreter::endsStatementOnly(const db::Error& e) const {
    // Inside a function every error ends the statement that called it.
    if (!e.isServerError() || tryDepth_ > 0 || triggerFailed_ || inFunction())
        return false;
    if (e.nativeError() == err::Uncommittable)
        return true;
    if (options_.xactAbort)
        return false;
    switch (e.nativeError()) {
        case err::NullNotAllowed:
        case err::DuplicateKey:
        case err::DuplicateIndexKey:
        case err::DuplicateKeyFound:
        case err::ConstraintNotCreated:
        case err::ReferenceConflict:
        case err::UnknownProcedure:
        case err::TransactionCountMismatch:
        case err::DivideByZero:
        case err::InvalidFloat:
        case 8115:  // arithmetic overflow
        case 8152:
            return true;
        default:
            return err::isCursorError(e.nativeError());
    }
}

void Interpreter::statementFailed(const Stmt& s, const db::Error& e) {
    sink_->statementError(e);
    // ALTER COLUMN's 515 is an UPDATE of the rows that failed; a unique index made over repeated
    // keys ends its statement too.
    const int n = e.nativeError();
    if (s.kind == Stmt::Insert || s.kind == Stmt::Update || s.kind == Stmt::Delete ||
        s.kind == Stmt::Merge ||
        (s.kind == Stmt::AlterTable &&
         (n == err::NullNotAllowed || n == err::ConstraintNotCreated)) ||
        (s.kind == Stmt::CreateIndex && n == err::DuplicateKeyFound))
        sink_->message(QStringLiteral("The statement has been terminated."));
    lastError_ = e.nativeError();
    rowcount_ = 0;
}

Interpreter::Flow Interpreter::exec(const Stmt& s) {
    statementNow_.reset();
    db_->checkInterrupted();
    const PlaceScope place(place_, {place_.batch, s.index});
    try {
        const Flow f = execStatement(s);
        dropLaterTables();
        return f;
    } catch (db::Error& e) {
        dropLaterTables();
        statementRaised(s, e);
        throw;
    }
}

void Interpreter::statementRaised(const Stmt& s, db::Error& e) {
    e.setPlace(s.line, frames_.back().procedure);  // the innermost statement's, set first
    if (inFunction())  // the calling statement's error, which it deals with
        return;
    syncTransaction();
    abortTransactionAfter(e);
}

// One handler per statement kind; a handler returns the flow only where it can change it.
Interpreter::Flow Interpreter::execStatement(const Stmt& s) {
    if (options_.rowcount > 0)
        refuseUnderRowcount(s);
    switch (s.kind) {
        case Stmt::SelectStmt:
            retryOnSchemaChange([&] { execSelect(static_cast<const SelectStmt&>(s)); });
            break;
        case Stmt::Insert:
            if (static_cast<const InsertStmt&>(s).exec)
                insertExec(static_cast<const InsertStmt&>(s));
            else
                execChange(s);
            break;
        case Stmt::Update:
        case Stmt::Delete:
            execChange(s);
            break;
        case Stmt::CreateTable:
            createTable(static_cast<const CreateTableStmt&>(s));
            break;
        case Stmt::CreateType:
            createType(static_cast<const CreateTypeStmt&>(s));
            break;
        case Stmt::CreateIndex:
            createIndex(static_cast<const CreateIndexStmt&>(s));
            break;
        case Stmt::CreateView:
            createView(static_cast<const CreateViewStmt&>(s));
            break;
        case Stmt::CreateProcedure:
            createProcedure(static_cast<const CreateProcedureStmt&>(s));
            break;
        case Stmt::CreateTrigger:
            createTrigger(static_cast<const CreateTriggerStmt&>(s));
            break;
        case Stmt::CreateFunction:
            createFunction(static_cast<const CreateFunctionStmt&>(s));
            break;
        case Stmt::Merge:
            execMerge(static_cast<const MergeStmt&>(s));
            break;
        case Stmt::AlterTable:
            alterTable(static_cast<const AlterTableStmt&>(s));
            break;
        case Stmt::Drop:
            drop(static_cast<const DropStmt&>(s));
            break;
        case Stmt::Truncate:
            truncateTable(static_cast<const TruncateStmt&>(s));
            break;
        case Stmt::CreateDatabase:
        case Stmt::DropDatabase:
            databaseStatement(static_cast<const DatabaseStmt&>(s));
            break;
        case Stmt::Use:
            use(static_cast<const UseStmt&>(s));
            break;
        case Stmt::Declare:
            declare(static_cast<const DeclareStmt&>(s));
            break;
        case Stmt::SetVar:
            setVariable(static_cast<const SetVarStmt&>(s));
            break;
        case Stmt::SetOption:
            setOption(static_cast<const SetOptionStmt&>(s));
            break;
        case Stmt::Print:
            print(static_cast<const PrintStmt&>(s));
            break;
        case Stmt::Waitfor:
            waitFor(static_cast<const WaitforStmt&>(s));
            break;
        case Stmt::If:
            return execIf(static_cast<const IfStmt&>(s));
        case Stmt::Block:
            return execList(static_cast<const BlockStmt&>(s).body);
        case Stmt::While:
            return execWhile(static_cast<const WhileStmt&>(s));
        case Stmt::Break:
            return Flow::Break;
        case Stmt::Continue:
            return Flow::Continue;
        case Stmt::Exec:
            execCall(static_cast<const ExecStmt&>(s));
            break;
        case Stmt::Return:
            return execReturn(static_cast<const ReturnStmt&>(s));
        case Stmt::Transaction:
            transactionStatement(static_cast<const TransactionStmt&>(s));
            break;
        case Stmt::TryCatch:
            return tryCatch(static_cast<const TryCatchStmt&>(s));
        case Stmt::Raiserror:
            raiserror(static_cast<const RaiserrorStmt&>(s));
            break;
        case Stmt::DeclareCursor:
            declareCursor(static_cast<const DeclareCursorStmt&>(s));
            break;
        case Stmt::CursorAction:
            cursorAction(static_cast<const CursorActionStmt&>(s));
            break;
        case Stmt::Fetch:
            fetchRow(static_cast<const FetchStmt&>(s));
            break;
        case Stmt::Throw:
            throwError(static_cast<const ThrowStmt&>(s));
            break;
        case Stmt::Label:
            break;
        case Stmt::Goto:
            gotoLabel_ = static_cast<const GotoStmt&>(s).label;
            return Flow::Goto;
    }
    return Flow::Normal;
}

}  // namespace tsql
