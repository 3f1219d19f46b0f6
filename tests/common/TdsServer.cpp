#include "TdsServer.h"

#include <QRegularExpression>
#include <stdexcept>

QString TdsServer::program() {
    const QString build =
        qEnvironmentVariable("VOQ_BINARY_DIR", QStringLiteral(VOQ_BINARY_FALLBACK));
    return build + QStringLiteral("/server/voq-server");
}

int TdsServer::run(const QStringList& arguments, const QByteArray& input, QString* output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program(), arguments);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TdsServer::TdsServer(const QString& dir, const QStringList& extraArguments) {
    QString out;
    if (run({QStringLiteral("--add-login"), QLatin1String(kLogin), dir},
            QByteArray(kPassword) + '\n', &out) != 0)
        throw std::runtime_error("voq-server --add-login failed: " + out.toStdString());
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->start(program(),
                    QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")}
                        << extraArguments << dir);
    static const QRegularExpression listening(QStringLiteral(R"(listening on [^ ]+:(\d+))"));
    while (process_->waitForReadyRead(30000)) {
        output_ += QString::fromUtf8(process_->readAll());
        const QRegularExpressionMatch m = listening.match(output_);
        if (m.hasMatch()) {
            port_ = m.captured(1).toInt();
            return;
        }
    }
    throw std::runtime_error("voq-server did not start: " + output_.toStdString());
}

TdsServer::~TdsServer() {
    stop();
}

int TdsServer::stop() {
    if (!process_ || process_->state() == QProcess::NotRunning)
        return process_ ? process_->exitCode() : -1;
    process_->terminate();
    if (!process_->waitForFinished(20000)) {
        process_->kill();
        process_->waitForFinished();
        return -1;
    }
    output_ += QString::fromUtf8(process_->readAll());
    return process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
}

QString TdsServer::output() const {
    return output_;
}
