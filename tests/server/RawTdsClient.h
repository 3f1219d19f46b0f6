#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// A TDS 7.4 client on a plain socket that writes its requests byte by byte as MS-TDS lays them
// out, for what the client libraries do not let a test choose: the packet status bits and the
// procedure calls by number.
class RawTdsClient {
public:
    // A call argument: an int (INTN) or a Unicode text (NVARCHAR); `output` passes it by
    // reference.
    struct Argument {
        std::optional<int32_t> integer;
        QString text;
        bool output = false;
    };

    RawTdsClient(int port, const QString& user, const QString& password, const QString& database);
    ~RawTdsClient();
    RawTdsClient(const RawTdsClient&) = delete;
    RawTdsClient& operator=(const RawTdsClient&) = delete;

    // Whether the login was acknowledged.
    bool loggedIn() const { return loggedIn_; }
    // The reply's tokens; `status` is the packet status (end of message is added).
    QByteArray batch(const QString& sql, uint8_t status = 0);
    QByteArray call(uint16_t procId, const std::vector<Argument>& arguments);

    // The value of the first int output parameter in a reply; nullopt when there is none.
    static std::optional<int32_t> returnedInteger(const QByteArray& reply);
    // Whether a reply holds a row whose first column is this int.
    static bool hasIntegerRow(const QByteArray& reply, int32_t value);
    // Whether a reply holds an error token of this number.
    static bool hasError(const QByteArray& reply, int32_t number);
    // Whether a reply tells the rows a statement changed (SET NOCOUNT OFF).
    static bool countsRows(const QByteArray& reply);

private:
    QByteArray exchange(uint8_t type, const QByteArray& payload, uint8_t status);

    int fd_ = -1;
    bool loggedIn_ = false;
};
