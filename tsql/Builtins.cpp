// The table of built-in functions and context values, one row each.
#include "tsql/Builtins.h"

#include <sqlite3.h>
#include <unistd.h>

#include <QHash>
#include <QRandomGenerator>

#include "tsql/Collation.h"
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Functions.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

using sqlite::call;
using sqlite::Term;

namespace {

using Rendered = SqliteEmitter::Rendered;

// A row's result type: fixed, or a function of the call's arguments' types.
struct Result {
    Result(const SqlType& fixed) : type(fixed) {}  // NOLINT: rows name a type or a function
    Result(Builtin::Typing f) : typing(f) {}       // NOLINT
    SqlType type;
    Builtin::Typing typing = nullptr;
};

Builtin row(const char* name, Builtin::Kind kind, int minArgs, int maxArgs, const Result& result,
            Builtin::Render render) {
    Builtin b{};
    b.name = name;
    b.kind = kind;
    b.minArgs = minArgs;
    b.maxArgs = maxArgs;
    b.type = result.type;
    b.typing = result.typing;
    b.render = render;
    return b;
}

Builtin scalar(const char* name, int minArgs, int maxArgs, const Result& result,
               Builtin::Render render) {
    return row(name, Builtin::Scalar, minArgs, maxArgs, result, render);
}

Builtin aggregate(const char* name, const Result& result, Builtin::Render render,
                  bool star = false) {
    Builtin b = row(name, Builtin::Aggregate, 1, 1, result, render);
    b.star = star;
    b.framed = true;
    return b;
}

// An aggregate that takes WITHIN GROUP (ORDER BY ...) and no OVER clause.
Builtin orderedAggregate(const char* name, int arguments, const Result& result,
                         Builtin::Render render) {
    Builtin b = row(name, Builtin::Aggregate, arguments, arguments, result, render);
    b.withinGroup = true;
    return b;
}

Builtin window(const char* name, int minArgs, int maxArgs, bool ordered, const Result& result,
               Builtin::Render render) {
    Builtin b = row(name, Builtin::Window, minArgs, maxArgs, result, render);
    b.ordered = ordered;
    return b;
}

// FIRST_VALUE, LAST_VALUE: a window of ordered rows whose frame the OVER clause may set.
Builtin framedWindow(const char* name, const Result& result, Builtin::Render render) {
    Builtin b = window(name, 1, 1, true, result, render);
    b.framed = true;
    return b;
}

Builtin context(const char* name, const SqlType& type, Builtin::Read value) {
    Builtin b = row(name, Builtin::Context, 0, 0, type, nullptr);
    b.value = value;
    return b;
}

const SqlType kInt = SqlType::of(SqlType::Int);
const SqlType kBigInt = SqlType::of(SqlType::BigInt);
const SqlType kDateTime = SqlType::of(SqlType::DateTime);
const SqlType kLongText = SqlType::of(SqlType::VarChar, 8000);
const SqlType kName = SqlType::of(SqlType::NVarChar, 4000);
const SqlType kSetting = SqlType::of(SqlType::NVarChar, 256);
const SqlType kFloat = SqlType::of(SqlType::Float);
const SqlType kChar = SqlType::of(SqlType::Char, 1);
const SqlType kDate = SqlType::of(SqlType::Date);
const SqlType kNumeric = SqlType::decimal(38, 0);

// ---- result types ----

const SqlType& argType(const Expr& call, size_t k) {
    return call.args[k]->type;
}

int textLength(const SqlType& t) {
    return t.isText() ? t.length : 30;
}

bool isNational(const SqlType& t) {
    return t.base == SqlType::NChar || t.base == SqlType::NVarChar;
}

// The type of the first argument.
SqlType first(const Expr& call) {
    return argType(call, 0);
}

// A text of the first argument's length.
SqlType firstsLength(const Expr& call) {
    return SqlType::of(SqlType::VarChar, textLength(first(call)));
}

// The first argument's text type, varchar(30) for what is not text.
SqlType firstAsText(const Expr& call) {
    return first(call).isText() ? first(call) : SqlType::of(SqlType::VarChar, 30);
}

SqlType trimmed(const Expr& call) {
    return SqlType::of(isNational(first(call)) ? SqlType::NVarChar : SqlType::VarChar,
                       textLength(first(call)));
}

// CONCAT: the arguments' lengths added, national when one of them is.
SqlType concatenated(const Expr& call) {
    bool national = false;
    int length = 0;
    for (const ExprPtr& a : call.args) {
        national = national || isNational(a->type);
        length += textLength(a->type) < 0 ? 8000 : textLength(a->type);
    }
    return national ? SqlType::of(SqlType::NVarChar, std::min(length, 4000))
                    : SqlType::of(SqlType::VarChar, std::min(length, 8000));
}

// CONCAT_WS: the values' texts, the separator between each two.
SqlType separatedConcatenation(const Expr& call) {
    const int separator =
        textLength(call.args[0]->type) < 0 ? 8000 : textLength(call.args[0]->type);
    const SqlType values = concatenated(call);
    const int length = values.length + separator * static_cast<int>(call.args.size() - 3);
    return SqlType::of(values.base,
                       std::min(length, values.base == SqlType::NVarChar ? 4000 : 8000));
}

void noText(const Expr& call) {
    if (first(call).isText())
        raise(
            8117,
            QStringLiteral("Operand data type varchar is invalid for %1 operator.").arg(call.text));
}

// SUM: a decimal's at 38 digits, money's, int for the smaller integers, else the argument's.
SqlType summed(const Expr& call) {
    noText(call);
    const SqlType& a = argType(call, 0);
    return a.isDecimal()                                ? decimalSum(a)
           : a.isInteger() && a.base != SqlType::BigInt ? SqlType::of(SqlType::Int)
                                                        : a;
}

// STRING_AGG: varchar(8000) or nvarchar(4000), the max type of a max value.
SqlType aggregatedText(const Expr& call) {
    const bool national = isNational(argType(call, 0)) || isNational(argType(call, 1));
    const int length = argType(call, 0).length < 0 ? -1 : national ? 4000 : 8000;
    return SqlType::of(national ? SqlType::NVarChar : SqlType::VarChar, length);
}

SqlType averaged(const Expr& call) {
    noText(call);
    return first(call).isDecimal() ? decimalAverage(first(call)) : first(call);
}

// The datepart argument of DATEPART, DATENAME and DATEADD (argument 0, a word or a literal),
// refused (155, 9810) where it names no part or a part the date (argument `date`) does not have:
// a time part of a date, a date part of a time, a part below the millisecond of a datetime in
// DATEADD.
void checkDatePart(const Expr& call, size_t date) {
    const Expr& part = *call.args[0];
    const QString name =
        part.kind == Expr::Literal && part.lit == Expr::String ? part.text : QString();
    const DatePart named = datePartNamed(name);
    const SqlType& type = argType(call, date);
    const bool adding = call.text == u"dateadd";
    const bool fine = named >= DatePart::Microsecond
                          ? type.base != SqlType::Date && !(adding && type.isDateTime())
                      : isTimePart(name) ? type.base != SqlType::Date
                                         : type.base != SqlType::Time;
    if (!fine)
        raise(9810, QStringLiteral("The datepart %1 is not supported by date function %2 for "
                                   "data type %3.")
                        .arg(name, call.text, type.toSql().section(u'(', 0, 0)));
}

SqlType partNumber(const Expr& call) {
    checkDatePart(call, 1);
    return kInt;
}

SqlType partName(const Expr& call) {
    checkDatePart(call, 1);
    return SqlType::of(SqlType::NVarChar, 30);
}

// DATEADD gives the type of its date; a text is read as a datetime.
SqlType movedDate(const Expr& call) {
    checkDatePart(call, 2);
    return argType(call, 2).isTemporal() ? argType(call, 2) : kDateTime;
}

// DATETIME2FROMPARTS and TIMEFROMPARTS: their type with the precision of argument k, which must
// be a whole number from 0 to 7 written out.
SqlType precisionFromParts(const Expr& call, SqlType::Base base, size_t k) {
    const Expr& precision = *call.args[k];
    bool number = precision.kind == Expr::Literal && precision.lit == Expr::Integer;
    const int scale = number ? precision.text.toInt(&number) : -1;
    if (!number || scale < 0 || scale > 7)
        raise(10760, QStringLiteral("Scale argument is not valid. Valid expressions for data type "
                                    "%1 scale argument are integer constants and integer constant "
                                    "expressions.")
                         .arg(base == SqlType::Time ? QStringLiteral("time")
                                                    : QStringLiteral("datetime2")));
    return SqlType{base, 0, 0, scale};
}

SqlType dateTime2Parts(const Expr& call) {
    return precisionFromParts(call, SqlType::DateTime2, 7);
}

SqlType timeParts(const Expr& call) {
    return precisionFromParts(call, SqlType::Time, 4);
}

// COALESCE: the arguments' common type.
SqlType common(const Expr& call) {
    SqlType t;
    for (const ExprPtr& a : call.args)
        t = commonType(t, a->type);
    return t;
}

// ISNULL: the first argument's type, when it has one.
SqlType firstKnown(const Expr& call) {
    return first(call).known() ? first(call) : common(call);
}

SqlType eitherBranch(const Expr& call) {
    return commonType(argType(call, 1), argType(call, 2));
}

// FLOOR and CEILING: a decimal keeps its precision without decimals, money stays money, an
// integer or a float its type; others numeric(38,0).
SqlType whole(const Expr& call) {
    const SqlType& a = argType(call, 0);
    if (a.isDecimal())
        return a.base == SqlType::Money ? a : SqlType::decimal(a.precision, 0);
    return a.isInteger() || a.isApprox() ? a : kNumeric;
}

// STUFF: the text's type, long enough for the insert.
SqlType stuffed(const Expr& call) {
    const SqlType &s = first(call), &insert = argType(call, 3);
    const bool national = isNational(s) || isNational(insert);
    const int length = textLength(s) < 0 || textLength(insert) < 0
                           ? -1
                           : std::min(textLength(s) + textLength(insert), national ? 4000 : 8000);
    return SqlType::of(national ? SqlType::NVarChar : SqlType::VarChar, length);
}

// DATALENGTH and PATINDEX: int, bigint for a text of a max type.
SqlType maxIsBig(const SqlType& t) {
    return t.isText() && t.length < 0 ? kBigInt : kInt;
}

SqlType dataLengthType(const Expr& call) {
    return maxIsBig(first(call));
}

SqlType patternPosition(const Expr& call) {
    return maxIsBig(argType(call, 1));
}

// REPLICATE: a text of the argument's kind; one not of a max type ends at 8000 bytes.
SqlType replicated(const Expr& call) {
    const SqlType& s = first(call);
    const bool max = s.isText() && s.length < 0;
    if (isNational(s))
        return SqlType::of(SqlType::NVarChar, max ? -1 : 4000);
    return SqlType::of(SqlType::VarChar, max ? -1 : 8000);
}

// CHOOSE: its values' common type.
SqlType chosen(const Expr& call) {
    SqlType t;
    for (size_t k = 1; k < call.args.size(); ++k)
        t = commonType(t, argType(call, k));
    return t;
}

// FORMAT: nvarchar(4000) of a number or a date, 8116 for another type.
SqlType formatted(const Expr& call) {
    const SqlType& t = first(call);
    if (t.known() && (!(t.isNumeric() || t.isTemporal()) || t.base == SqlType::Bit))
        raise(8116, QStringLiteral("Argument data type %1 is invalid for argument 1 of format "
                                   "function.")
                        .arg(t.toSql().section(u'(', 0, 0)));
    return SqlType::of(SqlType::NVarChar, 4000);
}

SqlType powerType(const Expr& call) {
    const SqlType t = first(call);
    return t.known() && !t.isText() ? t : kFloat;
}

// DEGREES and RADIANS: an integer stays int or bigint, a decimal keeps its scale at precision 38,
// money stays money; anything else is float.
SqlType angleType(const Expr& call) {
    const SqlType t = first(call);
    switch (t.base) {
        case SqlType::TinyInt:
        case SqlType::SmallInt:
        case SqlType::Int:
            return SqlType::of(SqlType::Int);
        case SqlType::BigInt:
        case SqlType::Money:
            return SqlType::of(t.base);
        case SqlType::Decimal:
            return SqlType::decimal(38, t.scale);
        default:
            return kFloat;
    }
}

// ---- aggregates and window functions ----

void countRows(FunctionCall& f) {
    if (f.expr().star) {
        f.result.set(f.aggregate("count", sqlite::primary("*")));
        return;
    }
    f.result.set(f.aggregate("count", f.arg(0).term()));
}

void sum(FunctionCall& f) {
    const Rendered a = f.arg(0);
    // A sum of integers overflows its type as integer arithmetic does.
    f.result.set(SqliteEmitter::checkedArithmetic(
        f.aggregate(a.type.isDecimal() ? "tsql_decimal_sum" : "sum", a.term()), f.type()));
}

void avg(FunctionCall& f) {
    const Rendered a = f.arg(0);
    Term value = f.aggregate(a.type.isDecimal() ? "tsql_decimal_avg" : "avg", a.term());
    if (a.type.isInteger())
        value = sqlite::cast(value, "INTEGER");  // integer average truncates
    if (a.type.isApprox())
        value = SqliteEmitter::checkedArithmetic(value, f.type());  // its sum may overflow
    // An average of money, divided at six decimals, is money.
    if (a.type.base == SqlType::Money) {
        Rendered divided;
        divided.set(value);
        divided.type = decimalAverage(asDecimal(a.type));
        value = f.convert(divided, a.type);
    }
    f.result.set(value);
}

void extreme(FunctionCall& f, const char* function) {
    const Rendered a = f.arg(0);
    const char* collation = a.column ? nullptr : SqliteEmitter::orderCollation(a.type);
    f.result.set(
        f.aggregate(function, collation ? sqlite::collate(a.term(), collation) : a.term()));
}

// STRING_AGG(value, separator) [WITHIN GROUP (ORDER BY ...)]: the values as text, NULLs left
// out, at most the result type's length.
void stringAggregate(FunctionCall& f) {
    const SqlType& t = f.type();
    std::vector<QByteArray> args = {f.text(0).sql, f.text(1).sql,
                                    QByteArray::number(t.length < 0 ? 0 : t.length)};
    for (const Term& key : f.withinGroupKeys())
        args.push_back(key.text);
    f.setResult(f.aggregate("tsql_string_agg", sqlite::primary(sqlite::list(args))));
}

void unsupportedAggregate(FunctionCall& f) {
    notSupported(QStringLiteral("the %1 aggregate").arg(f.expr().text.toUpper()));
}

// A window function of its own name over the call's arguments (ranks, LAG, PERCENT_RANK ...).
void windowCall(FunctionCall& f) {
    std::vector<Term> args;
    for (size_t k = 0; k < f.size(); ++k)
        args.push_back(f.arg(k).term());
    f.result.set(f.window(args));
}

// ---- dates ----

// The engine's function of the call's name over the arguments as they are.
// The call's arguments at `parts` (year, month, day, hour, minute, second, fraction; -1 for a
// part the type has not) with the digits of the fraction, to tsql_fromparts in the call's type.
void fromParts(FunctionCall& f, std::initializer_list<int> parts, const Term& digits) {
    std::vector<Term> args{SqliteEmitter::typeConstant(f.type())};
    for (const int k : parts)
        args.push_back(k < 0 ? sqlite::integer(1) : f.arg(static_cast<size_t>(k)).term());
    args.push_back(digits);
    f.setResult(call("tsql_fromparts", args));
}

void engineOverArgs(FunctionCall& f) {
    std::vector<Term> args;
    for (size_t k = 0; k < f.size(); ++k)
        args.push_back(f.arg(k).term());
    f.setResult(f.engine(args));
}

// The engine's function of the same name over the arguments as texts.
void engineOverTexts(FunctionCall& f) {
    std::vector<Term> args;
    for (size_t k = 0; k < f.size(); ++k)
        args.push_back(f.text(k).term());
    f.setResult(f.engine(args));
}

void now(FunctionCall& f) {
    f.setResult(f.type().isDateTime()
                    ? call("tsql_getdate", {})
                    : call("tsql_getdate", {SqliteEmitter::typeConstant(f.type())}));
}

// DATEPART and DATENAME: the week and the weekday count from SET DATEFIRST's day.
void partOfDate(FunctionCall& f) {
    const Rendered date = f.arg(1);
    const QString part = f.arg(0).literal;
    std::vector<Term> args = {sqlite::primary(sqlite::text(part)), f.date(date)};
    const DatePart named = datePartNamed(part);
    if (named == DatePart::Week || named == DatePart::Weekday)
        args.push_back(f.session("@@datefirst"));
    f.setResult(f.engine(args));
}

void datePartOf(FunctionCall& f) {
    const Term part = sqlite::primary(sqlite::text(f.expr().text));
    f.setResult(call("tsql_datepart", {part, f.date(0)}));
}

// ---- texts ----

// LTRIM, RTRIM and TRIM: blanks, or the given characters, off one end or both.
void trim(FunctionCall& f) {
    const Rendered s = f.text(0);
    const Term characters =
        f.size() > 1 ? f.text(1).term() : sqlite::primary(sqlite::text(QStringLiteral(" ")));
    f.setResult(call(f.expr().text.toLatin1(), {s.term(), characters}));
}

// STUFF(text, start, length, insert).
void stuff(FunctionCall& f) {
    const Rendered s = f.text(0), insert = f.text(3);
    f.setResult(f.engine({s.term(), f.arg(1).term(), f.arg(2).term(), insert.term()}));
}

// DATALENGTH: the bytes of a text as it is held, the storage size of other types.
void dataLength(FunctionCall& f) {
    const Rendered a = f.arg(0);
    if (!a.type.known()) {
        f.setResult(sqlite::primary("NULL"));
        return;
    }
    if (a.type.isText()) {
        f.setResult(isNational(a.type) ? call("tsql_national_length", {a.term()})
                                       : call("length", {a.term()}));
        return;
    }
    f.setResult(sqlite::primary("CASE WHEN " + a.sql + " IS NULL THEN NULL ELSE " +
                                QByteArray::number(a.type.storageSize()) + " END"));
}

void leftOrRight(FunctionCall& f) {
    const Rendered s = f.text(0);
    f.setResult(f.engine({s.term(), f.arg(1).term()}));
}

void changeCase(FunctionCall& f) {
    f.setResult(f.engine({f.text(0).term()}));
}

// FORMAT(value, format[, culture]): the session's language, us_english, is the culture en-US.
void format(FunctionCall& f) {
    const Rendered v = f.arg(0);
    const Term culture =
        f.size() > 2 ? f.text(2).term() : sqlite::primary(sqlite::text(QStringLiteral("en-US")));
    f.setResult(
        f.engine({v.term(), f.text(1).term(), culture, SqliteEmitter::typeConstant(v.type)}));
}

// CONCAT: each argument as text, NULL as an empty text.
void concat(FunctionCall& f) {
    std::vector<Term> parts;
    for (size_t k = 0; k < f.size(); ++k)
        parts.push_back(
            call("ifnull", {f.text(k).term(), sqlite::primary(sqlite::text(QString()))}));
    f.setResult(sqlite::chain(sqlite::Operator::Concatenate, parts));
}

// CONCAT_WS(separator, value, ...): the values that are not NULL, separated; a NULL separator is
// an empty one. Each value goes in with the separator before it, which the first loses.
void concatWithSeparator(FunctionCall& f) {
    const Term separator =
        call("ifnull", {f.text(0).term(), sqlite::primary(sqlite::text(QString()))});
    std::vector<Term> parts;
    for (size_t k = 1; k < f.size(); ++k)
        parts.push_back(call(
            "ifnull", {sqlite::chain(sqlite::Operator::Concatenate, {separator, f.text(k).term()}),
                       sqlite::primary(sqlite::text(QString()))}));
    f.setResult(call("substr", {sqlite::chain(sqlite::Operator::Concatenate, parts),
                                sqlite::primary("length(" + separator.text + ") + 1")}));
}

// ---- values and numbers ----

// Whether ISNULL's replacement `a` must be converted to the first argument's type `t`: a text
// longer than a bounded text type is cut, a shorter one padded to a char's length, a number
// cut to an integer.
bool narrowedTo(const Rendered& a, const SqlType& t) {
    if (!a.type.known())
        return false;
    if (t.isText() && t.length >= 0) {
        const bool fits = a.type.isText() && a.type.length >= 0 && a.type.length <= t.length;
        return !fits || (t.isFixedText() && !(a.type.base == t.base && a.type.length == t.length));
    }
    return t.isInteger() && !a.type.isInteger();
}

// COALESCE and ISNULL: the first value that is not NULL, all in one type: COALESCE's is the
// arguments' common type, ISNULL's the first one's, which the replacement is converted to.
void firstNotNull(FunctionCall& f) {
    const bool isNull = f.expr().text == u"isnull";
    const SqlType& t = f.type();
    std::vector<Rendered> args;
    for (size_t k = 0; k < f.size(); ++k)
        args.push_back(f.arg(k));
    std::vector<Term> terms;
    for (const Rendered& a : args) {
        if (isNull && &a != &args.front() && narrowedTo(a, t))
            terms.push_back(a.stringLiteral
                                ? sqlite::primary(sqlite::text(
                                      convertValue(Value::text(a.literal), a.type, t).s))
                                : f.convert(a, t));
        else if (t.isTemporal() || t.isDecimal())
            terms.push_back(f.inType(a, t));
        else if (t.isNumeric() && a.type.isText())
            terms.push_back(a.stringLiteral
                                ? sqlite::real(textToNumber(a.literal, a.type, t).toDouble())
                                : f.convert(a, t));
        else
            terms.push_back(a.term());
    }
    f.setResult(call(isNull ? "ifnull" : "coalesce", terms));
}

// IIF(condition, then, else): a CASE of one branch.
void iif(FunctionCall& f) {
    const Rendered condition = f.arg(0), then = f.arg(1), otherwise = f.arg(2);
    const SqlType& t = f.type();
    f.setResult(sqlite::primary("CASE WHEN " + condition.sql + " THEN " + f.inType(then, t).text +
                                " ELSE " + f.inType(otherwise, t).text + " END"));
}

// CHOOSE(index, value, ...): the value at the index (converted to int), NULL beyond them; all
// values in one type.
void choose(FunctionCall& f) {
    const Rendered index = f.arg(0);
    std::vector<Rendered> values;
    const SqlType& t = f.type();
    for (size_t k = 1; k < f.size(); ++k)
        values.push_back(f.arg(k));
    QByteArray sql = "CASE " + sqlite::cast(index.term(), "INTEGER").text;
    for (size_t k = 0; k < values.size(); ++k)
        sql += " WHEN " + QByteArray::number(k + 1) + " THEN " + f.inType(values[k], t).text;
    f.setResult(sqlite::primary(sql + " END"));
}

// The engine's exact function tsql_decimal_<name>(args..., result type) of a decimal or money.
void exactCall(FunctionCall& f, std::vector<Term> args) {
    args.push_back(SqliteEmitter::typeConstant(f.type()));
    f.setResult(call("tsql_decimal_" + f.expr().text.toLatin1(), args));
}

// FLOOR and CEILING: a decimal keeps its precision without decimals, money stays money.
void roundDown(FunctionCall& f, sqlite::Operator beyond, sqlite::Operator step) {
    const Rendered a = f.arg(0);
    if (a.type.isDecimal()) {
        exactCall(f, {a.term()});
        return;
    }
    if (a.type.isApprox()) {  // a float stays a float, whatever its size
        f.setResult(call(f.expr().text == u"floor" ? "floor" : "ceil", {a.term()}));
        return;
    }
    const Term whole = sqlite::cast(a.term(), "INTEGER");
    f.setResult(sqlite::binary(whole, step, sqlite::binary(a.term(), beyond, whole)));
}

// A text argument becomes a float as CAST makes it, failing where CAST fails.
Term floatArgument(FunctionCall& f, const Rendered& r) {
    return r.type.isText() ? f.convert(r, kFloat) : r.term();
}

// POWER keeps the type of its first argument; the other functions are float.
void math(FunctionCall& f, const char* function) {
    const Rendered a = f.arg(0);
    const bool power = f.expr().text == u"power";
    std::vector<Term> arguments{floatArgument(f, a)};
    if (f.size() > 1)
        arguments.push_back(floatArgument(f, f.arg(1)));
    f.setResult(call(function, arguments));
    if (power && a.type.isInteger())
        f.result.set(
            SqliteEmitter::checkedArithmetic(sqlite::cast(f.result.term(), "INTEGER"), a.type));
}

// The angle is turned in float and the result converted to the call's type as CAST converts it.
void angle(FunctionCall& f, const char* function) {
    Rendered turned;
    turned.set(call(function, {floatArgument(f, f.arg(0))}));
    turned.type = kFloat;
    f.setResult(f.type().base == SqlType::Float ? turned.term() : f.convert(turned, f.type()));
}

void sign(FunctionCall& f) {
    const Rendered a = f.arg(0);
    if (a.type.isDecimal()) {
        exactCall(f, {a.term()});
        return;
    }
    f.setResult(sqlite::primary("CASE WHEN " + a.sql + " > 0 THEN 1 WHEN " + a.sql +
                                " < 0 THEN -1 WHEN " + a.sql + " = 0 THEN 0 END"));
}

// ---- context values ----

Value catchValue(const SessionState& s, Value (*read)(const ErrorContext&)) {
    return s.error ? read(*s.error) : Value();
}

Value hostName(const SessionState&) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return Value::text(QString::fromLocal8Bit(host).left(15));
}

