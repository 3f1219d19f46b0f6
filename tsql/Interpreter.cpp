#include "tsql/Interpreter.h"

#include <sqlite3.h>

#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Parser.h"

namespace tsql {

namespace {

SqlType boundType(const db::BoundValue& b) {
    switch (b.type) {
        case db::FieldType::Integer:
            return SqlType::of(SqlType::Int);
        case db::FieldType::Float:
            return SqlType::of(SqlType::Float);
        case db::FieldType::DateTime:
            return SqlType::of(SqlType::DateTime);
        case db::FieldType::String:
            return SqlType::of(SqlType::VarChar, 8000);
        case db::FieldType::Unknown:
            break;
    }
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

// A column of the current row as the access layer reports the type.
QVariant columnVariant(sqlite3_stmt* st, int k, const SqlType& type) {
    const int kind = sqlite3_column_type(st, k);
    if (kind == SQLITE_NULL)
        return QVariant();
    if (type.isText() || (!type.known() && kind == SQLITE_TEXT))
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, k)),
                                          sqlite3_column_bytes(st, k)));
    if (type.isInteger() && kind == SQLITE_INTEGER)
        return QVariant(static_cast<qint64>(sqlite3_column_int64(st, k)));
    if (type.isNumeric() && kind != SQLITE_TEXT)
        return QVariant(sqlite3_column_double(st, k));
    return Value::fromColumn(st, k).toVariant(type);
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
    } else {
        dbName_ = QStringLiteral("master");
    }
    db_ = std::make_unique<Database>(path, &clock_);
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
    auto it = frames_.back().vars.find(name.toLower());
    if (it == frames_.back().vars.end())
        return std::nullopt;
    return it->type;
}

SqlType Interpreter::parameterType(int index) const {
    const auto* params = frames_.back().params;
    if (!params || index < 0 || index >= static_cast<int>(params->size()))
        raise(0,
              QStringLiteral("The statement has more parameter markers than values were given."));
    return boundType((*params)[static_cast<size_t>(index)]);
}

const TableInfo* Interpreter::resolveTable(const ObjectName& name) {
    QString schema = QStringLiteral("main");
    const QString& dbPart = name.database;
    if (!dbPart.isEmpty() && dbPart.compare(dbName_, Qt::CaseInsensitive) != 0) {
        if (dbPart.compare(u"master", Qt::CaseInsensitive) == 0) {
            schema = QStringLiteral("temp");
        } else {
            QString path = server_.pathOf(dbPart);
            if (path.isEmpty())
                raise(911,
                      QStringLiteral("Database '%1' does not exist. Make sure that the name is "
                                     "entered correctly.")
                          .arg(dbPart));
            QString attachedName = QFileInfo(path).completeBaseName();
            if (!db_->isAttached(attachedName))
                db_->attach(attachedName, path);
            schema = attachedName;
        }
    }
    if (!name.schema.isEmpty() && name.schema.compare(u"dbo", Qt::CaseInsensitive) != 0 &&
        name.schema.compare(u"sys", Qt::CaseInsensitive) != 0)
        invalidObject(name.display());
    if (name.name.startsWith(u'#')) {
        const TableInfo* temp = catalog_->find(QStringLiteral("temp"), name.name);
        if (!temp)
            invalidObject(name.name);
        return temp;
    }
    const TableInfo* t = nullptr;
    if (!name.name.startsWith(QStringLiteral("tsql_"), Qt::CaseInsensitive))
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
    auto t = catalog_->aliasType(QStringLiteral("main"), aliasName);
    if (!t)
        raise(2715, QStringLiteral("Column, parameter, or variable #1: Cannot find data type %1.")
                        .arg(aliasName));
    return *t;
}

// ---- batches ----

std::shared_ptr<Interpreter::Batch> Interpreter::parse(const QString& sql) {
    auto it = batches_.find(sql);
    if (it != batches_.end())
        return it.value();
    auto b = std::make_shared<Batch>();
    Parser p(sql);
    b->statements = p.parseBatch();
    if (batches_.size() > 500) {
        // Translations are keyed by the nodes of the parsed text: they go with it.
        batches_.clear();
        compiled_.clear();
    }
    batches_.insert(sql, b);
    return b;
}

