// The binder's type rules: each expression's type from its own and its children's marks, by SQL
// Server's precedence and decimal rules, and the errors of what does not type.
#include <algorithm>

#include "tsql/Binder.h"
#include "tsql/Builtins.h"
#include "tsql/Conversions.h"
#include "tsql/Errors.h"

namespace tsql {

namespace {

const SqlType kBit = SqlType::of(SqlType::Bit);

// An integer literal within int's range: its digits, which is its precision in decimal
// arithmetic as SQL Server types it (0 for any other node).
int literalDigits(const Expr& e) {
    if (e.kind != Expr::Literal || e.lit != Expr::Integer || e.type.base != SqlType::Int)
        return 0;
    return static_cast<int>(QString::number(std::abs(e.text.toLongLong())).size());
}

SqlType integerLiteral(const QString& text) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (ok && v >= -2147483648LL && v <= 2147483647LL)
        return SqlType::of(SqlType::Int);
    // Beyond int, numeric(digits, 0).
    return SqlType::decimal(std::min(38, static_cast<int>(text.size()) - text.startsWith(u'-')), 0);
}

// A decimal literal's precision and scale, as written (.5 is decimal(1,1), 0012.50 (4,2)).
SqlType decimalLiteral(const QString& text) {
    const bool negative = text.startsWith(u'-');
    const int start = negative ? 1 : 0;
    const int dot = static_cast<int>(text.indexOf(u'.'));
    const int scale = std::max(1, static_cast<int>(text.size()) - dot - 1);
    int whole = dot - start;
    for (int k = start; k < dot && text[k] == u'0'; ++k)
        --whole;
    return SqlType::decimal(std::min(38, std::max(1, whole + scale)), std::min(38, scale));
}

SqlType literalType(const Expr& e) {
    switch (e.lit) {
        case Expr::Null:
            return {};
        case Expr::Integer:
            return integerLiteral(e.text);
        case Expr::Decimal:
            return decimalLiteral(e.text);
        case Expr::Money:
            return SqlType::of(SqlType::Money);
        case Expr::Float:
            return SqlType::of(SqlType::Float);
        case Expr::String:
            return SqlType::of(e.national ? SqlType::NVarChar : SqlType::VarChar,
                               std::max(1, static_cast<int>(e.text.size())));
    }
    return {};
}

// Texts joined with +: the longer type, their lengths added, varying.
SqlType concatenation(const SqlType& l, const SqlType& r) {
    SqlType t = commonType(l, r);
    if (l.known() && r.known() && l.length >= 0 && r.length >= 0)
        t.length = l.length + r.length;
    if (t.isFixedText())
        t.base = t.base == SqlType::NChar ? SqlType::NVarChar : SqlType::VarChar;
    return t;
}

QString typeName(const SqlType& t) {
    return t.toSql().section(u'(', 0, 0);
}

// `a + b` and `a - b` with a date type: datetime moves by days (and datetime - datetime is a
// datetime counted from 1900-01-01); the other date types take no arithmetic (8117 beside a
// date or a text, 206 beside a number).
SqlType dateArithmetic(const QString& op, const SqlType& l, const SqlType& r) {
    const bool lRefused = l.isTemporal() && !l.isDateTime();
    const SqlType& refused = lRefused ? l : r;
    if (!lRefused && !(r.isTemporal() && !r.isDateTime()))
        return SqlType::of(SqlType::DateTime);
    const SqlType& other = lRefused ? r : l;
    if (other.isTemporal() || other.isText() || !other.known())
        raise(8117, QStringLiteral("Operand data type %1 is invalid for %2 operator.")
                        .arg(typeName(refused),
                             op == u"+" ? QStringLiteral("add") : QStringLiteral("subtract")));
    raise(206, QStringLiteral("Operand type clash: %1 is incompatible with %2")
                   .arg(typeName(l), typeName(r)));
}

bool isArithmetic(const QString& op) {
    return op.size() == 1 && QStringLiteral("+-*/%").contains(op);
}

// `a op b` for an arithmetic or bitwise operator: a text operand takes the other's number type;
// texts otherwise only join (402); a date moves by days.
SqlType arithmetic(const QString& op, const Expr& a, const Expr& b) {
    SqlType l = a.type, r = b.type;
    const bool lText = l.isText(), rText = r.isText();
    if (op == u"+" && ((lText && (rText || !r.known())) || (rText && !l.known())))
        return concatenation(l, r);
    if ((op == u"+" || op == u"-") && (l.isTemporal() || r.isTemporal()))
        return dateArithmetic(op, l, r);
    if (lText && r.isNumeric())
        l = r;
    else if (rText && l.isNumeric())
        r = l;
    else if ((lText || rText) && op != u"+")
        raise(402, QStringLiteral("The data types varchar and varchar are incompatible in the "
                                  "%1 operator.")
                       .arg(op == u"-" ? QStringLiteral("subtract") : op));
    if (isDecimalArithmetic(l, r) && isArithmetic(op)) {
        const bool money = l.base == SqlType::Money || r.base == SqlType::Money;
        auto operand = [money](const Expr& x, const SqlType& t) {
            const int digits = literalDigits(x);
            return digits && !money ? SqlType::decimal(digits, 0) : t;
        };
        return decimalResult(op[0].toLatin1(), operand(a, l), operand(b, r));
    }
    const SqlType t = commonType(l, r);
    if (op == u"&" || op == u"|" || op == u"^")
        return t.isInteger() ? t : SqlType::of(SqlType::Int);
    return t;
}

SqlType binary(const Expr& e) {
    static const QStringList truths = {
        QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("="),  QStringLiteral("<>"),
        QStringLiteral("<"),   QStringLiteral(">"),  QStringLiteral("<="), QStringLiteral(">=")};
    return truths.contains(e.op) ? kBit : arithmetic(e.op, *e.a, *e.b);
}

SqlType unary(const Expr& e) {
    if (e.op == u"NOT")
        return kBit;
    return e.a->type.isText() ? SqlType::of(SqlType::Float) : e.a->type;
}

// CASE: the common type of its results.
SqlType caseType(const Expr& e) {
    SqlType t;
    for (const auto& [when, then] : e.whens)
        t = commonType(t, then->type);
    return e.c ? commonType(t, e.c->type) : t;
}

// UNPIVOT's value: the columns unpivoted are all of one type.
void checkUnpivoted(const Expr& e) {
    const SqlType& first = e.whens.front().second->type;
    for (const auto& [name, value] : e.whens)
        if (!sameType(value->type, first))
            raise(8167, QStringLiteral("The type of column \"%1\" conflicts with the type of "
                                       "other columns specified in the UNPIVOT list.")
                            .arg(value->binding.column));
}

// A sub-select standing for a value has one column.
const SqlType& oneColumn(const Select& s) {
    if (s.columnTypes.size() != 1)
        raise(116, QStringLiteral("Only one expression can be specified in the select list when "
                                  "the subquery is not introduced with EXISTS."));
    return s.columnTypes[0];
}

}  // namespace

