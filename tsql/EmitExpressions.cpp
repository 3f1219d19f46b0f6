// Rendering of expressions: operators, literals, names, CASE, CAST/CONVERT, sub-selects. Each
// rendering has its node's type, as the binder marked it.
#include <QHash>
#include <algorithm>

#include "tsql/Collation.h"
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/SqliteEmitter.h"

namespace tsql {

using sqlite::Operator;
using sqlite::Term;

namespace {

bool isComparison(const QString& op) {
    return op == u"=" || op == u"<>" || op == u"<" || op == u">" || op == u"<=" || op == u">=";
}

bool isLogical(const Expr& e) {
    return e.kind == Expr::Binary && (e.op == u"AND" || e.op == u"OR");
}

// A chain of operators this long renders its checked arithmetic as flat calls (binary()), of at
// most this many arguments each (SQLite takes 127).
constexpr size_t kLongChain = 8;
constexpr size_t kChainArguments = 120;

}  // namespace

Term SqliteEmitter::checkedArithmetic(const Term& value, const SqlType& type) {
    const bool checked = (type.isInteger() && type.base != SqlType::Bit) ||
                         type.base == SqlType::Float || type.base == SqlType::Real;
    if (!checked)
        return value;
    return sqlite::call("tsql_checked", {value, sqlite::primary(sqlite::text(type.toSql()))});
}

Term SqliteEmitter::slot(const Slot& slot) {
    for (size_t k = 0; k < out_.bindings.size(); ++k) {
        const Slot& s = out_.bindings[k];
        if (s.kind == slot.kind && s.index == slot.index && s.name == slot.name &&
            s.context == slot.context)
            return passedIn(sqlite::primary("?" + QByteArray::number(static_cast<int>(k) + 1)), -1);
    }
    out_.bindings.push_back(slot);
    return passedIn(
        sqlite::primary("?" + QByteArray::number(static_cast<int>(out_.bindings.size()))), -1);
}

Term SqliteEmitter::convertTo(const Rendered& r, const SqlType& to, int style, ConvertMode mode) {
    std::vector<Term> args{r.term(), sqlite::primary(sqlite::text(to.toSql())),
                           style < 0 ? sqlite::primary("NULL") : sqlite::integer(style),
                           sqlite::primary(sqlite::text(r.type.toSql()))};
    if (mode != ConvertMode::Explicit)
        args.push_back(sqlite::integer(static_cast<int>(mode)));
    return sqlite::call("tsql_convert", args);
}

SqliteEmitter::Rendered SqliteEmitter::literal(const Expr& e) {
    Rendered r;
    switch (e.lit) {
        case Expr::Null:
            r.set(sqlite::primary("NULL"));
            break;
        case Expr::Integer:
            // Beyond int a literal is numeric, held as its exact text.
            r.set(e.type.base == SqlType::Int ? sqlite::number(e.text)
                                              : sqlite::primary(sqlite::text(e.text)));
            break;
        case Expr::Decimal: {
            QString t = e.text;
            if (t.startsWith(u'.') || t.startsWith(QStringLiteral("-.")))
                t.insert(t.indexOf(u'.'), u'0');
            if (t.endsWith(u'.'))
                t += u'0';
            // The exact text: SQLite's numbers would make it a double.
            r.set(sqlite::primary(sqlite::text(t)));
            break;
        }
        case Expr::Money:
            r.set(sqlite::primary(sqlite::text(
                convertValue(Value::text(e.text), SqlType::of(SqlType::VarChar), e.type).s)));
            break;
        case Expr::Float:
            r.set(sqlite::number(e.text));
            break;
        case Expr::String:
            r.set(sqlite::primary(sqlite::text(e.text)));
            r.stringLiteral = true;
            r.literal = e.text;
            break;
    }
    return r;
}

namespace {

// Date types and GUIDs: compared in the form of the operand of higher precedence.
bool hasOwnForm(const SqlType& t) {
    return t.isTemporal() || t.base == SqlType::UniqueIdentifier;
}

bool inFormOf(const SqlType& t, const SqlType& target) {
    return target.isTemporal() ? t.sameTemporalForm(target) : t.base == target.base;
}

}  // namespace

void SqliteEmitter::convertedOperands(Rendered& l, Rendered& r) {
    const bool leftWins =
        hasOwnForm(l.type) && (!hasOwnForm(r.type) || l.type.precedence() >= r.type.precedence());
    const SqlType target = leftWins ? l.type : r.type;
    for (Rendered* x : {&l, &r}) {
        if (inFormOf(x->type, target) || x->sql == "NULL")
            continue;
        // A literal is converted once, here.
        x->set(x->stringLiteral ? sqlite::primary(sqlite::text(
                                      convertValue(Value::text(x->literal), x->type, target).s))
                                : convertTo(*x, target));
        x->stringLiteral = false;
        x->type = target;
    }
}

const char* SqliteEmitter::harmonise(Rendered& l, Rendered& r) {
    if (hasOwnForm(l.type) || hasOwnForm(r.type)) {
        convertedOperands(l, r);
        return l.type.base == SqlType::UniqueIdentifier ? kGuidCollation : nullptr;
    }
    if (l.type.isNumeric() && r.stringLiteral) {
        const SqlType to = l.type.isInteger()   ? SqlType::of(SqlType::Int)
                           : l.type.isDecimal() ? SqlType::decimal(38, 0)
                                                : SqlType::of(SqlType::Float);
        const Value v = textToNumber(r.literal, r.type, to);
        r.stringLiteral = false;
        r.set(v.kind == Value::Int    ? sqlite::integer(v.i)
              : v.kind == Value::Real ? sqlite::real(v.d)
                                      : sqlite::primary(sqlite::text(v.s)));
        r.type = v.kind == Value::Int    ? SqlType::of(SqlType::Int)
                 : v.kind == Value::Real ? SqlType::of(SqlType::Float)
                                         : to;
    }
    if (r.type.isNumeric() && l.stringLiteral)
        return harmonise(r, l);
    textAsNumber(l, r);
    if (isDecimalArithmetic(l.type, r.type)) {
        exactOperand(l);
        exactOperand(r);
        return kNumericCollation;
    }
    // Decimal against float compares as floats.
    for (Rendered* x : {&l, &r})
        if (x->type.isDecimal() && (l.type.isApprox() || r.type.isApprox())) {
            x->set(sqlite::cast(x->term(), "REAL"));
            x->type = SqlType::of(SqlType::Float);
        }
    const bool text = (l.type.isText() && (r.type.isText() || !r.type.known())) ||
                      (r.type.isText() && !l.type.known());
    return text ? kCollation : nullptr;
}

void SqliteEmitter::textAsNumber(Rendered& l, Rendered& r) {
    for (const auto& [text, number] : {std::pair{&l, &r}, std::pair{&r, &l}}) {
        if (text->type.isText() && number->type.isNumeric()) {
            const SqlType to = number->type.isInteger() ? SqlType::of(SqlType::Int) : number->type;
            text->set(convertTo(*text, to));
            text->type = to;
            return;
        }
    }
}

void SqliteEmitter::exactOperand(Rendered& x) {
    if (x.column || x.type.isDecimal() || x.sql == "NULL")
        return;
    x.set(sqlite::call("tsql_decimal", {x.term()}));
}

SqliteEmitter::Rendered SqliteEmitter::comparison(const QString& op, Rendered l, Rendered r) {
    const char* collation = harmonise(l, r);
    Rendered out;
    // On the left: SQLite lets a collation inside an operand (a CASE comparing texts, say) win
    // over one given to the right operand.
    out.set(sqlite::binary(collation ? sqlite::collate(l.term(), collation) : l.term(),
                           sqlite::binaryOperator(op), r.term()));
    return out;
}

SqliteEmitter::Rendered SqliteEmitter::arithmetic(const QString& op, Rendered l, Rendered r,
                                                  const SqlType& result) {
    Rendered out;
    if (result.isText()) {
        out.set(sqlite::binary(l.term(), Operator::Concatenate, r.term()));
        return out;
    }
    if ((op == u"+" || op == u"-") && (l.type.isDate() || r.type.isDate())) {
        // datetime arithmetic is arithmetic of days since 1900-01-01.
        auto days = [this](Rendered x) {
            if (x.type.isDate()) {
                x.set(convertTo(x, SqlType::of(SqlType::Float)));
                x.type = SqlType::of(SqlType::Float);
            }
            return x;
        };
        Rendered sum;
        sum.set(sqlite::binary(days(l).term(), sqlite::binaryOperator(op), days(r).term()));
        sum.type = SqlType::of(SqlType::Float);
        out.set(convertTo(sum, result));
        return out;
    }
    textAsNumber(l, r);
    if (isDecimalArithmetic(l.type, r.type) && op.size() == 1 &&
        QStringLiteral("+-*/%").contains(op)) {
        out.set(decimalOperation(op, l.term(), r.term(), result));
        return out;
    }
    if (op == u"^") {  // SQLite has no exclusive or
        out.set(sqlite::binary(sqlite::binary(l.term(), Operator::BitOr, r.term()),
                               Operator::Subtract,
                               sqlite::binary(l.term(), Operator::BitAnd, r.term())));
        return out;
    }
    if (op == u"&" || op == u"|") {
        out.set(sqlite::binary(l.term(), sqlite::binaryOperator(op), r.term()));
        return out;
    }
    if (op == u"/" || op == u"%") {
        Term left = l.term();
        // Numbers held as texts or integers divide as reals unless both are integers.
        if (op == u"/" && result.known() && !result.isInteger())
            left = sqlite::cast(left, "REAL");
        out.set(checkedArithmetic(
            sqlite::call(op == u"/" ? "tsql_divide" : "tsql_modulo", {left, r.term()}), result));
        return out;
    }
    out.set(
        checkedArithmetic(sqlite::binary(l.term(), sqlite::binaryOperator(op), r.term()), result));
    return out;
}

Term SqliteEmitter::decimalOperation(const QString& op, const Term& a, const Term& b,
                                     const SqlType& result) {
    static const QHash<QString, QByteArray> functions = {
        {QStringLiteral("+"), "tsql_decimal_add"},
        {QStringLiteral("-"), "tsql_decimal_subtract"},
        {QStringLiteral("*"), "tsql_decimal_multiply"},
        {QStringLiteral("/"), "tsql_decimal_divide"},
        {QStringLiteral("%"), "tsql_decimal_modulo"}};
    return sqlite::call(functions.value(op), {a, b, typeConstant(result)});
}

const char* SqliteEmitter::orderCollation(const SqlType& t) {
    return t.isText()                            ? kCollation
           : t.isDecimal()                       ? kNumericCollation
           : t.base == SqlType::UniqueIdentifier ? kGuidCollation
                                                 : nullptr;
}

Term SqliteEmitter::typeConstant(const SqlType& t) {
    return sqlite::primary(sqlite::text(t.toSql()));
}

// A run of AND or OR, however it is nested, is one flat list of operands: the rendering stays
// shallow for SQLite and the recursion here follows only the other operators.
SqliteEmitter::Rendered SqliteEmitter::logicalChain(const Expr& e) {
    std::vector<Term> operands;
    std::vector<const Expr*> pending{&e};
    while (!pending.empty()) {
        const Expr* x = pending.back();
        pending.pop_back();
        if (isLogical(*x) && x->op == e.op) {
            pending.push_back(x->b.get());
            pending.push_back(x->a.get());
        } else {
            operands.push_back(expr(*x).term());
        }
    }
    Rendered out;
    out.set(sqlite::chain(e.op == u"AND" ? Operator::And : Operator::Or, operands));
    return out;
}

// A left-leaning chain of operators (a + b + c ...) is rendered from its innermost operation
// outwards in a loop, so that its length costs no stack. Checked arithmetic is a call around each
// operation, and SQLite's parser nests calls only some thirty deep: in a long chain, runs of it
// become flat calls that compute each operation in turn.
SqliteEmitter::Rendered SqliteEmitter::binary(const Expr& e) {
    if (isLogical(e))
        return logicalChain(e);
    std::vector<const Expr*> spine;
    const Expr* x = &e;
    for (; x->kind == Expr::Binary && !isLogical(*x); x = x->a.get())
        spine.push_back(x);
    Rendered acc = expr(*x);
    const bool flat = spine.size() >= kLongChain;
    FlatChain chain;
    for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
        const Expr& node = **it;
        Rendered r = expr(*node.b);
        if (!flat || !extendChain(chain, node, acc, r)) {
            closeChain(chain, acc);
            acc = isComparison(node.op)
                      ? comparison(node.op, std::move(acc), std::move(r))
                      : arithmetic(node.op, std::move(acc), std::move(r), node.type);
        }
        acc.type = node.type;
    }
    closeChain(chain, acc);
    return acc;
}

