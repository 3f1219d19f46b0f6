#include "tsql/Binder.h"

#include <algorithm>
#include <variant>

#include "tsql/Builtins.h"
#include "tsql/Errors.h"
#include "tsql/GroupingCheck.h"
#include "tsql/Parser.h"
#include "tsql/Walker.h"

namespace tsql {

namespace {

// Names compare without case; folding keeps lengths, so names of other lengths differ at once.
bool sameName(const QString& a, const QString& b) {
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

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

// A frame's bound as SQL Server's messages spell it, an offset as "...".
QString boundText(const WindowFrame::Bound& b) {
    static const char* const texts[] = {"UNBOUNDED PRECEDING", "... PRECEDING", "CURRENT ROW",
                                        "... FOLLOWING", "UNBOUNDED FOLLOWING"};
    return QLatin1String(texts[b.kind]);
}

// A ROWS or RANGE frame: on aggregates, FIRST_VALUE and LAST_VALUE, over ordered rows; RANGE
// reaches only to the partition's ends or the current row's peers.
void checkFrame(const Builtin& b, const QString& name, const WindowSpec& w) {
    if (!b.framed)
        raise(10752, QStringLiteral("The function '%1' may not have a window frame.").arg(name));
    if (w.orderBy.empty())
        raise(10756,
              QStringLiteral("Window frame with ROWS or RANGE must have an ORDER BY clause."));
    const auto offset = [](const WindowFrame::Bound& bound) {
        return bound.kind == WindowFrame::Bound::Preceding ||
               bound.kind == WindowFrame::Bound::Following;
    };
    const WindowFrame& f = *w.frame;
    if (f.start.kind > f.end.kind || f.start.kind == WindowFrame::Bound::UnboundedFollowing ||
        f.end.kind == WindowFrame::Bound::UnboundedPreceding)
        raise(4193, QStringLiteral("'BETWEEN %1 AND %2' is not a valid window frame and cannot be "
                                   "used with the OVER clause.")
                        .arg(boundText(f.start), boundText(f.end)));
    if (f.range && (offset(f.start) || offset(f.end)))
        raise(4194, QStringLiteral("RANGE is only supported with UNBOUNDED and CURRENT ROW window "
                                   "frame delimiters."));
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
    if (e.over && b.withinGroup)
        raise(4113, QStringLiteral("The function '%1' is not a valid windowing function, and "
                                   "cannot be used with the OVER clause.")
                        .arg(e.text.toUpper()));
    if (e.withinGroup && !b.withinGroup)
        raise(10757,
              QStringLiteral("The function '%1' may not have a WITHIN GROUP clause.").arg(e.text));
    if (e.star && !b.star)
        raise(err::Syntax, QStringLiteral("Incorrect syntax near '*'."));
    if (e.over && e.over->frame)
        checkFrame(b, e.text, *e.over);
}

// Whether the select names the table `name` unqualified, as a common table can be named.
template <typename Query>
bool mentionsTable(const Query& s, const QString& name) {
    return walk(s, {{}, [&](const TableRef& t) {
                        return t.kind == TableRef::Named && t.name.database.isEmpty() &&
                               t.name.schema.isEmpty() && sameName(t.name.name, name);
                    }});
}

bool hasOuterJoin(const TableRef& t) {
    if (t.kind != TableRef::Join)
        return false;
    return t.joinType == TableRef::Left || t.joinType == TableRef::Right ||
           t.joinType == TableRef::Full || hasOuterJoin(*t.left) || hasOuterJoin(*t.right);
}

// The source in FROM that the target of UPDATE/DELETE ... FROM names: the one whose exposed
// name (alias, else table name) it is, else the only reference to the table of that name. None
// when the table is not in FROM: the target is then one more table of the join.
const TableRef* targetInFrom(const std::vector<TableRefPtr>& from, const ObjectName& target) {
    const std::vector<const TableRef*> all = joinedSources(from);
    if (target.schema.isEmpty() && target.database.isEmpty())
        for (const TableRef* t : all)
            if (t->kind == TableRef::Named && sameName(t->exposedName(), target.name))
                return t;
    const TableRef* found = nullptr;
    for (const TableRef* t : all) {
        if (t->kind != TableRef::Named || !sameName(t->name.name, target.name))
            continue;
        if (found)
            raise(8154, QStringLiteral("The table '%1' is ambiguous.").arg(target.display()));
        found = t;
    }
    return found;
}

ObjectName objectName(const QStringList& parts) {
    ObjectName n;
    n.name = parts.last();
    if (parts.size() > 1)
        n.schema = parts[parts.size() - 2];
    if (parts.size() > 2)
        n.database = parts[parts.size() - 3];
    return n;
}

// The definition of an inline function parsed anew: the marks of a call's expansion are its own,
// as two calls in one statement bind their parameters to other arguments.
std::shared_ptr<const CreateFunctionStmt> parsedAgain(const CreateFunctionStmt& f) {
    auto statements = std::make_shared<StmtList>(Parser(f.source).parseBatch());
    if (statements->size() != 1 || statements->front()->kind != Stmt::CreateFunction)
        raise(err::Internal,
              QStringLiteral("The definition of function '%1' is damaged.").arg(f.name.display()));
    return {statements, static_cast<const CreateFunctionStmt*>(statements->front().get())};
}

[[noreturn]] void notWritable(const QString& column) {
    raise(271,
          QStringLiteral("The column \"%1\" cannot be modified because it is either a computed "
                         "column or is the result of a UNION operator.")
              .arg(column));
}

void noColumnName(qsizetype k, const QString& source) {
    raise(8155, QStringLiteral("No column name was specified for column %1 of '%2'.")
                    .arg(k + 1)
                    .arg(source));
}

}  // namespace

bool hasAggregate(const SelectCore& c) {
    return walk(c, {[](const Expr& e) {
                        return e.kind == Expr::Function && e.builtin &&
                               e.builtin->kind == Builtin::Aggregate && !e.over;
                    },
                    {}});
}

bool sameType(const SqlType& a, const SqlType& b) {
    if (!a.known() || !b.known())
        return true;
    if (a.base != b.base)
        return false;
    if (a.isText())
        return a.length == b.length;
    if (a.base == SqlType::Decimal)
        return a.precision == b.precision && a.scale == b.scale;
    return a.base != SqlType::DateTime || a.scale == b.scale;
}

// ---- the passes ----

void Binder::bindSelect(const Select& s) {
    select(s, nullptr);
}

void Binder::bindExpression(const Expr& e) {
    expr(e);
}

void Binder::bindInsert(const InsertStmt& s) {
    bindInsertTarget(s);
    if (s.select)
        select(*s.select, nullptr);
    for (const auto& row : s.rows)
        for (const ExprPtr& value : row)
            expr(*value);
}

void Binder::bindInsertTarget(const InsertStmt& s) {
    const std::shared_ptr<const TableInfo> t = env_.resolveTable(s.table);
    if (t->view && !env_.writtenInstead(*t, Stmt::Insert))
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
            if (!c.identity && !c.computed)
                columns << c.name;
    }
    for (const QString& c : columns) {
        const int idx = t->indexOf(c);
        if (idx < 0)
            invalidColumn(c);
        if (t->columns[static_cast<size_t>(idx)].computed)
            notWritable(c);
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
}

const Binder::CommonTable* Binder::target(const ObjectName& name,
                                          const std::vector<TableRefPtr>& from,
                                          std::shared_ptr<const TableInfo>& table,
                                          const TableRef*& inFrom, Stmt::Kind kind,
                                          const char* verb) {
    inFrom = targetInFrom(from, name);
    const ObjectName& written = inFrom ? inFrom->name : name;
    const CommonTable* common = written.schema.isEmpty() && written.database.isEmpty()
                                    ? commonTable(written.name)
                                    : nullptr;
    if (common && !inFrom)
        notSupported(QStringLiteral("%1 of a common table expression that FROM does not name")
                         .arg(QString::fromLatin1(verb).section(u' ', 0, 0)));
    table = common ? writtenThrough(*common) : env_.resolveTable(written);
    if (table->view && !env_.writtenInstead(*table, kind))
        notSupported(QString::fromLatin1(verb));
    return common;
}

// The table UPDATE or DELETE writes through a common table: the one table of its one select,
// which has no grouping, DISTINCT or aggregate. Its rows then carry that table's rowid.
std::shared_ptr<const TableInfo> Binder::writtenThrough(const CommonTable& common) {
    const Select& s = *common.select;
    if (common.definition->recursive || s.cores.size() != 1)
        notSupported(
            QStringLiteral("UPDATE or DELETE of a recursive or UNION common table "
                           "expression"));
    const SelectCore& c = s.cores[0];
    if (c.distinct || !c.groupBy.empty() || c.having || hasAggregate(c))
        raise(4403, QStringLiteral("Cannot update the view or function '%1' because it contains "
                                   "aggregates, or a DISTINCT or GROUP BY clause, or PIVOT or "
                                   "UNPIVOT operator.")
                        .arg(common.name));
    const std::vector<const TableRef*> sources = joinedSources(c.from);
    if (sources.size() != 1 || !sources[0]->table || c.withTies || c.topPercent)
        notSupported(
            QStringLiteral("UPDATE or DELETE of a common table expression other than "
                           "the rows of one table"));
    common.definition->writtenThrough = sources[0];
    return sources[0]->table;
}

// The column of the table written through a common table that the common table's column
// `name` is; 4406 when it is computed.
int Binder::columnThrough(const CommonTable& common, const TableInfo& table, const QString& name) {
    qsizetype k = 0;
    while (k < common.names.size() && !sameName(common.names[k], name))
        ++k;
    if (k == common.names.size())
        invalidColumn(name);
    qsizetype index = 0;
    for (const SelectItem& item : common.select->cores[0].items) {
        if (item.expr->kind == Expr::Star) {
            const auto& columns = item.expr->expansion;
            if (k < index + static_cast<qsizetype>(columns.size()))
                return table.indexOf(columns[static_cast<size_t>(k - index)].column);
            index += static_cast<qsizetype>(columns.size());
            continue;
        }
        if (index++ < k)
            continue;
        if (item.expr->kind != Expr::Column)
            break;
        return table.indexOf(item.expr->binding.column);
    }
    raise(4406, QStringLiteral("Update or insert of view or function '%1' failed because it "
                               "contains a derived or constant field.")
                    .arg(common.name));
}

void Binder::bindUpdate(const UpdateStmt& s) {
    if (s.top && !s.from.empty())
        notSupported(QStringLiteral("UPDATE TOP with FROM"));
    for (const auto& a : s.sets)
        if (!a.variable.isEmpty())
            notSupported(QStringLiteral("assigning a variable in UPDATE ... SET"));
    withClause(s.with);
    const CommonTable* through =
        target(s.target, s.from, s.boundTable, s.targetInFrom, Stmt::Update, "UPDATE of a view");
    s.boundColumns.clear();
    for (const auto& a : s.sets) {
        const int k = through ? columnThrough(*through, *s.boundTable, a.column)
                              : s.boundTable->indexOf(a.column);
        if (k < 0)
            invalidColumn(a.column);
        if (s.boundTable->columns[static_cast<size_t>(k)].computed)
            notWritable(a.column);
        s.boundColumns.push_back(k);
    }
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
    withClause(s.with);
    target(s.target, s.from, s.boundTable, s.targetInFrom, Stmt::Delete, "DELETE from a view");
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

void Binder::select(const Select& s, QStringList* names) {
    withClause(s.with);
    if (s.cores.size() == 1)
        plainSelect(s, names);
    else
        unionSelect(s, names);
}

void Binder::withClause(const std::vector<tsql::CommonTable>& with) {
    for (const tsql::CommonTable& t : with) {
        t.writtenThrough = nullptr;
        t.recursive = mentionsTable(*t.select, t.name);
        if (t.recursive) {
            recursiveTable(t);
            continue;
        }
        QStringList inner;
        select(*t.select, &inner);
        commonTables_.push_back({t.name, &t, t.select.get(), commonNames(t, inner), 0});
    }
}

// The columns of a common table: its column list, else the names its select gives them.
QStringList Binder::commonNames(const tsql::CommonTable& t, const QStringList& inner) {
    if (!t.columns.isEmpty() && t.columns.size() != inner.size())
        raise(t.columns.size() < inner.size() ? 8158 : 8159,
              QStringLiteral("'%1' has %2 columns than were specified in the column list.")
                  .arg(t.name, t.columns.size() < inner.size() ? QStringLiteral("more")
                                                               : QStringLiteral("fewer")));
    const QStringList names = t.columns.isEmpty() ? inner : t.columns;
    for (qsizetype k = 0; k < names.size(); ++k)
        if (names[k].isEmpty())
            noColumnName(k, t.name);
    return names;
}

// A common table that names itself: its anchor members, then its recursive members, each of
// which reads the rows of the step before through one reference to the table, of the anchor's
// column types.
void Binder::recursiveTable(const tsql::CommonTable& t) {
    const Select& s = *t.select;
    const size_t anchors = anchorCount(s, t.name);
    if (!s.orderBy.empty() || s.offset)
        raise(1033, QStringLiteral("The ORDER BY clause is invalid in views, inline functions, "
                                   "derived tables, subqueries, and common table expressions, "
                                   "unless TOP, OFFSET or FOR XML is also specified."));
    QStringList inner;
    unitedCores(s, anchors, &inner);
    const QStringList names = commonNames(t, inner);
    commonTables_.push_back({t.name, &t, &s, names, levels_.size() + 1});
    const size_t self = commonTables_.size() - 1;
    for (size_t k = anchors; k < s.cores.size(); ++k)
        recursiveMember(t.name, s.cores[k], names, s.columnTypes);
    commonTables_[self].memberLevel = 0;
}

// The members before the first that names the table, which must be followed by the recursive
// members only, each joined by UNION ALL.
size_t Binder::anchorCount(const Select& s, const QString& name) {
    const auto names = [&](const SelectCore& c) { return mentionsTable(c, name); };
    size_t anchors = 0;
    while (anchors < s.cores.size() && !names(s.cores[anchors]))
        ++anchors;
    bool unionAll = s.cores.size() > 1;
    for (size_t k = std::max<size_t>(anchors, 1); k < s.cores.size(); ++k)
        unionAll = unionAll && s.combine[k - 1] == Select::UnionAll;
    if (!unionAll)
        raise(252, QStringLiteral("Recursive common table expression '%1' does not contain a "
                                  "top-level UNION ALL operator.")
                       .arg(name));
    if (anchors == 0)
        raise(
            246,
            QStringLiteral("No anchor member was specified for recursive query \"%1\".").arg(name));
    for (size_t k = anchors; k < s.cores.size(); ++k)
        if (!names(s.cores[k]))
            notSupported(QStringLiteral("an anchor member after a recursive member"));
    return anchors;
}

// A recursive member: no DISTINCT, TOP, grouping, aggregate or outer join, one reference to the
// table, and its columns of the anchor's types.
void Binder::recursiveMember(const QString& name, const SelectCore& c, const QStringList& names,
                             const std::vector<SqlType>& anchorTypes) {
    const auto refuse = [&](int number, const char* what) {
        raise(number, QStringLiteral("%1 not allowed in the recursive part of a recursive common "
                                     "table expression '%2'.")
                          .arg(QLatin1String(what), name));
    };
    if (c.distinct)
        refuse(460, "DISTINCT operator is");
    if (c.top)
        refuse(461, "The TOP or OFFSET operator is");
    std::vector<SqlType> types;
    core(c, nullptr, nullptr, types);
    if (!c.groupBy.empty() || c.having || hasAggregate(c))
        refuse(467, "GROUP BY, HAVING, or aggregate functions are");
    if (walk(c, {[](const Expr& e) { return e.over != nullptr; }, {}}))
        notSupported(QStringLiteral("window functions in a recursive member"));
    const std::vector<const TableRef*> sources = joinedSources(c.from);
    if (std::count_if(sources.begin(), sources.end(),
                      [](const TableRef* t) { return t->recursiveReference; }) > 1)
        raise(253, QStringLiteral("Recursive member of a common table expression '%1' has "
                                  "multiple recursive references.")
                       .arg(name));
    for (const TableRefPtr& t : c.from)
        if (hasOuterJoin(*t))
            refuse(462, "Outer join is");
    for (size_t k = 0; k < types.size() && k < anchorTypes.size(); ++k)
        if (!sameType(types[k], anchorTypes[k]))
            raise(240, QStringLiteral("Types don't match between the anchor and the recursive "
                                      "part in column \"%1\" of recursive query \"%2\".")
                           .arg(names[static_cast<qsizetype>(k)], name));
}

void Binder::plainSelect(const Select& s, QStringList* names) {
    const SelectCore& c = s.cores[0];
    s.columnTypes.clear();
    core(c, &s.orderBy, names, s.columnTypes);
    // TOP, OFFSET and FETCH stand outside the select's own sources.
    if (c.top)
        expr(*c.top);
    paging(s);
}

// The cores of a UNION; its ORDER BY names the result's columns.
void Binder::unionSelect(const Select& s, QStringList* names) {
    unitedCores(s, s.cores.size(), names);
    paging(s);
    if (s.orderBy.empty())
        return;
    push();
    levels_.back().list = &s.cores[0];
    levels_.back().types = &s.columnTypes;
    levels_.back().columnNames = true;
    for (const auto& o : s.orderBy) {
        const Expr& e = *o.expr;
        if (!(e.kind == Expr::Literal && e.lit == Expr::Integer) &&
            !(e.kind == Expr::Column && e.parts.size() == 1 && markAlias(e)))
            raise(104, QStringLiteral("ORDER BY items must appear in the select list if the "
                                      "statement contains a UNION, INTERSECT or EXCEPT operator."));
    }
    pop();
}

// The first `count` cores of a UNION; the select's column types are common to them.
void Binder::unitedCores(const Select& s, size_t count, QStringList* names) {
    s.columnTypes.clear();
    for (size_t k = 0; k < count; ++k) {
        std::vector<SqlType> types;
        core(s.cores[k], nullptr, k == 0 ? names : nullptr, types);
        if (k == 0)
            s.columnTypes = std::move(types);
        else
            combineTypes(s.columnTypes, types);
        if (s.cores[k].top)
            expr(*s.cores[k].top);
    }
}

void Binder::paging(const Select& s) {
    if (s.offset)
        expr(*s.offset);
    if (s.fetch)
        expr(*s.fetch);
}

void Binder::core(const SelectCore& c, const std::vector<OrderItem>* order, QStringList* names,
                  std::vector<SqlType>& types) {
    push();
    from(c.from);
    selectList(c, names, types);
    if (c.where)
        expr(*c.where);
    for (const ExprPtr& g : c.groupBy) {
        if (g->kind == Expr::Star)  // PIVOT's: the source's columns it does not name
            g->expansion = star(g->parts, g->omitted);
        else
            expr(*g);
    }
    if (c.having)
        expr(*c.having);
    // Only ORDER BY sees the list's aliases.
    levels_.back().list = &c;
    levels_.back().types = &types;
    if (order)
        orderBy(*order);
    checkGrouping(c, order, innermost());
    pop();
}

void Binder::selectList(const SelectCore& c, QStringList* names, std::vector<SqlType>& types) {
    for (const SelectItem& item : c.items) {
        if (item.expr->kind == Expr::Star) {
            item.expr->expansion = star(item.expr->parts, item.expr->omitted);
            for (const ColumnBinding& col : item.expr->expansion) {
                types.push_back(col.type);
                if (names)
                    names->append(col.column);
            }
            continue;
        }
        expr(*item.expr);
        types.push_back(item.expr->type);
        if (names)
            names->append(!item.alias.isEmpty()             ? item.alias
                          : item.expr->kind == Expr::Column ? item.expr->parts.last()
                                                            : QString());
    }
}

void Binder::from(const std::vector<TableRefPtr>& from) {
    for (const TableRefPtr& t : from)
        table(*t);
}

void Binder::table(const TableRef& t, bool lateral) {
    switch (t.kind) {
        case TableRef::Named: {
            const CommonTable* common = t.name.database.isEmpty() && t.name.schema.isEmpty()
                                            ? commonTable(t.name.name)
                                            : nullptr;
            t.commonTable = common != nullptr;
            t.recursiveReference = common && common->memberLevel > 0;
            t.table = nullptr;
            if (t.recursiveReference && levels_.size() != common->memberLevel)
                raise(465, QStringLiteral("Recursive references are not allowed in subqueries."));
            if (common) {
                addDerived(t.exposedName(), common->select, common->names);
                return;
            }
            t.table = env_.resolveTable(t.name);
            addTable(t.exposedName(), t.table.get());
            return;
        }
        case TableRef::Derived: {
            QStringList names;
            select(*t.derived, &names);
            for (qsizetype k = 0; k < names.size(); ++k)
                if (names[k].isEmpty())
                    noColumnName(k, t.alias);
            addDerived(t.alias, t.derived.get(), names);
            return;
        }
        case TableRef::Function:
            if (t.functionRows)
                functionRows(t);
            else
                tableFunction(t, lateral);
            return;
        case TableRef::Join:
            if (t.isApply()) {
                apply(t);
                return;
            }
            table(*t.left);
            table(*t.right);
            if (t.on)
                expr(*t.on);
            return;
    }
}

void Binder::apply(const TableRef& t) {
    t.level = static_cast<int>(levels_.size()) - 1;
    table(*t.left);
    table(*t.right, true);
}

void Binder::tableFunction(const TableRef& t, bool lateral) {
    const std::shared_ptr<const CreateFunctionStmt> called = env_.resolveFunction(t.name);
    t.function = called;
    t.expansion = nullptr;
    if (!called || called->form == CreateFunctionStmt::Scalar)
        invalidObject(t.name.display());
    const CreateFunctionStmt& f = *called;
    checkArguments(f, t.name.display(), t.args, true);
    const std::shared_ptr<const CreateFunctionStmt> expanded = parsedAgain(f);
    // The arguments see the query's outer levels; beside APPLY, not the sources of their FROM.
    std::vector<Source> hidden;
    if (!lateral)
        std::swap(hidden, levels_.back().sources);
    Parameters parameters;
    for (size_t k = 0; k < t.args.size(); ++k) {
        const Expr* given = t.args[k].get();
        const Expr* argument =
            given->kind == Expr::Default ? expanded->params[k].defaultValue.get() : given;
        expr(*argument);
        parameters.push_back({f.params[k].name, argument, f.params[k].type});
    }
    if (!lateral)
        std::swap(hidden, levels_.back().sources);
    parameters_.push_back(std::move(parameters));
    QStringList names;
    select(*expanded->select, &names);
    parameters_.pop_back();
    for (qsizetype k = 0; k < names.size(); ++k)
        if (names[k].isEmpty())
            noColumnName(k, t.exposedName());
    t.expansion = std::shared_ptr<const Select>(expanded, expanded->select.get());
    addDerived(t.exposedName(), t.expansion.get(), names);
}

// The source of a multi-statement function's expansion: the rows its body returns, columns c0,
// c1 ... of the declared types.
void Binder::functionRows(const TableRef& t) {
    const std::shared_ptr<const CreateFunctionStmt> called = env_.resolveFunction(t.name);
    t.function = called;
    if (!called || !called->columns)
        invalidObject(t.name.display());
    for (const ExprPtr& argument : t.args)
        expr(*argument);
    auto rows = std::make_shared<TableInfo>();
    rows->name = t.name.name;
    const std::vector<ColumnDef>& declared = called->columns->columns;
    for (size_t k = 0; k < declared.size(); ++k) {
        ColumnInfo c;
        c.name = QStringLiteral("c%1").arg(k);
        c.type = env_.resolveType(declared[k].type, declared[k].aliasType);
        rows->columns.push_back(c);
    }
    t.table = rows;
    addTable(t.exposedName(), t.table.get());
}

void Binder::checkArguments(const CreateFunctionStmt& f, const QString& shown,
                            const std::vector<ExprPtr>& args, bool table) {
    if (args.size() > f.params.size())
        raise(8144, QStringLiteral("Procedure or function %1 has too many arguments specified.")
                        .arg(shown));
    if (args.size() < f.params.size()) {
        if (table)
            raise(216,
                  QStringLiteral("Parameters were not supplied for the function '%1'.").arg(shown));
        raise(313, QStringLiteral("An insufficient number of arguments were supplied for the "
                                  "procedure or function %1.")
                       .arg(shown));
    }
    for (size_t k = 0; k < args.size(); ++k)
        if (args[k]->kind == Expr::Default && !f.params[k].defaultValue)
            raise(201, QStringLiteral("Procedure or function '%1' expects parameter '%2', which "
                                      "was not supplied.")
                           .arg(f.name.name, f.params[k].name));
}

// A bare name that is an alias of the select list names it (ORDER BY Total); other items are
// expressions, in which names are columns only: an alias stands alone or not at all, as on SQL
// Server (ORDER BY Total + 1 is 207, and so is an alias in WHERE, GROUP BY or HAVING).
void Binder::orderBy(const std::vector<OrderItem>& items) {
    for (const OrderItem& item : items) {
        const Expr& e = *item.expr;
        if (e.kind == Expr::Literal && e.lit == Expr::Integer)
            continue;
        if (!(e.kind == Expr::Column && e.parts.size() == 1 && markAlias(e)))
            expr(e);
    }
}

// ---- expressions ----

void Binder::expr(const Expr& root) {
    // Nested walks (a sub-select's) run above this one's entries and leave them as they were.
    const size_t base = pending_.size();
    pending_.emplace_back(&root);
    auto child = [this](const Expr* e) {
        if (e)
            pending_.emplace_back(e);
    };
    while (pending_.size() > base) {
        const Pending item = pending_.back();
        pending_.pop_back();
        if (const auto* s = std::get_if<const Select*>(&item)) {
            select(**s, nullptr);
            continue;
        }
        if (const auto* w = std::get_if<const WindowSpec*>(&item)) {
            over(**w);
            continue;
        }
        if (const auto* t = std::get_if<Typing>(&item)) {
            type(*t->node);
            continue;
        }
        const Expr& e = *std::get<const Expr*>(item);
        node(e);
        // Children go on in reverse, so that the first is bound first; the node is typed after
        // them.
        pending_.emplace_back(Typing{&e});
        if (e.over)
            pending_.emplace_back(e.over.get());
        if (e.withinGroup)
            pending_.emplace_back(e.withinGroup.get());
        if (e.select)
            pending_.emplace_back(e.select.get());
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
        case Expr::Variable:
            variable(e);
            return;
        case Expr::Global:
            e.builtin = findBuiltin(e.text.toLower());
            if (!e.builtin || e.builtin->kind != Builtin::Context)
                undeclaredVariable(e.text);
            return;
        case Expr::Param:
            e.type = env_.parameterType(e.paramIndex);
            return;
        case Expr::Function:
            function(e);
            return;
        default:
            return;
    }
}

// Inside an inline function's expansion, a variable is one of its parameters.
void Binder::variable(const Expr& e) {
    e.argument = nullptr;
    if (!parameters_.empty()) {
        for (const Parameter& p : parameters_.back()) {
            if (sameName(p.name, e.text)) {
                e.argument = p.argument;
                e.type = p.type;
                return;
            }
        }
        undeclaredVariable(e.text);
    }
    const std::optional<SqlType> t = env_.variableType(e.text);
    if (!t)
        undeclaredVariable(e.text);
    e.type = *t;
}

// A call's row; its arguments are bound after it is known to be a call that can stand here.
void Binder::function(const Expr& e) {
    if (e.isUserFunction()) {
        userFunction(e);
        return;
    }
    const Builtin* b = findBuiltin(e.text);
    if (!b || b->name[0] == '@')
        raise(195, QStringLiteral("'%1' is not a recognized built-in function name.").arg(e.text));
    checkPlace(*b, e);
    if (!e.star)
        checkArity(*b, e);
    e.builtin = b;
}

// The arguments are bound as children of the call; the defaults that DEFAULT stands for here.
void Binder::userFunction(const Expr& e) {
    const std::shared_ptr<const CreateFunctionStmt> called =
        env_.resolveFunction(objectName(e.parts));
    e.function = called;
    if (!called || called->form != CreateFunctionStmt::Scalar)
        raise(4121, QStringLiteral("Cannot find either column \"%1\" or the user-defined function "
                                   "or aggregate \"%2\", or the name is ambiguous.")
                        .arg(e.parts.first(), e.parts.join(u'.')));
    const CreateFunctionStmt& f = *called;
    checkArguments(f, e.parts.join(u'.'), e.args, false);
    for (size_t k = 0; k < e.args.size(); ++k)
        if (e.args[k]->kind == Expr::Default)
            expr(*f.params[k].defaultValue);
    e.type = f.returns;
}

void Binder::over(const WindowSpec& w) {
    for (const ExprPtr& p : w.partitionBy)
        expr(*p);
    orderBy(w.orderBy);
}

// ---- levels ----

const Binder::CommonTable* Binder::commonTable(const QString& name) const {
    for (auto it = commonTables_.rbegin(); it != commonTables_.rend(); ++it)
        if (sameName(it->name, name))
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
        if (sameName(s.alias, alias))
            raise(1013,
                  QStringLiteral("The objects \"%1\" and \"%1\" in the FROM clause have the "
                                 "same exposed names. Use correlation names to distinguish them.")
                      .arg(alias));
    levels_.back().sources.push_back({alias, table, nullptr, {}});
}

void Binder::addDerived(const QString& alias, const Select* select, const QStringList& names) {
    if (levels_.empty())
        push();
    levels_.back().sources.push_back({alias, nullptr, select, names});
}

const QString& Binder::Source::name(size_t k) const {
    return table ? table->columns[k].name : names[static_cast<qsizetype>(k)];
}

SqlType Binder::Source::type(size_t k) const {
    return table ? table->columns[k].type : select->columnTypes[k];
}

bool Binder::markAlias(const Expr& column) const {
    if (levels_.empty() || !levels_.back().list)
        return false;
    const Level& level = levels_.back();
    const QString& name = column.parts[0];
    int index = 0;
    for (const SelectItem& item : level.list->items) {
        if (item.expr->kind == Expr::Star) {
            for (const ColumnBinding& col : item.expr->expansion) {
                if (level.columnNames && sameName(col.column, name)) {
                    column.binding = {QString(), col.column, SqlType(),  nullptr,
                                      index,     true,       innermost()};
                    column.type = (*level.types)[static_cast<size_t>(index)];
                    return true;
                }
                ++index;
            }
            continue;
        }
        const QString& alias = !item.alias.isEmpty() || !level.columnNames ? item.alias
                               : item.expr->kind == Expr::Column           ? item.expr->parts.last()
                                                                           : item.alias;
        if (!alias.isEmpty() && sameName(alias, name)) {
            column.binding = {QString(), alias, SqlType(), nullptr, index, true, innermost()};
            column.type = (*level.types)[static_cast<size_t>(index)];
            return true;
        }
        ++index;
    }
    return false;
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
            if (!qualifier.isEmpty() && !sameName(s.alias, qualifier))
                continue;
            for (size_t k = 0; k < s.size(); ++k) {
                if (sameName(s.name(k), col)) {
                    if (found && qualifier.isEmpty())
                        raise(209, QStringLiteral("Ambiguous column name '%1'.").arg(col));
                    found = &s;
                    index = k;
                    break;
                }
            }
        }
        if (found) {
            column.binding = {found->alias,
                              found->name(index),
                              found->type(index),
                              found->select,
                              found->select ? static_cast<int>(index) : -1,
                              false,
                              static_cast<int>(levels_.rend() - level) - 1};
            column.type = column.binding.type;
            return;
        }
        if (!qualifier.isEmpty()) {
            bool known = false;
            for (const auto& s : level->sources)
                known = known || sameName(s.alias, qualifier);
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

std::vector<ColumnBinding> Binder::star(const QStringList& qualifier,
                                        const QStringList& omitted) const {
    std::vector<ColumnBinding> out;
    if (levels_.empty())
        raise(263, QStringLiteral("Must specify table to select from."));
    const QString q = qualifier.isEmpty() ? QString() : qualifier.last();
    bool matched = false;
    for (const auto& s : levels_.back().sources) {
        if (!q.isEmpty() && !sameName(s.alias, q))
            continue;
        matched = true;
        for (size_t k = 0; k < s.size(); ++k)
            if (!omitted.contains(s.name(k), Qt::CaseInsensitive))
                out.push_back({s.alias, s.name(k), s.type(k), s.select,
                               s.select ? static_cast<int>(k) : -1, false, innermost()});
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
