#include "tsql/Decimal.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace tsql {

namespace {

using u128 = unsigned __int128;
using u64 = std::uint64_t;

constexpr u64 kTen19 = 10000000000000000000ULL;

u128 pow10(int k) {
    static const auto table = [] {
        std::array<u128, 39> t{};
        t[0] = 1;
        for (int i = 1; i < 39; ++i)
            t[i] = t[i - 1] * 10;
        return t;
    }();
    return table[static_cast<size_t>(k)];
}

u128 magnitude(__int128 v) {
    return v < 0 ? u128(0) - u128(v) : u128(v);
}

// A 256-bit magnitude for the intermediate results of multiplication, division and alignment.
struct Wide {
    std::array<u64, 4> limb{};  // least significant first

    static Wide of(u128 v) {
        Wide w;
        w.limb[0] = static_cast<u64>(v);
        w.limb[1] = static_cast<u64>(v >> 64);
        return w;
    }
    bool fits128() const { return limb[2] == 0 && limb[3] == 0; }
    u128 low() const { return (u128(limb[1]) << 64) | limb[0]; }
    bool isZero() const { return fits128() && low() == 0; }

    // this × m; false when the product leaves 256 bits.
    bool multiplySmall(u64 m) {
        u64 carry = 0;
        for (u64& l : limb) {
            const u128 p = u128(l) * m + carry;
            l = static_cast<u64>(p);
            carry = static_cast<u64>(p >> 64);
        }
        return carry == 0;
    }
    bool multiplyPow10(int k) {
        for (; k >= 19; k -= 19)
            if (!multiplySmall(kTen19))
                return false;
        return k == 0 || multiplySmall(static_cast<u64>(pow10(k)));
    }
    // this / d, returning the remainder.
    u64 divideSmall(u64 d) {
        u128 rem = 0;
        for (int i = 3; i >= 0; --i) {
            const u128 cur = (rem << 64) | limb[static_cast<size_t>(i)];
            limb[static_cast<size_t>(i)] = static_cast<u64>(cur / d);
            rem = cur % d;
        }
        return static_cast<u64>(rem);
    }
    // this / d (d > 0), returning the remainder: bit by bit when d needs more than 64 bits.
    u128 divide(u128 d) {
        if ((d >> 64) == 0)
            return divideSmall(static_cast<u64>(d));
        Wide q;
        u128 r = 0;
        for (int bit = 255; bit >= 0; --bit) {
            const bool top = (r >> 127) != 0;
            r = (r << 1) | ((limb[static_cast<size_t>(bit / 64)] >> (bit % 64)) & 1);
            if (top || r >= d) {
                r -= d;
                q.limb[static_cast<size_t>(bit / 64)] |= u64(1) << (bit % 64);
            }
        }
        *this = q;
        return r;
    }
    void add(const Wide& o) {
        u128 carry = 0;
        for (size_t i = 0; i < 4; ++i) {
            const u128 s = u128(limb[i]) + o.limb[i] + carry;
            limb[i] = static_cast<u64>(s);
            carry = s >> 64;
        }
    }
    // this - o, with this >= o.
    void subtract(const Wide& o) {
        u64 borrow = 0;
        for (size_t i = 0; i < 4; ++i) {
            const u128 s = u128(limb[i]) - o.limb[i] - borrow;
            limb[i] = static_cast<u64>(s);
            borrow = (s >> 64) != 0 ? 1 : 0;
        }
    }
    int compare(const Wide& o) const {
        for (int i = 3; i >= 0; --i) {
            const auto k = static_cast<size_t>(i);
            if (limb[k] != o.limb[k])
                return limb[k] < o.limb[k] ? -1 : 1;
        }
        return 0;
    }
};

Wide product(u128 a, u128 b) {
    const u64 a0 = static_cast<u64>(a), a1 = static_cast<u64>(a >> 64);
    const u64 b0 = static_cast<u64>(b), b1 = static_cast<u64>(b >> 64);
    Wide w = Wide::of(u128(a0) * b0);
    Wide mid = Wide::of(u128(a0) * b1);
    Wide mid2 = Wide::of(u128(a1) * b0);
    mid.add(mid2);
    Wide shifted;
    shifted.limb = {0, mid.limb[0], mid.limb[1], mid.limb[2]};
    w.add(shifted);
    Wide high = Wide::of(u128(a1) * b1);
    shifted.limb = {0, 0, high.limb[0], high.limb[1]};
    w.add(shifted);
    return w;
}

// A signed magnitude at some scale, the working form of the exact operations.
struct Working {
    bool negative = false;
    Wide value;
    int scale = 0;
};

Working working(const Decimal& d) {
    return {d.isNegative(), Wide::of(magnitude(d.units())), d.scale()};
}

// The working value brought to `scale` decimals, rounding half away from zero or cutting; then
// narrowed to 38 digits.
std::optional<Decimal> finish(Working w, int scale, bool truncate) {
    if (scale > w.scale) {
        if (!w.value.multiplyPow10(scale - w.scale))
            return std::nullopt;
    } else if (scale < w.scale) {
        int drop = w.scale - scale;
        for (; drop > 19; drop -= 19)
            w.value.divideSmall(kTen19);
        const u64 last = static_cast<u64>(pow10(drop - 1));
        if (last > 1)
            w.value.divideSmall(last);
        const u64 digit = w.value.divideSmall(10);
        if (!truncate && digit >= 5)
            w.value.add(Wide::of(1));
    }
    if (!w.value.fits128() || w.value.low() >= pow10(Decimal::kMaxDigits))
        return std::nullopt;
    const auto units = static_cast<__int128>(w.value.low());
    return Decimal(w.negative ? -units : units, scale);
}

// A result of the fast paths, which may hold more than 38 digits.
std::optional<Decimal> within38(const std::optional<Decimal>& d) {
    if (d && magnitude(d->units()) >= pow10(Decimal::kMaxDigits))
        return std::nullopt;
    return d;
}

bool align(Working& w, int scale) {
    if (!w.value.multiplyPow10(scale - w.scale))
        return false;
    w.scale = scale;
    return true;
}

}  // namespace

