// Rendering of expressions: operators, literals, names, CASE, CAST/CONVERT, sub-selects.
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

namespace {

QByteArray sqlString(const QString& s) {
    QByteArray b = s.toUtf8();
    b.replace('\'', "''");
    return "'" + b + "'";
}

bool isComparison(const QString& op) {
    return op == u"=" || op == u"<>" || op == u"<" || op == u">" || op == u"<=" || op == u">=";
}

}  // namespace

QByteArray SqliteEmitter::slot(Slot::Kind kind, int index, const QString& name) {
    for (size_t k = 0; k < out_.bindings.size(); ++k) {
        const Slot& s = out_.bindings[k];
        if (s.kind == kind && s.index == index && s.name == name)
            return "?" + QByteArray::number(static_cast<int>(k) + 1);
    }
    out_.bindings.push_back({kind, index, name});
    return "?" + QByteArray::number(static_cast<int>(out_.bindings.size()));
}

QByteArray SqliteEmitter::convertTo(const Rendered& r, const SqlType& to, int style, bool store) {
    QByteArray s = "tsql_convert(" + r.sql + ", '" + to.toSql().toUtf8() + "', " +
                   (style < 0 ? QByteArray("NULL") : QByteArray::number(style)) + ", '" +
                   r.type.toSql().toUtf8() + "'";
    if (store)
        s += ", 1";
    return s + ")";
}

SqliteEmitter::Rendered SqliteEmitter::literal(const Expr& e) {
    Rendered r;
    switch (e.lit) {
        case Expr::Null:
            r.sql = "NULL";
            break;
        case Expr::Integer: {
            r.sql = e.text.toUtf8();
            bool ok = false;
            qint64 v = e.text.toLongLong(&ok);
            // As in SQL Server, a literal beyond int is numeric(digits, 0).
            if (ok && v >= -2147483648LL && v <= 2147483647LL)
                r.type = SqlType::of(SqlType::Int);
            else
                r.type = SqlType::decimal(
                    std::min(38, static_cast<int>(e.text.size()) - (e.text.startsWith(u'-'))), 0);
            break;
        }
        case Expr::Decimal: {
            QString t = e.text;
            if (t.startsWith(u'.') || t.startsWith(QStringLiteral("-.")))
                t.insert(t.indexOf(u'.'), u'0');
            if (t.endsWith(u'.'))
                t += u'0';
            r.sql = t.toUtf8();
            int dot = static_cast<int>(t.indexOf(u'.'));
            int scale = static_cast<int>(t.size()) - dot - 1;
            int digits = static_cast<int>(t.size()) - 1 - (t.startsWith(u'-') ? 1 : 0);
            r.type = SqlType::decimal(std::max(digits, scale), scale);
            break;
        }
        case Expr::Float:
            r.sql = e.text.toUtf8();
            r.type = SqlType::of(SqlType::Float);
            break;
        case Expr::String:
            r.sql = sqlString(e.text);
            r.type = SqlType::of(e.national ? SqlType::NVarChar : SqlType::VarChar,
                                 std::max(1, static_cast<int>(e.text.size())));
            r.stringLiteral = true;
            r.literal = e.text;
            break;
    }
    return r;
}

void SqliteEmitter::harmonise(Rendered& l, Rendered& r, bool& text) {
    text = false;
    if (l.type.isDate() && !r.type.isDate()) {
        if (r.stringLiteral) {
            auto dt = parseDateText(r.literal);
            if (!dt)
                raise(err::DateConversion, QStringLiteral("Conversion failed when converting date "
                                                          "and/or time from character string."));
            r.sql = "'" + canonicalDate(*dt) + "'";
        } else if (r.type.isText() || !r.type.known()) {
            r.sql = convertTo(r, SqlType::of(SqlType::DateTime));
        } else if (r.type.isNumeric()) {
            r.sql = convertTo(r, SqlType::of(SqlType::DateTime));
        }
        r.type = SqlType::of(SqlType::DateTime);
        return;
    }
    if (r.type.isDate() && !l.type.isDate()) {
        harmonise(r, l, text);
        return;
    }
    if (l.type.isNumeric() && r.stringLiteral) {
        Value v = textToNumber(r.literal, l.type.isInteger() ? SqlType::of(SqlType::Int)
                                                             : SqlType::of(SqlType::Float));
        r.sql = v.kind == Value::Int ? QByteArray::number(v.i) : QByteArray::number(v.d, 'g', 17);
        r.type = v.kind == Value::Int ? SqlType::of(SqlType::Int) : SqlType::of(SqlType::Float);
        return;
    }
    if (r.type.isNumeric() && l.stringLiteral) {
        harmonise(r, l, text);
        return;
    }
    text = (l.type.isText() && (r.type.isText() || !r.type.known())) ||
           (r.type.isText() && !l.type.known());
}

