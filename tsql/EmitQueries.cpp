// Rendering of SELECT: cores, unions, table sources, ORDER BY and TOP.
#include <QSet>
#include <algorithm>
#include <utility>

#include "tsql/Collation.h"
#include "tsql/Errors.h"
#include "tsql/FunctionRows.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

namespace {

QByteArray topValue(const QByteArray& sql) {
    return " LIMIT " + sql;
}

// `value`, or SQL Server's error `number` when `bad` holds for it.
sqlite::Term refused(const sqlite::Term& value, const sqlite::Term& bad, int number,
                     const QByteArray& message) {
    return sqlite::primary("CASE WHEN " + bad.text + " THEN tsql_raise(" +
                           QByteArray::number(number) + ", " + sqlite::text(message) + ") ELSE " +
                           value.text + " END");
}

// The hidden columns of a common table's rows: the level of recursion of a recursive one's, the
// rowid of the table written through one.
const char* const kLevelColumn = "\"_tsql_level\"";
const char* const kRowidColumn = "\"_tsql_rowid\"";

// The level of a recursive member's row: one more than that of the row it was made from, which
// may not pass the statement's limit (0: none).
QByteArray nextLevel(const TableRef& reference, int maxRecursion) {
    using sqlite::Operator;
    const sqlite::Term level =
        sqlite::primary(sqlite::name(reference.exposedName()) + "." + kLevelColumn);
    const sqlite::Term next = sqlite::binary(level, Operator::Add, sqlite::integer(1));
    if (maxRecursion == 0)
        return next.text;
    return refused(next,
                   sqlite::binary(level, Operator::GreaterOrEqual, sqlite::integer(maxRecursion)),
                   530,
                   "The statement terminated. The maximum recursion " +
                       QByteArray::number(maxRecursion) +
                       " has been exhausted before statement completion.")
        .text;
}

// The hidden column of each member of a common table, if it has one.
std::vector<QByteArray> hiddenItems(const CommonTable& t, int maxRecursion) {
    std::vector<QByteArray> items;
    for (const SelectCore& core : t.select->cores) {
        if (t.writtenThrough) {
            items.push_back(sqlite::name(t.writtenThrough->exposedName()) + ".rowid");
            continue;
        }
        const std::vector<const TableRef*> sources = joinedSources(core.from);
        const auto self = std::find_if(sources.begin(), sources.end(),
                                       [](const TableRef* s) { return s->recursiveReference; });
        items.push_back(self == sources.end() ? QByteArray("0") : nextLevel(**self, maxRecursion));
    }
    return items;
}

bool sameColumn(const ColumnBinding& a, const ColumnBinding& b) {
    return !a.alias && !b.alias && a.source.compare(b.source, Qt::CaseInsensitive) == 0 &&
           a.column.compare(b.column, Qt::CaseInsensitive) == 0;
}

// The result column an ORDER BY item names: by position, by alias, or as the column a select item
// is; -1 for any other expression.
int resultColumnOf(const Expr& e, const SelectCore& c, size_t count) {
    if (e.kind == Expr::Literal && e.lit == Expr::Integer) {
        const int n = e.text.toInt();
        return n >= 1 && n <= static_cast<int>(count) ? n - 1 : -1;
    }
    if (e.kind != Expr::Column)
        return -1;
    if (e.binding.alias)
        return e.binding.index;
    int k = 0;
    for (const SelectItem& item : c.items) {
        if (item.expr->kind == Expr::Star) {
            for (const ColumnBinding& col : item.expr->expansion) {
                if (sameColumn(col, e.binding))
                    return k;
                ++k;
            }
            continue;
        }
        if (item.expr->kind == Expr::Column && sameColumn(item.expr->binding, e.binding))
            return k;
        ++k;
    }
    return -1;
}

}  // namespace

QByteArray SqliteEmitter::tableSql(const TableRef& t) {
    switch (t.kind) {
        case TableRef::Named: {
            const QByteArray alias = sqlite::name(t.exposedName());
            if (t.commonTable)
                return sqlite::name(t.name.name) + " AS " + alias;
            const TableInfo& info = *t.table;
            if (info.schema == u"temp" &&
                (info.name.compare(u"sysdatabases", Qt::CaseInsensitive) == 0 ||
                 info.name.compare(u"sys_databases", Qt::CaseInsensitive) == 0))
                out_.readsDatabases = true;
            return info.sqlName() + " AS " + alias;
        }
        case TableRef::Derived: {
            std::vector<OutColumn> cols;
            return "(" + selectSql(*t.derived, &cols) + ") AS " + sqlite::name(t.alias);
        }
        case TableRef::Function: {  // a function's select, expanded where called
            if (t.functionRows)
                return functionRowsSql(t);
            std::vector<OutColumn> cols;
            return "(" + selectSql(*t.expansion, &cols) + ") AS " + sqlite::name(t.exposedName());
        }
        case TableRef::Join:
            return t.isApply() ? applySql(t) : joinSql(t);
    }
    return {};
}

