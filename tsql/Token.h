#pragma once

#include <QString>

namespace tsql {

enum class TokenKind {
    End,
    Identifier,  // bare word, keyword or name
    QuotedName,  // [name] or "name"
    String,      // 'text' or N'text'
    Integer,
    Decimal,   // digits with a point
    Money,     // $ and digits
    Float,     // digits with an exponent
    Variable,  // @name
    Global,    // @@name
    Param,     // ? positional parameter
    Symbol,    // operators and punctuation
};

struct Token {
    TokenKind kind = TokenKind::End;
    QString text;    // identifier without brackets, string without quotes, symbol as written
    int offset = 0;  // position in the source text
    int line = 1;
    bool national = false;  // N'...'
    int paramIndex = -1;    // for Param

    bool is(TokenKind k) const { return kind == k; }
    bool isSymbol(const char* s) const {
        return kind == TokenKind::Symbol && text == QLatin1String(s);
    }
    // A bare word equal to `word`, letter case ignored.
    bool isWord(const char* word) const {
        return kind == TokenKind::Identifier &&
               text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
};

}  // namespace tsql