bool SqliteEmitter::extendChain(FlatChain& chain, const Expr& node, Rendered& acc, Rendered& r) {
    const SqlType& result = node.type;
    if (isComparison(node.op) || result.isText() || acc.type.isDate() || r.type.isDate())
        return false;
    textAsNumber(acc, r);
    const bool decimal = isDecimalArithmetic(acc.type, r.type) && node.op.size() == 1 &&
                         QStringLiteral("+-*/%").contains(node.op);
    const bool checked = !decimal && (node.op == u"+" || node.op == u"-" || node.op == u"*") &&
                         ((result.isInteger() && result.base != SqlType::Bit) ||
                          result.base == SqlType::Float || result.base == SqlType::Real);
    const char* function = decimal   ? "tsql_decimal_chain"
                           : checked ? "tsql_checked_chain"
                                     : nullptr;
    if (!function)
        return false;
    if (chain.function != function || chain.args.size() >= kChainArguments) {
        closeChain(chain, acc);
        chain.function = function;
        chain.args = {acc.term()};
    }
    chain.args.push_back(sqlite::primary(sqlite::text(node.op)));
    chain.args.push_back(typeConstant(result));
    chain.args.push_back(r.term());
    return true;
}

void SqliteEmitter::closeChain(FlatChain& chain, Rendered& acc) {
    if (!chain.function)
        return;
    Rendered out;
    out.set(sqlite::call(chain.function, chain.args));
    out.type = acc.type;
    acc = std::move(out);
    chain = {};
}

