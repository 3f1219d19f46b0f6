// Rendering of built-in functions, aggregates and window functions.
#include <QHash>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

namespace {

bool isAggregate(const QString& n) {
    return n == u"count" || n == u"sum" || n == u"avg" || n == u"min" || n == u"max" ||
           n == u"count_big" || n == u"stdev" || n == u"var";
}

bool isWindowOnly(const QString& n) {
    return n == u"rank" || n == u"dense_rank" || n == u"row_number" || n == u"ntile" ||
           n == u"lag" || n == u"lead" || n == u"first_value" || n == u"last_value";
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
        out.sql = "count(*)";
        out.type = SqlType::of(n == u"count" ? SqlType::Int : SqlType::BigInt);
        return out;
    }
    arity(e, 1, 1);
    Rendered a = expr(*e.args[0]);
    QByteArray distinct = e.distinct ? "DISTINCT " : "";
    if (n == u"count" || n == u"count_big") {
        out.sql = "count(" + distinct + a.sql + ")";
        out.type = SqlType::of(n == u"count" ? SqlType::Int : SqlType::BigInt);
    } else if (n == u"sum") {
        if (a.type.isText())
            raise(8117, QStringLiteral("Operand data type varchar is invalid for sum operator."));
        out.sql = "sum(" + distinct + a.sql + ")";
        out.type = a.type.base == SqlType::Decimal ? SqlType::decimal(38, a.type.scale)
                   : a.type.isInteger() && a.type.base != SqlType::BigInt
                       ? SqlType::of(SqlType::Int)
                       : a.type;
    } else if (n == u"avg") {
        if (a.type.isText())
            raise(8117, QStringLiteral("Operand data type varchar is invalid for avg operator."));
        out.sql = "avg(" + distinct + a.sql + ")";
        if (a.type.isInteger())
            out.sql = "CAST(" + out.sql + " AS INTEGER)";  // integer average truncates
        out.type = a.type.base == SqlType::Decimal ? SqlType::decimal(38, std::max(6, a.type.scale))
                                                   : a.type;
    } else if (n == u"min" || n == u"max") {
        out.sql = n.toUtf8() + "(" + distinct + a.sql +
                  (a.type.isText() && !a.column ? " COLLATE NOCASE" : "") + ")";
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
            r.sql = convertTo(r, SqlType::of(SqlType::VarChar, 30));
        return r;
    };
    auto asDate = [&](Rendered r) {
        if (r.type.isDate())
            return r.sql;
        if (r.stringLiteral) {
            auto dt = parseDateText(r.literal);
            if (!dt)
                raise(err::DateConversion, QStringLiteral("Conversion failed when converting date "
                                                          "and/or time from character string."));
            return "'" + canonicalDate(*dt) + "'";
        }
        return convertTo(r, SqlType::of(SqlType::DateTime));
    };
    auto textLength = [](const Rendered& r) { return r.type.isText() ? r.type.length : 30; };