db::BatchResult Interpreter::execute(const QString& sql,
                                     const std::vector<db::BoundValue>& params) {
    db::BatchResult result;
    results_ = &result;
    paramSignature_.clear();
    for (const auto& p : params)
        paramSignature_ += signatureChar(boundType(p));
    std::shared_ptr<Batch> batch = parse(sql);
    frames_.resize(1);
    frames_[0] = Frame();
    frames_[0].params = &params;
    catches_.clear();
    pending_.clear();
    tryDepth_ = 0;
    db_->startStatement();  // the query timeout counts for the whole batch
    const int depthAtStart = tranDepth_;
    try {
        runBatch(batch->statements);
        raisePending(sql);
    } catch (db::Error& e) {
        pending_.clear();
        syncTransaction();
        // A batch that fails leaves nothing of the transactions it began.
        if (tranDepth_ > depthAtStart || (xactAbort_ && tranDepth_ > 0))
            rollbackAll();
        e.setStatement(sql);
        frames_[0].params = nullptr;
        results_ = nullptr;
        throw;
    }
    frames_[0].params = nullptr;
    results_ = nullptr;
    return result;
}

QStringList Interpreter::translation(const QString& sql,
                                     const std::vector<db::BoundValue>& params) {
    paramSignature_.clear();
    for (const auto& p : params)
        paramSignature_ += signatureChar(boundType(p));
    std::shared_ptr<Batch> batch = parse(sql);
    frames_.resize(1);
    frames_[0] = Frame();
    frames_[0].params = &params;
    QStringList out;
    for (const auto& s : batch->statements) {
        const Compiled* c = nullptr;
        switch (s->kind) {
            case Stmt::SelectStmt: {
                const Select& sel = *static_cast<const SelectStmt&>(*s).select;
                c = &compiled(s.get(), 0, [&](SqliteEmitter& e) { return e.select(sel); });
                break;
            }
            case Stmt::Insert: {
                const auto& st = static_cast<const InsertStmt&>(*s);
                c = &compiled(s.get(), 0, [&](SqliteEmitter& e) { return e.insert(st); });
                break;
            }
            case Stmt::Update: {
                const auto& st = static_cast<const UpdateStmt&>(*s);
                c = &compiled(s.get(), 0, [&](SqliteEmitter& e) { return e.update(st); });
                break;
            }
            case Stmt::Delete: {
                const auto& st = static_cast<const DeleteStmt&>(*s);
                c = &compiled(s.get(), 0, [&](SqliteEmitter& e) { return e.remove(st); });
                break;
            }
            default:
                break;
        }
        if (c)
            out << QString::fromUtf8(c->sql);
    }
    frames_[0].params = nullptr;
    return out;
}

void Interpreter::runBatch(const StmtList& stmts) {
    execList(stmts);
}

Interpreter::Flow Interpreter::execList(const StmtList& list) {
    for (const auto& s : list) {
        Flow f;
        try {
            f = exec(*s);
        } catch (const db::Error& e) {
            if (!endsStatementOnly(e))
                throw;
            // As on SQL Server the batch goes on; the caller gets the error at its end.
            pending_.push_back(e);
            lastError_ = e.nativeError();
            continue;
        }
        if (f != Flow::Normal)
            return f;
    }
    return Flow::Normal;
}

// Errors that end only the failing statement: constraint violations, truncation and a missing
// procedure. They end the batch instead inside TRY, inside a transaction (which they roll back)
// and under XACT_ABORT.
bool Interpreter::endsStatementOnly(const db::Error& e) const {
    if (!e.isServerError() || tryDepth_ > 0 || tranDepth_ > 0 || xactAbort_)
        return false;
    switch (e.nativeError()) {
        case err::NullNotAllowed:
        case err::DuplicateKey:
        case err::DuplicateIndexKey:
        case err::ReferenceConflict:
        case err::UnknownProcedure:
        case 8152:
            return true;
        default:
            return false;
    }
}

void Interpreter::raisePending(const QString& sql) {
    if (pending_.empty())
        return;
    std::vector<db::ServerMessage> messages;
    for (const db::Error& e : pending_)
        for (const db::ServerMessage& m : e.messages())
            messages.push_back(m);
    pending_.clear();
    throw db::Error(std::move(messages), sql);
}

Interpreter::Flow Interpreter::exec(const Stmt& s) {
    statementNow_.reset();
    if (db_->timedOut())
        raise(err::Timeout, QStringLiteral("Query timeout expired"));
    try {
        Flow f = execStatement(s);
        return f;
    } catch (db::Error&) {
        syncTransaction();
        if (xactAbort_ && tranDepth_ > 0)
            rollbackAll();
        throw;
    }
}

