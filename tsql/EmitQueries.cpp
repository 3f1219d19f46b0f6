// Rendering of SELECT: cores, unions, table sources, ORDER BY and TOP.
#include "tsql/Collation.h"
#include "tsql/Errors.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

namespace {

QByteArray topValue(const QByteArray& sql) {
    return " LIMIT " + sql;
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
            const QByteArray inner = selectSql(*t.derived, &cols);
            derived_[t.derived.get()] = std::move(cols);
            return "(" + inner + ") AS " + sqlite::name(t.alias);
        }
        case TableRef::Join: {
            QByteArray left = tableSql(*t.left);
            QByteArray right = tableSql(*t.right);
            if (t.right->kind == TableRef::Join)  // a join nested on the right keeps its ON
                right = "(" + right + ")";
            static const char* const words[] = {" JOIN ", " LEFT JOIN ", " RIGHT JOIN ",
                                                " FULL JOIN ", " CROSS JOIN "};
            QByteArray s = left + words[t.joinType] + right;
            if (t.on)
                s += " ON " + expr(*t.on).sql;
            return s;
        }
    }
    return {};
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
                const char* collation =
                    orderCollation((*selectList_)[static_cast<size_t>(e.binding.index)].type);
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
                                  QByteArray* orderOut) {
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
                out->push_back({col.column, typeOf(col)});
            }
            continue;
        }
        Rendered r = expr(*item.expr);
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
        out->push_back({name, r.type});
    }
    if (assigning && retrieving)
        raise(141, QStringLiteral("A SELECT statement that assigns a value to a variable must not "
                                  "be combined with data-retrieval operations."));
    // The clauses after the list may name its aliases.
    const std::vector<OutColumn>* outer = selectList_;
    selectList_ = out;
    QByteArray s = "SELECT ";
    if (c.distinct)
        s += "DISTINCT ";
    s += items;
    if (!from.isEmpty())
        s += " FROM " + from;
    if (c.where)
        s += " WHERE " + expr(*c.where).sql;
    if (!c.groupBy.empty()) {
        s += " GROUP BY ";
        for (size_t k = 0; k < c.groupBy.size(); ++k) {
            Rendered g = expr(*c.groupBy[k]);
            s += (k ? ", " : "") + g.sql;
        }
    }
    if (c.having)
        s += " HAVING " + expr(*c.having).sql;
    if (orderBy && !orderBy->empty())
        *orderOut = orderSql(*orderBy, out);
    selectList_ = outer;
    return s;
}

QByteArray SqliteEmitter::withSql(const Select& s) {
    QByteArray sql;
    for (const CommonTable& t : s.with) {
        std::vector<OutColumn> cols;
        const QByteArray inner = selectSql(*t.select, &cols);
        QByteArray names;
        for (size_t k = 0; k < cols.size(); ++k)
            names +=
                (k ? ", " : "") +
                sqlite::name(t.columns.isEmpty() ? cols[k].name : t.columns[static_cast<int>(k)]);
        derived_[t.select.get()] = std::move(cols);
        sql += (sql.isEmpty() ? "WITH " : ", ") + sqlite::name(t.name) + "(" + names + ") AS (" +
               inner + ")";
    }
    return sql.isEmpty() ? sql : sql + " ";
}

QByteArray SqliteEmitter::selectSql(const Select& s, std::vector<OutColumn>* out) {
    if (!s.with.empty()) {
        QByteArray with = withSql(s);
        return with + plainSelectSql(s, out);
    }
    return plainSelectSql(s, out);
}

QByteArray SqliteEmitter::plainSelectSql(const Select& s, std::vector<OutColumn>* out) {
    if (s.cores.size() == 1) {
        const SelectCore& c = s.cores[0];
        QStringList assign;
        QByteArray order;
        QByteArray sql = coreSql(c, out, &assign, &s.orderBy, &order);
        if (!assign.isEmpty())
            raise(141, QStringLiteral("A SELECT statement that assigns a value to a variable must "
                                      "not be combined with data-retrieval operations."));
        if (!order.isEmpty())
            sql += " " + order;
        if (c.top) {
            if (c.topPercent)
                notSupported(QStringLiteral("TOP ... PERCENT"));
            sql += topValue(expr(*c.top).sql);
        }
        return sql;
    }
    QByteArray sql;
    for (size_t k = 0; k < s.cores.size(); ++k) {
        std::vector<OutColumn> cols;
        QStringList assign;
        QByteArray none;
        QByteArray core = coreSql(s.cores[k], &cols, &assign, nullptr, &none);
        if (!assign.isEmpty())
            raise(141, QStringLiteral("A SELECT statement that assigns a value to a variable must "
                                      "not be combined with data-retrieval operations."));
        if (s.cores[k].top)
            core = "SELECT * FROM (" + core + topValue(expr(*s.cores[k].top).sql) + ")";
        if (k == 0) {
            *out = cols;
        } else {
            if (cols.size() != out->size())
                raise(205, QStringLiteral("All queries combined using a UNION, INTERSECT or "
                                          "EXCEPT operator must have an equal number of "
                                          "expressions in their target lists."));
            for (size_t c = 0; c < cols.size(); ++c)
                (*out)[c].type = commonType((*out)[c].type, cols[c].type);
            sql += s.unionAll[k - 1] ? " UNION ALL " : " UNION ";
        }
        sql += core;
    }
    if (!s.orderBy.empty()) {
        // ORDER BY of a union names the columns of the result.
        const std::vector<OutColumn>* outer = selectList_;
        selectList_ = out;
        sql += " " + orderSql(s.orderBy, out);
        selectList_ = outer;
    }
    return sql;
}

Compiled SqliteEmitter::select(const Select& s) {
    binder_.bindSelect(s);
    out_ = Compiled();
    out_.sql = selectSql(s, &out_.columns);
    return std::move(out_);
}

Compiled SqliteEmitter::assignSelect(const Select& s) {
    out_ = Compiled();
    if (s.cores.size() != 1)
        raise(141, QStringLiteral("A SELECT statement that assigns a value to a variable must not "
                                  "be combined with data-retrieval operations."));
    binder_.bindSelect(s);
    const SelectCore& c = s.cores[0];
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
    Rendered r = expr(e);
    out_.sql = "SELECT " + r.sql;
    out_.columns.push_back({QString(), r.type});
    return std::move(out_);
}

Compiled SqliteEmitter::condition(const Expr& e) {
    binder_.bindExpression(e);
    out_ = Compiled();
    Rendered r = expr(e);
    out_.sql = "SELECT CASE WHEN " + r.sql + " THEN 1 ELSE 0 END";
    out_.columns.push_back({QString(), SqlType::of(SqlType::Int)});
    return std::move(out_);
}

}  // namespace tsql