Value identity(const SessionState& s) {
    return s.identity ? Value::integer(*s.identity) : Value();
}

Value scopeIdentity(const SessionState& s) {
    return s.scopeIdentity ? Value::integer(*s.scopeIdentity) : Value();
}

Value serverName(const SessionState& s) {
    return Value::text(QStringLiteral("file:") + s.serverDir);
}

// Aggregates and window functions.
std::vector<Builtin> aggregateRows() {
    return {
        aggregate("count", kInt, countRows, true),
        aggregate("count_big", kBigInt, countRows, true),
        aggregate("sum", summed, sum),
        aggregate("avg", averaged, avg),
        aggregate("min", first, [](FunctionCall& f) { extreme(f, "min"); }),
        aggregate("max", first, [](FunctionCall& f) { extreme(f, "max"); }),
        orderedAggregate("string_agg", 2, aggregatedText, stringAggregate),
        aggregate("stdev", kFloat, unsupportedAggregate),
        aggregate("var", kFloat, unsupportedAggregate),
        window("row_number", 0, 0, true, kBigInt, windowCall),
        window("rank", 0, 0, true, kBigInt, windowCall),
        window("dense_rank", 0, 0, true, kBigInt, windowCall),
        window("ntile", 1, 1, true, kBigInt, windowCall),
        window("lag", 1, 3, false, first, windowCall),
        window("lead", 1, 3, false, first, windowCall),
        framedWindow("first_value", first, windowCall),
        framedWindow("last_value", first, windowCall),
        window("percent_rank", 0, 0, true, kFloat, windowCall),
        window("cume_dist", 0, 0, true, kFloat, windowCall),
    };
}