Interpreter::Flow Interpreter::execStatement(const Stmt& s) {
    switch (s.kind) {
        case Stmt::SelectStmt:
            retryOnSchemaChange([&] { execSelect(static_cast<const SelectStmt&>(s)); });
            return Flow::Normal;
        case Stmt::Insert: {
            const auto& st = static_cast<const InsertStmt&>(s);
            retryOnSchemaChange([&] {
                runChange(compiled(&s, 0, [&](SqliteEmitter& e) { return e.insert(st); }));
            });
            return Flow::Normal;
        }
        case Stmt::Update: {
            const auto& st = static_cast<const UpdateStmt&>(s);
            retryOnSchemaChange([&] {
                runChange(compiled(&s, 0, [&](SqliteEmitter& e) { return e.update(st); }));
            });
            return Flow::Normal;
        }
        case Stmt::Delete: {
            const auto& st = static_cast<const DeleteStmt&>(s);
            retryOnSchemaChange([&] {
                runChange(compiled(&s, 0, [&](SqliteEmitter& e) { return e.remove(st); }));
            });
            return Flow::Normal;
        }
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
        case Stmt::AlterTable:
            alterTable(static_cast<const AlterTableStmt&>(s));
            break;
        case Stmt::Drop:
            drop(static_cast<const DropStmt&>(s));
            break;
        case Stmt::CreateDatabase:
        case Stmt::DropDatabase:
            databaseStatement(static_cast<const DatabaseStmt&>(s));
            break;
        case Stmt::Declare: {
            const auto& d = static_cast<const DeclareStmt&>(s);
            for (const Declaration& v : d.vars) {
                const QString key = v.name.toLower();
                if (frames_.back().vars.contains(key))
                    raise(134, QStringLiteral("The variable name '%1' has already been declared. "
                                              "Variable names must be unique within a query batch "
                                              "or stored procedure.")
                                   .arg(v.name));
                SqlType t = resolveType(v.type, v.aliasType);
                frames_.back().vars.insert(key, {t, Value()});
                if (v.init) {
                    SqlType from;
                    Value val = evaluate(*v.init, &from);
                    assign(v.name, val, from);
                }
            }
            break;
        }
        case Stmt::SetVar: {
            const auto& sv = static_cast<const SetVarStmt&>(s);
            if (!variableType(sv.name))
                undeclaredVariable(sv.name);
            const Expr* value = sv.value.get();
            SqlType from;
            Value v = evaluate(*value, &from);
            assign(sv.name, v, from);
            break;
        }
        case Stmt::SetOption: {
            const auto& o = static_cast<const SetOptionStmt&>(s);
            const bool on = o.value == u"ON";
            if (o.option == u"NOCOUNT")
                frames_.back().nocount = nocount_ = on;
            else if (o.option == u"XACT_ABORT")
                xactAbort_ = on;
            else if (o.option == u"ROWCOUNT" && o.value != u"0")
                notSupported(QStringLiteral("SET ROWCOUNT"));
            else if (o.option == u"DATEFORMAT" && o.value != u"MDY")
                notSupported(QStringLiteral("SET DATEFORMAT %1").arg(o.value));
            else if (o.option == u"IDENTITY_INSERT")
                notSupported(QStringLiteral("SET IDENTITY_INSERT"));
            // ANSI_NULLS, QUOTED_IDENTIFIER, ANSI_WARNINGS, ARITHABORT and the like change
            // nothing on this engine.
            break;
        }
        case Stmt::If: {
            const auto& i = static_cast<const IfStmt&>(s);
            if (test(*i.condition))
                return exec(*i.then);
            if (i.otherwise)
                return exec(*i.otherwise);
            break;
        }
        case Stmt::Block:
            return execList(static_cast<const BlockStmt&>(s).body);
        case Stmt::While: {
            const auto& w = static_cast<const WhileStmt&>(s);
            while (test(*w.condition)) {
                if (db_->timedOut())
                    raise(err::Timeout, QStringLiteral("Query timeout expired"));
                Flow f = exec(*w.body);
                if (f == Flow::Break)
                    break;
                if (f == Flow::Return)
                    return f;
            }
            break;
        }
        case Stmt::Break:
            return Flow::Break;
        case Stmt::Continue:
            return Flow::Continue;
        case Stmt::Exec: {
            const auto& e = static_cast<const ExecStmt&>(s);
            if (e.dynamicSql) {
                execDynamic(*e.dynamicSql);
                break;
            }
            int status = execProcedure(e);
            if (!e.returnVar.isEmpty())
                assign(e.returnVar, Value::integer(status), SqlType::of(SqlType::Int));
            break;
        }
        case Stmt::Return: {
            const auto& r = static_cast<const ReturnStmt&>(s);
            if (r.value) {
                SqlType from;
                Value v = evaluate(*r.value, &from);
                Value i = convertValue(v, from, SqlType::of(SqlType::Int));
                frames_.back().returnStatus = i.isNull() ? 0 : static_cast<int>(i.i);
            }
            return Flow::Return;
        }
        case Stmt::Transaction: {
            const auto& t = static_cast<const TransactionStmt&>(s);
            switch (t.action) {
                case TransactionStmt::Begin:
                    beginTransaction();
                    break;
                case TransactionStmt::Commit:
                    commit();
                    break;
                case TransactionStmt::Rollback:
                    if (tranDepth_ == 0)
                        raise(3903, QStringLiteral("The ROLLBACK TRANSACTION request has no "
                                                   "corresponding BEGIN TRANSACTION."));
                    rollbackAll();
                    break;
                case TransactionStmt::Save:
                    notSupported(QStringLiteral("SAVE TRANSACTION"));
            }
            break;
        }
        case Stmt::TryCatch: {
            const auto& tc = static_cast<const TryCatchStmt&>(s);
            ++tryDepth_;
            try {
                Flow f = execList(tc.tryBody);
                --tryDepth_;
                return f;
            } catch (const db::Error& e) {
                --tryDepth_;
                if (!e.isServerError() || e.nativeError() == err::Timeout)
                    throw;
                CatchContext c;
                c.number = e.nativeError() ? e.nativeError() : err::UserRaised;
                c.message = e.message();
                c.procedure = frames_.back().procedure;
                lastError_ = c.number;
                catches_.push_back(c);
                try {
                    Flow f = execList(tc.catchBody);
                    catches_.pop_back();
                    return f;
                } catch (...) {
                    catches_.pop_back();
                    throw;
                }
            }
        }
        case Stmt::Raiserror: {
            const auto& r = static_cast<const RaiserrorStmt&>(s);
            SqlType t;
            Value msg = evaluate(*r.message, &t);
            if (!t.isText())
                notSupported(QStringLiteral("RAISERROR with a message number"));
            Value sev = evaluate(*r.severity, &t);
            QString text = msg.toString();
            // printf-style substitution of the arguments
            size_t argIndex = 0;
            QString out;
            for (int k = 0; k < text.size(); ++k) {
                if (text[k] == u'%' && k + 1 < text.size()) {
                    if (text[k + 1] == u'%') {
                        out += u'%';
                        ++k;
                        continue;
                    }
                    int j = k + 1;
                    while (j < text.size() &&
                           (text[j].isDigit() || text[j] == u'-' || text[j] == u'.' ||
                            text[j] == u'l' || text[j] == u'h'))
                        ++j;
                    if (j < text.size() && QStringLiteral("sdiuxXo").contains(text[j])) {
                        QString arg = QStringLiteral("(null)");
                        if (argIndex < r.args.size()) {
                            SqlType at;
                            Value v = evaluate(*r.args[argIndex++], &at);
                            arg = v.isNull() ? QStringLiteral("(null)") : v.toString();
                        }
                        out += arg;
                        k = j;
                        continue;
                    }
                }
                out += text[k];
            }
            qint64 severity = sev.kind == Value::Int ? sev.i : static_cast<qint64>(sev.toDouble());
            if (severity <= 10) {
                results_->messages << out;
                break;
            }
            db::Error error(db::Error::Kind::Server, out, err::UserRaised);
            if (tryDepth_ == 0 && tranDepth_ == 0 && !xactAbort_) {
                // RAISERROR does not stop the batch; the caller gets the error at its end.
                pending_.push_back(error);
                lastError_ = err::UserRaised;
                break;
            }
            throw error;
        }
        case Stmt::Throw: {
            const auto& t = static_cast<const ThrowStmt&>(s);
            if (!t.number) {
                if (catches_.empty())
                    raise(10704,
                          QStringLiteral("To rethrow an error, a THROW statement must be used "
                                         "inside a CATCH block."));
                raise(catches_.back().number, catches_.back().message);
            }
            SqlType ty;
            Value n = evaluate(*t.number, &ty);
            Value m = evaluate(*t.message, &ty);
            qint64 number = n.kind == Value::Int ? n.i : static_cast<qint64>(n.toDouble());
            if (number < 50000)
                raise(35100, QStringLiteral("Error number %1 in the THROW statement is outside the "
                                            "valid range. Specify an error number in the valid "
                                            "range of 50000 to 2147483647.")
                                 .arg(number));
            raise(static_cast<int>(number), m.toString());
        }
        case Stmt::Print: {
            SqlType t;
            Value v = evaluate(*static_cast<const PrintStmt&>(s).value, &t);
            Value text = convertValue(v, t, SqlType::of(SqlType::VarChar, 8000));
            results_->messages << text.toString();
            break;
        }
        case Stmt::Use: {
            const auto& u = static_cast<const UseStmt&>(s);
            if (u.database.compare(dbName_, Qt::CaseInsensitive) != 0)
                notSupported(QStringLiteral("USE of another database; connect to it instead"));
            break;
        }
    }
    return Flow::Normal;
}

