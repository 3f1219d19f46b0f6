#include "tsql/SqlType.h"

#include <QHash>
#include <QRegularExpression>

#include "tsql/Collation.h"

namespace tsql {

QString SqlType::toSql() const {
    auto len = [this] { return length < 0 ? QStringLiteral("max") : QString::number(length); };
    switch (base) {
        case Unknown:
            return QStringLiteral("sql_variant");
        case Bit:
            return QStringLiteral("bit");
        case TinyInt:
            return QStringLiteral("tinyint");
        case SmallInt:
            return QStringLiteral("smallint");
        case Int:
            return QStringLiteral("int");
        case BigInt:
            return QStringLiteral("bigint");
        case Decimal:
            return QStringLiteral("%1(%2,%3)").arg(decimalName()).arg(precision).arg(scale);
        case Money:
            return QStringLiteral("money");
        case Float:
            return QStringLiteral("float");
        case Real:
            return QStringLiteral("real");
        case Char:
            return QStringLiteral("char(%1)").arg(len());
        case VarChar:
            return QStringLiteral("varchar(%1)").arg(len());
        case NChar:
            return QStringLiteral("nchar(%1)").arg(len());
        case NVarChar:
            return QStringLiteral("nvarchar(%1)").arg(len());
        case Text:
            return QStringLiteral("text");
        case DateTime:
            return QStringLiteral("datetime");
        case Date:
            return QStringLiteral("date");
        case DateTime2:
            return QStringLiteral("datetime2(%1)").arg(scale);
        case Time:
            return QStringLiteral("time(%1)").arg(scale);
        case UniqueIdentifier:
            return QStringLiteral("uniqueidentifier");
    }
    return {};
}

QByteArray SqlType::columnSql() const {
    if (isDecimal()) {
        const QByteArray word = base == Money ? "money" : decimalName().toLatin1();
        const QByteArray size = base == Money ? QByteArray()
                                              : "(" + QByteArray::number(precision) + "," +
                                                    QByteArray::number(scale) + ")";
        return word + " text" + size + " COLLATE " + kNumericCollation;
    }
    QByteArray sql = toSql().toUtf8();
    // SQLite's type names take a signed number: varchar(max) is declared varchar(-1).
    if (isText() && length < 0)
        sql.replace("(max)", "(-1)");
    if (isText())
        sql += QByteArray(" COLLATE ") + kCollation;
    if (base == UniqueIdentifier)
        sql += QByteArray(" COLLATE ") + kGuidCollation;
    return sql;
}

int SqlType::storageSize() const {
    switch (base) {
        case Unknown:
            return 0;
        case Bit:
        case TinyInt:
            return 1;
        case SmallInt:
            return 2;
        case Int:
        case Real:
            return 4;
        case BigInt:
        case Money:
        case Float:
            return 8;
        case Decimal:
            return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
        case Char:
        case VarChar:
            return length;
        case NChar:
        case NVarChar:
            return length < 0 ? -1 : 2 * length;
        case Text:
            return 16;
        case DateTime:
            return 8;
        case Date:
            return 3;
        case DateTime2:
            return scale <= 2 ? 6 : scale <= 4 ? 7 : 8;
        case Time:
            return scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
        case UniqueIdentifier:
            return 16;
    }
    return 0;
}

db::FieldType SqlType::fieldType() const {
    if (isInteger())
        return db::FieldType::Integer;
    if (isNumeric())
        return db::FieldType::Float;
    if (isDate())
        return db::FieldType::DateTime;
    if (isText() || base == Time || base == UniqueIdentifier)
        return db::FieldType::String;
    return db::FieldType::Unknown;
}

namespace {

// The name of a type of integers, floats or texts without its length: reported with every result
// column of every statement, so spelled without formatting.
QString sizelessName(SqlType::Base base) {
    switch (base) {
        case SqlType::Bit:
            return QStringLiteral("bit");
        case SqlType::TinyInt:
            return QStringLiteral("tinyint");
        case SqlType::SmallInt:
            return QStringLiteral("smallint");
        case SqlType::Int:
            return QStringLiteral("int");
        case SqlType::BigInt:
            return QStringLiteral("bigint");
        case SqlType::Float:
            return QStringLiteral("float");
        case SqlType::Real:
            return QStringLiteral("real");
        case SqlType::Char:
            return QStringLiteral("char");
        case SqlType::VarChar:
            return QStringLiteral("varchar");
        case SqlType::NChar:
            return QStringLiteral("nchar");
        case SqlType::NVarChar:
            return QStringLiteral("nvarchar");
        case SqlType::Text:
            return QStringLiteral("text");
        default:
            return {};
    }
}

}  // namespace

db::DeclaredType SqlType::declared() const {
    switch (base) {
        case Unknown:
            return {};
        case Decimal:
            return {decimalName(), precision, scale};
        case Money:
            return {QStringLiteral("money"), 19, 4};
        case DateTime:
            return {QStringLiteral("datetime"), 23, 3};
        case Date:
            return {QStringLiteral("date"), 10, 0};
        // hh:mm:ss and the point before the decimals, when there are some.
        case DateTime2:
            return {QStringLiteral("datetime2"), 19 + (scale > 0 ? scale + 1 : 0), scale};
        case Time:
            return {QStringLiteral("time"), 8 + (scale > 0 ? scale + 1 : 0), scale};
        case UniqueIdentifier:
            return {QStringLiteral("uniqueidentifier"), 0, 0};
        default:
            return {sizelessName(base), 0, 0};
    }
}

SqlType SqlType::ofField(db::FieldType type) {
    switch (type) {
        case db::FieldType::Integer:
            return of(Int);
        case db::FieldType::Float:
            return of(Float);
        case db::FieldType::DateTime:
            return of(DateTime);
        case db::FieldType::String:
            return of(VarChar, 8000);
        case db::FieldType::Unknown:
            break;
    }
    return {};
}

int SqlType::integerDigits() const {
    switch (base) {
        case Bit:
            return 1;
        case TinyInt:
            return 3;
        case SmallInt:
            return 5;
        case Int:
            return 10;
        case BigInt:
            return 19;
        case Decimal:
            return precision - scale;
        case Money:
            return 15;
        case Float:
            return 309;
        case Real:
            return 39;
        default:
            return 0;
    }
}

int SqlType::precedence() const {
    switch (base) {
        case DateTime2:
            return 23;
        case DateTime:
            return 22;
        case Date:
            return 21;
        case Time:
            return 20;
        case Float:
            return 19;
        case Real:
            return 18;
        case Decimal:
            return 17;
        case Money:
            return 16;
        case BigInt:
            return 15;
        case Int:
            return 14;
        case SmallInt:
            return 13;
        case TinyInt:
            return 12;
        case Bit:
            return 11;
        case Text:
            return 7;
        case UniqueIdentifier:
            return 6;
        case NVarChar:
            return 5;
        case NChar:
            return 4;
        case VarChar:
            return 3;
        case Char:
            return 2;
        case Unknown:
            return 0;
    }
    return 0;
}

SqlType SqlType::fromName(const QString& rawName, int a, int b) {
    const QString name = rawName.toLower();
    if (name == u"int" || name == u"integer")
        return of(Int);
    if (name == u"bigint")
        return of(BigInt);
    if (name == u"smallint")
        return of(SmallInt);
    if (name == u"tinyint")
        return of(TinyInt);
    if (name == u"bit")
        return of(Bit);
    if (name == u"decimal" || name == u"numeric" || name == u"dec") {
        SqlType t = decimal(a < 0 ? 18 : a, b < 0 ? 0 : b);
        t.numericName = name == u"numeric";
        return t;
    }
    if (name == u"money" || name == u"smallmoney")
        return of(Money);
    if (name == u"float" || name == u"double")
        return of(Float);
    if (name == u"real")
        return of(Real);
    if (name == u"char" || name == u"character")
        return of(Char, a < 0 ? 1 : a);
    if (name == u"varchar")
        return of(VarChar, a == -2 ? -1 : (a < 0 ? 1 : a));
    if (name == u"nchar")
        return of(NChar, a < 0 ? 1 : a);
    if (name == u"nvarchar")
        return of(NVarChar, a == -2 ? -1 : (a < 0 ? 1 : a));
    if (name == u"text" || name == u"ntext")
        return of(Text, -1);
    if (name == u"datetime" || name == u"smalldatetime")
        return of(DateTime);
    if (name == u"datetime2")
        return SqlType{DateTime2, 0, 0, a < 0 ? 7 : std::min(a, 7)};
    if (name == u"time")
        return SqlType{Time, 0, 0, a < 0 ? 7 : std::min(a, 7)};
    if (name == u"date")
        return of(Date);
    if (name == u"uniqueidentifier")
        return of(UniqueIdentifier);
    return {};
}

namespace {

SqlType parseUncached(const QString& declared) {
    static const QRegularExpression re(
        QStringLiteral(
            "^\\s*([A-Za-z0-9_]+)(?:\\s+text)?\\s*(?:\\(\\s*(\\d+|-1|max)\\s*(?:,\\s*(\\d+)"
            "\\s*)?\\))?"),
        QRegularExpression::CaseInsensitiveOption);
    auto m = re.match(declared);
    if (!m.hasMatch())
        return {};
    int a = -1, b = -1;
    if (m.capturedLength(2))
        a = m.captured(2).compare(u"max", Qt::CaseInsensitive) == 0 || m.captured(2) == u"-1"
                ? -2
                : m.captured(2).toInt();
    if (m.capturedLength(3))
        b = m.captured(3).toInt();
    return SqlType::fromName(m.captured(1), a, b);
}

}  // namespace

// Declared types repeat (every column of a table read into the catalogue, every DECLARE), and
// the regular expression costs some 5,000 instructions: each text is parsed once per thread.
SqlType SqlType::parseDeclared(const QString& declared) {
    thread_local QHash<QString, SqlType> parsed;
    if (auto it = parsed.constFind(declared); it != parsed.cend())
        return *it;
    if (parsed.size() >= 1000)
        parsed.clear();
    const SqlType type = parseUncached(declared);
    parsed.insert(declared, type);
    return type;
}

SqlType commonType(const SqlType& a, const SqlType& b) {
    if (!a.known())
        return b;
    if (!b.known())
        return a;
    if (a.isText() && b.isText()) {
        SqlType r = a.precedence() >= b.precedence() ? a : b;
        r.length = (a.length < 0 || b.length < 0) ? -1 : std::max(a.length, b.length);
        return r;
    }
    if (a.isPreciseTime() && a.base == b.base) {
        SqlType r = a;
        r.scale = std::max(a.scale, b.scale);
        return r;
    }
    // A decimal beside a decimal or an integer (an int is decimal(10,0)): room for the larger
    // integral part and the larger scale; beyond 38 digits the scale gives way.
    const bool decimalAndInteger = (a.base == SqlType::Decimal || a.isInteger()) &&
                                   (b.base == SqlType::Decimal || b.isInteger());
    if (decimalAndInteger && (a.base == SqlType::Decimal || b.base == SqlType::Decimal)) {
        const SqlType x = asDecimal(a), y = asDecimal(b);
        const int whole = std::max(x.precision - x.scale, y.precision - y.scale);
        const int s = std::min(std::max(x.scale, y.scale), std::max(0, 38 - whole));
        return SqlType::decimal(std::min(38, whole + s), s);
    }
    return a.precedence() >= b.precedence() ? a : b;
}

}  // namespace tsql

