#pragma once

#include "tsql/Ast.h"

namespace tsql {

// Calls `visit` on each operand, argument and CASE branch of `e`, null operands included (not on
// its sub-selects or window clauses).
template <typename E, typename Visit>
void eachChild(E& e, Visit visit) {
    for (auto* child : {&e.a, &e.b, &e.c})
        visit(*child);
    for (auto& arg : e.args)
        visit(arg);
    for (auto& [when, then] : e.whens) {
        visit(when);
        visit(then);
    }
}

// Two expressions written alike, up to the case of names. A bound column is the same as another
// bound to the same column; an unbound one as one named alike, with or without its table.
// Subqueries and windows are never the same. Walks without recursion.
bool sameExpr(const Expr& a, const Expr& b);

}  // namespace tsql