// ---- set statements ----

const Compiled& Interpreter::compiled(const void* key, int variant,
                                      const std::function<Compiled(SqliteEmitter&)>& make) {
    std::string k(reinterpret_cast<const char*>(&key), sizeof key);
    k += static_cast<char>('0' + variant);
    k += paramSignature_;
    auto it = compiled_.find(k);
    if (it != compiled_.end() && it->second.generation == generation_)
        return it->second.compiled;
    SqliteEmitter emitter(*this);
    CompiledEntry entry{make(emitter), generation_};
    // VOQ_TSQL_TRACE=1 shows each translation on standard error.
    static const bool trace = qEnvironmentVariableIsSet("VOQ_TSQL_TRACE");
    if (trace)
        fprintf(stderr, "tsql: %s\n", entry.compiled.sql.constData());
    auto [pos, inserted] = compiled_.insert_or_assign(std::move(k), std::move(entry));
    (void)inserted;
    return pos->second.compiled;
}

void Interpreter::bindSlots(sqlite3_stmt* st, const Compiled& c) {
    for (size_t k = 0; k < c.bindings.size(); ++k) {
        const Slot& s = c.bindings[k];
        const int index = static_cast<int>(k) + 1;
        switch (s.kind) {
            case Slot::Param: {
                const auto* params = frames_.back().params;
                if (!params || s.index >= static_cast<int>(params->size()))
                    raise(0, QStringLiteral("The statement has more parameter markers than values "
                                            "were given."));
                Value::fromBound((*params)[static_cast<size_t>(s.index)]).bind(st, index);
                break;
            }
            case Slot::Variable: {
                auto it = frames_.back().vars.find(s.name);
                if (it == frames_.back().vars.end())
                    undeclaredVariable(s.name);
                it->value.bind(st, index);
                break;
            }
            case Slot::Context:
                contextValue(s.name).bind(st, index);
                break;
        }
    }
}

