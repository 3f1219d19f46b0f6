#pragma once

#include <QString>
#include <array>

namespace tsql {

// What FORMAT takes from a culture: the separators, symbols, patterns and names of .NET's
// culture of that name.
struct Culture {
    const char* name;
    const char* decimalPoint;
    const char* groupSeparator;
    // Currency and percent patterns: `n` stands for the number.
    const char* currencyPositive;
    const char* currencyNegative;
    int currencyDecimals;
    const char* percentPositive;
    const char* percentNegative;
    const char* dateSeparator;
    const char* shortDate;
    const char* longDate;
    const char* shortTime;
    const char* longTime;
    const char* monthDay;
    const char* yearMonth;
    const char* am;
    const char* pm;
    std::array<const char*, 12> months;
    std::array<const char*, 12> monthsShort;
    std::array<const char*, 7> days;  // from Sunday
    std::array<const char*, 7> daysShort;
    int yearOffset;  // th-TH counts the Buddhist era's years
};

// The culture of a name such as "en-US" (case ignored); 9818 for one the engine does not know.
const Culture& cultureNamed(const QString& name);

}  // namespace tsql
