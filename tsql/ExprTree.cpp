#include "tsql/ExprTree.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tsql {

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool bound(const Expr& column) {
    return column.binding.alias || !column.binding.source.isEmpty();
}

bool sameColumn(const Expr& a, const Expr& b) {
    if (bound(a) || bound(b)) {
        const ColumnBinding &x = a.binding, &y = b.binding;
        return bound(a) && bound(b) && x.alias == y.alias && x.level == y.level &&
               x.index == y.index && sameName(x.source, y.source) && sameName(x.column, y.column);
    }
    const qsizetype n = std::min(a.parts.size(), b.parts.size());
    for (qsizetype k = 1; k <= n; ++k)
        if (!sameName(a.parts[a.parts.size() - k], b.parts[b.parts.size() - k]))
            return false;
    return n > 0;
}

// The node's own fields, not its operands.
bool sameNode(const Expr& a, const Expr& b) {
    if (a.kind != b.kind || a.lit != b.lit || !sameName(a.text, b.text) || a.op != b.op ||
        a.parts.size() != b.parts.size() || a.args.size() != b.args.size() || a.select ||
        b.select || a.over || b.over || a.withinGroup || b.withinGroup || a.negated != b.negated ||
        a.distinct != b.distinct || a.star != b.star || a.castType.toSql() != b.castType.toSql() ||
        !a.whens.empty() || !b.whens.empty())
        return false;
    for (qsizetype k = 0; k < a.parts.size(); ++k)
        if (!sameName(a.parts[k], b.parts[k]))
            return false;
    return true;
}

}  // namespace

bool sameExpr(const Expr& a, const Expr& b) {
    std::vector<std::pair<const Expr*, const Expr*>> pending{{&a, &b}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (!x || !y) {
            if (x != y)
                return false;
            continue;
        }
        if (x->kind == Expr::Column && y->kind == Expr::Column) {
            if (!sameColumn(*x, *y))
                return false;
            continue;
        }
        if (!sameNode(*x, *y))
            return false;
        for (size_t k = 0; k < x->args.size(); ++k)
            pending.emplace_back(x->args[k].get(), y->args[k].get());
        pending.emplace_back(x->a.get(), y->a.get());
        pending.emplace_back(x->b.get(), y->b.get());
        pending.emplace_back(x->c.get(), y->c.get());
    }
    return true;
}

}  // namespace tsql
