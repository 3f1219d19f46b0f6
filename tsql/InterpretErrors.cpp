// Raising and catching errors: TRY ... CATCH, RAISERROR and THROW.
#include <functional>

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

}  // namespace

Interpreter::Flow Interpreter::tryCatch(const TryCatchStmt& tc) {
    ++tryDepth_;
    try {
        const Flow f = execList(tc.tryBody);
        --tryDepth_;
        return f;
    } catch (const db::Error& e) {
        --tryDepth_;
        if (!e.isServerError() || e.nativeError() == err::Timeout)
            throw;
        ErrorContext c;
        c.number = e.nativeError() ? e.nativeError() : err::UserRaised;
        c.message = e.message();
        c.line = e.line();
        c.procedure = frames_.back().procedure;
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
    const qint64 severity = sev.kind == Value::Int ? sev.i : static_cast<qint64>(sev.toDouble());
    if (severity <= 10) {
        sink_->message(out);
        return;
    }
    db::Error error(db::Error::Kind::Server, out, err::UserRaised);
    if (tryDepth_ == 0 && tranDepth_ == 0 && !xactAbort_) {
        // RAISERROR does not stop the batch.
        sink_->statementError(error);
        lastError_ = err::UserRaised;
        return;
    }
    throw error;
}

void Interpreter::throwError(const ThrowStmt& t) {
    if (!t.number) {
        if (catches_.empty())
            raise(10704, QStringLiteral("To rethrow an error, a THROW statement must be used "
                                        "inside a CATCH block."));
        raise(catches_.back().number, catches_.back().message);
    }
    SqlType ty;
    Value n = evaluate(*t.number, &ty);
    Value m = evaluate(*t.message, &ty);
    const qint64 number = n.kind == Value::Int ? n.i : static_cast<qint64>(n.toDouble());
    if (number < 50000)
        raise(35100, QStringLiteral("Error number %1 in the THROW statement is outside the valid "
                                    "range. Specify an error number in the valid range of 50000 "
                                    "to 2147483647.")
                         .arg(number));
    raise(static_cast<int>(number), m.toString());
}

}  // namespace tsql
