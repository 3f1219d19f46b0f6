// Batches, RPC calls and transaction-manager requests of a logged-in client.
#include <QRegularExpression>

#include <algorithm>

#include "dbcore/Error.h"
#include "server/ClientConnection.h"
#include "server/ReplyStream.h"
#include "server/Rpc.h"
#include "tsql/Errors.h"
#include "tsql/Session.h"

namespace tds {

namespace {

namespace tm {
constexpr uint16_t Begin = 5;
constexpr uint16_t Commit = 7;
constexpr uint16_t Rollback = 8;
constexpr uint16_t Save = 9;
}  // namespace tm

constexpr int kUnknownDatabase = 911;

QByteArray descriptorBytes(uint64_t d) {
    QByteArray out;
    Writer(out).u64(d);
    return out;
}

QString unbracketed(const QString& name) {
    QString out = name;
    out.remove(u'[').remove(u']');
    return out;
}

// The messages of an error, each with its number, severity, state, procedure and line.
std::vector<ServerMessage> errorMessages(const db::Error& e) {
    std::vector<db::ServerMessage> raised = e.messages();
    if (raised.empty())
        raised.push_back(db::serverMessage(e.nativeError(), e.message()));
    std::vector<ServerMessage> out;
    for (const db::ServerMessage& r : raised)
        out.push_back(serverMessage(r));
    return out;
}

}  // namespace

template <typename Work>
bool ClientConnection::guarded(ReplyStream& reply, Work&& work) {
    try {
        work();
        return true;
    } catch (const db::Error& e) {
        if (!(attention_ && e.nativeError() == tsql::err::Cancelled))
            for (const ServerMessage& m : errorMessages(e))
                reply.error(m);
    }
    return false;
}

void ClientConnection::noteTransaction(ReplyStream& reply, int depthBefore, bool rolledBack) {
    const int depth = session_->transactionDepth();
    if (depthBefore == 0 && depth > 0) {
        transactionDescriptor_ = nextDescriptor_++;
        reply.tokens().envChangeBytes(env::BeginTransaction,
                                      descriptorBytes(transactionDescriptor_), QByteArray());
    } else if (depthBefore > 0 && depth == 0) {
        reply.tokens().envChangeBytes(
            rolledBack ? env::RollbackTransaction : env::CommitTransaction, QByteArray(),
            descriptorBytes(transactionDescriptor_));
        transactionDescriptor_ = 0;
    }
}

void ClientConnection::finishRequest(ReplyStream& reply, uint8_t doneToken, bool failed,
                                     int depthBefore) {
    noteTransaction(reply, depthBefore, failed);
    uint16_t status = done::Final;
    if (failed)
        status |= done::Error;
    if (attention_)
        status |= done::Attention;
    if (session_->transactionDepth() > 0)
        status |= done::InTransaction;
    reply.tokens().done(doneToken, status);
    channel_.endReply();
    attention_ = false;
}

// A client that asks for it gets the session as its login left it: a new engine session on
// the login's database, so no temporary table, SET option or open transaction (rolled back)
// remains. A reset that keeps the transaction, with one open, keeps the session whole.
void ClientConnection::resetSession(bool keepTransaction) {
    const int depth = session_->transactionDepth();
    TokenWriter tokens(channel_.buffer(), version_);
    if (!(keepTransaction && depth > 0)) {
        const QString previous = database_;
        session_.reset();  // its open transaction is rolled back
        openSession(loginDatabase_);
        if (depth > 0) {
            tokens.envChangeBytes(env::RollbackTransaction, QByteArray(),
                                  descriptorBytes(transactionDescriptor_));
            transactionDescriptor_ = 0;
        }
        if (previous != database_)
            tokens.envChange(env::Database, database_, previous);
    }
    tokens.envChangeBytes(env::ResetAcknowledged, QByteArray(), QByteArray());
}

void ClientConnection::runBatch(const Message& m) {
    Reader r(m.payload);
    skipAllHeaders(r, version_);
    if (r.remaining() % 2 != 0)
        throw ProtocolError("batch text of odd length");
    const QString sql = r.ucs2(r.remaining() / 2);
    ReplyStream reply(channel_, version_, codePage_, config_.serverName);
    const int depth = session_->transactionDepth();
    attention_ = false;
    const bool failed = !guarded(reply, [&] {
        if (!switchDatabase(reply, sql))
            session_->execute(sql, {}, reply);
    });
    finishRequest(reply, token::Done, failed, depth);
}

// "USE name" alone in a batch moves the connection to that database.
bool ClientConnection::switchDatabase(ReplyStream& reply, const QString& sql) {
    static const QRegularExpression use(
        QStringLiteral(R"(^\s*use\s+(?:\[([^\]]+)\]|([^\s;\[\]]+))\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = use.match(sql);
    if (!match.hasMatch())
        return false;
    const QString wanted = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    const QString database = existingDatabase(wanted);
    if (database.isEmpty())
        throw db::Error(db::Error::Kind::Server,
                        QStringLiteral("Database '%1' does not exist. Make sure that the name is "
                                       "entered correctly.")
                            .arg(wanted),
                        kUnknownDatabase);
    const QString previous = database_;
    openSession(database);
    reply.tokens().envChange(env::Database, database, previous);
    ServerMessage changed;
    changed.number = 5701;
    changed.severity = 0;
    changed.text = QStringLiteral("Changed database context to '%1'.").arg(database);
    reply.tokens().message(changed, config_.serverName);
    return true;
}

void ClientConnection::runRpc(const Message& m) {
    std::vector<RpcCall> calls = parseRpc(m.payload, version_, codePage_);
    ReplyStream reply(channel_, version_, codePage_, config_.serverName);
    reply.setInProcedure(true);
    const int depth = session_->transactionDepth();
    attention_ = false;
    bool failed = false;
    for (size_t k = 0; k < calls.size() && !attention_; ++k) {
        RpcCall& call = calls[k];
        int status = 0;
        failed = !guarded(reply, [&] {
            status = call.procedure.startsWith(u"sp_prep") || call.procedure == u"sp_execute" ||
                             call.procedure == u"sp_unprepare"
                         ? callPrepared(reply, call)
                         : session_->call(unbracketed(call.procedure), call.args, reply);
        });
        if (failed)
            continue;
        reply.tokens().returnStatus(status);
        for (size_t a = 0; a < call.args.size(); ++a) {
            const tsql::CallArgument& arg = call.args[a];
            if (!arg.output)
                continue;
            const tsql::SqlType t = arg.resultType.known() ? arg.resultType : arg.type;
            reply.tokens().returnValue(static_cast<uint16_t>(a), arg.name, wireTypeOf(t, version_),
                                       arg.result, codePage_);
        }
        if (k + 1 < calls.size())
            reply.tokens().done(token::DoneProc, done::More);
    }
    finishRequest(reply, token::DoneProc, failed, depth);
}

// sp_prepare (@handle OUTPUT, @params, @stmt), sp_execute (@handle, values...), sp_prepexec
// (@handle OUTPUT, @params, @stmt, values...) and sp_unprepare (@handle): a prepared statement
// is kept as its text and runs through sp_executesql.
int ClientConnection::callPrepared(ReplyStream& reply, RpcCall& call) {
    std::vector<tsql::CallArgument>& args = call.args;
    const bool prepares = call.procedure != u"sp_execute" && call.procedure != u"sp_unprepare";
    if (args.size() < (prepares ? 3u : 1u))
        throw db::Error(db::Error::Kind::Server,
                        QStringLiteral("Procedure or function '%1' expects parameter '@handle', "
                                       "which was not supplied.")
                            .arg(call.procedure),
                        201);
    int handle = static_cast<int>(args[0].value.i);
    if (prepares) {
        handle = nextHandle_++;
        prepared_.insert(handle, {args[2].value.toString(), args[1].value.toString()});
        args[0].result = tsql::Value::integer(handle);
        args[0].resultType = tsql::SqlType::of(tsql::SqlType::Int);
        if (call.procedure == u"sp_prepare")
            return 0;
    }
    const auto found = prepared_.constFind(handle);
    if (found == prepared_.constEnd())
        throw db::Error(
            db::Error::Kind::Server,
            QStringLiteral("Could not find prepared statement with handle %1.").arg(handle), 8179);
    if (call.procedure == u"sp_unprepare") {
        prepared_.remove(handle);
        return 0;
    }
    const size_t firstValue = prepares ? 3 : 1;
    std::vector<tsql::CallArgument> sql(2);
    sql[0].value = tsql::Value::text(found->statement);
    sql[0].type = tsql::SqlType::of(tsql::SqlType::NVarChar, -1);
    sql[1].value =
        found->parameters.isEmpty() ? tsql::Value() : tsql::Value::text(found->parameters);
    sql[1].type = sql[0].type;
    sql.insert(sql.end(), args.begin() + static_cast<qsizetype>(firstValue), args.end());
    const int status = session_->call(QStringLiteral("sp_executesql"), sql, reply);
    for (size_t k = firstValue; k < args.size(); ++k)
        args[k] = sql[k - firstValue + 2];
    return status;
}

// Begin, commit, rollback and save as the transaction manager asks; each commit and rollback
// may start the next transaction at once.
void ClientConnection::runTransactionRequest(const Message& m) {
    Reader r(m.payload);
    skipAllHeaders(r, version_);
    const uint16_t request = r.u16();
    ReplyStream reply(channel_, version_, codePage_, config_.serverName);
    const int depth = session_->transactionDepth();
    attention_ = false;
    bool noted = false;
    const bool failed = !guarded(reply, [&] {
        switch (request) {
            case tm::Begin:
                r.u8();  // isolation level
                r.bVarChar();
                session_->beginTransaction();
                return;
            case tm::Commit:
            case tm::Rollback: {
                r.bVarChar();
                const bool beginNext = r.remaining() > 0 && (r.u8() & 1);
                if (request == tm::Commit)
                    session_->commit();
                else
                    session_->rollback();
                noteTransaction(reply, depth, request == tm::Rollback);
                noted = true;
                if (beginNext) {
                    const int between = session_->transactionDepth();
                    session_->beginTransaction();
                    noteTransaction(reply, between, false);
                }
                return;
            }
            case tm::Save:
                session_->execute(QStringLiteral("SAVE TRANSACTION [%1]").arg(r.bVarChar()), {},
                                  reply);
                return;
            default:
                throw db::Error(
                    db::Error::Kind::Server,
                    QStringLiteral("The transaction request %1 is not supported.").arg(request),
                    tsql::err::NotSupported);
        }
    });
    if (!noted)
        noteTransaction(reply, depth, failed);
    reply.tokens().done(token::Done, failed ? done::Error : done::Final);
    channel_.endReply();
}

}  // namespace tds
