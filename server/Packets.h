#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

#include "server/Transport.h"

namespace tds {

// Packet types of the protocol.
namespace packet {
inline constexpr uint8_t SqlBatch = 1;
inline constexpr uint8_t Rpc = 3;
inline constexpr uint8_t Reply = 4;
inline constexpr uint8_t Attention = 6;
inline constexpr uint8_t TransactionManager = 14;
inline constexpr uint8_t Login7 = 16;
inline constexpr uint8_t PreLogin = 18;

inline constexpr uint8_t EndOfMessage = 0x01;
inline constexpr uint8_t ResetConnection = 0x08;
inline constexpr uint8_t ResetConnectionKeepTransaction = 0x10;

inline constexpr int HeaderSize = 8;
inline constexpr int MinSize = 512;
inline constexpr int MaxSize = 32767;
inline constexpr int DefaultSize = 4096;
// A request larger than this closes the connection.
inline constexpr qsizetype MaxMessage = 64 * 1024 * 1024;
}  // namespace packet

struct Message {
    uint8_t type = 0;
    bool resetConnection = false;
    bool resetKeepsTransaction = false;
    QByteArray payload;
};

// Splits the stream into messages of packets, both ways.
class Channel {
public:
    explicit Channel(Transport* transport) : transport_(transport) {}

    void setTransport(Transport* transport) { transport_ = transport; }
    Transport& transport() { return *transport_; }
    void setPacketSize(int size) { packetSize_ = size; }
    int packetSize() const { return packetSize_; }
    void setSessionId(uint16_t id) { sessionId_ = id; }

    // The next whole message; empty when the client closed the connection between messages.
    // Throws ProtocolError on a malformed or oversized message.
    std::optional<Message> read();

    // Replies are built in the buffer and go out as packets whenever a packet fills up.
    QByteArray& buffer() { return out_; }
    void flushFullPackets(uint8_t type = packet::Reply);
    // Sends what is left as the reply's last packet; `type` is that of all its packets.
    void endReply(uint8_t type = packet::Reply);

    // An attention packet waiting to be read, read now; false when there is none (or when
    // something else arrived, which stays for read()). A closed connection counts as one.
    bool takeAttention();

private:
    void sendPacket(uint8_t type, const char* data, int size, bool last);

    Transport* transport_;
    int packetSize_ = packet::DefaultSize;
    uint16_t sessionId_ = 0;
    uint8_t packetId_ = 1;
    QByteArray out_;
    std::optional<Message> held_;
};

}  // namespace tds
