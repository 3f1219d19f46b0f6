// Rendering of INSERT, UPDATE and DELETE, with values converted to the column types.
#include <algorithm>
#include <optional>

#include "tsql/Errors.h"
#include "tsql/Parser.h"
#include "tsql/SqliteEmitter.h"
#include "tsql/Walker.h"

namespace tsql {

namespace {

bool needsConversion(const SqliteEmitter::Rendered& r, const SqlType& to) {
    const SqlType& from = r.type;
    if (r.sql == "NULL")
        return false;
    if (!from.known())
        return to.isTemporal() || to.isText() || to.base == SqlType::Decimal || to.isInteger() ||
               to.base == SqlType::Money;
    // A date column takes a datetime's day; a datetime2 or time of more decimals is rounded.
    if (to.isTemporal())
        return !(from.base == to.base && from.scale <= to.scale) &&
               !(from.base == SqlType::Date && to.isDateTime());
    if (to.isText()) {
        if (!from.isText())
            return true;
        if (to.length >= 0 && (from.length < 0 || from.length > to.length))
            return true;
        return to.isFixedText() && !(from.isFixedText() && from.length == to.length);
    }
    if (to.base == SqlType::Bit || to.base == SqlType::UniqueIdentifier)
        return from.base != to.base;
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

// A correlation name for the target row that no source in FROM uses.
QString targetAlias(const std::vector<TableRefPtr>& from) {
    const std::vector<const TableRef*> all = joinedSources(from);
    QString alias = QStringLiteral("_target");
    for (int n = 1;; ++n) {
        bool taken = false;
        for (const TableRef* t : all)
            taken = taken || t->exposedName().compare(alias, Qt::CaseInsensitive) == 0;
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

// A value written to a column, converted to its type; DEFAULT is the column's default.
QByteArray SqliteEmitter::assignmentValue(const ColumnInfo& c, const Expr& value) {
    if (value.kind == Expr::Default)
        return c.defaultSql.isEmpty() ? QByteArray("NULL") : "(" + c.defaultSql + ")";
    Rendered r = expr(value);
    if (needsConversion(r, c.type))
        return convertTo(r, c.type, -1, ConvertMode::Store).text;
    return r.sql;
}

Compiled SqliteEmitter::insert(const InsertStmt& s) {
    binder_.bindInsert(s);
    out_ = Compiled();
    const TableInfo& t = *s.boundTable;
    out_.target = s.boundTable;
    out_.verb = QStringLiteral("INSERT");
    out_.changesRows = true;
    const QByteArray into = "INSERT INTO " + t.sqlName();
    out_.drawsIdentity =
        t.identityColumn >= 0 && std::find(s.boundColumns.begin(), s.boundColumns.end(),
                                           t.identityColumn) == s.boundColumns.end();
    // The identity values the statement computes, one a row, when SQLite does not count them.
    const bool counted = out_.drawsIdentity && !t.identityByRowid();
    const QByteArray identity = counted ? nextIdentities(t) : QByteArray();
    std::vector<QByteArray> names;
    if (counted)
        names.push_back(sqlite::name(t.columns[static_cast<size_t>(t.identityColumn)].name));
    for (const int c : s.boundColumns)
        names.push_back(sqlite::name(t.columns[static_cast<size_t>(c)].name));
    const QByteArray head = into + " (" + sqlite::list(names) + ")";
    if (s.defaultValues)
        out_.sql = counted ? head + " SELECT " + identity : into + " DEFAULT VALUES";
    else if (s.select)
        out_.sql = insertSelect(s, head, identity);
    else if (counted)
        out_.sql = head + " SELECT " + identity + ", * FROM (VALUES " + insertRows(s) + ")";
    else
        out_.sql = head + " VALUES " + insertRows(s);
    return std::move(out_);
}

// The identity value of each row an INSERT makes: SQLite's counter of the table (the highest
// value given, which it keeps until the statement ends) plus the increment for each row in turn.
QByteArray SqliteEmitter::nextIdentities(const TableInfo& t) {
    using sqlite::Operator;
    const sqlite::Term last =
        sqlite::call("tsql_identity", {sqlite::primary(sqlite::text(t.name)), sqlite::integer(3),
                                       sqlite::primary(sqlite::text(t.schema))});
    const sqlite::Term step =
        sqlite::binary(sqlite::integer(t.identityIncrement), Operator::Multiply,
                       sqlite::primary("row_number() OVER ()"));
    return sqlite::binary(last, Operator::Add, step).text;
}

// INSERT ... SELECT: the select's values converted to the column types where they differ, after
// the identity values when the statement computes them.
QByteArray SqliteEmitter::insertSelect(const InsertStmt& s, const QByteArray& head,
                                       const QByteArray& identity) {
    std::vector<OutColumn> outCols;
    const QByteArray inner = selectSql(*s.select, &outCols);
    const size_t count = s.boundColumns.size();
    if (outCols.size() != count)
        raise(120,
              QStringLiteral("The select list for the INSERT statement contains %1 items "
                             "than the insert list. The number of SELECT values must "
                             "match the number of INSERT columns.")
                  .arg(outCols.size() < count ? QStringLiteral("fewer") : QStringLiteral("more")));
    bool convert = false;
    QByteArray names, values;
    for (size_t k = 0; k < count; ++k) {
        Rendered r;
        r.set(sqlite::primary(sqlite::name(QStringLiteral("_s%1").arg(k))));
        r.type = outCols[k].type;
        const ColumnInfo& c = s.boundTable->columns[static_cast<size_t>(s.boundColumns[k])];
        names += (k ? ", " : "") + r.sql;
        const bool differs = needsConversion(r, c.type);
        convert = convert || differs;
        values +=
            (k ? ", " : "") + (differs ? convertTo(r, c.type, -1, ConvertMode::Store).text : r.sql);
    }
    const QByteArray first = identity.isEmpty() ? QByteArray() : identity + ", ";
    if (!convert)
        return identity.isEmpty() ? head + " " + inner
                                  : head + " SELECT " + first + "* FROM (" + inner + ")";
    return "WITH \"_src\"(" + names + ") AS (" + inner + ") " + head + " SELECT " + first + values +
           " FROM \"_src\"";
}

// The rows of INSERT ... VALUES, each value converted to its column's type.
QByteArray SqliteEmitter::insertRows(const InsertStmt& s) {
    const size_t count = s.boundColumns.size();
    QByteArray sql;
    for (size_t r = 0; r < s.rows.size(); ++r) {
        const auto& row = s.rows[r];
        if (row.size() != count)
            raise(110,
                  QStringLiteral("There are %1 columns in the INSERT statement than "
                                 "values specified in the VALUES clause. The number of "
                                 "values in the VALUES clause must match the number of "
                                 "columns specified in the INSERT statement.")
                      .arg(row.size() < count ? QStringLiteral("more") : QStringLiteral("fewer")));
        QByteArray values;
        for (size_t k = 0; k < count; ++k)
            values += (k ? ", " : "") +
                      assignmentValue(s.boundTable->columns[static_cast<size_t>(s.boundColumns[k])],
                                      *row[k]);
        sql += (r ? ", (" : "(") + values + ")";
    }
    return sql;
}

Compiled SqliteEmitter::update(const UpdateStmt& s) {
    binder_.bindUpdate(s);
    out_ = Compiled();
    out_.verb = QStringLiteral("UPDATE");
    out_.changesRows = true;
    out_.target = s.boundTable;
    const QByteArray with = withSql(s.with, s.maxRecursion);
    if (callsUserFunction(s))
        out_.sql = spooledUpdate(s, with);
    else
        out_.sql = with + (s.targetInFrom ? updateThroughFrom(s) : updateJoined(s));
    return std::move(out_);
}

bool SqliteEmitter::callsUserFunction(const Stmt& s) {
    return walk(s, {[](const Expr& e) { return e.isUserFunction(); }, {}});
}

// A user function the statement calls may read the target. SQL Server computes every row's new
// values before it writes the first, so the function sees the rows as they were; SQLite would
// write each row before it computes the next. The new values are therefore taken first into a
// materialized common table, keyed by the target's rowid, and the UPDATE copies them from there.
QByteArray SqliteEmitter::spooledUpdate(const UpdateStmt& s, const QByteArray& with) {
    const TableInfo& t = *s.boundTable;
    const QString alias = s.targetInFrom ? targetAlias(s.from) : s.target.name;
    const QByteArray target = sqlite::name(alias);
    const QByteArray self = s.targetInFrom ? rowidOf(*s.targetInFrom) : target + ".rowid";
    QByteArray rows = s.targetInFrom ? fromSql(s.from) : t.sqlName() + " AS " + target;
    if (!s.targetInFrom && !s.from.empty())
        rows += ", " + fromSql(s.from);
    std::vector<QByteArray> names, values, columns{"\"_r\""};
    for (size_t k = 0; k < s.sets.size(); ++k) {
        const ColumnInfo& c = t.columns[static_cast<size_t>(s.boundColumns[k])];
        names.push_back(sqlite::name(c.name));
        values.push_back(assignmentValue(c, *s.sets[k].value));
        columns.push_back("\"_v" + QByteArray::number(k) + "\"");
    }
    QByteArray where = s.where ? expr(*s.where).sql : QByteArray();
    if (s.top)
        where = topRows(t, alias, where, *s.top);
    const QByteArray prefix =
        spooled(with, columns,
                "SELECT " + self + ", " + sqlite::list(values) + " FROM " + rows +
                    (where.isEmpty() ? QByteArray() : " WHERE " + where));
    columns.erase(columns.begin());
    const QByteArray lhs = names.size() == 1 ? names[0] : "(" + sqlite::list(names) + ")";
    return prefix + "UPDATE " + t.sqlName() + " AS " + target + " SET " + lhs + " = (SELECT " +
           sqlite::list(columns) + " FROM \"_spool\" WHERE \"_r\" = " + target +
           ".rowid LIMIT 1) WHERE " + target + ".rowid IN (SELECT \"_r\" FROM \"_spool\")";
}

// The target is a source of FROM: each updated row takes its values from the joined rows of its
// own instance there (SQLite's UPDATE ... FROM would join a second instance).
QByteArray SqliteEmitter::updateThroughFrom(const UpdateStmt& s) {
    const TableInfo& t = *s.boundTable;
    const QByteArray self = rowidOf(*s.targetInFrom);
    const QByteArray target = sqlite::name(targetAlias(s.from));
    // FROM and WHERE are rendered once and stand in both the values' sub-select and the choice
    // of rows (their placeholders are numbered, so the text serves twice).
    const QByteArray from = fromSql(s.from);
    std::vector<QByteArray> names, values;
    for (size_t k = 0; k < s.sets.size(); ++k) {
        const ColumnInfo& c = t.columns[static_cast<size_t>(s.boundColumns[k])];
        names.push_back(sqlite::name(c.name));
        values.push_back(assignmentValue(c, *s.sets[k].value));
    }
    const std::optional<sqlite::Term> where =
        s.where ? std::optional<sqlite::Term>(expr(*s.where).term()) : std::nullopt;
    const sqlite::Term sameRow = sqlite::binary(sqlite::primary(self), sqlite::Operator::Equal,
                                                sqlite::primary(target + ".rowid"));
    const QByteArray lhs = s.sets.size() == 1 ? names[0] : "(" + sqlite::list(names) + ")";
    return "UPDATE " + t.sqlName() + " AS " + target + " SET " + lhs + " = (SELECT " +
           sqlite::list(values) + " FROM " + from + " WHERE " +
           (where ? sqlite::binary(sameRow, sqlite::Operator::And, *where) : sameRow).text +
           " LIMIT 1) WHERE " + target + ".rowid IN (SELECT " + self + " FROM " + from +
           (where ? " WHERE " + where->text : QByteArray()) + ")";
}

// The target under its own name, FROM (if any) joined to it.
QByteArray SqliteEmitter::updateJoined(const UpdateStmt& s) {
    const TableInfo& t = *s.boundTable;
    const QString alias = s.target.name;
    const QByteArray from = s.from.empty() ? QByteArray() : fromSql(s.from);
    std::vector<QByteArray> sets;
    for (size_t k = 0; k < s.sets.size(); ++k) {
        const ColumnInfo& c = t.columns[static_cast<size_t>(s.boundColumns[k])];
        sets.push_back(sqlite::name(c.name) + " = " + assignmentValue(c, *s.sets[k].value));
    }
    QByteArray sql =
        "UPDATE " + t.sqlName() + " AS " + sqlite::name(alias) + " SET " + sqlite::list(sets);
    if (!from.isEmpty())
        sql += " FROM " + from;
    const QByteArray where = s.where ? expr(*s.where).sql : QByteArray();
    if (s.top)
        sql += " WHERE " + topRows(t, alias, where, *s.top);
    else if (!where.isEmpty())
        sql += " WHERE " + where;
    return sql;
}

Compiled SqliteEmitter::remove(const DeleteStmt& s) {
    binder_.bindDelete(s);
    out_ = Compiled();
    out_.verb = QStringLiteral("DELETE");
    out_.changesRows = true;
    out_.target = s.boundTable;
    const TableInfo& t = *s.boundTable;
    const QByteArray with = withSql(s.with, s.maxRecursion);
    const QString alias = s.targetInFrom ? targetAlias(s.from) : s.target.name;
    const QByteArray target = sqlite::name(alias);
    const QByteArray head = "DELETE FROM " + t.sqlName() + " AS " + target;
    if (callsUserFunction(s))  // as for UPDATE: every row is chosen before the first goes
        out_.sql = spooled(with, {"\"_r\""}, deletedRows(s, alias)) + head + " WHERE " + target +
                   ".rowid IN (SELECT \"_r\" FROM \"_spool\")";
    else if (s.targetInFrom)
        out_.sql = with + head + " WHERE " + target + ".rowid IN (" + deletedRows(s, alias) + ")";
    else if (const QByteArray cond = deleteCondition(s, alias); !cond.isEmpty())
        out_.sql = with + head + " WHERE " + cond;
    else
        out_.sql = with + head;
    return std::move(out_);
}

// The select of the rowids of the rows DELETE removes.
QByteArray SqliteEmitter::deletedRows(const DeleteStmt& s, const QString& alias) {
    if (s.targetInFrom)
        return "SELECT " + rowidOf(*s.targetInFrom) + " FROM " + fromSql(s.from) +
               (s.where ? " WHERE " + expr(*s.where).sql : QByteArray());
    const QByteArray a = sqlite::name(alias);
    const QByteArray cond = deleteCondition(s, alias);
    return "SELECT " + a + ".rowid FROM " + s.boundTable->sqlName() + " AS " + a +
           (cond.isEmpty() ? QByteArray() : " WHERE " + cond);
}

// The condition on the target's rows of a DELETE whose FROM, if any, does not name the target.
QByteArray SqliteEmitter::deleteCondition(const DeleteStmt& s, const QString& alias) {
    const QByteArray where = s.where ? expr(*s.where).sql : QByteArray();
    QByteArray cond = where;
    if (!s.from.empty())
        cond = "EXISTS (SELECT 1 FROM " + fromSql(s.from) +
               (where.isEmpty() ? QByteArray() : " WHERE " + where) + ")";
    if (s.top)
        cond = topRows(*s.boundTable, alias, cond, *s.top);
    return cond;
}

// WITH [the statement's common tables,] "_spool"(columns) AS MATERIALIZED (select): SQLite fills
// a materialized common table whole at its first use, before the statement writes anything.
QByteArray SqliteEmitter::spooled(const QByteArray& with, const std::vector<QByteArray>& columns,
                                  const QByteArray& select) {
    return (with.isEmpty() ? QByteArray("WITH ") : with.chopped(1) + ", ") + "\"_spool\"(" +
           sqlite::list(columns) + ") AS MATERIALIZED (" + select + ") ";
}

}  // namespace tsql