Value Interpreter::contextValue(const QString& name) const {
    const CatchContext* c = catches_.empty() ? nullptr : &catches_.back();
    if (name == u"@@ROWCOUNT")
        return Value::integer(rowcount_);
    if (name == u"@@IDENTITY" || name == u"SCOPE_IDENTITY")
        return identity_ ? Value::integer(*identity_) : Value();
    if (name == u"@@TRANCOUNT")
        return Value::integer(tranDepth_);
    if (name == u"@@ERROR")
        return Value::integer(lastError_);
    if (name == u"@@FETCH_STATUS")
        return Value::integer(-1);
    if (name == u"@@SPID")
        return Value::integer(51);
    if (name == u"@@NESTLEVEL")
        return Value::integer(static_cast<qint64>(frames_.size()) - 1);
    if (name == u"@@VERSION")
        return Value::text(QStringLiteral("Embedded T-SQL engine on SQLite %1")
                               .arg(QString::fromLatin1(sqlite3_libversion())));
    if (name == u"@@SERVERNAME" || name == u"@@SERVICENAME")
        return Value::text(QStringLiteral("file:") + server_.dir());
    if (name == u"@@LANGUAGE")
        return Value::text(QStringLiteral("us_english"));
    if (name == u"DB_NAME")
        return Value::text(dbName_);
    if (name == u"USER_NAME" || name == u"CURRENT_USER")
        return Value::text(QStringLiteral("dbo"));
    if (name == u"SUSER_SNAME" || name == u"SYSTEM_USER")
        return Value::text(QStringLiteral("voq"));
    if (name == u"HOST_NAME") {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        return Value::text(QString::fromLocal8Bit(host).left(15));
    }
    if (name == u"APP_NAME")
        return Value::text(QStringLiteral("voq"));
    if (name == u"XACT_STATE")
        return Value::integer(tranDepth_ > 0 ? 1 : 0);
    if (name == u"ERROR_MESSAGE")
        return c ? Value::text(c->message) : Value();
    if (name == u"ERROR_NUMBER")
        return c ? Value::integer(c->number) : Value();
    if (name == u"ERROR_SEVERITY")
        return c ? Value::integer(c->severity) : Value();
    if (name == u"ERROR_STATE")
        return c ? Value::integer(c->state) : Value();
    if (name == u"ERROR_LINE")
        return c ? Value::integer(c->line) : Value();
    if (name == u"ERROR_PROCEDURE")
        return c && !c->procedure.isEmpty() ? Value::text(c->procedure) : Value();
    undeclaredVariable(name);
}

