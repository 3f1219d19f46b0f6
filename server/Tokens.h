#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "server/DataTypes.h"
#include "server/Handshake.h"
#include "server/Wire.h"
#include "tsql/ResultSink.h"

namespace tds {

namespace token {
inline constexpr uint8_t ReturnStatus = 0x79;
inline constexpr uint8_t ColMetadata = 0x81;
inline constexpr uint8_t Error = 0xAA;
inline constexpr uint8_t Info = 0xAB;
inline constexpr uint8_t ReturnValue = 0xAC;
inline constexpr uint8_t LoginAck = 0xAD;
inline constexpr uint8_t FeatureExtAck = 0xAE;
inline constexpr uint8_t Row = 0xD1;
inline constexpr uint8_t EnvChange = 0xE3;
inline constexpr uint8_t Done = 0xFD;
inline constexpr uint8_t DoneProc = 0xFE;
inline constexpr uint8_t DoneInProc = 0xFF;
}  // namespace token

namespace done {
inline constexpr uint16_t Final = 0x00;
inline constexpr uint16_t More = 0x01;
inline constexpr uint16_t Error = 0x02;
inline constexpr uint16_t InTransaction = 0x04;
inline constexpr uint16_t Count = 0x10;
inline constexpr uint16_t Attention = 0x20;
}  // namespace done

namespace env {
inline constexpr uint8_t Database = 1;
inline constexpr uint8_t Language = 2;
inline constexpr uint8_t PacketSize = 4;
inline constexpr uint8_t Collation = 7;
inline constexpr uint8_t BeginTransaction = 8;
inline constexpr uint8_t CommitTransaction = 9;
inline constexpr uint8_t RollbackTransaction = 10;
inline constexpr uint8_t ResetAcknowledged = 18;
}  // namespace env

// A message for the client: an error (severity above 10) or an informational one.
struct ServerMessage {
    int number = 0;
    uint8_t state = 1;
    uint8_t severity = 16;
    QString text;
    QString procedure;
    int line = 1;
};

// Writes the tokens of replies for a client of the given protocol version.
class TokenWriter {
public:
    TokenWriter(QByteArray& out, TdsVersion version) : w_(out), version_(version) {}

    void loginAck(const QString& serverName);
    void featureExtAck();
    void envChange(uint8_t type, const QString& newValue, const QString& oldValue);
    void envChangeBytes(uint8_t type, const QByteArray& newValue, const QByteArray& oldValue);
    void done(uint8_t token, uint16_t status, uint64_t rowCount = 0);
    void message(const ServerMessage& m, const QString& serverName);
    void returnStatus(int32_t status);
    void columnMetadata(const tsql::ResultColumns& columns, const std::vector<WireType>& types);
    void row(const std::vector<WireType>& types, const std::vector<tsql::Value>& cells,
             ThaiCodePage& codePage);
    void returnValue(uint16_t ordinal, const QString& name, const WireType& type,
                     const tsql::Value& value, ThaiCodePage& codePage);

private:
    Writer w_;
    TdsVersion version_;
};

}  // namespace tds
