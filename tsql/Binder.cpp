#include "tsql/Binder.h"

#include <algorithm>
#include <variant>

#include "tsql/Builtins.h"
#include "tsql/Errors.h"
#include "tsql/Walker.h"

namespace tsql {

namespace {

void checkArity(const Builtin& b, const Expr& e) {
    const size_t lo = static_cast<size_t>(b.minArgs), hi = static_cast<size_t>(b.maxArgs);
    if (e.args.size() >= lo && e.args.size() <= hi)
        return;
    if (b.maxArgs == Builtin::kVariadic)
        raise(189, QStringLiteral("The %1 function requires %2 to %3 arguments.")
                       .arg(e.text)
                       .arg(lo)
                       .arg(hi));
    raise(174,
          QStringLiteral("The %1 function requires %2 argument(s).")
              .arg(e.text)
              .arg(lo == hi ? QString::number(lo) : QStringLiteral("%1 to %2").arg(lo).arg(hi)));
}

// Where a call may stand: windows only with OVER, OVER only on aggregates and windows.
void checkPlace(const Builtin& b, const Expr& e) {
    const bool windowed = b.kind == Builtin::Aggregate || b.kind == Builtin::Window;
    if (e.over && !windowed)
        raise(4108, QStringLiteral("Windowed functions are only allowed for aggregates and "
                                   "ranking functions."));
    if (!e.over && b.kind == Builtin::Window)
        raise(10753, QStringLiteral("The function '%1' must have an OVER clause.").arg(e.text));
    if (e.over && b.ordered && e.over->orderBy.empty())
        raise(4112, QStringLiteral("The function '%1' must have an OVER clause with ORDER BY.")
                        .arg(e.text));
    if (e.star && !b.star)
        raise(err::Syntax, QStringLiteral("Incorrect syntax near '*'."));
}

bool mentionsTable(const Select& s, const QString& name) {
    return walk(s, {{}, [&](const TableRef& t) {
                        return t.kind == TableRef::Named && t.name.database.isEmpty() &&
                               t.name.schema.isEmpty() &&
                               t.name.name.compare(name, Qt::CaseInsensitive) == 0;
                    }});
}

// The source in FROM that the target of UPDATE/DELETE ... FROM names: the one whose exposed
// name (alias, else table name) it is, else the only reference to the table of that name. None
// when the table is not in FROM: the target is then one more table of the join.
const TableRef* targetInFrom(const std::vector<TableRefPtr>& from, const ObjectName& target) {
    const std::vector<const TableRef*> all = joinedSources(from);
    if (target.schema.isEmpty() && target.database.isEmpty())
        for (const TableRef* t : all)
            if (t->kind == TableRef::Named &&
                t->exposedName().compare(target.name, Qt::CaseInsensitive) == 0)
                return t;
    const TableRef* found = nullptr;
    for (const TableRef* t : all) {
        if (t->kind != TableRef::Named ||
            t->name.name.compare(target.name, Qt::CaseInsensitive) != 0)
            continue;
        if (found)
            raise(8154, QStringLiteral("The table '%1' is ambiguous.").arg(target.display()));
        found = t;
    }
    return found;
}

void noColumnName(qsizetype k, const QString& source) {
    raise(8155, QStringLiteral("No column name was specified for column %1 of '%2'.")
                    .arg(k + 1)
                    .arg(source));
}

}  // namespace

// ---- the passes ----

void Binder::bindSelect(const Select& s) {
    selectNames(s);
}

void Binder::bindExpression(const Expr& e) {
    expr(e);
}

void Binder::bindInsert(const InsertStmt& s) {
    const std::shared_ptr<const TableInfo> t = env_.resolveTable(s.table);
    if (t->view)
        notSupported(QStringLiteral("INSERT into a view"));
    s.boundTable = t;
    s.boundColumns.clear();
    if (s.defaultValues)
        return;
    const bool explicitIdentity = env_.identityInsert(*t);
    QStringList columns = s.columns;
    if (columns.isEmpty()) {
        // Without a column list the values fill every column but the identity.
        if (t->identityColumn >= 0 &&
            (explicitIdentity || (!s.rows.empty() && s.rows[0].size() == t->columns.size())))
            raise(8101, QStringLiteral("An explicit value for the identity column in table '%1' "
                                       "can only be specified when a column list is used and "
                                       "IDENTITY_INSERT is ON.")
                            .arg(t->name));
        for (const auto& c : t->columns)
            if (!c.identity)
                columns << c.name;
    }
    for (const QString& c : columns) {
        const int idx = t->indexOf(c);
        if (idx < 0)
            invalidColumn(c);
        if (idx == t->identityColumn && !explicitIdentity)
            raise(544, QStringLiteral("Cannot insert explicit value for identity column in table "
                                      "'%1' when IDENTITY_INSERT is set to OFF.")
                           .arg(t->name));
        s.boundColumns.push_back(idx);
    }
    if (explicitIdentity && std::find(s.boundColumns.begin(), s.boundColumns.end(),
                                      t->identityColumn) == s.boundColumns.end())
        raise(545, QStringLiteral("Explicit value must be specified for identity column in table "
                                  "'%1' either when IDENTITY_INSERT is set to ON or when a "
                                  "replication user is inserting into a NOT FOR REPLICATION "
                                  "identity column.")
                       .arg(t->name));
    if (s.select)
        selectNames(*s.select);
    for (const auto& row : s.rows)
        for (const ExprPtr& value : row)
            expr(*value);
}

void Binder::target(const ObjectName& name, const std::vector<TableRefPtr>& from,
                    std::shared_ptr<const TableInfo>& table, const TableRef*& inFrom,
                    const char* verb) {
    inFrom = targetInFrom(from, name);
    table = env_.resolveTable(inFrom ? inFrom->name : name);
    if (table->view)
        notSupported(QString::fromLatin1(verb));
}

void Binder::bindUpdate(const UpdateStmt& s) {
    if (s.top && !s.from.empty())
        notSupported(QStringLiteral("UPDATE TOP with FROM"));
    for (const auto& a : s.sets)
        if (!a.variable.isEmpty())
            notSupported(QStringLiteral("assigning a variable in UPDATE ... SET"));
    target(s.target, s.from, s.boundTable, s.targetInFrom, "UPDATE of a view");
    for (const auto& a : s.sets)
        if (s.boundTable->indexOf(a.column) < 0)
            invalidColumn(a.column);
    // Without the target in FROM, FROM joins to the target, whose columns are visible.
    push();
    if (!s.targetInFrom)
        addTable(s.target.name, s.boundTable.get());
    from(s.from);
    for (const auto& a : s.sets)
        expr(*a.value);
    if (s.where)
        expr(*s.where);
    if (s.top)
        expr(*s.top);
    pop();
}

void Binder::bindDelete(const DeleteStmt& s) {
    if (s.top && !s.from.empty())
        notSupported(QStringLiteral("DELETE TOP with FROM"));
    target(s.target, s.from, s.boundTable, s.targetInFrom, "DELETE from a view");
    push();
    if (s.targetInFrom) {
        from(s.from);
        if (s.where)
            expr(*s.where);
    } else {
        // FROM is a sub-select of its own that sees the target's row.
        addTable(s.target.name, s.boundTable.get());
        if (!s.from.empty())
            push();
        from(s.from);
        if (s.where)
            expr(*s.where);
        if (!s.from.empty())
            pop();
        if (s.top)
            expr(*s.top);
    }
    pop();
}

// ---- selects ----

QStringList Binder::selectNames(const Select& s) {
    if (!s.with.empty())
        withClause(s);
    return s.cores.size() == 1 ? plainSelect(s) : unionSelect(s);
}

void Binder::withClause(const Select& s) {
    for (const tsql::CommonTable& t : s.with) {
        if (mentionsTable(*t.select, t.name))
            notSupported(QStringLiteral("recursive common table expressions"));
        const QStringList inner = selectNames(*t.select);
        if (!t.columns.isEmpty() && t.columns.size() != inner.size())
            raise(8158, QStringLiteral("'%1' has more columns than were specified in the column "
                                       "list.")
                            .arg(t.name));
        const QStringList names = t.columns.isEmpty() ? inner : t.columns;
        for (qsizetype k = 0; k < names.size(); ++k)
            if (names[k].isEmpty())
                noColumnName(k, t.name);
        commonTables_.push_back({t.name, t.select.get(), names});
    }
}

QStringList Binder::plainSelect(const Select& s) {
    const SelectCore& c = s.cores[0];
    QStringList names = core(c, &s.orderBy);
    // TOP stands outside the select's own sources.
    if (c.top)
        expr(*c.top);
    return names;
}

// The cores of a UNION; its ORDER BY names the result's columns.
QStringList Binder::unionSelect(const Select& s) {
    QStringList names;
    for (size_t k = 0; k < s.cores.size(); ++k) {
        QStringList core = this->core(s.cores[k], nullptr);
        if (s.cores[k].top)
            expr(*s.cores[k].top);
        if (k == 0)
            names = std::move(core);
    }
    if (s.orderBy.empty())
        return names;
    push();
    levels_.back().aliases = names;
    for (const auto& o : s.orderBy)
        if (!(o.expr->kind == Expr::Literal && o.expr->lit == Expr::Integer) &&
            !(o.expr->kind == Expr::Column && selectAlias(o.expr->parts.last()) >= 0))
            raise(104, QStringLiteral("ORDER BY items must appear in the select list if the "
                                      "statement contains a UNION, INTERSECT or EXCEPT operator."));
    orderBy(s.orderBy);
    pop();
    return names;
}

QStringList Binder::core(const SelectCore& c, const std::vector<OrderItem>* order) {
    push();
    from(c.from);
    QStringList names = selectList(c);
    if (c.where)
        expr(*c.where);
    for (const ExprPtr& g : c.groupBy)
        expr(*g);
    if (c.having)
        expr(*c.having);
    if (order)
        orderBy(*order);
    pop();
    return names;
}

// The items' names; their aliases become visible to the clauses after the list.
QStringList Binder::selectList(const SelectCore& c) {
    QStringList names, aliases;
    for (const SelectItem& item : c.items) {
        if (item.expr->kind == Expr::Star) {
            item.expr->expansion = star(item.expr->parts);
            for (const ColumnBinding& col : item.expr->expansion) {
                names << col.column;
                aliases << QString();
            }
            continue;
        }
        expr(*item.expr);
        QString name = item.alias;
        if (name.isEmpty() && item.expr->kind == Expr::Column)
            name = item.expr->parts.last();
        names << name;
        aliases << item.alias;
    }
    levels_.back().aliases = aliases;
    return names;
}

void Binder::from(const std::vector<TableRefPtr>& from) {
    for (const TableRefPtr& t : from)
        table(*t);
}

void Binder::table(const TableRef& t) {
    switch (t.kind) {
        case TableRef::Named: {
            const CommonTable* common = t.name.database.isEmpty() && t.name.schema.isEmpty()
                                            ? commonTable(t.name.name)
                                            : nullptr;
            t.commonTable = common != nullptr;
            t.table = nullptr;
            if (common) {
                addDerived(t.exposedName(), common->select, common->names);
                return;
            }
            t.table = env_.resolveTable(t.name);
            addTable(t.exposedName(), t.table.get());
            return;
        }
        case TableRef::Derived: {
            const QStringList names = selectNames(*t.derived);
            for (qsizetype k = 0; k < names.size(); ++k)
                if (names[k].isEmpty())
                    noColumnName(k, t.alias);
            addDerived(t.alias, t.derived.get(), names);
            return;
        }
        case TableRef::Join:
            table(*t.left);
            table(*t.right);
            if (t.on)
                expr(*t.on);
            return;
    }
}

// A bare name that is an alias of the select list names it (ORDER BY Total); other items are
// expressions, in which names are columns only: an alias stands alone or not at all, as on SQL
// Server (ORDER BY Total + 1 is 207, and so is an alias in WHERE, GROUP BY or HAVING).
void Binder::orderBy(const std::vector<OrderItem>& items) {
    for (const OrderItem& item : items) {
        const Expr& e = *item.expr;
        if (e.kind == Expr::Literal && e.lit == Expr::Integer)
            continue;
        const int alias =
            e.kind == Expr::Column && e.parts.size() == 1 ? selectAlias(e.parts[0]) : -1;
        if (alias >= 0)
            markAlias(e, alias);
        else
            expr(e);
    }
}

// ---- expressions ----

void Binder::expr(const Expr& root) {
    // A node, a sub-select bound after the operand before it (x IN (SELECT ...)), or an OVER
    // clause bound after its call's arguments.
    using Item = std::variant<const Expr*, const Select*, const WindowSpec*>;
    std::vector<Item> pending{&root};
    auto child = [&pending](const Expr* e) {
        if (e)
            pending.emplace_back(e);
    };
    while (!pending.empty()) {
        const Item item = pending.back();
        pending.pop_back();
        if (const auto* s = std::get_if<const Select*>(&item)) {
            selectNames(**s);
            continue;
        }
        if (const auto* w = std::get_if<const WindowSpec*>(&item)) {
            over(**w);
            continue;
        }
        const Expr& e = *std::get<const Expr*>(item);
        node(e);
        // Children go on in reverse, so that the first is bound first.
        if (e.over)
            pending.emplace_back(e.over.get());
        if (e.select)
            pending.emplace_back(e.select.get());
        child(e.c.get());
        for (auto it = e.whens.rbegin(); it != e.whens.rend(); ++it) {
            child(it->second.get());
            child(it->first.get());
        }
        for (auto it = e.args.rbegin(); it != e.args.rend(); ++it)
            child(it->get());
        if (e.kind != Expr::Cast)  // a CONVERT style is a number, not an expression
            child(e.b.get());
        child(e.a.get());
    }
}

void Binder::node(const Expr& e) {
    switch (e.kind) {
        case Expr::Column:
            bind(e);
            return;
        case Expr::Variable: {
            const std::optional<SqlType> t = env_.variableType(e.text);
            if (!t)
                undeclaredVariable(e.text);
            e.boundType = *t;
            return;
        }
        case Expr::Global:
            e.builtin = findBuiltin(e.text.toLower());
            if (!e.builtin || e.builtin->kind != Builtin::Context)
                undeclaredVariable(e.text);
            return;
        case Expr::Param:
            e.boundType = env_.parameterType(e.paramIndex);
            return;
        case Expr::Function:
            function(e);
            return;
        default:
            return;
    }
}

// A call's row; its arguments are bound after it is known to be a call that can stand here.
void Binder::function(const Expr& e) {
    const Builtin* b = findBuiltin(e.text);
    if (!b || b->name[0] == '@')
        raise(195, QStringLiteral("'%1' is not a recognized built-in function name.").arg(e.text));
    checkPlace(*b, e);
    if (!e.star)
        checkArity(*b, e);
    e.builtin = b;
}

void Binder::over(const WindowSpec& w) {
    for (const ExprPtr& p : w.partitionBy)
        expr(*p);
    orderBy(w.orderBy);
}

// ---- levels ----

const Binder::CommonTable* Binder::commonTable(const QString& name) const {
    for (auto it = commonTables_.rbegin(); it != commonTables_.rend(); ++it)
        if (it->name.compare(name, Qt::CaseInsensitive) == 0)
            return &*it;
    return nullptr;
}

void Binder::push() {
    levels_.emplace_back();
}

void Binder::pop() {
    levels_.pop_back();
}

void Binder::addTable(const QString& alias, const TableInfo* table) {
    if (levels_.empty())
        push();
    for (const auto& s : levels_.back().sources)
        if (s.alias.compare(alias, Qt::CaseInsensitive) == 0)
            raise(1013,
                  QStringLiteral("The objects \"%1\" and \"%1\" in the FROM clause have the "
                                 "same exposed names. Use correlation names to distinguish them.")
                      .arg(alias));
    levels_.back().sources.push_back({alias, table->columns, nullptr});
}

void Binder::addDerived(const QString& alias, const Select* select, const QStringList& names) {
    if (levels_.empty())
        push();
    std::vector<ColumnInfo> columns;
    for (const QString& name : names) {
        ColumnInfo c;
        c.name = name;
        columns.push_back(c);
    }
    levels_.back().sources.push_back({alias, std::move(columns), select});
}

int Binder::selectAlias(const QString& name) const {
    if (levels_.empty())
        return -1;
    const QStringList& aliases = levels_.back().aliases;
    for (qsizetype k = 0; k < aliases.size(); ++k)
        if (!aliases[k].isEmpty() && aliases[k].compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(k);
    return -1;
}

void Binder::markAlias(const Expr& column, int index) const {
    column.binding = {QString(), levels_.back().aliases[index], SqlType(), nullptr, index, true};
}

void Binder::bind(const Expr& column) const {
    const QStringList& parts = column.parts;
    const QString col = parts.last();
    // Qualifier: the last qualifying part is the table's correlation name (Db.dbo.T.Col too).
    const QString qualifier = parts.size() >= 2 ? parts[parts.size() - 2] : QString();
    for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
        const Source* found = nullptr;
        size_t index = 0;
        for (const auto& s : level->sources) {
            if (!qualifier.isEmpty() && s.alias.compare(qualifier, Qt::CaseInsensitive) != 0)
                continue;
            for (size_t k = 0; k < s.columns.size(); ++k) {
                if (s.columns[k].name.compare(col, Qt::CaseInsensitive) == 0) {
                    if (found && qualifier.isEmpty())
                        raise(209, QStringLiteral("Ambiguous column name '%1'.").arg(col));
                    found = &s;
                    index = k;
                    break;
                }
            }
        }
        if (found) {
            const ColumnInfo& info = found->columns[index];
            column.binding = {found->alias,
                              info.name,
                              info.type,
                              found->select,
                              found->select ? static_cast<int>(index) : -1,
                              false};
            return;
        }
        if (!qualifier.isEmpty()) {
            bool known = false;
            for (const auto& s : level->sources)
                known = known || s.alias.compare(qualifier, Qt::CaseInsensitive) == 0;
            if (known)
                invalidColumn(col);
        }
    }
    if (!qualifier.isEmpty()) {
        raise(4104, QStringLiteral("The multi-part identifier \"%1\" could not be bound.")
                        .arg(parts.join(u'.')));
    }
    invalidColumn(col);
}

std::vector<ColumnBinding> Binder::star(const QStringList& qualifier) const {
    std::vector<ColumnBinding> out;
    if (levels_.empty())
        raise(263, QStringLiteral("Must specify table to select from."));
    const QString q = qualifier.isEmpty() ? QString() : qualifier.last();
    bool matched = false;
    for (const auto& s : levels_.back().sources) {
        if (!q.isEmpty() && s.alias.compare(q, Qt::CaseInsensitive) != 0)
            continue;
        matched = true;
        for (size_t k = 0; k < s.columns.size(); ++k)
            out.push_back({s.alias, s.columns[k].name, s.columns[k].type, s.select,
                           s.select ? static_cast<int>(k) : -1, false});
    }
    if (!matched) {
        if (q.isEmpty())
            raise(263, QStringLiteral("Must specify table to select from."));
        raise(4104, QStringLiteral("The multi-part identifier \"%1\" could not be bound.")
                        .arg(qualifier.join(u'.')));
    }
    return out;
}

}  // namespace tsql