SqliteEmitter::Rendered SqliteEmitter::comparison(const QString& op, Rendered l, Rendered r) {
    bool text = false;
    harmonise(l, r, text);
    Rendered out;
    out.type = SqlType::of(SqlType::Bit);
    out.sql = "(" + l.sql + " " + op.toUtf8() + " " + r.sql + (text ? " COLLATE NOCASE)" : ")");
    return out;
}

SqliteEmitter::Rendered SqliteEmitter::arithmetic(const QString& op, Rendered l, Rendered r) {
    Rendered out;
    const bool lText = l.type.isText(), rText = r.type.isText();
    if (op == u"+" && ((lText && (rText || !r.type.known())) || (rText && !l.type.known()))) {
        out.sql = "(" + l.sql + " || " + r.sql + ")";
        out.type = commonType(l.type, r.type);
        if (l.type.known() && r.type.known() && l.type.length >= 0 && r.type.length >= 0)
            out.type.length = l.type.length + r.type.length;
        if (out.type.isFixedText())
            out.type.base = out.type.base == SqlType::NChar ? SqlType::NVarChar : SqlType::VarChar;
        return out;
    }
    if ((op == u"+" || op == u"-") && (l.type.isDate() || r.type.isDate())) {
        if (l.type.isDate() && r.type.isDate())
            notSupported(QStringLiteral("subtracting one date from another"));
        Rendered date = l.type.isDate() ? l : r;
        Rendered days = l.type.isDate() ? r : l;
        QByteArray sign = op == u"-" ? "-" : "";
        out.sql = "tsql_convert(tsql_convert(" + date.sql + ", 'float', NULL, 'datetime') " +
                  (op == u"-" ? "-" : "+") + " " + days.sql + ", 'datetime', NULL, 'float')";
        (void)sign;
        out.type = SqlType::of(SqlType::DateTime);
        return out;
    }
    // A text operand of arithmetic converts to the other operand's number type.
    if (lText && r.type.isNumeric()) {
        l.sql = convertTo(l, r.type.isInteger() ? SqlType::of(SqlType::Int) : r.type);
        l.type = r.type;
    } else if (rText && l.type.isNumeric()) {
        r.sql = convertTo(r, l.type.isInteger() ? SqlType::of(SqlType::Int) : l.type);
        r.type = l.type;
    } else if (lText || rText) {
        if (op != u"+")
            raise(402, QStringLiteral("The data types varchar and varchar are incompatible in the "
                                      "%1 operator.")
                           .arg(op == u"-" ? QStringLiteral("subtract") : op));
    }
    SqlType t = commonType(l.type, r.type);
    if (op == u"&" || op == u"|" || op == u"^") {
        out.type = t.isInteger() ? t : SqlType::of(SqlType::Int);
        out.sql = op == u"^" ? "((" + l.sql + " | " + r.sql + ") - (" + l.sql + " & " + r.sql + "))"
                             : "(" + l.sql + " " + op.toUtf8() + " " + r.sql + ")";
        return out;
    }
    if (op == u"/" || op == u"%") {
        QByteArray left = l.sql;
        // Decimal values that happen to be whole are stored as SQLite integers: divide as reals.
        if (op == u"/" && t.known() && !t.isInteger())
            left = "CAST(" + l.sql + " AS REAL)";
        out.sql = "(" + left + " " + op.toUtf8() + " tsql_nz(" + r.sql + "))";
        if (t.base == SqlType::Decimal && op == u"/") {
            int scale = std::max(6, l.type.scale + r.type.precision + 1);
            t = SqlType::decimal(38, std::min(scale, 38));
        }
        out.type = t;
        return out;
    }
    out.sql = "(" + l.sql + " " + op.toUtf8() + " " + r.sql + ")";
    if (t.base == SqlType::Decimal && op == u"*" && l.type.base == SqlType::Decimal &&
        r.type.base == SqlType::Decimal)
        t = SqlType::decimal(std::min(38, l.type.precision + r.type.precision + 1),
                             l.type.scale + r.type.scale);
    out.type = t;
    return out;
}

SqliteEmitter::Rendered SqliteEmitter::binary(const Expr& e) {
    if (e.op == u"AND" || e.op == u"OR") {
        Rendered l = expr(*e.a), r = expr(*e.b);
        Rendered out;
        out.type = SqlType::of(SqlType::Bit);
        out.sql = "(" + l.sql + " " + e.op.toUtf8() + " " + r.sql + ")";
        return out;
    }
    Rendered l = expr(*e.a), r = expr(*e.b);
    if (isComparison(e.op))
        return comparison(e.op, std::move(l), std::move(r));
    return arithmetic(e.op, std::move(l), std::move(r));
}

