#pragma once

#include <QString>
#include <memory>
#include <stdexcept>
#include <vector>

namespace db {

struct BatchResult;

// One message of a failing operation as the server or driver reported it.
struct ServerMessage {
    QString text;
    int errorCode = 0;    // driver-level code (SQLSTATE class as a number where known)
    int nativeError = 0;  // server's error number, e.g. 2627 for a duplicate key
    QString sqlState;
    int line = 0;  // line of the statement in its batch or procedure, 0 when not known
    int severity = 16;
    int state = 1;
    QString procedure = {};  // the stored procedure of the statement, empty for a batch
};

// SQL Server's severity and state of its error `number` as it usually raises it.
ServerMessage serverMessage(int number, const QString& text);

// Raised by every failing operation of the access layer.
//  - Kind::Server: the server, engine or driver refused something; messages() holds its words.
//  - Kind::Client: the layer itself refused (missing parameter, unknown field, closed database).
class Error : public std::runtime_error {
public:
    enum class Kind { Server, Client };

    Error(Kind kind, QString message, int nativeError = 0, QString statement = {});
    Error(std::vector<ServerMessage> messages, QString statement = {});

    static Error client(const QString& message) { return Error(Kind::Client, message); }

    Kind kind() const { return kind_; }
    bool isServerError() const { return kind_ == Kind::Server; }
    const QString& message() const { return message_; }
    void setMessage(const QString& message);
    int nativeError() const { return nativeError_; }
    const QString& statement() const { return statement_; }
    void setStatement(const QString& statement) { statement_ = statement; }
    const std::vector<ServerMessage>& messages() const { return messages_; }
    void addMessage(const ServerMessage& message) { messages_.push_back(message); }
    // Line of the failing statement, 0 when not known; setPlace gives the line and procedure
    // of the statement to the messages that have no line yet.
    int line() const { return messages_.empty() ? 0 : messages_.front().line; }
    void setPlace(int line, const QString& procedure);

    // What a failing batch or procedure call gave before and between its errors (row sets,
    // counts, messages), so that a caller can show them with the error; nullptr otherwise.
    const BatchResult* results() const { return results_.get(); }
    void setResults(BatchResult results);

    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    Kind kind_;
    QString message_;
    int nativeError_ = 0;
    QString statement_;
    std::vector<ServerMessage> messages_;
    std::shared_ptr<const BatchResult> results_;
    std::string utf8_;
};

}  // namespace db