void addToDate(FunctionCall& f) {
    const Rendered date = f.arg(2);
    const QString part = f.arg(0).literal;
    f.setResult(f.engine({sqlite::primary(sqlite::text(part)), f.arg(1).term(), f.date(date),
                          SqliteEmitter::typeConstant(f.type())}));
}

// Dates.
std::vector<Builtin> dateRows() {
    return {
        scalar("getdate", 0, 0, kDateTime, now),
        scalar("sysdatetime", 0, 0, SqlType{SqlType::DateTime2, 0, 0, 7}, now),
        scalar("getutcdate", 0, 0, kDateTime, now),
        scalar("current_timestamp", 0, 0, kDateTime, now),
        scalar("year", 1, 1, kInt, datePartOf),
        scalar("month", 1, 1, kInt, datePartOf),
        scalar("day", 1, 1, kInt, datePartOf),
        scalar("datepart", 2, 2, partNumber, partOfDate),
        scalar("datename", 2, 2, partName, partOfDate),
        scalar("eomonth", 1, 2, kDate,
               [](FunctionCall& f) { f.setResult(f.engine(f.withOptional({f.date(0)}, 1))); }),
        scalar("dateadd", 3, 3, movedDate, addToDate),
        scalar("datediff", 3, 3, kInt,
               [](FunctionCall& f) {
                   f.setResult(f.engine({f.arg(0).term(), f.date(1), f.date(2)}));
               }),
        scalar("datediff_big", 3, 3, kBigInt,
               [](FunctionCall& f) {
                   f.setResult(f.engine({f.arg(0).term(), f.date(1), f.date(2)}));
               }),
        scalar("datefromparts", 3, 3, kDate, engineOverArgs),
        // The parts of a moment go to tsql_fromparts(type, year, month, day, hour, minute,
        // second, fraction, digits of the fraction).
        scalar("datetimefromparts", 7, 7, kDateTime,
               [](FunctionCall& f) {
                   fromParts(f, {0, 1, 2, 3, 4, 5, 6}, sqlite::integer(3));
               }),
        scalar("datetime2fromparts", 8, 8, dateTime2Parts,
               [](FunctionCall& f) {
                   fromParts(f, {0, 1, 2, 3, 4, 5, 6}, f.arg(7).term());
               }),
        scalar("timefromparts", 5, 5, timeParts,
               [](FunctionCall& f) {
                   fromParts(f, {-1, -1, -1, 0, 1, 2, 3}, f.arg(4).term());
               }),
        scalar("isdate", 1, 1, kInt, engineOverArgs),
    };
}

