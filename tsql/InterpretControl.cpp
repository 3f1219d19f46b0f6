// Control of flow: IF, WHILE, EXEC and RETURN.
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Interpreter.h"

namespace tsql {

Interpreter::Flow Interpreter::execIf(const IfStmt& i) {
    if (test(*i.condition))
        return exec(*i.then);
    if (i.otherwise)
        return exec(*i.otherwise);
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execWhile(const WhileStmt& w) {
    while (test(*w.condition)) {
        db_->checkInterrupted();
        const Flow f = exec(*w.body);
        if (f == Flow::Break)
            break;
        if (f == Flow::Return)
            return f;
    }
    return Flow::Normal;
}

void Interpreter::execCall(const ExecStmt& e) {
    if (inFunction())
        raise(557, QStringLiteral("Only functions and some extended stored procedures can be "
                                  "executed from within a function."));
    if (e.dynamicSql) {
        execDynamic(*e.dynamicSql);
        return;
    }
    // A scalar function may be called as a procedure is, its result the return value.
    if (!loadProcedure(e.procedure.name)) {
        const std::shared_ptr<Routine> f = loadFunction(e.procedure.name);
        if (f && functionOf(*f).form == CreateFunctionStmt::Scalar) {
            execFunction(e, *f);
            return;
        }
    }
    const int status = execProcedure(e);
    if (!e.returnVar.isEmpty())
        assign(e.returnVar, Value::integer(status), SqlType::of(SqlType::Int));
}

Interpreter::Flow Interpreter::execReturn(const ReturnStmt& r) {
    if (r.value) {
        SqlType from;
        Value v = evaluate(*r.value, &from);
        if (inFunction()) {
            frames_.back().returned = {from, v};
            return Flow::Return;
        }
        Value i = convertValue(v, from, SqlType::of(SqlType::Int));
        frames_.back().returnStatus = i.isNull() ? 0 : static_cast<int>(i.i);
    }
    return Flow::Return;
}

}  // namespace tsql
