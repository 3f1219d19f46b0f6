#pragma once

#include <QString>
#include <optional>

#include "tsql/SqlType.h"
#include "tsql/Value.h"

namespace tsql {

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
    int nestLevel = 0;
    int dateFirst = 7;  // SET DATEFIRST: the first day of the week, 1 Monday ... 7 Sunday
    QString serverDir;
    QString database;
    const ErrorContext* error = nullptr;  // of the innermost CATCH block, if any
};

// One built-in function or context value: adding a built-in is adding its row to Builtins.cpp.
// The emitter checks a call against the row and renders it through `render`; a context value
// (@@ROWCOUNT, ERROR_MESSAGE()) becomes a placeholder that the interpreter fills from `value`
// when the statement runs.
struct Builtin {
    enum Kind {
        Scalar,
        Aggregate,  // also with an OVER clause
        Window,     // only with an OVER clause
        Context,
    };
    using Render = void (*)(FunctionCall& call);
    using Read = Value (*)(const SessionState& state);
    static constexpr int kVariadic = 254;  // maxArgs of a function of 2 to 254 arguments

    const char* name;  // lower-cased; a global variable with its "@@"
    Kind kind;
    int minArgs = 0;
    int maxArgs = 0;
    Render render = nullptr;  // Scalar, Aggregate, Window
    bool star = false;        // takes `*` for its argument (COUNT(*))
    bool ordered = false;     // Window: its OVER clause must have ORDER BY
    bool framed = false;      // takes ROWS or RANGE in its OVER clause (aggregates all do)
    SqlType type;             // Context: the value's type
    Read value = nullptr;     // Context: the value
};

// The row of a lower-cased name, nullptr when there is none.
const Builtin* findBuiltin(const QString& name);

}  // namespace tsql
