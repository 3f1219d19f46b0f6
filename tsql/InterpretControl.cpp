// Control of flow: IF, WHILE, EXEC, RETURN and WAITFOR.
#include <QDateTime>
#include <algorithm>
#include <chrono>
#include <thread>

#include "tsql/Conversions.h"
#include "tsql/Database.h"
#include "tsql/Errors.h"
#include "tsql/Interpreter.h"

namespace tsql {

namespace {

// WAITFOR's time: a datetime without a date, as text ('hh:mm[:ss[.fff]]' and SQL Server's other
// time formats) or as a datetime variable, whose value is held as such a text.
QTime waitforTime(const Value& v) {
    const std::optional<QTime> time = timeOfDay(v.toString());
    if (!time)
        incorrectWaitforTime(v.toString());
    return *time;
}

// WAITFOR TIME: until the clock next shows the time, tomorrow when it has passed today.
qint64 msecsUntilTimeOfDay(const QDateTime& now, QTime time) {
    QDateTime at(now.date(), time, now.timeSpec());
    if (at <= now)
        at = at.addDays(1);
    return now.msecsTo(at);
}

}  // namespace

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
        if (f == Flow::Return || f == Flow::Goto)
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

// The wait goes in short steps so that the query timeout and a cancel end it as they end a long
// query. A NULL time waits for nothing.
void Interpreter::waitFor(const WaitforStmt& w) {
    const Value v = evaluate(*w.value, nullptr);
    if (v.isNull())
        return;
    const QTime time = waitforTime(v);
    const qint64 ms = w.untilTime ? msecsUntilTimeOfDay(QDateTime::currentDateTime(), time)
                                  : time.msecsSinceStartOfDay();
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        db_->checkInterrupted();
        const Clock::time_point now = Clock::now();
        if (now >= end)
            return;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(end - now, std::chrono::milliseconds(50)));
    }
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
