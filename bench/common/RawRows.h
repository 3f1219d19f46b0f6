#pragma once

#include <QVariantList>
#include <vector>

struct sqlite3_stmt;

namespace bench {

// Steps a prepared and bound statement to its end and resets it: its rows in the shape the
// engine returns them (integers, doubles, texts, NULL as an empty value).
std::vector<QVariantList> stepRows(sqlite3_stmt* statement);

}  // namespace bench
