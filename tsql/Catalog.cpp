#include "tsql/Catalog.h"

#include <algorithm>

#include <sqlite3.h>

#include "dbcore/Error.h"
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

// A read of the schema whose every step is checked: a failure raises instead of reading as no
// rows. A read that may not prepare (a table of the engine's metadata that an older or another
// tool's file lacks, a schema not attached) is `Optional`: it then has no rows. A `Kept` read, a
// SELECT whose text names no object of the database, stays prepared in the connection's
// statement cache (a PRAGMA is not kept: SQLite computes its rows when it prepares it).
class SchemaRead {
public:
    enum Need { Required, Optional };
    enum Keep { Once, Kept };
    SchemaRead(Database& database, const QByteArray& sql, Need need = Required, Keep keep = Once)
        : db_(database), kept_(keep == Kept) {
        if (kept_) {
            try {
                st_ = database.prepare(sql);
            } catch (const db::Error&) {
                if (need == Required)
                    throw;
            }
            return;
        }
        const int rc =
            sqlite3_prepare_v2(database.handle(), sql.constData(), int(sql.size()), &st_, nullptr);
        if (rc != SQLITE_OK && need == Required)
            database.raiseLast(rc);
    }
    ~SchemaRead() {
        if (!kept_)
            sqlite3_finalize(st_);
        else if (st_)
            sqlite3_reset(st_);
    }
    SchemaRead(const SchemaRead&) = delete;
    SchemaRead& operator=(const SchemaRead&) = delete;

