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
    if (peek().isWord("EXISTS")) {
        next();
        expectSymbol("(");
        auto e = std::make_unique<Expr>(Expr::Exists);
        e->select = parseSelect();
        expectSymbol(")");
        return e;
    }
    ExprPtr left = parseAdditive();
    for (;;) {
        const Token& t = peek();
        if (t.kind == TokenKind::Symbol &&
            (t.text == u"=" || t.text == u"<>" || t.text == u"!=" || t.text == u"<" ||
             t.text == u">" || t.text == u"<=" || t.text == u">=" || t.text == u"!<" ||
             t.text == u"!>")) {
            QString op = next().text;
            if (op == u"!=")
                op = QStringLiteral("<>");
            else if (op == u"!<")
                op = QStringLiteral(">=");
            else if (op == u"!>")
                op = QStringLiteral("<=");
            if (peek().isWord("ALL") || peek().isWord("ANY") || peek().isWord("SOME"))
                notSupported(QStringLiteral("ALL/ANY/SOME comparisons"));
            left = binary(op, std::move(left), parseAdditive());
            continue;
        }
        if (t.isWord("IS")) {
            next();
            auto e = std::make_unique<Expr>(Expr::IsNull);
            e->negated = acceptWord("NOT");
            expectWord("NULL");
            e->a = std::move(left);
            left = std::move(e);
            continue;
        }
        bool negated = false;
        if (t.isWord("NOT") &&
            (peek(1).isWord("BETWEEN") || peek(1).isWord("IN") || peek(1).isWord("LIKE"))) {
            next();
            negated = true;
        }
        if (acceptWord("BETWEEN")) {
            auto e = std::make_unique<Expr>(Expr::Between);
            e->negated = negated;
            e->a = std::move(left);
            e->b = parseAdditive();
            expectWord("AND");
            e->c = parseAdditive();
            left = std::move(e);
            continue;
        }
        if (acceptWord("LIKE")) {
            auto e = std::make_unique<Expr>(Expr::Like);
            e->negated = negated;
            e->a = std::move(left);
            e->b = parseAdditive();
            if (acceptWord("ESCAPE"))
                e->c = parseAdditive();
            left = std::move(e);
            continue;
        }
        if (acceptWord("IN")) {
            expectSymbol("(");
            if (peek().isWord("SELECT")) {
                auto e = std::make_unique<Expr>(Expr::InSelect);
                e->negated = negated;
                e->a = std::move(left);
                e->select = parseSelect();
                expectSymbol(")");
                left = std::move(e);
            } else {
                auto e = std::make_unique<Expr>(Expr::InList);
                e->negated = negated;
                e->a = std::move(left);
                do {
                    e->args.push_back(parseExpr());
                } while (acceptSymbol(","));
                expectSymbol(")");
                left = std::move(e);
            }
            continue;
        }
        if (negated)
            fail();
        return left;
    }
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
        case TokenKind::String: {
            auto e = std::make_unique<Expr>(Expr::Literal);
            e->lit = t.kind == TokenKind::Integer   ? Expr::Integer
                     : t.kind == TokenKind::Decimal ? Expr::Decimal
                     : t.kind == TokenKind::Money   ? Expr::Money
                     : t.kind == TokenKind::Float   ? Expr::Float
                                                    : Expr::String;
            e->text = t.text;
            e->national = t.national;
            next();
            return e;
        }
        case TokenKind::Param: {
            auto e = std::make_unique<Expr>(Expr::Param);
            e->paramIndex = t.paramIndex;
            next();
            return e;
        }
        case TokenKind::Variable: {
            auto e = std::make_unique<Expr>(Expr::Variable);
            e->text = t.text;
            next();
            return e;
        }
        case TokenKind::Global: {
            auto e = std::make_unique<Expr>(Expr::Global);
            e->text = t.text.toUpper();
            next();
            return e;
        }
        case TokenKind::Symbol:
            if (t.isSymbol("(")) {
                next();
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
            if (t.isSymbol("*")) {
                next();
                return std::make_unique<Expr>(Expr::Star);
            }
            fail();
        case TokenKind::Identifier:
        case TokenKind::QuotedName:
            break;
        case TokenKind::End:
            fail();
    }

    if (t.kind == TokenKind::Identifier) {
        if (t.isWord("NULL")) {
            next();
            return std::make_unique<Expr>(Expr::Literal);
        }
        if (t.isWord("CASE"))
            return parseCase();
        if (t.isWord("CAST") && peek(1).isSymbol("("))
            return parseCast(false);
        if (t.isWord("CONVERT") && peek(1).isSymbol("("))
            return parseCast(true);
        if (peek(1).isSymbol("(")) {
            QString name = next().text;
            return parseFunction(name);
        }
        if (isReserved(t))
            fail();
    }
    // Column reference, possibly qualified, or T.*
    auto e = std::make_unique<Expr>(Expr::Column);
    e->parts << parseName();
    while (peek().isSymbol(".")) {
        next();
        if (peek().isSymbol("*")) {
            next();
            e->kind = Expr::Star;
            return e;
        }
        if (peek().isSymbol(".")) {
            e->parts << QString();
            continue;
        }
        e->parts << parseName();
        if (peek().isSymbol("(")) {  // dbo.Function(...)
            notSupported(QStringLiteral("user-defined functions (%1)").arg(e->parts.join(u'.')));
        }
    }
    return e;
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
        // DATEADD/DATEDIFF/DATEPART take a bare date part word first.
        bool datePartFirst = e->text == u"dateadd" || e->text == u"datediff" ||
                             e->text == u"datepart" || e->text == u"datename";
        if (datePartFirst && peek().kind == TokenKind::Identifier && peek(1).isSymbol(",")) {
            auto part = std::make_unique<Expr>(Expr::Literal);
            part->lit = Expr::String;
            part->text = next().text.toLower();
            e->args.push_back(std::move(part));
            expectSymbol(",");
        }
        do {
            e->args.push_back(parseExpr());
        } while (acceptSymbol(","));
        expectSymbol(")");
    }
    if (acceptWord("OVER")) {
        expectSymbol("(");
        e->over = std::make_unique<WindowSpec>();
        if (acceptWord("PARTITION")) {
            expectWord("BY");
            do {
                e->over->partitionBy.push_back(parseExpr());
            } while (acceptSymbol(","));
        }
        if (acceptWord("ORDER")) {
            expectWord("BY");
            e->over->orderBy = parseOrderList();
        }
        if (peek().isWord("ROWS") || peek().isWord("RANGE"))
            notSupported(QStringLiteral("window frames"));
        expectSymbol(")");
    }
    return e;
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
    next();
    expectSymbol("(");
    auto e = std::make_unique<Expr>(Expr::Cast);
    e->isConvert = convert;
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
            notSupported(QStringLiteral("cursors"));
        static const char* const unsupported[] = {
            "uniqueidentifier", "binary",     "varbinary", "image",          "xml",
            "timestamp",        "rowversion", "time",      "datetimeoffset", "sql_variant"};
        for (const char* u : unsupported)
            if (name.compare(QLatin1String(u), Qt::CaseInsensitive) == 0)
                notSupported(QStringLiteral("the data type %1").arg(name.toLower()));
        if (aliasName)
            *aliasName = name;
    }
    return t;
}

}  // namespace tsql
