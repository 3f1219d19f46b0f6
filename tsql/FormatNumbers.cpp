// FORMAT of numbers: .NET's standard numeric format strings and custom numeric patterns.
#include <QRegularExpression>

#include "dbcore/DigitGroups.h"
#include "tsql/Conversions.h"
#include "tsql/Format.h"

namespace tsql {

namespace {

// A number's digits once rounded (half away from zero) to a count of decimals.
struct Digits {
    QString whole;
    QString fraction;
    bool negative = false;
};

std::optional<Digits> digitsOf(const Decimal& v, int decimals) {
    const std::optional<Decimal> r = v.rescaled(decimals);
    if (!r)
        return std::nullopt;
    QString text = QString::fromLatin1(r->text());
    Digits d;
    d.negative = text.startsWith(u'-');
    if (d.negative)
        text.remove(0, 1);
    const qsizetype point = text.indexOf(u'.');
    d.whole = point < 0 ? text : text.left(point);
    d.fraction = point < 0 ? QString() : text.mid(point + 1);
    return d;
}

// The digits with the culture's point, grouped or not.
QString body(const Digits& d, const Culture& c, bool group) {
    const QString whole =
        group ? db::groupedDigits(d.whole, QString::fromUtf8(c.groupSeparator)) : d.whole;
    return d.fraction.isEmpty() ? whole : whole + QString::fromUtf8(c.decimalPoint) + d.fraction;
}

// A culture's currency or percent pattern with the number in place of `n`.
QString inPattern(const char* pattern, const QString& number) {
    return QString::fromUtf8(pattern).replace(u'n', number);
}

std::optional<Decimal> times(const Decimal& v, qint64 factor) {
    return Decimal::multiply(v, Decimal::ofInteger(factor), v.scale());
}

std::optional<QString> integerOnly(const Decimal& v, bool integer, int width, bool hex,
                                   bool lower) {
    if (!integer)
        return std::nullopt;
    const qint64 n = v.truncated().value_or(0);
    if (hex) {
        // A negative number is written as its two's complement, in 32 bits when it fits.
        const quint64 bits =
            n < 0 && n >= INT32_MIN ? static_cast<quint32>(n) : static_cast<quint64>(n);
        const QString digits = QString::number(bits, 16);
        return (lower ? digits : digits.toUpper()).rightJustified(width, u'0');
    }
    const QString digits = QString::number(n < 0 ? -n : n).rightJustified(width, u'0');
    return n < 0 ? u'-' + digits : digits;
}

std::optional<QString> standardNumber(const Decimal& v, bool integer, QChar kind, int precision,
                                      const Culture& c) {
    auto decimals = [precision](int byDefault) { return precision < 0 ? byDefault : precision; };
    std::optional<Digits> d;
    switch (kind.toUpper().unicode()) {
        case 'C':
            if (!(d = digitsOf(v, decimals(c.currencyDecimals))))
                return std::nullopt;
            return inPattern(d->negative ? c.currencyNegative : c.currencyPositive,
                             body(*d, c, true));
        case 'N':
        case 'F':
            if (!(d = digitsOf(v, decimals(2))))
                return std::nullopt;
            return (d->negative ? QStringLiteral("-") : QString()) +
                   body(*d, c, kind.toUpper() == u'N');
        case 'P': {
            const std::optional<Decimal> percent = times(v, 100);
            if (!percent || !(d = digitsOf(*percent, decimals(2))))
                return std::nullopt;
            return inPattern(d->negative ? c.percentNegative : c.percentPositive,
                             body(*d, c, true));
        }
        case 'D':
            return integerOnly(v, integer, std::max(precision, 1), false, false);
        case 'X':
            return integerOnly(v, integer, std::max(precision, 1), true, kind == u'x');
        case 'G':
        case 'R':
            if (precision > 0)
                return QString::number(v.toDouble(), 'g', precision)
                    .replace(u'.', QString::fromUtf8(c.decimalPoint));
            return QString::fromLatin1(v.text()).replace(u'.', QString::fromUtf8(c.decimalPoint));
        default:
            return std::nullopt;
    }
}

// ---- custom patterns ----

struct Token {
    enum Kind { Zero, Hash, Point, Comma, Percent, Literal };
    Kind kind;
    QString text;
};

// The tokens of one section; quotes and backslashes make literals.
std::vector<Token> tokens(const QString& section) {
    std::vector<Token> out;
    for (qsizetype k = 0; k < section.size(); ++k) {
        const QChar ch = section[k];
        if (ch == u'\'' || ch == u'"') {
            const qsizetype end = section.indexOf(ch, k + 1);
            const qsizetype stop = end < 0 ? section.size() : end;
            out.push_back({Token::Literal, section.mid(k + 1, stop - k - 1)});
            k = stop;
        } else if (ch == u'\\') {
            if (k + 1 < section.size())
                out.push_back({Token::Literal, QString(section[++k])});
        } else {
            const Token::Kind kind = ch == u'0'   ? Token::Zero
                                     : ch == u'#' ? Token::Hash
                                     : ch == u'.' ? Token::Point
                                     : ch == u',' ? Token::Comma
                                     : ch == u'%' ? Token::Percent
                                                  : Token::Literal;
            out.push_back({kind, QString(ch)});
        }
    }
    return out;
}

// The sections of a pattern split at ; outside quotes and escapes.
QStringList sections(const QString& pattern) {
    QStringList out{QString()};
    QChar quote;
    for (qsizetype k = 0; k < pattern.size(); ++k) {
        const QChar ch = pattern[k];
        if (quote.isNull() && ch == u';') {
            out.append(QString());
            continue;
        }
        out.last() += ch;
        if (!quote.isNull() && ch == quote)
            quote = QChar();
        else if (quote.isNull() && (ch == u'\'' || ch == u'"'))
            quote = ch;
        else if (ch == u'\\' && k + 1 < pattern.size())
            out.last() += pattern[++k];
    }
    return out;
}

bool isDigitToken(const Token& t) {
    return t.kind == Token::Zero || t.kind == Token::Hash;
}

// What a section asks of the number: digits before and after the point, grouping, scaling.
struct Layout {
    int wholePlaces = 0;
    int minWhole = 0;
    int maxFraction = 0;
    int minFraction = 0;
    bool group = false;
    int percents = 0;
    int thousands = 0;  // commas right before the point divide by 1000 each
};

Layout layoutOf(const std::vector<Token>& ts) {
    Layout l;
    bool fraction = false;
    int firstZero = -1, commasPending = 0;
    for (const Token& t : ts) {
        if (t.kind == Token::Point && !fraction) {
            fraction = true;
            l.thousands += commasPending;
            commasPending = 0;
        } else if (t.kind == Token::Percent) {
            ++l.percents;
        } else if (t.kind == Token::Comma && !fraction && l.wholePlaces > 0) {
            ++commasPending;
        } else if (isDigitToken(t) && fraction) {
            ++l.maxFraction;
            if (t.kind == Token::Zero)
                l.minFraction = l.maxFraction;
        } else if (isDigitToken(t)) {
            if (commasPending > 0)
                l.group = true;
            commasPending = 0;
            if (t.kind == Token::Zero && firstZero < 0)
                firstZero = l.wholePlaces;
            ++l.wholePlaces;
        }
    }
    if (!fraction)
        l.thousands += commasPending;
    l.minWhole = firstZero < 0 ? 0 : l.wholePlaces - firstZero;
    return l;
}

std::optional<Decimal> scaled(const Decimal& v, const Layout& l) {
    std::optional<Decimal> r = v;
    for (int k = 0; k < l.percents && r; ++k)
        r = times(*r, 100);
    for (int k = 0; k < l.thousands && r; ++k)
        r = Decimal::divide(*r, Decimal::ofInteger(1000), r->scale() + 3);
    return r;
}

// Writes the whole digits into the section's places, right-aligned: the first place takes the
// digits the places cannot hold.
class WholeWriter {
public:
    WholeWriter(const QString& digits, const Layout& l, const Culture& c)
        : digits_(digits), layout_(l), separator_(QString::fromUtf8(c.groupSeparator)) {}