// Texts.
std::vector<Builtin> textRows() {
    return {
        scalar("substring", 3, 3, firstsLength,
               [](FunctionCall& f) {
                   const Rendered s = f.text(0);
                   f.setResult(f.engine({s.term(), f.arg(1).term(), f.arg(2).term()}));
               }),
        scalar("ltrim", 1, 2, trimmed, trim),
        scalar("rtrim", 1, 2, trimmed, trim),
        scalar("trim", 1, 2, trimmed, trim),
        scalar("stuff", 4, 4, stuffed, stuff),
        scalar("datalength", 1, 1, dataLengthType, dataLength),
        scalar("patindex", 2, 2, patternPosition,
               [](FunctionCall& f) {
                   const Rendered s = f.text(1);
                   f.setResult(f.engine({f.text(0).term(), s.term()}));
               }),
        scalar(
            "quotename", 1, 2, SqlType::of(SqlType::NVarChar, 258),
            [](FunctionCall& f) { f.setResult(f.engine(f.withOptional({f.text(0).term()}, 1))); }),
        scalar("upper", 1, 1, firstAsText, changeCase),
        scalar("lower", 1, 1, firstAsText, changeCase),
        scalar("reverse", 1, 1, firstAsText, changeCase),
        scalar("len", 1, 1, kInt,
               [](FunctionCall& f) { f.setResult(f.engine({f.text(0).term()})); }),
        scalar("left", 2, 2, firstsLength, leftOrRight),
        scalar("right", 2, 2, firstsLength, leftOrRight),
        scalar("replace", 3, 3, kLongText, engineOverTexts),
        scalar("translate", 3, 3, firstAsText, engineOverTexts),
        scalar("charindex", 2, 3, kInt,
               [](FunctionCall& f) {
                   f.setResult(f.engine(f.withOptional({f.text(0).term(), f.text(1).term()}, 2)));
               }),
        scalar("str", 1, 3, kLongText,
               [](FunctionCall& f) {
                   const Term length = f.size() > 1 ? f.arg(1).term() : sqlite::integer(10);
                   const Term decimals = f.size() > 2 ? f.arg(2).term() : sqlite::integer(0);
                   f.setResult(f.engine({f.arg(0).term(), length, decimals}));
               }),
        scalar("char", 1, 1, kChar,
               [](FunctionCall& f) { f.setResult(call("char", {f.arg(0).term()})); }),
        scalar("nchar", 1, 1, kChar,
               [](FunctionCall& f) { f.setResult(call("char", {f.arg(0).term()})); }),
        scalar("ascii", 1, 1, kInt,
               [](FunctionCall& f) { f.setResult(call("unicode", {f.text(0).term()})); }),
        scalar("unicode", 1, 1, kInt,
               [](FunctionCall& f) { f.setResult(call("unicode", {f.text(0).term()})); }),
        scalar("space", 1, 1, kLongText, engineOverArgs),
        scalar("replicate", 2, 2, replicated,
               [](FunctionCall& f) {
                   const int limit = f.expr().type.length;
                   f.setResult(f.engine({f.text(0).term(), f.arg(1).term(),
                                         sqlite::integer(limit < 0 ? -1 : limit)}));
               }),
        scalar("concat", 2, Builtin::kVariadic, concatenated, concat),
        scalar("concat_ws", 3, Builtin::kVariadic, separatedConcatenation, concatWithSeparator),
        scalar("format", 2, 3, formatted, format),
    };
}