SqliteEmitter::Rendered SqliteEmitter::unary(const Expr& e) {
    Rendered v = expr(*e.a);
    Rendered r;
    if (e.op == u"NOT") {
        r.set(sqlite::logicalNot(v.term()));
        return r;
    }
    if (v.type.isText())
        v.set(convertTo(v, e.type));
    if (e.op == u"-" && e.type.isDecimal()) {
        r.set(decimalOperation(e.op, sqlite::integer(0), v.term(), e.type));
        return r;
    }
    r.set(e.op == u"~" ? sqlite::bitNot(v.term())
                       : checkedArithmetic(sqlite::negate(v.term()), e.type));
    return r;
}

SqliteEmitter::Rendered SqliteEmitter::caseExpr(const Expr& e) {
    std::optional<Rendered> operand;
    if (e.a)
        operand = expr(*e.a);
    std::vector<std::pair<QByteArray, Rendered>> branches;
    const SqlType& t = e.type;
    for (const auto& [when, then] : e.whens) {
        const Rendered w =
            operand ? comparison(QStringLiteral("="), *operand, expr(*when)) : expr(*when);
        branches.emplace_back(w.sql, expr(*then));
    }
    std::optional<Rendered> otherwise;
    if (e.c)
        otherwise = expr(*e.c);
    QByteArray sql = "CASE";
    for (auto& [when, then] : branches)
        sql += " WHEN " + when + " THEN " + inType(then, t).text;
    if (otherwise)
        sql += " ELSE " + inType(*otherwise, t).text;
    Rendered out;
    out.set(sqlite::primary(sql + " END"));
    return out;
}

