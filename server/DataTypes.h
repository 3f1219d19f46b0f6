#pragma once

#include <cstdint>

#include "server/Handshake.h"
#include "server/Wire.h"
#include "tsql/SqlType.h"
#include "tsql/Value.h"

namespace tds {

class ThaiCodePage;

// Data type codes of the protocol.
namespace type {
inline constexpr uint8_t Null = 0x1F;
inline constexpr uint8_t Image = 0x22;
inline constexpr uint8_t Text = 0x23;
inline constexpr uint8_t Guid = 0x24;
inline constexpr uint8_t IntN = 0x26;
inline constexpr uint8_t DateN = 0x28;
inline constexpr uint8_t TimeN = 0x29;
inline constexpr uint8_t DateTime2N = 0x2A;
inline constexpr uint8_t DateTimeOffsetN = 0x2B;
inline constexpr uint8_t Int1 = 0x30;
inline constexpr uint8_t Bit = 0x32;
inline constexpr uint8_t Int2 = 0x34;
inline constexpr uint8_t Int4 = 0x38;
inline constexpr uint8_t DateTim4 = 0x3A;
inline constexpr uint8_t Flt4 = 0x3B;
inline constexpr uint8_t Money = 0x3C;
inline constexpr uint8_t DateTime = 0x3D;
inline constexpr uint8_t Flt8 = 0x3E;
inline constexpr uint8_t NText = 0x63;
inline constexpr uint8_t BitN = 0x68;
inline constexpr uint8_t DecimalN = 0x6A;
inline constexpr uint8_t NumericN = 0x6C;
inline constexpr uint8_t FltN = 0x6D;
inline constexpr uint8_t MoneyN = 0x6E;
inline constexpr uint8_t DateTimN = 0x6F;
inline constexpr uint8_t Money4 = 0x7A;
inline constexpr uint8_t Int8 = 0x7F;
inline constexpr uint8_t BigVarBinary = 0xA5;
inline constexpr uint8_t BigVarChar = 0xA7;
inline constexpr uint8_t BigBinary = 0xAD;
inline constexpr uint8_t BigChar = 0xAF;
inline constexpr uint8_t NVarChar = 0xE7;
inline constexpr uint8_t NChar = 0xEF;
}  // namespace type

// How a value of an engine type travels: the protocol's type and its size information.
struct WireType {
    uint8_t code = type::NVarChar;
    uint16_t maxLength = 0;  // bytes; 0xFFFF for a max type sent in chunks
    uint8_t precision = 0;
    uint8_t scale = 0;

    bool isPartial() const { return maxLength == 0xFFFF; }
};

// The collation sent with every text: Thai, case-insensitive, Windows-874.
QByteArray thaiCollation();

// The protocol's type for a column or output parameter of an engine type.
WireType wireTypeOf(const tsql::SqlType& t, TdsVersion version);
// TYPE_INFO: the type code and its size, precision, scale and collation.
void writeTypeInfo(Writer& w, const WireType& t);
// One value in the form of the type (NULL included).
void writeValue(Writer& w, const WireType& t, const tsql::Value& v, ThaiCodePage& codePage);

// A value a client sent: TYPE_INFO followed by the value. The engine type comes back in
// `engineType`. Throws ProtocolError for a type the server does not take.
tsql::Value readTypedValue(Reader& r, tsql::SqlType* engineType, ThaiCodePage& codePage);

}  // namespace tds