void Interpreter::runQuery(const Compiled& c, db::RowSet* rows, std::vector<Value>* lastRow) {
    if (c.readsDatabases)
        refreshDatabases();
    sqlite3_stmt* st = prepare(c);
    bindSlots(st, c);
    if (rows) {
        rows->columns.clear();
        for (const OutColumn& col : c.columns)
            rows->columns.push_back({col.name, col.type.fieldType() == db::FieldType::Unknown
                                                   ? db::FieldType::String
                                                   : col.type.fieldType()});
    }
    const int n = static_cast<int>(c.columns.size());
    qint64 count = 0;
    int rc = sqlite3_step(st);
    checkReprepared(st, rc, false);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) {
        ++count;
        if (rows) {
            QVariantList row;
            row.reserve(n);
            for (int k = 0; k < n; ++k)
                row.push_back(columnVariant(st, k, c.columns[static_cast<size_t>(k)].type));
            rows->rows.push_back(std::move(row));
        } else if (lastRow) {
            lastRow->clear();
            for (int k = 0; k < n; ++k)
                lastRow->push_back(Value::fromColumn(st, k));
        }
    }
    if (rc != SQLITE_DONE) {
        sqlite3_reset(st);
        noteSchema(st);
        db_->raiseLast(rc);
    }
    sqlite3_reset(st);
    noteSchema(st);
    rowcount_ = count;
    lastError_ = 0;
}

void Interpreter::runChange(const Compiled& c) {
    sqlite3_stmt* st = prepare(c);
    bindSlots(st, c);
    int rc = sqlite3_step(st);
    checkReprepared(st, rc, true);
    if (rc != SQLITE_DONE) {
        QString msg = QString::fromUtf8(sqlite3_errmsg(db_->handle()));
        int ext = sqlite3_extended_errcode(db_->handle());
        sqlite3_reset(st);
        noteSchema(st);
        if ((ext & 0xff) == SQLITE_CONSTRAINT)
            raiseConstraint(ext, msg, c);
        db_->raiseLast(rc);
    }
    sqlite3_reset(st);
    noteSchema(st);
    qint64 changes = sqlite3_changes64(db_->handle());
    rowcount_ = changes;
    lastError_ = 0;
    if (c.verb == u"INSERT" && c.target && c.target->identityColumn >= 0 && changes > 0)
        identity_ = sqlite3_last_insert_rowid(db_->handle());
    if (!nocount_ && results_) {
        db::StatementResult r;
        r.rowsAffected = changes;
        results_->results.push_back(r);
    }
}

bool Interpreter::mentionsVariable(const Expr& e, const QStringList& names) {
    if (e.kind == Expr::Variable && names.contains(e.text, Qt::CaseInsensitive))
        return true;
    for (const Expr* child : {e.a.get(), e.b.get(), e.c.get()})
        if (child && mentionsVariable(*child, names))
            return true;
    for (const auto& arg : e.args)
        if (mentionsVariable(*arg, names))
            return true;
    for (const auto& [when, then] : e.whens)
        if (mentionsVariable(*when, names) || mentionsVariable(*then, names))
            return true;
    return false;
}

// EXEC (text): the text runs as a batch of its own scope, without the caller's variables.
void Interpreter::execDynamic(const Expr& text) {
    SqlType type;
    Value v = evaluate(text, &type);
    if (v.isNull())
        return;
    std::shared_ptr<Batch> batch = parse(v.toString());
    if (static_cast<int>(frames_.size()) > 32)
        raise(217, QStringLiteral("Maximum stored procedure, function, trigger, or view nesting "
                                  "level exceeded (limit 32)."));
    Frame frame;
    frame.procedure = frames_.back().procedure;
    frames_.push_back(std::move(frame));
    try {
        execList(batch->statements);
    } catch (...) {
        frames_.pop_back();
        throw;
    }
    frames_.pop_back();
}