Term SqliteEmitter::inType(const Rendered& r, const SqlType& t) {
    const bool differs = r.type.base != t.base || r.type.scale != t.scale;
    const bool otherDateForm = t.isTemporal() && !r.type.sameTemporalForm(t);
    if (((t.isDecimal() && differs) || otherDateForm) && r.sql != "NULL")
        return convertTo(r, t);
    return r.term();
}

SqliteEmitter::Rendered SqliteEmitter::cast(const Expr& e) {
    Rendered v = expr(*e.a);
    const SqlType& to = e.castType;
    int style = -1;
    if (e.b) {
        if (e.b->kind != Expr::Literal || e.b->lit != Expr::Integer)
            notSupported(QStringLiteral("a CONVERT style that is not a number literal"));
        style = e.b->text.toInt();
    }
    const ConvertMode mode = e.tryCast ? ConvertMode::Try : ConvertMode::Explicit;
    Rendered out;
    if (v.stringLiteral && !to.isText()) {
        // Constant conversions of literals are done once, here; one that fails fails when the
        // statement runs, after its columns are known.
        try {
            Value c = convertValue(Value::text(v.literal), v.type, to, style);
            out.set(c.kind == Value::Int    ? sqlite::integer(c.i)
                    : c.kind == Value::Real ? sqlite::real(c.d)
                    : c.kind == Value::Null ? sqlite::primary("NULL")
                                            : sqlite::primary(sqlite::text(c.s)));
        } catch (const db::Error&) {
            out.set(e.tryCast ? sqlite::primary("NULL") : convertTo(v, to, style));
        }
    } else if (v.sql == "NULL") {
        out.set(sqlite::primary("NULL"));
    } else {
        out.set(convertTo(v, to, style, mode));
    }
    return out;
}

