#include "server/ClientConnection.h"

#include <QFileInfo>

#include "dbcore/Error.h"
#include "server/Logins.h"
#include "server/ReplyStream.h"
#include "server/Tls.h"
#include "tsql/Server.h"
#include "tsql/Session.h"

namespace tds {

namespace {

constexpr int kLoginFailed = 18456;
constexpr int kCannotOpenDatabase = 4060;
constexpr int kDatabaseChanged = 5701;
constexpr int kLanguageChanged = 5703;
const QString kLanguage = QStringLiteral("us_english");

ServerMessage info(int number, const QString& text) {
    ServerMessage m;
    m.number = number;
    m.severity = 0;
    m.text = text;
    return m;
}

uint32_t negotiatedPacketSize(uint32_t requested) {
    if (requested == 0)
        return packet::DefaultSize;
    return std::clamp<uint32_t>(requested, packet::MinSize, packet::MaxSize);
}

}  // namespace

ClientConnection::ClientConnection(std::unique_ptr<SocketTransport> transport,
                                   const ServerConfig& config, uint16_t sessionId)
    : socket_(std::move(transport)), channel_(socket_.get()), config_(config) {
    channel_.setSessionId(sessionId);
}

ClientConnection::~ClientConnection() = default;

void ClientConnection::run() {
    try {
        if (!handshake())
            return;
        while (std::optional<Message> m = channel_.read())
            serve(*m);
    } catch (const ProtocolError&) {
        // The connection ends; the server goes on with the others.
    } catch (const std::exception&) {
    }
}

bool ClientConnection::handshake() {
    std::optional<Message> m = channel_.read();
    if (m && m->type == packet::PreLogin) {
        const PreLoginRequest request = parsePreLogin(m->payload);
        const Encryption answer = negotiateEncryption(request.encryption, config_.tls != nullptr,
                                                      config_.encryptionRequired);
        channel_.buffer() = buildPreLoginReply(answer);
        channel_.endReply();
        if (answer == Encryption::Required && request.encryption == Encryption::NotSupported)
            return false;
        if (answer != Encryption::NotSupported) {
            tls_ = config_.tls->accept(channel_, *socket_);
            channel_.setTransport(tls_.get());
        }
        m = channel_.read();
        if (answer == Encryption::Off)
            channel_.setTransport(socket_.get());  // only the login travels encrypted
    }
    if (!m)
        return false;
    if (m->type != packet::Login7)
        throw ProtocolError("expected a login");
    return login(parseLogin7(m->payload));
}

void ClientConnection::refuseLogin(const ServerMessage& m) {
    TokenWriter tokens(channel_.buffer(), version_);
    tokens.message(m, config_.serverName);
    tokens.done(token::Done, done::Error);
    channel_.endReply();
}

bool ClientConnection::login(const LoginRequest& request) {
    version_ = request.version;
    if (!Logins(config_.dir).check(request.userName, request.password)) {
        ServerMessage m;
        m.number = kLoginFailed;
        m.severity = 14;
        m.text = QStringLiteral("Login failed for user '%1'.").arg(request.userName);
        refuseLogin(m);
        return false;
    }
    const QString wanted = request.database.isEmpty() ? QStringLiteral("master") : request.database;
    const QString database = existingDatabase(wanted);
    try {
        if (database.isEmpty())
            throw db::Error(db::Error::Kind::Server, QString(), kCannotOpenDatabase);
        openSession(database);
        loginDatabase_ = database;
    } catch (const db::Error&) {
        ServerMessage m;
        m.number = kCannotOpenDatabase;
        m.severity = 11;
        m.text = QStringLiteral(
                     "Cannot open database \"%1\" requested by the login. The login "
                     "failed.")
                     .arg(wanted);
        refuseLogin(m);
        return false;
    }
    const uint32_t packetSize = negotiatedPacketSize(request.packetSize);
    TokenWriter tokens(channel_.buffer(), version_);
    tokens.envChange(env::Database, database, QStringLiteral("master"));
    tokens.message(
        info(kDatabaseChanged, QStringLiteral("Changed database context to '%1'.").arg(database)),
        config_.serverName);
    tokens.envChangeBytes(env::Collation, thaiCollation(), QByteArray());
    tokens.envChange(env::Language, kLanguage, QString());
    tokens.message(
        info(kLanguageChanged, QStringLiteral("Changed language setting to %1.").arg(kLanguage)),
        config_.serverName);
    tokens.loginAck(config_.serverName);
    tokens.envChange(env::PacketSize, QString::number(packetSize),
                     QString::number(packet::DefaultSize));
    if (request.wantsFeatureAck)
        tokens.featureExtAck();
    tokens.done(token::Done, done::Final);
    channel_.endReply();
    channel_.setPacketSize(static_cast<int>(packetSize));
    return true;
}

QString ClientConnection::existingDatabase(const QString& name) const {
    if (name.compare(u"master", Qt::CaseInsensitive) == 0)
        return QStringLiteral("master");
    const QString path = tsql::Server(config_.dir).pathOf(name);
    return path.isEmpty() ? QString() : QFileInfo(path).completeBaseName();
}

void ClientConnection::openSession(const QString& database) {
    auto session = std::make_unique<tsql::Session>(config_.dir, database);
    session->setCancelCheck([this] {
        if (!attention_)
            attention_ = channel_.takeAttention();
        return attention_;
    });
    session_ = std::move(session);
    database_ = database;
}

void ClientConnection::serve(const Message& m) {
    if (m.resetConnection)
        resetSession(m.resetKeepsTransaction);
    switch (m.type) {
        case packet::SqlBatch:
            runBatch(m);
            return;
        case packet::Rpc:
            runRpc(m);
            return;
        case packet::TransactionManager:
            runTransactionRequest(m);
            return;
        case packet::Attention: {
            // Came after its request ended: acknowledge it alone.
            TokenWriter(channel_.buffer(), version_).done(token::Done, done::Attention);
            channel_.endReply();
            return;
        }
        default:
            throw ProtocolError("unexpected message type");
    }
}

}  // namespace tds
