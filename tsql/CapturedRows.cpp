#include "tsql/CapturedRows.h"

#include <tuple>
#include <vector>

#include "tsql/SqliteSyntax.h"

namespace tsql {

namespace {

QByteArray temporary(const QString& name) {
    return "temp." + sqlite::name(name);
}

// INSERT INTO copy (rowid, columns...) VALUES (row.rowid, row.column...); without the rowid
// where the row has none yet (a view's, or before it is written), the copies number their rows
// in the order they come, which pairs an UPDATE's old and new rows all the same.
QByteArray copyRow(const TableInfo& target, const QString& copy, const char* row, bool rowid) {
    std::vector<QByteArray> names, values;
    if (rowid) {
        names.push_back("rowid");
        values.push_back(QByteArray(row) + ".rowid");
    }
    for (const ColumnInfo& c : target.columns) {
        names.push_back(sqlite::name(c.name));
        values.push_back(row + ("." + sqlite::name(c.name)));
    }
    // A trigger names its tables unqualified; a temporary one finds temp's first.
    return "INSERT INTO " + sqlite::name(copy) + " (" + sqlite::list(names) + ") VALUES (" +
           sqlite::list(values) + "); ";
}

const char* eventOf(Stmt::Kind kind) {
    return kind == Stmt::Insert ? "INSERT" : kind == Stmt::Update ? "UPDATE" : "DELETE";
}

QByteArray timingOf(const TableInfo& target, CapturedRows::Timing timing) {
    if (timing == CapturedRows::After)
        return "AFTER ";
    return target.view ? "INSTEAD OF " : "BEFORE ";
}

}  // namespace

CapturedRows::CapturedRows(Database& db, const TableInfo& target, Stmt::Kind kind, Names names,
                           Timing timing)
    : db_(db), names_(std::move(names)) {
    std::vector<QByteArray> columns;
    for (const ColumnInfo& c : target.columns)
        columns.push_back(sqlite::name(c.name) + " " + c.type.columnSql());
    columns_ = sqlite::list(columns);
    const Database::EngineScope scope(db_);
    drop();
    QByteArray body;
    // An INSERT has no old rows, a DELETE no new ones: their copies stay empty.
    for (const auto& [copy, row, written] :
         {std::tuple{names_.inserted, "NEW", kind != Stmt::Delete},
          std::tuple{names_.deleted, "OLD", kind != Stmt::Insert}}) {
        if (copy.isNull())
            continue;
        db_.exec(declaration(copy));
        if (written)
            body += copyRow(target, copy, row, timing == After);
    }
    if (timing == Instead && !target.view)
        body += "SELECT RAISE(IGNORE); ";
    if (!body.isEmpty())
        db_.exec("CREATE TEMP TRIGGER " + sqlite::name(names_.trigger) + " " +
                 timingOf(target, timing) + eventOf(kind) + " ON " + target.sqlName() + " BEGIN " +
                 body + "END");
}

CapturedRows::~CapturedRows() {
    try {
        const Database::EngineScope scope(db_);
        drop();
    } catch (...) {
        // The connection failed; the temporary objects go with it.
    }
}

QByteArray CapturedRows::declaration(const QString& table) const {
    return "CREATE TABLE " + temporary(table) + " (" + columns_ + ")";
}

qint64 CapturedRows::count(const QString& table) const {
    const Database::EngineScope scope(db_);
    return db_.scalar("SELECT count(*) FROM " + temporary(table));
}

void CapturedRows::stop() {
    const Database::EngineScope scope(db_);
    db_.exec("DROP TRIGGER IF EXISTS " + temporary(names_.trigger));
}

void CapturedRows::drop() {
    stop();
    for (const QString& copy : {names_.inserted, names_.deleted})
        if (!copy.isNull())
            db_.exec("DROP TABLE IF EXISTS " + temporary(copy));
}

}  // namespace tsql