void Binder::type(const Expr& e) {
    switch (e.kind) {
        case Expr::Literal:
            e.type = literalType(e);
            return;
        case Expr::Global:
            e.type = e.builtin->type;
            return;
        case Expr::Unary:
            e.type = unary(e);
            return;
        case Expr::Binary:
            e.type = binary(e);
            return;
        case Expr::InSelect:
            oneColumn(*e.select);
            e.type = kBit;
            return;
        case Expr::IsNull:
        case Expr::Between:
        case Expr::Like:
        case Expr::InList:
        case Expr::Exists:
            e.type = kBit;
            return;
        case Expr::Subquery:
            e.type = oneColumn(*e.select);
            return;
        case Expr::Case:
            if (e.unpivot)
                checkUnpivoted(e);
            e.type = caseType(e);
            return;
        case Expr::Function:
            if (!e.isUserFunction())  // a user function's is its declared type
                e.type = e.builtin->resultType(e);
            return;
        case Expr::Cast:
            checkExplicitConversion(e.a->type, e.castType);
            e.type = e.castType;
            return;
        case Expr::RowId:
        case Expr::CurrentOf:
            e.type = SqlType::of(SqlType::BigInt);
            return;
        case Expr::Column:  // typed as they are marked
        case Expr::Variable:
        case Expr::Param:
        case Expr::Star:
        case Expr::Default:
            return;
    }
}

void Binder::combineTypes(std::vector<SqlType>& result, const std::vector<SqlType>& core) {
    if (core.size() != result.size())
        raise(205, QStringLiteral("All queries combined using a UNION, INTERSECT or EXCEPT "
                                  "operator must have an equal number of expressions in their "
                                  "target lists."));
    for (size_t k = 0; k < core.size(); ++k)
        result[k] = commonType(result[k], core[k]);
}

}  // namespace tsql
