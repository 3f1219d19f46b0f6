#include "tsql/Ast.h"

namespace tsql {

// A long chain of operators is a deep tree: it is taken apart in a loop, as destroying it by
// recursion could exhaust the stack.
Expr::~Expr() {
    std::vector<ExprPtr> pending;
    auto detachChildren = [&](Expr& e) {
        for (ExprPtr* child : {&e.a, &e.b, &e.c})
            if (*child)
                pending.push_back(std::move(*child));
        for (ExprPtr& arg : e.args)
            pending.push_back(std::move(arg));
        for (auto& [when, then] : e.whens) {
            pending.push_back(std::move(when));
            pending.push_back(std::move(then));
        }
    };
    detachChildren(*this);
    while (!pending.empty()) {
        ExprPtr e = std::move(pending.back());
        pending.pop_back();
        if (e)
            detachChildren(*e);
    }
}

}  // namespace tsql
