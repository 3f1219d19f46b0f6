// SQLite constraint failures reported in SQL Server's words (515, 2627, 2601, 547).
#include <sqlite3.h>

#include "tsql/Errors.h"
#include "tsql/Interpreter.h"

namespace tsql {

void Interpreter::raiseConstraint(int rc, const QString& message, const Compiled& c) {
    const QString verb = c.verb.isEmpty() ? QStringLiteral("INSERT") : c.verb;
    const QString schema = c.target ? c.target->schema : QStringLiteral("main");
    const QString dbShown = schema == u"main" ? dbName_ : schema;
    // SQLite: "<KIND> constraint failed: T.a, T.b"
    QStringList columns;
    QString table = c.target ? c.target->name : QString();
    int colon = static_cast<int>(message.indexOf(QStringLiteral("failed: ")));
    if (colon >= 0) {
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
            QString index = catalog_->uniqueIndexOn(schema, table, columns);
            std::optional<ConstraintInfo> k;
            for (auto& ci : catalog_->constraints(schema, table))
                if ((ci.kind == u"PK" || ci.kind == u"UQ") &&
                    (ci.name.compare(index, Qt::CaseInsensitive) == 0 ||
                     (rc == SQLITE_CONSTRAINT_PRIMARYKEY && ci.kind == u"PK")))
                    k = ci;
            if (k)
                raise(err::DuplicateKey,
                      QStringLiteral("Violation of %1 constraint '%2'. Cannot insert duplicate key "
                                     "in object 'dbo.%3'.")
                          .arg(k->kind == u"PK" ? QStringLiteral("PRIMARY KEY")
                                                : QStringLiteral("UNIQUE KEY"),
                               k->name, table));
            int dot = static_cast<int>(index.indexOf(u'.'));
            raise(err::DuplicateIndexKey,
                  QStringLiteral("Cannot insert duplicate key row in object 'dbo.%1' with unique "
                                 "index '%2'.")
                      .arg(table, dot >= 0 ? index.mid(dot + 1) : index));
        }
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
