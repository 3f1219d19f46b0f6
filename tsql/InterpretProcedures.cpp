// Stored procedures: lookup, argument binding, execution and output parameters.
#include <sqlite3.h>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Interpreter.h"
#include "tsql/Parser.h"

namespace tsql {

// A parsed routine is used again without reading its definition while no other connection has
// committed since it was checked (PRAGMA data_version); this connection's own changes and
// rollbacks forget every parsed routine (forgetRoutines).
std::shared_ptr<Interpreter::Routine> Interpreter::loadRoutine(
    Routines& cache, const char* table, Stmt::Kind kind, const QString& name,
    const std::function<void(Stmt&)>& prepare) {
    const qint64 version = db_->scalar("PRAGMA main.data_version");
    const QString key = name.toLower();
    auto it = cache.find(key);
    if (it != cache.end() && it.value()->checkedAt == version)
        return it.value();
    sqlite3_stmt* st =
        db_->prepare("SELECT name, definition FROM main." + QByteArray(table) + " WHERE name = ?1");
    Value::text(name).bind(st, 1);
    int rc = db_->step(st);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            db_->raiseLast(rc);
        cache.remove(key);
        return nullptr;
    }
    QString stored = Value::fromColumn(st, 0).toString();
    QString definition = Value::fromColumn(st, 1).toString();
    sqlite3_reset(st);
    if (it != cache.end() && it.value()->definition == definition) {
        it.value()->checkedAt = version;
        return it.value();
    }
    auto r = std::make_shared<Routine>();
    r->definition = definition;
    r->checkedAt = version;
    r->batch = parseBatch(definition);
    if (r->batch->statements.size() != 1 || r->batch->statements[0]->kind != kind)
        raise(0, QStringLiteral("The stored definition of '%1' is damaged.").arg(stored));
    if (prepare)
        prepare(*r->batch->statements[0]);
    r->stmt = r->batch->statements[0].get();
    cache.insert(key, r);
    return r;
}

std::shared_ptr<Interpreter::Routine> Interpreter::loadProcedure(const QString& name) {
    return loadRoutine(procedures_, "tsql_procedures", Stmt::CreateProcedure, name);
}

void Interpreter::forgetRoutines() {
    procedures_.clear();
    functions_.clear();
}

int Interpreter::execProcedure(const ExecStmt& s) {
    std::vector<Argument> args;
    for (const ExecArg& a : s.args) {
        Argument arg;
        arg.name = a.name;
        arg.output = a.output;
        if (!a.value) {
            arg.isDefault = true;
        } else {
            if (a.output && a.value->kind != Expr::Variable)
                raise(179, QStringLiteral("Cannot use the OUTPUT option when passing a constant "
                                          "to a stored procedure."));
            arg.value = evaluate(*a.value, &arg.type);
        }
        args.push_back(std::move(arg));
    }
    int status = invoke(s.procedure, args);
    for (size_t k = 0; k < args.size(); ++k)
        if (args[k].output && s.args[k].value)
            assign(s.args[k].value->text, args[k].result, args[k].resultType);
    return status;
}

// Positional arguments first, then by name.
std::vector<int> Interpreter::matchArguments(const std::vector<ProcParam>& params,
                                             const QString& procName,
                                             const std::vector<CallArgument>& args) {
    std::vector<int> given(params.size(), -1);
    bool named = false;
    for (size_t k = 0; k < args.size(); ++k) {
        int index = -1;
        if (args[k].name.isEmpty()) {
            if (named)
                raise(119, QStringLiteral("Must pass parameter number %1 and subsequent parameters "
                                          "as '@name = value'. After the form '@name = value' has "
                                          "been used, all subsequent parameters must be passed in "
                                          "the form '@name = value'.")
                               .arg(k + 1));
            if (k >= params.size())
                raise(8144, QStringLiteral("Procedure or function %1 has too many arguments "
                                           "specified.")
                                .arg(procName));
            index = static_cast<int>(k);
        } else {
            named = true;
            for (size_t p = 0; p < params.size(); ++p)
                if (params[p].name.compare(args[k].name, Qt::CaseInsensitive) == 0)
                    index = static_cast<int>(p);
            if (index < 0)
                raise(8145, QStringLiteral("%1 is not a parameter for procedure %2.")
                                .arg(args[k].name, procName));
        }
        given[static_cast<size_t>(index)] = static_cast<int>(k);
    }
    return given;
}

