#pragma once

#include <QStringList>

namespace company {

// The lines of SQLUpdateConfig: four statements, separated by "/" lines, that add the user
// warehouse and subtype flags and the main currency to Config and default them.
QStringList sqlUpdateConfigLines();

// The lines of SQLUpdate: 119 statements, separated by "/" lines, that bring a company database
// to the level the suite expects. Each is guarded by the server catalogue, so a second run
// changes nothing.
QStringList sqlUpdateLines();

// Number of statements in sqlUpdateLines().
inline constexpr int kSqlUpdateStatements = 119;

}  // namespace company