// SELECT ... INTO: a new table with the columns and types of the select list, then its rows.
void Interpreter::selectInto(const SelectStmt& s) {
    const Select& sel = *s.select;
    const ObjectName& target = sel.cores[0].into;
    if (!target.database.isEmpty() && target.database.compare(dbName_, Qt::CaseInsensitive) != 0)
        notSupported(QStringLiteral("SELECT ... INTO a table of another database"));
    const QString schema =
        target.name.startsWith(u'#') ? QStringLiteral("temp") : QStringLiteral("main");
    if (catalog_->objectExists(schema, target.name))
        raise(err::ObjectExists, QStringLiteral("There is already an object named '%1' in the "
                                                "database.")
                                     .arg(target.name));
    const Compiled& c = compiled(&s, 0, [&](SqliteEmitter& e) { return e.select(sel); });
    QByteArray cols;
    QStringList seen;
    for (size_t k = 0; k < c.columns.size(); ++k) {
        const OutColumn& col = c.columns[k];
        if (col.name.isEmpty())
            raise(1038, QStringLiteral("An object or column name is missing or empty. For SELECT "
                                       "INTO statements, verify each column has a name."));
        if (seen.contains(col.name, Qt::CaseInsensitive))
            raise(2705, QStringLiteral("Column names in each table must be unique. Column name "
                                       "'%1' in table '%2' is specified more than once.")
                            .arg(col.name, target.name));
        seen << col.name;
        SqlType t = col.type.known() ? col.type : SqlType::of(SqlType::Int);
        cols += (k ? ", " : "") + Binder::quote(col.name) + " " + t.toSql().toUtf8() +
                (t.isText() ? " COLLATE NOCASE" : "");
    }
    const QByteArray table = schema.toUtf8() + "." + Binder::quote(target.name);
    db_->exec("CREATE TABLE " + table + " (" + cols + ")");
    schemaChanged();
    Compiled insert = c;
    insert.sql = "INSERT INTO " + table + " " + c.sql;
    insert.verb = QStringLiteral("INSERT");
    insert.changesRows = true;
    runChange(insert);
}

void Interpreter::execSelect(const SelectStmt& s) {
    const Select& sel = *s.select;
    if (!sel.cores.empty() && !sel.cores[0].into.name.isEmpty()) {
        selectInto(s);
        return;
    }
    bool assigning = !sel.cores.empty() && !sel.cores[0].items.empty() &&
                     !sel.cores[0].items[0].assignVar.isEmpty();
    if (assigning) {
        const Compiled& c = compiled(&s, 1, [&](SqliteEmitter& e) { return e.assignSelect(sel); });
        std::vector<Value> last;
        runQuery(c, nullptr, &last);
        // SQL Server assigns row by row, so @s = @s + x accumulates; the translation assigns
        // from the last row only, which is the same result unless a variable feeds itself.
        if (rowcount_ > 1) {
            for (const SelectItem& item : sel.cores[0].items)
                if (mentionsVariable(*item.expr, c.assignTo))
                    notSupported(
                        QStringLiteral("SELECT @variable = ... that accumulates over "
                                       "several rows"));
        }
        // SELECT @v = ... assigns from the last row; with no row the variables keep their values.
        if (!last.empty())
            for (int k = 0; k < c.assignTo.size(); ++k)
                assign(c.assignTo[k], last[static_cast<size_t>(k)],
                       c.columns[static_cast<size_t>(k)].type);
        return;
    }
    const Compiled& c = compiled(&s, 0, [&](SqliteEmitter& e) { return e.select(sel); });
    db::StatementResult r;
    r.hasRowSet = true;
    runQuery(c, &r.rowSet, nullptr);
    if (results_)
        results_->results.push_back(std::move(r));
}

Value Interpreter::evaluate(const Expr& e, SqlType* type) {
    std::vector<Value> row;
    qint64 saved = rowcount_;
    const Compiled* c = nullptr;
    retryOnSchemaChange([&] {
        c = &compiled(&e, 2, [&](SqliteEmitter& em) { return em.expression(e); });
        runQuery(*c, nullptr, &row);
    });
    rowcount_ = saved;
    if (type)
        *type = c->columns[0].type;
    return row.empty() ? Value() : row[0];
}

bool Interpreter::test(const Expr& e) {
    std::vector<Value> row;
    qint64 saved = rowcount_;
    retryOnSchemaChange([&] {
        runQuery(compiled(&e, 3, [&](SqliteEmitter& em) { return em.condition(e); }), nullptr,
                 &row);
    });
    rowcount_ = saved;
    return !row.empty() && row[0].kind == Value::Int && row[0].i == 1;
}