    void place(QString& out) {
        const qsizetype remaining = layout_.wholePlaces - placed_;
        const qsizetype upTo = digits_.size() - remaining + 1;  // digits this place writes
        for (; next_ < upTo; ++next_) {
            out += digits_[next_];
            const qsizetype right = digits_.size() - 1 - next_;
            if (layout_.group && right > 0 && right % 3 == 0)
                out += separator_;
        }
        ++placed_;
    }

private:
    QString digits_;
    Layout layout_;
    QString separator_;
    qsizetype placed_ = 0;
    qsizetype next_ = 0;
};

std::optional<QString> customNumber(const Decimal& value, const QString& pattern,
                                    const Culture& c) {
    const QStringList parts = sections(pattern);
    const bool useNegative = value.isNegative() && parts.size() > 1 && !parts[1].isEmpty();
    const bool useZero = value.isZero() && parts.size() > 2 && !parts[2].isEmpty();
    const QString& section = useNegative ? parts[1] : useZero ? parts[2] : parts[0];
    const std::vector<Token> ts = tokens(section);
    const Layout l = layoutOf(ts);
    const std::optional<Decimal> v = scaled(useNegative ? value.negated() : value, l);
    std::optional<Digits> d = v ? digitsOf(*v, l.maxFraction) : std::nullopt;
    if (!d)
        return std::nullopt;
    if (d->whole == u"0" && l.minWhole == 0)
        d->whole.clear();
    d->whole = d->whole.rightJustified(l.minWhole, u'0');
    while (d->fraction.size() > l.minFraction && d->fraction.endsWith(u'0'))
        d->fraction.chop(1);
    QString out = d->negative ? QStringLiteral("-") : QString();
    WholeWriter whole(d->whole, l, c);
    bool fraction = false;
    qsizetype fractionAt = 0;
    for (const Token& t : ts) {
        if (t.kind == Token::Point && !fraction) {
            fraction = true;
            if (l.wholePlaces == 0)  // no places for the whole digits: they stand here
                out += d->whole;
            if (!d->fraction.isEmpty())
                out += QString::fromUtf8(c.decimalPoint);
        } else if (isDigitToken(t)) {
            if (!fraction)
                whole.place(out);
            else if (fractionAt < d->fraction.size())
                out += d->fraction[fractionAt++];
        } else if (t.kind == Token::Percent) {
            out += u'%';
        } else if (t.kind == Token::Literal) {
            out += t.text;
        }
    }
    return out;
}

}  // namespace

std::optional<QString> formatNumberText(const Decimal& value, bool integer, const QString& format,
                                        const Culture& culture) {
    static const QRegularExpression standard(QStringLiteral("^([A-Za-z])(\\d{0,2})$"));
    const QRegularExpressionMatch m = standard.match(format);
    if (m.hasMatch())
        return standardNumber(value, integer, m.captured(1)[0],
                              m.capturedLength(2) ? m.captured(2).toInt() : -1, culture);
    return customNumber(value, format, culture);
}

}  // namespace tsql
