#include "PrintedValue.h"

#include <charconv>

#include "tsql/Moment.h"

namespace conformance {

namespace {

using tsql::SqlType;
using tsql::Value;

QString shortest(double v, bool single) {
    char buf[400];
    const auto r = single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v),
                                          std::chars_format::fixed)
                          : std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return QString::fromLatin1(buf, r.ptr - buf);
}

// The digits of a number as the engine holds it.
QString digits(const Value& cell, bool single = false) {
    switch (cell.kind) {
        case Value::Int:
            return QString::number(cell.i);
        case Value::Real:
            return shortest(cell.d, single);
        default:
            return cell.toString();
    }
}

QString withScale(QString number, int scale) {
    if (scale <= 0)
        return number;
    qsizetype point = number.indexOf(QLatin1Char('.'));
    if (point < 0) {
        point = number.size();
        number += QLatin1Char('.');
    }
    const qsizetype have = number.size() - point - 1;
    if (have < scale)
        number += QString(scale - have, QLatin1Char('0'));
    return number;
}

QString visibleText(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return text;
}

}  // namespace

QString printedValue(const Value& cell, const SqlType& type) {
    if (cell.isNull())
        return QStringLiteral("NULL");
    switch (type.base) {
        case SqlType::Decimal:
            return withScale(digits(cell), type.scale);
        case SqlType::Money:
            return withScale(digits(cell), 4);
        case SqlType::Real:
            return digits(cell, true);
        case SqlType::Date:
            return cell.toString().left(10);
        case SqlType::DateTime2:
        case SqlType::Time:
            return tsql::shownPreciseTime(cell.s, type.scale);
        default:
            break;
    }
    if (type.isNumeric() || cell.kind != Value::Text)
        return digits(cell);
    return visibleText(cell.toString());
}

}  // namespace conformance
