// voq-server: serves an embedded server directory to SQL Server clients over TDS.
#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#include "server/Listener.h"
#include "server/Logins.h"
#include "server/Tls.h"

namespace {

int fail(const QString& message) {
    std::cerr << "voq-server: " << message.toStdString() << std::endl;
    return 2;
}

// The password is the first line of standard input.
int addLogin(const QString& name, const QString& dir) {
    std::string password;
    std::getline(std::cin, password);
    if (name.isEmpty())
        return fail(QStringLiteral("a login needs a name"));
    try {
        tds::Logins(dir).set(name, QString::fromStdString(password));
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    return 0;
}

int serve(const QString& listen, const QString& dir, const QString& certificate,
          const QString& key) {
    const std::optional<tds::ListenAddress> address = tds::ListenAddress::parse(listen);
    if (!address)
        return fail(QStringLiteral("not an address: %1").arg(listen));
    if (certificate.isEmpty() != key.isEmpty())
        return fail(QStringLiteral("--tls-cert and --tls-key go together"));
    if (!address->isLoopback() && certificate.isEmpty())
        return fail(QStringLiteral("listening on %1 needs a certificate (--tls-cert and "
                                   "--tls-key); without one only the loopback address is served")
                        .arg(address->host));
    // Termination termination are taken by the listener alone; every thread inherits the mask.
    sigset_t termination;
    sigemptyset(&termination);
    sigaddset(&termination, SIGTERM);
    sigaddset(&termination, SIGINT);
    pthread_sigmask(SIG_BLOCK, &termination, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    tds::ServerConfig config;
    config.dir = dir;
    std::unique_ptr<tds::TlsContext> tls;
    if (!certificate.isEmpty()) {
        try {
            tls = std::make_unique<tds::TlsContext>(certificate, key);
        } catch (const std::exception& e) {
            return fail(QString::fromLocal8Bit(e.what()));
        }
        config.tls = tls.get();
        // Off the loopback address every client encrypts its whole session.
        config.encryptionRequired = !address->isLoopback();
    }
    tds::Listener listener(config);
    uint16_t port;
    try {
        port = listener.bind(*address);
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    std::cout << "voq-server: listening on " << address->host.toStdString() << ":" << port
              << " for " << dir.toStdString() << std::endl;
    listener.serve();
    std::cout << "voq-server: stopped" << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int k = 0; k < argc; ++k)
        arguments << QString::fromLocal8Bit(argv[k]);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves an embedded server directory over TDS."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("listen"),
                      QStringLiteral("Address and port (127.0.0.1:1433)."),
                      QStringLiteral("ADDRESS:PORT"), QStringLiteral("127.0.0.1:1433")});
    parser.addOption({QStringLiteral("add-login"),
                      QStringLiteral("Sets the login NAME, its password read from standard input."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("tls-cert"),
                      QStringLiteral("Certificate chain (PEM) for TLS; required off the loopback "
                                     "address."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("tls-key"),
                      QStringLiteral("The certificate's private key (PEM)."),
                      QStringLiteral("FILE")});
    parser.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("The server directory."));
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::cout << parser.helpText().toStdString();
        return 0;
    }
    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("give one server directory"));
    const QString dir = parser.positionalArguments().first();
    if (!QDir(dir).exists())
        return fail(QStringLiteral("no directory %1").arg(dir));
    if (parser.isSet(QStringLiteral("add-login")))
        return addLogin(parser.value(QStringLiteral("add-login")), dir);
    return serve(parser.value(QStringLiteral("listen")), dir,
                 parser.value(QStringLiteral("tls-cert")), parser.value(QStringLiteral("tls-key")));
}