// IDENT_CURRENT, IDENT_SEED, IDENT_INCR: numeric(38,0) read by the catalogue's function.
// UPDATE(column) in a trigger: whether the statement that fired it set the column.
void columnUpdated(FunctionCall& f) {
    const QString listed = u',' + f.expr().args[0]->text.toCaseFolded() + u',';
    f.setResult(sqlite::binary(
        call("instr", {f.session("(updated columns)"), sqlite::primary(sqlite::text(listed))}),
        sqlite::Operator::Greater, sqlite::integer(0)));
}

void identityProperty(FunctionCall& f, int part) {
    Rendered value;
    value.set(call("tsql_identity", {f.text(0).term(), sqlite::integer(part)}));
    value.type = kBigInt;
    f.setResult(f.convert(value, f.type()));
}

// OBJECTPROPERTY(id, property): what the object's type in sysobjects tells, 1 or 0; NULL for
// another property or an id of no object.
void objectProperty(FunctionCall& f) {
    static const char* const kTests[][2] = {
        {"isusertable", "o.xtype = 'U'"},
        {"istable", "o.xtype = 'U'"},
        {"isview", "o.xtype = 'V'"},
        {"isprocedure", "o.xtype = 'P'"},
        {"isscalarfunction", "o.xtype = 'FN'"},
        {"istablefunction", "o.xtype IN ('IF', 'TF')"},
        {"isinlinefunction", "o.xtype = 'IF'"},
        {"istrigger", "o.xtype = 'TR'"},
        {"isconstraint", "o.xtype IN ('C', 'D', 'F', 'PK', 'UQ')"},
        {"isprimarykey", "o.xtype = 'PK'"},
        {"isforeignkey", "o.xtype = 'F'"},
        {"ischeckcnst", "o.xtype = 'C'"},
        {"isdefaultcnst", "o.xtype = 'D'"},
        {"isuniquecnst", "o.xtype = 'UQ'"},
    };
    QByteArray tests;
    for (const auto& [property, test] : kTests)
        tests += " WHEN '" + QByteArray(property) + "' THEN " + test;
    f.setResult(sqlite::primary("(SELECT CASE lower(" + f.text(1).term().text + ")" + tests +
                                " END FROM temp.sysobjects o WHERE o.id = " + f.arg(0).term().text +
                                ")"));
}