std::optional<Decimal> Decimal::parse(const char* p, qsizetype n) {
    qsizetype k = 0;
    bool negative = false;
    if (k < n && (p[k] == '-' || p[k] == '+'))
        negative = p[k++] == '-';
    u128 units = 0;
    int significant = 0, scale = 0;
    bool anyDigit = false, point = false, roundUp = false, dropping = false;
    for (; k < n; ++k) {
        const char c = p[k];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        anyDigit = true;
        if (dropping)
            continue;
        if (significant == kMaxDigits || (point && scale == kMaxDigits)) {
            if (!point)
                return std::nullopt;  // more than 38 digits before the point
            roundUp = c >= '5';
            dropping = true;
            continue;
        }
        units = units * 10 + u128(c - '0');
        if (units != 0)
            ++significant;
        if (point)
            ++scale;
    }
    if (!anyDigit)
        return std::nullopt;
    if (roundUp && ++units >= pow10(kMaxDigits))
        return std::nullopt;
    const auto v = static_cast<__int128>(units);
    return Decimal(negative ? -v : v, scale);
}

std::optional<Decimal> Decimal::ofDouble(double v) {
    if (!std::isfinite(v))
        return std::nullopt;
    if (std::fabs(v) < 1e-38)
        return Decimal();
    char buf[512];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return parse(buf, r.ptr - buf);
}

int Decimal::digits() const {
    const u128 m = magnitude(units_);
    int d = 1;
    while (d < kMaxDigits + 1 && m >= pow10(d))
        ++d;
    return d;
}

