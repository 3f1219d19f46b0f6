// Rendering of calls of built-in functions and context values through their rows.
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

using sqlite::call;
using sqlite::Term;

SqliteEmitter::Rendered SqliteEmitter::function(const Expr& e) {
    if (e.isUserFunction())
        return userFunction(e);
    if (e.builtin->kind == Builtin::Context)
        return context(*e.builtin);
    FunctionCall call(*this, e);
    e.builtin->render(call);
    return call.result;
}

// The user function a call was bound to, which the catalogue still holds while the statement is
// made.
std::shared_ptr<const CreateFunctionStmt> SqliteEmitter::called(
    const std::weak_ptr<const CreateFunctionStmt>& function) {
    std::shared_ptr<const CreateFunctionStmt> f = function.lock();
    if (!f)
        notSupported(
            QStringLiteral("a user function dropped while a statement calling it was made"));
    return f;
}

SqliteEmitter::Rendered SqliteEmitter::userFunction(const Expr& e) {
    const std::shared_ptr<const CreateFunctionStmt> function = called(e.function);
    const CreateFunctionStmt& f = *function;
    std::vector<Term> args{sqlite::primary(sqlite::text(f.name.name))};
    for (size_t k = 0; k < e.args.size(); ++k) {
        const Expr& given = *e.args[k];
        const Expr& value = given.kind == Expr::Default ? *f.params[k].defaultValue : given;
        args.push_back(convertTo(expr(value), f.params[k].type));
    }
    Rendered r;
    r.set(call("tsql_udf", args));
    return r;
}

SqliteEmitter::Rendered SqliteEmitter::context(const Builtin& b) {
    Rendered r;
    r.set(slot({Slot::Context, 0, QString(), &b}));
    return r;
}

namespace {

QByteArray boundSql(const WindowFrame::Bound& b) {
    switch (b.kind) {
        case WindowFrame::Bound::UnboundedPreceding:
            return "UNBOUNDED PRECEDING";
        case WindowFrame::Bound::Preceding:
            return sqlite::integer(b.offset).text + " PRECEDING";
        case WindowFrame::Bound::CurrentRow:
            return "CURRENT ROW";
        case WindowFrame::Bound::Following:
            return sqlite::integer(b.offset).text + " FOLLOWING";
        case WindowFrame::Bound::UnboundedFollowing:
            return "UNBOUNDED FOLLOWING";
    }
    return {};
}

QByteArray frameSql(const WindowFrame& f) {
    return QByteArray(f.range ? " RANGE" : " ROWS") + " BETWEEN " + boundSql(f.start) + " AND " +
           boundSql(f.end);
}

}  // namespace

QByteArray SqliteEmitter::overSql(const WindowSpec& over) {
    QByteArray sql = " OVER (";
    if (!over.partitionBy.empty()) {
        std::vector<QByteArray> parts;
        for (const auto& p : over.partitionBy)
            parts.push_back(expr(*p).sql);
        sql += "PARTITION BY " + sqlite::list(parts);
    }
    if (!over.orderBy.empty()) {
        if (!over.partitionBy.empty())
            sql += " ";
        sql += orderSql(over.orderBy, nullptr);
    }
    if (over.frame)
        sql += frameSql(*over.frame);
    return sql + ")";
}

// ---- FunctionCall ----

SqliteEmitter::Rendered FunctionCall::arg(size_t k) {
    return emitter_.expr(*call_.args[k]);
}

SqliteEmitter::Rendered FunctionCall::text(size_t k) {
    Rendered r = arg(k);
    if (!r.type.isText() && r.type.known())
        r.set(emitter_.convertTo(r, SqlType::of(SqlType::VarChar, 30)));
    return r;
}

Term FunctionCall::date(size_t k) {
    return date(arg(k));
}

Term FunctionCall::date(const Rendered& r) {
    if (r.type.isTemporal())
        return r.term();
    if (r.stringLiteral) {
        return sqlite::primary(sqlite::text(dateConstant(r.literal)));
    }
    return convert(r, SqlType::of(SqlType::DateTime));
}

Term FunctionCall::convert(const Rendered& r, const SqlType& to) {
    return emitter_.convertTo(r, to);
}

Term FunctionCall::engine(const std::vector<Term>& args) const {
    return call("tsql_" + call_.text.toLatin1(), args);
}

std::vector<Term> FunctionCall::withOptional(std::vector<Term> args, size_t k) {
    if (call_.args.size() > k)
        args.push_back(arg(k).term());
    return args;
}

Term FunctionCall::session(const char* name) {
    return emitter_.context(*findBuiltin(QLatin1String(name))).term();
}

Term FunctionCall::aggregate(const QByteArray& function, const Term& arg) {
    const QByteArray distinct = call_.distinct ? "DISTINCT " : "";
    const QByteArray over = call_.over ? emitter_.overSql(*call_.over) : QByteArray();
    return sqlite::primary(function + "(" + distinct + arg.text + ")" + over);
}

std::vector<Term> FunctionCall::withinGroupKeys() {
    std::vector<Term> keys;
    if (call_.withinGroup)
        for (const OrderItem& o : call_.withinGroup->orderBy) {
            const Rendered key = emitter_.expr(*o.expr);
            // Exact numbers are held as texts: they order by value.
            keys.push_back(key.type.isDecimal() ? sqlite::cast(key.term(), "REAL") : key.term());
            keys.push_back(sqlite::integer(o.descending ? 1 : 0));
        }
    return keys;
}

Term FunctionCall::window(const std::vector<Term>& args) {
    return sqlite::primary(call(call_.text.toLatin1(), args).text + emitter_.overSql(*call_.over));
}

void FunctionCall::setResult(const Term& value) {
    result.set(value);
}

}  // namespace tsql
