// Rendering of INSERT, UPDATE and DELETE, with values converted to the column types.
#include <optional>

#include "tsql/Errors.h"
#include "tsql/Parser.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

namespace {

bool needsConversion(const SqliteEmitter::Rendered& r, const SqlType& to) {
    const SqlType& from = r.type;
    if (r.sql == "NULL")
        return false;
    if (!from.known())
        return to.isDate() || to.isText() || to.base == SqlType::Decimal || to.isInteger() ||
               to.base == SqlType::Money;
    if (to.isDate())
        return !from.isDate();
    if (to.isText()) {
        if (!from.isText())
            return true;
        if (to.length >= 0 && (from.length < 0 || from.length > to.length))
            return true;
        return to.isFixedText() && !(from.isFixedText() && from.length == to.length);
    }
    if (to.base == SqlType::Bit)
        return from.base != SqlType::Bit;
    // A value that may not fit goes through the checked conversion, which raises the overflow.
    if (to.isInteger())
        return !from.isInteger() || from.integerDigits() > to.integerDigits();
    // Decimal and money columns hold the exact text at their scale.
    if (to.base == SqlType::Decimal)
        return !(from.base == SqlType::Decimal && from.scale == to.scale &&
                 from.integerDigits() <= to.integerDigits());
    if (to.base == SqlType::Money)
        return from.base != SqlType::Money;
    return !from.isNumeric();
}

// The table sources of FROM in order, joins taken apart.
std::vector<const TableRef*> sources(const std::vector<TableRefPtr>& from) {
    std::vector<const TableRef*> out;
    std::vector<const TableRef*> pending;
    for (auto it = from.rbegin(); it != from.rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        const TableRef* t = pending.back();
        pending.pop_back();
        if (t->kind == TableRef::Join) {
            pending.push_back(t->right.get());
            pending.push_back(t->left.get());
        } else {
            out.push_back(t);
        }
    }
    return out;
}

QString exposedName(const TableRef& t) {
    return t.alias.isEmpty() ? t.name.name : t.alias;
}

// The source in FROM that the target of UPDATE/DELETE ... FROM names: the one whose exposed
// name (alias, else table name) it is, else the only reference to the table of that name. None
// when the table is not in FROM: the target is then one more table of the join.
const TableRef* targetInFrom(const std::vector<TableRefPtr>& from, const ObjectName& target) {
    const std::vector<const TableRef*> all = sources(from);
    if (target.schema.isEmpty() && target.database.isEmpty())
        for (const TableRef* t : all)
            if (t->kind == TableRef::Named &&
                exposedName(*t).compare(target.name, Qt::CaseInsensitive) == 0)
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

// A correlation name for the target row that no source in FROM uses.
QString targetAlias(const std::vector<TableRefPtr>& from) {
    const std::vector<const TableRef*> all = sources(from);
    QString alias = QStringLiteral("_target");
    for (int n = 1;; ++n) {
        bool taken = false;
        for (const TableRef* t : all)
            taken = taken || exposedName(*t).compare(alias, Qt::CaseInsensitive) == 0;
        if (!taken)
            return alias;
        alias = QStringLiteral("_target%1").arg(n);
    }
}

}  // namespace

// UPDATE/DELETE TOP (n): the first n rows that qualify, by rowid.
QByteArray SqliteEmitter::topRows(const TableInfo& t, const QString& alias, const QByteArray& where,
                                  const Expr& top) {
    const QByteArray a = sqlite::name(alias);
    return a + ".rowid IN (SELECT " + a + ".rowid FROM " + t.sqlName() + " AS " + a +
           (where.isEmpty() ? QByteArray() : " WHERE " + where) + " LIMIT " + expr(top).sql + ")";
}

QByteArray SqliteEmitter::assignmentValue(const TableInfo& t, const QString& column,
                                          const Expr& value) {
    int idx = t.indexOf(column);
    if (idx < 0)
        invalidColumn(column);
    const ColumnInfo& c = t.columns[static_cast<size_t>(idx)];
    Rendered r = expr(value);
    if (needsConversion(r, c.type))
        return convertTo(r, c.type, -1, true).text;
    return r.sql;
}

Compiled SqliteEmitter::insert(const InsertStmt& s) {
    out_ = Compiled();
    const std::shared_ptr<const TableInfo> t = binder_.env().resolveTable(s.table);
    if (t->view)
        notSupported(QStringLiteral("INSERT into a view"));
    out_.target = t;
    out_.verb = QStringLiteral("INSERT");
    out_.changesRows = true;
    const QByteArray into = "INSERT INTO " + t->sqlName();
    if (s.defaultValues) {
        out_.sql = into + " DEFAULT VALUES";
        return std::move(out_);
    }
    const QStringList columns = insertColumns(*t, s.columns);
    QByteArray names;
    for (const QString& c : columns)
        names += (names.isEmpty() ? "" : ", ") + sqlite::name(t->columns[t->indexOf(c)].name);
    const QByteArray head = into + " (" + names + ")";
    out_.sql = s.select ? insertSelect(*t, columns, head, *s.select)
                        : head + " VALUES " + insertRows(*t, columns, s.rows);
    return std::move(out_);
}

// The columns an INSERT fills: those it names, else all but the identity.
QStringList SqliteEmitter::insertColumns(const TableInfo& t, const QStringList& named) {
    QStringList columns = named;
    if (columns.isEmpty())
        for (const auto& c : t.columns)
            if (!c.identity)
                columns << c.name;
    for (const QString& c : columns) {
        const int idx = t.indexOf(c);
        if (idx < 0)
            invalidColumn(c);
        if (t.columns[static_cast<size_t>(idx)].identity)
            raise(544, QStringLiteral("Cannot insert explicit value for identity column in table "
                                      "'%1' when IDENTITY_INSERT is set to OFF.")
                           .arg(t.name));
    }
    return columns;
}

// INSERT ... SELECT: the select's values converted to the column types where they differ.
QByteArray SqliteEmitter::insertSelect(const TableInfo& t, const QStringList& columns,
                                       const QByteArray& head, const Select& select) {
    std::vector<OutColumn> outCols;
    const QByteArray inner = selectSql(select, &outCols);
    if (outCols.size() != static_cast<size_t>(columns.size()))
        raise(120, QStringLiteral("The select list for the INSERT statement contains %1 items "
                                  "than the insert list. The number of SELECT values must "
                                  "match the number of INSERT columns.")
                       .arg(outCols.size() < static_cast<size_t>(columns.size())
                                ? QStringLiteral("fewer")
                                : QStringLiteral("more")));
    bool convert = false;
    QByteArray names, values;
    for (int k = 0; k < columns.size(); ++k) {
        Rendered r;
        r.set(sqlite::primary(sqlite::name(QStringLiteral("_s%1").arg(k))));
        r.type = outCols[static_cast<size_t>(k)].type;
        const ColumnInfo& c = t.columns[static_cast<size_t>(t.indexOf(columns[k]))];
        names += (k ? ", " : "") + r.sql;
        const bool differs = needsConversion(r, c.type);
        convert = convert || differs;
        values += (k ? ", " : "") + (differs ? convertTo(r, c.type, -1, true).text : r.sql);
    }
    if (!convert)
        return head + " " + inner;
    return "WITH \"_src\"(" + names + ") AS (" + inner + ") " + head + " SELECT " + values +
           " FROM \"_src\"";
}

// The rows of INSERT ... VALUES, each value converted to its column's type.
QByteArray SqliteEmitter::insertRows(const TableInfo& t, const QStringList& columns,
                                     const std::vector<std::vector<ExprPtr>>& rows) {
    QByteArray sql;
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (row.size() != static_cast<size_t>(columns.size()))
            raise(110, QStringLiteral("There are %1 columns in the INSERT statement than "
                                      "values specified in the VALUES clause. The number of "
                                      "values in the VALUES clause must match the number of "
                                      "columns specified in the INSERT statement.")
                           .arg(row.size() < static_cast<size_t>(columns.size())
                                    ? QStringLiteral("more")
                                    : QStringLiteral("fewer")));
        QByteArray values;
        for (size_t k = 0; k < row.size(); ++k)
            values += (k ? ", " : "") + assignmentValue(t, columns[static_cast<int>(k)], *row[k]);
        sql += (r ? ", (" : "(") + values + ")";
    }
    return sql;
}

