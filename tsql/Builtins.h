#pragma once

#include <QString>
#include <optional>

#include "tsql/SqlType.h"
#include "tsql/Value.h"

namespace tsql {

struct Expr;
class FunctionCall;

// The error a CATCH block handles, as ERROR_NUMBER() and its kin report it.
struct ErrorContext {
    int number = 0;
    QString message;
    int severity = 16;
    int state = 1;
    int line = 0;
    QString procedure;
};

// What context values read from the session when a statement runs.
struct SessionState {
    qint64 rowcount = 0;
    std::optional<qint64> identity;       // the last one given in the session
    std::optional<qint64> scopeIdentity;  // the last one given in the running scope
    int tranDepth = 0;
    bool doomed = false;  // an error under XACT_ABORT left the transaction uncommittable
    int lastError = 0;
    int fetchStatus = -1;   // of the session's last FETCH
    qint64 cursorRows = 0;  // of the cursor opened last: its rows, -1 for a dynamic one, 0 closed
    int nestLevel = 0;
    int dateFirst = 7;  // SET DATEFIRST: the first day of the week, 1 Monday ... 7 Sunday
    int options = 0;    // @@OPTIONS
    QString serverDir;
    QString database;
    const ErrorContext* error = nullptr;  // of the innermost CATCH block, if any
    // In a trigger: the columns the statement that fired it set, ",name,...," case-folded.
    QString updatedColumns;
};

// One built-in function or context value: adding a built-in is adding its row to Builtins.cpp.
// The binder checks a call against the row and types it by `type` or `typing`; the emitter
// renders it through `render`; a context value (@@ROWCOUNT, ERROR_MESSAGE()) becomes a
// placeholder that the interpreter fills from `value` when the statement runs.
struct Builtin {
    enum Kind {
        Scalar,
        Aggregate,  // also with an OVER clause
        Window,     // only with an OVER clause
        Context,
    };
    using Render = void (*)(FunctionCall& call);
    // The result's type from the call, whose arguments are typed; raises what does not type.
    using Typing = SqlType (*)(const Expr& call);
    using Read = Value (*)(const SessionState& state);
    static constexpr int kVariadic = 254;  // maxArgs of a function of 2 to 254 arguments

    const char* name;  // lower-cased; a global variable with its "@@"
    Kind kind;
    int minArgs = 0;
    int maxArgs = 0;
    Render render = nullptr;   // Scalar, Aggregate, Window
    bool star = false;         // takes `*` for its argument (COUNT(*))
    bool ordered = false;      // Window: its OVER clause must have ORDER BY
    bool withinGroup = false;  // Aggregate: takes WITHIN GROUP (ORDER BY ...)
    bool framed = false;       // takes ROWS or RANGE in its OVER clause (aggregates all do)
    SqlType type;              // the result's type when it is fixed (a context value's)
    Typing typing = nullptr;   // else: the result's type from the arguments' types
    Read value = nullptr;      // Context: the value

    SqlType resultType(const Expr& call) const { return typing ? typing(call) : type; }
};

// The row of a lower-cased name, nullptr when there is none.
const Builtin* findBuiltin(const QString& name);

}  // namespace tsql
