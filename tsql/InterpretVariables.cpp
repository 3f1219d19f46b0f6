// Variables and session options: DECLARE, SET, PRINT.
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Interpreter.h"

namespace tsql {

namespace {

[[noreturn]] void alreadyDeclared(const QString& name) {
    raise(134, QStringLiteral("The variable name '%1' has already been declared. Variable names "
                              "must be unique within a query batch or stored procedure.")
                   .arg(name));
}

}  // namespace

void Interpreter::declare(const DeclareStmt& d) {
    for (const Declaration& v : d.vars) {
        const QString& key = v.key;
        if (v.table) {
            if (frames_.back().tables.contains(key) || frames_.back().vars.contains(key) ||
                frames_.back().cursors.contains(key))
                alreadyDeclared(v.name);
            // A table variable lives as a temporary table until its scope ends.
            const QString stored =
                QStringLiteral("#%1_%2").arg(v.name.mid(1)).arg(++tableVariables_);
            createTable(*v.table, stored);
            frames_.back().tables.insert(key, {stored, v.table.get()});
            continue;
        }
        if (frames_.back().vars.contains(key) || frames_.back().cursors.contains(key))
            alreadyDeclared(v.name);
        if (v.cursor) {
            frames_.back().cursors.insert(key, nullptr);
            continue;
        }
        frames_.back().vars.insert(key, {resolveType(v.type, v.aliasType), Value()});
        if (v.init) {
            SqlType from;
            Value val = evaluate(*v.init, &from);
            assign(v.name, val, from);
        }
    }
}

void Interpreter::setVariable(const SetVarStmt& s) {
    if (isCursorVariable(s.name)) {
        setCursorVariable(s.name, *s.value);
        return;
    }
    if (!variableType(s.name))
        undeclaredVariable(s.name);
    SqlType from;
    Value v = evaluate(*s.value, &from);
    assign(s.name, v, from);
}

void Interpreter::setOption(const SetOptionStmt& o) {
    const bool on = o.value == u"ON";
    if (o.option == u"NOCOUNT")
        frames_.back().nocount = options_.nocount = on;
    else if (o.option == u"XACT_ABORT")
        options_.xactAbort = on;
    else if (o.option == u"ROWCOUNT")
        setRowcount(o.value);
    else if (o.option == u"DATEFORMAT" && o.value != u"MDY")
        notSupported(QStringLiteral("SET DATEFORMAT %1").arg(o.value));
    else if (o.option == u"DATEFIRST")
        setDateFirst(o.value);
    else if (o.option == u"IDENTITY_INSERT")
        setIdentityInsert(o.target, on);
    else if (o.option == u"IMPLICIT_TRANSACTIONS" && on)
        notSupported(QStringLiteral("SET IMPLICIT_TRANSACTIONS ON"));
    else
        // ANSI_NULLS, QUOTED_IDENTIFIER, ANSI_WARNINGS, ARITHABORT and the like change nothing on
        // this engine; those of @@OPTIONS are kept to be read there.
        options_.setKept(o.option, on);
}

// SET ROWCOUNT n or @n: a SELECT stops after n rows; 0, a negative number or NULL lifts the limit.
void Interpreter::setRowcount(const QString& value) {
    qint64 n = 0;
    if (value.startsWith(u'@')) {
        const Variable& v = declaredVariable(value.toLower());
        const Value limit = convertValue(v.value, v.type, SqlType::of(SqlType::BigInt));
        n = limit.isNull() ? 0 : limit.i;
    } else {
        bool ok = false;
        n = value.toLongLong(&ok);
        if (!ok)
            raise(err::Syntax, QStringLiteral("Incorrect syntax near '%1'.").arg(value));
    }
    options_.rowcount = std::max<qint64>(n, 0);
}

// Statements that change rows, or read them for a cursor, are refused while SET ROWCOUNT limits
// them: SQL Server would stop each after the limit's rows, which the engine does not do.
void Interpreter::refuseUnderRowcount(const Stmt& s) {
    const bool changes =
        s.kind == Stmt::Insert || s.kind == Stmt::Update || s.kind == Stmt::Delete ||
        s.kind == Stmt::Merge ||
        (s.kind == Stmt::SelectStmt &&
         !static_cast<const SelectStmt&>(s).select->cores[0].into.name.isEmpty()) ||
        (s.kind == Stmt::CursorAction &&
         static_cast<const CursorActionStmt&>(s).action == CursorActionStmt::Open);
    if (changes)
        notSupported(
            QStringLiteral("INSERT, UPDATE, DELETE, MERGE, SELECT INTO and OPEN of a "
                           "cursor while SET ROWCOUNT limits them"));
}

void Interpreter::setDateFirst(const QString& value) {
    bool ok = false;
    const int day = value.toInt(&ok);
    if (!ok || day < 1 || day > 7)
        raise(2742, QStringLiteral("SET DATEFIRST %1 is out of range.").arg(value));
    options_.dateFirst = day;
}

void Interpreter::setIdentityInsert(const ObjectName& name, bool on) {
    const std::shared_ptr<const TableInfo> t = resolveTable(name);
    if (t->identityColumn < 0)
        raise(8106, QStringLiteral("Table '%1' does not have the identity property. Cannot "
                                   "perform SET operation.")
                        .arg(name.display()));
    const bool current = identityInsert(*t);
    if (on && identityInsert_ && !current)
        raise(8107, QStringLiteral("IDENTITY_INSERT is already ON for table '%1'. Cannot perform "
                                   "SET operation for table '%2'.")
                        .arg(identityInsert_->shown, name.display()));
    if (on == current)
        return;
    if (on) {
        const QString database = t->schema == u"temp"      ? QStringLiteral("tempdb")
                                 : name.database.isEmpty() ? dbName_
                                                           : name.database;
        identityInsert_ =
            IdentityInsert{t->schema, t->name, database + QStringLiteral(".dbo.") + t->name};
    } else {
        identityInsert_.reset();
    }
    ++catalogueVersion_;  // translations of INSERT bind the identity column anew
}

bool Interpreter::identityInsert(const TableInfo& t) const {
    return identityInsert_ && identityInsert_->schema == t.schema &&
           identityInsert_->table.compare(t.name, Qt::CaseInsensitive) == 0;
}

void Interpreter::print(const PrintStmt& p) {
    SqlType t;
    Value v = evaluate(*p.value, &t);
    Value text = convertValue(v, t, SqlType::of(SqlType::VarChar, 8000));
    sink_->message(text.toString());
}

}  // namespace tsql
