#pragma once

#include <QString>
#include <vector>

#include "tsql/Token.h"

namespace tsql {

// Splits T-SQL text into tokens; comments and white space are dropped. Raises db::Error
// (Server, 105/102) for an unclosed quote or bracket.
std::vector<Token> tokenize(const QString& sql);

}  // namespace tsql
