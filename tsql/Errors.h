#pragma once

#include <QString>

#include "dbcore/Error.h"

namespace tsql {

// Raises db::Error of kind Server with SQL Server's error number and wording.
[[noreturn]] void raise(int number, const QString& message);

// 102: Incorrect syntax near '...'.
[[noreturn]] void syntaxError(const QString& near);
// 156: Incorrect syntax near the keyword '...'.
[[noreturn]] void keywordSyntaxError(const QString& keyword);
// A construct the engine does not run; names it.
[[noreturn]] void notSupported(const QString& construct);
// 208: Invalid object name '...'.
[[noreturn]] void invalidObject(const QString& name);
// 207: Invalid column name '...'.
[[noreturn]] void invalidColumn(const QString& name);
// 137: Must declare the scalar variable "@...".
[[noreturn]] void undeclaredVariable(const QString& name);
// 148: a WAITFOR time that is no time of day.
[[noreturn]] void incorrectWaitforTime(const QString& text);
// 8178: a parameter marker (0-based) without a value.
[[noreturn]] void missingParameter(int index);

// Error numbers used by the engine.
namespace err {
inline constexpr int NullNotAllowed = 515;
inline constexpr int DuplicateKey = 2627;
inline constexpr int DuplicateIndexKey = 2601;
inline constexpr int DuplicateKeyFound = 1505;     // a unique index made over repeated keys
inline constexpr int ConstraintNotCreated = 1750;  // a constraint added after 1505
inline constexpr int ReferenceConflict = 547;
inline constexpr int InvalidObject = 208;
inline constexpr int InvalidColumn = 207;
inline constexpr int ConversionFailed = 245;
inline constexpr int ConvertNumeric = 8114;
inline constexpr int DateConversion = 241;
inline constexpr int DivideByZero = 8134;
inline constexpr int InvalidFloat = 3623;
inline constexpr int UnknownProcedure = 2812;
inline constexpr int Uncommittable = 3930;
inline constexpr int TransactionCountMismatch = 266;
inline constexpr int Syntax = 102;
inline constexpr int KeywordSyntax = 156;
inline constexpr int NotSupported = 40000;
inline constexpr int ObjectExists = 2714;
inline constexpr int ColumnExists = 2705;
inline constexpr int UserRaised = 50000;
inline constexpr int Timeout = 40001;
inline constexpr int Cancelled = 40002;
inline constexpr int ServerSetting = 40003;  // a file of the server directory is not understood
// SQL Server's number for a failure inside the query processor: the engine's own faults.
inline constexpr int Internal = 8630;
// Some part of the statement is nested too deeply.
inline constexpr int NestedTooDeeply = 191;
// The cursor statements' errors (16900 - 16999), which end only their statement.
inline bool isCursorError(int number) {
    return number >= 16900 && number <= 16999;
}
}  // namespace err

}  // namespace tsql