// kFunctionRows(name, arguments ...): the rows of a multi-statement function's body.
QByteArray SqliteEmitter::functionRowsSql(const TableRef& t) {
    if (t.args.size() > static_cast<size_t>(kFunctionArguments))
        notSupported(QStringLiteral("multi-statement functions of more than %1 parameters")
                         .arg(kFunctionArguments));
    std::vector<QByteArray> args{sqlite::text(called(t.function)->name.name)};
    for (const ExprPtr& argument : t.args)
        args.push_back(expr(*argument).sql);
    return kFunctionRows + ("(" + sqlite::list(args) + ") AS " + sqlite::name(t.exposedName()));
}

QByteArray SqliteEmitter::joinSql(const TableRef& t) {
    QByteArray left = tableSql(*t.left);
    QByteArray right = tableSql(*t.right);
    if (t.right->kind == TableRef::Join)  // a join nested on the right keeps its ON
        right = "(" + right + ")";
    static const char* const words[] = {" JOIN ", " LEFT JOIN ", " RIGHT JOIN ", " FULL JOIN ",
                                        " CROSS JOIN "};
    QByteArray s = left + words[t.joinType] + right;
    if (t.on)
        s += " ON " + expr(*t.on).sql;
    if (t.sameRows)
        s += " ON " + sqlite::name(t.left->exposedName()) +
             ".rowid = " + sqlite::name(t.right->exposedName()) + ".rowid";
    return s;
}

QByteArray SqliteEmitter::fromSql(const std::vector<TableRefPtr>& from) {
    QByteArray s;
    for (size_t k = 0; k < from.size(); ++k)
        s += (k ? ", " : "") + tableSql(*from[k]);
    return s;
}

QByteArray SqliteEmitter::orderSql(const std::vector<OrderItem>& items,
                                   const std::vector<OutColumn>* out) {
    QByteArray s = "ORDER BY ";
    for (size_t k = 0; k < items.size(); ++k) {
        const Expr& e = *items[k].expr;
        QByteArray term;
        if (e.kind == Expr::Literal && e.lit == Expr::Integer) {
            int n = e.text.toInt();
            if (out && (n < 1 || n > static_cast<int>(out->size())))
                raise(108, QStringLiteral("The ORDER BY position number %1 is out of range of the "
                                          "number of items in the select list.")
                               .arg(n));
            term = e.text.toUtf8();
        } else {
            if (e.kind == Expr::Column && e.binding.alias) {
                const sqlite::Term name = sqlite::primary(sqlite::name(e.binding.column));
                const char* collation = orderCollation(e.type);
                term = collation ? sqlite::collate(name, collation).text : name.text;
            } else {
                Rendered r = expr(e);
                const char* collation = r.column ? nullptr : orderCollation(r.type);
                term = collation ? sqlite::collate(r.term(), collation).text : r.sql;
            }
        }
        s += (k ? ", " : "") + term + (items[k].descending ? " DESC" : "");
    }
    return s;
}

