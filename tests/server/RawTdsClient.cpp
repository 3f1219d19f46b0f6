#include "RawTdsClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint8_t kSqlBatch = 1;
constexpr uint8_t kRpc = 3;
constexpr uint8_t kLogin7 = 16;
constexpr uint8_t kEndOfMessage = 0x01;
constexpr uint8_t kIntN = 0x26;
constexpr uint8_t kNVarChar = 0xE7;
constexpr uint8_t kLoginAck = 0xAD;
constexpr uint8_t kReturnValue = 0xAC;
constexpr uint8_t kRow = 0xD1;
constexpr uint8_t kError = 0xAA;

void u8(QByteArray& out, uint8_t v) {
    out.append(static_cast<char>(v));
}
void u16(QByteArray& out, uint16_t v) {
    u8(out, v & 0xFF);
    u8(out, v >> 8);
}
void u32(QByteArray& out, uint32_t v) {
    u16(out, v & 0xFFFF);
    u16(out, v >> 16);
}
QByteArray ucs2(const QString& text) {
    QByteArray out;
    for (QChar c : text)
        u16(out, c.unicode());
    return out;
}
int32_t readInt32(const QByteArray& bytes, qsizetype at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = (v << 8) | static_cast<uint8_t>(bytes[at + k]);
    return static_cast<int32_t>(v);
}

// ALL_HEADERS with the transaction descriptor header (no transaction), as requests of TDS 7.2
// and later begin.
QByteArray allHeaders() {
    QByteArray out;
    u32(out, 22);
    u32(out, 18);
    u16(out, 2);
    out.append(QByteArray(8, '\0'));
    u32(out, 1);
    return out;
}

QByteArray login7(const QString& user, const QString& password, const QString& database) {
    QByteArray scrambled = ucs2(password);
    for (char& b : scrambled) {
        const auto v = static_cast<uint8_t>(b);
        b = static_cast<char>(static_cast<uint8_t>((v << 4) | (v >> 4)) ^ 0xA5);
    }
    const QByteArray fields[] = {ucs2("raw-test"), ucs2(user),   scrambled,
                                 ucs2("raw-test"), QByteArray(), QByteArray(),
                                 ucs2("raw"),      QByteArray(), ucs2(database)};
    constexpr int kFixed = 94;
    QByteArray out;
    u32(out, 0);  // length, set below
    u32(out, 0x74000004);
    u32(out, 4096);
    u32(out, 0);
    u32(out, 0);
    u32(out, 0);
    u8(out, 0xE0);
    u8(out, 0x03);
    u8(out, 0);
    u8(out, 0);
    u32(out, 0);
    u32(out, 0x0409);
    QByteArray data;
    for (int k = 0; k < 9; ++k) {
        const QByteArray& f = fields[k];
        if (k == 5) {  // the extension: none
            u32(out, 0);
            continue;
        }
        u16(out, static_cast<uint16_t>(kFixed + data.size()));
        u16(out, static_cast<uint16_t>(f.size() / 2));
        data += f;
    }
    out.append(QByteArray(6, '\0'));  // client id
    for (int k = 0; k < 4; ++k)       // SSPI, attach file, change password, long SSPI
        u32(out, 0);
    out += data;
    const uint32_t length = static_cast<uint32_t>(out.size());
    for (int k = 0; k < 4; ++k)
        out[k] = static_cast<char>((length >> (8 * k)) & 0xFF);
    return out;
}

void appendArgument(QByteArray& out, const RawTdsClient::Argument& a) {
    u8(out, 0);  // no name
    u8(out, a.output ? 0x01 : 0x00);
    if (a.integer || a.output) {
        u8(out, kIntN);
        u8(out, 4);
        if (a.integer) {
            u8(out, 4);
            u32(out, static_cast<uint32_t>(*a.integer));
        } else {
            u8(out, 0);
        }
        return;
    }
    const QByteArray text = ucs2(a.text);
    u8(out, kNVarChar);
    u16(out, 8000);
    out.append(QByteArray("\x09\x04\xD0\x00\x34", 5));  // collation
    u16(out, static_cast<uint16_t>(text.size()));
    out += text;
}

}  // namespace

