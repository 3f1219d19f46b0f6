#include "server/Handshake.h"

#include "server/Wire.h"

namespace tds {

namespace {

namespace option {
constexpr uint8_t Version = 0x00;
constexpr uint8_t Encryption = 0x01;
constexpr uint8_t InstOpt = 0x02;
constexpr uint8_t ThreadId = 0x03;
constexpr uint8_t Mars = 0x04;
constexpr uint8_t Terminator = 0xFF;
}  // namespace option

constexpr qsizetype kLoginFixedPart = 94;
constexpr uint8_t kExtensionFlag = 0x10;  // OptionFlags3: the extension field points at features

QString unscramblePassword(const QByteArray& raw) {
    QByteArray plain = raw;
    for (char& c : plain) {
        const uint8_t b = static_cast<uint8_t>(c) ^ 0xA5;
        c = static_cast<char>(static_cast<uint8_t>(b << 4 | b >> 4));
    }
    Reader r(plain);
    return r.ucs2(plain.size() / 2);
}

TdsVersion versionOf(uint32_t word) {
    const uint32_t major = word >> 24;
    if (major < 0x71)
        throw ProtocolError("protocol version before 7.1");
    return major >= 0x74 ? TdsVersion::V7_4 : static_cast<TdsVersion>(71 + (major - 0x71));
}

}  // namespace

PreLoginRequest parsePreLogin(const QByteArray& payload) {
    PreLoginRequest request;
    Reader options(payload);
    for (;;) {
        const uint8_t token = options.u8();
        if (token == option::Terminator)
            break;
        const uint16_t offset = options.u16be();
        const uint16_t length = options.u16be();
        if (offset + length > payload.size())
            throw ProtocolError("pre-login option outside the message");
        if (token == option::Encryption && length >= 1) {
            const uint8_t value = static_cast<uint8_t>(payload[offset]);
            request.encryption =
                value <= 3 ? static_cast<Encryption>(value) : Encryption::NotSupported;
        }
    }
    return request;
}

QByteArray buildPreLoginReply(Encryption encryption) {
    struct Option {
        uint8_t token;
        QByteArray data;
    };
    const Option options[] = {
        {option::Version, QByteArray("\x0F\x00\x07\xD0\x00\x00", 6)},  // 15.0.2000
        {option::Encryption, QByteArray(1, static_cast<char>(encryption))},
        {option::InstOpt, QByteArray(1, '\0')},
        {option::ThreadId, QByteArray()},
        {option::Mars, QByteArray(1, '\0')},
    };
    QByteArray out;
    Writer w(out);
    uint16_t offset = std::size(options) * 5 + 1;
    for (const Option& o : options) {
        w.u8(o.token);
        w.u16be(offset);
        w.u16be(static_cast<uint16_t>(o.data.size()));
        offset += static_cast<uint16_t>(o.data.size());
    }
    w.u8(option::Terminator);
    for (const Option& o : options)
        w.bytes(o.data);
    return out;
}

LoginRequest parseLogin7(const QByteArray& payload) {
    if (payload.size() < kLoginFixedPart)
        throw ProtocolError("login message too short");
    Reader r(payload);
    const uint32_t length = r.u32();
    if (length > static_cast<uint32_t>(payload.size()))
        throw ProtocolError("login length beyond the message");
    LoginRequest login;
    login.version = versionOf(r.u32());
    login.packetSize = r.u32();
    r.skip(4 + 4 + 4);  // client program version, process id, connection id
    r.skip(3);          // option flags 1 and 2, type flags
    const uint8_t flags3 = r.u8();
    r.skip(4 + 4);  // time zone, LCID
    // Offset and length (in characters) of each variable field, from the start of the login.
    auto field = [&](bool scrambled = false) {
        const uint16_t offset = r.u16();
        const uint16_t chars = r.u16();
        if (offset + chars * 2 > static_cast<int>(length))
            throw ProtocolError("login field outside the login");
        const QByteArray raw = payload.mid(offset, chars * 2);
        return scrambled ? unscramblePassword(raw) : Reader(raw).ucs2(chars);
    };
    login.hostName = field();
    login.userName = field();
    login.password = field(true);
    login.appName = field();
    field();    // server name
    r.skip(4);  // extension
    field();    // client interface library
    login.language = field();
    login.database = field();
    login.wantsFeatureAck = (flags3 & kExtensionFlag) != 0 && login.version == TdsVersion::V7_4;
    return login;
}

uint32_t versionWord(TdsVersion v) {
    switch (v) {
        case TdsVersion::V7_1:
            return 0x71000001;
        case TdsVersion::V7_2:
            return 0x72090002;
        case TdsVersion::V7_3:
            return 0x730B0003;
        case TdsVersion::V7_4:
            break;
    }
    return 0x74000004;
}

}  // namespace tds
