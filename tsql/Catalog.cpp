#include "tsql/Catalog.h"

#include <sqlite3.h>

#include "tsql/Collation.h"
#include "tsql/Database.h"
#include "tsql/SqliteSyntax.h"
#include "tsql/Value.h"

namespace tsql {

namespace {

QString textColumn(sqlite3_stmt* st, int c) {
    const unsigned char* p = sqlite3_column_text(st, c);
    return p ? QString::fromUtf8(reinterpret_cast<const char*>(p)) : QString();
}

}  // namespace

int TableInfo::indexOf(const QString& column) const {
    for (size_t k = 0; k < columns.size(); ++k)
        if (columns[k].name.compare(column, Qt::CaseInsensitive) == 0)
            return static_cast<int>(k);
    return -1;
}

QByteArray TableInfo::sqlName() const {
    return sqlite::name(schema) + "." + sqlite::name(name);
}

SqlType columnType(const QString& declared) {
    if (declared == u"INTEGER")  // the identity column, stored as SQLite's rowid
        return SqlType::of(SqlType::Int);
    SqlType t = SqlType::parseDeclared(declared);
    if (!t.known()) {
        // Columns of views over expressions, or files written by other tools.
        QString d = declared.toUpper();
        if (d.contains(u"INT"))
            return SqlType::of(SqlType::Int);
        if (d.contains(u"CHAR") || d.contains(u"TEXT") || d.contains(u"CLOB"))
            return SqlType::of(SqlType::VarChar, -1);
        if (d.contains(u"REAL") || d.contains(u"FLOA") || d.contains(u"DOUB"))
            return SqlType::of(SqlType::Float);
    }
    return t;
}

std::shared_ptr<const TableInfo> Catalog::find(const QString& schema, const QString& name) {
    Database::EngineScope scope(db_);
    const QString key = schema.toLower() + u'.' + name.toLower();
    auto it = tables_.find(key);
    if (it != tables_.end())
        return it.value();
    sqlite3* h = db_.handle();
    QByteArray sql = "SELECT name, type FROM " + sqlite::name(schema) +
                     ".sqlite_master WHERE type IN ('table','view') AND name = ?1 COLLATE " +
                     QByteArray(kCollation);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return nullptr;
    }
    QByteArray n = name.toUtf8();
    sqlite3_bind_text(st, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
    std::shared_ptr<TableInfo> info;
    if (sqlite3_step(st) == SQLITE_ROW) {
        info = std::make_shared<TableInfo>();
        info->schema = schema;
        info->name = textColumn(st, 0);
        info->view = textColumn(st, 1) == u"view";
    }
    sqlite3_finalize(st);
    if (!info) {
        tables_.insert(key, nullptr);
        return nullptr;
    }
    sql = "PRAGMA " + sqlite::name(schema) + ".table_info(" + sqlite::name(info->name) + ")";
    sqlite3_prepare_v2(h, sql.constData(), -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ColumnInfo c;
        c.name = textColumn(st, 1);
        QString declared = textColumn(st, 2);
        c.type = columnType(declared);
        c.notNull = sqlite3_column_int(st, 3) != 0;
        c.hasDefault = sqlite3_column_type(st, 4) != SQLITE_NULL;
        c.identity = declared == u"INTEGER" && sqlite3_column_int(st, 5) == 1;
        if (c.identity)
            info->identityColumn = static_cast<int>(info->columns.size());
        info->columns.push_back(c);
    }
    sqlite3_finalize(st);
    if (info->view) {
        sql = "SELECT column_types FROM " + sqlite::name(schema) + ".tsql_views WHERE name = ?1";
        if (sqlite3_prepare_v2(h, sql.constData(), -1, &st, nullptr) == SQLITE_OK) {
            QByteArray vn = info->name.toUtf8();
            sqlite3_bind_text(st, 1, vn.constData(), int(vn.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(st) == SQLITE_ROW) {
                const QStringList types = textColumn(st, 0).split(u';');
                for (size_t k = 0; k < info->columns.size() && k < size_t(types.size()); ++k)
                    info->columns[k].type = SqlType::parseDeclared(types[int(k)]);
            }
        }
        sqlite3_finalize(st);
    }
    tables_.insert(key, info);
    return info;
}

std::optional<SqlType> Catalog::aliasType(const QString& schema, const QString& name) {
    Database::EngineScope scope(db_);
    const QString key = schema.toLower() + u'.' + name.toLower();
    auto it = types_.find(key);
    if (it != types_.end())
        return it.value();
    QByteArray sql = "SELECT definition FROM " + sqlite::name(schema) +
                     ".tsql_types WHERE name = ?1 COLLATE " + QByteArray(kCollation);
    sqlite3_stmt* st = nullptr;
    std::optional<SqlType> r;
    if (sqlite3_prepare_v2(db_.handle(), sql.constData(), -1, &st, nullptr) == SQLITE_OK) {
        QByteArray n = name.toUtf8();
        sqlite3_bind_text(st, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW)
            r = SqlType::parseDeclared(textColumn(st, 0));
    }
    sqlite3_finalize(st);
    types_.insert(key, r);
    return r;
}

std::vector<ConstraintInfo> Catalog::constraints(const QString& schema, const QString& table) {
    Database::EngineScope scope(db_);
    std::vector<ConstraintInfo> out;
    QByteArray sql = "SELECT name, table_name, kind, columns, detail FROM " + sqlite::name(schema) +
                     ".tsql_constraints WHERE table_name = ?1 COLLATE " + QByteArray(kCollation) +
                     " OR ?1 IS NULL";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_.handle(), sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return out;
    }
    QByteArray t = table.toUtf8();
    if (table.isNull())
        sqlite3_bind_null(st, 1);
    else
        sqlite3_bind_text(st, 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ConstraintInfo c;
        c.name = textColumn(st, 0);
        c.table = textColumn(st, 1);
        c.kind = textColumn(st, 2);
        c.columns = textColumn(st, 3).split(u',', Qt::SkipEmptyParts);
        c.detail = textColumn(st, 4);
        out.push_back(c);
    }
    sqlite3_finalize(st);
    return out;
}

std::optional<ConstraintInfo> Catalog::constraint(const QString& schema, const QString& name) {
    for (auto& c : constraints(schema, QString()))
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return std::nullopt;
}

QString Catalog::uniqueIndexOn(const QString& schema, const QString& table,
                               const QStringList& columns) {
    Database::EngineScope scope(db_);
    sqlite3* h = db_.handle();
    QByteArray sql = "PRAGMA " + sqlite::name(schema) + ".index_list(" + sqlite::name(table) + ")";
    sqlite3_stmt* st = nullptr;
    QStringList candidates;
    if (sqlite3_prepare_v2(h, sql.constData(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            if (sqlite3_column_int(st, 2))
                candidates << textColumn(st, 1);
    sqlite3_finalize(st);
    for (const QString& idx : candidates) {
        QStringList cols;
        sql = "PRAGMA " + sqlite::name(schema) + ".index_info(" + sqlite::name(idx) + ")";
        if (sqlite3_prepare_v2(h, sql.constData(), -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                cols << textColumn(st, 2);
        sqlite3_finalize(st);
        if (cols.size() == columns.size()) {
            bool same = true;
            for (int k = 0; k < cols.size(); ++k)
                same = same && cols[k].compare(columns[k], Qt::CaseInsensitive) == 0;
            if (same)
                return idx;
        }
    }
    return {};
}

bool Catalog::objectExists(const QString& schema, const QString& name) {
    Database::EngineScope scope(db_);
    QByteArray s = sqlite::name(schema);
    QByteArray sql = "SELECT 1 FROM " + s + ".sqlite_master WHERE name = ?1 COLLATE " +
                     QByteArray(kCollation) +
                     " "
                     "UNION ALL SELECT 1 FROM " +
                     s +
                     ".tsql_procedures WHERE name = ?1 "
                     "UNION ALL SELECT 1 FROM " +
                     s + ".tsql_constraints WHERE name = ?1";
    sqlite3_stmt* st = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db_.handle(), sql.constData(), -1, &st, nullptr) == SQLITE_OK) {
        QByteArray n = name.toUtf8();
        sqlite3_bind_text(st, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        found = sqlite3_step(st) == SQLITE_ROW;
    }
    sqlite3_finalize(st);
    return found;
}

void Catalog::invalidate() {
    tables_.clear();
    types_.clear();
}

}  // namespace tsql
