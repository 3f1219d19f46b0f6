#include "server/Rpc.h"

#include "server/DataTypes.h"
#include "server/Wire.h"

namespace tds {

namespace {

constexpr uint16_t kProcIdFollows = 0xFFFF;
constexpr uint8_t kByReference = 0x01;
constexpr uint8_t kDefaultValue = 0x02;
constexpr uint16_t kTransactionDescriptorHeader = 2;

QString nameOfProcId(uint16_t id) {
    switch (id) {
        case procid::ExecuteSql:
            return QStringLiteral("sp_executesql");
        case procid::Prepare:
            return QStringLiteral("sp_prepare");
        case procid::Execute:
            return QStringLiteral("sp_execute");
        case procid::PrepExec:
            return QStringLiteral("sp_prepexec");
        case procid::Unprepare:
            return QStringLiteral("sp_unprepare");
        default:
            break;
    }
    throw ProtocolError("call of a numbered procedure the server does not have");
}

// Whether the byte ends one call and another follows (or says not to run the next).
bool isCallSeparator(uint8_t b, TdsVersion version) {
    return b == 0xFE || b == (version >= TdsVersion::V7_2 ? 0xFF : 0x80);
}

tsql::CallArgument readParameter(Reader& r, ThaiCodePage& codePage) {
    tsql::CallArgument a;
    a.name = r.bVarChar();
    const uint8_t status = r.u8();
    a.output = (status & kByReference) != 0;
    a.isDefault = (status & kDefaultValue) != 0;
    a.value = readTypedValue(r, &a.type, codePage);
    return a;
}

}  // namespace

uint64_t skipAllHeaders(Reader& r, TdsVersion version) {
    if (version < TdsVersion::V7_2)
        return 0;
    const qsizetype start = r.pos();
    const uint32_t total = r.u32();
    if (total < 4 || total - 4 > static_cast<uint32_t>(r.remaining()))
        throw ProtocolError("headers longer than the message");
    uint64_t descriptor = 0;
    while (r.pos() - start < static_cast<qsizetype>(total)) {
        const uint32_t length = r.u32();
        if (length < 6 || length - 4 > static_cast<uint32_t>(r.remaining()))
            throw ProtocolError("header longer than the message");
        const uint16_t type = r.u16();
        if (type == kTransactionDescriptorHeader && length >= 6 + 8) {
            descriptor = r.u64();
            r.skip(length - 6 - 8);
        } else {
            r.skip(length - 6);
        }
    }
    if (r.pos() - start != static_cast<qsizetype>(total))
        throw ProtocolError("headers do not add up");
    return descriptor;
}

std::vector<RpcCall> parseRpc(const QByteArray& payload, TdsVersion version,
                              ThaiCodePage& codePage) {
    Reader r(payload);
    skipAllHeaders(r, version);
    std::vector<RpcCall> calls;
    while (!r.atEnd()) {
        RpcCall call;
        const uint16_t nameLength = r.u16();
        call.procedure = nameLength == kProcIdFollows ? nameOfProcId(r.u16()) : r.ucs2(nameLength);
        r.u16();  // option flags
        while (!r.atEnd()) {
            if (isCallSeparator(r.peek(), version)) {
                r.skip(1);
                break;
            }
            call.args.push_back(readParameter(r, codePage));
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

}  // namespace tds
