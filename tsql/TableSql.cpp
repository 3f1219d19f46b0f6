#include "tsql/TableSql.h"

#include "tsql/SqliteSyntax.h"

namespace tsql {

namespace {

QByteArray nameList(const QStringList& names) {
    std::vector<QByteArray> quoted;
    for (const QString& n : names)
        quoted.push_back(sqlite::name(n));
    return sqlite::list(quoted);
}

QByteArray constraintName(const ForeignKeySql& k) {
    return k.name.isEmpty() ? QByteArray() : "CONSTRAINT " + sqlite::name(k.name) + " ";
}

QByteArray referenced(const ForeignKeySql& k) {
    QByteArray sql = "REFERENCES " + sqlite::name(k.refTable);
    if (!k.refColumns.isEmpty())
        sql += " (" + nameList(k.refColumns) + ")";
    return sql;
}

}  // namespace

QByteArray columnDefinition(const ColumnSql& c) {
    QByteArray sql = sqlite::name(c.name) + " " + c.type;
    if (c.rowid)
        sql += c.autoincrement ? " PRIMARY KEY AUTOINCREMENT" : " PRIMARY KEY";
    if (c.notNull)
        sql += " NOT NULL";
    if (!c.defaultSql.isEmpty())
        sql += " DEFAULT (" + c.defaultSql + ")";
    if (!c.generated.isEmpty())
        sql += " GENERATED ALWAYS AS (" + c.generated + (c.stored ? ") STORED" : ") VIRTUAL");
    if (c.reference)
        sql += " " + constraintName(*c.reference) + referenced(*c.reference);
    return sql;
}

QByteArray createTableSql(const TableSql& t, const QString& name) {
    QByteArray body;
    for (const ColumnSql& c : t.columns)
        body += (body.isEmpty() ? "" : ",\n  ") + columnDefinition(c);
    for (const ForeignKeySql& k : t.foreignKeys)
        body += ",\n  " + constraintName(k) + "FOREIGN KEY (" + nameList(k.columns) + ") " +
                referenced(k);
    for (const CheckSql& k : t.checks)
        body += ",\n  CONSTRAINT " + sqlite::name(k.name) + " CHECK (" + k.condition + ")";
    return "CREATE TABLE " + sqlite::qualifiedName(t.schema, name.isEmpty() ? t.name : name) +
           " (\n  " + body + "\n)";
}

}  // namespace tsql
