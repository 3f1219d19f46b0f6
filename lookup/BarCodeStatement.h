#pragma once

#include <QStringList>

namespace lookup {

// The barcode search's statement, line by line: every barcode with its product, the stock of the
// year and the backorder, each in the product's smallest unit. The search replaces lines 31 to 33
// (barcode, caller filters, order) by their number, so the lines must not move.
QStringList barCodeSearchStatement();

}  // namespace lookup
