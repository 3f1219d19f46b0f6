#include "tsql/Walker.h"

#include <variant>
#include <vector>

namespace tsql {

namespace {

using Node = std::variant<const Expr*, const Select*, const TableRef*>;

class Walk {
public:
    explicit Walk(const Visitor& visitor) : visitor_(visitor) {}

    bool run(Node start) {
        pending_.push_back(start);
        return drain();
    }

    bool run(const SelectCore& c) {
        pushCore(c);
        return drain();
    }

    // A set statement's parts; its target is a name, not a table source.
    bool run(const Stmt& s) {
        switch (s.kind) {
            case Stmt::SelectStmt:
                push(static_cast<const SelectStmt&>(s).select.get());
                break;
            case Stmt::Insert: {
                const auto& i = static_cast<const InsertStmt&>(s);
                for (const auto& row : i.rows)
                    for (const ExprPtr& v : row)
                        push(v.get());
                push(i.select.get());
                break;
            }
            case Stmt::Update: {
                const auto& u = static_cast<const UpdateStmt&>(s);
                push(u.top.get());
                for (const Assignment& a : u.sets)
                    push(a.value.get());
                pushSources(u.from, u.where.get());
                pushWith(u.with);
                break;
            }
            case Stmt::Delete: {
                const auto& d = static_cast<const DeleteStmt&>(s);
                push(d.top.get());
                pushSources(d.from, d.where.get());
                pushWith(d.with);
                break;
            }
            default:
                break;
        }
        return drain();
    }

private:
    bool drain() {
        while (!pending_.empty()) {
            const Node node = pending_.back();
            pending_.pop_back();
            if (std::visit([this](auto* n) { return visit(*n); }, node))
                return true;
        }
        return false;
    }

    void pushSources(const std::vector<TableRefPtr>& from, const Expr* where) {
        for (const TableRefPtr& t : from)
            push(t.get());
        push(where);
    }

    void push(const Expr* e) {
        if (e)
            pending_.push_back(e);
    }
    void push(const Select* s) {
        if (s)
            pending_.push_back(s);
    }
    void push(const TableRef* t) {
        if (t)
            pending_.push_back(t);
    }
    void push(const std::vector<OrderItem>& items) {
        for (const OrderItem& o : items)
            push(o.expr.get());
    }

    bool visit(const Expr& e) {
        if (visitor_.expr && visitor_.expr(e))
            return true;
        push(e.a.get());
        push(e.b.get());
        push(e.c.get());
        for (const ExprPtr& arg : e.args)
            push(arg.get());
        for (const auto& [when, then] : e.whens) {
            push(when.get());
            push(then.get());
        }
        push(e.select.get());
        if (e.over) {
            for (const ExprPtr& p : e.over->partitionBy)
                push(p.get());
            push(e.over->orderBy);
        }
        if (e.withinGroup)
            push(e.withinGroup->orderBy);
        return false;
    }

    void pushCore(const SelectCore& c) {
        push(c.top.get());
        for (const SelectItem& item : c.items)
            push(item.expr.get());
        for (const TableRefPtr& t : c.from)
            push(t.get());
        push(c.where.get());
        for (const ExprPtr& g : c.groupBy)
            push(g.get());
        push(c.having.get());
    }

    void pushWith(const std::vector<CommonTable>& with) {
        for (const CommonTable& t : with)
            push(t.select.get());
    }

    bool visit(const Select& s) {
        pushWith(s.with);
        for (const SelectCore& c : s.cores)
            pushCore(c);
        push(s.orderBy);
        push(s.offset.get());
        push(s.fetch.get());
        return false;
    }

    bool visit(const TableRef& t) {
        if (visitor_.table && visitor_.table(t))
            return true;
        push(t.derived.get());
        for (const ExprPtr& arg : t.args)
            push(arg.get());
        push(t.left.get());
        push(t.right.get());
        push(t.on.get());
        return false;
    }

    const Visitor& visitor_;
    std::vector<Node> pending_;
};

}  // namespace

bool walk(const Expr& e, const Visitor& visitor) {
    return Walk(visitor).run(&e);
}

bool walk(const Select& s, const Visitor& visitor) {
    return Walk(visitor).run(&s);
}

bool walk(const SelectCore& c, const Visitor& visitor) {
    return Walk(visitor).run(c);
}

bool walk(const Stmt& s, const Visitor& visitor) {
    return Walk(visitor).run(s);
}

}  // namespace tsql
