#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace tsql::sqlite {

// The one place where SQLite text is spelled: names, literals and operators. Every piece of
// SQLite text the engine prepares is assembled from these, so that no input can end a literal or
// a name early, start a comment or a second statement, or regroup an expression.

// SQLite's operator precedence, lowest binding first.
enum class Precedence {
    Lowest,  // text of unknown shape: always parenthesised when it is an operand
    Or,
    And,
    Not,
    Equality,  // = <> IS IN LIKE BETWEEN
    Comparison,
    Bitwise,
    Additive,
    Multiplicative,
    Concatenation,
    Collate,
    Unary,
    Primary,  // literals, names, calls, CASE, CAST, parenthesised text
};

// A piece of expression text with the precedence of its outermost operator.
struct Term {
    QByteArray text;
    Precedence precedence = Precedence::Lowest;
};

enum class Operator {
    Or,
    And,
    Equal,
    NotEqual,
    Less,
    LessOrEqual,
    Greater,
    GreaterOrEqual,
    Add,
    Subtract,
    Multiply,
    Divide,
    Modulo,
    Concatenate,
    BitAnd,
    BitOr,
};

// A name in double quotes; raises 1038 for a name SQLite cannot hold.
QByteArray name(const QString& n);
QByteArray qualifiedName(const QString& schema, const QString& n);
// A string literal.
QByteArray text(const QString& s);
QByteArray text(const QByteArray& utf8);
// Numbers; a negative one binds as a unary minus does.
Term integer(qint64 v);
Term real(double v);
// A number as the lexer read it (digits, point, exponent), with a leading minus when the parser
// folded one in.
Term number(const QString& token);

Term primary(const QByteArray& text);
// "(text)": a whole sub-select or expression of unknown shape.
Term grouped(const QByteArray& text);

// The operator of a T-SQL binary operation as the parser spells it (=, <>, +, AND, ...).
Operator binaryOperator(const QString& op);

// l op r, with parentheses only where SQLite's precedence would regroup the operands.
Term binary(const Term& l, Operator op, const Term& r);
// Operands joined by an associative operator (AND, OR, ||), grouped so that a long chain stays
// shallow in SQLite's expression tree.
Term chain(Operator op, const std::vector<Term>& operands);
Term negate(const Term& operand);      // -x
Term bitNot(const Term& operand);      // ~x
Term logicalNot(const Term& operand);  // NOT x
Term isNull(const Term& operand, bool negated);
Term between(const Term& value, const Term& low, const Term& high, bool negated);
Term like(const Term& value, const Term& pattern, const Term* escape, bool negated);
// value IN (list), where list is the comma-separated items or a sub-select.
Term in(const Term& value, const QByteArray& list, bool negated);
Term collate(const Term& operand, const char* collation);
Term call(const QByteArray& function, const std::vector<Term>& args);
Term cast(const Term& operand, const char* sqliteType);

// Joins texts with ", ".
QByteArray list(const std::vector<QByteArray>& items);

}  // namespace tsql::sqlite