Compiled SqliteEmitter::update(const UpdateStmt& s) {
    out_ = Compiled();
    out_.verb = QStringLiteral("UPDATE");
    out_.changesRows = true;
    if (s.top && !s.from.empty())
        notSupported(QStringLiteral("UPDATE TOP with FROM"));
    for (const auto& a : s.sets)
        if (!a.variable.isEmpty())
            notSupported(QStringLiteral("assigning a variable in UPDATE ... SET"));

    const TableRef* inFrom = targetInFrom(s.from, s.target);
    const std::shared_ptr<const TableInfo> t =
        binder_.env().resolveTable(inFrom ? inFrom->name : s.target);
    if (t->view)
        notSupported(QStringLiteral("UPDATE of a view"));
    out_.target = t;
    for (const auto& a : s.sets)
        if (t->indexOf(a.column) < 0)
            invalidColumn(a.column);

    QByteArray sql;
    if (inFrom) {
        // The target is a source of FROM: each updated row takes its values from the joined rows
        // of its own instance there (SQLite's UPDATE ... FROM would join a second instance).
        const QByteArray self = sqlite::name(exposedName(*inFrom)) + ".rowid";
        const QByteArray target = sqlite::name(targetAlias(s.from));
        // FROM and WHERE are rendered once and stand in both the values' sub-select and the
        // choice of rows (their placeholders are numbered, so the text serves twice).
        binder_.push();
        const QByteArray from = fromSql(s.from);
        std::vector<QByteArray> names, values;
        for (const auto& a : s.sets) {
            names.push_back(sqlite::name(t->columns[t->indexOf(a.column)].name));
            values.push_back(assignmentValue(*t, a.column, *a.value));
        }
        const std::optional<sqlite::Term> where =
            s.where ? std::optional<sqlite::Term>(expr(*s.where).term()) : std::nullopt;
        binder_.pop();
        const sqlite::Term sameRow = sqlite::binary(sqlite::primary(self), sqlite::Operator::Equal,
                                                    sqlite::primary(target + ".rowid"));
        const QByteArray lhs = s.sets.size() == 1 ? names[0] : "(" + sqlite::list(names) + ")";
        sql = "UPDATE " + t->sqlName() + " AS " + target + " SET " + lhs + " = (SELECT " +
              sqlite::list(values) + " FROM " + from + " WHERE " +
              (where ? sqlite::binary(sameRow, sqlite::Operator::And, *where) : sameRow).text +
              " LIMIT 1) WHERE " + target + ".rowid IN (SELECT " + self + " FROM " + from +
              (where ? " WHERE " + where->text : QByteArray()) + ")";
    } else {
        const QString alias = s.target.name;
        binder_.push();
        binder_.addTable(alias, t.get());
        QByteArray from = s.from.empty() ? QByteArray() : fromSql(s.from);
        std::vector<QByteArray> sets;
        for (const auto& a : s.sets)
            sets.push_back(sqlite::name(t->columns[t->indexOf(a.column)].name) + " = " +
                           assignmentValue(*t, a.column, *a.value));
        sql =
            "UPDATE " + t->sqlName() + " AS " + sqlite::name(alias) + " SET " + sqlite::list(sets);
        if (!from.isEmpty())
            sql += " FROM " + from;
        QByteArray where = s.where ? expr(*s.where).sql : QByteArray();
        if (s.top)
            sql += " WHERE " + topRows(*t, alias, where, *s.top);
        else if (!where.isEmpty())
            sql += " WHERE " + where;
        binder_.pop();
    }
    out_.sql = sql;
    return std::move(out_);
}

