#pragma once

#include <QString>
#include <optional>

namespace tsql {

struct Expr;

// A default's expression as SQL Server keeps it in its catalogue (what INFORMATION_SCHEMA's
// COLUMN_DEFAULT reads): parenthesised, each number in parentheses of its own, built-in function
// names in lower case, no blanks between arguments: 0 is "((0))", 'x' "('x')", GETDATE()
// "(getdate())". nullopt for an expression of another form than constants and built-in calls.
std::optional<QString> keptDefaultText(const Expr& e);

}  // namespace tsql
