#pragma once

#include <QHash>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

#include "server/Handshake.h"
#include "server/Packets.h"
#include "server/ThaiCodePage.h"
#include "server/Tokens.h"

namespace tsql {
class Session;
}

namespace tds {

class ReplyStream;
struct RpcCall;
class TlsContext;

struct ServerConfig {
    QString dir;  // the embedded server directory
    QString serverName = QStringLiteral("VOQ");
    TlsContext* tls = nullptr;        // set when the server has a certificate
    bool encryptionRequired = false;  // clients that will not encrypt are refused
};

// One client from its pre-login to its last request: runs on a thread of its own with an
// engine session of its own.
class ClientConnection {
public:
    ClientConnection(std::unique_ptr<SocketTransport> transport, const ServerConfig& config,
                     uint16_t sessionId);
    ~ClientConnection();

    // Serves until the client leaves or breaks the protocol; never throws.
    void run();

private:
    bool handshake();
    bool login(const LoginRequest& login);
    void refuseLogin(const ServerMessage& m);
    void serve(const Message& m);
    void runBatch(const Message& m);
    void runRpc(const Message& m);
    void runTransactionRequest(const Message& m);
    // Runs one request with attention watched; errors become error tokens. Returns false when
    // it failed.
    template <typename Work>
    bool guarded(ReplyStream& reply, Work&& work);
    void finishRequest(ReplyStream& reply, uint8_t doneToken, bool failed, int depthBefore);
    void callOne(ReplyStream& reply, RpcCall& call, bool last);
    int callPrepared(ReplyStream& reply, RpcCall& call);
    bool switchDatabase(ReplyStream& reply, const QString& sql);
    void openSession(const QString& database);
    void resetSession(bool keepTransaction);
    // The database's name as the server spells it; empty when there is none.
    QString existingDatabase(const QString& name) const;
    void noteTransaction(ReplyStream& reply, int depthBefore, bool rolledBack);

    std::unique_ptr<SocketTransport> socket_;
    std::unique_ptr<Transport> tls_;
    Channel channel_;
    const ServerConfig& config_;
    ThaiCodePage codePage_;
    TdsVersion version_ = TdsVersion::V7_4;
    std::unique_ptr<tsql::Session> session_;
    QString database_;
    QString loginDatabase_;
    bool attention_ = false;
    uint64_t transactionDescriptor_ = 0;
    uint64_t nextDescriptor_ = 1;
    struct Prepared {
        QString statement;
        QString parameters;
    };
    QHash<int, Prepared> prepared_;
    int nextHandle_ = 1;
};

}  // namespace tds