Compiled SqliteEmitter::remove(const DeleteStmt& s) {
    out_ = Compiled();
    out_.verb = QStringLiteral("DELETE");
    out_.changesRows = true;
    if (s.top && !s.from.empty())
        notSupported(QStringLiteral("DELETE TOP with FROM"));
    const TableRef* inFrom = targetInFrom(s.from, s.target);
    const std::shared_ptr<const TableInfo> t =
        binder_.env().resolveTable(inFrom ? inFrom->name : s.target);
    if (t->view)
        notSupported(QStringLiteral("DELETE from a view"));
    out_.target = t;
    QByteArray sql;
    binder_.push();
    if (inFrom) {
        const QByteArray target = sqlite::name(targetAlias(s.from));
        QByteArray from = fromSql(s.from);
        sql = "DELETE FROM " + t->sqlName() + " AS " + target + " WHERE " + target +
              ".rowid IN (SELECT " + sqlite::name(exposedName(*inFrom)) + ".rowid FROM " + from;
        if (s.where)
            sql += " WHERE " + expr(*s.where).sql;
        sql += ")";
    } else {
        const QString alias = s.target.name;
        binder_.addTable(alias, t.get());
        sql = "DELETE FROM " + t->sqlName() + " AS " + sqlite::name(alias);
        QByteArray cond;
        if (!s.from.empty()) {
            binder_.push();
            QByteArray from = fromSql(s.from);
            cond = "EXISTS (SELECT 1 FROM " + from +
                   (s.where ? " WHERE " + expr(*s.where).sql : QByteArray()) + ")";
            binder_.pop();
        } else if (s.where) {
            cond = expr(*s.where).sql;
        }
        if (s.top)
            sql += " WHERE " + topRows(*t, alias, cond, *s.top);
        else if (!cond.isEmpty())
            sql += " WHERE " + cond;
    }
    binder_.pop();
    out_.sql = sql;
    return std::move(out_);
}

}  // namespace tsql