QByteArray SqliteEmitter::coreSql(const SelectCore& c, std::vector<OutColumn>* out,
                                  QStringList* assign, const std::vector<OrderItem>* orderBy,
                                  QByteArray* orderOut, const QByteArray* hidden) {
    const bool collate = std::exchange(collateTexts_, false);
    QByteArray from;
    if (!c.from.empty())
        from = fromSql(c.from);
    QByteArray items;
    int unnamed = 0;
    bool assigning = false, retrieving = false;
    for (const SelectItem& item : c.items) {
        if (item.expr->kind == Expr::Star) {
            retrieving = true;
            for (const ColumnBinding& col : item.expr->expansion) {
                items += (items.isEmpty() ? "" : ", ") + columnName(col) + " AS " +
                         sqlite::name(col.column);
                out->push_back({col.column, col.type, sqlite::name(col.column)});
            }
            continue;
        }
        Rendered r = expr(*item.expr);
        if (const char* collation = collate && !r.column ? orderCollation(r.type) : nullptr)
            r.set(sqlite::collate(r.term(), collation));
        // HAVING without GROUP BY makes the rows one group, even none, which SQLite makes only of
        // a select list with an aggregate.
        if (c.having && c.groupBy.empty() && items.isEmpty())
            r.set({"CASE WHEN count(*) >= 0 THEN " + r.sql + " END", sqlite::Precedence::Primary});
        if (!item.assignVar.isEmpty()) {
            assigning = true;
            assign->append(item.assignVar);
        } else {
            retrieving = true;
        }
        QString name = item.alias;
        if (name.isEmpty() && item.expr->kind == Expr::Column)
            name = item.expr->parts.last();
        QString sqlName = name.isEmpty() ? QStringLiteral("_c%1").arg(++unnamed) : name;
        items += (items.isEmpty() ? "" : ", ") + r.sql + " AS " + sqlite::name(sqlName);
        out->push_back({name, r.type, sqlite::name(sqlName)});
    }
    if (assigning && retrieving)
        raise(141, QStringLiteral("A SELECT statement that assigns a value to a variable must not "
                                  "be combined with data-retrieval operations."));
    if (hidden)
        items += ", " + *hidden;
    QByteArray s = "SELECT ";
    if (c.distinct)
        s += "DISTINCT ";
    s += items;
    if (!from.isEmpty())
        s += " FROM " + from;
    if (c.where)
        s += " WHERE " + expr(*c.where).sql;
    const QByteArray grouping = groupBySql(c.groupBy);
    if (!grouping.isEmpty())
        s += " GROUP BY " + grouping;
    if (c.having)
        s += " HAVING " + expr(*c.having).sql;
    if (orderBy && !orderBy->empty())
        *orderOut = orderSql(*orderBy, out);
    return s;
}

// GROUP BY's terms; PIVOT's star is the columns it stands for, which may be none.
QByteArray SqliteEmitter::groupBySql(const std::vector<ExprPtr>& groupBy) {
    std::vector<QByteArray> terms;
    for (const ExprPtr& g : groupBy) {
        if (g->kind != Expr::Star) {
            terms.push_back(expr(*g).sql);
            continue;
        }
        for (const ColumnBinding& col : g->expansion)
            terms.push_back(columnName(col));
    }
    return sqlite::list(terms);
}

QByteArray SqliteEmitter::withSql(const std::vector<CommonTable>& with, int maxRecursion) {
    QByteArray sql;
    bool recursive = false;
    for (const CommonTable& t : with) {
        std::vector<OutColumn> cols;
        const bool hiding = t.recursive || t.writtenThrough;
        const std::vector<QByteArray> hidden =
            hiding ? hiddenItems(t, maxRecursion) : std::vector<QByteArray>();
        const QByteArray inner = plainSelectSql(*t.select, &cols, hiding ? &hidden : nullptr);
        std::vector<QByteArray> names;
        for (size_t k = 0; k < cols.size(); ++k)
            names.push_back(
                sqlite::name(t.columns.isEmpty() ? cols[k].name : t.columns[static_cast<int>(k)]));
        if (hiding)
            names.push_back(t.recursive ? kLevelColumn : kRowidColumn);
        sql += (sql.isEmpty() ? "" : ", ") + sqlite::name(t.name) + "(" + sqlite::list(names) +
               ") AS (" + inner + ")";
        recursive = recursive || t.recursive;
    }
    if (sql.isEmpty())
        return sql;
    return (recursive ? "WITH RECURSIVE " : "WITH ") + sql + " ";
}

// The rowid of a source's rows: a common table's carries it as a hidden column.
QByteArray SqliteEmitter::rowidOf(const TableRef& source) {
    return sqlite::name(source.exposedName()) + "." +
           (source.commonTable ? QByteArray(kRowidColumn) : QByteArray("rowid"));
}

QByteArray SqliteEmitter::selectSql(const Select& s, std::vector<OutColumn>* out) {
    return withSql(s.with, s.maxRecursion) + plainSelectSql(s, out);
}