    if (e.over) {
        if (!isAggregate(n) && !isWindowOnly(n))
            raise(4108, QStringLiteral("Windowed functions are only allowed for aggregates and "
                                       "ranking functions."));
        QByteArray call;
        if (isAggregate(n)) {
            Rendered a = aggregate(e, n);
            call = a.sql;
            out.type = a.type;
        } else {
            QByteArray args;
            for (size_t k = 0; k < e.args.size(); ++k) {
                Rendered a = arg(k);
                if (k == 0)
                    out.type = a.type;
                args += (k ? ", " : "") + a.sql;
            }
            if (n == u"rank" || n == u"dense_rank" || n == u"row_number" || n == u"ntile")
                out.type = SqlType::of(SqlType::BigInt);
            call = n.toUtf8() + "(" + args + ")";
        }
        QByteArray over = " OVER (";
        if (!e.over->partitionBy.empty()) {
            over += "PARTITION BY ";
            for (size_t k = 0; k < e.over->partitionBy.size(); ++k)
                over += (k ? ", " : "") + expr(*e.over->partitionBy[k]).sql;
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
        out.sql = call + over + ")";
        return out;
    }
    if (isWindowOnly(n))
        raise(10753, QStringLiteral("The function '%1' must have an OVER clause.").arg(n));
    if (isAggregate(n))
        return aggregate(e, n);

    if (n == u"getdate" || n == u"sysdatetime" || n == u"getutcdate" || n == u"current_timestamp") {
        arity(e, 0, 0);
        out.sql = "tsql_getdate()";
        out.type = SqlType::of(SqlType::DateTime);
    } else if (n == u"year" || n == u"month" || n == u"day") {
        arity(e, 1, 1);
        out.sql = "tsql_datepart('" + n.toUtf8() + "', " + asDate(arg(0)) + ")";
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"datepart") {
        arity(e, 2, 2);
        out.sql = "tsql_datepart(" + arg(0).sql + ", " + asDate(arg(1)) + ")";
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"dateadd") {
        arity(e, 3, 3);
        out.sql = "tsql_dateadd(" + arg(0).sql + ", " + arg(1).sql + ", " + asDate(arg(2)) + ")";
        out.type = SqlType::of(SqlType::DateTime);
    } else if (n == u"datediff") {
        arity(e, 3, 3);
        out.sql =
            "tsql_datediff(" + arg(0).sql + ", " + asDate(arg(1)) + ", " + asDate(arg(2)) + ")";
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"substring") {
        arity(e, 3, 3);
        Rendered s = asText(arg(0));
        out.sql = "tsql_substring(" + s.sql + ", " + arg(1).sql + ", " + arg(2).sql + ")";
        out.type = SqlType::of(SqlType::VarChar, textLength(s));
    } else if (n == u"ltrim" || n == u"rtrim") {
        arity(e, 1, 1);
        Rendered s = asText(arg(0));
        out.sql = n.toUtf8() + "(" + s.sql + ", ' ')";
        out.type = SqlType::of(s.type.base == SqlType::NChar || s.type.base == SqlType::NVarChar
                                   ? SqlType::NVarChar
                                   : SqlType::VarChar,
                               textLength(s));
    } else if (n == u"upper" || n == u"lower") {
        arity(e, 1, 1);
        Rendered s = asText(arg(0));
        out.sql = "tsql_" + n.toUtf8() + "(" + s.sql + ")";
        out.type = s.type.isText() ? s.type : SqlType::of(SqlType::VarChar, 30);
    } else if (n == u"len") {
        arity(e, 1, 1);
        out.sql = "tsql_len(" + asText(arg(0)).sql + ")";
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"left" || n == u"right") {
        arity(e, 2, 2);
        Rendered s = asText(arg(0));
        out.sql = "tsql_" + n.toUtf8() + "(" + s.sql + ", " + arg(1).sql + ")";
        out.type = SqlType::of(SqlType::VarChar, textLength(s));
    } else if (n == u"replace") {
        arity(e, 3, 3);
        out.sql = "tsql_replace(" + asText(arg(0)).sql + ", " + asText(arg(1)).sql + ", " +
                  asText(arg(2)).sql + ")";
        out.type = SqlType::of(SqlType::VarChar, 8000);
    } else if (n == u"charindex") {
        arity(e, 2, 3);
        out.sql = "tsql_charindex(" + asText(arg(0)).sql + ", " + asText(arg(1)).sql +
                  (e.args.size() > 2 ? ", " + arg(2).sql : QByteArray()) + ")";
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
        QByteArray list;
        for (auto& a : args) {
            if (t.isDate() && !a.type.isDate() && a.sql != "NULL")
                a.sql = asDate(a);
            else if (t.isNumeric() && a.type.isText())
                a.sql = a.stringLiteral
                            ? QByteArray::number(textToNumber(a.literal, t).toDouble(), 'g', 17)
                            : convertTo(a, t);
            list += (list.isEmpty() ? "" : ", ") + a.sql;
        }
        out.sql = (n == u"isnull" ? "ifnull(" : "coalesce(") + list + ")";
        out.type = t;
    } else if (n == u"nullif") {
        arity(e, 2, 2);
        Rendered a = arg(0), b = arg(1);
        out.sql = "nullif(" + a.sql + ", " + b.sql + ")";
        out.type = a.type;
    } else if (n == u"abs") {
        arity(e, 1, 1);
        Rendered a = arg(0);
        out.sql = "abs(" + a.sql + ")";
        out.type = a.type;
    } else if (n == u"round") {
        arity(e, 2, 3);
        Rendered a = arg(0);
        out.sql = "tsql_round(" + a.sql + ", " + arg(1).sql +
                  (e.args.size() > 2 ? ", " + arg(2).sql : QByteArray()) + ")";
        out.type = a.type;
    } else if (n == u"floor" || n == u"ceiling") {
        arity(e, 1, 1);
        Rendered a = arg(0);
        QByteArray i = "CAST(" + a.sql + " AS INTEGER)";
        out.sql = n == u"floor" ? "(" + i + " - (" + a.sql + " < " + i + "))"
                                : "(" + i + " + (" + a.sql + " > " + i + "))";
        out.type = a.type.isInteger() ? a.type : SqlType::decimal(38, 0);
    } else if (n == u"power" || n == u"sqrt" || n == u"exp" || n == u"log" || n == u"log10") {
        arity(e, n == u"power" ? 2 : 1, n == u"power" ? 2 : 1);
        static const QHash<QString, QByteArray> names = {{QStringLiteral("power"), "pow"},
                                                         {QStringLiteral("sqrt"), "sqrt"},
                                                         {QStringLiteral("exp"), "exp"},
                                                         {QStringLiteral("log"), "ln"},
                                                         {QStringLiteral("log10"), "log10"}};
        Rendered a = arg(0);
        out.sql =
            names.value(n) + "(" + a.sql + (n == u"power" ? ", " + arg(1).sql : QByteArray()) + ")";
        // POWER keeps the type of its first argument; the others are float.
        out.type = n == u"power" && a.type.known() ? a.type : SqlType::of(SqlType::Float);
        if (n == u"power" && a.type.isInteger())
            out.sql = "CAST(" + out.sql + " AS INTEGER)";
    } else if (n == u"str") {
        arity(e, 1, 3);
        Rendered a = arg(0);
        QByteArray len = e.args.size() > 1 ? arg(1).sql : QByteArray("10");
        QByteArray dec = e.args.size() > 2 ? arg(2).sql : QByteArray("0");
        out.sql = "tsql_str(" + a.sql + ", " + len + ", " + dec + ")";
        out.type = SqlType::of(SqlType::VarChar, 8000);
    } else if (n == u"reverse") {
        arity(e, 1, 1);
        Rendered a = asText(arg(0));
        out.sql = "tsql_reverse(" + a.sql + ")";
        out.type = a.type.isText() ? a.type : SqlType::of(SqlType::VarChar, 30);
    } else if (n == u"sign") {
        arity(e, 1, 1);
        Rendered a = arg(0);
        out.sql = "(CASE WHEN " + a.sql + " > 0 THEN 1 WHEN " + a.sql + " < 0 THEN -1 WHEN " +
                  a.sql + " = 0 THEN 0 END)";
        out.type = a.type;
    } else if (n == u"char" || n == u"nchar") {
        arity(e, 1, 1);
        out.sql = "char(" + arg(0).sql + ")";
        out.type = SqlType::of(SqlType::Char, 1);
    } else if (n == u"ascii" || n == u"unicode") {
        arity(e, 1, 1);
        out.sql = "unicode(" + asText(arg(0)).sql + ")";
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"space") {
        arity(e, 1, 1);
        out.sql = "tsql_space(" + arg(0).sql + ")";
        out.type = SqlType::of(SqlType::VarChar, 8000);
    } else if (n == u"replicate") {
        arity(e, 2, 2);
        out.sql = "tsql_replicate(" + asText(arg(0)).sql + ", " + arg(1).sql + ")";
        out.type = SqlType::of(SqlType::VarChar, 8000);
    } else if (n == u"isdate" || n == u"isnumeric") {
        arity(e, 1, 1);
        out.sql = "tsql_" + n.toUtf8() + "(" + arg(0).sql + ")";
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"object_id" || n == u"type_id") {
        arity(e, 1, n == u"type_id" ? 1 : 2);
        out.sql = n.toUtf8() + "(" + arg(0).sql + ")";
        out.type = SqlType::of(SqlType::Int);
    } else if (n == u"scope_identity" || n == u"db_name" || n == u"user_name" ||
               n == u"suser_sname" || n == u"host_name" || n == u"app_name" ||
               n == u"error_message" || n == u"error_number" || n == u"error_severity" ||
               n == u"error_state" || n == u"error_line" || n == u"error_procedure" ||
               n == u"xact_state" || n == u"system_user" || n == u"current_user") {
        if (n == u"db_name" && !e.args.empty())
            notSupported(QStringLiteral("DB_NAME with an argument"));
        arity(e, 0, 0);
        out.sql = slot(Slot::Context, 0, n.toUpper());
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