SqliteEmitter::Rendered SqliteEmitter::caseExpr(const Expr& e) {
    Rendered out;
    out.sql = "CASE";
    std::optional<Rendered> operand;
    if (e.a)
        operand = expr(*e.a);
    SqlType t;
    for (const auto& [when, then] : e.whens) {
        Rendered w;
        if (operand)
            w = comparison(QStringLiteral("="), *operand, expr(*when));
        else
            w = expr(*when);
        Rendered th = expr(*then);
        t = commonType(t, th.type);
        out.sql += " WHEN " + w.sql + " THEN " + th.sql;
    }
    if (e.c) {
        Rendered el = expr(*e.c);
        t = commonType(t, el.type);
        out.sql += " ELSE " + el.sql;
    }
    out.sql += " END";
    out.type = t;
    return out;
}

SqliteEmitter::Rendered SqliteEmitter::cast(const Expr& e) {
    Rendered v = expr(*e.a);
    SqlType to = binder_.env().resolveType(e.castType, QString());
    int style = -1;
    if (e.b) {
        if (e.b->kind != Expr::Literal || e.b->lit != Expr::Integer)
            notSupported(QStringLiteral("a CONVERT style that is not a number literal"));
        style = e.b->text.toInt();
    }
    Rendered out;
    if (v.stringLiteral && !to.isText()) {
        // Constant conversions of literals are done once, here.
        Value c = convertValue(Value::text(v.literal), v.type, to, style);
        out.sql = c.kind == Value::Int    ? QByteArray::number(c.i)
                  : c.kind == Value::Real ? QByteArray::number(c.d, 'g', 17)
                                          : sqlString(c.toString());
    } else if (v.sql == "NULL") {
        out.sql = "NULL";
    } else {
        out.sql = convertTo(v, to, style);
    }
    out.type = to;
    return out;
}

namespace {

// TOP 1, or a lone aggregate without GROUP BY: the sub-select cannot yield a second row.
bool yieldsAtMostOneRow(const Select& s) {
    if (s.cores.size() != 1)
        return false;
    const SelectCore& c = s.cores[0];
    if (c.top && c.top->kind == Expr::Literal && c.top->text == u"1")
        return true;
    if (!c.groupBy.empty() || c.items.size() != 1 || !c.items[0].expr)
        return false;
    const Expr& e = *c.items[0].expr;
    if (e.kind != Expr::Function || e.over)
        return false;
    return e.text == u"count" || e.text == u"sum" || e.text == u"min" || e.text == u"max" ||
           e.text == u"avg" || e.text == u"count_big";
}

}  // namespace

SqliteEmitter::Rendered SqliteEmitter::subquery(const Select& s, bool scalar) {
    std::vector<OutColumn> cols;
    Rendered out;
    out.sql = "(" + selectSql(s, &cols) + ")";
    if (scalar) {
        if (cols.size() != 1)
            raise(116, QStringLiteral("Only one expression can be specified in the select list "
                                      "when the subquery is not introduced with EXISTS."));
        out.type = cols[0].type;
        if (!yieldsAtMostOneRow(s)) {
            // SQLite would take the first row; SQL Server refuses a second one (512).
            const QByteArray name =
                Binder::quote(cols[0].name.isEmpty() ? QStringLiteral("_c1") : cols[0].name);
            out.sql =
                "(SELECT CASE WHEN count(*) > 1 THEN tsql_raise(512, 'Subquery returned more "
                "than 1 value. This is not permitted when the subquery follows =, !=, <, <= "
                ", >, >= or when the subquery is used as an expression.') ELSE min(" +
                name + ") END FROM (SELECT * FROM " + out.sql + " LIMIT 2))";
        }
    }
    return out;
}

