#pragma once

#include <QByteArray>
#include <optional>

namespace tsql {

// An exact decimal number: `units` × 10^-scale, up to 38 digits as SQL Server keeps decimal and
// money. Values travel through SQLite as their text ("12.50"), which keeps every digit.
class Decimal {
public:
    static constexpr int kMaxDigits = 38;

    Decimal() = default;
    Decimal(__int128 units, int scale) : units_(units), scale_(scale) {}
    static Decimal ofInteger(qint64 v) { return Decimal(v, 0); }

    // Reads "-12.345", "+.5", "7." exactly; empty for anything else or more than 38 digits.
    static std::optional<Decimal> parse(const char* text, qsizetype size);
    static std::optional<Decimal> parse(const QByteArray& text) {
        return parse(text.constData(), text.size());
    }
    // The shortest decimal that reads back as the double; empty for infinities and NaN.
    static std::optional<Decimal> ofDouble(double v);

    __int128 units() const { return units_; }
    int scale() const { return scale_; }
    bool isZero() const { return units_ == 0; }
    bool isNegative() const { return units_ < 0; }
    // Decimal digits of the magnitude (1 for zero).
    int digits() const;
    // Digits before the point that the value needs.
    int integerDigits() const { return digits() - scale_; }

    QByteArray text() const;
    double toDouble() const;
    // The integer part, rounded toward zero; empty when beyond 64 bits.
    std::optional<qint64> truncated() const;

    // The value with `scale` decimals: more digits are exact; fewer round half away from zero
    // (or cut toward zero with `truncate`). Empty when the result exceeds 38 digits.
    std::optional<Decimal> rescaled(int scale, bool truncate = false) const;
    // Whether the value fits decimal(precision, scale) once rescaled to that scale.
    bool fitsPrecision(int precision) const { return digits() <= precision; }

    Decimal negated() const { return Decimal(-units_, scale_); }

    // Exact operations; each result then rescales to the scale the caller's type asks for.
    // Empty when an intermediate value exceeds what the engine can hold.
    static std::optional<Decimal> add(const Decimal& a, const Decimal& b, int scale);
    static std::optional<Decimal> multiply(const Decimal& a, const Decimal& b, int scale);
    // The quotient cut toward zero at `scale` decimals, as SQL Server divides; b is not zero.
    static std::optional<Decimal> divide(const Decimal& a, const Decimal& b, int scale);
    // The remainder with the sign of `a`, at the larger scale; b is not zero.
    static std::optional<Decimal> modulo(const Decimal& a, const Decimal& b);

    // <0, 0, >0 by value, whatever the scales.
    static int compare(const Decimal& a, const Decimal& b);

private:
    __int128 units_ = 0;
    int scale_ = 0;
};

// Compares two numeric texts by value ("10.50" > "9.3"); texts that are not numbers sort after
// the numbers, by their bytes. The order of decimal and money columns and their indexes.
int compareNumericTexts(const char* a, int na, const char* b, int nb);

}  // namespace tsql
