// Expression grammar, by SQL Server's operator precedence.
#include "tsql/Errors.h"
#include "tsql/Parser.h"

namespace tsql {

namespace {

ExprPtr binary(const QString& op, ExprPtr a, ExprPtr b) {
    auto e = std::make_unique<Expr>(Expr::Binary);
    e->op = op;
    e->a = std::move(a);
    e->b = std::move(b);
    return e;
}

}  // namespace

ExprPtr Parser::parseStandaloneExpression() {
    ExprPtr e = parseExpr();
    if (peek().kind != TokenKind::End)
        fail();
    return e;
}

bool Parser::startsSubquery() const {
    return peek().isSymbol("(") && peek(1).isWord("SELECT");
}

ExprPtr Parser::parseExpr() {
    const Nesting nesting(*this);
    ExprPtr left = parseAnd();
    while (acceptWord("OR"))
        left = binary(QStringLiteral("OR"), std::move(left), parseAnd());
    return left;
}

ExprPtr Parser::parseValue() {
    const Nesting nesting(*this);
    return parseAdditive();
}

ExprPtr Parser::parseAnd() {
    ExprPtr left = parseNot();
    while (acceptWord("AND"))
        left = binary(QStringLiteral("AND"), std::move(left), parseNot());
    return left;
}

ExprPtr Parser::parseNot() {
    if (acceptWord("NOT")) {
        const Nesting nesting(*this);
        auto e = std::make_unique<Expr>(Expr::Unary);
        e->op = QStringLiteral("NOT");
        e->a = parseNot();
        return e;
    }
    return parsePredicate();
}

ExprPtr Parser::parsePredicate() {
    if (acceptWord("EXISTS")) {
        expectSymbol("(");
        auto e = std::make_unique<Expr>(Expr::Exists);
        e->select = parseSelect();
        expectSymbol(")");
        return e;
    }
    ExprPtr left = parseAdditive();
    for (;;) {
        const QString op = acceptComparison();
        if (!op.isEmpty()) {
            if (peek().isWord("ALL") || peek().isWord("ANY") || peek().isWord("SOME"))
                notSupported(QStringLiteral("ALL/ANY/SOME comparisons"));
            left = binary(op, std::move(left), parseAdditive());
        } else if (acceptWord("IS")) {
            auto e = predicate(Expr::IsNull, std::move(left), acceptWord("NOT"));
            expectWord("NULL");
            left = std::move(e);
        } else {
            const bool negated =
                peek().isWord("NOT") &&
                (peek(1).isWord("BETWEEN") || peek(1).isWord("IN") || peek(1).isWord("LIKE"));
            if (negated)
                next();
            if (acceptWord("BETWEEN"))
                left = parseBetween(std::move(left), negated);
            else if (acceptWord("LIKE"))
                left = parseLike(std::move(left), negated);
            else if (acceptWord("IN"))
                left = parseIn(std::move(left), negated);
            else
                return left;
        }
    }
}

QString Parser::acceptComparison() {
    static const std::pair<const char*, const char*> operators[] = {
        {"=", "="},   {"<>", "<>"}, {"!=", "<>"}, {"<", "<"},   {">", ">"},
        {"<=", "<="}, {">=", ">="}, {"!<", ">="}, {"!>", "<="},
    };
    for (const auto& [written, op] : operators)
        if (acceptSymbol(written))
            return QLatin1String(op);
    return {};
}

ExprPtr Parser::predicate(Expr::Kind kind, ExprPtr operand, bool negated) {
    auto e = std::make_unique<Expr>(kind);
    e->negated = negated;
    e->a = std::move(operand);
    return e;
}

ExprPtr Parser::parseBetween(ExprPtr operand, bool negated) {
    auto e = predicate(Expr::Between, std::move(operand), negated);
    e->b = parseAdditive();
    expectWord("AND");
    e->c = parseAdditive();
    return e;
}

ExprPtr Parser::parseLike(ExprPtr operand, bool negated) {
    auto e = predicate(Expr::Like, std::move(operand), negated);
    e->b = parseAdditive();
    if (acceptWord("ESCAPE"))
        e->c = parseAdditive();
    return e;
}

// IN (select) or IN (value, ...), after the word IN.
ExprPtr Parser::parseIn(ExprPtr operand, bool negated) {
    expectSymbol("(");
    ExprPtr e;
    if (peek().isWord("SELECT")) {
        e = predicate(Expr::InSelect, std::move(operand), negated);
        e->select = parseSelect();
    } else {
        e = predicate(Expr::InList, std::move(operand), negated);
        do {
            e->args.push_back(parseExpr());
        } while (acceptSymbol(","));
    }
    expectSymbol(")");
    return e;
}

ExprPtr Parser::parseAdditive() {
    ExprPtr left = parseMultiplicative();
    for (;;) {
        const Token& t = peek();
        if (t.isSymbol("+") || t.isSymbol("-") || t.isSymbol("&") || t.isSymbol("|") ||
            t.isSymbol("^")) {
            QString op = next().text;
            left = binary(op, std::move(left), parseMultiplicative());
        } else {
            return left;
        }
    }
}

ExprPtr Parser::parseMultiplicative() {
    ExprPtr left = parseUnary();
    for (;;) {
        const Token& t = peek();
        if (t.isSymbol("*") || t.isSymbol("/") || t.isSymbol("%")) {
            QString op = next().text;
            left = binary(op, std::move(left), parseUnary());
        } else {
            return left;
        }
    }
}

ExprPtr Parser::parseUnary() {
    if (peek().isSymbol("-") || peek().isSymbol("+") || peek().isSymbol("~")) {
        const Nesting nesting(*this);
        QString op = next().text;
        ExprPtr operand = parseUnary();
        // Fold a minus into an unsigned number so that it stays a literal (-2147483648 is an
        // int); the minus of a negative number stays an operation.
        if (op == u"-" && operand->kind == Expr::Literal && operand->lit != Expr::Null &&
            operand->lit != Expr::String && !operand->text.startsWith(u'-')) {
            operand->text.prepend(u'-');
            return operand;
        }
        if (op == u"+")
            return operand;
        auto e = std::make_unique<Expr>(Expr::Unary);
        e->op = op;
        e->a = std::move(operand);
        return e;
    }
    return parsePrimary();
}

ExprPtr Parser::parsePrimary() {
    const Token& t = peek();
    switch (t.kind) {
        case TokenKind::Integer:
        case TokenKind::Decimal:
        case TokenKind::Money:
        case TokenKind::Float:
        case TokenKind::String:
            return parseLiteral();
        case TokenKind::Param: {
            auto e = std::make_unique<Expr>(Expr::Param);
            e->paramIndex = next().paramIndex;
            return e;
        }
        case TokenKind::Variable: {
            auto e = std::make_unique<Expr>(Expr::Variable);
            e->text = next().text;
            return e;
        }
        case TokenKind::Global: {
            auto e = std::make_unique<Expr>(Expr::Global);
            e->text = next().text.toUpper();
            return e;
        }
        case TokenKind::Symbol:
            return parseParenthesized();
        case TokenKind::Identifier:
            return parseWordPrimary();
        case TokenKind::QuotedName:
            return parseColumnReference();
        case TokenKind::End:
            break;
    }
    fail();
}

ExprPtr Parser::parseLiteral() {
    const Token& t = next();
    auto e = std::make_unique<Expr>(Expr::Literal);
    e->lit = t.kind == TokenKind::Integer   ? Expr::Integer
             : t.kind == TokenKind::Decimal ? Expr::Decimal
             : t.kind == TokenKind::Money   ? Expr::Money
             : t.kind == TokenKind::Float   ? Expr::Float
                                            : Expr::String;
    e->text = t.text;
    e->national = t.national;
    return e;
}

// (expression), (select) as a value, or a bare * (count(*) and select lists).
ExprPtr Parser::parseParenthesized() {
    if (acceptSymbol("*"))
        return std::make_unique<Expr>(Expr::Star);
    if (!acceptSymbol("("))
        fail();
    ExprPtr e;
    if (peek().isWord("SELECT")) {
        e = std::make_unique<Expr>(Expr::Subquery);
        e->select = parseSelect();
    } else {
        e = parseExpr();
    }
    expectSymbol(")");
    return e;
}

// NULL, CASE, CAST, CONVERT, a function call, or a column reference.
ExprPtr Parser::parseWordPrimary() {
    const Token& t = peek();
    if (acceptWord("NULL"))
        return std::make_unique<Expr>(Expr::Literal);
    if (t.isWord("CASE"))
        return parseCase();
    if (t.isWord("$ACTION") && !mergeAction_.isEmpty()) {
        next();
        auto e = std::make_unique<Expr>(Expr::Literal);
        e->lit = Expr::String;
        e->national = true;
        e->text = mergeAction_;
        return e;
    }
    if ((t.isWord("CAST") || t.isWord("TRY_CAST")) && peek(1).isSymbol("("))
        return parseCast(false);
    if ((t.isWord("CONVERT") || t.isWord("TRY_CONVERT")) && peek(1).isSymbol("("))
        return parseCast(true);
    if (peek(1).isSymbol("(")) {
        const QString name = next().text;
        return parseFunction(name);
    }
    // The niladic functions of standard SQL, written without parentheses.
    if (t.isWord("CURRENT_TIMESTAMP") || t.isWord("CURRENT_USER") || t.isWord("SYSTEM_USER") ||
        t.isWord("SESSION_USER")) {
        auto e = std::make_unique<Expr>(Expr::Function);
        e->text = next().text.toLower();
        return e;
    }
    if (isReserved(t))
        fail();
    return parseColumnReference();
}

// [qualifier.]...column, or qualifier.* as a Star node.
ExprPtr Parser::parseColumnReference() {
    auto e = std::make_unique<Expr>(Expr::Column);
    e->parts << parseName();
    while (acceptSymbol(".")) {
        if (acceptSymbol("*")) {
            e->kind = Expr::Star;
            return e;
        }
        if (peek().isSymbol(".")) {
            e->parts << QString();
            continue;
        }
        e->parts << parseName();
        if (peek().isSymbol("(")) {  // dbo.Function(...)
            e->kind = Expr::Function;
            e->text = e->parts.last().toLower();
            e->args = parseCallArguments();
            return e;
        }
    }
    return e;
}

// An expression, or DEFAULT where a user function's argument or a value written to a column may
// take it.
ExprPtr Parser::parseExprOrDefault() {
    if (acceptWord("DEFAULT"))
        return std::make_unique<Expr>(Expr::Default);
    return parseExpr();
}

std::vector<ExprPtr> Parser::parseCallArguments() {
    std::vector<ExprPtr> args;
    expectSymbol("(");
    if (acceptSymbol(")"))
        return args;
    do {
        args.push_back(parseExprOrDefault());
    } while (acceptSymbol(","));
    expectSymbol(")");
    return args;
}

ExprPtr Parser::parseFunction(const QString& name) {
    auto e = std::make_unique<Expr>(Expr::Function);
    e->text = name.toLower();
    expectSymbol("(");
    if (acceptSymbol(")")) {
        // no arguments
    } else if (peek().isSymbol("*") && peek(1).isSymbol(")")) {
        next();
        next();
        e->star = true;
    } else {
        if (acceptWord("DISTINCT"))
            e->distinct = true;
        else
            acceptWord("ALL");
        // UPDATE(column) in a trigger names a column of the trigger's table, not a value.
        if (e->text == u"update") {
            auto column = std::make_unique<Expr>(Expr::Literal);
            column->lit = Expr::String;
            column->text = parseName();
            e->args.push_back(std::move(column));
            expectSymbol(")");
            return e;
        }
        // DATEADD/DATEDIFF/DATEPART take a bare date part word first.
        bool datePartFirst = e->text == u"dateadd" || e->text == u"datediff" ||
                             e->text == u"datediff_big" || e->text == u"datepart" ||
                             e->text == u"datename";
        if (datePartFirst && peek().kind == TokenKind::Identifier && peek(1).isSymbol(",")) {
            auto part = std::make_unique<Expr>(Expr::Literal);
            part->lit = Expr::String;
            part->text = next().text.toLower();
            e->args.push_back(std::move(part));
            expectSymbol(",");
        }
        do {
            e->args.push_back(parseExpr());
            // TRIM(characters FROM text): the text first, as in TRIM(text).
            if (e->text == u"trim" && e->args.size() == 1 && acceptWord("FROM")) {
                e->args.insert(e->args.begin(), parseExpr());
                break;
            }
        } while (e->text != u"trim" && acceptSymbol(","));
        expectSymbol(")");
    }
    if (peek().isWord("WITHIN") && peek(1).isWord("GROUP")) {
        next();
        next();
        expectSymbol("(");
        expectWord("ORDER");
        expectWord("BY");
        e->withinGroup = std::make_unique<WindowSpec>();
        e->withinGroup->orderBy = parseOrderList();
        expectSymbol(")");
    }
    if (acceptWord("OVER"))
        e->over = parseOver();
    return e;
}

std::unique_ptr<WindowSpec> Parser::parseOver() {
    expectSymbol("(");
    auto w = std::make_unique<WindowSpec>();
    if (acceptWord("PARTITION")) {
        expectWord("BY");
        do {
            w->partitionBy.push_back(parseExpr());
        } while (acceptSymbol(","));
    }
    if (acceptWord("ORDER")) {
        expectWord("BY");
        w->orderBy = parseOrderList();
    }
    if (peek().isWord("ROWS") || peek().isWord("RANGE")) {
        WindowFrame f;
        f.range = next().isWord("RANGE");
        const bool between = acceptWord("BETWEEN");
        f.start = parseFrameBound(between);
        if (between) {
            expectWord("AND");
            f.end = parseFrameBound(true);
        }
        w->frame = f;
    }
    expectSymbol(")");
    return w;
}

// UNBOUNDED PRECEDING | n PRECEDING | CURRENT ROW, and unless the frame has only its start,
// n FOLLOWING | UNBOUNDED FOLLOWING; n is an unsigned integer literal.
WindowFrame::Bound Parser::parseFrameBound(bool following) {
    WindowFrame::Bound b;
    if (acceptWord("CURRENT")) {
        expectWord("ROW");
        return b;
    }
    const bool unbounded = acceptWord("UNBOUNDED");
    if (!unbounded) {
        if (peek().kind != TokenKind::Integer)
            fail();
        b.offset = next().text.toLongLong();
    }
    if (acceptWord("PRECEDING")) {
        b.kind = unbounded ? WindowFrame::Bound::UnboundedPreceding : WindowFrame::Bound::Preceding;
        return b;
    }
    if (!following)
        fail();
    expectWord("FOLLOWING");
    b.kind = unbounded ? WindowFrame::Bound::UnboundedFollowing : WindowFrame::Bound::Following;
    return b;
}

ExprPtr Parser::parseCase() {
    expectWord("CASE");
    auto e = std::make_unique<Expr>(Expr::Case);
    if (!peek().isWord("WHEN"))
        e->a = parseExpr();
    while (acceptWord("WHEN")) {
        ExprPtr cond = parseExpr();
        expectWord("THEN");
        e->whens.emplace_back(std::move(cond), parseExpr());
    }
    if (e->whens.empty())
        fail();
    if (acceptWord("ELSE"))
        e->c = parseExpr();
    expectWord("END");
    return e;
}

ExprPtr Parser::parseCast(bool convert) {
    const bool attempt = next().text.startsWith(u"TRY_", Qt::CaseInsensitive);
    expectSymbol("(");
    auto e = std::make_unique<Expr>(Expr::Cast);
    e->isConvert = convert;
    e->tryCast = attempt;
    QString alias;
    // CAST/CONVERT to a text type without a length means 30 characters.
    auto typeWithLength = [&] {
        SqlType t = parseType(&alias);
        if (t.isText() && t.base != SqlType::Text && !toks_[pos_ - 1].isSymbol(")"))
            t.length = 30;
        return t;
    };
    if (convert) {
        e->castType = typeWithLength();
        expectSymbol(",");
        e->a = parseExpr();
        if (acceptSymbol(","))
            e->b = parseExpr();
    } else {
        e->a = parseExpr();
        expectWord("AS");
        e->castType = typeWithLength();
    }
    if (!alias.isEmpty())
        raise(243, QStringLiteral("Type %1 is not a defined system type.").arg(alias));
    expectSymbol(")");
    return e;
}

SqlType Parser::parseType(QString* aliasName) {
    QString name = parseName();
    if (name.compare(u"dbo", Qt::CaseInsensitive) == 0 && acceptSymbol("."))
        name = parseName();
    if (name.compare(u"double", Qt::CaseInsensitive) == 0)
        acceptWord("PRECISION");
    if ((name.compare(u"char", Qt::CaseInsensitive) == 0 ||
         name.compare(u"character", Qt::CaseInsensitive) == 0) &&
        peek().isWord("VARYING")) {
        next();
        name = QStringLiteral("varchar");
    }
    int a = -1, b = -1;
    if (acceptSymbol("(")) {
        if (acceptWord("MAX")) {
            a = -2;
        } else {
            if (peek().kind != TokenKind::Integer)
                fail();
            a = next().text.toInt();
            if (acceptSymbol(",")) {
                if (peek().kind != TokenKind::Integer)
                    fail();
                b = next().text.toInt();
            }
        }
        expectSymbol(")");
    }
    SqlType t = SqlType::fromName(name, a, b);
    if (!t.known()) {
        if (name.compare(u"table", Qt::CaseInsensitive) == 0)
            notSupported(QStringLiteral("table variables"));
        if (name.compare(u"cursor", Qt::CaseInsensitive) == 0)
            notSupported(QStringLiteral("the type cursor outside DECLARE @variable CURSOR"));
        static const char* const unsupported[] = {
            "binary",    "varbinary",  "image",          "xml",
            "timestamp", "rowversion", "datetimeoffset", "sql_variant"};
        for (const char* u : unsupported)
            if (name.compare(QLatin1String(u), Qt::CaseInsensitive) == 0)
                notSupported(QStringLiteral("the data type %1").arg(name.toLower()));
        if (aliasName)
            *aliasName = name;
    }
    return t;
}

}  // namespace tsql
