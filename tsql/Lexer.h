#pragma once

#include <QString>
#include <vector>

#include "tsql/Token.h"

namespace tsql {

// Splits T-SQL text into tokens; comments and white space are dropped. Raises db::Error
// (Server, 105/102) for an unclosed quote or bracket.
std::vector<Token> tokenize(const QString& sql);

// Whether the token is a bare word SQL Server reserves, which it names in a syntax error as
// "the keyword '...'".
bool isReservedKeyword(const Token& t);

}  // namespace tsql
