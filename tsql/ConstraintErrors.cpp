// SQLite constraint failures reported in SQL Server's words (515, 2627, 2601, 547).
#include <sqlite3.h>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/IndexSql.h"
#include "tsql/Interpreter.h"

namespace tsql {

namespace {

// A key column's value as SQL Server shows it in 2627 and 2601.
QString keyText(const Value& v, const SqlType& type) {
    if (v.isNull())
        return QStringLiteral("<NULL>");
    if (type.base == SqlType::Money)
        return formatNumber(v, type, 2);
    if (type.isNumeric())
        return formatNumber(v, type);
    if (type.isTemporal() && !type.isDateTime())
        return convertValue(v, type, SqlType::of(SqlType::VarChar, 40)).toString();
    return v.toString();
}

// tsql_note_key(a, b, ...): keeps its arguments in the vector it was registered with.
void noteKey(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    auto* key = static_cast<std::vector<Value>*>(sqlite3_user_data(ctx));
    key->clear();
    for (int k = 0; k < argc; ++k)
        key->push_back(Value::fromSqlite(argv[k]));
    sqlite3_result_null(ctx);
}

}  // namespace

// The key that made statement `c` fail, as " The duplicate key value is (1, x).": the
// statement runs again inside a savepoint, with a trigger that hands each row's key to a
// function before SQLite checks it (rows a failing statement wrote are rolled back with it), so
// the last key handed over is the one that failed. Empty when it cannot tell.
QString Interpreter::duplicateKeyValue(const Compiled& c, const QStringList& columns) {
    const std::shared_ptr<const TableInfo> table = c.target;
    if (!table || (c.verb != u"INSERT" && c.verb != u"UPDATE"))
        return {};
    std::vector<QByteArray> noted;
    std::vector<SqlType> types;
    for (const QString& column : columns) {
        const int k = table->indexOf(column);
        if (k < 0)
            return {};
        noted.push_back("NEW." + sqlite::name(column));
        types.push_back(table->columns[static_cast<size_t>(k)].type);
    }
    std::vector<Value> key;
    sqlite3* handle = db_->handle();
    sqlite3_create_function_v2(handle, "tsql_note_key", -1, SQLITE_UTF8, &key, noteKey, nullptr,
                               nullptr, nullptr);
    db_->exec("SAVEPOINT tsql_duplicate_key");
    try {
        db_->exec("CREATE TEMP TRIGGER tsql_note_key BEFORE " + c.verb.toLatin1() + " ON " +
                  table->sqlName() + " BEGIN SELECT tsql_note_key(" + sqlite::list(noted) +
                  "); END");
        sqlite3_stmt* st = db_->prepare(c.sql);
        bindSlots(st, c);
        db_->step(st);
        sqlite3_reset(st);
    } catch (const db::Error&) {
        key.clear();  // the message goes without the value
    }
    db_->exec("ROLLBACK TO tsql_duplicate_key");
    db_->exec("RELEASE tsql_duplicate_key");
    sqlite3_create_function_v2(handle, "tsql_note_key", -1, SQLITE_UTF8, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
    schemaChanged();
    if (key.size() != types.size())
        return {};
    QStringList shown;
    for (size_t k = 0; k < types.size(); ++k)
        shown << keyText(key[k], types[k]);
    return QStringLiteral(" The duplicate key value is (%1).")
        .arg(shown.join(QStringLiteral(", ")));
}

// The first of the keys that repeat among the table's rows, NULLs counting as equal.
void Interpreter::duplicateKeyFound(const QString& schema, const QString& table,
                                    const QString& shown, const IndexedColumns& columns) {
    QByteArrayList names;
    for (const auto& column : columns)
        names << sqlite::name(column.first);
    const QByteArray key = names.join(", ");
    const std::shared_ptr<const TableInfo> t = catalog_->find(schema, table);
    QStringList values;
    sqlite3_stmt* st =
        db_->prepare("SELECT " + key + " FROM " + sqlite::qualifiedName(schema, table) +
                     " GROUP BY " + key + " HAVING count(*) > 1 ORDER BY " + key + " LIMIT 1");
    if (db_->step(st) == SQLITE_ROW)
        for (size_t k = 0; k < columns.size(); ++k) {
            const int at = t ? t->indexOf(columns[k].first) : -1;
            values << keyText(Value::fromColumn(st, static_cast<int>(k)),
                              at < 0 ? SqlType() : t->columns[static_cast<size_t>(at)].type);
        }
    sqlite3_reset(st);
    raise(err::DuplicateKeyFound,
          QStringLiteral("The CREATE UNIQUE INDEX statement terminated because a duplicate key "
                         "was found for the object name 'dbo.%1' and the index name '%2'. The "
                         "duplicate key value is (%3).")
              .arg(table, shown, values.join(QStringLiteral(", "))));
}

void Interpreter::raiseConstraint(int rc, const QString& message, const Compiled& c) {
    const QString verb = c.verb.isEmpty() ? QStringLiteral("INSERT") : c.verb;
    const QString schema = c.target ? c.target->schema : QStringLiteral("main");
    const QString dbShown = schema == u"main" ? dbName_ : schema;
    // SQLite: "<KIND> constraint failed: T.a, T.b", or "... failed: index 'I'" for the guard of
    // an index's NULLs
    QStringList columns;
    QString table = c.target ? c.target->name : QString();
    QString index;
    int colon = static_cast<int>(message.indexOf(QStringLiteral("failed: ")));
    const QString failed = colon >= 0 ? message.mid(colon + 8) : QString();
    if (failed.startsWith(u"index '") && failed.endsWith(u'\'')) {
        index = guardedIndex(failed.mid(7).chopped(1));
        for (const IndexColumn& column : catalog_->indexColumns(schema, index))
            columns << column.name;
    } else if (colon >= 0) {
        for (QString part : message.mid(colon + 8).split(QStringLiteral(", "))) {
            int dot = static_cast<int>(part.indexOf(u'.'));
            if (dot >= 0) {
                table = part.left(dot);
                part = part.mid(dot + 1);
            }
            columns << part.trimmed();
        }
    }
    switch (rc) {
        case SQLITE_CONSTRAINT_NOTNULL:
            raise(err::NullNotAllowed,
                  QStringLiteral("Cannot insert the value NULL into column '%1', table "
                                 "'%2.dbo.%3'; column does not allow nulls. %4 fails.")
                      .arg(columns.value(0), dbShown, table, verb));
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY: {
            if (index.isEmpty())
                index = catalog_->uniqueIndexOn(schema, table, columns);
            std::optional<ConstraintInfo> k;
            for (auto& ci : catalog_->constraints(schema, table))
                if ((ci.kind == u"PK" || ci.kind == u"UQ") &&
                    (ci.name.compare(index, Qt::CaseInsensitive) == 0 ||
                     (rc == SQLITE_CONSTRAINT_PRIMARYKEY && ci.kind == u"PK")))
                    k = ci;
            const QString value = duplicateKeyValue(c, columns);
            if (k)
                raise(err::DuplicateKey,
                      QStringLiteral("Violation of %1 constraint '%2'. Cannot insert duplicate key "
                                     "in object 'dbo.%3'.%4")
                          .arg(k->kind == u"PK" ? QStringLiteral("PRIMARY KEY")
                                                : QStringLiteral("UNIQUE KEY"),
                               k->name, table, value));
            int dot = static_cast<int>(index.indexOf(u'.'));
            raise(err::DuplicateIndexKey,
                  QStringLiteral("Cannot insert duplicate key row in object 'dbo.%1' with unique "
                                 "index '%2'.%3")
                      .arg(table, dot >= 0 ? index.mid(dot + 1) : index, value));
        }
        case SQLITE_CONSTRAINT_CHECK:
            if (c.target && colon >= 0)
                checkConflict(verb, *c.target, message.mid(colon + 8).trimmed());
            raise(0, message);
        case SQLITE_CONSTRAINT_FOREIGNKEY: {
            // SQLite does not say which key failed: name the likely one from the metadata.
            QString name, refTable, refColumn;
            for (auto& ci : catalog_->constraints(schema, QString())) {
                if (ci.kind != u"FK")
                    continue;
                const QString ref = ci.detail.left(ci.detail.indexOf(u'('));
                if (verb == u"DELETE" ? ref.compare(table, Qt::CaseInsensitive) == 0
                                      : ci.table.compare(table, Qt::CaseInsensitive) == 0) {
                    name = ci.name;
                    if (verb == u"DELETE") {
                        refTable = ci.table;
                        refColumn = ci.columns.value(0);
                    } else {
                        refTable = ref;
                        refColumn = ci.detail.mid(ci.detail.indexOf(u'(') + 1).chopped(1);
                    }
                    break;
                }
            }
            raise(err::ReferenceConflict,
                  QStringLiteral(
                      "The %1 statement conflicted with the %2 constraint \"%3\". The "
                      "conflict occurred in database \"%4\", table \"dbo.%5\", column '%6'.")
                      .arg(verb,
                           verb == u"DELETE" ? QStringLiteral("REFERENCE")
                                             : QStringLiteral("FOREIGN KEY"),
                           name, dbShown, refTable, refColumn));
        }
        default:
            raise(0, message);
    }
}

}  // namespace tsql
