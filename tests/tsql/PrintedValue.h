#pragma once

#include <QString>

#include "tsql/SqlType.h"
#include "tsql/Value.h"

namespace conformance {

// A result cell as SQL Server's clients print a value of its declared type: NULL; integers and
// bit in digits; decimal and money with every digit the engine gives, the fraction filled with
// zeros to the type's scale (money: 4); float and real in the shortest digits that read back
// to the same value, without exponent; datetime "2024-01-01 00:00:00.000", date "2024-01-01";
// texts as they are, with CR, LF and TAB shown as \r, \n and \t.
QString printedValue(const tsql::Value& cell, const tsql::SqlType& type);

}  // namespace conformance
