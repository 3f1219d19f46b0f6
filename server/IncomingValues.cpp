// Values clients send with RPC parameters, read into the engine's values.
#include <QDate>
#include <cmath>
#include <cstring>

#include "server/DataTypes.h"
#include "server/ThaiCodePage.h"
#include "tsql/Conversions.h"

namespace tds {

using tsql::SqlType;
using tsql::Value;

namespace {

const QDate kDateTimeEpoch(1900, 1, 1);
const QDate kDateEpoch(1, 1, 1);

Value dateValue(const QDate& d, qint64 msOfDay = 0) {
    return Value::text(tsql::canonicalDate(
        QDateTime(d, QTime::fromMSecsSinceStartOfDay(static_cast<int>(msOfDay)))));
}

qint64 littleEndian(Reader& r, int bytes) {
    if (bytes < 1 || bytes > 8)
        throw ProtocolError("integer of a size the protocol has not");
    uint64_t n = 0;
    for (int k = 0; k < bytes; ++k)
        n |= uint64_t(r.u8()) << (8 * k);
    if (bytes < 8 && (n >> (8 * bytes - 1)) & 1)
        n |= ~uint64_t(0) << (8 * bytes);  // sign-extend
    return static_cast<qint64>(n);
}

Value readInteger(Reader& r, int bytes, SqlType* t) {
    *t = SqlType::of(bytes == 1   ? SqlType::TinyInt
                     : bytes == 2 ? SqlType::SmallInt
                     : bytes == 4 ? SqlType::Int
                                  : SqlType::BigInt);
    if (bytes != 1 && bytes != 2 && bytes != 4 && bytes != 8)
        throw ProtocolError("integer of a size the protocol has not");
    // A tinyint is unsigned.
    return Value::integer(bytes == 1 ? r.u8() : littleEndian(r, bytes));
}

Value readFloat(Reader& r, int bytes, SqlType* t) {
    *t = SqlType::of(bytes == 4 ? SqlType::Real : SqlType::Float);
    if (bytes == 4) {
        const uint32_t bits = r.u32();
        float f;
        std::memcpy(&f, &bits, 4);
        return Value::real(f);
    }
    if (bytes != 8)
        throw ProtocolError("float of a size the protocol has not");
    const uint64_t bits = r.u64();
    double d;
    std::memcpy(&d, &bits, 8);
    return Value::real(d);
}

Value readMoney(Reader& r, int bytes, SqlType* t) {
    *t = SqlType::of(SqlType::Money);
    qint64 n;
    if (bytes == 4) {
        n = static_cast<int32_t>(r.u32());
    } else if (bytes == 8) {
        const uint64_t high = r.u32();
        n = static_cast<qint64>(high << 32 | r.u32());
    } else {
        throw ProtocolError("money of a size the protocol has not");
    }
    return Value::real(static_cast<double>(n) / 10000.0);
}

Value readDateTime(Reader& r, int bytes, SqlType* t) {
    *t = SqlType::of(SqlType::DateTime);
    if (bytes == 4) {
        const uint16_t days = r.u16();
        const uint16_t minutes = r.u16();
        return dateValue(kDateTimeEpoch.addDays(days), qint64(minutes) * 60000);
    }
    if (bytes != 8)
        throw ProtocolError("datetime of a size the protocol has not");
    const auto days = static_cast<int32_t>(r.u32());
    const uint32_t ticks = r.u32();
    return dateValue(kDateTimeEpoch.addDays(days),
                     std::min<qint64>((qint64(ticks) * 10 + 1) / 3, 86399999));
}

Value readDecimal(Reader& r, int bytes, uint8_t precision, uint8_t scale, SqlType* t) {
    *t = SqlType::decimal(precision, scale);
    if (bytes < 2 || bytes > 17)
        throw ProtocolError("decimal of a size the protocol has not");
    const bool positive = r.u8() == 1;
    unsigned __int128 magnitude = 0;
    for (int k = 0; k < bytes - 1; ++k)
        magnitude |= static_cast<unsigned __int128>(r.u8()) << (8 * k);
    if (scale == 0 && magnitude <= static_cast<unsigned __int128>(INT64_MAX))
        return Value::integer(positive ? static_cast<qint64>(magnitude)
                                       : -static_cast<qint64>(magnitude));
    const long double d = static_cast<long double>(magnitude) / std::pow(10.0L, scale);
    return Value::real(static_cast<double>(positive ? d : -d));
}

// Time of day in units of 10^-scale seconds, in 3 to 5 bytes.
qint64 readTimeMs(Reader& r, uint8_t scale) {
    const int bytes = scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
    uint64_t units = 0;
    for (int k = 0; k < bytes; ++k)
        units |= uint64_t(r.u8()) << (8 * k);
    long double seconds = static_cast<long double>(units) / std::pow(10.0L, scale);
    return std::min<qint64>(std::llround(seconds * 1000), 86399999);
}

QDate readDate(Reader& r) {
    const uint32_t days = r.u8() | r.u8() << 8 | r.u8() << 16;
    return kDateEpoch.addDays(days);
}

Value readDateAndTime(Reader& r, uint8_t code, uint8_t scale, SqlType* t) {
    *t = SqlType::of(code == type::DateN ? SqlType::Date : SqlType::DateTime);
    if (code == type::DateN)
        return dateValue(readDate(r));
    if (code == type::TimeN)
        return dateValue(QDate(1900, 1, 1), readTimeMs(r, scale));
    const qint64 ms = readTimeMs(r, scale);
    const QDate d = readDate(r);
    if (code == type::DateTimeOffsetN)
        r.skip(2);  // the offset: the value is kept as the client's local time
    return dateValue(d, ms);
}

QByteArray readPartial(Reader& r, bool* isNull) {
    const uint64_t total = r.u64();
    *isNull = total == ~uint64_t(0);
    QByteArray out;
    if (*isNull)
        return out;
    for (;;) {
        const uint32_t chunk = r.u32();
        if (chunk == 0)
            return out;
        out.append(r.bytes(chunk));
    }
}

Value textValue(const QByteArray& bytes, bool unicode, ThaiCodePage& codePage) {
    if (!unicode)
        return Value::text(codePage.decode(bytes));
    Reader r(bytes);
    return Value::text(r.ucs2(bytes.size() / 2));
}

Value readText(Reader& r, uint8_t code, SqlType* t, ThaiCodePage& codePage) {
    const bool unicode = code == type::NVarChar || code == type::NChar || code == type::NText;
    const bool binary =
        code == type::BigVarBinary || code == type::BigBinary || code == type::Image;
    const bool legacy = code == type::Text || code == type::NText || code == type::Image;
    const uint32_t maxLength = legacy ? r.u32() : r.u16();
    if (!binary)
        r.skip(5);  // collation: texts of every client are read as the server's code page
    const int chars = maxLength == 0xFFFF || legacy ? -1 : int(maxLength / (unicode ? 2 : 1));
    *t = SqlType::of(unicode ? SqlType::NVarChar : SqlType::VarChar, chars);
    QByteArray bytes;
    bool isNull = false;
    if (!legacy && maxLength == 0xFFFF) {
        bytes = readPartial(r, &isNull);
    } else if (legacy) {
        const uint32_t length = r.u32();
        isNull = length == 0xFFFFFFFF;
        if (!isNull)
            bytes = r.bytes(length);
    } else {
        const uint16_t length = r.u16();
        isNull = length == 0xFFFF;
        if (!isNull)
            bytes = r.bytes(length);
    }
    if (isNull)
        return Value::null();
    return binary ? Value::text(bytes) : textValue(bytes, unicode, codePage);
}

// Types whose size is in the type code itself.
int fixedSize(uint8_t code) {
    switch (code) {
        case type::Int1:
        case type::Bit:
            return 1;
        case type::Int2:
            return 2;
        case type::Int4:
        case type::Flt4:
        case type::Money4:
        case type::DateTim4:
            return 4;
        case type::Int8:
        case type::Flt8:
        case type::Money:
        case type::DateTime:
            return 8;
        default:
            return 0;
    }
}

Value readSized(Reader& r, uint8_t code, int bytes, uint8_t precision, uint8_t scale, SqlType* t) {
    switch (code) {
        case type::IntN:
        case type::Int1:
        case type::Int2:
        case type::Int4:
        case type::Int8:
            return readInteger(r, bytes, t);
        case type::BitN:
        case type::Bit:
            *t = SqlType::of(SqlType::Bit);
            return Value::integer(littleEndian(r, bytes) != 0);
        case type::FltN:
        case type::Flt4:
        case type::Flt8:
            return readFloat(r, bytes, t);
        case type::MoneyN:
        case type::Money:
        case type::Money4:
            return readMoney(r, bytes, t);
        case type::DateTimN:
        case type::DateTime:
        case type::DateTim4:
            return readDateTime(r, bytes, t);
        case type::DecimalN:
        case type::NumericN:
            return readDecimal(r, bytes, precision, scale, t);
        case type::Guid:
            *t = SqlType::of(SqlType::VarChar, 36);
            return Value::text(r.bytes(bytes).toHex());
        default:
            break;
    }
    throw ProtocolError("parameter of a type the server does not take");
}

}  // namespace

Value readTypedValue(Reader& r, SqlType* engineType, ThaiCodePage& codePage) {
    const uint8_t code = r.u8();
    if (code == type::Null) {
        *engineType = SqlType::of(SqlType::Int);
        return Value::null();
    }
    if (const int size = fixedSize(code))
        return readSized(r, code, size, 0, 0, engineType);
    switch (code) {
        case type::BigVarChar:
        case type::BigChar:
        case type::NVarChar:
        case type::NChar:
        case type::BigVarBinary:
        case type::BigBinary:
        case type::Text:
        case type::NText:
        case type::Image:
            return readText(r, code, engineType, codePage);
        case type::DateN:
        case type::TimeN:
        case type::DateTime2N:
        case type::DateTimeOffsetN: {
            const uint8_t scale = code == type::DateN ? 0 : r.u8();
            if (scale > 7)
                throw ProtocolError("time scale out of range");
            const uint8_t length = r.u8();
            if (length == 0) {
                *engineType = SqlType::of(code == type::DateN ? SqlType::Date : SqlType::DateTime);
                return Value::null();
            }
            return readDateAndTime(r, code, scale, engineType);
        }
        default:
            break;
    }
    // Nullable types: a maximum size, then each value with its own size (0: NULL).
    const uint8_t maxSize = r.u8();
    uint8_t precision = 0, scale = 0;
    if (code == type::DecimalN || code == type::NumericN) {
        precision = r.u8();
        scale = r.u8();
        if (precision < 1 || precision > 38 || scale > precision)
            throw ProtocolError("decimal precision out of range");
    }
    const uint8_t length = r.u8();
    if (length == 0) {
        // The type a value of the maximum size would have.
        const QByteArray zeros(maxSize, '\0');
        Reader none(zeros);
        readSized(none, code, maxSize, precision, scale, engineType);
        return Value::null();
    }
    if (length > maxSize)
        throw ProtocolError("value longer than its type");
    return readSized(r, code, length, precision, scale, engineType);
}

}  // namespace tds