namespace {

// Whether `e` is a column of the table `from` reads (the select's own level, not an outer one).
bool ownColumn(const Expr& e, const TableRef& from) {
    return e.kind == Expr::Column && !e.binding.select &&
           db::sameName(e.binding.source, from.exposedName());
}

// A value fixed for the whole sub-select: a constant, a parameter, a variable, or a column of an
// outer query (a level above the select's own).
bool fixedValue(const Expr& e, int ownLevel) {
    switch (e.kind) {
        case Expr::Literal:
        case Expr::Param:
        case Expr::Variable:
            return true;
        case Expr::Column:
            return e.binding.level < ownLevel;
        default:
            return false;
    }
}

// Whether a conjunct of `where` sets the identity column of the one table the select reads to a
// fixed value. An identity column is SQLite's rowid here, so no two rows share its value.
bool pinsIdentity(const Expr* where, const TableRef& from) {
    if (!where || where->kind != Expr::Binary)
        return false;
    if (where->op == u"AND")
        return pinsIdentity(where->a.get(), from) || pinsIdentity(where->b.get(), from);
    if (where->op != u"=")
        return false;
    const QString& identity = from.table->columns[size_t(from.table->identityColumn)].name;
    for (const auto& [col, value] :
         {std::pair{where->a.get(), where->b.get()}, std::pair{where->b.get(), where->a.get()}}) {
        if (ownColumn(*col, from) && db::sameName(col->binding.column, identity) &&
            fixedValue(*value, col->binding.level))
            return true;
    }
    return false;
}

// TOP 1, a lone aggregate without GROUP BY, or one table read by its identity: the sub-select
// cannot yield a second row.
bool yieldsAtMostOneRow(const Select& s) {
    if (s.cores.size() != 1)
        return false;
    const SelectCore& c = s.cores[0];
    if (c.top && c.top->kind == Expr::Literal && c.top->text == u"1")
        return true;
    if (!c.groupBy.empty())
        return false;
    if (c.from.size() == 1 && c.from[0]->kind == TableRef::Named && c.from[0]->table &&
        !c.from[0]->table->view && c.from[0]->table->identityColumn >= 0 &&
        pinsIdentity(c.where.get(), *c.from[0]))
        return true;
    if (c.items.size() != 1 || !c.items[0].expr)
        return false;
    const Expr& e = *c.items[0].expr;
    return e.kind == Expr::Function && !e.over && e.builtin->kind == Builtin::Aggregate;
}

}  // namespace

SqliteEmitter::Rendered SqliteEmitter::subquery(const Select& s, bool scalar) {
    std::vector<OutColumn> cols;
    Rendered out;
    out.set(sqlite::grouped(selectSql(s, &cols)));
    if (scalar) {
        if (!yieldsAtMostOneRow(s)) {
            // SQLite would take the first row; SQL Server refuses a second one (512). SQLite
            // flattens the subquery into the aggregate where it can.
            const QByteArray name =
                sqlite::name(cols[0].name.isEmpty() ? QStringLiteral("_c1") : cols[0].name);
            out.set(sqlite::grouped("SELECT tsql_single(" + name + ") FROM " + out.sql));
        }
    }
    return out;
}

SqliteEmitter::Rendered SqliteEmitter::column(const Expr& e) {
    const ColumnBinding& b = e.binding;
    Rendered r;
    const Term name = sqlite::primary(columnName(b));
    r.set(b.alias ? name : passedIn(name, b.level));
    r.column = r.sql == name.text;
    return r;
}

QByteArray SqliteEmitter::columnName(const ColumnBinding& b) const {
    if (b.source.isEmpty())  // a column of the table a CHECK constraint is declared with
        return sqlite::name(b.column);
    if (b.select &&
        std::find(appliedRows_.begin(), appliedRows_.end(), b.select) != appliedRows_.end())
        return sqlite::name(b.source) + "." + sqlite::name(QStringLiteral("c%1").arg(b.index));
    return sqlite::name(b.source) + "." + sqlite::name(b.column);
}

