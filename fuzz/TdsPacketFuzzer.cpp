// libFuzzer target: every input is what a client might send voq-server, read by the server's
// parsers: the packet framing, the pre-login and login messages, the headers of requests and
// RPC calls with their typed parameters in every protocol version. ProtocolError is the answer
// to a broken input; a crash, a hang, another exception or a sanitizer finding is a fault.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "server/Handshake.h"
#include "server/Packets.h"
#include "server/Rpc.h"
#include "server/ThaiCodePage.h"
#include "server/Wire.h"

namespace {

// The input as the byte stream of a connection.
class InputTransport : public tds::Transport {
public:
    InputTransport(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool readExactly(char* out, size_t size) override {
        if (size > size_ - pos_)
            return false;
        std::memcpy(out, data_ + pos_, size);
        pos_ += size;
        return true;
    }
    void writeAll(const char*, size_t) override {}
    bool readable() override { return pos_ < size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

void parseMessage(const tds::Message& m, tds::ThaiCodePage& codePage) {
    for (const tds::TdsVersion version :
         {tds::TdsVersion::V7_1, tds::TdsVersion::V7_2, tds::TdsVersion::V7_4}) {
        try {
            switch (m.type) {
                case tds::packet::PreLogin:
                    tds::parsePreLogin(m.payload);
                    break;
                case tds::packet::Login7:
                    tds::parseLogin7(m.payload);
                    break;
                case tds::packet::Rpc:
                    tds::parseRpc(m.payload, version, codePage);
                    break;
                default: {
                    tds::Reader r(m.payload);
                    tds::skipAllHeaders(r, version);
                    r.ucs2(r.remaining() / 2);
                    break;
                }
            }
        } catch (const tds::ProtocolError&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static tds::ThaiCodePage codePage;
    InputTransport input(data, size);
    tds::Channel channel(&input);
    try {
        while (std::optional<tds::Message> m = channel.read())
            parseMessage(*m, codePage);
    } catch (const tds::ProtocolError&) {
    }
    // The same bytes as one message's payload of each kind, without the framing.
    tds::Message whole;
    whole.payload = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const uint8_t type :
         {tds::packet::PreLogin, tds::packet::Login7, tds::packet::Rpc, tds::packet::SqlBatch}) {
        tds::Message m = whole;
        m.type = type;
        parseMessage(m, codePage);
    }
    return 0;
}
