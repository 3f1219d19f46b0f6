#include "server/Packets.h"

#include "server/Wire.h"

namespace tds {

namespace {

struct Header {
    uint8_t type;
    uint8_t status;
    int length;
};

bool isClientType(uint8_t type) {
    switch (type) {
        case packet::SqlBatch:
        case packet::Rpc:
        case packet::Attention:
        case packet::TransactionManager:
        case packet::Login7:
        case packet::PreLogin:
            return true;
        default:
            return false;
    }
}

std::optional<Header> readHeader(Transport& t) {
    char raw[packet::HeaderSize];
    if (!t.readExactly(raw, sizeof raw))
        return std::nullopt;
    const auto* b = reinterpret_cast<const uint8_t*>(raw);
    Header h{b[0], b[1], b[2] << 8 | b[3]};
    if (h.length < packet::HeaderSize || h.length > packet::MaxSize)
        throw ProtocolError("packet length out of range");
    if (!isClientType(h.type))
        throw ProtocolError("not a packet type a client sends");
    return h;
}

}  // namespace

std::optional<Message> Channel::read() {
    if (held_) {
        std::optional<Message> m = std::move(held_);
        held_.reset();
        return m;
    }
    Message m;
    bool first = true;
    for (;;) {
        const std::optional<Header> h = readHeader(*transport_);
        if (!h) {
            if (first)
                return std::nullopt;
            throw ProtocolError("connection closed inside a message");
        }
        if (first) {
            m.type = h->type;
            m.resetConnection = (h->status & packet::ResetConnection) != 0;
            m.resetKeepsTransaction = (h->status & packet::ResetConnectionKeepTransaction) != 0;
        } else if (h->type != m.type) {
            throw ProtocolError("packet type changes inside a message");
        }
        const int body = h->length - packet::HeaderSize;
        if (m.payload.size() + body > packet::MaxMessage)
            throw ProtocolError("message too large");
        const qsizetype at = m.payload.size();
        m.payload.resize(at + body);
        if (!transport_->readExactly(m.payload.data() + at, static_cast<size_t>(body)))
            throw ProtocolError("connection closed inside a packet");
        first = false;
        if (h->status & packet::EndOfMessage)
            return m;
    }
}

void Channel::sendPacket(uint8_t type, const char* data, int size, bool last) {
    QByteArray p;
    p.reserve(size + packet::HeaderSize);
    Writer w(p);
    w.u8(type);
    w.u8(last ? packet::EndOfMessage : 0);
    w.u16be(static_cast<uint16_t>(size + packet::HeaderSize));
    w.u16be(sessionId_);
    w.u8(packetId_++);
    w.u8(0);
    p.append(data, size);
    transport_->writeAll(p.constData(), static_cast<size_t>(p.size()));
}

void Channel::flushFullPackets(uint8_t type) {
    const int body = packetSize_ - packet::HeaderSize;
    qsizetype sent = 0;
    while (out_.size() - sent > body) {
        sendPacket(type, out_.constData() + sent, body, false);
        sent += body;
    }
    out_.remove(0, sent);
}

void Channel::endReply(uint8_t type) {
    flushFullPackets(type);
    sendPacket(type, out_.constData(), static_cast<int>(out_.size()), true);
    out_.clear();
    packetId_ = 1;
}

bool Channel::takeAttention() {
    if (held_ || !transport_->readable())
        return false;
    std::optional<Message> m = read();
    if (!m)
        return true;
    if (m->type == packet::Attention)
        return true;
    held_ = std::move(m);
    return false;
}

}  // namespace tds
