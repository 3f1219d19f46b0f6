#include "tsql/IndexSql.h"

#include "tsql/SqliteSyntax.h"

namespace tsql {

QByteArray createIndexSql(bool unique, const QString& schema, const QString& stored,
                          const QString& table, const IndexedColumns& columns) {
    QByteArrayList indexed;
    for (const auto& [name, descending] : columns)
        indexed << sqlite::name(name) + (descending ? " DESC" : "");
    return QByteArray("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
           sqlite::qualifiedName(schema, stored) + " ON " + sqlite::name(table) + " (" +
           indexed.join(", ") + ")";
}

QString nullGuardOf(const QString& index) {
    return QLatin1StringView(kNullGuardPrefix) + index;
}

QString guardedIndex(const QString& name) {
    const QLatin1StringView prefix(kNullGuardPrefix);
    return name.startsWith(prefix) ? name.mid(prefix.size()) : name;
}

QByteArray nullGuardSql(const QString& schema, const QString& table, const QString& index,
                        const std::vector<IndexColumn>& key) {
    QByteArrayList values;
    QByteArrayList nulls;
    for (const IndexColumn& column : key) {
        const QByteArray name = sqlite::name(column.name);
        values << "coalesce(" + name + ", 0) COLLATE " + sqlite::name(column.collation)
               << name + " IS NULL";
        nulls << name + " IS NULL";
    }
    return "CREATE UNIQUE INDEX " + sqlite::qualifiedName(schema, nullGuardOf(index)) + " ON " +
           sqlite::name(table) + " (" + values.join(", ") + ") WHERE " + nulls.join(" OR ");
}

}  // namespace tsql