// DB_ID([name]) and DB_NAME([id]): the server's databases as sysdatabases lists them (master 1),
// the current one without an argument.
Term databaseColumn(FunctionCall& f, const char* column, const char* key, const Term& value) {
    f.readsDatabases();
    return sqlite::primary("(SELECT " + QByteArray(column) + " FROM temp.sysdatabases WHERE " +
                           key + " = " + value.text + ")");
}

void databaseId(FunctionCall& f) {
    const Term name = f.size() > 0 ? f.text(0).term() : f.session("(database)");
    f.setResult(databaseColumn(f, "dbid", "name", name));
}

void databaseName(FunctionCall& f) {
    if (f.size() == 0) {
        f.setResult(f.session("(database)"));
        return;
    }
    f.setResult(databaseColumn(f, "name", "dbid", f.arg(0).term()));
}

// Values and numbers; the catalogue.
std::vector<Builtin> numberRows() {
    using Op = sqlite::Operator;
    return {
        scalar("coalesce", 2, Builtin::kVariadic, common, firstNotNull),
        scalar("isnull", 2, 2, firstKnown, firstNotNull),
        scalar("nullif", 2, 2, first,
               [](FunctionCall& f) {
                   const Rendered a = f.arg(0);
                   f.setResult(call("nullif", {a.term(), f.arg(1).term()}));
               }),
        scalar("iif", 3, 3, eitherBranch, iif),
        scalar("choose", 2, Builtin::kVariadic, chosen, choose),
        scalar("isnumeric", 1, 1, kInt, engineOverArgs),
        scalar("newid", 0, 0, SqlType::of(SqlType::UniqueIdentifier), engineOverArgs),
        scalar("abs", 1, 1, first,
               [](FunctionCall& f) {
                   const Rendered a = f.arg(0);
                   if (a.type.isDecimal())
                       exactCall(f, {a.term()});
                   else
                       f.setResult(
                           SqliteEmitter::checkedArithmetic(call("abs", {a.term()}), a.type));
               }),
        scalar("round", 2, 3, first,
               [](FunctionCall& f) {
                   const Rendered a = f.arg(0);
                   if (a.type.isDecimal())
                       exactCall(f, {a.term(), f.arg(1).term(),
                                     f.size() > 2 ? f.arg(2).term() : sqlite::integer(0)});
                   else
                       f.setResult(f.engine(f.withOptional({a.term(), f.arg(1).term()}, 2)));
               }),
        scalar("floor", 1, 1, whole, [](FunctionCall& f) { roundDown(f, Op::Less, Op::Subtract); }),
        scalar("ceiling", 1, 1, whole, [](FunctionCall& f) { roundDown(f, Op::Greater, Op::Add); }),
        scalar("power", 2, 2, powerType, [](FunctionCall& f) { math(f, "tsql_pow"); }),
        scalar("sqrt", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_sqrt"); }),
        scalar("exp", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_exp"); }),
        scalar("square", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_square"); }),
        scalar("log", 1, 2, kFloat,
               [](FunctionCall& f) { math(f, f.size() > 1 ? "tsql_logb" : "tsql_ln"); }),
        scalar("log10", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_log10"); }),
        scalar("pi", 0, 0, kFloat, [](FunctionCall& f) { f.setResult(call("tsql_pi", {})); }),
        scalar("sin", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_sin"); }),
        scalar("cos", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_cos"); }),
        scalar("tan", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_tan"); }),
        scalar("cot", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_cot"); }),
        scalar("asin", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_asin"); }),
        scalar("acos", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_acos"); }),
        scalar("atan", 1, 1, kFloat, [](FunctionCall& f) { math(f, "tsql_atan"); }),
        scalar("atn2", 2, 2, kFloat, [](FunctionCall& f) { math(f, "tsql_atn2"); }),
        scalar("degrees", 1, 1, angleType, [](FunctionCall& f) { angle(f, "tsql_degrees"); }),
        scalar("radians", 1, 1, angleType, [](FunctionCall& f) { angle(f, "tsql_radians"); }),
        scalar("sign", 1, 1, first, sign),
        // RAND() is one number for the whole statement, as on SQL Server, however many rows.
        scalar("rand", 0, 1, kFloat,
               [](FunctionCall& f) {
                   f.setResult(f.size() == 0 ? f.session("(rand)")
                                             : call("tsql_seeded_rand", {f.arg(0).term()}));
               }),
        scalar("object_id", 1, 2, kInt,
               [](FunctionCall& f) {
                   f.setResult(call("object_id", f.withOptional({f.text(0).term()}, 1)));
               }),
        scalar("object_name", 1, 2, kName,
               [](FunctionCall& f) {
                   if (f.size() > 1)
                       notSupported(QStringLiteral("OBJECT_NAME of another database"));
                   f.setResult(call("tsql_object_name", {f.arg(0).term()}));
               }),
        scalar("objectproperty", 2, 2, kInt, objectProperty),
        scalar("col_length", 2, 2, SqlType::of(SqlType::SmallInt),
               [](FunctionCall& f) {
                   f.setResult(call("tsql_col_length", {f.text(0).term(), f.text(1).term()}));
               }),
        scalar("db_id", 0, 1, kInt, databaseId),
        scalar("db_name", 0, 1, kName, databaseName),
        scalar("ident_current", 1, 1, kNumeric, [](FunctionCall& f) { identityProperty(f, 0); }),
        scalar("ident_seed", 1, 1, kNumeric, [](FunctionCall& f) { identityProperty(f, 1); }),
        scalar("ident_incr", 1, 1, kNumeric, [](FunctionCall& f) { identityProperty(f, 2); }),
        scalar("type_id", 1, 1, kInt,
               [](FunctionCall& f) { f.setResult(call("type_id", {f.arg(0).term()})); }),
        scalar("update", 1, 1, SqlType::of(SqlType::Bit), columnUpdated),
        // The session's cursors are the interpreter's: it registers tsql_cursor_status.
        scalar("cursor_status", 2, 2, SqlType::of(SqlType::SmallInt),
               [](FunctionCall& f) {
                   f.setResult(call("tsql_cursor_status", {f.text(0).term(), f.text(1).term()}));
               }),
    };
}

// Context values: the session's state as a statement sees it.
std::vector<Builtin> contextRows() {
    return {
        context("@@rowcount", kInt,
                [](const SessionState& s) { return Value::integer(s.rowcount); }),
        context("@@identity", kBigInt, identity),
        context("scope_identity", kBigInt, scopeIdentity),
        context("@@trancount", kInt,
                [](const SessionState& s) { return Value::integer(s.tranDepth); }),
        context("@@options", kInt, [](const SessionState& s) { return Value::integer(s.options); }),
        context("@@error", kInt, [](const SessionState& s) { return Value::integer(s.lastError); }),
        context("@@fetch_status", kInt,
                [](const SessionState& s) { return Value::integer(s.fetchStatus); }),
        context("@@cursor_rows", kInt,
                [](const SessionState& s) { return Value::integer(s.cursorRows); }),
        context("@@spid", kInt, [](const SessionState&) { return Value::integer(51); }),
        // The largest decimal precision; JDBC drivers ask for it when they connect.
        context("@@max_precision", SqlType::of(SqlType::TinyInt),
                [](const SessionState&) { return Value::integer(38); }),
        context("@@nestlevel", kInt,
                [](const SessionState& s) { return Value::integer(s.nestLevel); }),
        context("@@version", kSetting,
                [](const SessionState&) {
                    return Value::text(QStringLiteral("Embedded T-SQL engine on SQLite %1")
                                           .arg(QString::fromLatin1(sqlite3_libversion())));
                }),
        context("@@servername", kSetting, serverName),
        context("@@servicename", kSetting, serverName),
        context("@@datefirst", SqlType::of(SqlType::TinyInt),
                [](const SessionState& s) { return Value::integer(s.dateFirst); }),
        context("@@language", kSetting,
                [](const SessionState&) { return Value::text(QStringLiteral("us_english")); }),
        // The current database, which DB_NAME() and DB_ID() read; no T-SQL name reaches it.
        context("(database)", kName, [](const SessionState& s) { return Value::text(s.database); }),
        context("(rand)", kFloat,
                [](const SessionState&) {
                    return Value::real(QRandomGenerator::global()->generateDouble());
                }),
        context("(updated columns)", kLongText,
                [](const SessionState& s) { return Value::text(s.updatedColumns); }),
        context("user_name", kName,
                [](const SessionState&) { return Value::text(QStringLiteral("dbo")); }),
        context("current_user", kName,
                [](const SessionState&) { return Value::text(QStringLiteral("dbo")); }),
        context("session_user", kName,
                [](const SessionState&) { return Value::text(QStringLiteral("dbo")); }),
        context("suser_sname", kName,
                [](const SessionState&) { return Value::text(QStringLiteral("voq")); }),
        context("system_user", kName,
                [](const SessionState&) { return Value::text(QStringLiteral("voq")); }),
        context("app_name", kName,
                [](const SessionState&) { return Value::text(QStringLiteral("voq")); }),
        context("host_name", kName, hostName),
        context("xact_state", kInt,
                [](const SessionState& s) {
                    return Value::integer(s.tranDepth == 0 ? 0 : s.doomed ? -1 : 1);
                }),
        context("error_message", kName,
                [](const SessionState& s) {
                    return catchValue(s,
                                      [](const ErrorContext& c) { return Value::text(c.message); });
                }),
        context("error_number", kInt,
                [](const SessionState& s) {
                    return catchValue(
                        s, [](const ErrorContext& c) { return Value::integer(c.number); });
                }),
        context("error_severity", kInt,
                [](const SessionState& s) {
                    return catchValue(
                        s, [](const ErrorContext& c) { return Value::integer(c.severity); });
                }),
        context("error_state", kInt,
                [](const SessionState& s) {
                    return catchValue(
                        s, [](const ErrorContext& c) { return Value::integer(c.state); });
                }),
        context("error_line", kInt,
                [](const SessionState& s) {
                    return catchValue(s,
                                      [](const ErrorContext& c) { return Value::integer(c.line); });
                }),
        context("error_procedure", kName,
                [](const SessionState& s) {
                    return catchValue(s, [](const ErrorContext& c) {
                        return c.procedure.isEmpty() ? Value() : Value::text(c.procedure);
                    });
                }),
    };
}

std::vector<Builtin> rows() {
    std::vector<Builtin> all;
    for (auto group : {aggregateRows, dateRows, textRows, numberRows, contextRows})
        for (Builtin& b : group())
            all.push_back(b);
    return all;
}

}  // namespace

const Builtin* findBuiltin(const QString& name) {
    static const std::vector<Builtin> table = rows();
    static const QHash<QString, const Builtin*> byName = [] {
        QHash<QString, const Builtin*> index;
        for (const Builtin& b : table)
            index.insert(QString::fromLatin1(b.name), &b);
        return index;
    }();
    return byName.value(name, nullptr);
}

}  // namespace tsql
