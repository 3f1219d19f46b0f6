// GROUP BY ROLLUP, CUBE and GROUPING SETS (and GROUP BY ... WITH ROLLUP | CUBE): the core is read
// once for each grouping set, and the copies are joined by UNION ALL. In each copy the grouping
// expressions outside its set read as NULL (but inside aggregates), GROUPING() and GROUPING_ID()
// as the constants they are for the set.
#include "tsql/Builtins.h"
#include "tsql/Errors.h"
#include "tsql/ExprTree.h"
#include "tsql/Parser.h"

namespace tsql {

namespace {

using Sets = Parser::GroupingSets;

// SQLite's limit on the selects of a compound select (SQL Server's own limit is 4096); the engine
// also counts the sets of the queries nested in each copy of a core, which are read again with it.
constexpr size_t kMaxGroupingSets = 500;

[[noreturn]] void tooManyGroupingSets() {
    notSupported(QStringLiteral("more than %1 grouping sets in a batch").arg(kMaxGroupingSets));
}

ExprPtr integerLiteral(int value) {
    auto e = std::make_unique<Expr>(Expr::Literal);
    e->lit = Expr::Integer;
    e->text = QString::number(value);
    return e;
}

bool isAggregate(const Expr& e) {
    if (e.kind != Expr::Function || e.isUserFunction() || e.over)
        return false;
    const Builtin* b = findBuiltin(e.text);
    return b && b->kind == Builtin::Aggregate;
}

bool hasAggregate(const ExprPtr& e) {
    if (!e)
        return false;
    bool found = isAggregate(*e);
    eachChild(*e, [&](const ExprPtr& child) { found = found || hasAggregate(child); });
    return found;
}

// The empty grouping set is one group of the whole input. Without an aggregate its core would
// give a row for each input row, all alike (every value in it is a constant or a NULL grouped
// away): DISTINCT makes them one, and its HAVING, as constant, joins the WHERE.
void aggregateOnce(SelectCore& c) {
    bool aggregates = hasAggregate(c.having);
    for (const SelectItem& item : c.items)
        aggregates = aggregates || hasAggregate(item.expr);
    if (aggregates)
        return;
    c.distinct = true;
    if (!c.having)
        return;
    ExprPtr condition = std::move(c.having);
    if (c.where) {
        auto both = std::make_unique<Expr>(Expr::Binary);
        both->op = QStringLiteral("AND");
        both->a = std::move(c.where);
        both->b = std::move(condition);
        condition = std::move(both);
    }
    c.where = std::move(condition);
}

// The rows of one grouping set: which grouping expressions it groups by.
class SetRewrite {
public:
    SetRewrite(const std::vector<ExprPtr>& grouping, const std::vector<int>& set)
        : grouping_(grouping) {
        for (const int k : set)
            inSet_.push_back(grouping[static_cast<size_t>(k)].get());
    }

    void apply(ExprPtr& e) {
        if (!e)
            return;
        if (e->kind == Expr::Function && !e->isUserFunction()) {
            if (e->text == u"grouping" || e->text == u"grouping_id") {
                e = integerLiteral(groupingBits(*e));
                return;
            }
            if (isAggregate(*e))
                return;  // an aggregate reads the rows of its group as they are
        }
        if (e->over)
            notSupported(QStringLiteral("window functions with ROLLUP, CUBE or GROUPING SETS"));
        if (groupedAway(*e)) {
            e = std::make_unique<Expr>(Expr::Literal);  // a NULL literal
            return;
        }
        eachChild(*e, [this](ExprPtr& child) { apply(child); });
    }

private:
    bool inSet(const Expr& e) const {
        for (const Expr* g : inSet_)
            if (sameExpr(*g, e))
                return true;
        return false;
    }

    bool groupedAway(const Expr& e) const {
        if (inSet(e))
            return false;
        for (const ExprPtr& g : grouping_)
            if (sameExpr(*g, e))
                return true;
        return false;
    }