int Interpreter::invoke(const ObjectName& target, std::vector<Argument>& args) {
    if (!target.database.isEmpty() && target.database.compare(dbName_, Qt::CaseInsensitive) != 0)
        notSupported(
            QStringLiteral("calling a procedure of another database (%1)").arg(target.display()));
    if (static_cast<int>(frames_.size()) > kMaxNesting)
        raise(217, QStringLiteral("Maximum stored procedure, function, trigger, or view nesting "
                                  "level exceeded (limit 32)."));
    if (target.name.compare(u"sp_executesql", Qt::CaseInsensitive) == 0)
        return executeSql(args);
    std::shared_ptr<Routine> proc = loadProcedure(target.name);
    if (!proc)
        raise(err::UnknownProcedure,
              QStringLiteral("Could not find stored procedure '%1'.").arg(target.display()));
    const auto& def = static_cast<const CreateProcedureStmt&>(*proc->stmt);
    // Parameter defaults are expressions of the definition's statement.
    const PlaceScope place(place_, {proc->batch.get(), def.index});
    const std::vector<int> given = matchArguments(def.params, def.name.name, args);
    Frame frame;
    frame.procedure = def.name.name;
    frame.nocount = options_.nocount;
    for (const ProcParam& param : def.params)
        frame.vars.insert(param.name.toLower(),
                          {resolveType(param.type, param.aliasType), Value()});
    frames_.push_back(std::move(frame));
    // The SET options go back to the caller's when the procedure ends.
    const SessionOptions callers = options_;
    const int depthAtEntry = tranDepth_;
    int status = 0;
    try {
        assignParameters(def.params, def.name.name, given, args);
        execList(def.body);
        status = frames_.back().returnStatus;
    } catch (...) {
        syncTransaction();
        // A failing procedure leaves nothing of the transaction it began.
        if (tranDepth_ > depthAtEntry)
            rollbackAll();
        leaveFrame();
        options_ = callers;
        throw;
    }
    returnOutputs(def, given, args);
    leaveFrame();
    options_ = callers;
    if (tranDepth_ != depthAtEntry)
        raise(err::TransactionCountMismatch,
              QStringLiteral("Transaction count after EXECUTE indicates a mismatching number of "
                             "BEGIN and COMMIT statements. Previous count = %1, current count = "
                             "%2.")
                  .arg(depthAtEntry)
                  .arg(tranDepth_));
    return status;
}

void Interpreter::assignParameters(const std::vector<ProcParam>& params, const QString& routine,
                                   const std::vector<int>& given,
                                   const std::vector<Argument>& args) {
    for (size_t p = 0; p < params.size(); ++p) {
        const ProcParam& param = params[p];
        const int a = given[p];
        if (a >= 0 && !args[static_cast<size_t>(a)].isDefault) {
            assign(param.name, args[static_cast<size_t>(a)].value,
                   args[static_cast<size_t>(a)].type);
        } else if (param.defaultValue) {
            SqlType from;
            Value v = evaluate(*param.defaultValue, &from);
            assign(param.name, v, from);
        } else {
            raise(201, QStringLiteral("Procedure or function '%1' expects parameter '%2', which "
                                      "was not supplied.")
                           .arg(routine, param.name));
        }
    }
}

