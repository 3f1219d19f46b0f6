#include "tsql/GroupingCheck.h"

#include <algorithm>
#include <unordered_map>

#include "tsql/Builtins.h"
#include "tsql/Errors.h"
#include "tsql/ExprTree.h"

namespace tsql {

namespace {

bool isAggregate(const Expr& e) {
    return e.kind == Expr::Function && !e.over && e.builtin &&
           e.builtin->kind == Builtin::Aggregate;
}

// The operands, arguments, CASE branches and window clauses' expressions of `node`, in order.
void childrenOf(const Expr& node, std::vector<const Expr*>& children) {
    eachChild(node, [&](const ExprPtr& child) {
        if (child)
            children.push_back(child.get());
    });
    for (const WindowSpec* w : {node.over.get(), node.withinGroup.get()}) {
        if (!w)
            continue;
        for (const ExprPtr& p : w->partitionBy)
            children.push_back(p.get());
        for (const OrderItem& o : w->orderBy)
            children.push_back(o.expr.get());
    }
}

// Visits `e` and its children left to right, not sub-selects, without recursion; `visit` returns
// false to pass over a node's children.
template <typename Visit>
void eachNode(const Expr& e, Visit visit) {
    std::vector<const Expr*> pending{&e};
    std::vector<const Expr*> children;
    while (!pending.empty()) {
        const Expr& node = *pending.back();
        pending.pop_back();
        if (!visit(node))
            continue;
        children.clear();
        childrenOf(node, children);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

// The number of nodes of each subtree of `root`, itself included.
std::unordered_map<const Expr*, size_t> nodeCounts(const Expr& root) {
    std::vector<const Expr*> nodes;
    eachNode(root, [&](const Expr& node) {
        nodes.push_back(&node);
        return true;
    });
    std::unordered_map<const Expr*, size_t> counts;
    std::vector<const Expr*> children;
    for (auto node = nodes.rbegin(); node != nodes.rend(); ++node) {
        children.clear();
        childrenOf(**node, children);
        size_t count = 1;
        for (const Expr* child : children)
            count += counts[child];
        counts[*node] = count;
    }
    return counts;
}

bool contains(const Expr& e, bool (*what)(const Expr&)) {
    bool found = false;
    eachNode(e, [&](const Expr& node) {
        found = found || what(node);
        return !found;
    });
    return found;
}

bool hasAggregate(const Expr& e) {
    return contains(e, isAggregate);
}

bool aggregateOrSubquery(const Expr& e) {
    return isAggregate(e) || e.select;
}

void checkPlacement(const SelectCore& c) {
    if (c.where && hasAggregate(*c.where))
        raise(147, QStringLiteral("An aggregate may not appear in the WHERE clause unless it is in "
                                  "a subquery contained in a HAVING clause or a select list, and "
                                  "the column being aggregated is an outer reference."));
    for (const ExprPtr& g : c.groupBy)
        if (contains(*g, aggregateOrSubquery))
            raise(144, QStringLiteral("Cannot use an aggregate or a subquery in an expression used "
                                      "for the group by list of a GROUP BY clause."));
}

void checkNesting(const Expr& e) {
    eachNode(e, [](const Expr& node) {
        if (!isAggregate(node))
            return true;
        for (const ExprPtr& arg : node.args)
            if (contains(*arg, aggregateOrSubquery))
                raise(130, QStringLiteral("Cannot perform an aggregate function on an expression "
                                          "containing an aggregate or a subquery."));
        return false;
    });
}

// The column as SQL Server names it in its messages: under its table's alias, else under the
// table's name as the FROM clause spells it.
QString shownColumn(const std::vector<TableRefPtr>& from, const ColumnBinding& column) {
    std::vector<const TableRef*> pending;
    for (const TableRefPtr& t : from)
        pending.push_back(t.get());
    while (!pending.empty()) {
        const TableRef& t = *pending.back();
        pending.pop_back();
        if (t.kind == TableRef::Join) {
            pending.push_back(t.left.get());
            pending.push_back(t.right.get());
        } else if (t.kind == TableRef::Named && t.alias.isEmpty() &&
                   t.name.name.compare(column.source, Qt::CaseInsensitive) == 0) {
            return t.name.display() + u'.' + column.column;
        }
    }
    return column.source + u'.' + column.column;
}

class GroupedQuery {
public:
    GroupedQuery(const SelectCore& c, int level) : core_(c), level_(level) {
        for (const ExprPtr& g : c.groupBy) {
            if (g->kind != Expr::Star) {
                groups_.push_back({g.get(), nodeCounts(*g).at(g.get())});
                continue;
            }
            // A star (PIVOT's other columns) groups by each column it stands for.
            for (const ColumnBinding& column : g->expansion) {
                starColumns_.push_back(std::make_unique<Expr>(Expr::Column));
                starColumns_.back()->binding = column;
                groups_.push_back({starColumns_.back().get(), 1});
            }
        }
    }

    void selectList() const {
        for (const SelectItem& item : core_.items) {
            if (item.expr->kind != Expr::Star) {
                check(*item.expr, 8120, "'%1' is invalid in the select list");
                continue;
            }
            for (const ColumnBinding& column : item.expr->expansion)
                if (!groupedColumn(column))
                    ungrouped(column, 8120, "'%1' is invalid in the select list");
        }
    }
    void having() const {
        if (core_.having)
            check(*core_.having, 8121, "'%1' is invalid in the HAVING clause");
    }
    void orderBy(const std::vector<OrderItem>& items) const {
        for (const OrderItem& item : items)
            check(*item.expr, 8127, "\"%1\" is invalid in the ORDER BY clause");
    }

private:
    // A grouping expression; only one of the same number of nodes is compared, so that a long
    // expression is not compared again at each of its nodes.
    bool grouping(const Expr& e, size_t nodes) const {
        return std::any_of(groups_.begin(), groups_.end(), [&](const Group& g) {
            return g.nodes == nodes && sameExpr(*g.expr, e);
        });
    }
    bool groupedColumn(const ColumnBinding& column) const {
        Expr e(Expr::Column);
        e.binding = column;
        return grouping(e, 1);
    }
    void check(const Expr& e, int code, const char* where) const {
        const auto counts = nodeCounts(e);
        eachNode(e, [&](const Expr& node) {
            if (isAggregate(node) || grouping(node, counts.at(&node)))
                return false;
            if (node.kind == Expr::Column && !node.binding.alias && node.binding.level == level_)
                ungrouped(node.binding, code, where);
            return true;
        });
    }
    [[noreturn]] void ungrouped(const ColumnBinding& column, int code, const char* where) const {
        raise(code, (QStringLiteral("Column ") + QLatin1String(where) +
                     QStringLiteral(" because it is not contained in either an aggregate "
                                    "function or the GROUP BY clause."))
                        .arg(shownColumn(core_.from, column)));
    }

    struct Group {
        const Expr* expr;
        size_t nodes;
    };
    const SelectCore& core_;
    int level_;
    std::vector<Group> groups_;
    std::vector<ExprPtr> starColumns_;
};

}  // namespace

void checkGrouping(const SelectCore& c, const std::vector<OrderItem>* orderBy, int level) {
    checkPlacement(c);
    bool grouped = !c.groupBy.empty() || c.having;
    for (const SelectItem& item : c.items)
        grouped = grouped || hasAggregate(*item.expr);
    if (orderBy)
        for (const OrderItem& item : *orderBy)
            grouped = grouped || hasAggregate(*item.expr);
    if (!grouped)
        return;
    for (const SelectItem& item : c.items)
        checkNesting(*item.expr);
    if (c.having)
        checkNesting(*c.having);
    const GroupedQuery query(c, level);
    query.selectList();
    query.having();
    if (orderBy)
        query.orderBy(*orderBy);
}

}  // namespace tsql
