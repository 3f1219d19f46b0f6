#include "server/DataTypes.h"

#include <QDate>
#include <cmath>

#include "server/ThaiCodePage.h"
#include "tsql/Conversions.h"
#include "tsql/Decimal.h"

namespace tds {

using tsql::SqlType;
using tsql::Value;

namespace {

constexpr uint16_t kNullLength = 0xFFFF;
constexpr uint64_t kPlpNull = ~uint64_t(0);
constexpr int kMaxVarBytes = 8000;
const QDate kDateTimeEpoch(1900, 1, 1);
const QDate kDateEpoch(1, 1, 1);

// Bytes a decimal of the precision takes, its sign byte included.
uint8_t decimalLength(int precision) {
    return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

uint16_t textBytes(int length, int bytesPerChar) {
    if (length < 0 || length * bytesPerChar > kMaxVarBytes)
        return 0xFFFF;
    return static_cast<uint16_t>((length == 0 ? kMaxVarBytes / bytesPerChar : length) *
                                 bytesPerChar);
}

bool isTextCode(uint8_t code) {
    return code == type::BigVarChar || code == type::BigChar || code == type::NVarChar ||
           code == type::NChar;
}

qint64 asInteger(const Value& v) {
    switch (v.kind) {
        case Value::Int:
            return v.i;
        case Value::Real:
            return static_cast<qint64>(std::llround(v.d));
        case Value::Text:
            return v.s.trimmed().toLongLong();
        case Value::Null:
            break;
    }
    return 0;
}

// The value times 10^scale, rounded half away from zero: decimals arrive as their exact text.
__int128 scaled(const Value& v, int scale) {
    std::optional<tsql::Decimal> d = v.kind == Value::Int    ? tsql::Decimal::ofInteger(v.i)
                                     : v.kind == Value::Real ? tsql::Decimal::ofDouble(v.d)
                                                             : tsql::Decimal::parse(v.s.trimmed());
    if (d)
        d = d->rescaled(scale);
    return d ? d->units() : 0;
}

// The date and time of a date value; nullopt for NULL or a text that is not a date. The stored
// form is read without a QDateTime, whose time-zone work would dominate a long result.
std::optional<std::pair<QDate, QTime>> asDateTime(const Value& v) {
    if (v.kind != Value::Text)
        return std::nullopt;
    if (auto parts = tsql::canonicalDateParts(v.s))
        return parts;
    const std::optional<QDateTime> dt = tsql::parseCanonicalDate(v.s);
    if (!dt || !dt->isValid())
        return std::nullopt;
    return std::make_pair(dt->date(), dt->time());
}

void writeDateTime(Writer& w, const std::pair<QDate, QTime>& dt) {
    w.u32(static_cast<uint32_t>(kDateTimeEpoch.daysTo(dt.first)));
    const qint64 ms = dt.second.msecsSinceStartOfDay();
    w.u32(static_cast<uint32_t>((ms * 3 + 5) / 10));
}

void writeDecimal(Writer& w, const WireType& t, const Value& v) {
    const uint8_t length = decimalLength(t.precision);
    __int128 n = scaled(v, t.scale);
    w.u8(length);
    w.u8(n < 0 ? 0 : 1);
    unsigned __int128 magnitude = n < 0 ? -static_cast<unsigned __int128>(n) : n;
    for (int k = 0; k < length - 1; ++k) {
        w.u8(static_cast<uint8_t>(magnitude & 0xFF));
        magnitude >>= 8;
    }
}

void writeMoney(Writer& w, const Value& v) {
    const auto n = static_cast<qint64>(scaled(v, 4));
    w.u8(8);
    w.u32(static_cast<uint32_t>(static_cast<uint64_t>(n) >> 32));
    w.u32(static_cast<uint32_t>(n));
}

bool isAscii(const QByteArray& bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The bytes of a text in the column's encoding: UCS-2 for the N types, the Thai code page for
// the others (where ASCII, as most codes are, reads the same as the engine's UTF-8).
QByteArray textPayload(const WireType& t, const Value& v, ThaiCodePage& codePage) {
    const bool unicode = t.code == type::NVarChar || t.code == type::NChar;
    QByteArray bytes;
    if (!unicode && v.kind == Value::Text && isAscii(v.s)) {
        bytes = v.s;
    } else if (unicode) {
        Writer w(bytes);
        w.ucs2(v.toString());
    } else {
        bytes = codePage.encode(v.toString());
    }
    if (!t.isPartial() && bytes.size() > t.maxLength)
        bytes.truncate(t.maxLength);
    return bytes;
}

void writeText(Writer& w, const WireType& t, const Value& v, ThaiCodePage& codePage) {
    if (t.isPartial()) {
        if (v.isNull()) {
            w.u64(kPlpNull);
            return;
        }
        const QByteArray bytes = textPayload(t, v, codePage);
        w.u64(static_cast<uint64_t>(bytes.size()));
        if (!bytes.isEmpty()) {
            w.u32(static_cast<uint32_t>(bytes.size()));
            w.bytes(bytes);
        }
        w.u32(0);
        return;
    }
    if (v.isNull()) {
        w.u16(kNullLength);
        return;
    }
    const QByteArray bytes = textPayload(t, v, codePage);
    w.u16(static_cast<uint16_t>(bytes.size()));
    w.bytes(bytes);
}

}  // namespace

QByteArray thaiCollation() {
    // LCID 0x041E (Thai), ignore case, kana and width; Windows collation (sort id 0).
    return QByteArray("\x1E\x04\xD0\x00\x00", 5);
}

WireType wireTypeOf(const SqlType& t, TdsVersion version) {
    const bool maxTypes = version >= TdsVersion::V7_2;
    switch (t.base) {
        case SqlType::Bit:
            return {type::BitN, 1};
        case SqlType::TinyInt:
            return {type::IntN, 1};
        case SqlType::SmallInt:
            return {type::IntN, 2};
        case SqlType::Int:
            return {type::IntN, 4};
        case SqlType::BigInt:
            return {type::IntN, 8};
        case SqlType::Decimal: {
            const int precision = t.precision > 0 ? std::min(t.precision, 38) : 38;
            const int scale = std::clamp(t.scale, 0, precision);
            return {type::DecimalN, decimalLength(precision), static_cast<uint8_t>(precision),
                    static_cast<uint8_t>(scale)};
        }
        case SqlType::Money:
            return {type::MoneyN, 8};
        case SqlType::Float:
            return {type::FltN, 8};
        case SqlType::Real:
            return {type::FltN, 4};
        case SqlType::DateTime:
            return {type::DateTimN, 8};
        case SqlType::Date:
            return version >= TdsVersion::V7_3 ? WireType{type::DateN, 3}
                                               : WireType{type::DateTimN, 8};
        case SqlType::Char:
            return {type::BigChar, textBytes(std::max(t.length, 1), 1)};
        case SqlType::NChar:
            return {type::NChar, textBytes(std::max(t.length, 1), 2)};
        case SqlType::VarChar:
        case SqlType::Text: {
            const uint16_t bytes = textBytes(t.base == SqlType::Text ? -1 : t.length, 1);
            return {type::BigVarChar,
                    bytes == 0xFFFF && !maxTypes ? uint16_t(kMaxVarBytes) : bytes};
        }
        // datetime2 and time travel as their text.
        case SqlType::DateTime2:
        case SqlType::Time:
        case SqlType::UniqueIdentifier:
        case SqlType::NVarChar:
        case SqlType::Unknown:
            break;
    }
    const uint16_t bytes = textBytes(t.base == SqlType::Unknown ? 0 : t.length, 2);
    return {type::NVarChar, bytes == 0xFFFF && !maxTypes ? uint16_t(kMaxVarBytes) : bytes};
}

void writeTypeInfo(Writer& w, const WireType& t) {
    w.u8(t.code);
    switch (t.code) {
        case type::DateN:
            return;
        case type::DecimalN:
        case type::NumericN:
            w.u8(static_cast<uint8_t>(t.maxLength));
            w.u8(t.precision);
            w.u8(t.scale);
            return;
        default:
            break;
    }
    if (isTextCode(t.code)) {
        w.u16(t.maxLength);
        w.bytes(thaiCollation());
        return;
    }
    w.u8(static_cast<uint8_t>(t.maxLength));
}

void writeValue(Writer& w, const WireType& t, const Value& v, ThaiCodePage& codePage) {
    if (isTextCode(t.code)) {
        writeText(w, t, v, codePage);
        return;
    }
    const bool isDate = t.code == type::DateTimN || t.code == type::DateN;
    const std::optional<std::pair<QDate, QTime>> date = isDate ? asDateTime(v) : std::nullopt;
    if (v.isNull() || (isDate && !date)) {
        w.u8(0);
        return;
    }
    switch (t.code) {
        case type::IntN:
        case type::BitN: {
            const qint64 n = t.code == type::BitN ? (asInteger(v) != 0) : asInteger(v);
            w.u8(static_cast<uint8_t>(t.maxLength));
            w.little(static_cast<uint64_t>(n), t.maxLength);
            return;
        }
        case type::FltN: {
            const double d = v.toDouble();
            w.u8(static_cast<uint8_t>(t.maxLength));
            if (t.maxLength == 4) {
                const float f = static_cast<float>(d);
                uint32_t bits;
                std::memcpy(&bits, &f, 4);
                w.u32(bits);
            } else {
                uint64_t bits;
                std::memcpy(&bits, &d, 8);
                w.u64(bits);
            }
            return;
        }
        case type::DecimalN:
        case type::NumericN:
            writeDecimal(w, t, v);
            return;
        case type::MoneyN:
            writeMoney(w, v);
            return;
        case type::DateTimN:
            w.u8(8);
            writeDateTime(w, *date);
            return;
        case type::DateN: {
            const qint64 days = kDateEpoch.daysTo(date->first);
            w.u8(3);
            w.u8(days & 0xFF);
            w.u8((days >> 8) & 0xFF);
            w.u8((days >> 16) & 0xFF);
            return;
        }
        default:
            throw ProtocolError("no encoding for the column's type");
    }
}

}  // namespace tds
