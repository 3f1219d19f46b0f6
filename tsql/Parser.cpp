// Token helpers of the parser; the grammar lives in Parse*.cpp.
#include "tsql/Parser.h"

#include <QSet>

#include "tsql/Errors.h"
#include "tsql/Lexer.h"

namespace tsql {

QString ObjectName::display() const {
    QStringList p;
    if (!database.isEmpty())
        p << database << (schema.isEmpty() ? QStringLiteral("dbo") : schema);
    else if (!schema.isEmpty())
        p << schema;
    p << name;
    return p.join(u'.');
}

Parser::Nesting::Nesting(Parser& p) : p_(p) {
    if (++p_.depth_ > kMaxNesting)
        raise(err::NestedTooDeeply,
              QStringLiteral("Some part of your SQL statement is nested too deeply. Rewrite the "
                             "query or break it down into smaller queries."));
}

Parser::Parser(const QString& sql) : sql_(sql), toks_(tokenize(sql)) {
    for (const auto& t : toks_)
        if (t.kind == TokenKind::Param)
            ++paramCount_;
}

const Token& Parser::peek(int ahead) const {
    size_t p = pos_ + static_cast<size_t>(ahead);
    return p < toks_.size() ? toks_[p] : toks_.back();
}

const Token& Parser::next() {
    const Token& t = toks_[pos_];
    if (pos_ + 1 < toks_.size())
        ++pos_;
    return t;
}

bool Parser::acceptWord(const char* w) {
    if (peek().isWord(w)) {
        next();
        return true;
    }
    return false;
}

bool Parser::acceptSymbol(const char* s) {
    if (peek().isSymbol(s)) {
        next();
        return true;
    }
    return false;
}

void Parser::expectWord(const char* w) {
    if (!acceptWord(w))
        fail();
}

void Parser::expectSymbol(const char* s) {
    if (!acceptSymbol(s))
        fail();
}

// The syntax error at the current token: 156 for a reserved keyword, 102 for anything else. When
// the text ended early, SQL Server names its last token, keyword or not, with 102.
void Parser::fail() const {
    if (peek().kind == TokenKind::End && toks_.size() > 1)
        syntaxError(toks_[toks_.size() - 2].text);
    if (isReservedKeyword(peek()))
        keywordSyntaxError(peek().text);
    syntaxError(peek().text);
}

bool Parser::isReserved(const Token& t) const {
    static const QSet<QString> words = {
        QStringLiteral("ADD"),         QStringLiteral("ALL"),        QStringLiteral("ALTER"),
        QStringLiteral("AND"),         QStringLiteral("AS"),         QStringLiteral("ASC"),
        QStringLiteral("BEGIN"),       QStringLiteral("BETWEEN"),    QStringLiteral("BREAK"),
        QStringLiteral("BY"),          QStringLiteral("CASE"),       QStringLiteral("CHECK"),
        QStringLiteral("COMMIT"),      QStringLiteral("CONSTRAINT"), QStringLiteral("CONTINUE"),
        QStringLiteral("CREATE"),      QStringLiteral("CROSS"),      QStringLiteral("DECLARE"),
        QStringLiteral("DEFAULT"),     QStringLiteral("DELETE"),     QStringLiteral("DESC"),
        QStringLiteral("DISTINCT"),    QStringLiteral("DROP"),       QStringLiteral("ELSE"),
        QStringLiteral("END"),         QStringLiteral("EXCEPT"),     QStringLiteral("EXEC"),
        QStringLiteral("EXECUTE"),     QStringLiteral("EXISTS"),     QStringLiteral("FOR"),
        QStringLiteral("FOREIGN"),     QStringLiteral("FROM"),       QStringLiteral("FULL"),
        QStringLiteral("GO"),          QStringLiteral("GROUP"),      QStringLiteral("HAVING"),
        QStringLiteral("IF"),          QStringLiteral("IN"),         QStringLiteral("INNER"),
        QStringLiteral("INSERT"),      QStringLiteral("INTERSECT"),  QStringLiteral("INTO"),
        QStringLiteral("IS"),          QStringLiteral("JOIN"),       QStringLiteral("KEY"),
        QStringLiteral("LEFT"),        QStringLiteral("LIKE"),       QStringLiteral("MERGE"),
        QStringLiteral("NOT"),         QStringLiteral("NULL"),       QStringLiteral("ON"),
        QStringLiteral("OPTION"),      QStringLiteral("OR"),         QStringLiteral("ORDER"),
        QStringLiteral("OUTER"),       QStringLiteral("PRIMARY"),    QStringLiteral("PRINT"),
        QStringLiteral("PROC"),        QStringLiteral("PROCEDURE"),  QStringLiteral("RAISERROR"),
        QStringLiteral("REFERENCES"),  QStringLiteral("RETURN"),     QStringLiteral("RIGHT"),
        QStringLiteral("ROLLBACK"),    QStringLiteral("SAVE"),       QStringLiteral("SELECT"),
        QStringLiteral("SET"),         QStringLiteral("TABLE"),      QStringLiteral("THEN"),
        QStringLiteral("THROW"),       QStringLiteral("TOP"),        QStringLiteral("TRAN"),
        QStringLiteral("TRANSACTION"), QStringLiteral("TRUNCATE"),   QStringLiteral("UNION"),
        QStringLiteral("UNIQUE"),      QStringLiteral("UPDATE"),     QStringLiteral("USE"),
        QStringLiteral("VALUES"),      QStringLiteral("VIEW"),       QStringLiteral("WHEN"),
        QStringLiteral("WHERE"),       QStringLiteral("WHILE"),      QStringLiteral("WITH"),
        QStringLiteral("OPEN"),        QStringLiteral("FETCH"),      QStringLiteral("CLOSE"),
        QStringLiteral("DEALLOCATE"),  QStringLiteral("CURSOR"),     QStringLiteral("CURRENT"),
        QStringLiteral("PIVOT"),       QStringLiteral("UNPIVOT"),
    };
    return t.kind == TokenKind::Identifier && words.contains(t.text.toUpper());
}

bool Parser::atStatementEnd() const {
    const Token& t = peek();
    if (t.kind == TokenKind::End || t.isSymbol(";"))
        return true;
    return t.kind == TokenKind::Identifier && isReserved(t) && !t.isWord("NULL") &&
           !t.isWord("NOT") && !t.isWord("EXISTS") && !t.isWord("CASE") && !t.isWord("LEFT") &&
           !t.isWord("RIGHT") && !t.isWord("DEFAULT");
}

QString Parser::sourceFrom(int startToken) const {
    int begin = toks_[static_cast<size_t>(startToken)].offset;
    size_t last = pos_ > 0 ? pos_ - 1 : 0;
    if (toks_[pos_].kind == TokenKind::End)
        return sql_.mid(begin).trimmed();
    int end = toks_[pos_].offset;
    (void)last;
    return sql_.mid(begin, end - begin).trimmed();
}

// name, name, ... ): a list of names after its opening parenthesis.
QStringList Parser::parseNamesToParenthesis() {
    QStringList names;
    do {
        names << parseName();
    } while (acceptSymbol(","));
    expectSymbol(")");
    return names;
}

QString Parser::parseName() {
    const Token& t = peek();
    if (t.kind == TokenKind::Identifier || t.kind == TokenKind::QuotedName) {
        next();
        return t.text;
    }
    fail();
}

// An integer constant with an optional sign, as IDENTITY(-1, 1) takes.
qint64 Parser::parseSignedInteger() {
    const bool negative = acceptSymbol("-");
    if (!negative)
        acceptSymbol("+");
    if (peek().kind != TokenKind::Integer)
        fail();
    bool ok = false;
    const qint64 v = next().text.toLongLong(&ok);
    if (!ok)
        fail();
    return negative ? -v : v;
}

ObjectName Parser::parseTableName() {
    if (peek().kind == TokenKind::Variable) {
        ObjectName n;
        n.name = next().text;
        return n;
    }
    return parseObjectName();
}

ObjectName Parser::parseObjectName() {
    QStringList parts;
    parts << parseName();
    while (peek().isSymbol(".")) {
        next();
        if (peek().isSymbol(".")) {  // Db..Table
            parts << QString();
            continue;
        }
        parts << parseName();
    }
    if (parts.size() > 3)
        notSupported(QStringLiteral("four-part (linked server) names"));
    ObjectName n;
    n.name = parts.takeLast();
    if (!parts.isEmpty())
        n.schema = parts.takeLast();
    if (!parts.isEmpty())
        n.database = parts.takeLast();
    return n;
}

}  // namespace tsql
