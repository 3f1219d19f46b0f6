// MERGE, read as the statements that run it (MergeStmt in Ast.h): a select that files each pair of
// target and source rows under the clause it takes, then one INSERT, UPDATE or DELETE a clause
// over the rows filed under it, in which the source's alias names the filed rows.
#include "tsql/Errors.h"
#include "tsql/Parser.h"

namespace tsql {

// The names a MERGE's statements use: its table, the target's correlation name, the source's.
struct MergeNames {
    ObjectName table;
    QString target;
    QString source;
};

// One WHEN clause: the rows it takes, its AND condition and its statement.
struct MergeClause {
    enum Match { Matched, NotMatchedByTarget, NotMatchedBySource };
    Match match = Matched;
    ExprPtr condition;
    StmtPtr action;
};

namespace {

ExprPtr integer(int v) {
    auto e = std::make_unique<Expr>(Expr::Literal);
    e->lit = Expr::Integer;
    e->text = QString::number(v);
    return e;
}

ExprPtr column(const QString& source, const char* name) {
    auto e = std::make_unique<Expr>(Expr::Column);
    e->parts << source << QLatin1String(name);
    return e;
}

ExprPtr rowId(const QString& source) {
    auto e = std::make_unique<Expr>(Expr::RowId);
    e->parts << source;
    return e;
}

ExprPtr equal(ExprPtr a, ExprPtr b) {
    auto e = std::make_unique<Expr>(Expr::Binary);
    e->op = QStringLiteral("=");
    e->a = std::move(a);
    e->b = std::move(b);
    return e;
}

ExprPtr isNull(ExprPtr a, bool negated = false) {
    auto e = std::make_unique<Expr>(Expr::IsNull);
    e->a = std::move(a);
    e->negated = negated;
    return e;
}

TableRefPtr named(const ObjectName& name, const QString& alias) {
    auto t = std::make_unique<TableRef>(TableRef::Named);
    t->name = name;
    t->alias = alias;
    return t;
}

TableRefPtr joined(TableRefPtr left, TableRef::JoinType type, TableRefPtr right, ExprPtr on) {
    auto j = std::make_unique<TableRef>(TableRef::Join);
    j->joinType = type;
    j->left = std::move(left);
    j->right = std::move(right);
    j->on = std::move(on);
    return j;
}

// The rows filed under a clause, under the source's alias.
TableRefPtr filed(const QString& source) {
    ObjectName rows;
    rows.name = QLatin1String(kMergeRows);
    return named(rows, source);
}

SelectItem item(ExprPtr e, const char* alias = nullptr) {
    SelectItem i;
    i.expr = std::move(e);
    if (alias)
        i.alias = QLatin1String(alias);
    return i;
}

ExprPtr star(const QString& qualifier) {
    auto e = std::make_unique<Expr>(Expr::Star);
    if (!qualifier.isEmpty())
        e->parts << qualifier;
    return e;
}

// CASE WHEN condition THEN number ... [ELSE number] END over the clauses that take one kind of
// row, in their order (one without a condition takes every row left); NULL when there is none.
ExprPtr clauseTaken(std::vector<MergeClause>& clauses, MergeClause::Match match) {
    auto e = std::make_unique<Expr>(Expr::Case);
    for (size_t k = 0; k < clauses.size() && !e->c; ++k) {
        if (clauses[k].match != match)
            continue;
        ExprPtr number = integer(static_cast<int>(k) + 1);
        if (clauses[k].condition)
            e->whens.emplace_back(std::move(clauses[k].condition), std::move(number));
        else
            e->c = std::move(number);
    }
    if (!e->whens.empty())
        return e;
    return e->c ? std::move(e->c) : std::make_unique<Expr>(Expr::Literal);
}

bool takes(const std::vector<MergeClause>& clauses, MergeClause::Match match) {
    for (const auto& c : clauses)
        if (c.match == match)
            return true;
    return false;
}

void setOutput(Stmt& s, std::unique_ptr<OutputClause> o) {
    if (s.kind == Stmt::Insert)
        static_cast<InsertStmt&>(s).output = std::move(o);
    else if (s.kind == Stmt::Update)
        static_cast<UpdateStmt&>(s).output = std::move(o);
    else
        static_cast<DeleteStmt&>(s).output = std::move(o);
}

const char* verbOf(const Stmt& s) {
    return s.kind == Stmt::Insert ? "INSERT" : s.kind == Stmt::Update ? "UPDATE" : "DELETE";
}

// MERGE TOP (n) [PERCENT]: the first n (or n percent) of the filed rows that a clause takes, in
// no order; the rows no clause takes are left out before they are counted.
std::unique_ptr<Select> firstTaken(std::unique_ptr<Select> rows, ExprPtr top, bool percent) {
    const QString alias = QStringLiteral("tsql_filed");
    auto filedRows = std::make_unique<TableRef>(TableRef::Derived);
    filedRows->derived = std::move(rows);
    filedRows->alias = alias;
    SelectCore core;
    core.top = std::move(top);
    core.topPercent = percent;
    core.items.push_back(item(star(QString())));
    core.from.push_back(std::move(filedRows));
    core.where = isNull(column(alias, "tsql_action"), true);
    auto first = std::make_unique<Select>();
    first->cores.push_back(std::move(core));
    return first;
}

}  // namespace

void Parser::skipTableHints() {
    if (!peek().isWord("WITH") || !peek(1).isSymbol("("))
        return;
    next();
    next();
    while (!peek().isSymbol(")") && peek().kind != TokenKind::End)
        next();
    expectSymbol(")");
}

// MERGE [TOP (n) [PERCENT]] [INTO] target [WITH (hints)] [[AS] alias] USING source ON condition
//   {WHEN MATCHED | WHEN NOT MATCHED [BY TARGET] | WHEN NOT MATCHED BY SOURCE} [AND condition]
//   THEN {UPDATE SET ... | DELETE | INSERT [(columns)] VALUES (...)} ... [OUTPUT ...] ;
StmtPtr Parser::parseMerge() {
    const int line = next().line;
    ExprPtr top;
    bool topPercent = false;
    if (acceptWord("TOP")) {
        expectSymbol("(");
        top = parseExpr();
        expectSymbol(")");
        topPercent = acceptWord("PERCENT");
    }
    acceptWord("INTO");
    auto m = std::make_unique<MergeStmt>();
    MergeNames names;
    names.table = parseTableName();
    names.target = names.table.name;
    skipTableHints();
    if (acceptWord("AS") || (peek().kind != TokenKind::End && !peek().isWord("USING")))
        names.target = parseName();
    skipTableHints();
    expectWord("USING");
    TableRefPtr source = parseTablePrimary();
    names.source = source->exposedName();
    expectWord("ON");
    ExprPtr on = parseExpr();
    std::vector<MergeClause> clauses;
    while (acceptWord("WHEN"))
        clauses.push_back(parseMergeClause(names, static_cast<int>(clauses.size()) + 1));
    if (clauses.empty())
        fail();
    const size_t output = pos_;
    if (peek().isWord("OUTPUT"))
        parseMergeOutput("UPDATE");  // its end
    if (!peek().isSymbol(";"))
        raise(10713, QStringLiteral("A MERGE statement must be terminated by a semi-colon (;)."));
    const size_t end = pos_;
    for (MergeClause& c : clauses) {
        pos_ = output;
        if (peek().isWord("OUTPUT"))
            setOutput(*c.action, parseMergeOutput(verbOf(*c.action)));
    }
    pos_ = end;
    m->target = names.table;
    m->rows = mergeRows(names, std::move(source), std::move(on), clauses);
    if (top)
        m->rows = firstTaken(std::move(m->rows), std::move(top), topPercent);
    for (MergeClause& c : clauses) {
        c.action->line = line;
        c.action->index = statements_++;
        m->actions.push_back(std::move(c.action));
    }
    return m;
}

// WHEN [NOT] MATCHED [BY TARGET | BY SOURCE] [AND condition] THEN action: the action's statement
// takes the rows filed under clause `number`.
MergeClause Parser::parseMergeClause(const MergeNames& names, int number) {
    MergeClause c;
    if (acceptWord("NOT")) {
        expectWord("MATCHED");
        c.match = MergeClause::NotMatchedByTarget;
        if (acceptWord("BY") && !acceptWord("TARGET")) {
            expectWord("SOURCE");
            c.match = MergeClause::NotMatchedBySource;
        }
    } else {
        expectWord("MATCHED");
    }
    if (acceptWord("AND"))
        c.condition = parseExpr();
    expectWord("THEN");
    ExprPtr filedHere = equal(column(names.source, "tsql_action"), integer(number));
    if (c.match == MergeClause::NotMatchedByTarget) {
        c.action = parseMergeInsert(names, std::move(filedHere));
        return c;
    }
    // The target's rows, each joined to the row filed for it.
    TableRefPtr rows =
        joined(named(names.table, names.target), TableRef::Inner, filed(names.source),
               equal(rowId(names.target), column(names.source, "tsql_row")));
    if (acceptWord("DELETE")) {
        auto d = std::make_unique<DeleteStmt>();
        d->target.name = names.target;
        d->from.push_back(std::move(rows));
        d->where = std::move(filedHere);
        c.action = std::move(d);
        return c;
    }
    expectWord("UPDATE");
    expectWord("SET");
    auto u = std::make_unique<UpdateStmt>();
    u->target.name = names.target;
    u->sets = parseAssignments();
    u->from.push_back(std::move(rows));
    u->where = std::move(filedHere);
    c.action = std::move(u);
    return c;
}

// INSERT [(columns)] VALUES (values): INSERT INTO table (columns) SELECT values FROM the rows
// filed under the clause.
StmtPtr Parser::parseMergeInsert(const MergeNames& names, ExprPtr filedHere) {
    expectWord("INSERT");
    auto s = std::make_unique<InsertStmt>();
    s->table = names.table;
    if (acceptSymbol("("))
        s->columns = parseNamesToParenthesis();
    if (peek().isWord("DEFAULT"))
        notSupported(QStringLiteral("MERGE ... INSERT DEFAULT VALUES"));
    expectWord("VALUES");
    expectSymbol("(");
    SelectCore core;
    do {
        core.items.push_back(item(parseExpr()));
    } while (acceptSymbol(","));
    expectSymbol(")");
    core.from.push_back(filed(names.source));
    core.where = std::move(filedHere);
    s->select = std::make_unique<Select>();
    s->select->cores.push_back(std::move(core));
    return s;
}

// SELECT RowId(target) AS tsql_row, CASE WHEN RowId(target) IS NULL THEN <not matched by target>
// WHEN source.tsql_source IS NULL THEN <not matched by source> ELSE <matched> END AS tsql_action,
// source.* FROM table AS target JOIN (SELECT 1 AS tsql_source, * FROM source) AS source ON
// condition, the join outer on each side whose unmatched rows a clause takes.
std::unique_ptr<Select> Parser::mergeRows(const MergeNames& names, TableRefPtr source, ExprPtr on,
                                          std::vector<MergeClause>& clauses) {
    const bool bySource = takes(clauses, MergeClause::NotMatchedBySource);
    const bool byTarget = takes(clauses, MergeClause::NotMatchedByTarget);
    auto taken = std::make_unique<Expr>(Expr::Case);
    taken->whens.emplace_back(isNull(rowId(names.target)),
                              clauseTaken(clauses, MergeClause::NotMatchedByTarget));
    taken->whens.emplace_back(isNull(column(names.source, "tsql_source")),
                              clauseTaken(clauses, MergeClause::NotMatchedBySource));
    taken->c = clauseTaken(clauses, MergeClause::Matched);
    SelectCore marked;
    marked.items.push_back(item(integer(1), "tsql_source"));
    marked.items.push_back(item(star(QString())));
    marked.from.push_back(std::move(source));
    auto marking = std::make_unique<TableRef>(TableRef::Derived);
    marking->derived = std::make_unique<Select>();
    marking->derived->cores.push_back(std::move(marked));
    marking->alias = names.source;
    const TableRef::JoinType join = bySource && byTarget ? TableRef::Full
                                    : bySource           ? TableRef::Left
                                    : byTarget           ? TableRef::Right
                                                         : TableRef::Inner;
    SelectCore core;
    core.items.push_back(item(rowId(names.target), "tsql_row"));
    core.items.push_back(item(std::move(taken), "tsql_action"));
    core.items.push_back(item(star(names.source)));
    core.from.push_back(
        joined(named(names.table, names.target), join, std::move(marking), std::move(on)));
    auto rows = std::make_unique<Select>();
    rows->cores.push_back(std::move(core));
    return rows;
}

// The OUTPUT clause as one action's: $action reads as its verb, and inserted and deleted are
// both there, the one the action does not write empty.
std::unique_ptr<OutputClause> Parser::parseMergeOutput(const char* action) {
    mergeAction_ = QLatin1String(action);
    std::unique_ptr<OutputClause> o = parseOutput(true, true);
    mergeAction_.clear();
    return o;
}

}  // namespace tsql