SqliteEmitter::Rendered SqliteEmitter::expr(const Expr& e) {
    Rendered r = node(e);
    r.type = e.type;
    return r;
}

SqliteEmitter::Rendered SqliteEmitter::node(const Expr& e) {
    switch (e.kind) {
        case Expr::Literal:
            return literal(e);
        case Expr::Column:
            return column(e);
        case Expr::RowId: {
            Rendered r;
            r.set(sqlite::primary(sqlite::name(e.parts.front()) + ".rowid"));
            return r;
        }
        case Expr::CurrentOf: {
            Rendered r;
            r.set(slot({Slot::CursorRow, e.op.isEmpty() ? 0 : 1, e.text}));
            return r;
        }
        case Expr::Variable:
            return variable(e);
        case Expr::Global:
            return context(*e.builtin);
        case Expr::Param: {
            Rendered r;
            r.set(slot({Slot::Param, e.paramIndex, QString()}));
            return r;
        }
        case Expr::Unary:
            return unary(e);
        case Expr::Binary:
            return binary(e);
        case Expr::IsNull:
            return truth(sqlite::isNull(expr(*e.a).term(), e.negated));
        case Expr::Between:
            return between(e);
        case Expr::Like:
            return like(e);
        case Expr::InList:
            return inList(e);
        case Expr::InSelect:
            return inSelect(e);
        case Expr::Exists: {
            std::vector<OutColumn> cols;
            return truth(sqlite::primary("EXISTS (" + selectSql(*e.select, &cols) + ")"));
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
        case Expr::Default:  // stands only for a user function's argument or a column's value
            keywordSyntaxError(QStringLiteral("DEFAULT"));
    }
    notSupported(QStringLiteral("this expression"));
}

SqliteEmitter::Rendered SqliteEmitter::truth(const Term& condition) {
    Rendered r;
    r.set(condition);
    return r;
}

SqliteEmitter::Rendered SqliteEmitter::variable(const Expr& e) {
    Rendered r;
    if (e.argument) {
        r.set(convertTo(expr(*e.argument), e.type));
        return r;
    }
    r.set(slot({Slot::Variable, 0, e.text.toLower()}));
    return r;
}

SqliteEmitter::Rendered SqliteEmitter::between(const Expr& e) {
    Rendered v = expr(*e.a), lo = expr(*e.b), hi = expr(*e.c);
    Rendered v2 = v;
    const char* low = harmonise(v, lo);
    const char* high = harmonise(v2, hi);
    const char* collation = low ? low : high;
    return truth(sqlite::between(collation ? sqlite::collate(v.term(), collation) : v.term(),
                                 lo.term(), hi.term(), e.negated));
}

SqliteEmitter::Rendered SqliteEmitter::like(const Expr& e) {
    Rendered v = expr(*e.a), p = expr(*e.b);
    if (v.type.isTemporal())
        v.set(convertTo(v, SqlType::of(SqlType::VarChar, 30)));
    if (!e.c)
        return truth(sqlite::like(v.term(), p.term(), nullptr, e.negated));
    const Term escape = expr(*e.c).term();
    return truth(sqlite::like(v.term(), p.term(), &escape, e.negated));
}

SqliteEmitter::Rendered SqliteEmitter::inList(const Expr& e) {
    Rendered v = expr(*e.a);
    std::vector<QByteArray> items;
    const char* collation = nullptr;
    for (const auto& item : e.args) {
        Rendered i = expr(*item);
        Rendered left = v;
        if (const char* c = harmonise(left, i))
            collation = c;
        items.push_back(i.sql);
    }
    return truth(sqlite::in(collation ? sqlite::collate(v.term(), collation) : v.term(),
                            sqlite::list(items), e.negated));
}

SqliteEmitter::Rendered SqliteEmitter::inSelect(const Expr& e) {
    Rendered v = expr(*e.a);
    std::vector<OutColumn> cols;
    QByteArray sub = selectSql(*e.select, &cols);
    const char* collation = v.type.isText() && cols[0].type.isText()    ? kCollation
                            : isDecimalArithmetic(v.type, cols[0].type) ? kNumericCollation
                                                                        : nullptr;
    if (collation == kNumericCollation)
        exactOperand(v);
    return truth(
        sqlite::in(collation ? sqlite::collate(v.term(), collation) : v.term(), sub, e.negated));
}

}  // namespace tsql
