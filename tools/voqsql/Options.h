#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

#include "tools/voqsql/Script.h"

namespace voqsql {

// A command line that cannot be followed; the message says why.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

struct Options {
    QString server;                               // -S
    QString database = QStringLiteral("master");  // -d
    QString user;                                 // -U, empty: none given
    QString password;                             // -P
    bool hasUser = false;
    bool hasPassword = false;
    int queryTimeout = 0;  // -t seconds, 0: no limit

    QString query;  // -Q
    bool hasQuery = false;
    QStringList inputFiles;  // -i, in the order given

    Variables variables;       // -v name=value
    bool substitute = true;    // -x turns $(name) substitution off
    bool exitOnError = false;  // -b

    int headers = 0;                          // -h: -1 none, 0 once per row set, N every N rows
    bool trim = false;                        // -W
    QString separator = QStringLiteral(" ");  // -s

    bool help = false;  // -? or --help
};

// Parses the arguments that follow the program name. Options take their value either as the
// next argument (-S SRV01) or attached (-SSRV01). -v takes one or more name=value arguments
// (-v a=1 b=2, or -v a=1 -v b=2). Raises UsageError for anything it cannot accept.
Options parseArguments(const QStringList& args);

// The --help text.
QString usageText();

}  // namespace voqsql
