// voq-sql: the administrator's command-line SQL client. See usageText() for what it accepts.

#include <QCoreApplication>
#include <cstdio>

#include "db/Connection.h"
#include "dbcore/Error.h"
#include "tools/voqsql/Options.h"
#include "tools/voqsql/ResultPrinter.h"
#include "tools/voqsql/Script.h"

namespace {

using namespace voqsql;

enum ExitStatus { kSuccess = 0, kFailed = 1, kUsage = 2 };

void write(std::FILE* stream, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stream);
    std::fflush(stream);
}

// One source of batches: the -Q text or a script file, with the name errors quote.
struct Source {
    QString label;
    QString text;
};

std::vector<Source> loadSources(const Options& options) {
    std::vector<Source> sources;
    if (options.hasQuery)
        sources.push_back({QStringLiteral("query"), options.query});
    for (const QString& path : options.inputFiles)
        sources.push_back({path, readScriptFile(path)});
    return sources;
}

void configure(db::Connection& connection, const Options& options) {
    auto& params = connection.params();
    params.add(QStringLiteral("%1=%2").arg(QLatin1String(db::kDatabaseName), options.database));
    params.add(QStringLiteral("%1=%2").arg(QLatin1String(db::kServerName), options.server));
    if (options.hasUser)
        params.add(QStringLiteral("%1=%2").arg(QLatin1String(db::kUserName), options.user));
    if (options.hasPassword)
        params.add(QStringLiteral("%1=%2").arg(QLatin1String(db::kPassword), options.password));
    params.add(
        QStringLiteral("%1=%2").arg(QLatin1String(db::kMaxQueryTime)).arg(options.queryTimeout));
}

QString location(const QString& label, int line) {
    return QStringLiteral("%1 line %2").arg(label).arg(line);
}

// Runs every batch of every source. Returns the exit status.
int run(const Options& options) {
    std::vector<Source> sources;
    try {
        sources = loadSources(options);
    } catch (const ScriptError& e) {
        write(stderr, QStringLiteral("voq-sql: %1\n").arg(e.message()));
        return kFailed;
    }

    db::Connection connection(QStringLiteral("VOQSQL"));
    configure(connection, options);
    try {
        connection.open();
    } catch (const db::Error& e) {
        write(stderr, formatError(e, QStringLiteral("connecting to ") + options.server));
        return kFailed;
    }

    const ResultPrinter printer({options.headers, options.trim, options.separator});
    bool anyFailed = false;
    for (const Source& source : sources) {
        std::vector<Batch> batches;
        try {
            batches = splitBatches(source.text);
        } catch (const ScriptError& e) {
            write(stderr, QStringLiteral("voq-sql: %1: %2\n")
                              .arg(location(source.label, e.line()), e.message()));
            if (options.exitOnError)
                return kFailed;
            anyFailed = true;
            continue;
        }
        for (const Batch& batch : batches) {
            QString sql = batch.text;
            if (options.substitute) {
                try {
                    sql = substituteVariables(batch.text, options.variables);
                } catch (const ScriptError& e) {
                    write(stderr, QStringLiteral("voq-sql: %1: %2\n")
                                      .arg(location(source.label, batch.firstLine + e.line() - 1),
                                           e.message()));
                    if (options.exitOnError)
                        return kFailed;
                    anyFailed = true;
                    continue;
                }
            }
            for (int n = 0; n < batch.repeat; ++n) {
                try {
                    write(stdout, printer.formatBatch(connection.execute(sql, {})));
                } catch (const db::Error& e) {
                    if (e.results())  // what the batch gave before it failed
                        write(stdout, printer.formatBatch(*e.results()));
                    write(stderr, formatError(e, location(source.label, batch.firstLine)));
                    if (options.exitOnError)
                        return kFailed;
                    anyFailed = true;
                    break;
                }
            }
        }
    }
    return anyFailed ? kFailed : kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    Options options;
    try {
        options = parseArguments(args);
    } catch (const UsageError& e) {
        write(stderr, QStringLiteral("voq-sql: %1\n%2").arg(e.message(), usageText()));
        return kUsage;
    }
    if (options.help) {
        write(stdout, usageText());
        return kSuccess;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        write(stderr, QStringLiteral("voq-sql: %1\n").arg(QString::fromUtf8(e.what())));
        return kFailed;
    }
}
