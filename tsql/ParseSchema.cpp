// CREATE / ALTER / DROP grammar.
#include "tsql/Errors.h"
#include "tsql/FunctionRows.h"
#include "tsql/Parser.h"

namespace tsql {

void Parser::skipIndexOptions() {
    for (;;) {
        if (peek().isWord("WITH") && peek(1).isSymbol("(")) {
            next();
            next();
            int depth = 1;
            while (depth > 0 && peek().kind != TokenKind::End) {
                if (peek().isSymbol("("))
                    ++depth;
                else if (peek().isSymbol(")"))
                    --depth;
                next();
            }
        } else if (peek().isWord("WITH") && (peek(1).isWord("FILLFACTOR"))) {
            next();
            next();
            expectSymbol("=");
            next();
        } else if (peek().isWord("ON") &&
                   (peek(1).kind == TokenKind::QuotedName || peek(1).isWord("PRIMARY"))) {
            next();
            next();
        } else if (peek().isWord("TEXTIMAGE_ON")) {
            next();
            next();
        } else {
            return;
        }
    }
}

StmtPtr Parser::parseCreate() {
    expectWord("CREATE");
    if (peek().isWord("OR") && peek(1).isWord("ALTER")) {
        next();
        next();
        if (peek().isWord("TRIGGER"))
            return parseCreateTrigger(CreateTriggerStmt::CreateOrAlter);
        if (peek().isWord("FUNCTION"))
            return parseCreateFunction(false, true);
        if (!peek().isWord("PROC") && !peek().isWord("PROCEDURE"))
            notSupported(QStringLiteral("CREATE OR ALTER %1").arg(peek().text.toUpper()));
        auto s = parseCreateProcedure(false);
        static_cast<CreateProcedureStmt&>(*s).orAlter = true;
        return s;
    }
    if (peek().isWord("TABLE"))
        return parseCreateTable();
    if (peek().isWord("PROC") || peek().isWord("PROCEDURE"))
        return parseCreateProcedure(false);
    if (peek().isWord("TRIGGER"))
        return parseCreateTrigger(CreateTriggerStmt::Create);
    if (peek().isWord("FUNCTION"))
        return parseCreateFunction(false, false);
    bool unique = acceptWord("UNIQUE");
    bool clustered = false;
    if (acceptWord("CLUSTERED"))
        clustered = true;
    else
        acceptWord("NONCLUSTERED");
    if (peek().isWord("INDEX"))
        return parseCreateIndex(unique, clustered);
    if (unique || clustered)
        fail();
    if (acceptWord("VIEW")) {
        auto s = std::make_unique<CreateViewStmt>();
        s->name = parseObjectName();
        if (acceptSymbol("("))
            s->columns = parseNamesToParenthesis();
        if (peek().isWord("WITH"))
            notSupported(QStringLiteral("view options"));
        expectWord("AS");
        s->select = parseSelect();
        return s;
    }
    if (acceptWord("TYPE")) {
        auto s = std::make_unique<CreateTypeStmt>();
        s->name = parseObjectName();
        if (peek().isWord("AS"))
            notSupported(QStringLiteral("table types"));
        expectWord("FROM");
        QString alias;
        s->base = parseType(&alias);
        if (!alias.isEmpty())
            raise(243, QStringLiteral("Type %1 is not a defined system type.").arg(alias));
        if (acceptWord("NOT")) {
            expectWord("NULL");
            s->nullable = false;
        } else {
            acceptWord("NULL");
        }
        return s;
    }
    if (acceptWord("DATABASE")) {
        auto s = std::make_unique<DatabaseStmt>(Stmt::CreateDatabase);
        s->name = parseName();
        if (!atStatementEnd())
            notSupported(QStringLiteral("CREATE DATABASE options"));
        return s;
    }
    fail();
}

StmtPtr Parser::parseAlter() {
    expectWord("ALTER");
    if (peek().isWord("PROC") || peek().isWord("PROCEDURE"))
        return parseCreateProcedure(true);
    if (peek().isWord("TRIGGER"))
        return parseCreateTrigger(CreateTriggerStmt::Alter);
    if (peek().isWord("FUNCTION"))
        return parseCreateFunction(true, false);
    if (!acceptWord("TABLE"))
        notSupported(QStringLiteral("ALTER %1").arg(peek().text.toUpper()));
    auto s = std::make_unique<AlterTableStmt>();
    s->table = parseObjectName();
    // WITH CHECK (the default) holds the rows already there to the constraints added; WITH
    // NOCHECK lets them stand.
    if (acceptWord("WITH")) {
        if (acceptWord("NOCHECK"))
            s->checkExisting = false;
        else
            expectWord("CHECK");
        if (!peek().isWord("ADD"))
            notSupported(QStringLiteral("ALTER TABLE ... CHECK/NOCHECK CONSTRAINT"));
    }
    if (acceptWord("ADD")) {
        s->action = AlterTableStmt::AddItems;
        do {
            if (!parseTableConstraint(s->constraints))
                s->columns.push_back(parseColumnDef(s->constraints));
        } while (acceptSymbol(","));
        return s;
    }
    if (acceptWord("DROP")) {
        if (acceptWord("COLUMN")) {
            s->action = AlterTableStmt::DropColumn;
        } else {
            acceptWord("CONSTRAINT");
            s->action = AlterTableStmt::DropConstraint;
        }
        do {
            s->names << parseName();
        } while (acceptSymbol(","));
        return s;
    }
    // ALTER COLUMN name type [NULL | NOT NULL]: without either, the column takes NULLs.
    if (acceptWord("ALTER")) {
        expectWord("COLUMN");
        s->action = AlterTableStmt::AlterColumn;
        ColumnDef c;
        c.name = parseName();
        c.type = parseType(&c.aliasType);
        if (acceptWord("COLLATE"))
            parseName();  // text comparison follows the engine's one collation
        const bool notNull = acceptWord("NOT");
        if (notNull)
            expectWord("NULL");
        else
            acceptWord("NULL");
        c.nullable = !notNull;
        s->columns.push_back(std::move(c));
        return s;
    }
    if (peek().isWord("NOCHECK") || peek().isWord("CHECK"))
        notSupported(QStringLiteral("ALTER TABLE ... CHECK/NOCHECK CONSTRAINT"));
    fail();
}

StmtPtr Parser::parseDrop() {
    expectWord("DROP");
    auto s = std::make_unique<DropStmt>();
    if (acceptWord("DATABASE")) {
        auto d = std::make_unique<DatabaseStmt>(Stmt::DropDatabase);
        d->name = parseName();
        return d;
    }
    if (acceptWord("TABLE"))
        s->object = DropStmt::Table;
    else if (acceptWord("VIEW"))
        s->object = DropStmt::View;
    else if (acceptWord("PROC") || acceptWord("PROCEDURE"))
        s->object = DropStmt::Procedure;
    else if (acceptWord("TYPE"))
        s->object = DropStmt::Type;
    else if (acceptWord("FUNCTION"))
        s->object = DropStmt::Function;
    else if (acceptWord("INDEX"))
        s->object = DropStmt::Index;
    else if (acceptWord("TRIGGER"))
        s->object = DropStmt::Trigger;
    else
        notSupported(QStringLiteral("DROP %1").arg(peek().text.toUpper()));
    if (peek().isWord("IF") && peek(1).isWord("EXISTS")) {
        next();
        next();
        s->ifExists = true;
    }
    do {
        ObjectName n = parseObjectName();
        if (s->object == DropStmt::Index) {
            if (acceptWord("ON")) {
                // DROP INDEX name ON table: keep table in schema, index in name.
                ObjectName t = parseObjectName();
                n.schema = t.name;
            } else {
                // DROP INDEX table.name
                if (n.schema.isEmpty())
                    fail();
            }
        }
        s->names.push_back(n);
    } while (acceptSymbol(","));
    return s;
}

void Parser::parseReferences(ObjectName& table, QStringList& columns) {
    expectWord("REFERENCES");
    table = parseObjectName();
    if (acceptSymbol("(")) {
        do {
            columns << parseName();
        } while (acceptSymbol(","));
        expectSymbol(")");
    }
    while (peek().isWord("ON") && (peek(1).isWord("DELETE") || peek(1).isWord("UPDATE"))) {
        next();
        next();
        if (acceptWord("NO")) {
            expectWord("ACTION");
        } else {
            notSupported(QStringLiteral("cascading foreign keys"));
        }
    }
    if (peek().isWord("NOT") && peek(1).isWord("FOR"))
        notSupported(QStringLiteral("NOT FOR REPLICATION"));
}

bool Parser::parseTableConstraint(std::vector<TableConstraint>& out) {
    TableConstraint c;
    if (acceptWord("CONSTRAINT"))
        c.name = parseName();
    else if (!(peek().isWord("PRIMARY") || peek().isWord("UNIQUE") || peek().isWord("FOREIGN") ||
               peek().isWord("CHECK")))
        return false;
    if (acceptWord("PRIMARY")) {
        expectWord("KEY");
        c.kind = TableConstraint::PrimaryKey;
    } else if (acceptWord("UNIQUE")) {
        c.kind = TableConstraint::Unique;
        c.clustered = false;
    } else if (acceptWord("FOREIGN")) {
        expectWord("KEY");
        c.kind = TableConstraint::ForeignKey;
    } else if (acceptWord("CHECK")) {
        c.kind = TableConstraint::Check;
        expectSymbol("(");
        c.expr = parseExpr();
        expectSymbol(")");
        out.push_back(std::move(c));
        return true;
    } else if (acceptWord("DEFAULT")) {
        c.kind = TableConstraint::Default;
        c.expr = parsePrimary();
        expectWord("FOR");
        c.columns << parseName();
        out.push_back(std::move(c));
        return true;
    } else {
        fail();
    }
    if (c.kind == TableConstraint::PrimaryKey || c.kind == TableConstraint::Unique) {
        if (acceptWord("CLUSTERED"))
            c.clustered = true;
        else if (acceptWord("NONCLUSTERED"))
            c.clustered = false;
    }
    expectSymbol("(");
    do {
        c.columns << parseName();
        if (!acceptWord("ASC"))
            acceptWord("DESC");
    } while (acceptSymbol(","));
    expectSymbol(")");
    if (c.kind == TableConstraint::ForeignKey)
        parseReferences(c.refTable, c.refColumns);
    skipIndexOptions();
    out.push_back(std::move(c));
    return true;
}

// A column; a CHECK written with it joins `constraints`, naming the column.
ColumnDef Parser::parseColumnDef(std::vector<TableConstraint>& constraints) {
    ColumnDef c;
    c.name = parseName();
    if (acceptWord("AS")) {
        c.computed = parseExpr();
        c.persisted = acceptWord("PERSISTED");
    } else {
        c.type = parseType(&c.aliasType);
    }
    for (;;) {
        QString constraintName;
        if (acceptWord("CONSTRAINT"))
            constraintName = parseName();
        if (acceptWord("IDENTITY")) {
            c.identity = true;
            if (acceptSymbol("(")) {
                c.seed = parseSignedInteger();
                expectSymbol(",");
                c.increment = parseSignedInteger();
                expectSymbol(")");
            }
        } else if (acceptWord("NULL")) {
            c.nullable = true;
        } else if (peek().isWord("NOT") && peek(1).isWord("NULL")) {
            next();
            next();
            c.nullable = false;
        } else if (acceptWord("DEFAULT")) {
            c.defaultValue = parsePrimary();
            c.defaultName = constraintName;
        } else if (acceptWord("PRIMARY")) {
            expectWord("KEY");
            c.primaryKey = true;
            c.constraintName = constraintName;
            if (acceptWord("CLUSTERED"))
                c.clustered = true;
            else if (!acceptWord("NONCLUSTERED"))
                c.clustered = true;
            skipIndexOptions();
        } else if (acceptWord("UNIQUE")) {
            c.unique = true;
            c.constraintName = constraintName;
            if (!acceptWord("CLUSTERED"))
                acceptWord("NONCLUSTERED");
        } else if (peek().isWord("REFERENCES") || peek().isWord("FOREIGN")) {
            if (acceptWord("FOREIGN"))
                expectWord("KEY");
            QStringList cols;
            parseReferences(c.refTable, cols);
            c.refColumn = cols.value(0);
            if (c.constraintName.isEmpty())
                c.constraintName = constraintName;
        } else if (acceptWord("CHECK")) {
            TableConstraint check;
            check.kind = TableConstraint::Check;
            check.name = constraintName;
            check.columns << c.name;
            expectSymbol("(");
            check.expr = parseExpr();
            expectSymbol(")");
            constraints.push_back(std::move(check));
        } else if (acceptWord("COLLATE")) {
            parseName();  // text comparison follows the engine's one collation
        } else if (peek().isWord("ROWGUIDCOL") || peek().isWord("SPARSE")) {
            notSupported(peek().text.toUpper());
        } else {
            if (!constraintName.isEmpty())
                fail();
            return c;
        }
    }
}

StmtPtr Parser::parseCreateTable() {
    expectWord("TABLE");
    auto s = std::make_unique<CreateTableStmt>();
    s->name = parseObjectName();
    if (s->name.name.startsWith(QStringLiteral("##")))
        notSupported(QStringLiteral("global temporary tables"));
    expectSymbol("(");
    do {
        if (peek().isSymbol(")"))
            break;  // trailing comma, as SQL Server allows
        if (!parseTableConstraint(s->constraints))
            s->columns.push_back(parseColumnDef(s->constraints));
    } while (acceptSymbol(","));
    expectSymbol(")");
    skipIndexOptions();
    return s;
}

StmtPtr Parser::parseCreateIndex(bool unique, bool clustered) {
    expectWord("INDEX");
    auto s = std::make_unique<CreateIndexStmt>();
    s->unique = unique;
    s->clustered = clustered;
    s->name = parseName();
    expectWord("ON");
    s->table = parseObjectName();
    expectSymbol("(");
    do {
        QString col = parseName();
        bool desc = acceptWord("DESC");
        if (!desc)
            acceptWord("ASC");
        s->columns.emplace_back(col, desc);
    } while (acceptSymbol(","));
    expectSymbol(")");
    if (peek().isWord("INCLUDE"))
        notSupported(QStringLiteral("INCLUDE columns"));
    if (peek().isWord("WHERE"))
        notSupported(QStringLiteral("filtered indexes"));
    skipIndexOptions();
    return s;
}

std::vector<ProcParam> Parser::parseParameters() {
    std::vector<ProcParam> params;
    while (peek().kind == TokenKind::Variable) {
        ProcParam p;
        p.name = next().text;
        acceptWord("AS");
        p.type = parseType(&p.aliasType);
        if (acceptWord("VARYING"))
            notSupported(QStringLiteral("cursor parameters"));
        if (acceptSymbol("="))
            p.defaultValue = parseUnary();
        if (acceptWord("OUTPUT") || acceptWord("OUT"))
            p.output = true;
        if (acceptWord("READONLY"))
            notSupported(QStringLiteral("table-valued parameters"));
        params.push_back(std::move(p));
        if (!acceptSymbol(","))
            break;
    }
    return params;
}

// WITH EXECUTE AS ..., SCHEMABINDING, RECOMPILE ...: nothing they ask changes how this engine
// runs a routine.
void Parser::skipRoutineOptions() {
    if (!acceptWord("WITH"))
        return;
    do {
        QString opt = parseName();
        if (opt.compare(u"EXECUTE", Qt::CaseInsensitive) == 0 ||
            opt.compare(u"EXEC", Qt::CaseInsensitive) == 0) {
            expectWord("AS");
            next();
        } else if (opt.compare(u"RETURNS", Qt::CaseInsensitive) == 0 ||
                   opt.compare(u"CALLED", Qt::CaseInsensitive) == 0) {
            // RETURNS NULL ON NULL INPUT, CALLED ON NULL INPUT
            while (!peek().isWord("INPUT") && peek().kind != TokenKind::End)
                next();
            expectWord("INPUT");
        }
    } while (acceptSymbol(","));
}

namespace {

// A multi-statement function's expansion: SELECT c0 AS [first column], ... FROM the rows its
// body returns for its parameters.
std::unique_ptr<Select> returnedRows(const CreateFunctionStmt& f) {
    const QString alias = QLatin1String(kFunctionRows);
    auto rows = std::make_unique<TableRef>(TableRef::Function);
    rows->name = f.name;
    rows->alias = alias;
    rows->functionRows = true;
    for (const ProcParam& p : f.params) {
        auto parameter = std::make_unique<Expr>(Expr::Variable);
        parameter->text = p.name;
        rows->args.push_back(std::move(parameter));
    }
    SelectCore core;
    const std::vector<ColumnDef>& columns = f.columns->columns;
    for (size_t k = 0; k < columns.size(); ++k) {
        auto column = std::make_unique<Expr>(Expr::Column);
        column->parts = QStringList{alias, QStringLiteral("c%1").arg(k)};
        core.items.push_back(SelectItem{std::move(column), columns[k].name, {}});
    }
    core.from.push_back(std::move(rows));
    auto select = std::make_unique<Select>();
    select->cores.push_back(std::move(core));
    return select;
}

}  // namespace

// CREATE [OR ALTER] | ALTER FUNCTION name ([@p type [= default], ...]) RETURNS ...
StmtPtr Parser::parseCreateFunction(bool alter, bool orAlter) {
    const int start = orAlter ? static_cast<int>(pos_) - 3 : static_cast<int>(pos_) - 1;
    expectWord("FUNCTION");
    auto s = std::make_unique<CreateFunctionStmt>();
    s->alter = alter;
    s->orAlter = orAlter;
    s->name = parseObjectName();
    expectSymbol("(");
    s->params = parseParameters();
    expectSymbol(")");
    for (const ProcParam& p : s->params)
        if (p.output)
            raise(181, QStringLiteral("Cannot use the OUTPUT option in a DECLARE, CREATE "
                                      "AGGREGATE or CREATE FUNCTION statement."));
    expectWord("RETURNS");
    if (acceptWord("TABLE")) {
        s->form = CreateFunctionStmt::Inline;
        skipRoutineOptions();
        acceptWord("AS");
        expectWord("RETURN");
        if (acceptSymbol("(")) {
            s->select = parseSelect();
            expectSymbol(")");
        } else {
            s->select = parseSelect();
        }
    } else {
        if (peek().kind == TokenKind::Variable) {
            s->form = CreateFunctionStmt::MultiStatement;
            s->table = next().text;
            expectWord("TABLE");
            s->columns = std::make_unique<CreateTableStmt>();
            s->columns->name.name = s->table;
            parseTableColumns(*s->columns);
        } else {
            s->returns = parseType(&s->returnsAlias);
        }
        skipRoutineOptions();
        acceptWord("AS");
        expectWord("BEGIN");
        s->body = parseUntilEnd("END");
        if (s->form == CreateFunctionStmt::MultiStatement)
            s->select = returnedRows(*s);
    }
    s->source = sourceFrom(start < 0 ? 0 : start);
    return s;
}

StmtPtr Parser::parseCreateProcedure(bool alter) {
    int start = static_cast<int>(pos_) - 1;  // the CREATE/ALTER word
    next();                                  // PROC / PROCEDURE
    auto s = std::make_unique<CreateProcedureStmt>();
    s->alter = alter;
    s->name = parseObjectName();
    if (acceptSymbol(";"))
        notSupported(QStringLiteral("numbered procedures"));
    bool paren = acceptSymbol("(");
    s->params = parseParameters();
    if (paren)
        expectSymbol(")");
    skipRoutineOptions();
    if (peek().isWord("FOR"))
        notSupported(QStringLiteral("FOR REPLICATION"));
    expectWord("AS");
    s->body = parseRestOfBatch();
    s->source = sourceFrom(start < 0 ? 0 : start);
    return s;
}

// The body of a procedure or trigger: every statement to the end of the batch.
StmtList Parser::parseRestOfBatch() {
    StmtList body;
    while (peek().kind != TokenKind::End) {
        while (acceptSymbol(";")) {
        }
        if (peek().kind == TokenKind::End)
            break;
        body.push_back(parseStatement());
    }
    return body;
}

// [CREATE [OR ALTER] | ALTER] TRIGGER name ON table {AFTER | FOR | INSTEAD OF} INSERT, UPDATE,
// DELETE AS body
StmtPtr Parser::parseCreateTrigger(CreateTriggerStmt::Mode mode) {
    int start = static_cast<int>(pos_) - (mode == CreateTriggerStmt::CreateOrAlter ? 3 : 1);
    expectWord("TRIGGER");
    auto s = std::make_unique<CreateTriggerStmt>();
    s->mode = mode;
    s->name = parseObjectName();
    expectWord("ON");
    if (peek().isWord("DATABASE") || peek().isWord("ALL"))
        notSupported(QStringLiteral("DDL triggers"));
    s->table = parseObjectName();
    if (peek().isWord("WITH"))
        notSupported(QStringLiteral("trigger options"));
    if (acceptWord("INSTEAD")) {
        expectWord("OF");
        s->events = CreateTriggerStmt::InsteadOf;
    } else if (!acceptWord("AFTER")) {
        expectWord("FOR");
    }
    do {
        if (acceptWord("INSERT"))
            s->events |= CreateTriggerStmt::OnInsert;
        else if (acceptWord("UPDATE"))
            s->events |= CreateTriggerStmt::OnUpdate;
        else if (acceptWord("DELETE"))
            s->events |= CreateTriggerStmt::OnDelete;
        else
            fail();
    } while (acceptSymbol(","));
    if (peek().isWord("NOT") && peek(1).isWord("FOR"))
        notSupported(QStringLiteral("NOT FOR REPLICATION"));
    expectWord("AS");
    s->body = parseRestOfBatch();
    s->source = sourceFrom(start < 0 ? 0 : start);
    return s;
}

}  // namespace tsql
