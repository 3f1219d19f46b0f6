// SELECT grammar: cores, unions, table sources and ORDER BY.
#include "tsql/Errors.h"
#include "tsql/Parser.h"

namespace tsql {

std::unique_ptr<Select> Parser::parseSelect() {
    const Nesting nesting(*this);
    auto s = std::make_unique<Select>();
    if (peek().isSymbol("(") && peek(1).isWord("SELECT")) {
        // (SELECT ...) UNION ... : a parenthesised first core.
        next();
        auto inner = parseSelect();
        expectSymbol(")");
        if (inner->cores.size() != 1 || !inner->orderBy.empty())
            notSupported(QStringLiteral("nested parenthesised unions"));
        s->cores.push_back(std::move(inner->cores.front()));
    } else {
        for (SelectCore& core : parseSelectCores())
            s->cores.push_back(std::move(core));
        s->combine.resize(s->cores.size() - 1, Select::UnionAll);
    }
    const bool grouped = s->cores.size() > 1;
    for (;;) {
        if (acceptWord("UNION"))
            s->combine.push_back(acceptWord("ALL") ? Select::UnionAll : Select::Union);
        else if (acceptWord("EXCEPT"))
            s->combine.push_back(Select::Except);
        else if (acceptWord("INTERSECT"))
            s->combine.push_back(Select::Intersect);
        else
            break;
        if (grouped)
            notSupported(
                QStringLiteral("ROLLUP, CUBE or GROUPING SETS in a UNION, EXCEPT or "
                               "INTERSECT"));
        const bool parenthesised = acceptSymbol("(");
        std::vector<SelectCore> cores = parseSelectCores();
        if (cores.size() > 1)
            notSupported(
                QStringLiteral("ROLLUP, CUBE or GROUPING SETS in a UNION, EXCEPT or "
                               "INTERSECT"));
        s->cores.push_back(std::move(cores.front()));
        if (parenthesised)
            expectSymbol(")");
    }
    if (peek().isWord("ORDER")) {
        next();
        expectWord("BY");
        s->orderBy = parseOrderList();
        if (acceptWord("OFFSET"))
            parseOffset(*s);
    }
    // FOR UPDATE and FOR READ ONLY end a cursor's select.
    if (peek().isWord("FOR") && !peek(1).isWord("UPDATE") && !peek(1).isWord("READ"))
        notSupported(QStringLiteral("FOR XML/BROWSE"));
    if (peek().isWord("OPTION"))
        s->maxRecursion = parseOption();
    return s;
}

// OPTION (hint, ...) at the end of a statement: the level of recursion its common tables may
// reach (MAXRECURSION n, 0 for no limit). The hints that only choose a plan change nothing here.
int Parser::parseOption() {
    expectWord("OPTION");
    expectSymbol("(");
    int maxRecursion = kDefaultMaxRecursion;
    do {
        if (acceptWord("MAXRECURSION")) {
            if (peek().kind != TokenKind::Integer)
                fail();
            const qint64 n = next().text.toLongLong();
            if (n > kMaxRecursionLimit)
                raise(310, QStringLiteral("The value %1 specified for the MAXRECURSION option "
                                          "exceeds the allowed maximum of %2.")
                               .arg(n)
                               .arg(kMaxRecursionLimit));
            maxRecursion = static_cast<int>(n);
        } else {
            skipPlanHint();
        }
    } while (acceptSymbol(","));
    expectSymbol(")");
    return maxRecursion;
}

// One of the query hints that choose a plan, its words ('#' an integer) read.
void Parser::skipPlanHint() {
    static const char* const hints[][3] = {{"RECOMPILE"},
                                           {"MAXDOP", "#"},
                                           {"FAST", "#"},
                                           {"FORCE", "ORDER"},
                                           {"KEEP", "PLAN"},
                                           {"KEEPFIXED", "PLAN"},
                                           {"ROBUST", "PLAN"},
                                           {"EXPAND", "VIEWS"},
                                           {"LOOP", "JOIN"},
                                           {"MERGE", "JOIN"},
                                           {"HASH", "JOIN"},
                                           {"HASH", "GROUP"},
                                           {"ORDER", "GROUP"},
                                           {"CONCAT", "UNION"},
                                           {"HASH", "UNION"},
                                           {"MERGE", "UNION"},
                                           {"OPTIMIZE", "FOR", "UNKNOWN"}};
    for (const auto& words : hints) {
        int k = 0;
        while (k < 3 && words[k] &&
               (*words[k] == '#' ? peek(k).kind == TokenKind::Integer : peek(k).isWord(words[k])))
            ++k;
        if (k < 3 && words[k])
            continue;
        for (int n = 0; n < k; ++n)
            next();
        return;
    }
    notSupported(QStringLiteral("the query hint %1").arg(peek().text.toUpper()));
}

// OFFSET n ROW[S] [FETCH FIRST|NEXT m ROW[S] ONLY], after ORDER BY.
void Parser::parseOffset(Select& s) {
    s.offset = parseExpr();
    if (!acceptWord("ROWS"))
        expectWord("ROW");
    if (!acceptWord("FETCH"))
        return;
    if (!acceptWord("NEXT"))
        expectWord("FIRST");
    s.fetch = parseExpr();
    if (!acceptWord("ROWS"))
        expectWord("ROW");
    expectWord("ONLY");
}

ExprPtr Parser::parseTop() {
    if (acceptSymbol("(")) {
        ExprPtr e = parseExpr();
        expectSymbol(")");
        return e;
    }
    if (peek().kind == TokenKind::Integer || peek().kind == TokenKind::Param ||
        peek().kind == TokenKind::Variable)
        return parsePrimary();
    fail();
}

SelectCore Parser::parseSelectCore(GroupingSets* sets) {
    expectWord("SELECT");
    SelectCore c;
    if (acceptWord("DISTINCT"))
        c.distinct = true;
    else
        acceptWord("ALL");
    if (acceptWord("TOP")) {
        c.top = parseTop();
        c.topPercent = acceptWord("PERCENT");
        if (peek().isWord("WITH") && peek(1).isWord("TIES")) {
            next();
            next();
            c.withTies = true;
        }
    }
    do {
        c.items.push_back(parseSelectItem());
    } while (acceptSymbol(","));
    if (acceptWord("INTO"))
        c.into = parseObjectName();
    if (acceptWord("FROM"))
        c.from = parseFromList();
    if (acceptWord("WHERE"))
        c.where = parseExpr();
    if (peek().isWord("GROUP")) {
        next();
        expectWord("BY");
        *sets = parseGroupBy(c);
    }
    if (acceptWord("HAVING"))
        c.having = parseExpr();
    return c;
}

SelectItem Parser::parseSelectItem() {
    SelectItem item;
    const Token& t = peek();
    // @v = expr
    if (t.kind == TokenKind::Variable && peek(1).kind == TokenKind::Symbol &&
        (peek(1).text == u"=" || peek(1).text == u"+=" || peek(1).text == u"-=")) {
        item.assignVar = next().text;
        QString op = next().text;
        item.expr = parseValue();
        if (op != u"=") {
            auto var = std::make_unique<Expr>(Expr::Variable);
            var->text = item.assignVar;
            auto e = std::make_unique<Expr>(Expr::Binary);
            e->op = op.left(1);
            e->a = std::move(var);
            e->b = std::move(item.expr);
            item.expr = std::move(e);
        }
        return item;
    }
    // alias = expr
    if ((t.kind == TokenKind::Identifier || t.kind == TokenKind::QuotedName ||
         t.kind == TokenKind::String) &&
        peek(1).isSymbol("=") && !(t.kind == TokenKind::Identifier && isReserved(t))) {
        item.alias = next().text;
        next();
        item.expr = parseValue();
        return item;
    }
    item.expr = parseValue();
    if (acceptWord("AS")) {
        const Token& a = peek();
        if (a.kind != TokenKind::Identifier && a.kind != TokenKind::QuotedName &&
            a.kind != TokenKind::String)
            fail();
        item.alias = next().text;
    } else {
        const Token& a = peek();
        if (a.kind == TokenKind::QuotedName || a.kind == TokenKind::String ||
            (a.kind == TokenKind::Identifier && !isReserved(a)))
            item.alias = next().text;
    }
    return item;
}

std::vector<TableRefPtr> Parser::parseFromList() {
    std::vector<TableRefPtr> list;
    do {
        list.push_back(parseTableRef());
    } while (acceptSymbol(","));
    return list;
}

TableRefPtr Parser::parseTableRef() {
    return parseJoins(parseTablePrimary());
}

// The joins that follow `left`, each nesting the ones before it one level deeper. A join whose
// right side is followed by another join instead of its ON takes that join as its right side:
// a LEFT JOIN b JOIN c ON x ON y is a LEFT JOIN (b JOIN c ON x) ON y. PIVOT and UNPIVOT take
// what stands before them as their source, as a join its left side.
TableRefPtr Parser::parseJoins(TableRefPtr left) {
    std::vector<std::unique_ptr<Nesting>> joins;
    for (;;) {
        if (peek().isWord("PIVOT") || peek().isWord("UNPIVOT")) {
            left = parseRotation(std::move(left));
            continue;
        }
        const std::optional<TableRef::JoinType> type = parseJoinType();
        if (!type)
            return left;
        joins.push_back(std::make_unique<Nesting>(*this));
        auto j = std::make_unique<TableRef>(TableRef::Join);
        j->joinType = *type;
        j->left = std::move(left);
        j->right = parseTablePrimary();
        if (*type != TableRef::Cross && !j->isApply()) {
            if (!peek().isWord("ON"))
                j->right = parseJoins(std::move(j->right));
            expectWord("ON");
            j->on = parseExpr();
        }
        left = std::move(j);
    }
}

// The words of a join (INNER JOIN, LEFT OUTER JOIN, ...); nullopt, reading nothing, when no join
// follows.
std::optional<TableRef::JoinType> Parser::parseJoinType() {
    if (peek().isWord("JOIN") || peek().isWord("INNER")) {
        acceptWord("INNER");
        expectWord("JOIN");
        return TableRef::Inner;
    }
    if (peek().isWord("LEFT") || peek().isWord("RIGHT") || peek().isWord("FULL")) {
        const QString w = next().text.toUpper();
        acceptWord("OUTER");
        expectWord("JOIN");
        return w == u"LEFT" ? TableRef::Left : w == u"RIGHT" ? TableRef::Right : TableRef::Full;
    }
    if (peek().isWord("CROSS")) {
        next();
        if (acceptWord("APPLY"))
            return TableRef::CrossApply;
        expectWord("JOIN");
        return TableRef::Cross;
    }
    if (peek().isWord("OUTER") && peek(1).isWord("APPLY")) {
        next();
        next();
        return TableRef::OuterApply;
    }
    return std::nullopt;
}

TableRefPtr Parser::parseTablePrimary() {
    const Nesting nesting(*this);
    TableRefPtr t;
    if (peek().isSymbol("(")) {
        next();
        if (peek().isWord("SELECT") || peek().isWord("VALUES")) {
            t = std::make_unique<TableRef>(TableRef::Derived);
            t->derived = peek().isWord("VALUES") ? parseValues() : parseSelect();
            expectSymbol(")");
        } else {
            t = parseTableRef();
            expectSymbol(")");
            return t;
        }
    } else {
        t = std::make_unique<TableRef>(TableRef::Named);
        t->name = parseTableName();
        if (peek().isSymbol("(")) {  // a table-valued function
            t->kind = TableRef::Function;
            t->args = parseCallArguments();
        }
    }
    if (acceptWord("AS")) {
        t->alias = parseName();
    } else if ((peek().kind == TokenKind::Identifier && !isReserved(peek()) &&
                !peek().isWord("OUTER") && !peek().isWord("CROSS")) ||
               peek().kind == TokenKind::QuotedName) {
        t->alias = next().text;
    }
    // Table hints such as WITH (NOLOCK) change nothing on this engine.
    if (peek().isWord("WITH") && peek(1).isSymbol("(")) {
        next();
        next();
        while (!peek().isSymbol(")") && peek().kind != TokenKind::End)
            next();
        expectSymbol(")");
    }
    if (t->kind == TableRef::Derived && t->alias.isEmpty())
        fail();
    if (t->kind == TableRef::Derived && peek().isSymbol("("))
        nameColumns(*t);
    return t;
}

// VALUES (a, b), (c, d): one core a row.
std::unique_ptr<Select> Parser::parseValues() {
    expectWord("VALUES");
    auto s = std::make_unique<Select>();
    s->values = true;
    do {
        expectSymbol("(");
        SelectCore row;
        do {
            SelectItem item;
            item.expr = parseExpr();
            row.items.push_back(std::move(item));
        } while (acceptSymbol(","));
        expectSymbol(")");
        if (!s->cores.empty()) {
            if (row.items.size() != s->cores[0].items.size())
                raise(10709, QStringLiteral("The number of columns for each row in a table value "
                                            "constructor must be the same."));
            s->combine.push_back(Select::UnionAll);
        }
        s->cores.push_back(std::move(row));
    } while (acceptSymbol(","));
    return s;
}

// AS alias (a, b): the derived table's columns named, as aliases of its first select list.
void Parser::nameColumns(TableRef& t) {
    expectSymbol("(");
    QStringList names;
    do {
        names << parseName();
    } while (acceptSymbol(","));
    expectSymbol(")");
    std::vector<SelectItem>& items = t.derived->cores[0].items;
    for (const SelectItem& item : items)
        if (item.expr->kind == Expr::Star)
            notSupported(QStringLiteral("a column list for a derived table of SELECT *"));
    if (names.size() != static_cast<qsizetype>(items.size()))
        raise(names.size() < static_cast<qsizetype>(items.size()) ? 8158 : 8159,
              QStringLiteral("'%1' has %2 columns than were specified in the column list.")
                  .arg(t.alias, names.size() < static_cast<qsizetype>(items.size())
                                    ? QStringLiteral("more")
                                    : QStringLiteral("fewer")));
    for (size_t k = 0; k < items.size(); ++k)
        items[k].alias = names[static_cast<qsizetype>(k)];
}

std::vector<OrderItem> Parser::parseOrderList() {
    std::vector<OrderItem> list;
    do {
        OrderItem o;
        o.expr = parseExpr();
        if (acceptWord("DESC"))
            o.descending = true;
        else
            acceptWord("ASC");
        list.push_back(std::move(o));
    } while (acceptSymbol(","));
    return list;
}

}  // namespace tsql
