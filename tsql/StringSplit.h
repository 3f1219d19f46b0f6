#pragma once

#include <memory>
#include <vector>

#include "tsql/Ast.h"
#include "tsql/Value.h"

namespace tsql {

// STRING_SPLIT(string, separator), the built-in table-valued function: a multi-statement function
// of the engine's own, whose rows (one column, value) the engine makes itself. A query names it
// STRING_SPLIT, without a schema; its expansion names it by kStringSplit.
inline constexpr char kStringSplit[] = "tsql_string_split";

// The built-in's definition when `name` stands for it, else nullptr.
std::shared_ptr<const CreateFunctionStmt> builtinTableFunction(const ObjectName& name);
// Its rows for the values of its arguments: the pieces of the text between separators, none for a
// NULL text; 214 for a separator that is not one character.
std::vector<std::vector<Value>> stringSplitRows(const std::vector<Value>& args);

}  // namespace tsql