    bool prepared() const { return st_ != nullptr; }
    // Binds ?k to a text, or to NULL for a null string.
    void bind(int k, const QString& value) {
        if (!st_)
            return;
        if (value.isNull()) {
            sqlite3_bind_null(st_, k);
            return;
        }
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(st_, k, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    bool next() {
        if (!st_)
            return false;
        const int rc = sqlite3_step(st_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            db_.raiseLast(rc);
        return rc == SQLITE_ROW;
    }
    QString text(int c) const { return textColumn(st_, c); }
    int integer(int c) const { return sqlite3_column_int(st_, c); }
    qint64 integer64(int c) const { return sqlite3_column_int64(st_, c); }
    bool isNull(int c) const { return sqlite3_column_type(st_, c) == SQLITE_NULL; }

private:
    Database& db_;
    bool kept_;
    sqlite3_stmt* st_ = nullptr;
};

// A name as the collation would compare it, short of its own equivalences: trailing blanks
// dropped, letter case folded.
QString foldedName(const QString& name) {
    qsizetype n = name.size();
    while (n > 0 && name[n - 1] == u' ')
        --n;
    return name.left(n).toCaseFolded();
}

bool sameNames(const QStringList& a, const QStringList& b) {
    return a.join(u',').compare(b.join(u','), Qt::CaseInsensitive) == 0;
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
    const std::optional<Object> object = objectNamed(schema, name);
    if (!object) {
        tables_.insert(key, nullptr);
        return nullptr;
    }
    auto info = std::make_shared<TableInfo>();
    info->schema = schema;
    info->name = object->name;
    info->view = object->view;
    // table_xinfo lists generated columns too (hidden 2 and 3); 1 marks a virtual table's hidden.
    SchemaRead columns(
        db_, "PRAGMA " + sqlite::name(schema) + ".table_xinfo(" + sqlite::name(info->name) + ")");
    while (columns.next()) {
        if (columns.integer(6) == 1)
            continue;
        ColumnInfo c;
        c.computed = columns.integer(6) >= 2;
        c.name = columns.text(1);
        QString declared = columns.text(2);
        c.type = columnType(declared);
        c.notNull = columns.integer(3) != 0;
        c.defaultSql = columns.text(4).toUtf8();
        c.identity = declared == u"INTEGER" && columns.integer(5) == 1;
        if (c.identity)
            info->identityColumn = static_cast<int>(info->columns.size());
        info->columns.push_back(c);
    }
    if (info->identityColumn >= 0)
        readIdentity(*info);
    if (info->view)
        readViewTypes(*info);
    tables_.insert(key, info);
    return info;
}

// Names equal under the collation fold alike but for the collator's own equivalences, so the
// table found by its folded name is the one, once the collation confirms it; the schema table is
// searched under the collation only when that fails (no object by that name, or one whose name
// folds otherwise; a miss is then kept in tables_). A name held twice under one fold is left to
// that search as well.
std::optional<Catalog::Object> Catalog::objectNamed(const QString& schema, const QString& name) {
    const QHash<QString, Object>* objects = objectsOf(schema);
    if (objects) {
        const auto it = objects->constFind(foldedName(name));
        if (it != objects->cend() && !it->name.isEmpty()) {
            const QByteArray a = it->name.toUtf8(), b = name.toUtf8();
            if (compareTexts(a.constData(), int(a.size()), b.constData(), int(b.size())) == 0)
                return *it;
        }
    }
    SchemaRead object(db_,
                      "SELECT name, type FROM " + sqlite::name(schema) +
                          ".sqlite_master WHERE type IN ('table','view') AND name = ?1 COLLATE " +
                          QByteArray(kCollation),
                      SchemaRead::Optional);
    object.bind(1, name);
    if (!object.next())
        return std::nullopt;
    return Object{object.text(0), object.text(1) == u"view"};
}

// The tables and views of a schema by folded name, read once until the catalogue is invalidated;
// nullptr for a schema that cannot be read.
const QHash<QString, Catalog::Object>* Catalog::objectsOf(const QString& schema) {
    const QString key = schema.toLower();
    if (auto it = objects_.constFind(key); it != objects_.cend())
        return &*it;
    SchemaRead list(db_,
                    "SELECT name, type FROM " + sqlite::name(schema) +
                        ".sqlite_master WHERE type IN ('table','view')",
                    SchemaRead::Optional);
    if (!list.prepared())
        return nullptr;
    QHash<QString, Object> objects;
    while (list.next()) {
        const QString name = list.text(0);
        const QString folded = foldedName(name);
        if (auto it = objects.find(folded); it != objects.end())
            it->name.clear();  // ambiguous: searched under the collation
        else
            objects.insert(folded, Object{name, list.text(1) == u"view"});
    }
    return &*objects_.insert(key, std::move(objects));
}

// The seed and increment of the table's identity; a file without the metadata (read-only, or
// from an older engine) keeps the defaults.
void Catalog::readIdentity(TableInfo& t) {
    const QByteArray sql = "SELECT seed, increment FROM " + sqlite::name(t.schema) +
                           ".tsql_identities WHERE name = ?1";
    SchemaRead read(db_, sql, SchemaRead::Optional, SchemaRead::Kept);
    read.bind(1, t.name);
    if (read.next()) {
        t.identitySeed = read.integer64(0);
        t.identityIncrement = read.integer64(1);
    }
}

// A view's columns have the types its select gave them when it was made.
void Catalog::readViewTypes(TableInfo& view) {
    SchemaRead read(
        db_,
        "SELECT column_types FROM " + sqlite::name(view.schema) + ".tsql_views WHERE name = ?1",
        SchemaRead::Optional, SchemaRead::Kept);
    read.bind(1, view.name);
    if (!read.next())
        return;
    const QStringList types = read.text(0).split(u';');
    for (size_t k = 0; k < view.columns.size() && k < size_t(types.size()); ++k)
        view.columns[k].type = SqlType::parseDeclared(types[int(k)]);
}

std::optional<SqlType> Catalog::aliasType(const QString& name) {
    // Keyed as spelt: another spelling of the same type is looked up once more, and a statement
    // that names a type is spared folding its case on every run.
    auto it = types_.find(name);
    if (it != types_.end())
        return it->second;
    Database::EngineScope scope(db_);
    QByteArray sql =
        "SELECT definition FROM main.tsql_types WHERE name = ?1 COLLATE " + QByteArray(kCollation);
    SchemaRead read(db_, sql, SchemaRead::Optional);
    read.bind(1, name);
    std::optional<SqlType> r;
    if (read.next())
        r = SqlType::parseDeclared(read.text(0));
    types_.emplace(name, r);
    return r;
}

std::vector<ConstraintInfo> Catalog::constraints(const QString& schema, const QString& table) {
    Database::EngineScope scope(db_);
    std::vector<ConstraintInfo> out;
    QByteArray sql = "SELECT name, table_name, kind, columns, detail FROM " + sqlite::name(schema) +
                     ".tsql_constraints WHERE table_name = ?1 COLLATE " + QByteArray(kCollation) +
                     " OR ?1 IS NULL";
    SchemaRead read(db_, sql, SchemaRead::Optional);
    read.bind(1, table);
    while (read.next()) {
        ConstraintInfo c;
        c.name = read.text(0);
        c.table = read.text(1);
        c.kind = read.text(2);
        c.columns = read.text(3).split(u',', Qt::SkipEmptyParts);
        c.detail = read.text(4);
        out.push_back(c);
    }
    return out;
}

namespace {

std::vector<TriggerInfo> readTriggers(Database& db, const QString& schema, const char* where,
                                      const QString& name) {
    Database::EngineScope scope(db);
    std::vector<TriggerInfo> out;
    SchemaRead read(db,
                    "SELECT name, table_name, events, definition FROM " + sqlite::name(schema) +
                        ".tsql_triggers WHERE " + where + " = ?1 COLLATE " + kCollation +
                        " ORDER BY rowid",
                    SchemaRead::Optional);
    read.bind(1, name);
    while (read.next())
        out.push_back({read.text(0), read.text(1), read.integer(2), read.text(3)});
    return out;
}

}  // namespace

const std::vector<TriggerInfo>& Catalog::triggers(const QString& schema, const QString& table) {
    const QString key = schema.toLower() + u'.' + foldedName(table);
    auto it = triggers_.find(key);
    if (it == triggers_.end())
        it = triggers_.insert(key, readTriggers(db_, schema, "table_name", table));
    return it.value();
}

std::optional<TriggerInfo> Catalog::trigger(const QString& schema, const QString& name) {
    std::vector<TriggerInfo> found = readTriggers(db_, schema, "name", name);
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::optional<ConstraintInfo> Catalog::constraint(const QString& schema, const QString& name) {
    for (auto& c : constraints(schema, QString()))
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return std::nullopt;
}

QString Catalog::uniqueIndexOn(const QString& schema, const QString& table,
                               const QStringList& columns) {
    for (const QString& idx : uniqueIndexes(schema, table)) {
        QStringList cols;
        for (const IndexColumn& column : indexColumns(schema, idx))
            cols << column.name;
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

QStringList Catalog::uniqueIndexes(const QString& schema, const QString& table) {
    Database::EngineScope scope(db_);
    QStringList unique;
    SchemaRead list(db_,
                    "PRAGMA " + sqlite::name(schema) + ".index_list(" + sqlite::name(table) + ")",
                    SchemaRead::Optional);
    // seq, name, unique, origin, partial
    while (list.next())
        if (list.integer(2) && !list.integer(4))
            unique << list.text(1);
    return unique;
}

std::vector<IndexColumn> Catalog::indexColumns(const QString& schema, const QString& index) {
    Database::EngineScope scope(db_);
    std::vector<IndexColumn> columns;
    SchemaRead info(db_,
                    "PRAGMA " + sqlite::name(schema) + ".index_xinfo(" + sqlite::name(index) + ")",
                    SchemaRead::Optional);
    // seqno, cid, name, desc, coll, key
    while (info.next())
        if (info.integer(5))
            columns.push_back({info.text(2), info.text(4)});
    return columns;
}

std::optional<TableSql> Catalog::definition(const QString& schema, const QString& name) {
    const std::shared_ptr<const TableInfo> t = find(schema, name);
    if (!t || t->view)
        return std::nullopt;
    Database::EngineScope scope(db_);
    TableSql d;
    d.schema = t->schema;
    d.name = t->name;
    d.columns = declaredColumns(*t);
    d.foreignKeys = foreignKeys(*t, &d.complete);
    // The expressions of computed columns are not read back: such a table is not rebuilt.
    d.complete = d.complete && !hasKeysOfItsOwn(*t) &&
                 std::none_of(t->columns.begin(), t->columns.end(),
                              [](const ColumnInfo& c) { return c.computed; });
    for (const ConstraintInfo& c : constraints(schema, name))
        if (c.kind == u"CK")
            d.checks.push_back({c.name, c.detail.toUtf8()});
    return d;
}

std::vector<ColumnSql> Catalog::declaredColumns(const TableInfo& t) {
    std::vector<ColumnSql> columns;
    const QByteArray schema = t.schema.toUtf8(), table = t.name.toUtf8();
    SchemaRead info(
        db_, "PRAGMA " + sqlite::name(t.schema) + ".table_info(" + sqlite::name(t.name) + ")");
    while (info.next()) {
        ColumnSql c;
        c.name = info.text(1);
        const QByteArray column = c.name.toUtf8();
        const char* collation = nullptr;
        int autoincrement = 0;
        const int rc = sqlite3_table_column_metadata(db_.handle(), schema.constData(),
                                                     table.constData(), column.constData(), nullptr,
                                                     &collation, nullptr, nullptr, &autoincrement);
        if (rc != SQLITE_OK)
            db_.raiseLast(rc);
        c.type = info.text(2).toUtf8();
        if (collation && qstricmp(collation, "BINARY") != 0)
            c.type += QByteArray(" COLLATE ") + collation;
        c.notNull = info.integer(3) != 0;
        c.defaultSql = info.text(4).toUtf8();
        c.rowid = info.integer(5) == 1 && c.type.compare("INTEGER", Qt::CaseInsensitive) == 0;
        c.autoincrement = c.rowid && autoincrement != 0;
        columns.push_back(c);
    }
    return columns;
}

// SQLite's list holds one row per column of a key; the metadata gives each key its T-SQL name.
std::vector<ForeignKeySql> Catalog::foreignKeys(const TableInfo& t, bool* complete) {
    std::vector<ForeignKeySql> keys;
    SchemaRead list(db_, "PRAGMA " + sqlite::name(t.schema) + ".foreign_key_list(" +
                             sqlite::name(t.name) + ")");
    int id = -1;
    while (list.next()) {
        if (list.integer(0) != id) {
            id = list.integer(0);
            keys.insert(keys.begin(), ForeignKeySql{{}, {}, list.text(2), {}});
        }
        keys.front().columns << list.text(3);
        if (!list.text(4).isEmpty())
            keys.front().refColumns << list.text(4);
        *complete = *complete && list.text(5) == u"NO ACTION" && list.text(6) == u"NO ACTION";
    }
    std::vector<ConstraintInfo> named = constraints(t.schema, t.name);
    for (ForeignKeySql& k : keys) {
        for (auto c = named.begin(); c != named.end(); ++c) {
            const QString ref = c->detail.left(c->detail.indexOf(u'('));
            if (c->kind == u"FK" && sameNames(c->columns, k.columns) &&
                ref.compare(k.refTable, Qt::CaseInsensitive) == 0) {
                k.name = c->name;
                named.erase(c);
                break;
            }
        }
    }
    return keys;
}

// Primary keys and unique constraints written into the table's own declaration (the engine
// makes them indexes of their own, except the rowid).
bool Catalog::hasKeysOfItsOwn(const TableInfo& t) {
    SchemaRead list(
        db_, "PRAGMA " + sqlite::name(t.schema) + ".index_list(" + sqlite::name(t.name) + ")");
    while (list.next())
        if (list.text(3) != u"c")
            return true;
    return false;
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
                     s +
                     ".tsql_triggers WHERE name = ?1 "
                     "UNION ALL SELECT 1 FROM " +
                     s +
                     ".tsql_functions WHERE name = ?1 "
                     "UNION ALL SELECT 1 FROM " +
                     s + ".tsql_constraints WHERE name = ?1";
    SchemaRead read(db_, sql, SchemaRead::Optional);
    read.bind(1, name);
    return read.next();
}

void Catalog::invalidate() {
    objects_.clear();
    tables_.clear();
    types_.clear();
    triggers_.clear();
}

}  // namespace tsql