    // GROUPING(e) is 1 where e is grouped away; GROUPING_ID(e1, ..., en) has such a bit for each
    // argument, the first the highest.
    int groupingBits(const Expr& call) const {
        if (call.args.empty() || (call.text == u"grouping" && call.args.size() != 1))
            raise(174, QStringLiteral("The %1 function requires %2 argument(s).")
                           .arg(call.text, call.text == u"grouping" ? QStringLiteral("1")
                                                                    : QStringLiteral("1 or more")));
        int bits = 0;
        for (const ExprPtr& arg : call.args)
            bits = (bits << 1) | (inSet(*arg) ? 0 : 1);
        return bits;
    }

    const std::vector<ExprPtr>& grouping_;
    std::vector<const Expr*> inSet_;
};

Sets product(const Sets& a, const Sets& b) {
    if (a.size() * b.size() > kMaxGroupingSets)
        tooManyGroupingSets();
    Sets out;
    for (const std::vector<int>& x : a)
        for (const std::vector<int>& y : b) {
            std::vector<int> both = x;
            both.insert(both.end(), y.begin(), y.end());
            out.push_back(std::move(both));
        }
    return out;
}

// ROLLUP(c1, ..., cn): c1..cn, c1..cn-1, ..., none.
Sets rollup(const std::vector<std::vector<int>>& columns) {
    Sets out;
    for (size_t n = columns.size() + 1; n-- > 0;) {
        std::vector<int> set;
        for (size_t k = 0; k < n; ++k)
            set.insert(set.end(), columns[k].begin(), columns[k].end());
        out.push_back(std::move(set));
    }
    return out;
}

// CUBE(c1, ..., cn): every combination, all of them first, none last.
Sets cube(const std::vector<std::vector<int>>& columns) {
    Sets out;
    const size_t n = columns.size();
    if (n > 12)
        tooManyGroupingSets();
    for (size_t mask = (size_t{1} << n); mask-- > 0;) {
        std::vector<int> set;
        for (size_t k = 0; k < n; ++k)
            if (mask & (size_t{1} << (n - 1 - k)))
                set.insert(set.end(), columns[k].begin(), columns[k].end());
        out.push_back(std::move(set));
    }
    return out;
}

}  // namespace

// ( ) or (e, ...) or e: the indexes in `grouping` of the expressions read.
std::vector<int> Parser::parseGroupingColumns(std::vector<ExprPtr>& grouping) {
    std::vector<int> read;
    if (!peek().isSymbol("(") || peek(1).isWord("SELECT") || !isColumnList()) {
        grouping.push_back(parseExpr());
        return {static_cast<int>(grouping.size()) - 1};
    }
    expectSymbol("(");
    if (!acceptSymbol(")")) {
        do {
            grouping.push_back(parseExpr());
            read.push_back(static_cast<int>(grouping.size()) - 1);
        } while (acceptSymbol(","));
        expectSymbol(")");
    }
    return read;
}

// Whether the parenthesis ahead holds a list of expressions (a comma at its own level) or nothing,
// rather than one expression in parentheses.
bool Parser::isColumnList() const {
    int depth = 0;
    for (int k = 0;; ++k) {
        const Token& t = peek(k);
        if (t.kind == TokenKind::End)
            return false;
        if (t.isSymbol("("))
            ++depth;
        else if (t.isSymbol(")") && --depth == 0)
            return k == 1;  // ( ) is the empty set
        else if (t.isSymbol(",") && depth == 1)
            return true;
    }
}

// ROLLUP(...) or CUBE(...): their columns, each one expression or a parenthesised list.
Parser::GroupingSets Parser::parseRollupOrCube(std::vector<ExprPtr>& grouping) {
    const bool isCube = next().isWord("CUBE");
    expectSymbol("(");
    std::vector<std::vector<int>> columns;
    do {
        columns.push_back(parseGroupingColumns(grouping));
    } while (acceptSymbol(","));
    expectSymbol(")");
    return isCube ? cube(columns) : rollup(columns);
}

// One element of GROUP BY, or of GROUPING SETS when `inSets`.
Parser::GroupingSets Parser::parseGroupingElement(std::vector<ExprPtr>& grouping, bool inSets) {
    if ((peek().isWord("ROLLUP") || peek().isWord("CUBE")) && peek(1).isSymbol("("))
        return parseRollupOrCube(grouping);
    if (!inSets && peek().isWord("GROUPING") && peek(1).isWord("SETS")) {
        next();
        next();
        expectSymbol("(");
        GroupingSets sets;
        do {
            for (std::vector<int>& set : parseGroupingElement(grouping, true))
                sets.push_back(std::move(set));
            if (sets.size() > kMaxGroupingSets)
                tooManyGroupingSets();
        } while (acceptSymbol(","));
        expectSymbol(")");
        return sets;
    }
    if (inSets || (peek().isSymbol("(") && peek(1).isSymbol(")")))
        return {parseGroupingColumns(grouping)};
    grouping.push_back(parseExpr());
    return {{static_cast<int>(grouping.size()) - 1}};
}

// GROUP BY's list into `c.groupBy`; the grouping sets when it has more than the plain one, else
// none.
Parser::GroupingSets Parser::parseGroupBy(SelectCore& c) {
    GroupingSets sets{{}};
    bool plain = true;
    do {
        const bool special =
            ((peek().isWord("ROLLUP") || peek().isWord("CUBE")) && peek(1).isSymbol("(")) ||
            (peek().isWord("GROUPING") && peek(1).isWord("SETS")) ||
            (peek().isSymbol("(") && peek(1).isSymbol(")"));
        plain = plain && !special;
        sets = product(sets, parseGroupingElement(c.groupBy, false));
    } while (acceptSymbol(","));
    if (peek().isWord("WITH") && (peek(1).isWord("ROLLUP") || peek(1).isWord("CUBE"))) {
        next();
        const bool isCube = next().isWord("CUBE");
        if (!plain)
            fail();
        std::vector<std::vector<int>> columns;
        for (size_t k = 0; k < c.groupBy.size(); ++k)
            columns.push_back({static_cast<int>(k)});
        return isCube ? cube(columns) : rollup(columns);
    }
    return plain ? GroupingSets() : sets;
}

// A SELECT core, or one for each of its grouping sets.
std::vector<SelectCore> Parser::parseSelectCores() {
    const size_t start = pos_;
    GroupingSets sets;
    std::vector<SelectCore> cores;
    cores.push_back(parseSelectCore(&sets));
    if (sets.empty())
        return cores;
    groupingCores_ += sets.size();
    if (groupingCores_ > kMaxGroupingSets)
        tooManyGroupingSets();
    const SelectCore& first = cores.front();
    if (first.top || first.distinct || !first.into.name.isEmpty())
        notSupported(QStringLiteral("TOP, DISTINCT or INTO with ROLLUP, CUBE or GROUPING SETS"));
    const size_t end = pos_;
    for (size_t k = 1; k < sets.size(); ++k) {
        pos_ = start;
        GroupingSets again;
        cores.push_back(parseSelectCore(&again));
    }
    pos_ = end;
    for (size_t k = 0; k < sets.size(); ++k) {
        SelectCore& c = cores[k];
        std::vector<ExprPtr> grouping = std::move(c.groupBy);
        SetRewrite rewrite(grouping, sets[k]);
        for (SelectItem& item : c.items) {
            // A column read as NULL keeps its name.
            if (item.alias.isEmpty() && item.expr->kind == Expr::Column)
                item.alias = item.expr->parts.last();
            rewrite.apply(item.expr);
        }
        rewrite.apply(c.having);
        c.groupBy.clear();
        for (const int g : sets[k])
            if (grouping[static_cast<size_t>(g)])
                c.groupBy.push_back(std::move(grouping[static_cast<size_t>(g)]));
        if (c.groupBy.empty())
            aggregateOnce(c);
    }
    return cores;
}

}  // namespace tsql
