#pragma once

#include <functional>

#include "tsql/Ast.h"

namespace tsql {

// One walk over the tree that every analysis shares: it reaches every expression and table
// source below its start, through operands, arguments, CASE arms, OVER clauses, sub-selects,
// common tables, derived tables, join conditions and every clause of a select. It keeps its own
// stack, so that a long chain of operators costs no call depth.
struct Visitor {
    // Each returns true to stop the walk; an empty one is skipped.
    std::function<bool(const Expr&)> expr;
    std::function<bool(const TableRef&)> table;
};

// True when a visit stopped the walk.
bool walk(const Expr& e, const Visitor& visitor);
bool walk(const Select& s, const Visitor& visitor);
bool walk(const SelectCore& c, const Visitor& visitor);
// A set statement (SELECT, INSERT, UPDATE, DELETE): its values, conditions and sources; the table
// it writes is a name, not a source, and is not visited. Other statements have nothing to visit.
bool walk(const Stmt& s, const Visitor& visitor);

}  // namespace tsql
