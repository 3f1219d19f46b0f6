// Rendering of built-in functions, aggregates and window functions.
#include <QHash>

#include "tsql/Collation.h"
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

using sqlite::call;
using sqlite::Term;

namespace {

bool isAggregate(const QString& n) {
    return n == u"count" || n == u"sum" || n == u"avg" || n == u"min" || n == u"max" ||
           n == u"count_big" || n == u"stdev" || n == u"var";
}

bool isWindowOnly(const QString& n) {
    return n == u"rank" || n == u"dense_rank" || n == u"row_number" || n == u"ntile" ||
           n == u"lag" || n == u"lead" || n == u"first_value" || n == u"last_value";
}

// A sum of integers overflows its type as integer arithmetic does.
Term checkedSum(const QString& function, const Term& sum, const SqlType& type) {
    return function == u"sum" ? SqliteEmitter::checkedInteger(sum, type) : sum;
}

void arity(const Expr& e, size_t lo, size_t hi) {
    if (e.args.size() < lo || e.args.size() > hi)
        raise(174, QStringLiteral("The %1 function requires %2 argument(s).")
                       .arg(e.text)
                       .arg(lo == hi ? QString::number(lo)
                                     : QStringLiteral("%1 to %2").arg(lo).arg(hi)));
}

}  // namespace

SqliteEmitter::Rendered SqliteEmitter::aggregate(const Expr& e, const QString& n) {
    Rendered out;
    if (e.star) {
        if (n != u"count" && n != u"count_big")
            raise(err::Syntax, QStringLiteral("Incorrect syntax near '*'."));
        out.set(sqlite::primary("count(*)"));
        out.type = SqlType::of(n == u"count" ? SqlType::Int : SqlType::BigInt);
        return out;
    }
    arity(e, 1, 1);
    Rendered a = expr(*e.args[0]);
    const QByteArray distinct = e.distinct ? "DISTINCT " : "";
    auto aggregateCall = [&](const QByteArray& function, const Term& arg) {
        return sqlite::primary(function + "(" + distinct + arg.text + ")");
    };
    if (n == u"count" || n == u"count_big") {
        out.set(aggregateCall("count", a.term()));
        out.type = SqlType::of(n == u"count" ? SqlType::Int : SqlType::BigInt);
    } else if (n == u"sum") {
        if (a.type.isText())
            raise(8117, QStringLiteral("Operand data type varchar is invalid for sum operator."));
        out.type = a.type.base == SqlType::Decimal ? SqlType::decimal(38, a.type.scale)
                   : a.type.isInteger() && a.type.base != SqlType::BigInt
                       ? SqlType::of(SqlType::Int)
                       : a.type;
        out.set(aggregateCall("sum", a.term()));
    } else if (n == u"avg") {
        if (a.type.isText())
            raise(8117, QStringLiteral("Operand data type varchar is invalid for avg operator."));
        out.set(aggregateCall("avg", a.term()));
        if (a.type.isInteger())
            out.set(sqlite::cast(out.term(), "INTEGER"));  // integer average truncates
        out.type = a.type.base == SqlType::Decimal ? SqlType::decimal(38, std::max(6, a.type.scale))
                                                   : a.type;
    } else if (n == u"min" || n == u"max") {
        out.set(aggregateCall(n.toLatin1(), a.type.isText() && !a.column
                                                ? sqlite::collate(a.term(), kCollation)
                                                : a.term()));
        out.type = a.type;
    } else {
        notSupported(QStringLiteral("the %1 aggregate").arg(n.toUpper()));
    }
    return out;
}

