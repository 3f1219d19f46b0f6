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

const char* CreateFunctionStmt::typeCode() const {
    static const char* const codes[] = {"FN", "IF", "TF"};
    return codes[form];
}

OutputClause::OutputClause() = default;
OutputClause::~OutputClause() = default;

const Select& OutputClause::query() const {
    return into ? *into->select : *select;
}

std::vector<const TableRef*> joinedSources(const std::vector<TableRefPtr>& from) {
    std::vector<const TableRef*> out;
    std::vector<const TableRef*> pending;
    for (auto it = from.rbegin(); it != from.rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        const TableRef* t = pending.back();
        pending.pop_back();
        if (t->kind == TableRef::Join) {
            pending.push_back(t->right.get());
            pending.push_back(t->left.get());
        } else {
            out.push_back(t);
        }
    }
    return out;
}

}  // namespace tsql