QByteArray SqliteEmitter::plainSelectSql(const Select& s, std::vector<OutColumn>* out,
                                         const std::vector<QByteArray>* hidden) {
    if (s.values)
        return valuesSql(s, out);
    if (s.cores.size() == 1) {
        const SelectCore& c = s.cores[0];
        QStringList assign;
        QByteArray order;
        QByteArray sql =
            coreSql(c, out, &assign, &s.orderBy, &order, hidden ? &(*hidden)[0] : nullptr);
        if (!assign.isEmpty())
            raise(141, QStringLiteral("A SELECT statement that assigns a value to a variable must "
                                      "not be combined with data-retrieval operations."));
        if (c.top && s.offset)
            raise(10741, QStringLiteral("A TOP can not be used in the same query or sub-query as "
                                        "a OFFSET."));
        if (c.top && c.withTies)
            return withTies(s, sql, *out);
        const QByteArray rows = sql;
        if (!order.isEmpty())
            sql += " " + order;
        if (c.top)
            sql += topValue(c.topPercent ? percentOf(rows, *c.top) : expr(*c.top).sql);
        else if (s.offset)
            sql += offsetSql(s);
        return sql;
    }
    // INTERSECT binds before UNION and EXCEPT, which SQLite takes from left to right like the
    // others: a run of INTERSECTs is a sub-select of its own.
    std::vector<QByteArray> terms;
    std::vector<bool> intersected;
    std::vector<Select::Combine> between;
    for (size_t k = 0; k < s.cores.size(); ++k) {
        std::vector<OutColumn> cols;
        QStringList assign;
        QByteArray none;
        // The first query's texts compare under the engine's collation, as its columns do.
        collateTexts_ = k == 0;
        QByteArray core =
            coreSql(s.cores[k], &cols, &assign, nullptr, &none, hidden ? &(*hidden)[k] : nullptr);
        if (!assign.isEmpty())
            raise(141, QStringLiteral("A SELECT statement that assigns a value to a variable must "
                                      "not be combined with data-retrieval operations."));
        if (s.cores[k].top) {
            if (s.cores[k].topPercent || s.cores[k].withTies)
                notSupported(QStringLiteral("TOP ... PERCENT or WITH TIES in a UNION"));
            core = "SELECT * FROM (" + core + topValue(expr(*s.cores[k].top).sql) + ")";
        }
        core = inUnionTypes(core, cols, s.columnTypes);
        if (k == 0) {
            *out = cols;
            // The result's columns have the types common to the queries.
            for (size_t c = 0; c < out->size(); ++c)
                (*out)[c].type = s.columnTypes[c];
        }
        if (k > 0 && s.combine[k - 1] == Select::Intersect) {
            terms.back() += " INTERSECT " + core;
            intersected.back() = true;
            continue;
        }
        if (k > 0)
            between.push_back(s.combine[k - 1]);
        terms.push_back(core);
        intersected.push_back(false);
    }
    static const char* const words[] = {" UNION ", " UNION ALL ", " EXCEPT ", " INTERSECT "};
    QByteArray sql;
    for (size_t k = 0; k < terms.size(); ++k) {
        if (k > 0)
            sql += words[between[k - 1]];
        sql += intersected[k] && terms.size() > 1 ? "SELECT * FROM (" + terms[k] + ")" : terms[k];
    }
    if (!s.orderBy.empty())  // it names the columns of the result
        sql += " " + orderSql(s.orderBy, out);
    if (s.offset)
        sql += offsetSql(s);
    return sql;
}

QByteArray SqliteEmitter::inUnionTypes(const QByteArray& core, const std::vector<OutColumn>& cols,
                                       const std::vector<SqlType>& types) {
    QByteArray list;
    QList<QByteArray> names;
    bool converted = false;
    for (size_t c = 0; c < cols.size() && c < types.size(); ++c) {
        Rendered r;
        r.set(sqlite::primary(cols[c].sql));
        r.type = cols[c].type;
        const sqlite::Term t = inType(r, types[c]);
        converted = converted || t.text != r.sql;
        list += (c ? ", " : "") + t.text + " AS " + cols[c].sql;
        names.append(cols[c].sql.toLower());
    }
    // Columns of one name cannot be told apart outside their query: left as they are.
    const bool distinct = QSet<QByteArray>(names.begin(), names.end()).size() == names.size();
    return converted && distinct ? "SELECT " + list + " FROM (" + core + ")" : core;
}

