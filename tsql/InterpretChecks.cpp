// CHECK constraints: SQLite enforces them as the table declares them, their conditions rendered
// in SQLite's words over the table's columns; the metadata keeps each one's columns for 547.
#include "tsql/Errors.h"
#include "tsql/Interpreter.h"
#include "tsql/TableRebuild.h"
#include "tsql/Walker.h"

namespace tsql {

CheckSql Interpreter::checkConstraint(const TableInfo& t, const QString& name,
                                      const Expr& condition) {
    SqliteEmitter emitter(*this);
    const Compiled c = emitter.tableExpression(condition, t);
    if (!c.bindings.empty())
        notSupported(QStringLiteral("variables and context values in a CHECK constraint"));
    QStringList columns;
    walk(condition,
         {[&](const Expr& e) {
              if (e.kind == Expr::Column && !columns.contains(e.parts.last(), Qt::CaseInsensitive))
                  columns << e.parts.last();
              return false;
          },
          {}});
    recordConstraint(name, t.name, QStringLiteral("CK"), columns, QString::fromUtf8(c.sql));
    return {name, c.sql};
}

namespace {

// WITH NOCHECK: while it lives, SQLite copies rows without looking at CHECK constraints.
class IgnoredChecks {
public:
    IgnoredChecks(Database& db, bool ignore) : db_(db), ignore_(ignore) {
        if (ignore_)
            db_.exec("PRAGMA ignore_check_constraints = ON");
    }
    ~IgnoredChecks() {
        try {
            if (ignore_)
                db_.exec("PRAGMA ignore_check_constraints = OFF");
        } catch (...) {
            // The connection failed; the setting goes with it.
        }
    }
    IgnoredChecks(const IgnoredChecks&) = delete;
    IgnoredChecks& operator=(const IgnoredChecks&) = delete;

private:
    Database& db_;
    bool ignore_;
};

}  // namespace

// WITH CHECK, the rows already there must meet the condition (547).
void Interpreter::addCheck(const TableInfo& t, const QString& name, const Expr& condition,
                           bool checkExisting) {
    TableSql d = declaration(t.name);
    d.checks.push_back(checkConstraint(t, name, condition));
    const IgnoredChecks ignored(*db_, !checkExisting);
    try {
        rebuild(d);
    } catch (const db::Error& e) {
        if (e.message().contains(QStringLiteral("CHECK constraint failed")))
            checkConflict(QStringLiteral("ALTER TABLE"), t, name);
        throw;
    }
}

void Interpreter::dropCheck(const QString& table, const QString& name) {
    TableSql d = declaration(table);
    std::erase_if(d.checks, [&](const CheckSql& k) {
        return k.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    rebuild(d);
}

// 547 for a row that does not meet the CHECK constraint `name`; the column is named when the
// condition reads only one.
void Interpreter::checkConflict(const QString& verb, const TableInfo& t, const QString& name) {
    const std::optional<ConstraintInfo> k = catalog_->constraint(t.schema, name);
    const QString column = k && k->columns.size() == 1
                               ? QStringLiteral(", column '%1'").arg(k->columns[0])
                               : QString();
    raise(err::ReferenceConflict,
          QStringLiteral("The %1 statement conflicted with the CHECK constraint \"%2\". The "
                         "conflict occurred in database \"%3\", table \"dbo.%4\"%5.")
              .arg(verb, k ? k->name : name, t.schema == u"main" ? dbName_ : t.schema, t.name,
                   column));
}

}  // namespace tsql