SqliteEmitter::Rendered SqliteEmitter::expr(const Expr& e) {
    switch (e.kind) {
        case Expr::Literal:
            return literal(e);
        case Expr::Column: {
            // ORDER BY and similar may name a select-list alias.
            if (e.parts.size() == 1) {
                try {
                    BoundColumn c = binder_.column(e.parts);
                    Rendered r;
                    r.sql = c.sql;
                    r.type = c.type;
                    r.column = true;
                    return r;
                } catch (const db::Error&) {
                    if (auto a = binder_.selectAlias(e.parts[0])) {
                        Rendered r;
                        r.sql = Binder::quote(a->first);
                        r.type = a->second;
                        return r;
                    }
                    throw;
                }
            }
            BoundColumn c = binder_.column(e.parts);
            Rendered r;
            r.sql = c.sql;
            r.type = c.type;
            r.column = true;
            return r;
        }
        case Expr::Variable: {
            auto t = binder_.env().variableType(e.text);
            if (!t)
                undeclaredVariable(e.text);
            Rendered r;
            r.sql = slot(Slot::Variable, 0, e.text.toLower());
            r.type = *t;
            return r;
        }
        case Expr::Global: {
            Rendered r;
            r.sql = slot(Slot::Context, 0, e.text);
            r.type = (e.text == u"@@VERSION" || e.text == u"@@SERVERNAME" ||
                      e.text == u"@@SERVICENAME" || e.text == u"@@LANGUAGE")
                         ? SqlType::of(SqlType::NVarChar, 256)
                         : SqlType::of(e.text == u"@@IDENTITY" ? SqlType::BigInt : SqlType::Int);
            return r;
        }
        case Expr::Param: {
            Rendered r;
            r.sql = slot(Slot::Param, e.paramIndex, QString());
            r.type = binder_.env().parameterType(e.paramIndex);
            return r;
        }
        case Expr::Unary: {
            Rendered v = expr(*e.a);
            Rendered r;
            if (e.op == u"NOT") {
                r.sql = "(NOT " + v.sql + ")";
                r.type = SqlType::of(SqlType::Bit);
            } else {
                if (v.type.isText())
                    v.sql = convertTo(v, SqlType::of(SqlType::Float));
                r.sql = "(" + e.op.toUtf8() + v.sql + ")";
                r.type = v.type.isText() ? SqlType::of(SqlType::Float) : v.type;
            }
            return r;
        }
        case Expr::Binary:
            return binary(e);
        case Expr::IsNull: {
            Rendered v = expr(*e.a);
            Rendered r;
            r.sql = "(" + v.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)");
            r.type = SqlType::of(SqlType::Bit);
            return r;
        }
        case Expr::Between: {
            Rendered v = expr(*e.a), lo = expr(*e.b), hi = expr(*e.c);
            bool text1 = false, text2 = false;
            Rendered v2 = v;
            harmonise(v, lo, text1);
            harmonise(v2, hi, text2);
            Rendered r;
            r.sql = "(" + v.sql + ((text1 || text2) ? " COLLATE NOCASE" : "") +
                    (e.negated ? " NOT BETWEEN " : " BETWEEN ") + lo.sql + " AND " + hi.sql + ")";
            r.type = SqlType::of(SqlType::Bit);
            return r;
        }
        case Expr::Like: {
            Rendered v = expr(*e.a), p = expr(*e.b);
            Rendered r;
            if (v.type.isDate())
                v.sql = convertTo(v, SqlType::of(SqlType::VarChar, 30));
            r.sql = "(" + v.sql + (e.negated ? " NOT LIKE " : " LIKE ") + p.sql;
            if (e.c)
                r.sql += " ESCAPE " + expr(*e.c).sql;
            r.sql += ")";
            r.type = SqlType::of(SqlType::Bit);
            return r;
        }
        case Expr::InList: {
            Rendered v = expr(*e.a);
            QByteArray items;
            bool text = false;
            for (const auto& item : e.args) {
                Rendered i = expr(*item);
                Rendered left = v;
                bool t = false;
                harmonise(left, i, t);
                text = text || t;
                if (!items.isEmpty())
                    items += ", ";
                items += i.sql;
            }
            Rendered r;
            r.sql = "(" + v.sql + (text ? " COLLATE NOCASE" : "") +
                    (e.negated ? " NOT IN (" : " IN (") + items + "))";
            r.type = SqlType::of(SqlType::Bit);
            return r;
        }
        case Expr::InSelect: {
            Rendered v = expr(*e.a);
            std::vector<OutColumn> cols;
            QByteArray sub = selectSql(*e.select, &cols);
            if (cols.size() != 1)
                raise(116, QStringLiteral("Only one expression can be specified in the select "
                                          "list when the subquery is not introduced with EXISTS."));
            bool text = v.type.isText() && cols[0].type.isText();
            Rendered r;
            r.sql = "(" + v.sql + (text ? " COLLATE NOCASE" : "") +
                    (e.negated ? " NOT IN (" : " IN (") + sub + "))";
            r.type = SqlType::of(SqlType::Bit);
            return r;
        }
        case Expr::Exists: {
            std::vector<OutColumn> cols;
            Rendered r;
            r.sql = "(EXISTS (" + selectSql(*e.select, &cols) + "))";
            r.type = SqlType::of(SqlType::Bit);
            return r;
        }
        case Expr::Subquery:
            return subquery(*e.select, true);
        case Expr::Case:
            return caseExpr(e);
        case Expr::Function:
            return function(e);
        case Expr::Cast:
            return cast(e);
        case Expr::Star:
            raise(err::Syntax, QStringLiteral("Incorrect syntax near '*'."));
    }
    notSupported(QStringLiteral("this expression"));
}

QByteArray SqliteEmitter::literalSql(const Expr& e, SqlType* type) {
    Rendered r = expr(e);
    if (type)
        *type = r.type;
    return r.sql;
}

}  // namespace tsql
