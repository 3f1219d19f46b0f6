#include "server/Wire.h"

#include <QSysInfo>
#include <cstring>

namespace tds {

const char* Reader::take(qsizetype count) {
    if (count < 0 || count > remaining())
        throw ProtocolError("message ends inside a field");
    const char* p = data_.constData() + pos_;
    pos_ += count;
    return p;
}

uint8_t Reader::u8() {
    return static_cast<uint8_t>(*take(1));
}

uint8_t Reader::peek() const {
    if (atEnd())
        throw ProtocolError("message ends inside a field");
    return static_cast<uint8_t>(data_[pos_]);
}

uint16_t Reader::u16() {
    const auto* p = reinterpret_cast<const uint8_t*>(take(2));
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Reader::u32() {
    const auto* p = reinterpret_cast<const uint8_t*>(take(4));
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t Reader::u64() {
    const uint64_t low = u32();
    return low | uint64_t(u32()) << 32;
}

uint16_t Reader::u16be() {
    const auto* p = reinterpret_cast<const uint8_t*>(take(2));
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t Reader::u32be() {
    const auto* p = reinterpret_cast<const uint8_t*>(take(4));
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

QByteArray Reader::bytes(qsizetype count) {
    const char* p = take(count);
    return QByteArray(p, count);
}

QString Reader::ucs2(qsizetype chars) {
    const char* p = take(chars * 2);
    QString s(chars, Qt::Uninitialized);
    for (qsizetype k = 0; k < chars; ++k)
        s[k] = QChar(static_cast<char16_t>(static_cast<uint8_t>(p[2 * k]) |
                                           static_cast<uint8_t>(p[2 * k + 1]) << 8));
    return s;
}

void Writer::little(uint64_t v, int size) {
    char b[8] = {};
    for (int k = 0; k < size; ++k)
        b[k] = static_cast<char>(v >> (8 * k));
    out_.append(b, size);
}

void Writer::u16(uint16_t v) {
    little(v, 2);
}

void Writer::u32(uint32_t v) {
    little(v, 4);
}

void Writer::u64(uint64_t v) {
    little(v, 8);
}

void Writer::u16be(uint16_t v) {
    u8(v >> 8);
    u8(v & 0xFF);
}

void Writer::u32be(uint32_t v) {
    u16be(v >> 16);
    u16be(v & 0xFFFF);
}

void Writer::ucs2(const QString& s) {
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        // A QString holds UTF-16 in host order, which here is the wire's.
        out_.append(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
        return;
    }
    for (QChar c : s)
        u16(c.unicode());
}

void Writer::bVarChar(const QString& s) {
    const QString cut = s.left(255);
    u8(static_cast<uint8_t>(cut.size()));
    ucs2(cut);
}

void Writer::usVarChar(const QString& s) {
    const QString cut = s.left(0xFFFF);
    u16(static_cast<uint16_t>(cut.size()));
    ucs2(cut);
}

void Writer::bVarByte(const QByteArray& b) {
    u8(static_cast<uint8_t>(b.size()));
    bytes(b);
}

void Writer::patchU16Length(qsizetype at) {
    const qsizetype length = out_.size() - at - 2;
    out_[at] = static_cast<char>(length & 0xFF);
    out_[at + 1] = static_cast<char>((length >> 8) & 0xFF);
}

}  // namespace tds
