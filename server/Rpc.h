#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "server/Handshake.h"
#include "server/Wire.h"
#include "tsql/ResultSink.h"

namespace tds {

class ThaiCodePage;

// Procedures that clients call by number instead of by name.
namespace procid {
inline constexpr uint16_t ExecuteSql = 10;
inline constexpr uint16_t Prepare = 11;
inline constexpr uint16_t Execute = 12;
inline constexpr uint16_t PrepExec = 13;
inline constexpr uint16_t Unprepare = 15;
}  // namespace procid

// One call of an RPC request. Parameters arrive as engine call arguments: `name` as sent
// (empty when positional), `output` for a by-reference parameter.
struct RpcCall {
    QString procedure;  // the name, or the name of the numbered procedure
    std::vector<tsql::CallArgument> args;
};

// Skips the headers that begin batches, RPC and transaction requests from 7.2 on; returns the
// transaction descriptor they name (0 when none).
uint64_t skipAllHeaders(Reader& r, TdsVersion version);
// The calls of an RPC request, in order.
std::vector<RpcCall> parseRpc(const QByteArray& payload, TdsVersion version,
                              ThaiCodePage& codePage);

}  // namespace tds
