#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tds {

// Encryption choices exchanged in the pre-login message.
enum class Encryption : uint8_t { Off = 0, On = 1, NotSupported = 2, Required = 3 };

struct PreLoginRequest {
    Encryption encryption = Encryption::NotSupported;
};

// Reads a client's pre-login message.
PreLoginRequest parsePreLogin(const QByteArray& payload);
// The server's answer: its version, the encryption it settles on, no MARS.
QByteArray buildPreLoginReply(Encryption encryption);

// Protocol versions by their order; the login acknowledgement names one.
enum class TdsVersion { V7_1 = 71, V7_2 = 72, V7_3 = 73, V7_4 = 74 };

struct LoginRequest {
    TdsVersion version = TdsVersion::V7_4;
    uint32_t packetSize = 0;  // 0: the server's default
    bool wantsFeatureAck = false;
    QString hostName;
    QString userName;
    QString password;
    QString appName;
    QString language;
    QString database;
};

// Reads a LOGIN7 message; versions before 7.1 are refused with ProtocolError.
LoginRequest parseLogin7(const QByteArray& payload);
// The value a login acknowledgement sends for a version.
uint32_t versionWord(TdsVersion v);

}  // namespace tds
