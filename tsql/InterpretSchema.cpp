// Schema statements: tables, alias types, indexes, views, procedures, triggers, databases.
#include <sqlite3.h>

#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "tsql/Collation.h"
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/IndexSql.h"
#include "tsql/Interpreter.h"
#include "tsql/KeptText.h"
#include "tsql/TableRebuild.h"

namespace tsql {

namespace {

QString generatedName(const QString& prefix, const QString& table) {
    return QStringLiteral("%1__%2__%3")
        .arg(prefix, table.left(8))
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
        .toUpper();
}

// Runs a statement on the engine's metadata with its parameters; returns the rows it changed.
int runMetadata(Database& db, const QByteArray& sql, std::initializer_list<Value> params) {
    sqlite3_stmt* st = db.prepare(sql);
    int index = 1;
    for (const Value& v : params)
        v.bind(st, index++);
    const int rc = db.step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        db.raiseLast(rc);
    return sqlite3_changes(db.handle());
}

// SQLite's counter of the table set so that the next value is the seed: the counter holds the
// last value given, and the next is that plus the increment.
void resetIdentity(Database& db, const QByteArray& schema, const QString& table, qint64 seed,
                   qint64 increment) {
    runMetadata(db, "DELETE FROM " + schema + ".sqlite_sequence WHERE name = ?1",
                {Value::text(table)});
    if (seed != increment)
        runMetadata(db, "INSERT INTO " + schema + ".sqlite_sequence (name, seq) VALUES (?1, ?2)",
                    {Value::text(table), Value::integer(seed - increment)});
}

void recordIdentity(Database& db, const QByteArray& schema, const QString& table, qint64 seed,
                    qint64 increment) {
    runMetadata(db,
                "INSERT OR REPLACE INTO " + schema +
                    ".tsql_identities (name, seed, increment) VALUES (?1, ?2, ?3)",
                {Value::text(table), Value::integer(seed), Value::integer(increment)});
    resetIdentity(db, schema, table, seed, increment);
}

QByteArray columnList(const QStringList& cols) {
    QByteArray s;
    for (const QString& c : cols)
        s += (s.isEmpty() ? "" : ", ") + sqlite::name(c);
    return s;
}

IndexedColumns ascending(const QStringList& columns) {
    IndexedColumns indexed;
    for (const QString& c : columns)
        indexed.emplace_back(c, false);
    return indexed;
}

}  // namespace

void Interpreter::recordConstraint(const QString& name, const QString& table, const QString& kind,
                                   const QStringList& columns, const QString& detail) {
    if (catalog_->objectExists(ddlSchema_, name) && kind != u"DF")
        raise(err::ObjectExists,
              QStringLiteral("There is already an object named '%1' in the database.").arg(name));
    runMetadata(*db_,
                "INSERT INTO " + ddlSchema_.toUtf8() +
                    ".tsql_constraints (name, table_name, kind, columns, detail) VALUES (?1, ?2, "
                    "?3, ?4, ?5)",
                {Value::text(name), Value::text(table), Value::text(kind),
                 Value::text(columns.join(u',')), Value::text(detail)});
}

ColumnSql Interpreter::columnDeclaration(const ColumnDef& c, const QString& table, bool alter,
                                         bool inKey, std::vector<KeyIndex>* keys) {
    SqlType type = resolveType(c.type, c.aliasType);
    bool nullable = true;
    if (!c.aliasType.isEmpty()) {
        sqlite3_stmt* st = db_->prepare("SELECT nullable FROM main.tsql_types WHERE name = ?1");
        Value::text(c.aliasType).bind(st, 1);
        const int rc = db_->step(st);
        if (rc == SQLITE_ROW)
            nullable = sqlite3_column_int(st, 0) != 0;
        sqlite3_reset(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            db_->raiseLast(rc);
    }
    if (c.nullable)
        nullable = *c.nullable;
    if (c.primaryKey || c.identity || inKey)
        nullable = false;
    ColumnSql column;
    column.name = c.name;
    column.notNull = !nullable;
    if (c.identity) {
        if (!type.isInteger() && !(type.base == SqlType::Decimal && type.scale == 0))
            raise(2749,
                  QStringLiteral("Identity column '%1' must be of data type int, bigint, "
                                 "smallint, tinyint, or decimal or numeric with a scale of 0, "
                                 "and constrained to be nonnullable.")
                      .arg(c.name));
        if (alter)
            notSupported(QStringLiteral("adding an identity column to an existing table"));
        if (c.increment < 1)
            notSupported(QStringLiteral("identity increments below 1"));
        column.type = "INTEGER";
        column.rowid = column.autoincrement = true;
    } else {
        column.type = type.columnSql();
    }
    if (c.defaultValue) {
        column.defaultSql = defaultSql(*c.defaultValue, type);
        recordConstraint(
            c.defaultName.isEmpty() ? generatedName(QStringLiteral("DF"), table) : c.defaultName,
            table, QStringLiteral("DF"), {c.name},
            keptDefaultText(*c.defaultValue).value_or(QString()));
    }
    if (!c.refTable.name.isEmpty()) {
        const QString name = c.constraintName.isEmpty() || c.primaryKey || c.unique
                                 ? generatedName(QStringLiteral("FK"), table)
                                 : c.constraintName;
        column.reference =
            foreignKey(name, table, {c.name}, c.refTable,
                       c.refColumn.isEmpty() ? QStringList() : QStringList{c.refColumn});
    }
    if (c.primaryKey || c.unique) {
        TableConstraint k;
        k.kind = c.primaryKey ? TableConstraint::PrimaryKey : TableConstraint::Unique;
        k.name = c.constraintName;
        k.columns << c.name;
        if (c.identity && c.primaryKey) {
            QString name = k.name.isEmpty() ? generatedName(QStringLiteral("PK"), table) : k.name;
            recordConstraint(name, table, QStringLiteral("PK"), {c.name}, QString());
        } else {
            addKey(table, k, keys);
        }
    }
    return column;
}

// A column's default as SQLite evaluates it: a constant, converted to the column's type when a
// string, or an expression without names.
QByteArray Interpreter::defaultSql(const Expr& d, const SqlType& type) {
    if (d.kind != Expr::Literal) {
        SqliteEmitter emitter(*this);
        Compiled c0 = emitter.expression(d);
        if (!c0.bindings.empty())
            raise(128, QStringLiteral("The name is not permitted in this context. Valid "
                                      "expressions are constants, constant expressions, and "
                                      "(in some contexts) variables. Column names are not "
                                      "permitted."));
        return c0.sql.mid(7);
    }
    if (d.lit != Expr::String)
        return d.lit == Expr::Null ? QByteArray("NULL") : sqlite::number(d.text).text;
    Value v = convertValue(Value::text(d.text), SqlType::of(SqlType::VarChar, -1), type);
    return v.kind == Value::Text   ? sqlite::text(v.s)
           : v.kind == Value::Int  ? sqlite::integer(v.i).text
           : v.kind == Value::Real ? sqlite::real(v.d).text
                                   : QByteArray("NULL");
}

// A foreign key of `table` on `ref`, recorded under its T-SQL name; without columns it refers to
// the identity column.
ForeignKeySql Interpreter::foreignKey(const QString& name, const QString& table,
                                      const QStringList& columns, const ObjectName& refTable,
                                      const QStringList& refColumns) {
    useDatabase(refTable);
    const std::shared_ptr<const TableInfo> ref = resolveTable(refTable);
    QStringList refCols = refColumns;
    if (refCols.isEmpty() && ref->identityColumn >= 0)
        refCols << ref->columns[static_cast<size_t>(ref->identityColumn)].name;
    recordConstraint(name, table, QStringLiteral("FK"), columns,
                     ref->name + u'(' + refCols.join(u',') + u')');
    return ForeignKeySql{name, columns, ref->name, refCols};
}

void Interpreter::addKey(const QString& table, const TableConstraint& k,
                         std::vector<KeyIndex>* keys) {
    const bool primary = k.kind == TableConstraint::PrimaryKey;
    const QString kind = primary ? QStringLiteral("PK") : QStringLiteral("UQ");
    QString name = k.name.isEmpty() ? generatedName(kind, table) : k.name;
    recordConstraint(name, table, kind, k.columns, QString());
    keys->push_back({name, k.columns, primary});
}

// Runs a schema change so that nothing of it stays when it fails.
void Interpreter::atomically(const std::function<void()>& change) {
    // Inside the step of a statement that writes (a function it calls declares a table variable),
    // SQLite cannot release a savepoint that began outside a transaction; the table of the
    // variable is the function's own and goes with it whatever befalls it.
    if (functionCalls_ > 0) {
        change();
        return;
    }
    db_->exec("SAVEPOINT tsql_ddl");
    try {
        change();
        db_->exec("RELEASE tsql_ddl");
    } catch (...) {
        db_->exec("ROLLBACK TO tsql_ddl");
        db_->exec("RELEASE tsql_ddl");
        throw;
    }
}

// A key or foreign key of CREATE TABLE: a foreign key is declared with the table, a key is an
// index made after it (`keys`), except an identity key, which is SQLite's rowid already.
void Interpreter::tableConstraint(const CreateTableStmt& s, const TableConstraint& k,
                                  TableSql& declared, std::vector<KeyIndex>* keys) {
    const QString& table = declared.name;
    switch (k.kind) {
        case TableConstraint::PrimaryKey:
        case TableConstraint::Unique: {
            bool identityKey = false;
            if (k.columns.size() == 1)
                for (const auto& c : s.columns)
                    if (c.identity && c.name.compare(k.columns[0], Qt::CaseInsensitive) == 0)
                        identityKey = k.kind == TableConstraint::PrimaryKey;
            if (identityKey)
                recordConstraint(
                    k.name.isEmpty() ? generatedName(QStringLiteral("PK"), table) : k.name, table,
                    QStringLiteral("PK"), k.columns, QString());
            else
                addKey(table, k, keys);
            break;
        }
        case TableConstraint::ForeignKey:
            declared.foreignKeys.push_back(
                foreignKey(k.name.isEmpty() ? generatedName(QStringLiteral("FK"), table) : k.name,
                           table, k.columns, k.refTable, k.refColumns));
            break;
        case TableConstraint::Check:
            declared.checks.push_back(checkConstraint(
                declaredColumns(s, table),
                k.name.isEmpty() ? generatedName(QStringLiteral("CK"), table) : k.name, *k.expr));
            break;
        case TableConstraint::Default:
            notSupported(QStringLiteral("DEFAULT ... FOR in CREATE TABLE"));
    }
}

void Interpreter::createTable(const CreateTableStmt& s, const QString& storedName) {
    if (!s.name.database.isEmpty() && s.name.database.compare(dbName_, Qt::CaseInsensitive) != 0)
        notSupported(QStringLiteral("creating a table in another database"));
    const QString table = storedName.isEmpty() ? s.name.name : storedName;
    if (table.startsWith(u'@'))
        raise(err::Syntax, QStringLiteral("Incorrect syntax near '%1'.").arg(table));
    // #name is a temporary table of this connection, kept in SQLite's temp schema.
    ddlSchema_ = table.startsWith(u'#') ? QStringLiteral("temp") : QStringLiteral("main");
    struct Reset {
        QString& s;
        ~Reset() { s = QStringLiteral("main"); }
    } reset{ddlSchema_};
    if (master_ && ddlSchema_ == u"main")
        notSupported(QStringLiteral("tables in master"));
    if (catalog_->objectExists(ddlSchema_, table))
        raise(err::ObjectExists,
              QStringLiteral("There is already an object named '%1' in the database.").arg(table));
    // Nothing of a failed CREATE TABLE stays behind, metadata included.
    atomically([&] {
        std::vector<KeyIndex> keys;
        TableSql declared{ddlSchema_, table, {}, {}, {}};
        QStringList pkColumns;
        for (const auto& k : s.constraints)
            if (k.kind == TableConstraint::PrimaryKey)
                pkColumns = k.columns;
        int identities = 0;
        for (const ColumnDef& c : s.columns) {
            identities += c.identity ? 1 : 0;
            const bool inKey = pkColumns.contains(c.name, Qt::CaseInsensitive);
            declared.columns.push_back(c.computed
                                           ? computedColumn(c, declaredColumns(s, table))
                                           : columnDeclaration(c, table, false, inKey, &keys));
        }
        if (identities > 1)
            raise(2744, QStringLiteral("Multiple identity columns specified for table '%1'. Only "
                                       "one identity column per table is allowed.")
                            .arg(table));
        for (const auto& k : s.constraints)
            tableConstraint(s, k, declared, &keys);
        db_->exec(createTableSql(declared));
        for (const auto& c : s.columns)
            if (c.identity)
                recordIdentity(*db_, ddlSchema_.toUtf8(), table, c.seed, c.increment);
        for (const KeyIndex& k : keys)
            createUniqueIndex(ddlSchema_, table, k.name, k.name, ascending(k.columns), k.primary);
    });
    schemaChanged();
    if (storedName.isEmpty())
        noteTemporary(table);
}

// The columns CREATE TABLE declares as expressions over them see them: a computed column has the
// type of its expression over the others.
TableInfo Interpreter::declaredColumns(const CreateTableStmt& s, const QString& table) {
    TableInfo stored;
    stored.schema = ddlSchema_;
    stored.name = table;
    for (const ColumnDef& c : s.columns) {
        if (c.computed)
            continue;
        ColumnInfo column;
        column.name = c.name;
        column.type = resolveType(c.type, c.aliasType);
        stored.columns.push_back(column);
    }
    TableInfo all = stored;
    for (const ColumnDef& c : s.columns) {
        if (!c.computed)
            continue;
        SqliteEmitter emitter(*this);
        ColumnInfo column;
        column.name = c.name;
        column.type = emitter.tableExpression(*c.computed, stored).columns[0].type;
        column.computed = true;
        all.columns.push_back(column);
    }
    return all;
}

// A computed column as SQLite's generated column, PERSISTED ones stored in the row.
ColumnSql Interpreter::computedColumn(const ColumnDef& c, const TableInfo& columns) {
    SqliteEmitter emitter(*this);
    const Compiled value = emitter.tableExpression(*c.computed, columns);
    if (!value.bindings.empty())
        notSupported(QStringLiteral("variables and context values in a computed column"));
    const SqlType type = value.columns[0].type;
    ColumnSql column;
    column.name = c.name;
    column.type = (type.known() ? type : SqlType::of(SqlType::Int)).columnSql();
    column.generated = value.sql;
    column.stored = c.persisted;
    column.notNull = c.nullable && !*c.nullable;
    return column;
}

// A #table made in a procedure or in EXEC (text) is dropped when that scope ends.
void Interpreter::noteTemporary(const QString& table) {
    if (table.startsWith(u'#') && frames_.size() > 1)
        frames_.back().temporaries << table;
}

// The table's declaration from the catalogue, for a rebuild; a table that declares more than
// the engine reads back is refused rather than rebuilt without it.
TableSql Interpreter::declaration(const QString& table) {
    std::optional<TableSql> d = catalog_->definition(QStringLiteral("main"), table);
    if (!d)
        invalidObject(table);
    if (!d->complete)
        notSupported(QStringLiteral(
                         "changing the foreign keys of table '%1', which declares keys of its own")
                         .arg(table));
    return *d;
}

void Interpreter::addForeignKey(const TableInfo& t, const TableConstraint& k) {
    for (const QString& c : k.columns)
        if (t.indexOf(c) < 0)
            invalidColumn(c);
    TableSql d = declaration(t.name);
    const QString name = k.name.isEmpty() ? generatedName(QStringLiteral("FK"), t.name) : k.name;
    const ForeignKeySql key = foreignKey(name, t.name, k.columns, k.refTable, k.refColumns);
    if (key.refColumns.size() != k.columns.size())
        raise(1778, QStringLiteral("Column '%1.%2' is not the same length or scale as referencing "
                                   "column in foreign key '%3'.")
                        .arg(key.refTable, key.refColumns.value(0), name));
    d.foreignKeys.push_back(key);
    // Rows already there must satisfy the new key.
    if (!rebuildTable(*db_, d))
        raise(err::ReferenceConflict,
              QStringLiteral("The ALTER TABLE statement conflicted with the FOREIGN KEY constraint "
                             "\"%1\". The conflict occurred in database \"%2\", table \"dbo.%3\", "
                             "column '%4'.")
                  .arg(name, dbName_, key.refTable, key.refColumns.value(0)));
    catalog_->invalidate();
}

void Interpreter::dropForeignKey(const QString& table, const QString& name) {
    TableSql d = declaration(table);
    const size_t dropped = std::erase_if(d.foreignKeys, [&](const ForeignKeySql& k) {
        return k.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (dropped == 0)
        notSupported(
            QStringLiteral("dropping the foreign key '%1' of a table defined elsewhere").arg(name));
    rebuild(d);
}

void Interpreter::rebuild(const TableSql& d, const std::vector<QByteArray>& values) {
    if (!rebuildTable(*db_, d, values))
        raise(err::ReferenceConflict,
              QStringLiteral("The ALTER TABLE statement conflicted with a FOREIGN KEY constraint "
                             "of table \"dbo.%1\" that its rows already broke.")
                  .arg(d.name));
    catalog_->invalidate();
}

void Interpreter::createType(const CreateTypeStmt& s) {
    if (catalog_->aliasType(s.name.name))
        raise(219, QStringLiteral("The type '%1' already exists, or you do not have permission to "
                                  "create it.")
                       .arg(s.name.name));
    runMetadata(*db_,
                "INSERT INTO main.tsql_types (name, definition, nullable) VALUES (?1, ?2, ?3)",
                {Value::text(s.name.name), Value::text(s.base.toSql()),
                 Value::integer(s.nullable ? 1 : 0)});
    schemaChanged();
}

void Interpreter::createIndex(const CreateIndexStmt& s) {
    useDatabase(s.table);
    const std::shared_ptr<const TableInfo> t = resolveTable(s.table);
    if (t->view || (t->schema != u"main" && t->schema != u"temp"))
        notSupported(QStringLiteral("indexes on views or on other databases"));
    for (const auto& column : s.columns)
        if (t->indexOf(column.first) < 0)
            invalidColumn(column.first);
    const QString stored = t->name + u'.' + s.name;
    if (catalog_->objectExists(t->schema, stored))
        raise(1913, QStringLiteral("The operation failed because an index or statistics with name "
                                   "'%1' already exists on table '%2'.")
                        .arg(s.name, t->name));
    if (s.unique)
        atomically(
            [&] { createUniqueIndex(t->schema, t->name, stored, s.name, s.columns, false); });
    else
        db_->exec(createIndexSql(false, t->schema, stored, t->name, s.columns));
    schemaChanged();
}

void Interpreter::createView(const CreateViewStmt& s) {
    if (catalog_->objectExists(QStringLiteral("main"), s.name.name))
        raise(err::ObjectExists, QStringLiteral("There is already an object named '%1' in the "
                                                "database.")
                                     .arg(s.name.name));
    useDatabasesOf(*s.select);
    SqliteEmitter emitter(*this);
    Compiled c = emitter.select(*s.select);
    if (!c.bindings.empty())
        raise(4104, QStringLiteral("Views cannot refer to variables or parameters."));
    QByteArray cols;
    if (!s.columns.isEmpty()) {
        if (s.columns.size() != static_cast<int>(c.columns.size()))
            raise(8159, QStringLiteral("'%1' has fewer columns than were specified in the column "
                                       "list.")
                            .arg(s.name.name));
        cols = " (" + columnList(s.columns) + ")";
    } else {
        for (size_t k = 0; k < c.columns.size(); ++k)
            if (c.columns[k].name.isEmpty())
                raise(4511, QStringLiteral("Create View or Function failed because no column name "
                                           "was specified for column %1.")
                                .arg(k + 1));
    }
    atomically([&] {
        db_->exec("CREATE VIEW main." + sqlite::name(s.name.name) + cols + " AS " + c.sql);
        // SQLite keeps no types for computed view columns: the engine keeps the T-SQL ones.
        QStringList types;
        for (const OutColumn& col : c.columns)
            types << col.type.toSql();
        runMetadata(*db_,
                    "INSERT INTO main.tsql_views (name, column_types, definition) VALUES (?1, ?2, "
                    "?3)",
                    {Value::text(s.name.name), Value::text(types.join(u';')),
                     Value::text(definitionText(s.source))});
    });
    schemaChanged();
}

// ALTER ... and CREATE OR ALTER ... are stored as CREATE ..., so that the text reads as a
// definition.
QString Interpreter::definitionText(const QString& source) {
    static const QRegularExpression head(QStringLiteral("^(CREATE\\s+OR\\s+ALTER|ALTER)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString definition = source;
    return definition.replace(head, QStringLiteral("CREATE"));
}

void Interpreter::createProcedure(const CreateProcedureStmt& s) {
    const QString name = s.name.name;
    std::shared_ptr<Routine> existing = loadProcedure(name);
    if (s.alter && !existing)
        invalidObject(name);
    const bool alter = s.alter || (s.orAlter && existing);
    if (!alter && (existing || catalog_->objectExists(QStringLiteral("main"), name)))
        raise(err::ObjectExists,
              QStringLiteral("There is already an object named '%1' in the database.").arg(name));
    const QString definition = definitionText(s.source);
    if (alter)
        runMetadata(*db_, "UPDATE main.tsql_procedures SET definition = ?2 WHERE name = ?1",
                    {Value::text(name), Value::text(definition)});
    else
        runMetadata(*db_,
                    "INSERT INTO main.tsql_procedures (name, definition, created) VALUES (?1, ?2, "
                    "?3)",
                    {Value::text(name), Value::text(definition),
                     Value::text(canonicalDate(QDateTime::currentDateTime()))});
    forgetRoutines();
    schemaChanged();
}

// The function is stored as CREATE FUNCTION, with the code of its form (FN, IF, TF) and the
// type it returns (TABLE for the table-valued ones).
void Interpreter::createFunction(const CreateFunctionStmt& s) {
    const QString name = s.name.name;
    const std::shared_ptr<Routine> existing = loadFunction(name);
    const bool alter = s.alter || (s.orAlter && existing);
    if (s.alter && !existing)
        invalidObject(name);
    if (!alter && catalog_->objectExists(QStringLiteral("main"), name))
        raise(err::ObjectExists,
              QStringLiteral("There is already an object named '%1' in the database.").arg(name));
    if (alter && (functionOf(*existing).form == CreateFunctionStmt::Scalar) !=
                     (s.form == CreateFunctionStmt::Scalar))
        raise(2010, QStringLiteral("Cannot perform alter on '%1' because it is an incompatible "
                                   "object type.")
                        .arg(s.name.display()));
    checkFunctionBody(s);
    const QString definition = definitionText(s.source);
    const QString returns = s.form == CreateFunctionStmt::Scalar
                                ? resolveType(s.returns, s.returnsAlias).toSql().section(u'(', 0, 0)
                                : QStringLiteral("TABLE");
    const Value stored = Value::text(name), text = Value::text(definition),
                kind = Value::text(QString::fromLatin1(s.typeCode())), type = Value::text(returns);
    if (alter)
        runMetadata(*db_,
                    "UPDATE main.tsql_functions SET definition = ?2, kind = ?3, data_type = ?4 "
                    "WHERE name = ?1",
                    {stored, text, kind, type});
    else
        runMetadata(
            *db_,
            "INSERT INTO main.tsql_functions (name, definition, kind, data_type, created) "
            "VALUES (?1, ?2, ?3, ?4, ?5)",
            {stored, text, kind, type, Value::text(canonicalDate(QDateTime::currentDateTime()))});
    forgetRoutines();
    schemaChanged();
}

// CREATE, ALTER and CREATE OR ALTER TRIGGER on a table of this database.
void Interpreter::createTrigger(const CreateTriggerStmt& s) {
    const QString name = s.name.name;
    const QString main = QStringLiteral("main");
    const std::optional<TriggerInfo> existing = catalog_->trigger(main, name);
    if (s.mode == CreateTriggerStmt::Alter && !existing)
        invalidObject(name);
    const bool alter = existing && s.mode != CreateTriggerStmt::Create;
    if (!alter && catalog_->objectExists(main, name))
        raise(err::ObjectExists,
              QStringLiteral("There is already an object named '%1' in the database.").arg(name));
    const std::shared_ptr<const TableInfo> t = resolveTable(s.table);
    const bool insteadOf = s.events & CreateTriggerStmt::InsteadOf;
    if ((t->view && !insteadOf) || t->schema != main)
        notSupported(
            QStringLiteral("AFTER triggers on views, triggers on temporary tables or tables of "
                           "another database"));
    if (insteadOf)
        checkOneInsteadOf(s, *t);
    const Value table = Value::text(t->name), events = Value::integer(s.events),
                definition = Value::text(definitionText(s.source));
    if (alter)
        runMetadata(*db_,
                    "UPDATE main.tsql_triggers SET table_name = ?2, events = ?3, definition = ?4 "
                    "WHERE name = ?1",
                    {Value::text(name), table, events, definition});
    else
        runMetadata(*db_,
                    "INSERT INTO main.tsql_triggers (name, table_name, events, definition, "
                    "created) VALUES (?1, ?2, ?3, ?4, ?5)",
                    {Value::text(name), table, events, definition,
                     Value::text(canonicalDate(QDateTime::currentDateTime()))});
    schemaChanged();
}

// A table or view has at most one INSTEAD OF trigger for each statement (2111).
void Interpreter::checkOneInsteadOf(const CreateTriggerStmt& s, const TableInfo& t) {
    for (const TriggerInfo& other : triggersOf(t)) {
        const int shared = other.events & s.events & ~CreateTriggerStmt::InsteadOf;
        if (!(other.events & CreateTriggerStmt::InsteadOf) || !shared ||
            other.name.compare(s.name.name, Qt::CaseInsensitive) == 0)
            continue;
        const char* event = shared & CreateTriggerStmt::OnInsert   ? "INSERT"
                            : shared & CreateTriggerStmt::OnUpdate ? "UPDATE"
                                                                   : "DELETE";
        const QString verb = s.mode == CreateTriggerStmt::Create ? QStringLiteral("CREATE")
                                                                 : QStringLiteral("ALTER");
        raise(2111,
              QStringLiteral("Cannot %1 trigger '%2' on %3 '%4' because an INSTEAD OF %5 "
                             "trigger already exists on this object.")
                  .arg(verb, s.name.name, t.view ? QStringLiteral("view") : QStringLiteral("table"),
                       t.name, QString::fromLatin1(event)));
    }
}

void Interpreter::alterTable(const AlterTableStmt& s) {
    useDatabase(s.table);
    const std::shared_ptr<const TableInfo> t = resolveTable(s.table);
    if (t->view || t->schema != u"main")
        notSupported(QStringLiteral("ALTER TABLE on views or on other databases"));
    try {
        atomically([&] {
            switch (s.action) {
                case AlterTableStmt::AddItems:
                    addItems(*t, s);
                    break;
                case AlterTableStmt::AlterColumn:
                    alterColumn(*t, s.columns.front());
                    break;
                case AlterTableStmt::DropColumn:
                    dropColumns(*t, s.names);
                    break;
                case AlterTableStmt::DropConstraint:
                    dropConstraints(*t, s.names);
                    break;
            }
        });
    } catch (...) {
        schemaChanged();
        throw;
    }
    schemaChanged();
}

void Interpreter::addItems(const TableInfo& t, const AlterTableStmt& s) {
    std::vector<KeyIndex> keys;
    for (const ColumnDef& c : s.columns) {
        if (t.indexOf(c.name) >= 0)
            raise(err::ColumnExists,
                  QStringLiteral("Column names in each table must be unique. Column name '%1' in "
                                 "table '%2' is specified more than once.")
                      .arg(c.name, t.name));
        const QByteArray col = columnDefinition(columnDeclaration(c, t.name, true, false, &keys));
        try {
            db_->exec("ALTER TABLE main." + sqlite::name(t.name) + " ADD COLUMN " + col);
        } catch (const db::Error& e) {
            if (e.message().contains(u"NOT NULL"))
                raise(4901, QStringLiteral("ALTER TABLE only allows columns to be added that can "
                                           "contain nulls, or have a DEFAULT definition "
                                           "specified, or the column being added is an identity "
                                           "or timestamp column, or alternatively if none of the "
                                           "previous conditions are satisfied the table must be "
                                           "empty to allow addition of this column. Column '%1' "
                                           "cannot be added to non-empty table '%2' because it "
                                           "does not satisfy these conditions.")
                                .arg(c.name, t.name));
            throw;
        }
    }
    for (const auto& k : s.constraints) {
        if (k.kind == TableConstraint::PrimaryKey || k.kind == TableConstraint::Unique)
            addKey(t.name, k, &keys);
        else if (k.kind == TableConstraint::ForeignKey)
            addForeignKey(t, k);
        else if (k.kind == TableConstraint::Check)
            addCheck(t, k.name.isEmpty() ? generatedName(QStringLiteral("CK"), t.name) : k.name,
                     *k.expr, s.checkExisting);
        else
            notSupported(QStringLiteral("adding a DEFAULT constraint to an existing table"));
    }
    for (const KeyIndex& k : keys)
        addKeyIndex(t.name, k);
}

// A key added to a table whose rows repeat it: SQL Server follows 1505 with 1750, the error of the
// statement (inside TRY only the last error is caught, and the first is not sent).
void Interpreter::addKeyIndex(const QString& table, const KeyIndex& k) {
    try {
        createUniqueIndex(QStringLiteral("main"), table, k.name, k.name, ascending(k.columns),
                          k.primary);
    } catch (const db::Error& e) {
        if (e.nativeError() != err::DuplicateKeyFound)
            throw;
        if (sink_ && tryDepth_ == 0)
            sink_->statementError(e);
        raise(err::ConstraintNotCreated,
              QStringLiteral("Could not create constraint or index. See previous errors."));
    }
}

void Interpreter::dropColumns(const TableInfo& t, const QStringList& names) {
    for (const QString& c : names) {
        if (t.indexOf(c) < 0)
            raise(4924, QStringLiteral("ALTER TABLE DROP COLUMN failed because column '%1' does "
                                       "not exist in table '%2'.")
                            .arg(c, t.name));
        db_->exec("ALTER TABLE main." + sqlite::name(t.name) + " DROP COLUMN " + sqlite::name(c));
    }
}

void Interpreter::dropConstraints(const TableInfo& t, const QStringList& names) {
    for (const QString& n : names) {
        auto c = catalog_->constraint(QStringLiteral("main"), n);
        if (!c || c->table.compare(t.name, Qt::CaseInsensitive) != 0)
            raise(3728, QStringLiteral("'%1' is not a constraint.").arg(n));
        if (c->kind == u"PK" || c->kind == u"UQ") {
            if (!catalog_->objectExists(QStringLiteral("main"), c->name) ||
                (t.identityColumn >= 0 && c->columns.size() == 1 &&
                 c->columns[0].compare(t.columns[static_cast<size_t>(t.identityColumn)].name,
                                       Qt::CaseInsensitive) == 0))
                notSupported(QStringLiteral("dropping the key of an identity column"));
            dropUniqueIndex(QStringLiteral("main"), c->name);
        } else if (c->kind == u"FK") {
            dropForeignKey(t.name, c->name);
        } else if (c->kind == u"CK") {
            dropCheck(t.name, c->name);
        }
        runMetadata(*db_, "DELETE FROM main.tsql_constraints WHERE name = ?1",
                    {Value::text(c->name)});
    }
}

void Interpreter::drop(const DropStmt& s) {
    static const char* const words[] = {"table", "view",    "procedure", "index",
                                        "type",  "trigger", "function"};
    for (const ObjectName& n : s.names) {
        const QString what = QLatin1String(words[s.object]);
        auto missing = [&](const QString& shown) {
            if (s.ifExists)
                return;
            raise(3701, QStringLiteral("Cannot drop the %1 '%2', because it does not exist or you "
                                       "do not have permission.")
                            .arg(what, shown));
        };
        switch (s.object) {
            case DropStmt::Table:
            case DropStmt::View: {
                const QString schema =
                    n.name.startsWith(u'#') ? QStringLiteral("temp") : QStringLiteral("main");
                const std::shared_ptr<const TableInfo> t = catalog_->find(schema, n.name);
                if (!t || t->view != (s.object == DropStmt::View)) {
                    missing(n.name);
                    break;
                }
                db_->exec(QByteArray(s.object == DropStmt::View ? "DROP VIEW " : "DROP TABLE ") +
                          schema.toUtf8() + "." + sqlite::name(t->name));
                for (const char* sql : {"DELETE FROM main.tsql_constraints WHERE table_name = ?1",
                                        "DELETE FROM main.tsql_views WHERE name = ?1",
                                        "DELETE FROM main.tsql_identities WHERE name = ?1",
                                        "DELETE FROM main.tsql_triggers WHERE table_name = ?1",
                                        "DELETE FROM temp.tsql_constraints WHERE table_name = ?1",
                                        "DELETE FROM temp.tsql_identities WHERE name = ?1"})
                    runMetadata(*db_, sql, {Value::text(t->name)});
                break;
            }
            case DropStmt::Procedure: {
                if (runMetadata(*db_, "DELETE FROM main.tsql_procedures WHERE name = ?1",
                                {Value::text(n.name)}) == 0)
                    missing(n.name);
                forgetRoutines();
                break;
            }
            case DropStmt::Index: {
                // n.schema holds the table, n.name the index
                const QString stored = n.schema + u'.' + n.name;
                if (!catalog_->objectExists(QStringLiteral("main"), stored)) {
                    missing(stored);
                    break;
                }
                dropUniqueIndex(QStringLiteral("main"), stored);
                break;
            }
            case DropStmt::Function: {
                if (runMetadata(*db_, "DELETE FROM main.tsql_functions WHERE name = ?1",
                                {Value::text(n.name)}) == 0)
                    missing(n.display());
                forgetRoutines();
                break;
            }
            case DropStmt::Type: {
                if (runMetadata(*db_, "DELETE FROM main.tsql_types WHERE name = ?1",
                                {Value::text(n.name)}) == 0)
                    missing(n.name);
                break;
            }
            case DropStmt::Trigger: {
                if (runMetadata(*db_, "DELETE FROM main.tsql_triggers WHERE name = ?1",
                                {Value::text(n.name)}) == 0)
                    missing(n.name);
                break;
            }
        }
    }
    schemaChanged();
}

// TRUNCATE TABLE: every row deleted, the identity counting from its seed again.
void Interpreter::truncateTable(const TruncateStmt& s) {
    refuseWritesWhenDoomed();
    const std::shared_ptr<const TableInfo> t = resolveTable(s.table);
    if (t->view)
        notSupported(QStringLiteral("TRUNCATE TABLE of a view"));
    for (const ConstraintInfo& c : catalog_->constraints(t->schema, QString()))
        if (c.kind == u"FK" &&
            c.detail.left(c.detail.indexOf(u'(')).compare(t->name, Qt::CaseInsensitive) == 0)
            raise(4712,
                  QStringLiteral("Cannot truncate table 'dbo.%1' because it is being referenced "
                                 "by a FOREIGN KEY constraint.")
                      .arg(s.table.name));
    atomically([&] {
        db_->exec("DELETE FROM " + t->sqlName());
        if (t->identityColumn >= 0)
            resetIdentity(*db_, sqlite::name(t->schema), t->name, t->identitySeed,
                          t->identityIncrement);
    });
    rowcount_ = 0;
}

void Interpreter::databaseStatement(const DatabaseStmt& s) {
    if (!master_)
        notSupported(QStringLiteral("CREATE/DROP DATABASE outside the master database"));
    if (tranDepth_ > 0)
        raise(226, QStringLiteral("%1 DATABASE statement not allowed within multi-statement "
                                  "transaction.")
                       .arg(s.kind == Stmt::CreateDatabase ? QStringLiteral("CREATE")
                                                           : QStringLiteral("DROP")));
    if (s.kind == Stmt::CreateDatabase) {
        server_.createDatabase(s.name);
        return;
    }
    // This session's own use of the database, through a query that named it, ends first.
    const QString stored = QFileInfo(server_.pathOf(s.name)).completeBaseName();
    if (!stored.isEmpty() && db_->isAttached(stored)) {
        db_->detach(stored);
        std::erase_if(uses_, [&](const auto& use) {
            return use.first.compare(stored, Qt::CaseInsensitive) == 0;
        });
        schemaChanged();
    }
    server_.dropDatabase(s.name);
}

void Interpreter::use(const UseStmt& u) {
    if (u.database.compare(dbName_, Qt::CaseInsensitive) != 0)
        notSupported(QStringLiteral("USE of another database; connect to it instead"));
}

}  // namespace tsql
