#include "tsql/SqliteSyntax.h"

#include <cmath>

#include "tsql/Errors.h"

namespace tsql::sqlite {

namespace {

struct OperatorInfo {
    const char* text;
    Precedence precedence;
};

OperatorInfo info(Operator op) {
    switch (op) {
        case Operator::Or:
            return {"OR", Precedence::Or};
        case Operator::And:
            return {"AND", Precedence::And};
        case Operator::Equal:
            return {"=", Precedence::Equality};
        case Operator::NotEqual:
            return {"<>", Precedence::Equality};
        case Operator::Less:
            return {"<", Precedence::Comparison};
        case Operator::LessOrEqual:
            return {"<=", Precedence::Comparison};
        case Operator::Greater:
            return {">", Precedence::Comparison};
        case Operator::GreaterOrEqual:
            return {">=", Precedence::Comparison};
        case Operator::Add:
            return {"+", Precedence::Additive};
        case Operator::Subtract:
            return {"-", Precedence::Additive};
        case Operator::Multiply:
            return {"*", Precedence::Multiplicative};
        case Operator::Divide:
            return {"/", Precedence::Multiplicative};
        case Operator::Modulo:
            return {"%", Precedence::Multiplicative};
        case Operator::Concatenate:
            return {"||", Precedence::Concatenation};
        case Operator::BitAnd:
            return {"&", Precedence::Bitwise};
        case Operator::BitOr:
            return {"|", Precedence::Bitwise};
    }
    return {"", Precedence::Lowest};
}

// The operand as it must be written where only operators binding tighter than `above` may stand
// unparenthesised.
QByteArray operand(const Term& t, Precedence above) {
    return t.precedence > above ? t.text : "(" + t.text + ")";
}

// Chains longer than this are written as parenthesised groups of this many operands.
constexpr size_t kGroup = 16;

}  // namespace

QByteArray name(const QString& n) {
    if (n.contains(QChar(0)))
        notSupported(QStringLiteral("names that contain the character NUL"));
    // Built in one buffer: the emitter quotes every column it names.
    const QByteArray utf8 = n.toUtf8();
    QByteArray quoted;
    quoted.reserve(utf8.size() + 2);
    quoted += '"';
    for (const char c : utf8) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

QByteArray qualifiedName(const QString& schema, const QString& n) {
    return name(schema) + "." + name(n);
}

QByteArray text(const QByteArray& utf8) {
    if (utf8.contains('\0'))
        return "CAST(X'" + utf8.toHex() + "' AS TEXT)";  // SQLite's text ends at a NUL
    QByteArray b = utf8;
    b.replace('\'', "''");
    return "'" + b + "'";
}

QByteArray text(const QString& s) {
    return text(s.toUtf8());
}

namespace {

Term signedNumber(const QByteArray& text) {
    return {text, text.startsWith('-') ? Precedence::Unary : Precedence::Primary};
}

}  // namespace

Term integer(qint64 v) {
    return signedNumber(QByteArray::number(v));
}

Term real(double v) {
    if (std::isnan(v))
        return primary("NULL");
    if (std::isinf(v))
        return signedNumber(v > 0 ? "9e999" : "-9e999");
    return signedNumber(QByteArray::number(v, 'g', 17));
}

Term number(const QString& token) {
    const bool negative = token.startsWith(u'-');
    const QString digits = negative ? token.mid(1) : token;
    bool valid = !digits.isEmpty() && (digits[0].isDigit() || digits[0] == u'.');
    for (int k = 0; k < digits.size() && valid; ++k) {
        const QChar c = digits[k];
        const bool sign =
            (c == u'+' || c == u'-') && (digits[k - 1] == u'e' || digits[k - 1] == u'E');
        valid = c.isDigit() || c == u'.' || c == u'e' || c == u'E' || sign;
    }
    if (!valid)
        syntaxError(token);
    return signedNumber(token.toLatin1());
}

Term primary(const QByteArray& text) {
    return {text, Precedence::Primary};
}

Term grouped(const QByteArray& text) {
    return {"(" + text + ")", Precedence::Primary};
}

Operator binaryOperator(const QString& op) {
    static const std::pair<const char*, Operator> operators[] = {
        {"=", Operator::Equal},        {"<>", Operator::NotEqual}, {"<", Operator::Less},
        {"<=", Operator::LessOrEqual}, {">", Operator::Greater},   {">=", Operator::GreaterOrEqual},
        {"+", Operator::Add},          {"-", Operator::Subtract},  {"*", Operator::Multiply},
        {"/", Operator::Divide},       {"%", Operator::Modulo},    {"&", Operator::BitAnd},
        {"|", Operator::BitOr},        {"AND", Operator::And},     {"OR", Operator::Or},
    };
    for (const auto& [text, o] : operators)
        if (op == QLatin1String(text))
            return o;
    syntaxError(op);
}

Term binary(const Term& l, Operator op, const Term& r) {
    const OperatorInfo o = info(op);
    // Left-associative: the left operand may bind as loosely as the operator itself.
    const auto before = static_cast<Precedence>(static_cast<int>(o.precedence) - 1);
    return {operand(l, before) + " " + o.text + " " + operand(r, o.precedence), o.precedence};
}

Term chain(Operator op, const std::vector<Term>& operands) {
    const OperatorInfo o = info(op);
    if (operands.size() == 1)
        return operands[0];
    if (operands.size() <= kGroup) {
        const auto before = static_cast<Precedence>(static_cast<int>(o.precedence) - 1);
        QByteArray s;
        for (const Term& t : operands)
            s += (s.isEmpty() ? "" : QByteArray(" ") + o.text + " ") + operand(t, before);
        return {s, o.precedence};
    }
    std::vector<Term> groups;
    const size_t size = (operands.size() + kGroup - 1) / kGroup;
    for (size_t from = 0; from < operands.size(); from += size) {
        std::vector<Term> part(
            operands.begin() + static_cast<std::ptrdiff_t>(from),
            operands.begin() + static_cast<std::ptrdiff_t>(std::min(operands.size(), from + size)));
        groups.push_back(grouped(chain(op, part).text));
    }
    return chain(op, groups);
}

Term negate(const Term& t) {
    // Never "--": that would start a comment.
    return {"-" + operand(t, Precedence::Unary), Precedence::Unary};
}

Term bitNot(const Term& t) {
    return {"~" + operand(t, Precedence::Unary), Precedence::Unary};
}

Term logicalNot(const Term& t) {
    return {"NOT " + operand(t, Precedence::And), Precedence::Not};
}

Term isNull(const Term& t, bool negated) {
    return {operand(t, Precedence::Equality) + (negated ? " IS NOT NULL" : " IS NULL"),
            Precedence::Equality};
}

Term between(const Term& value, const Term& low, const Term& high, bool negated) {
    return {operand(value, Precedence::Equality) + (negated ? " NOT BETWEEN " : " BETWEEN ") +
                operand(low, Precedence::Equality) + " AND " + operand(high, Precedence::Equality),
            Precedence::Equality};
}

Term like(const Term& value, const Term& pattern, const Term* escape, bool negated) {
    QByteArray s = operand(value, Precedence::Equality) + (negated ? " NOT LIKE " : " LIKE ") +
                   operand(pattern, Precedence::Equality);
    if (escape)
        s += " ESCAPE " + operand(*escape, Precedence::Equality);
    return {s, Precedence::Equality};
}

Term in(const Term& value, const QByteArray& list, bool negated) {
    return {operand(value, Precedence::Equality) + (negated ? " NOT IN (" : " IN (") + list + ")",
            Precedence::Equality};
}

Term collate(const Term& t, const char* collation) {
    return {operand(t, Precedence::Collate) + " COLLATE " + collation, Precedence::Collate};
}

Term call(const QByteArray& function, const std::vector<Term>& args) {
    QByteArray s = function + "(";
    for (size_t k = 0; k < args.size(); ++k)
        s += (k ? ", " : "") + args[k].text;
    return primary(s + ")");
}

Term cast(const Term& t, const char* sqliteType) {
    return primary("CAST(" + t.text + " AS " + sqliteType + ")");
}

QByteArray list(const std::vector<QByteArray>& items) {
    QByteArray s;
    for (size_t k = 0; k < items.size(); ++k)
        s += (k ? ", " : "") + items[k];
    return s;
}

}  // namespace tsql::sqlite
