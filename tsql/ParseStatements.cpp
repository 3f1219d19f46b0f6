// Batch, procedural and data-changing statements.
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Labels.h"
#include "tsql/Parser.h"

namespace tsql {

StmtList Parser::parseBatch() {
    StmtList out;
    for (;;) {
        while (acceptSymbol(";")) {
        }
        if (peek().kind == TokenKind::End) {
            checkLabels(out);
            return out;
        }
        out.push_back(parseStatement());
    }
}

StmtPtr Parser::parseStatement() {
    const Nesting nesting(*this);
    int start = static_cast<int>(pos_);
    int line = peek().line;
    StmtPtr s = parseStatementBody();
    s->line = line;
    s->index = statements_++;
    if (s->source.isEmpty())
        s->source = sourceFrom(start);
    while (acceptSymbol(";")) {
    }
    return s;
}

StmtPtr Parser::parseStatementBody() {
    const Token& t = peek();
    if (t.isSymbol("(") && peek(1).isWord("SELECT"))
        return parseSelectStatement();
    if (t.kind != TokenKind::Identifier)
        fail();
    using Rule = StmtPtr (*)(Parser&);
    // The statement each leading word begins.
    static const std::pair<const char*, Rule> rules[] = {
        {"SELECT", [](Parser& p) { return p.parseSelectStatement(); }},
        {"WITH", [](Parser& p) { return p.parseWith(); }},
        {"INSERT", [](Parser& p) { return p.parseInsert(); }},
        {"UPDATE", [](Parser& p) { return p.parseUpdate(); }},
        {"DELETE", [](Parser& p) { return p.parseDelete(); }},
        {"MERGE", [](Parser& p) { return p.parseMerge(); }},
        {"TRUNCATE", [](Parser& p) { return p.parseTruncate(); }},
        {"CREATE", [](Parser& p) { return p.parseCreate(); }},
        {"ALTER", [](Parser& p) { return p.parseAlter(); }},
        {"DROP", [](Parser& p) { return p.parseDrop(); }},
        {"BEGIN", [](Parser& p) { return p.parseBegin(); }},
        {"IF", [](Parser& p) { return p.parseIf(); }},
        {"WHILE", [](Parser& p) { return p.parseWhile(); }},
        {"BREAK", [](Parser& p) { return p.parseLoopControl(Stmt::Break); }},
        {"CONTINUE", [](Parser& p) { return p.parseLoopControl(Stmt::Continue); }},
        {"DECLARE", [](Parser& p) { return p.parseDeclare(); }},
        {"SET", [](Parser& p) { return p.parseSet(); }},
        {"EXEC", [](Parser& p) { return StmtPtr(p.parseExec()); }},
        {"EXECUTE", [](Parser& p) { return StmtPtr(p.parseExec()); }},
        {"RETURN", [](Parser& p) { return p.parseReturn(); }},
        {"COMMIT", [](Parser& p) { return p.parseTransaction(TransactionStmt::Commit); }},
        {"ROLLBACK", [](Parser& p) { return p.parseTransaction(TransactionStmt::Rollback); }},
        {"SAVE", [](Parser& p) { return p.parseTransaction(TransactionStmt::Save); }},
        {"RAISERROR", [](Parser& p) { return p.parseRaiserror(); }},
        {"THROW", [](Parser& p) { return p.parseThrow(); }},
        {"PRINT", [](Parser& p) { return p.parsePrint(); }},
        {"WAITFOR", [](Parser& p) { return p.parseWaitfor(); }},
        {"USE", [](Parser& p) { return p.parseUse(); }},
        {"OPEN", [](Parser& p) { return p.parseCursorAction(CursorActionStmt::Open); }},
        {"CLOSE", [](Parser& p) { return p.parseCursorAction(CursorActionStmt::Close); }},
        {"DEALLOCATE", [](Parser& p) { return p.parseCursorAction(CursorActionStmt::Deallocate); }},
        {"FETCH", [](Parser& p) { return p.parseFetch(); }},
        {"GOTO",
         [](Parser& p) {
             p.next();
             auto g = std::make_unique<GotoStmt>();
             g->label = p.parseName();
             return StmtPtr(std::move(g));
         }},
    };
    for (const auto& [word, rule] : rules)
        if (t.isWord(word))
            return rule(*this);
    static const char* const unsupported[] = {"GRANT", "REVOKE", "DENY", "BULK", "DBCC"};
    for (const char* word : unsupported)
        if (t.isWord(word))
            notSupported(QStringLiteral("the %1 statement").arg(t.text.toUpper()));
    if (peek(1).isSymbol(":")) {
        auto label = std::make_unique<LabelStmt>();
        label->name = next().text;
        next();
        return label;
    }
    fail();
}

StmtPtr Parser::parseSelectStatement() {
    auto s = std::make_unique<SelectStmt>();
    s->select = parseSelect();
    return s;
}

namespace {

// UPDATE or DELETE of a common table, without FROM, reads the common table's rows: its FROM is
// the common table.
void readCommonTable(const ObjectName& target, std::vector<TableRefPtr>& from,
                     const std::vector<CommonTable>& with) {
    if (!from.empty() || !target.schema.isEmpty() || !target.database.isEmpty())
        return;
    for (const CommonTable& t : with) {
        if (t.name.compare(target.name, Qt::CaseInsensitive) != 0)
            continue;
        auto source = std::make_unique<TableRef>(TableRef::Named);
        source->name = target;
        from.push_back(std::move(source));
        return;
    }
}

// UPDATE or DELETE `s` after WITH.
template <typename Change>
StmtPtr changeWith(StmtPtr s, std::vector<CommonTable> with) {
    auto& change = static_cast<Change&>(*s);
    readCommonTable(change.target, change.from, with);
    change.with = std::move(with);
    return s;
}

}  // namespace

// WITH name [(columns)] AS (select), ... before SELECT, INSERT ... SELECT, UPDATE or DELETE.
StmtPtr Parser::parseWith() {
    next();
    std::vector<CommonTable> with;
    do {
        CommonTable t;
        t.name = parseName();
        if (acceptSymbol("(")) {
            do {
                t.columns << parseName();
            } while (acceptSymbol(","));
            expectSymbol(")");
        }
        expectWord("AS");
        expectSymbol("(");
        t.select = parseSelect();
        expectSymbol(")");
        with.push_back(std::move(t));
    } while (acceptSymbol(","));
    if (peek().isWord("SELECT") || peek().isSymbol("(")) {
        auto s = std::make_unique<SelectStmt>();
        s->select = parseSelect();
        s->select->with = std::move(with);
        return s;
    }
    if (peek().isWord("INSERT")) {
        StmtPtr s = parseInsert();
        auto& insert = static_cast<InsertStmt&>(*s);
        if (!insert.select || insert.exec)
            notSupported(QStringLiteral("WITH before INSERT ... VALUES or INSERT ... EXEC"));
        insert.select->with = std::move(with);
        return s;
    }
    if (peek().isWord("UPDATE"))
        return changeWith<UpdateStmt>(parseUpdate(), std::move(with));
    if (peek().isWord("DELETE"))
        return changeWith<DeleteStmt>(parseDelete(), std::move(with));
    if (peek().kind == TokenKind::Identifier)
        notSupported(QStringLiteral("WITH before %1").arg(peek().text.toUpper()));
    fail();
}

StmtPtr Parser::parseTruncate() {
    next();
    expectWord("TABLE");
    auto s = std::make_unique<TruncateStmt>();
    s->table = parseObjectName();
    return s;
}

StmtPtr Parser::parseLoopControl(Stmt::Kind kind) {
    next();
    return std::make_unique<SimpleStmt>(kind);
}

StmtPtr Parser::parsePrint() {
    next();
    auto s = std::make_unique<PrintStmt>();
    s->value = parseExpr();
    return s;
}

// The time is a text or a variable, as SQL Server takes it; RECEIVE and GET CONVERSATION GROUP
// belong to Service Broker, which the engine does not have.
StmtPtr Parser::parseWaitfor() {
    next();
    auto s = std::make_unique<WaitforStmt>();
    if (peek().isSymbol("("))
        notSupported(QStringLiteral("WAITFOR with a Service Broker statement"));
    s->untilTime = peek().isWord("TIME");
    if (!s->untilTime && !peek().isWord("DELAY"))
        fail();
    next();
    if (!peek().is(TokenKind::String) && !peek().is(TokenKind::Variable))
        fail();
    // A text that is no time fails the batch before it runs, as on SQL Server.
    if (peek().is(TokenKind::String) && !timeOfDay(peek().text))
        incorrectWaitforTime(peek().text);
    s->value = parsePrimary();
    return s;
}

StmtPtr Parser::parseUse() {
    next();
    auto s = std::make_unique<UseStmt>();
    s->database = parseName();
    return s;
}

StmtList Parser::parseUntilEnd(const char* endWord, const char* second) {
    StmtList body;
    for (;;) {
        while (acceptSymbol(";")) {
        }
        if (peek().isWord(endWord) && (!second || peek(1).isWord(second))) {
            next();
            if (second)
                next();
            return body;
        }
        if (peek().kind == TokenKind::End)
            fail();
        body.push_back(parseStatement());
    }
}

StmtPtr Parser::parseBegin() {
    expectWord("BEGIN");
    if (peek().isWord("TRAN") || peek().isWord("TRANSACTION") || peek().isWord("DISTRIBUTED")) {
        if (acceptWord("DISTRIBUTED"))
            notSupported(QStringLiteral("distributed transactions"));
        next();
        auto s = std::make_unique<TransactionStmt>();
        s->action = TransactionStmt::Begin;
        if (peek().kind == TokenKind::Identifier && !isReserved(peek()) && !peek().isWord("WITH"))
            s->name = next().text;
        return s;
    }
    if (acceptWord("TRY")) {
        auto s = std::make_unique<TryCatchStmt>();
        s->tryBody = parseUntilEnd("END", "TRY");
        expectWord("BEGIN");
        expectWord("CATCH");
        s->catchBody = parseUntilEnd("END", "CATCH");
        return s;
    }
    auto b = std::make_unique<BlockStmt>();
    b->body = parseUntilEnd("END");
    return b;
}

// (column, ..., constraint, ...) of a table variable or a function's returned table.
void Parser::parseTableColumns(CreateTableStmt& t) {
    expectSymbol("(");
    do {
        if (peek().isSymbol(")"))
            break;
        if (!parseTableConstraint(t.constraints))
            t.columns.push_back(parseColumnDef(t.constraints));
    } while (acceptSymbol(","));
    expectSymbol(")");
}

StmtPtr Parser::parseIf() {
    expectWord("IF");
    auto s = std::make_unique<IfStmt>();
    s->condition = parseExpr();
    s->then = parseStatement();
    if (acceptWord("ELSE"))
        s->otherwise = parseStatement();
    return s;
}

StmtPtr Parser::parseWhile() {
    expectWord("WHILE");
    auto s = std::make_unique<WhileStmt>();
    s->condition = parseExpr();
    s->body = parseStatement();
    return s;
}

StmtPtr Parser::parseDeclare() {
    expectWord("DECLARE");
    if ((peek().kind == TokenKind::Identifier || peek().kind == TokenKind::QuotedName) &&
        (peek(1).isWord("CURSOR") || peek(1).isWord("INSENSITIVE") || peek(1).isWord("SCROLL")))
        return parseCursorDeclaration(parseName());
    auto s = std::make_unique<DeclareStmt>();
    do {
        Declaration d;
        if (peek().kind != TokenKind::Variable)
            fail();
        d.name = next().text;
        d.key = d.name.toLower();
        acceptWord("AS");
        if (acceptWord("TABLE")) {
            // DECLARE @t TABLE (...): a table for the batch or procedure.
            d.table = std::make_unique<CreateTableStmt>();
            d.table->name.name = d.name;
            parseTableColumns(*d.table);
            s->vars.push_back(std::move(d));
            return s;
        }
        if (acceptWord("CURSOR")) {
            d.cursor = true;
            s->vars.push_back(std::move(d));
            continue;
        }
        d.type = parseType(&d.aliasType);
        if (acceptSymbol("="))
            d.init = parseExpr();
        s->vars.push_back(std::move(d));
    } while (acceptSymbol(","));
    return s;
}

StmtPtr Parser::parseSet() {
    expectWord("SET");
    if (peek().kind == TokenKind::Variable) {
        auto s = std::make_unique<SetVarStmt>();
        s->name = next().text;
        const Token& op = peek();
        if (op.kind != TokenKind::Symbol ||
            !(op.text == u"=" || op.text == u"+=" || op.text == u"-=" || op.text == u"*=" ||
              op.text == u"/=" || op.text == u"%="))
            fail();
        s->op = next().text;
        if (s->op == u"=" && peek().isWord("CURSOR"))
            return parseCursorDeclaration(s->name);
        s->value = parseExpr();
        if (s->op != u"=") {
            // SET @v += x is SET @v = @v + x.
            auto var = std::make_unique<Expr>(Expr::Variable);
            var->text = s->name;
            auto e = std::make_unique<Expr>(Expr::Binary);
            e->op = s->op.left(1);
            e->a = std::move(var);
            e->b = std::move(s->value);
            s->value = std::move(e);
            s->op = QStringLiteral("=");
        }
        return s;
    }
    auto s = std::make_unique<SetOptionStmt>();
    s->option = parseName().toUpper();
    if (s->option == u"TRANSACTION") {
        // SET TRANSACTION ISOLATION LEVEL ...: SQLite transactions are serialisable.
        while (!atStatementEnd() || peek().isWord("READ"))
            next();
        return s;
    }
    if (s->option == u"IDENTITY_INSERT") {
        s->target = parseObjectName();
        if (!peek().isWord("ON") && !peek().isWord("OFF"))
            fail();
    }
    const Token& v = peek();
    if (v.kind == TokenKind::Identifier || v.kind == TokenKind::Integer) {
        s->value = next().text.toUpper();
    } else if (v.kind == TokenKind::Variable && s->option == u"ROWCOUNT") {
        s->value = next().text;  // SET ROWCOUNT @n
    } else {
        fail();
    }
    return s;
}

std::unique_ptr<ExecStmt> Parser::parseExec() {
    next();
    auto s = std::make_unique<ExecStmt>();
    if (acceptSymbol("(")) {
        s->dynamicSql = parseExpr();
        expectSymbol(")");
        return s;
    }
    if (peek().kind == TokenKind::Variable && peek(1).isSymbol("=")) {
        s->returnVar = next().text;
        next();
    }
    if (peek().kind == TokenKind::Variable)
        notSupported(QStringLiteral("EXEC of a procedure named by a variable"));
    s->procedure = parseObjectName();
    if (atStatementEnd() && !peek().isWord("DEFAULT"))
        return s;
    do {
        ExecArg a;
        if (peek().kind == TokenKind::Variable && peek(1).isSymbol("=")) {
            a.name = next().text;
            next();
        }
        if (acceptWord("DEFAULT")) {
            // value stays null
        } else {
            a.value = parseExpr();
        }
        if (acceptWord("OUTPUT") || acceptWord("OUT"))
            a.output = true;
        s->args.push_back(std::move(a));
    } while (acceptSymbol(","));
    if (peek().isWord("WITH") && peek(1).isWord("RECOMPILE")) {
        next();
        next();
    }
    return s;
}

StmtPtr Parser::parseReturn() {
    expectWord("RETURN");
    auto s = std::make_unique<ReturnStmt>();
    if (!atStatementEnd() && !peek().isWord("END") && !peek().isWord("ELSE"))
        s->value = parseExpr();
    return s;
}

StmtPtr Parser::parseTransaction(int action) {
    next();
    auto s = std::make_unique<TransactionStmt>();
    s->action = static_cast<TransactionStmt::Action>(action);
    if (acceptWord("TRAN") || acceptWord("TRANSACTION") || acceptWord("WORK")) {
        if ((peek().kind == TokenKind::Identifier && !isReserved(peek())) ||
            peek().kind == TokenKind::Variable)
            s->name = next().text;
    } else if (action == TransactionStmt::Save) {
        fail();
    }
    return s;
}

StmtPtr Parser::parseRaiserror() {
    expectWord("RAISERROR");
    auto s = std::make_unique<RaiserrorStmt>();
    if (!acceptSymbol("("))
        notSupported(QStringLiteral("the old RAISERROR form without parentheses"));
    s->message = parseExpr();
    expectSymbol(",");
    s->severity = parseExpr();
    expectSymbol(",");
    s->state = parseExpr();
    while (acceptSymbol(","))
        s->args.push_back(parseExpr());
    expectSymbol(")");
    if (acceptWord("WITH")) {
        do {
            parseName();  // NOWAIT, LOG, SETERROR
        } while (acceptSymbol(","));
    }
    return s;
}

StmtPtr Parser::parseThrow() {
    expectWord("THROW");
    auto s = std::make_unique<ThrowStmt>();
    if (atStatementEnd())
        return s;
    s->number = parseExpr();
    expectSymbol(",");
    s->message = parseExpr();
    expectSymbol(",");
    s->state = parseExpr();
    return s;
}

namespace {

TableRefPtr capturedRows(const char* table, const char* alias) {
    auto t = std::make_unique<TableRef>(TableRef::Named);
    t->name.name = QLatin1String(table);
    t->alias = QLatin1String(alias);
    return t;
}

// SELECT * FROM kExecRows: the rows INSERT ... EXEC filed.
std::unique_ptr<Select> filedRows() {
    SelectCore core;
    core.items.push_back(SelectItem{std::make_unique<Expr>(Expr::Star), {}, {}});
    core.from.push_back(capturedRows(kExecRows, kExecRows));
    auto select = std::make_unique<Select>();
    select->cores.push_back(std::move(core));
    return select;
}

}  // namespace

StmtPtr Parser::parseInsert() {
    expectWord("INSERT");
    acceptWord("INTO");
    auto s = std::make_unique<InsertStmt>();
    s->table = parseTableName();
    if (peek().isSymbol("(") && !peek(1).isWord("SELECT")) {
        next();
        s->columns = parseNamesToParenthesis();
    }
    if (peek().isWord("OUTPUT"))
        s->output = parseOutput(true, false);
    if (acceptWord("VALUES")) {
        do {
            expectSymbol("(");
            std::vector<ExprPtr> row;
            do {
                row.push_back(parseExprOrDefault());
            } while (acceptSymbol(","));
            expectSymbol(")");
            s->rows.push_back(std::move(row));
        } while (acceptSymbol(","));
    } else if (peek().isWord("SELECT") || peek().isSymbol("(")) {
        s->select = parseSelect();
    } else if (acceptWord("DEFAULT")) {
        expectWord("VALUES");
        s->defaultValues = true;
    } else if (peek().isWord("EXEC") || peek().isWord("EXECUTE")) {
        s->exec = parseExec();
        s->select = filedRows();
    } else {
        fail();
    }
    return s;
}

// OUTPUT items [INTO target [(columns)]]: the items over the rows the statement copies, those
// of UPDATE paired old with new.
std::unique_ptr<OutputClause> Parser::parseOutput(bool inserted, bool deleted) {
    expectWord("OUTPUT");
    auto o = std::make_unique<OutputClause>();
    o->inserted = inserted;
    o->deleted = deleted;
    SelectCore core;
    do {
        core.items.push_back(parseSelectItem());
    } while (acceptSymbol(","));
    TableRefPtr rows = capturedRows(inserted ? kCapturedInserted : kCapturedDeleted,
                                    inserted ? "inserted" : "deleted");
    if (inserted && deleted) {
        // A MERGE clause that inserts or deletes keeps its rows, the other side's columns NULL.
        auto pair = std::make_unique<TableRef>(TableRef::Join);
        pair->left = capturedRows(kCapturedDeleted, "deleted");
        pair->right = std::move(rows);
        if (mergeAction_ == u"INSERT")
            std::swap(pair->left, pair->right);
        if (mergeAction_ == u"INSERT" || mergeAction_ == u"DELETE")
            pair->joinType = TableRef::Left;
        pair->sameRows = true;
        rows = std::move(pair);
    }
    core.from.push_back(std::move(rows));
    auto select = std::make_unique<Select>();
    select->cores.push_back(std::move(core));
    if (!acceptWord("INTO")) {
        o->select = std::move(select);
        return o;
    }
    o->into = std::make_unique<InsertStmt>();
    o->into->table = parseTableName();
    if (acceptSymbol("("))
        o->into->columns = parseNamesToParenthesis();
    o->into->select = std::move(select);
    return o;
}

template <typename Change>
void Parser::parseChangeClauses(Change& s, bool outputsInserted) {
    if (peek().isWord("OUTPUT"))
        s.output = parseOutput(outputsInserted, true);
    if (acceptWord("FROM"))
        s.from = parseFromList();
    if (acceptWord("WHERE"))
        s.where = parseChangeCondition(s.target, s.currentOf);
    if (peek().isWord("OPTION"))
        s.maxRecursion = parseOption();
}

StmtPtr Parser::parseUpdate() {
    expectWord("UPDATE");
    auto s = std::make_unique<UpdateStmt>();
    if (acceptWord("TOP"))
        s->top = parseTop();
    s->target = parseTableName();
    if (peek().isWord("WITH") && peek(1).isSymbol("(")) {
        while (!peek().isSymbol(")"))
            next();
        next();
    }
    expectWord("SET");
    s->sets = parseAssignments();
    parseChangeClauses(*s, true);
    return s;
}

// column = value, @variable = value, column += value, ... of UPDATE's SET.
std::vector<Assignment> Parser::parseAssignments() {
    std::vector<Assignment> sets;
    do {
        Assignment a;
        if (peek().kind == TokenKind::Variable) {
            a.variable = next().text;
            if (peek(1).isSymbol("=") &&
                (peek().kind == TokenKind::Identifier || peek().kind == TokenKind::QuotedName)) {
                notSupported(QStringLiteral("SET @variable = column = expression"));
            }
        } else {
            ObjectName col = parseObjectName();
            a.column = col.name;
        }
        const Token& op = peek();
        if (op.kind != TokenKind::Symbol)
            fail();
        QString o = next().text;
        a.value = o == u"=" && a.variable.isEmpty() ? parseExprOrDefault() : parseExpr();
        if (o != u"=") {
            if (o.size() != 2 || o[1] != u'=')
                fail();
            auto lhs = std::make_unique<Expr>(a.variable.isEmpty() ? Expr::Column : Expr::Variable);
            if (a.variable.isEmpty())
                lhs->parts << a.column;
            else
                lhs->text = a.variable;
            auto e = std::make_unique<Expr>(Expr::Binary);
            e->op = o.left(1);
            e->a = std::move(lhs);
            e->b = std::move(a.value);
            a.value = std::move(e);
        }
        sets.push_back(std::move(a));
    } while (acceptSymbol(","));
    return sets;
}

StmtPtr Parser::parseDelete() {
    expectWord("DELETE");
    auto s = std::make_unique<DeleteStmt>();
    if (acceptWord("TOP"))
        s->top = parseTop();
    acceptWord("FROM");
    s->target = parseTableName();
    parseChangeClauses(*s, false);
    return s;
}

}  // namespace tsql
