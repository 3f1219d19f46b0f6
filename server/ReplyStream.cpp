#include "server/ReplyStream.h"

#include <algorithm>

namespace tds {

ServerMessage serverMessage(const db::ServerMessage& m) {
    ServerMessage out;
    out.number = m.nativeError != 0 ? m.nativeError : 50000;
    out.severity = static_cast<uint8_t>(std::clamp(m.severity, 11, 25));
    out.state = static_cast<uint8_t>(std::clamp(m.state, 0, 255));
    out.text = m.text;
    out.procedure = m.procedure;
    out.line = std::max(1, m.line);
    return out;
}

void ReplyStream::rowSetBegin(const tsql::ResultColumns& columns) {
    types_.clear();
    for (const tsql::ResultColumn& c : columns)
        types_.push_back(wireTypeOf(c.type, version_));
    tokens().columnMetadata(columns, types_);
}

void ReplyStream::row(const std::vector<tsql::Value>& cells) {
    tokens().row(types_, cells, codePage_);
    flush();
}

void ReplyStream::rowSetEnd(qint64 rowCount) {
    if (rowCount < 0)
        tokens().done(doneToken_, done::More);
    else
        tokens().done(doneToken_, done::More | done::Count, static_cast<uint64_t>(rowCount));
    flush();
}

void ReplyStream::rowsAffected(qint64 count) {
    tokens().done(doneToken_, done::More | done::Count, static_cast<uint64_t>(count));
}

void ReplyStream::message(const QString& text) {
    ServerMessage m;
    m.severity = 0;
    m.text = text;
    tokens().message(m, serverName_);
}

void ReplyStream::statementError(const db::Error& e) {
    for (const db::ServerMessage& m : e.messages())
        error(serverMessage(m));
    tokens().done(doneToken_, done::More | done::Error);
}

void ReplyStream::error(const ServerMessage& m) {
    tokens().message(m, serverName_);
}

}  // namespace tds