SqliteEmitter::Rendered SqliteEmitter::function(const Expr& e) {
    const QString& n = e.text;
    Rendered out;
    auto arg = [&](size_t k) { return expr(*e.args[k]); };
    auto asText = [&](Rendered r) {
        if (!r.type.isText() && r.type.known())
            r.set(convertTo(r, SqlType::of(SqlType::VarChar, 30)));
        return r;
    };
    auto asDate = [&](Rendered r) {
        if (r.type.isDate())
            return r.term();
        if (r.stringLiteral) {
            auto dt = parseDateText(r.literal);
            if (!dt)
                raise(err::DateConversion, QStringLiteral("Conversion failed when converting date "
                                                          "and/or time from character string."));
            return sqlite::primary(sqlite::text(canonicalDate(*dt)));
        }
        return convertTo(r, SqlType::of(SqlType::DateTime));
    };
    auto textLength = [](const Rendered& r) { return r.type.isText() ? r.type.length : 30; };
    // The engine's own function of the same name, tsql_<name>, over the arguments as rendered.
    auto engineCall = [&](const std::vector<Term>& args) {
        return call("tsql_" + n.toLatin1(), args);
    };
    auto optionalArg = [&](std::vector<Term> args, size_t k) {
        if (e.args.size() > k)
            args.push_back(arg(k).term());
        return args;
    };

    if (e.over) {
        if (!isAggregate(n) && !isWindowOnly(n))
            raise(4108, QStringLiteral("Windowed functions are only allowed for aggregates and "
                                       "ranking functions."));
        QByteArray function;
        if (isAggregate(n)) {
            Rendered a = aggregate(e, n);
            function = a.sql;
            out.type = a.type;
        } else {
            std::vector<Term> args;
            for (size_t k = 0; k < e.args.size(); ++k) {
                Rendered a = arg(k);
                if (k == 0)
                    out.type = a.type;
                args.push_back(a.term());
            }
            if (n == u"rank" || n == u"dense_rank" || n == u"row_number" || n == u"ntile")
                out.type = SqlType::of(SqlType::BigInt);
            function = call(n.toLatin1(), args).text;
        }
        QByteArray over = " OVER (";
        if (!e.over->partitionBy.empty()) {
            std::vector<QByteArray> parts;
            for (const auto& p : e.over->partitionBy)
                parts.push_back(expr(*p).sql);
            over += "PARTITION BY " + sqlite::list(parts);
        }
        if (!e.over->orderBy.empty()) {
            if (!e.over->partitionBy.empty())
                over += " ";
            over += orderSql(e.over->orderBy, nullptr);
        } else if (isWindowOnly(n) && n != u"lag" && n != u"lead") {
            raise(
                4112,
                QStringLiteral("The function '%1' must have an OVER clause with ORDER BY.").arg(n));
        }
        out.set(checkedSum(n, sqlite::primary(function + over + ")"), out.type));
        return out;
    }
    if (isWindowOnly(n))
        raise(10753, QStringLiteral("The function '%1' must have an OVER clause.").arg(n));
    if (isAggregate(n)) {
        out = aggregate(e, n);
        out.set(checkedSum(n, out.term(), out.type));
        return out;
    }

    if (n == u"getdate" || n == u"sysdatetime" || n == u"getutcdate" || n == u"current_timestamp") {
        arity(e, 0, 0);
        out.set(call("tsql_getdate", {}));
        out.type = SqlType::of(SqlType::DateTime);
    } else if (n == u"year" || n == u"month" || n == u"day") {
        arity(e, 1, 1);
        out.set(call("tsql_datepart", {sqlite::primary(sqlite::text(n)), asDate(arg(0))}));
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"datepart") {
        arity(e, 2, 2);
        out.set(engineCall({arg(0).term(), asDate(arg(1))}));
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"dateadd") {
        arity(e, 3, 3);
        out.set(engineCall({arg(0).term(), arg(1).term(), asDate(arg(2))}));
        out.type = SqlType::of(SqlType::DateTime);
    } else if (n == u"datediff") {
        arity(e, 3, 3);
        out.set(engineCall({arg(0).term(), asDate(arg(1)), asDate(arg(2))}));
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"substring") {
        arity(e, 3, 3);
        Rendered s = asText(arg(0));
        out.set(engineCall({s.term(), arg(1).term(), arg(2).term()}));
        out.type = SqlType::of(SqlType::VarChar, textLength(s));
    } else if (n == u"ltrim" || n == u"rtrim") {
        arity(e, 1, 1);
        Rendered s = asText(arg(0));
        out.set(call(n.toLatin1(), {s.term(), sqlite::primary(sqlite::text(QStringLiteral(" ")))}));
        out.type = SqlType::of(s.type.base == SqlType::NChar || s.type.base == SqlType::NVarChar
                                   ? SqlType::NVarChar
                                   : SqlType::VarChar,
                               textLength(s));
    } else if (n == u"upper" || n == u"lower") {
        arity(e, 1, 1);
        Rendered s = asText(arg(0));
        out.set(engineCall({s.term()}));
        out.type = s.type.isText() ? s.type : SqlType::of(SqlType::VarChar, 30);
    } else if (n == u"len") {
        arity(e, 1, 1);
        out.set(engineCall({asText(arg(0)).term()}));
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"left" || n == u"right") {
        arity(e, 2, 2);
        Rendered s = asText(arg(0));
        out.set(engineCall({s.term(), arg(1).term()}));
        out.type = SqlType::of(SqlType::VarChar, textLength(s));
    } else if (n == u"replace") {
        arity(e, 3, 3);
        out.set(engineCall({asText(arg(0)).term(), asText(arg(1)).term(), asText(arg(2)).term()}));
        out.type = SqlType::of(SqlType::VarChar, 8000);
    } else if (n == u"charindex") {
        arity(e, 2, 3);
        out.set(engineCall(optionalArg({asText(arg(0)).term(), asText(arg(1)).term()}, 2)));
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"coalesce" || n == u"isnull") {
        if (n == u"isnull")
            arity(e, 2, 2);
        else if (e.args.size() < 2)
            raise(189, QStringLiteral("The coalesce function requires 2 to 254 arguments."));
        std::vector<Rendered> args;
        SqlType t;
        for (size_t k = 0; k < e.args.size(); ++k) {
            args.push_back(arg(k));
            t = commonType(t, args.back().type);
        }
        if (n == u"isnull" && args[0].type.known())
            t = args[0].type;
        std::vector<Term> terms;
        for (auto& a : args) {
            if (t.isDate() && !a.type.isDate() && a.sql != "NULL")
                terms.push_back(asDate(a));
            else if (t.isNumeric() && a.type.isText())
                terms.push_back(a.stringLiteral
                                    ? sqlite::real(textToNumber(a.literal, t).toDouble())
                                    : convertTo(a, t));
            else
                terms.push_back(a.term());
        }
        out.set(call(n == u"isnull" ? "ifnull" : "coalesce", terms));
        out.type = t;
    } else if (n == u"nullif") {
        arity(e, 2, 2);
        Rendered a = arg(0), b = arg(1);
        out.set(call("nullif", {a.term(), b.term()}));
        out.type = a.type;
    } else if (n == u"abs") {
        arity(e, 1, 1);
        Rendered a = arg(0);
        out.set(checkedInteger(call("abs", {a.term()}), a.type));
        out.type = a.type;
    } else if (n == u"round") {
        arity(e, 2, 3);
        Rendered a = arg(0);
        out.set(engineCall(optionalArg({a.term(), arg(1).term()}, 2)));
        out.type = a.type;
    } else if (n == u"floor" || n == u"ceiling") {
        arity(e, 1, 1);
        Rendered a = arg(0);
        const Term whole = sqlite::cast(a.term(), "INTEGER");
        const Term beyond = sqlite::binary(
            a.term(), n == u"floor" ? sqlite::Operator::Less : sqlite::Operator::Greater, whole);
        out.set(sqlite::binary(
            whole, n == u"floor" ? sqlite::Operator::Subtract : sqlite::Operator::Add, beyond));
        out.type = a.type.isInteger() ? a.type : SqlType::decimal(38, 0);
    } else if (n == u"power" || n == u"sqrt" || n == u"exp" || n == u"log" || n == u"log10") {
        arity(e, n == u"power" ? 2 : 1, n == u"power" ? 2 : 1);
        static const QHash<QString, QByteArray> names = {{QStringLiteral("power"), "pow"},
                                                         {QStringLiteral("sqrt"), "sqrt"},
                                                         {QStringLiteral("exp"), "exp"},
                                                         {QStringLiteral("log"), "ln"},
                                                         {QStringLiteral("log10"), "log10"}};
        Rendered a = arg(0);
        out.set(call(names.value(n), optionalArg({a.term()}, 1)));
        // POWER keeps the type of its first argument; the others are float.
        out.type = n == u"power" && a.type.known() ? a.type : SqlType::of(SqlType::Float);
        if (n == u"power" && a.type.isInteger())
            out.set(checkedInteger(sqlite::cast(out.term(), "INTEGER"), a.type));
    } else if (n == u"str") {
        arity(e, 1, 3);
        Rendered a = arg(0);
        const Term len = e.args.size() > 1 ? arg(1).term() : sqlite::integer(10);
        const Term dec = e.args.size() > 2 ? arg(2).term() : sqlite::integer(0);
        out.set(engineCall({a.term(), len, dec}));
        out.type = SqlType::of(SqlType::VarChar, 8000);
    } else if (n == u"reverse") {
        arity(e, 1, 1);
        Rendered a = asText(arg(0));
        out.set(engineCall({a.term()}));
        out.type = a.type.isText() ? a.type : SqlType::of(SqlType::VarChar, 30);
    } else if (n == u"sign") {
        arity(e, 1, 1);
        Rendered a = arg(0);
        out.set(sqlite::primary("CASE WHEN " + a.sql + " > 0 THEN 1 WHEN " + a.sql +
                                " < 0 THEN -1 WHEN " + a.sql + " = 0 THEN 0 END"));
        out.type = a.type;
    } else if (n == u"char" || n == u"nchar") {
        arity(e, 1, 1);
        out.set(call("char", {arg(0).term()}));
        out.type = SqlType::of(SqlType::Char, 1);
    } else if (n == u"ascii" || n == u"unicode") {
        arity(e, 1, 1);
        out.set(call("unicode", {asText(arg(0)).term()}));
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"space") {
        arity(e, 1, 1);
        out.set(engineCall({arg(0).term()}));
        out.type = SqlType::of(SqlType::VarChar, 8000);
    } else if (n == u"replicate") {
        arity(e, 2, 2);
        out.set(engineCall({asText(arg(0)).term(), arg(1).term()}));
        out.type = SqlType::of(SqlType::VarChar, 8000);
    } else if (n == u"isdate" || n == u"isnumeric") {
        arity(e, 1, 1);
        out.set(engineCall({arg(0).term()}));
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"object_id" || n == u"type_id") {
        arity(e, 1, n == u"type_id" ? 1 : 2);
        out.set(call(n.toLatin1(), {arg(0).term()}));
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"scope_identity" || n == u"db_name" || n == u"user_name" ||
               n == u"suser_sname" || n == u"host_name" || n == u"app_name" ||
               n == u"error_message" || n == u"error_number" || n == u"error_severity" ||
               n == u"error_state" || n == u"error_line" || n == u"error_procedure" ||
               n == u"xact_state" || n == u"system_user" || n == u"current_user") {
        if (n == u"db_name" && !e.args.empty())
            notSupported(QStringLiteral("DB_NAME with an argument"));
        arity(e, 0, 0);
        out.set(slot(Slot::Context, 0, n.toUpper()));
        const bool text = n == u"db_name" || n == u"user_name" || n == u"suser_sname" ||
                          n == u"host_name" || n == u"app_name" || n == u"error_message" ||
                          n == u"error_procedure" || n == u"system_user" || n == u"current_user";
        out.type = text ? SqlType::of(SqlType::NVarChar, 4000)
                        : SqlType::of(n == u"scope_identity" ? SqlType::BigInt : SqlType::Int);
    } else {
        raise(195, QStringLiteral("'%1' is not a recognized built-in function name.").arg(n));
    }
    return out;
}

}  // namespace tsql