// VALUES (...), (...) as SQLite's own, each column of the type its rows have in common.
QByteArray SqliteEmitter::valuesSql(const Select& s, std::vector<OutColumn>* out) {
    for (size_t k = 0; k < s.columnTypes.size(); ++k) {
        const QString& name = s.cores[0].items[k].alias;
        out->push_back({name, s.columnTypes[k], sqlite::name(name)});
    }
    std::vector<std::vector<Rendered>> rows;
    for (const SelectCore& row : s.cores) {
        rows.emplace_back();
        for (const SelectItem& item : row.items)
            rows.back().push_back(expr(*item.expr));
    }
    std::vector<QByteArray> texts, names;
    for (const std::vector<Rendered>& row : rows) {
        std::vector<QByteArray> values;
        for (size_t k = 0; k < row.size(); ++k)
            values.push_back(inType(row[k], (*out)[k].type).text);
        texts.push_back("(" + sqlite::list(values) + ")");
    }
    for (size_t k = 0; k < out->size(); ++k)
        names.push_back("column" + QByteArray::number(static_cast<qsizetype>(k) + 1) + " AS " +
                        (*out)[k].sql);
    return "SELECT " + sqlite::list(names) + " FROM (VALUES " + sqlite::list(texts) + ")";
}

// OFFSET ... FETCH as SQLite's LIMIT ... OFFSET.
QByteArray SqliteEmitter::offsetSql(const Select& s) {
    using sqlite::Operator;
    QByteArray limit = "-1";
    if (s.fetch) {
        const sqlite::Term fetch = expr(*s.fetch).term();
        limit = refused(fetch, sqlite::binary(fetch, Operator::Less, sqlite::integer(1)), 10744,
                        "The number of rows provided for a FETCH clause must be greater then "
                        "zero.")
                    .text;
    }
    const sqlite::Term offset = expr(*s.offset).term();
    return " LIMIT " + limit + " OFFSET " +
           refused(offset, sqlite::binary(offset, Operator::Less, sqlite::integer(0)), 10742,
                   "The offset specified in a OFFSET clause may not be negative.")
               .text;
}

// TOP (p) PERCENT: p hundredths of the query's rows, rounded up.
QByteArray SqliteEmitter::percentOf(const QByteArray& rows, const Expr& percent) {
    using sqlite::Operator;
    const sqlite::Term p = sqlite::cast(expr(percent).term(), "REAL");
    const sqlite::Term outside =
        sqlite::binary(sqlite::binary(p, Operator::Less, sqlite::integer(0)), Operator::Or,
                       sqlite::binary(p, Operator::Greater, sqlite::integer(100)));
    const sqlite::Term share = sqlite::binary(
        sqlite::binary(sqlite::call("count", {sqlite::primary("*")}), Operator::Multiply,
                       refused(p, outside, 1031, "Percent values must be between 0 and 100.")),
        Operator::Divide, sqlite::primary("100.0"));
    const sqlite::Term whole = sqlite::cast(share, "INTEGER");
    const sqlite::Term roundedUp =
        sqlite::binary(whole, Operator::Add,
                       sqlite::grouped(sqlite::binary(share, Operator::Greater, whole).text));
    return "(SELECT " + roundedUp.text + " FROM (" + rows + "))";
}

// TOP (n) WITH TIES: the rows that rank within the first n by the ORDER BY keys, which here must
// be columns of the result.
QByteArray SqliteEmitter::withTies(const Select& s, const QByteArray& rows,
                                   const std::vector<OutColumn>& out) {
    const SelectCore& c = s.cores[0];
    if (s.orderBy.empty())
        raise(1062, QStringLiteral("The TOP N WITH TIES clause is not allowed without a "
                                   "corresponding ORDER BY clause."));
    if (c.topPercent)
        notSupported(QStringLiteral("TOP ... PERCENT WITH TIES"));
    std::vector<QByteArray> keys, names;
    for (const OrderItem& o : s.orderBy) {
        const int k = resultColumnOf(*o.expr, c, out.size());
        if (k < 0)
            notSupported(
                QStringLiteral("TOP ... WITH TIES ordered by what the select list "
                               "does not hold"));
        const OutColumn& col = out[static_cast<size_t>(k)];
        const char* collation = orderCollation(col.type);
        const sqlite::Term key = sqlite::primary(col.sql);
        keys.push_back((collation ? sqlite::collate(key, collation).text : key.text) +
                       (o.descending ? " DESC" : ""));
    }
    for (const OutColumn& col : out) {
        if (std::find(names.begin(), names.end(), col.sql) != names.end())
            notSupported(QStringLiteral("TOP ... WITH TIES over two columns of one name"));
        names.push_back(col.sql);
    }
    return "SELECT " + sqlite::list(names) + " FROM (SELECT *, rank() OVER (ORDER BY " +
           sqlite::list(keys) + ") AS \"_rank\" FROM (" + rows +
           ")) WHERE \"_rank\" <= " + expr(*c.top).sql + " ORDER BY \"_rank\"";
}