namespace tsql {

SqlType asDecimal(const SqlType& t) {
    switch (t.base) {
        case SqlType::Decimal:
            return t;
        case SqlType::Money:
            return SqlType::decimal(19, 4);
        case SqlType::Bit:
        case SqlType::TinyInt:
        case SqlType::SmallInt:
        case SqlType::Int:
        case SqlType::BigInt:
            return SqlType::decimal(t.integerDigits(), 0);
        default:
            return SqlType::decimal(1, 0);
    }
}

bool isDecimalArithmetic(const SqlType& a, const SqlType& b) {
    auto exactOrUnknown = [](const SqlType& t) { return t.isExact() || !t.known(); };
    return (a.isDecimal() || b.isDecimal()) && exactOrUnknown(a) && exactOrUnknown(b);
}

SqlType decimalResult(char op, const SqlType& x, const SqlType& y) {
    const bool money = (x.base == SqlType::Money || y.base == SqlType::Money) &&
                       x.base != SqlType::Decimal && y.base != SqlType::Decimal;
    if (money)
        return SqlType::of(SqlType::Money);
    const SqlType a = asDecimal(x), b = asDecimal(y);
    const int p1 = a.precision, s1 = a.scale, p2 = b.precision, s2 = b.scale;
    const int whole = std::max(p1 - s1, p2 - s2);
    int p = 0, s = 0;
    switch (op) {
        case '*':
            p = p1 + p2 + 1;
            s = s1 + s2;
            break;
        case '/':
            s = std::max(6, s1 + p2 + 1);
            p = p1 - s1 + s2 + s;
            break;
        case '%':
            s = std::max(s1, s2);
            p = std::min(p1 - s1, p2 - s2) + s;
            break;
        default:  // + and -
            s = std::max(s1, s2);
            p = whole + s + 1;
            break;
    }
    if (p > 38) {
        if (op == '*' || op == '/') {
            // Room for the integral part first; the scale keeps at least 6 digits when the
            // integral part needs more than 32.
            const int integral = p - s;
            s = integral < 32 ? std::min(s, 38 - integral) : std::min(s, 6);
        } else {
            s = std::max(0, std::min(s, 38 - whole));
        }
        p = 38;
    }
    return SqlType::decimal(p, s);
}

SqlType decimalSum(const SqlType& t) {
    return t.base == SqlType::Money ? t : SqlType::decimal(38, t.scale);
}

SqlType decimalAverage(const SqlType& t) {
    return t.base == SqlType::Money ? t : SqlType::decimal(38, std::max(6, t.scale));
}

}  // namespace tsql