void Interpreter::assign(const QString& name, const Value& v, const SqlType& from) {
    auto it = frames_.back().vars.find(name.toLower());
    if (it == frames_.back().vars.end())
        undeclaredVariable(name);
    it->value = convertValue(v, from, it->type);
}

// ---- transactions ----

void Interpreter::beginTransaction() {
    if (tranDepth_ == 0)
        db_->exec("BEGIN IMMEDIATE");
    else
        db_->exec("SAVEPOINT tsql_" + QByteArray::number(tranDepth_));
    ++tranDepth_;
}

void Interpreter::commit() {
    if (tranDepth_ == 0)
        raise(3902, QStringLiteral("The COMMIT TRANSACTION request has no corresponding BEGIN "
                                   "TRANSACTION."));
    if (tranDepth_ == 1)
        db_->exec("COMMIT");
    else
        db_->exec("RELEASE tsql_" + QByteArray::number(tranDepth_ - 1));
    --tranDepth_;
}

void Interpreter::rollback() {
    if (tranDepth_ == 0)
        raise(3903, QStringLiteral("The ROLLBACK TRANSACTION request has no corresponding BEGIN "
                                   "TRANSACTION."));
    rollbackAll();
}

void Interpreter::rollbackAll() {
    if (!sqlite3_get_autocommit(db_->handle()))
        db_->exec("ROLLBACK");
    tranDepth_ = 0;
}

void Interpreter::syncTransaction() {
    if (tranDepth_ > 0 && sqlite3_get_autocommit(db_->handle()))
        tranDepth_ = 0;
}

// SQLite prepares a statement again when the schema changed under it, also by another
// connection. That happens at its first step, before it has done anything: the translation made
// against the old catalogue is dropped and the statement translated and run again.
void Interpreter::checkReprepared(sqlite3_stmt* st, int rc, bool changesRows) {
    const bool stale = rc == SQLITE_ERROR && isStaleSchemaError();
    const bool reprepared = sqlite3_stmt_status(st, SQLITE_STMTSTATUS_REPREPARE, 1) > 0;
    if (reprepared && changesRows && !stale) {
        // The re-prepared statement has already done its work; later ones are translated anew.
        schemaChanged();
        return;
    }
    if (reprepared || stale) {
        QString message = QString::fromUtf8(sqlite3_errmsg(db_->handle()));
        sqlite3_reset(st);
        schemaChanged();
        throw SchemaChanged{message};
    }
}

// An object a translation refers to has gone: it was dropped or changed by another connection.
bool Interpreter::isStaleSchemaError() const {
    const char* msg = sqlite3_errmsg(db_->handle());
    return strncmp(msg, "no such table", 13) == 0 || strncmp(msg, "no such column", 14) == 0;
}

sqlite3_stmt* Interpreter::prepare(const Compiled& c) {
    try {
        return db_->prepare(c.sql);
    } catch (const db::Error&) {
        if (!isStaleSchemaError())
            throw;
        QString message = QString::fromUtf8(sqlite3_errmsg(db_->handle()));
        schemaChanged();
        throw SchemaChanged{message};
    }
}

void Interpreter::noteSchema(sqlite3_stmt* st) {
    if (sqlite3_stmt_status(st, SQLITE_STMTSTATUS_REPREPARE, 1) > 0)
        schemaChanged();
}

void Interpreter::retryOnSchemaChange(const std::function<void()>& run) {
    for (int attempt = 0;; ++attempt) {
        try {
            run();
            return;
        } catch (const SchemaChanged& e) {
            if (attempt == 1)
                raise(0, e.message);
        }
    }
}

void Interpreter::schemaChanged() {
    catalog_->invalidate();
    ++generation_;
    procedures_.clear();
}

void Interpreter::refreshDatabases() {
    db_->exec("DELETE FROM temp.sysdatabases");
    sqlite3_stmt* st = db_->prepare(
        "INSERT INTO temp.sysdatabases (name, dbid, filename, crdate) VALUES (?1, ?2, ?3, NULL)");
    QStringList names = server_.databases();
    names.prepend(QStringLiteral("master"));
    for (int k = 0; k < names.size(); ++k) {
        sqlite3_reset(st);
        Value::text(names[k]).bind(st, 1);
        Value::integer(k + 1).bind(st, 2);
        Value::text(k == 0 ? QString() : server_.pathOf(names[k])).bind(st, 3);
        if (sqlite3_step(st) != SQLITE_DONE)
            db_->raiseLast(sqlite3_errcode(db_->handle()));
    }
    sqlite3_reset(st);
}

}  // namespace tsql
