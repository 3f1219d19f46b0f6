// Rendering of CROSS APPLY and OUTER APPLY. SQLite has no LATERAL join: a right side that names
// the left side's columns (or the statement's placeholders) becomes a select of its own, run by
// tsql_apply (ApplyRows.h) once for each row of the left side with those values as ?1, ?2 ...;
// OUTER APPLY is a LEFT JOIN to it. A right side that names nothing of the left is a plain join.
#include "tsql/ApplyRows.h"
#include "tsql/Errors.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

namespace {

// The select of the right side: a derived table's, an inline function's expansion; none for a
// table or view, which the left side cannot reach into.
const Select* rowsOf(const TableRef& right) {
    if (right.kind == TableRef::Derived)
        return right.derived.get();
    if (right.kind == TableRef::Function)
        return right.expansion.get();
    return nullptr;
}

}  // namespace

QByteArray SqliteEmitter::applySql(const TableRef& t) {
    const bool outer = t.joinType == TableRef::OuterApply;
    const QByteArray join = outer ? " LEFT JOIN " : " CROSS JOIN ";
    const QByteArray on = outer ? " ON 1" : "";
    const QByteArray left = tableSql(*t.left);
    const Select* rows = rowsOf(*t.right);
    if (!rows) {
        const QByteArray right = tableSql(*t.right);
        return left + join + (t.right->kind == TableRef::Join ? "(" + right + ")" : right) + on;
    }
    laterals_.push_back({t.level, {}});
    std::vector<OutColumn> columns;
    const QByteArray query = selectSql(*rows, &columns);
    const std::vector<QByteArray> values = std::move(laterals_.back().values);
    laterals_.pop_back();
    const QByteArray alias = " AS " + sqlite::name(t.right->exposedName());
    if (values.empty())
        return left + join + "(" + query + ")" + alias + on;
    if (columns.size() > static_cast<size_t>(kApplyColumns) ||
        values.size() > static_cast<size_t>(kApplyValues))
        notSupported(QStringLiteral("APPLY of more than %1 columns or %2 values of the left side")
                         .arg(kApplyColumns)
                         .arg(kApplyValues));
    appliedRows_.push_back(rows);
    std::vector<QByteArray> args{sqlite::text(query)};
    args.insert(args.end(), values.begin(), values.end());
    return left + join + kApplyRows + "(" + sqlite::list(args) + ")" + alias + on;
}

// Outermost first: each APPLY whose left side holds the value's query (or a query around it)
// takes it as one of its values, and its select sees a placeholder.
sqlite::Term SqliteEmitter::passedIn(sqlite::Term value, int level) {
    for (Lateral& l : laterals_) {
        if (level > l.level)
            continue;
        auto it = std::find(l.values.begin(), l.values.end(), value.text);
        if (it == l.values.end())
            it = l.values.insert(l.values.end(), value.text);
        value = sqlite::primary("?" + QByteArray::number(it - l.values.begin() + 1));
    }
    return value;
}

}  // namespace tsql