// An OUTPUT argument of an OUTPUT parameter gets the parameter's last value; others keep theirs.
void Interpreter::returnOutputs(const CreateProcedureStmt& def, const std::vector<int>& given,
                                std::vector<Argument>& args) {
    for (size_t p = 0; p < def.params.size(); ++p) {
        const int a = given[p];
        if (a < 0)
            continue;
        Argument& arg = args[static_cast<size_t>(a)];
        if (arg.output && def.params[p].output) {
            const Variable& v = frames_.back().vars[def.params[p].name.toLower()];
            arg.result = v.value;
            arg.resultType = v.type;
        } else {
            arg.result = arg.value;
            arg.resultType = arg.type;
        }
    }
}

// sp_executesql @statement, N'@a int, @b varchar(10) OUTPUT', @a = 1, @b = @x OUTPUT: the
// statement runs as a batch of its own whose variables are the declared parameters.
int Interpreter::executeSql(std::vector<Argument>& args) {
    if (args.empty() || args[0].value.isNull())
        raise(201, QStringLiteral("Procedure or function 'sp_executesql' expects parameter "
                                  "'@statement', which was not supplied."));
    std::shared_ptr<Batch> batch = parse(args[0].value.toString());
    const PlaceScope place(place_, {batch.get(), -1});
    std::vector<ProcParam> params;
    StmtList definition;
    if (args.size() > 1 && !args[1].value.isNull()) {
        // The parameter list reads as the one of a procedure.
        definition = Parser(QStringLiteral("CREATE PROCEDURE sp_executesql_parameters ") +
                            args[1].value.toString() + QStringLiteral(" AS RETURN"))
                         .parseBatch();
        for (auto& p : static_cast<CreateProcedureStmt&>(*definition[0]).params)
            params.push_back(std::move(p));
    }
    Frame frame;
    frame.procedure = frames_.back().procedure;
    for (const ProcParam& p : params)
        frame.vars.insert(p.name.toLower(), {resolveType(p.type, p.aliasType), Value()});
    frames_.push_back(std::move(frame));
    std::vector<int> given(params.size(), -1);
    try {
        for (size_t k = 2; k < args.size(); ++k) {
            int index = -1;
            for (size_t p = 0; p < params.size(); ++p)
                if (args[k].name.isEmpty()
                        ? p == k - 2
                        : params[p].name.compare(args[k].name, Qt::CaseInsensitive) == 0)
                    index = static_cast<int>(p);
            if (index < 0)
                raise(8145, QStringLiteral("%1 is not a parameter for procedure sp_executesql.")
                                .arg(args[k].name));
            given[static_cast<size_t>(index)] = static_cast<int>(k);
            if (!args[k].isDefault)
                assign(params[static_cast<size_t>(index)].name, args[k].value, args[k].type);
        }
        execList(batch->statements);
    } catch (...) {
        leaveFrame();
        throw;
    }
    for (size_t p = 0; p < params.size(); ++p) {
        const int a = given[p];
        if (a < 0)
            continue;
        Argument& arg = args[static_cast<size_t>(a)];
        if (arg.output && params[p].output) {
            const Variable& v = frames_.back().vars[params[p].name.toLower()];
            arg.result = v.value;
            arg.resultType = v.type;
        } else {
            arg.result = arg.value;
            arg.resultType = arg.type;
        }
    }
    leaveFrame();
    return 0;
}

int Interpreter::call(const QString& name, std::vector<CallArgument>& args, ResultSink& sink) {
    sink_ = &sink;
    frames_.resize(1);
    frames_[0] = Frame();
    catches_.clear();
    statementNow_.reset();
    db_->startStatement();
    ObjectName target;
    {
        QStringList parts = name.split(u'.');
        target.name = parts.takeLast();
        if (!parts.isEmpty())
            target.schema = parts.takeLast();
        if (!parts.isEmpty())
            target.database = parts.takeLast();
    }
    int status = 0;
    tryDepth_ = 0;
    triggerFailed_ = false;
    try {
        status = invoke(target, args);
        endDoomedTransaction();
    } catch (...) {
        syncTransaction();
        if (options_.xactAbort && tranDepth_ > 0)
            rollbackAll();
        sink_ = nullptr;
        throw;
    }
    sink_ = nullptr;
    return status;
}

}  // namespace tsql
