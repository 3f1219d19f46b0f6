#pragma once

#include <vector>

#include "server/Packets.h"
#include "server/Tokens.h"
#include "tsql/ResultSink.h"

namespace tds {

// Passes the engine's results to the client as they come: each row set as column metadata,
// rows and a done token with its count, sent whenever a packet fills, so that no result is
// held whole.
// An engine's error message as the protocol sends it: 50000 for one without a number, line 1 at
// least.
ServerMessage serverMessage(const db::ServerMessage& m);

class ReplyStream : public tsql::ResultSink {
public:
    ReplyStream(Channel& channel, TdsVersion version, ThaiCodePage& codePage,
                const QString& serverName)
        : channel_(channel), version_(version), codePage_(codePage), serverName_(serverName) {}

    // Done tokens of statements inside a procedure called by RPC are DONEINPROC.
    void setInProcedure(bool inProcedure) {
        doneToken_ = inProcedure ? token::DoneInProc : token::Done;
    }

    void rowSetBegin(const tsql::ResultColumns& columns) override;
    void row(const std::vector<tsql::Value>& cells) override;
    void rowSetEnd(qint64 rowCount) override;
    void rowsAffected(qint64 count) override;
    void message(const QString& text) override;
    // The error's messages, then the failed statement's done token.
    void statementError(const db::Error& e) override;

    void error(const ServerMessage& m);
    TokenWriter tokens() { return TokenWriter(channel_.buffer(), version_); }
    ThaiCodePage& codePage() { return codePage_; }
    TdsVersion version() const { return version_; }
    const QString& serverName() const { return serverName_; }
    // Sends the packets that are full.
    void flush() { channel_.flushFullPackets(); }

private:
    Channel& channel_;
    TdsVersion version_;
    ThaiCodePage& codePage_;
    QString serverName_;
    uint8_t doneToken_ = token::Done;
    std::vector<WireType> types_;
};

}  // namespace tds
