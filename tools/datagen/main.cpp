// voq-datagen: fills a company database with a seeded, reproducible load of products and
// document lines for benchmarks.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>

#include "db/Connection.h"
#include "dbcore/Error.h"
#include "tools/datagen/Generator.h"

namespace {

const char* const kUsage =
    "Usage: voq-datagen -S server -d database [--products N] [--lines M] [--seed S]\n"
    "                   [--first-year Y] [--years N] [--lines-per-document K]\n"
    "                   [--warehouses N] [--customers N] [--vendors N]\n"
    "Adds N products (default 1000) with their units, barcodes and prices, and M document\n"
    "lines (default 100000) dated in the years Y (default 2021) to Y+N-1 (N default 3), to a\n"
    "company database whose schema is installed, in one transaction. The same options and\n"
    "seed give the same rows.\n";

void print(std::FILE* stream, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stream);
}

std::int64_t number(const QString& option, const QString& value) {
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!ok)
        throw datagen::OptionsError(
            QStringLiteral("%1 needs a whole number, not '%2'").arg(option, value).toStdString());
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    datagen::Options options;
    QString server, database;
    try {
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& a = args[i];
            if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
                print(stdout, QString::fromLatin1(kUsage));
                return 0;
            }
            if (i + 1 >= args.size())
                throw datagen::OptionsError(
                    QStringLiteral("%1 needs a value").arg(a).toStdString());
            const QString v = args[++i];
            if (a == QLatin1String("-S"))
                server = v;
            else if (a == QLatin1String("-d"))
                database = v;
            else if (a == QLatin1String("--products"))
                options.products = static_cast<int>(number(a, v));
            else if (a == QLatin1String("--lines"))
                options.lines = number(a, v);
            else if (a == QLatin1String("--seed"))
                options.seed = static_cast<std::uint64_t>(number(a, v));
            else if (a == QLatin1String("--first-year"))
                options.firstYear = static_cast<int>(number(a, v));
            else if (a == QLatin1String("--years"))
                options.years = static_cast<int>(number(a, v));
            else if (a == QLatin1String("--lines-per-document"))
                options.linesPerDocument = static_cast<int>(number(a, v));
            else if (a == QLatin1String("--warehouses"))
                options.warehouses = static_cast<int>(number(a, v));
            else if (a == QLatin1String("--customers"))
                options.customers = static_cast<int>(number(a, v));
            else if (a == QLatin1String("--vendors"))
                options.vendors = static_cast<int>(number(a, v));
            else
                throw datagen::OptionsError(
                    QStringLiteral("unknown option %1").arg(a).toStdString());
        }
        if (server.isEmpty() || database.isEmpty())
            throw datagen::OptionsError("-S server and -d database are required");
        datagen::validate(options);
    } catch (const datagen::OptionsError& e) {
        print(stderr, QStringLiteral("voq-datagen: %1\n%2")
                          .arg(QString::fromStdString(e.what()), QString::fromLatin1(kUsage)));
        return 2;
    }

    db::Connection connection(QStringLiteral("DATAGEN"));
    connection.params().add(
        QStringLiteral("%1=%2").arg(QLatin1String(db::kDatabaseName), database));
    connection.params().add(QStringLiteral("%1=%2").arg(QLatin1String(db::kServerName), server));
    connection.params().add(QStringLiteral("%1=0").arg(QLatin1String(db::kMaxQueryTime)));
    datagen::Sink sink;
    sink.rows = [&](const QString& sql) {
        const db::BatchResult r = connection.execute(sql);
        const db::StatementResult* rows = r.firstRowSet();
        return rows ? rows->rowSet.rows : std::vector<QVariantList>{};
    };
    sink.execute = [&](const QString& sql) { connection.execute(sql); };

    QElapsedTimer timer;
    timer.start();
    try {
        connection.open();
        connection.startTransaction();
        const datagen::Summary s = datagen::generate(options, sink);
        connection.commit();
        print(stdout,
              QStringLiteral("voq-datagen: %1 products, %2 units, %3 prices, %4 part records, "
                             "%5 documents, %6 lines in %7 s\n")
                  .arg(s.products)
                  .arg(s.units)
                  .arg(s.prices)
                  .arg(s.partSources)
                  .arg(s.documents)
                  .arg(s.lines)
                  .arg(static_cast<double>(timer.elapsed()) / 1000.0, 0, 'f', 1));
    } catch (const std::exception& e) {
        print(stderr, QStringLiteral("voq-datagen: %1\n").arg(QString::fromUtf8(e.what())));
        try {
            if (connection.inTransaction())
                connection.rollback();
        } catch (const db::Error&) {
            // The connection is gone; the server drops the transaction with it.
        }
        return 1;
    }
    return 0;
}
