// Raising and catching errors: TRY ... CATCH, RAISERROR and THROW.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "tsql/Errors.h"
#include "tsql/Interpreter.h"

namespace tsql {

namespace {

// RAISERROR's printf-style message: each %d, %s, ... (flags, width and precision ignored) takes
// the next argument, "(null)" when there is none; %% is a percent sign.
QString substituted(const QString& format, const std::function<QString()>& nextArgument) {
    QString out;
    for (int k = 0; k < format.size(); ++k) {
        if (format[k] == u'%' && k + 1 < format.size()) {
            if (format[k + 1] == u'%') {
                out += u'%';
                ++k;
                continue;
            }
            int j = k + 1;
            while (j < format.size() &&
                   (format[j].isDigit() || format[j] == u'-' || format[j] == u'.' ||
                    format[j] == u'l' || format[j] == u'h'))
                ++j;
            if (j < format.size() && QStringLiteral("sdiuxXo").contains(format[j])) {
                out += nextArgument();
                k = j;
                continue;
            }
        }
        out += format[k];
    }
    return out;
}

// A number beyond bigint reads as bigint's end on its side, which every range these statements
// check refuses; no number reads as 0.
qint64 integerOf(const Value& v) {
    if (v.kind == Value::Int)
        return v.i;
    const double d = v.toDouble();
    if (std::isnan(d))
        return 0;
    constexpr double kBeyond = 9223372036854775808.0;  // 2^63
    if (d >= kBeyond)
        return std::numeric_limits<qint64>::max();
    if (d < -kBeyond)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(d);
}

}  // namespace

Interpreter::Flow Interpreter::tryCatch(const TryCatchStmt& tc) {
    ++tryDepth_;
    try {
        const Flow f = execList(tc.tryBody);
        --tryDepth_;
        return f;
    } catch (const db::Error& e) {
        --tryDepth_;
        userRaised_ = false;
        triggerFailed_ = false;
        if (!e.isServerError() || e.nativeError() == err::Timeout)
            throw;
        ErrorContext c;
        c.number = e.nativeError() ? e.nativeError() : err::UserRaised;
        c.message = e.message();
        c.line = e.line();
        c.procedure = frames_.back().procedure;
        if (!e.messages().empty()) {
            c.severity = e.messages().front().severity;
            c.state = e.messages().front().state;
            c.procedure = e.messages().front().procedure;
        }
        lastError_ = c.number;
        catches_.push_back(c);
        try {
            const Flow f = execList(tc.catchBody);
            catches_.pop_back();
            return f;
        } catch (...) {
            catches_.pop_back();
            throw;
        }
    }
}

void Interpreter::raiserror(const RaiserrorStmt& r) {
    SqlType t;
    Value msg = evaluate(*r.message, &t);
    if (!t.isText())
        notSupported(QStringLiteral("RAISERROR with a message number"));
    Value sev = evaluate(*r.severity, &t);
    size_t argIndex = 0;
    const QString out = substituted(msg.toString(), [&] {
        if (argIndex >= r.args.size())
            return QStringLiteral("(null)");
        SqlType at;
        Value v = evaluate(*r.args[argIndex++], &at);
        return v.isNull() ? QStringLiteral("(null)") : v.toString();
    });
    const qint64 severity = integerOf(sev);
    if (severity <= 10) {
        sink_->message(out);
        return;
    }
    db::ServerMessage raised = db::serverMessage(err::UserRaised, out);
    raised.severity = static_cast<int>(std::min<qint64>(severity, 25));
    raised.state = stateOf(r.state.get());
    db::Error error({raised});
    if (tryDepth_ == 0) {
        // RAISERROR does not stop the batch, nor roll back under XACT_ABORT.
        error.setPlace(r.line, frames_.back().procedure);
        sink_->statementError(error);
        lastError_ = err::UserRaised;
        return;
    }
    userRaised_ = true;
    throw error;
}

void Interpreter::throwError(const ThrowStmt& t) {
    if (!t.number) {
        if (catches_.empty())
            raise(10704, QStringLiteral("To rethrow an error, a THROW statement must be used "
                                        "inside a CATCH block."));
        const ErrorContext& caught = catches_.back();
        db::ServerMessage again = db::serverMessage(caught.number, caught.message);
        again.severity = caught.severity;
        again.state = caught.state;
        again.line = caught.line;
        again.procedure = caught.procedure;
        throw db::Error({again});
    }
    SqlType ty;
    Value n = evaluate(*t.number, &ty);
    Value m = evaluate(*t.message, &ty);
    const qint64 number = integerOf(n);
    if (number < 50000 || number > std::numeric_limits<int>::max())
        raise(35100, QStringLiteral("Error number %1 in the THROW statement is outside the valid "
                                    "range. Specify an error number in the valid range of 50000 "
                                    "to 2147483647.")
                         .arg(number));
    db::ServerMessage thrown = db::serverMessage(static_cast<int>(number), m.toString());
    thrown.state = stateOf(t.state.get());
    throw db::Error({thrown});
}

// RAISERROR's and THROW's state, 0 to 255; 1 when not given.
int Interpreter::stateOf(const Expr* state) {
    if (!state)
        return 1;
    SqlType t;
    return static_cast<int>(std::clamp<qint64>(integerOf(evaluate(*state, &t)), 0, 255));
}

}  // namespace tsql