namespace {

// The variables of a select that reads nothing else (SELECT @a, @b), one per column; empty for
// any other select.
QStringList variablesAlone(const Select& s) {
    if (s.cores.size() != 1 || s.values || !s.with.empty() || !s.orderBy.empty() || s.offset)
        return {};
    const SelectCore& c = s.cores[0];
    if (c.distinct || c.top || !c.from.empty() || c.where || !c.groupBy.empty() || c.having)
        return {};
    QStringList names;
    for (const SelectItem& item : c.items) {
        const Expr& e = *item.expr;
        if (e.kind != Expr::Variable || e.argument || !item.assignVar.isEmpty())
            return {};
        names << e.text.toLower();
    }
    return names;
}

}  // namespace

Compiled SqliteEmitter::select(const Select& s) {
    binder_.bindSelect(s);
    out_ = Compiled();
    out_.sql = selectSql(s, &out_.columns);
    out_.variablesAlone = variablesAlone(s);
    return std::move(out_);
}

namespace {

// The one table whose rows a cursor's select reads, each once: a single query of one table
// source, without DISTINCT, grouping, aggregates or WITH TIES. Null when there is none.
const TableRef* keyedSource(const Select& s) {
    if (s.cores.size() != 1 || s.values)
        return nullptr;
    const SelectCore& c = s.cores[0];
    if (c.distinct || !c.groupBy.empty() || c.having || c.withTies || c.topPercent ||
        c.from.size() != 1 || hasAggregate(c))
        return nullptr;
    const TableRef& source = *c.from[0];
    if (source.kind != TableRef::Named || !source.table || source.table->view || source.commonTable)
        return nullptr;
    return &source;
}

}  // namespace

Compiled SqliteEmitter::cursorSelect(const Select& s) {
    binder_.bindSelect(s);
    out_ = Compiled();
    const TableRef* source = keyedSource(s);
    if (!source) {
        out_.sql = selectSql(s, &out_.columns);
        return std::move(out_);
    }
    const std::vector<QByteArray> key{rowidOf(*source) + " AS " + QByteArray(kRowidColumn)};
    out_.sql = withSql(s.with, s.maxRecursion) + plainSelectSql(s, &out_.columns, &key);
    out_.columns.push_back({QString(), SqlType::of(SqlType::BigInt), QByteArray(kRowidColumn)});
    out_.target = source->table;
    return std::move(out_);
}

Compiled SqliteEmitter::assignSelect(const Select& s) {
    out_ = Compiled();
    if (s.cores.size() != 1)
        raise(141, QStringLiteral("A SELECT statement that assigns a value to a variable must not "
                                  "be combined with data-retrieval operations."));
    binder_.bindSelect(s);
    const SelectCore& c = s.cores[0];
    if (c.topPercent || c.withTies || s.offset)
        notSupported(
            QStringLiteral("SELECT @variable = ... with TOP PERCENT, WITH TIES or OFFSET"));
    QByteArray order;
    out_.sql = coreSql(c, &out_.columns, &out_.assignTo, &s.orderBy, &order);
    if (!order.isEmpty())
        out_.sql += " " + order;
    if (c.top)
        out_.sql += topValue(expr(*c.top).sql);
    return std::move(out_);
}

Compiled SqliteEmitter::expression(const Expr& e) {
    binder_.bindExpression(e);
    out_ = Compiled();
    out_.sql = "SELECT " + expr(e).sql;
    out_.columns.push_back({QString(), e.type, {}});
    return std::move(out_);
}

Compiled SqliteEmitter::tableExpression(const Expr& e, const TableInfo& table) {
    binder_.push();
    binder_.addTable(QString(), &table);
    binder_.bindExpression(e);
    binder_.pop();
    out_ = Compiled();
    const Rendered r = expr(e);
    out_.sql = r.sql;
    out_.columns.push_back({QString(), r.type, {}});
    return std::move(out_);
}

Compiled SqliteEmitter::condition(const Expr& e) {
    binder_.bindExpression(e);
    out_ = Compiled();
    Rendered r = expr(e);
    out_.sql = "SELECT CASE WHEN " + r.sql + " THEN 1 ELSE 0 END";
    out_.columns.push_back({QString(), SqlType::of(SqlType::Int), {}});
    return std::move(out_);
}

}  // namespace tsql
