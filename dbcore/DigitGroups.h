#pragma once

#include <QString>

namespace db {

// The digits of a whole number with a separator between groups of three ("1234567", "," gives
// "1,234,567"), as both the engine's number formats and the program's quantities show them.
QString groupedDigits(const QString& digits, const QString& separator);

}  // namespace db