RawTdsClient::RawTdsClient(int port, const QString& user, const QString& password,
                           const QString& database) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{30, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return;
    const QByteArray reply = exchange(kLogin7, login7(user, password, database), 0);
    loggedIn_ = reply.contains(static_cast<char>(kLoginAck));
}

RawTdsClient::~RawTdsClient() {
    if (fd_ >= 0)
        ::close(fd_);
}

QByteArray RawTdsClient::batch(const QString& sql, uint8_t status) {
    return exchange(kSqlBatch, allHeaders() + ucs2(sql), status);
}

QByteArray RawTdsClient::call(uint16_t procId, const std::vector<Argument>& arguments) {
    QByteArray payload = allHeaders();
    u16(payload, 0xFFFF);
    u16(payload, procId);
    u16(payload, 0);  // option flags
    for (const Argument& a : arguments)
        appendArgument(payload, a);
    return exchange(kRpc, payload, 0);
}

// Sends one message in one packet and reads the reply's packets to its end.
QByteArray RawTdsClient::exchange(uint8_t type, const QByteArray& payload, uint8_t status) {
    QByteArray packet;
    u8(packet, type);
    u8(packet, status | kEndOfMessage);
    const auto length = static_cast<uint16_t>(payload.size() + 8);
    u8(packet, length >> 8);
    u8(packet, length & 0xFF);
    packet.append(QByteArray(4, '\0'));
    packet += payload;
    if (::send(fd_, packet.constData(), static_cast<size_t>(packet.size()), MSG_NOSIGNAL) < 0)
        return {};
    QByteArray reply;
    for (;;) {
        unsigned char header[8];
        if (::recv(fd_, header, sizeof header, MSG_WAITALL) != 8)
            return reply;
        const int body = ((header[2] << 8) | header[3]) - 8;
        QByteArray part(body, '\0');
        if (body > 0 && ::recv(fd_, part.data(), static_cast<size_t>(body), MSG_WAITALL) != body)
            return reply;
        reply += part;
        if (header[1] & kEndOfMessage)
            return reply;
    }
}

std::optional<int32_t> RawTdsClient::returnedInteger(const QByteArray& reply) {
    // RETURNVALUE: ordinal, name, status, user type, flags, INTN type info, length, value.
    for (qsizetype at = reply.indexOf(static_cast<char>(kReturnValue)); at >= 0;
         at = reply.indexOf(static_cast<char>(kReturnValue), at + 1)) {
        const qsizetype name = at + 3;
        if (name >= reply.size())
            break;
        const qsizetype type = name + 1 + 2 * static_cast<uint8_t>(reply[name]) + 1 + 4 + 2;
        if (type + 7 <= reply.size() && static_cast<uint8_t>(reply[type]) == kIntN &&
            reply[type + 2] == 4)
            return readInt32(reply, type + 3);
    }
    return std::nullopt;
}

bool RawTdsClient::hasIntegerRow(const QByteArray& reply, int32_t value) {
    QByteArray row;
    u8(row, kRow);
    u8(row, 4);
    u32(row, static_cast<uint32_t>(value));
    return reply.contains(row);
}

bool RawTdsClient::hasError(const QByteArray& reply, int32_t number) {
    for (qsizetype at = reply.indexOf(static_cast<char>(kError)); at >= 0;
         at = reply.indexOf(static_cast<char>(kError), at + 1))
        if (at + 7 <= reply.size() && readInt32(reply, at + 3) == number)
            return true;
    return false;
}

bool RawTdsClient::countsRows(const QByteArray& reply) {
    return reply.contains(QByteArray("\xFD\x11\x00", 3));  // DONE, more and count
}
