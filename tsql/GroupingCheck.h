#pragma once

#include <vector>

#include "tsql/Ast.h"

namespace tsql {

// SQL Server's rules for aggregates and grouped queries, on a bound select core of query level
// `level` with its ORDER BY (null when it has none of its own, as in a union): no aggregate in
// WHERE (147), nor an aggregate or sub-select in GROUP BY (144) or inside an aggregate (130); and
// where the core groups its rows (GROUP BY, HAVING or an aggregate of its own), every column of
// this level in the select list, HAVING and ORDER BY stands in a grouping expression or an
// aggregate (8120, 8121, 8127). Columns of outer queries, and sub-selects, are not looked into.
void checkGrouping(const SelectCore& c, const std::vector<OrderItem>* orderBy, int level);

}  // namespace tsql
