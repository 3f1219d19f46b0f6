#pragma once

#include "tsql/Ast.h"

namespace tsql {

// Checks the labels and GOTOs of a batch, and of each routine body in it on its own, as SQL
// Server does when it compiles them: a label declared twice is 132, a GOTO to no label 133. A GOTO
// goes on from a label of its own statement list or of a list around it; one into a block it is
// not in is refused.
void checkLabels(const StmtList& batch);

}  // namespace tsql
