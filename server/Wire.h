#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <stdexcept>

namespace tds {

// A message that breaks the protocol: the connection that sent it is closed.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads little-endian fields from a message, refusing to read past its end.
class Reader {
public:
    explicit Reader(const QByteArray& data, qsizetype from = 0) : data_(data), pos_(from) {}

    uint8_t u8();
    uint8_t peek() const;
    uint16_t u16();
    uint32_t u32();
    uint64_t u64();
    uint16_t u16be();
    uint32_t u32be();
    QByteArray bytes(qsizetype count);
    // UCS-2 text of `chars` characters.
    QString ucs2(qsizetype chars);
    // UCS-2 text preceded by its length in characters: one byte (B_VARCHAR) or two (US_VARCHAR).
    QString bVarChar() { return ucs2(u8()); }
    QString usVarChar() { return ucs2(u16()); }
    void skip(qsizetype count) { bytes(count); }

    qsizetype pos() const { return pos_; }
    qsizetype remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }

private:
    const char* take(qsizetype count);

    const QByteArray& data_;
    qsizetype pos_;
};

// Appends little-endian fields to a buffer.
class Writer {
public:
    explicit Writer(QByteArray& out) : out_(out) {}

    void u8(uint8_t v) { out_.append(static_cast<char>(v)); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void u16be(uint16_t v);
    void u32be(uint32_t v);
    void bytes(const QByteArray& b) { out_.append(b); }
    void ucs2(const QString& s);
    // Length in characters (one byte, at most 255) then the text.
    void bVarChar(const QString& s);
    // Length in characters (two bytes) then the text.
    void usVarChar(const QString& s);
    // Length in bytes (one byte) then the bytes.
    void bVarByte(const QByteArray& b);

    qsizetype size() const { return out_.size(); }
    // Writes a two-byte length at `at` covering everything written after it.
    void patchU16Length(qsizetype at);

    // The low `size` bytes of v (at most 8), least significant first.
    void little(uint64_t v, int size);

private:
    QByteArray& out_;
};

}  // namespace tds
