// PIVOT and UNPIVOT after a table source, read as a derived table over it. A star that leaves out
// the columns the operator names (Expr::omitted) stands for the source's other columns, which the
// binder knows:
//
//   src PIVOT (agg(v) FOR c IN ([x], [y])) AS p
//   (SELECT *-{v, c}, agg(CASE WHEN c = N'x' THEN v END) AS [x], ... FROM src
//    GROUP BY *-{v, c}) AS p
//
//   src UNPIVOT (v FOR c IN (x, y)) AS u
//   (SELECT *-{x, y}, CASE c.c WHEN N'x' THEN x WHEN N'y' THEN y END AS v
//    FROM src CROSS JOIN (VALUES (CAST(N'x' AS nvarchar(128))), ...) AS c (c)
//    WHERE CASE c.c ... END IS NOT NULL) AS u
//
// The names of UNPIVOT's IN list come last in the star's columns, as the list is joined last.
#include "tsql/Builtins.h"
#include "tsql/Errors.h"
#include "tsql/Parser.h"

namespace tsql {

namespace {

// What the parenthesis after PIVOT or UNPIVOT says.
struct Rotation {
    QString aggregate;  // PIVOT's; empty for UNPIVOT
    QString value;
    QString column;
    QStringList in;
};

ExprPtr column(const QStringList& parts) {
    auto e = std::make_unique<Expr>(Expr::Column);
    e->parts = parts;
    return e;
}

ExprPtr nationalText(const QString& value) {
    auto e = std::make_unique<Expr>(Expr::Literal);
    e->lit = Expr::String;
    e->national = true;
    e->text = value;
    return e;
}

ExprPtr otherColumns(const QStringList& omitted) {
    auto e = std::make_unique<Expr>(Expr::Star);
    e->omitted = omitted;
    return e;
}

SelectItem selectItem(ExprPtr e, const QString& alias) {
    SelectItem item;
    item.expr = std::move(e);
    item.alias = alias;
    return item;
}

TableRefPtr derived(std::unique_ptr<Select> select, const QString& alias) {
    auto t = std::make_unique<TableRef>(TableRef::Derived);
    t->derived = std::move(select);
    t->alias = alias;
    return t;
}

// agg(CASE WHEN column = N'name' THEN value END): the aggregate of the rows of one IN name.
ExprPtr pivoted(const Rotation& r, const QString& name) {
    auto equal = std::make_unique<Expr>(Expr::Binary);
    equal->op = QStringLiteral("=");
    equal->a = column({r.column});
    equal->b = nationalText(name);
    auto chosen = std::make_unique<Expr>(Expr::Case);
    chosen->whens.emplace_back(std::move(equal), column({r.value}));
    auto call = std::make_unique<Expr>(Expr::Function);
    call->text = r.aggregate.toLower();
    call->args.push_back(std::move(chosen));
    return call;
}

std::unique_ptr<Select> pivotSelect(const Rotation& r, TableRefPtr source) {
    SelectCore core;
    const QStringList named{r.value, r.column};
    core.items.push_back(selectItem(otherColumns(named), QString()));
    for (const QString& name : r.in)
        core.items.push_back(selectItem(pivoted(r, name), name));
    core.from.push_back(std::move(source));
    core.groupBy.push_back(otherColumns(named));
    auto s = std::make_unique<Select>();
    s->cores.push_back(std::move(core));
    return s;
}

// CASE names.column WHEN N'x' THEN x ... END: the value of the column a row of the names stands
// for.
ExprPtr unpivoted(const Rotation& r) {
    auto e = std::make_unique<Expr>(Expr::Case);
    e->unpivot = true;
    e->a = column({r.column, r.column});
    for (const QString& name : r.in)
        e->whens.emplace_back(nationalText(name), column({name}));
    return e;
}

// (VALUES (CAST(N'x' AS nvarchar(128))), ...) AS column (column): a row for each column
// unpivoted, its name of the type of names.
TableRefPtr unpivotNames(const Rotation& r) {
    auto s = std::make_unique<Select>();
    s->values = true;
    for (const QString& name : r.in) {
        auto cast = std::make_unique<Expr>(Expr::Cast);
        cast->a = nationalText(name);
        cast->castType = SqlType::of(SqlType::NVarChar, 128);
        SelectCore row;
        row.items.push_back(selectItem(std::move(cast), r.column));
        if (!s->cores.empty())
            s->combine.push_back(Select::UnionAll);
        s->cores.push_back(std::move(row));
    }
    return derived(std::move(s), r.column);
}

std::unique_ptr<Select> unpivotSelect(const Rotation& r, TableRefPtr source) {
    auto join = std::make_unique<TableRef>(TableRef::Join);
    join->joinType = TableRef::Cross;
    join->left = std::move(source);
    join->right = unpivotNames(r);
    SelectCore core;
    core.items.push_back(selectItem(otherColumns(r.in), QString()));
    core.items.push_back(selectItem(unpivoted(r), r.value));
    core.from.push_back(std::move(join));
    auto present = std::make_unique<Expr>(Expr::IsNull);
    present->a = unpivoted(r);
    present->negated = true;
    core.where = std::move(present);
    auto s = std::make_unique<Select>();
    s->cores.push_back(std::move(core));
    return s;
}

}  // namespace

// PIVOT (agg(value) FOR column IN ([x], ...)) [AS] alias, or UNPIVOT (value FOR column IN (x,
// ...)) [AS] alias, over `source`.
TableRefPtr Parser::parseRotation(TableRefPtr source) {
    const Nesting nesting(*this);
    const bool pivot = next().isWord("PIVOT");
    expectSymbol("(");
    Rotation r;
    if (pivot) {
        const Token& name = peek();
        r.aggregate = parseName();
        const Builtin* b = findBuiltin(r.aggregate.toLower());
        if (!b || b->kind != Builtin::Aggregate)
            syntaxError(name.text);
        expectSymbol("(");
        r.value = parseName();
        expectSymbol(")");
    } else {
        r.value = parseName();
    }
    expectWord("FOR");
    r.column = parseName();
    expectWord("IN");
    expectSymbol("(");
    r.in = parseNamesToParenthesis();
    expectSymbol(")");
    QString alias;
    if (acceptWord("AS") || peek().kind == TokenKind::QuotedName ||
        (peek().kind == TokenKind::Identifier && !isReserved(peek())))
        alias = parseName();
    else
        fail();
    return derived(pivot ? pivotSelect(r, std::move(source)) : unpivotSelect(r, std::move(source)),
                   alias);
}

}  // namespace tsql
