#include "server/Tokens.h"

namespace tds {

namespace {
constexpr uint16_t kNullableFlag = 0x0001;
constexpr uint8_t kOutputParameter = 0x01;
constexpr uint8_t kTsqlInterface = 1;
constexpr uint8_t kFeatureTerminator = 0xFF;
}  // namespace

void TokenWriter::loginAck(const QString& serverName) {
    w_.u8(token::LoginAck);
    const qsizetype at = w_.size();
    w_.u16(0);
    w_.u8(kTsqlInterface);
    w_.u32be(versionWord(version_));
    w_.bVarChar(serverName);
    w_.u8(15);  // program version 15.0.2000
    w_.u8(0);
    w_.u8(0x07);
    w_.u8(0xD0);
    w_.patchU16Length(at);
}

void TokenWriter::featureExtAck() {
    w_.u8(token::FeatureExtAck);
    w_.u8(kFeatureTerminator);
}

void TokenWriter::envChange(uint8_t type, const QString& newValue, const QString& oldValue) {
    w_.u8(token::EnvChange);
    const qsizetype at = w_.size();
    w_.u16(0);
    w_.u8(type);
    w_.bVarChar(newValue);
    w_.bVarChar(oldValue);
    w_.patchU16Length(at);
}

void TokenWriter::envChangeBytes(uint8_t type, const QByteArray& newValue,
                                 const QByteArray& oldValue) {
    w_.u8(token::EnvChange);
    const qsizetype at = w_.size();
    w_.u16(0);
    w_.u8(type);
    w_.bVarByte(newValue);
    w_.bVarByte(oldValue);
    w_.patchU16Length(at);
}

void TokenWriter::done(uint8_t token, uint16_t status, uint64_t rowCount) {
    w_.u8(token);
    w_.u16(status);
    w_.u16(0xC1);  // current command: SELECT; clients read only the status and count
    if (version_ >= TdsVersion::V7_2)
        w_.u64(rowCount);
    else
        w_.u32(static_cast<uint32_t>(rowCount));
}

void TokenWriter::message(const ServerMessage& m, const QString& serverName) {
    w_.u8(m.severity > 10 ? token::Error : token::Info);
    const qsizetype at = w_.size();
    w_.u16(0);
    w_.u32(static_cast<uint32_t>(m.number));
    w_.u8(m.state);
    w_.u8(m.severity);
    w_.usVarChar(m.text);
    w_.bVarChar(serverName);
    w_.bVarChar(m.procedure);
    if (version_ >= TdsVersion::V7_2)
        w_.u32(static_cast<uint32_t>(m.line));
    else
        w_.u16(static_cast<uint16_t>(m.line));
    w_.patchU16Length(at);
}

void TokenWriter::returnStatus(int32_t status) {
    w_.u8(token::ReturnStatus);
    w_.u32(static_cast<uint32_t>(status));
}

void TokenWriter::columnMetadata(const tsql::ResultColumns& columns,
                                 const std::vector<WireType>& types) {
    w_.u8(token::ColMetadata);
    w_.u16(static_cast<uint16_t>(columns.size()));
    for (size_t k = 0; k < columns.size(); ++k) {
        if (version_ >= TdsVersion::V7_2)
            w_.u32(0);  // user type
        else
            w_.u16(0);
        w_.u16(kNullableFlag);
        writeTypeInfo(w_, types[k]);
        w_.bVarChar(columns[k].name);
    }
}

void TokenWriter::row(const std::vector<WireType>& types, const std::vector<tsql::Value>& cells,
                      ThaiCodePage& codePage) {
    w_.u8(token::Row);
    for (size_t k = 0; k < types.size(); ++k)
        writeValue(w_, types[k], k < cells.size() ? cells[k] : tsql::Value(), codePage);
}

void TokenWriter::returnValue(uint16_t ordinal, const QString& name, const WireType& type,
                              const tsql::Value& value, ThaiCodePage& codePage) {
    w_.u8(token::ReturnValue);
    w_.u16(ordinal);
    w_.bVarChar(name);
    w_.u8(kOutputParameter);
    if (version_ >= TdsVersion::V7_2)
        w_.u32(0);
    else
        w_.u16(0);
    w_.u16(kNullableFlag);
    writeTypeInfo(w_, type);
    writeValue(w_, type, value, codePage);
}

}  // namespace tds
