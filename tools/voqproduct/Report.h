#pragma once

#include <QStringList>
#include <QVariant>
#include <vector>

#include "product/PriceStep.h"

namespace db {
class Query;
}

namespace voqproduct {

// A value as the tool prints it: NULL as "NULL", numbers without trailing zeros, date-times as
// dd/mm/yyyy hh:mm:ss.
QString printable(const QVariant& value);
QString printable(double value);

// The query's name and the row it stands on, one indented "column  value" line per column, or
// "(no row)" and "(closed)" when there is none.
QStringList rowLines(const db::Query& query);

// The steps a price operation took, numbered, each with what its source held and what the
// operation took from it.
QStringList explainPrice(const std::vector<product::PriceStep>& steps);

}  // namespace voqproduct
