#pragma once

#include <QString>
#include <optional>

#include "tsql/Cultures.h"
#include "tsql/Decimal.h"
#include "tsql/Moment.h"

// FORMAT: values written with .NET's format strings in a culture. Empty where .NET refuses the
// format string, which FORMAT answers with NULL.
namespace tsql {

// A number: a standard format ("N2", "C", "D5", "P", "F1", "G", "X") or a custom pattern
// ("#,##0.00", "0000", with ; sections). `integer` tells an integer type, the only one D and X
// take.
std::optional<QString> formatNumberText(const Decimal& value, bool integer, const QString& format,
                                        const Culture& culture);

// A date or datetime: a standard format ("d", "D", "t", "T", "f", "g", "G", "M", "Y", "s") or a
// custom pattern ("dd/MM/yyyy", "MMMM", "hh:mm tt").
std::optional<QString> formatDateText(const Moment& value, const QString& format,
                                      const Culture& culture);

// A time, as .NET writes a TimeSpan: "c" or a custom pattern of hh, mm, ss and fractions whose
// other characters are quoted or escaped ("hh\:mm").
std::optional<QString> formatTimeText(const Moment& value, const QString& format);

}  // namespace tsql