QByteArray Decimal::text() const {
    u128 m = magnitude(units_);
    char buf[48];
    int at = sizeof buf;
    int written = 0;
    do {
        buf[--at] = static_cast<char>('0' + static_cast<int>(m % 10));
        m /= 10;
        if (++written == scale_ && scale_ > 0)
            buf[--at] = '.';
    } while (m != 0 || written < scale_);
    if (buf[at] == '.')
        buf[--at] = '0';
    if (units_ < 0)
        buf[--at] = '-';
    return QByteArray(buf + at, static_cast<qsizetype>(sizeof buf) - at);
}

double Decimal::toDouble() const {
    const QByteArray t = text();
    return std::strtod(t.constData(), nullptr);
}

std::optional<qint64> Decimal::truncated() const {
    const __int128 whole = units_ / static_cast<__int128>(pow10(scale_));
    if (whole > std::numeric_limits<qint64>::max() || whole < std::numeric_limits<qint64>::min())
        return std::nullopt;
    return static_cast<qint64>(whole);
}

std::optional<Decimal> Decimal::rescaled(int scale, bool truncate) const {
    if (scale == scale_)
        return *this;
    return finish(working(*this), scale, truncate);
}

std::optional<Decimal> Decimal::add(const Decimal& a, const Decimal& b, int scale) {
    __int128 sum = 0;
    if (a.scale_ == b.scale_ && !__builtin_add_overflow(a.units_, b.units_, &sum))
        return within38(Decimal(sum, a.scale_).rescaled(scale));
    Working x = working(a), y = working(b);
    const int common = std::max(a.scale_, b.scale_);
    if (!align(x, common) || !align(y, common))
        return std::nullopt;
    if (x.negative == y.negative) {
        x.value.add(y.value);
    } else if (x.value.compare(y.value) >= 0) {
        x.value.subtract(y.value);
    } else {
        y.value.subtract(x.value);
        x = y;
    }
    return finish(x, scale, false);
}

std::optional<Decimal> Decimal::multiply(const Decimal& a, const Decimal& b, int scale) {
    __int128 p = 0;
    if (!__builtin_mul_overflow(a.units_, b.units_, &p))
        return within38(Decimal(p, a.scale_ + b.scale_).rescaled(scale));
    Working w{a.isNegative() != b.isNegative(), product(magnitude(a.units_), magnitude(b.units_)),
              a.scale_ + b.scale_};
    return finish(w, scale, false);
}

std::optional<Decimal> Decimal::divide(const Decimal& a, const Decimal& b, int scale) {
    // a / b at `scale` decimals is (a.units × 10^shift) / b.units with the shift below; a
    // negative shift moves the power of ten to the divisor.
    const int shift = scale - a.scale_ + b.scale_;
    Wide divisor = Wide::of(magnitude(b.units_));
    Wide n = Wide::of(magnitude(a.units_));
    int pending = shift;
    if (shift < 0 && !divisor.multiplyPow10(-shift))
        return Decimal(0, scale);  // the divisor outgrows any dividend: the quotient cuts to 0
    if (!divisor.fits128())
        return Decimal(0, scale);
    const u128 d = divisor.low();
    // Long division in steps of up to 38 digits, each step's remainder below the divisor.
    Wide q;
    u128 r = n.divide(d);
    q = n;
    while (pending > 0) {
        const int step = std::min(pending, 38);
        Wide part = Wide::of(r);
        part.multiplyPow10(step);
        r = part.divide(d);
        if (!q.multiplyPow10(step))
            return std::nullopt;
        q.add(part);
        pending -= step;
    }
    Working w{a.isNegative() != b.isNegative(), q, scale};
    return finish(w, scale, true);
}

std::optional<Decimal> Decimal::modulo(const Decimal& a, const Decimal& b) {
    Working x = working(a), y = working(b);
    const int common = std::max(a.scale_, b.scale_);
    if (!align(x, common) || !align(y, common) || !y.value.fits128())
        return std::nullopt;
    Working rem{a.isNegative(), Wide::of(x.value.divide(y.value.low())), common};
    return finish(rem, common, false);
}

