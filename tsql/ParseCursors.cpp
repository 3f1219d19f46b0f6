// Cursor statements: DECLARE ... CURSOR, OPEN, FETCH, CLOSE, DEALLOCATE, WHERE CURRENT OF.
#include <algorithm>

#include "tsql/Errors.h"
#include "tsql/Parser.h"

namespace tsql {

namespace {

[[noreturn]] void conflictingOptions(const char* a, const char* b) {
    raise(1048, QStringLiteral("Conflicting cursor options %1 and %2.")
                    .arg(QLatin1String(a), QLatin1String(b)));
}

// The options a declaration cannot combine: a fast-forward cursor only moves forward, and a
// cursor that reads its rows once cannot be written through.
void checkOptions(const DeclareCursorStmt& d, bool forwardOnly) {
    using S = DeclareCursorStmt;
    if (d.sensitivity == S::FastForward && d.scroll)
        conflictingOptions("FAST_FORWARD", "SCROLL");
    if (forwardOnly && d.scroll)
        conflictingOptions("FORWARD_ONLY", "SCROLL");
    if (d.forUpdate &&
        (d.readOnly || d.sensitivity == S::Static || d.sensitivity == S::FastForward))
        raise(16957, QStringLiteral("FOR UPDATE cannot be specified on a READ ONLY cursor."));
}

}  // namespace

// [INSENSITIVE] [SCROLL] CURSOR [options] FOR select [FOR {READ ONLY | UPDATE [OF columns]}],
// after the name of the cursor (DECLARE) or of the variable it is given to (SET).
StmtPtr Parser::parseCursorDeclaration(const QString& name) {
    auto d = std::make_unique<DeclareCursorStmt>();
    d->name = name;
    bool iso = false;
    if (acceptWord("INSENSITIVE")) {
        d->sensitivity = DeclareCursorStmt::Static;
        iso = true;
    }
    if (acceptWord("SCROLL")) {
        d->scroll = true;
        iso = true;
    }
    expectWord("CURSOR");
    const bool forwardOnly = !iso && parseCursorOptions(*d);
    expectWord("FOR");
    d->select = parseCursorSelect();
    if (acceptWord("FOR")) {
        if (acceptWord("READ")) {
            expectWord("ONLY");
            d->readOnly = true;
        } else {
            expectWord("UPDATE");
            d->forUpdate = true;
            if (acceptWord("OF")) {
                do {
                    d->updateColumns << parseName();
                } while (acceptSymbol(","));
            }
        }
    }
    checkOptions(*d, forwardOnly);
    return d;
}

// A select, or WITH common tables before one.
std::unique_ptr<Select> Parser::parseCursorSelect() {
    if (!peek().isWord("WITH"))
        return parseSelect();
    StmtPtr s = parseWith();
    if (s->kind != Stmt::SelectStmt)
        fail();
    return std::move(static_cast<SelectStmt&>(*s).select);
}

// LOCAL | GLOBAL, FORWARD_ONLY | SCROLL, STATIC | KEYSET | DYNAMIC | FAST_FORWARD, READ_ONLY |
// SCROLL_LOCKS | OPTIMISTIC, TYPE_WARNING, up to FOR. True when FORWARD_ONLY was given.
bool Parser::parseCursorOptions(DeclareCursorStmt& d) {
    using S = DeclareCursorStmt;
    static const std::pair<const char*, S::Sensitivity> sensitivities[] = {
        {"STATIC", S::Static},
        {"KEYSET", S::Keyset},
        {"DYNAMIC", S::Dynamic},
        {"FAST_FORWARD", S::FastForward}};
    bool forwardOnly = false;
    while (!peek().isWord("FOR")) {
        if (acceptWord("LOCAL")) {
            d.scope = S::Local;
        } else if (acceptWord("GLOBAL")) {
            d.scope = S::Global;
        } else if (acceptWord("FORWARD_ONLY")) {
            forwardOnly = true;
        } else if (acceptWord("SCROLL")) {
            d.scroll = true;
        } else if (acceptWord("READ_ONLY")) {
            d.readOnly = true;
        } else if (acceptWord("SCROLL_LOCKS") || acceptWord("OPTIMISTIC") ||
                   acceptWord("TYPE_WARNING")) {
            // locking and warnings change nothing on this engine
        } else {
            const auto it = std::find_if(std::begin(sensitivities), std::end(sensitivities),
                                         [&](const auto& s) { return peek().isWord(s.first); });
            if (it == std::end(sensitivities))
                fail();
            next();
            d.sensitivity = it->second;
        }
    }
    // A cursor of these kinds scrolls unless declared FORWARD_ONLY.
    const bool scrolls =
        d.sensitivity == S::Static || d.sensitivity == S::Keyset || d.sensitivity == S::Dynamic;
    if (!forwardOnly && scrolls)
        d.scroll = true;
    return forwardOnly;
}

// [GLOBAL] name, or @variable.
CursorRef Parser::parseCursorRef() {
    CursorRef c;
    if (peek().kind == TokenKind::Variable) {
        c.name = next().text;
        return c;
    }
    if (peek().isWord("GLOBAL") &&
        (peek(1).kind == TokenKind::Identifier || peek(1).kind == TokenKind::QuotedName)) {
        next();
        c.global = true;
    }
    c.name = parseName();
    return c;
}

StmtPtr Parser::parseCursorAction(int action) {
    next();
    auto s = std::make_unique<CursorActionStmt>();
    s->action = static_cast<CursorActionStmt::Action>(action);
    s->cursor = parseCursorRef();
    return s;
}

// FETCH [NEXT | PRIOR | FIRST | LAST | ABSOLUTE n | RELATIVE n] [FROM] cursor [INTO @v, ...].
StmtPtr Parser::parseFetch() {
    expectWord("FETCH");
    auto f = std::make_unique<FetchStmt>();
    static const std::pair<const char*, FetchStmt::Direction> directions[] = {
        {"NEXT", FetchStmt::Next},         {"PRIOR", FetchStmt::Prior},
        {"FIRST", FetchStmt::First},       {"LAST", FetchStmt::Last},
        {"ABSOLUTE", FetchStmt::Absolute}, {"RELATIVE", FetchStmt::Relative}};
    const auto it = std::find_if(std::begin(directions), std::end(directions),
                                 [&](const auto& d) { return peek().isWord(d.first); });
    if (it != std::end(directions)) {
        next();
        f->direction = it->second;
        if (f->direction == FetchStmt::Absolute || f->direction == FetchStmt::Relative)
            f->offset = parseExpr();
        expectWord("FROM");
    } else {
        acceptWord("FROM");
    }
    f->cursor = parseCursorRef();
    if (acceptWord("INTO")) {
        do {
            if (peek().kind != TokenKind::Variable)
                fail();
            f->into << next().text;
        } while (acceptSymbol(","));
    }
    return f;
}

// The condition after UPDATE's or DELETE's WHERE. CURRENT OF cursor is the condition that the row
// of `target` is the one the cursor stands on.
ExprPtr Parser::parseChangeCondition(const ObjectName& target, std::optional<CursorRef>& cursor) {
    if (!peek().isWord("CURRENT") || !peek(1).isWord("OF"))
        return parseExpr();
    next();
    next();
    cursor = parseCursorRef();
    auto row = std::make_unique<Expr>(Expr::CurrentOf);
    row->text = cursor->name;
    if (cursor->global)
        row->op = QStringLiteral("GLOBAL");
    auto key = std::make_unique<Expr>(Expr::RowId);
    key->parts << target.name;
    auto e = std::make_unique<Expr>(Expr::Binary);
    e->op = QStringLiteral("=");
    e->a = std::move(key);
    e->b = std::move(row);
    return e;
}

}  // namespace tsql
