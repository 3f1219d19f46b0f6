#include "dbcore/Error.h"

#include "dbcore/Types.h"

#include <QStringList>

namespace db {

Error::Error(Kind kind, QString message, int nativeError, QString statement)
    : std::runtime_error(message.toStdString()),
      kind_(kind),
      message_(std::move(message)),
      nativeError_(nativeError),
      statement_(std::move(statement)),
      utf8_(message_.toStdString()) {
    if (kind_ == Kind::Server)
        messages_.push_back(serverMessage(nativeError_, message_));
}

static QString joinTexts(const std::vector<ServerMessage>& messages) {
    QStringList texts;
    for (const auto& m : messages)
        texts << m.text;
    return texts.join('\n');
}

Error::Error(std::vector<ServerMessage> messages, QString statement)
    : std::runtime_error(joinTexts(messages).toStdString()),
      kind_(Kind::Server),
      message_(joinTexts(messages)),
      nativeError_(messages.empty() ? 0 : messages.front().nativeError),
      statement_(std::move(statement)),
      messages_(std::move(messages)),
      utf8_(message_.toStdString()) {}

void Error::setResults(BatchResult results) {
    results_ = std::make_shared<const BatchResult>(std::move(results));
}

void Error::setPlace(int line, const QString& procedure) {
    for (ServerMessage& m : messages_)
        if (m.line == 0) {
            m.line = line;
            m.procedure = procedure;
        }
}

void Error::setMessage(const QString& message) {
    message_ = message;
    utf8_ = message_.toStdString();
}

}  // namespace db