int Decimal::compare(const Decimal& a, const Decimal& b) {
    if (a.scale_ == b.scale_)
        return a.units_ < b.units_ ? -1 : (a.units_ > b.units_ ? 1 : 0);
    if (a.isNegative() != b.isNegative())
        return a.isNegative() ? -1 : 1;
    Working x = working(a), y = working(b);
    const int common = std::max(a.scale_, b.scale_);
    align(x, common);
    align(y, common);
    const int c = x.value.compare(y.value);
    return a.isNegative() ? -c : c;
}

namespace {

// The parts of a plain numeric text: sign, integer digits without leading zeros, fraction
// digits without trailing zeros.
struct NumericText {
    bool negative = false;
    const char* whole = nullptr;
    int wholeSize = 0;
    const char* fraction = nullptr;
    int fractionSize = 0;
};

bool split(const char* p, int n, NumericText& out) {
    int k = 0;
    if (k < n && (p[k] == '-' || p[k] == '+'))
        out.negative = p[k++] == '-';
    const int wholeStart = k;
    while (k < n && p[k] >= '0' && p[k] <= '9')
        ++k;
    int wholeEnd = k, fracStart = k, fracEnd = k;
    if (k < n && p[k] == '.') {
        fracStart = ++k;
        while (k < n && p[k] >= '0' && p[k] <= '9')
            ++k;
        fracEnd = k;
    }
    if (k != n || (wholeEnd == wholeStart && fracEnd == fracStart))
        return false;
    int w = wholeStart;
    while (w < wholeEnd && p[w] == '0')
        ++w;
    while (fracEnd > fracStart && p[fracEnd - 1] == '0')
        --fracEnd;
    out.whole = p + w;
    out.wholeSize = wholeEnd - w;
    out.fraction = p + fracStart;
    out.fractionSize = fracEnd - fracStart;
    if (out.wholeSize == 0 && out.fractionSize == 0)
        out.negative = false;  // -0 is 0
    return true;
}

int compareMagnitudes(const NumericText& a, const NumericText& b) {
    if (a.wholeSize != b.wholeSize)
        return a.wholeSize < b.wholeSize ? -1 : 1;
    if (int c = std::memcmp(a.whole, b.whole, static_cast<size_t>(a.wholeSize)))
        return c < 0 ? -1 : 1;
    const int common = std::min(a.fractionSize, b.fractionSize);
    if (int c = std::memcmp(a.fraction, b.fraction, static_cast<size_t>(common)))
        return c < 0 ? -1 : 1;
    return a.fractionSize == b.fractionSize ? 0 : (a.fractionSize < b.fractionSize ? -1 : 1);
}

// A number written another way ("1.5e-07", as SQLite writes some floats): its value, or NaN.
double otherNumber(const char* p, int n) {
    std::string s(p, static_cast<size_t>(n));
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return n > 0 && end == s.c_str() + n ? v : std::nan("");
}

}  // namespace

int compareNumericTexts(const char* a, int na, const char* b, int nb) {
    NumericText x, y;
    const bool plainA = split(a, na, x), plainB = split(b, nb, y);
    if (plainA && plainB) {
        if (x.negative != y.negative)
            return x.negative ? -1 : 1;
        const int c = compareMagnitudes(x, y);
        return x.negative ? -c : c;
    }
    const double da =
        plainA ? std::strtod(std::string(a, size_t(na)).c_str(), nullptr) : otherNumber(a, na);
    const double db =
        plainB ? std::strtod(std::string(b, size_t(nb)).c_str(), nullptr) : otherNumber(b, nb);
    const bool numA = !std::isnan(da), numB = !std::isnan(db);
    if (numA && numB)
        return da < db ? -1 : (da > db ? 1 : 0);
    if (numA != numB)
        return numA ? -1 : 1;
    const int c = std::memcmp(a, b, static_cast<size_t>(std::min(na, nb)));
    return c != 0 ? (c < 0 ? -1 : 1) : (na == nb ? 0 : (na < nb ? -1 : 1));
}

}  // namespace tsql
