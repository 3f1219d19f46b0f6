// User functions: lookup, the checks of their bodies, and running a scalar function's body for
// a statement (tsql_udf) or for EXEC.
#include <sqlite3.h>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Functions.h"
#include "tsql/Interpreter.h"
#include "tsql/StringSplit.h"

namespace tsql {

namespace {

[[noreturn]] void sideEffect(const QString& operation) {
    raise(443, QStringLiteral("Invalid use of a side-effecting operator '%1' within a function.")
                   .arg(operation));
}

[[noreturn]] void returnsRows() {
    raise(444, QStringLiteral("Select statements included within a function cannot return data "
                              "to a client."));
}

// What a statement of a function's body may not do: change tables other than its own table
// variables, send rows or messages, or open and end transactions. SQL Server refuses these when
// the function is created.
void checkStatement(const Stmt& s) {
    static const char* const transactions[] = {"BEGIN TRANSACTION", "COMMIT TRANSACTION",
                                               "ROLLBACK TRANSACTION", "SAVE TRANSACTION"};
    auto target = [](const Stmt& change) -> const ObjectName& {
        if (change.kind == Stmt::Insert)
            return static_cast<const InsertStmt&>(change).table;
        if (change.kind == Stmt::Update)
            return static_cast<const UpdateStmt&>(change).target;
        return static_cast<const DeleteStmt&>(change).target;
    };
    switch (s.kind) {
        case Stmt::Insert:
        case Stmt::Update:
        case Stmt::Delete:
            if (s.kind == Stmt::Insert && static_cast<const InsertStmt&>(s).exec)
                sideEffect(QStringLiteral("INSERT EXEC"));
            if (!target(s).name.startsWith(u'@'))
                sideEffect(s.kind == Stmt::Insert   ? QStringLiteral("INSERT")
                           : s.kind == Stmt::Update ? QStringLiteral("UPDATE")
                                                    : QStringLiteral("DELETE"));
            return;
        case Stmt::SelectStmt: {
            const Select& sel = *static_cast<const SelectStmt&>(s).select;
            const SelectCore& first = sel.cores[0];
            if (!first.into.name.isEmpty())
                sideEffect(QStringLiteral("SELECT INTO"));
            if (first.items.empty() || first.items[0].assignVar.isEmpty())
                returnsRows();
            return;
        }
        case Stmt::Fetch:
            if (static_cast<const FetchStmt&>(s).into.isEmpty())
                returnsRows();
            return;
        case Stmt::Print:
            sideEffect(QStringLiteral("PRINT"));
        case Stmt::Raiserror:
            sideEffect(QStringLiteral("RAISERROR"));
        case Stmt::Throw:
            sideEffect(QStringLiteral("THROW"));
        case Stmt::Waitfor:
            sideEffect(QStringLiteral("WAITFOR"));
        case Stmt::TryCatch:
            sideEffect(QStringLiteral("BEGIN TRY"));
        case Stmt::SetOption:
            sideEffect(QStringLiteral("SET ON/OFF"));
        case Stmt::Transaction:
            sideEffect(QLatin1String(transactions[static_cast<const TransactionStmt&>(s).action]));
        case Stmt::Truncate:
            sideEffect(QStringLiteral("TRUNCATE TABLE"));
        case Stmt::If: {
            const auto& i = static_cast<const IfStmt&>(s);
            checkStatement(*i.then);
            if (i.otherwise)
                checkStatement(*i.otherwise);
            return;
        }
        case Stmt::While:
            checkStatement(*static_cast<const WhileStmt&>(s).body);
            return;
        case Stmt::Block:
            for (const StmtPtr& inner : static_cast<const BlockStmt&>(s).body)
                checkStatement(*inner);
            return;
        case Stmt::Declare:
        case Stmt::SetVar:
        case Stmt::DeclareCursor:
        case Stmt::CursorAction:
        case Stmt::Return:
        case Stmt::Break:
        case Stmt::Continue:
        case Stmt::Label:
        case Stmt::Goto:
        case Stmt::Exec:  // 557 when it runs
            return;
        default:  // CREATE, ALTER, DROP, USE ...
            sideEffect(s.source.section(u' ', 0, 1, QString::SectionSkipEmpty).toUpper());
    }
}

}  // namespace

void Interpreter::checkFunctionBody(const CreateFunctionStmt& f) {
    if (f.form == CreateFunctionStmt::Inline)
        return;
    for (const StmtPtr& s : f.body)
        checkStatement(*s);
    if (f.body.empty() || f.body.back()->kind != Stmt::Return)
        raise(455, QStringLiteral("The last statement included within a function must be a return "
                                  "statement."));
}

// The parameters' and the result's alias types are taken to their system types once, when the
// definition is read.
std::shared_ptr<Interpreter::Routine> Interpreter::loadFunction(const QString& name) {
    return loadRoutine(functions_, "tsql_functions", Stmt::CreateFunction, name, [this](Stmt& s) {
        auto& f = static_cast<CreateFunctionStmt&>(s);
        for (ProcParam& p : f.params)
            p.type = resolveType(p.type, p.aliasType);
        f.returns = resolveType(f.returns, f.returnsAlias);
    });
}

const CreateFunctionStmt& Interpreter::functionOf(const Routine& r) {
    return static_cast<const CreateFunctionStmt&>(*r.stmt);
}

std::shared_ptr<const CreateFunctionStmt> Interpreter::resolveFunction(const ObjectName& name) {
    if (std::shared_ptr<const CreateFunctionStmt> builtin = builtinTableFunction(name))
        return builtin;
    if ((!name.database.isEmpty() && name.database.compare(dbName_, Qt::CaseInsensitive) != 0) ||
        (!name.schema.isEmpty() && name.schema.compare(u"dbo", Qt::CaseInsensitive) != 0))
        return nullptr;
    const std::shared_ptr<Routine> f = loadFunction(name.name);
    if (!f)
        return nullptr;
    return {f, &functionOf(*f)};
}

Value Interpreter::runFunction(const Routine& f, const std::function<void()>& assign,
                               const std::function<void()>& collect) {
    const CreateFunctionStmt& def = functionOf(f);
    if (static_cast<int>(frames_.size()) > kMaxNesting)
        raise(217, QStringLiteral("Maximum stored procedure, function, trigger, or view nesting "
                                  "level exceeded (limit 32)."));
    const PlaceScope place(place_, {f.batch.get(), def.index});
    // The calling statement's clock, row count and settings are as it left them.
    const std::optional<QDateTime> now = statementNow_;
    const qint64 rowcount = rowcount_;
    const bool openRows = std::exchange(openRowsNext_, false);
    const bool nocount = std::exchange(options_.nocount, true);
    auto restore = [&] {
        leaveFrame();
        statementNow_ = now;
        rowcount_ = rowcount;
        openRowsNext_ = openRows;
        options_.nocount = nocount;
    };
    Frame frame;
    frame.procedure = def.name.name;
    frame.function = true;
    for (const ProcParam& p : def.params)
        frame.vars.insert(p.name.toLower(), {p.type, Value()});
    frames_.push_back(std::move(frame));
    Variable returned;
    try {
        assign();
        execList(def.body);
        returned = frames_.back().returned;
        if (collect)
            collect();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    if (def.form != CreateFunctionStmt::Scalar)
        return Value();
    return convertValue(returned.value, returned.type, def.returns);
}

void Interpreter::execFunction(const ExecStmt& e, const Routine& f) {
    const CreateFunctionStmt& def = functionOf(f);
    std::vector<Argument> args;
    for (const ExecArg& a : e.args) {
        Argument arg;
        arg.name = a.name;
        arg.isDefault = !a.value;
        if (a.value)
            arg.value = evaluate(*a.value, &arg.type);
        args.push_back(std::move(arg));
    }
    const std::vector<int> given = matchArguments(def.params, def.name.name, args);
    const Value result =
        runFunction(f, [&] { assignParameters(def.params, def.name.name, given, args); });
    if (!e.returnVar.isEmpty())
        assign(e.returnVar, result, def.returns);
}

Value Interpreter::callFunction(const QString& name, std::vector<Value> args) {
    const std::shared_ptr<Routine> f = loadFunction(name);
    if (!f || functionOf(*f).form != CreateFunctionStmt::Scalar)
        raise(4121, QStringLiteral("Cannot find either column \"dbo\" or the user-defined "
                                   "function or aggregate \"dbo.%1\", or the name is ambiguous.")
                        .arg(name));
    return runCalled(*f, std::move(args));
}

// The rows of the table variable a multi-statement function returns, as its body left them.
std::vector<std::vector<Value>> Interpreter::functionRows(const QString& name,
                                                          std::vector<Value> args) {
    if (name.compare(QLatin1StringView(kStringSplit), Qt::CaseInsensitive) == 0)
        return stringSplitRows(args);
    const std::shared_ptr<Routine> f = loadFunction(name);
    if (!f || functionOf(*f).form != CreateFunctionStmt::MultiStatement)
        invalidObject(name);
    const CreateFunctionStmt& def = functionOf(*f);
    std::vector<std::vector<Value>> rows;
    runCalled(
        *f, std::move(args),
        [&] {
            const QString stored =
                QStringLiteral("#%1_%2").arg(def.table.mid(1)).arg(++tableVariables_);
            createTable(*def.columns, stored);
            frames_.back().tables.insert(def.table.toLower(), {stored, def.columns.get()});
        },
        [&] {
            const QString& stored = frames_.back().tables[def.table.toLower()].stored;
            sqlite3_stmt* st = db_->prepare("SELECT * FROM temp." + sqlite::name(stored));
            for (int rc = db_->step(st); rc == SQLITE_ROW; rc = db_->step(st)) {
                std::vector<Value>& row = rows.emplace_back();
                for (int k = 0; k < sqlite3_column_count(st); ++k)
                    row.push_back(Value::fromColumn(st, k));
            }
            sqlite3_reset(st);
        });
    return rows;
}

// A function called by a statement as it runs, with its arguments converted to its parameters'
// types; `prepare` readies its frame, `collect` reads it before it goes.
Value Interpreter::runCalled(const Routine& f, std::vector<Value> args,
                             const std::function<void()>& prepare,
                             const std::function<void()>& collect) {
    const CreateFunctionStmt& def = functionOf(f);
    if (args.size() != def.params.size())
        raise(err::Internal, QStringLiteral("The call of function '%1' does not match its "
                                            "parameters.")
                                 .arg(def.name.name));
    ++functionCalls_;
    try {
        const Value result = runFunction(
            f,
            [&] {
                for (size_t k = 0; k < args.size(); ++k)
                    frames_.back().vars[def.params[k].name.toLower()].value = std::move(args[k]);
                if (prepare)
                    prepare();
            },
            collect);
        --functionCalls_;
        return result;
    } catch (...) {
        --functionCalls_;
        throw;
    }
}

// Runs inside a step of the calling statement; nothing may leave it but the function's result
// or error.
void Interpreter::functionCalled(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    auto* self = static_cast<Interpreter*>(sqlite3_user_data(ctx));
    try {
        std::vector<Value> args;
        for (int k = 1; k < argc; ++k)
            args.push_back(Value::fromSqlite(argv[k]));
        self->callFunction(Value::fromSqlite(argv[0]).toString(), std::move(args)).result(ctx);
    } catch (const db::Error& e) {
        resultError(ctx, e);
    } catch (const SchemaChanged& e) {
        resultError(ctx, db::Error(db::Error::Kind::Server, e.message, err::Internal));
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

}  // namespace tsql
