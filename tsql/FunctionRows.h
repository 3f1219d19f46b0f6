#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "tsql/Value.h"

namespace tsql {

class Database;

// tsql_function_rows(name, value, ...): an eponymous table-valued function of SQLite whose
// rows are those the body of the multi-statement function `name` returns for the values as its
// arguments, run when the rows are asked for. Its columns are c0, c1 ... (kFunctionColumns at
// most), then the hidden name and values.
inline const char* const kFunctionRows = "tsql_function_rows";
inline constexpr int kFunctionColumns = 128;
inline constexpr int kFunctionArguments = 64;

// Runs a function's body for its arguments; what it raises is the statement's error.
using FunctionRowsSource =
    std::function<std::vector<std::vector<Value>>(const QString& name, std::vector<Value> args)>;

// Registers it on the connection of `db`, with the source of its rows.
void registerFunctionRows(Database& db, FunctionRowsSource source);

}  // namespace tsql
