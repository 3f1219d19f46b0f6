#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// A voq-server of the build serving an embedded server directory on a free loopback port, for
// the tests that reach the engine the way a SQL Server client does.
class TdsServer {
public:
    static constexpr const char* kLogin = "voq";
    static constexpr const char* kPassword = "marigold";

    // Serves `dir` (which must exist) after giving it the login kLogin.
    explicit TdsServer(const QString& dir, const QStringList& extraArguments = {});
    ~TdsServer();
    TdsServer(const TdsServer&) = delete;
    TdsServer& operator=(const TdsServer&) = delete;

    // "127.0.0.1,PORT", the server name the program's SQL Server driver takes.
    QString serverName() const { return QStringLiteral("127.0.0.1,%1").arg(port_); }
    int port() const { return port_; }
    qint64 pid() const { return process_ ? process_->processId() : 0; }
    // Stops with SIGTERM and returns the exit code (-1 when it did not stop in time).
    int stop();
    QString output() const;

    static QString program();
    // Whether this run of a suite goes through voq-server (VOQ_TEST_OVER_TDS set) instead of
    // opening the embedded engine in the test's own process.
    static bool requested() { return !qEnvironmentVariableIsEmpty("VOQ_TEST_OVER_TDS"); }
    // Runs voq-server with the arguments and standard input; returns its exit code and output.
    static int run(const QStringList& arguments, const QByteArray& input, QString* output);

private:
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    QString output_;
};
