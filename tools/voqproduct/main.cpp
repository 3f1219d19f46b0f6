// voq-product: the product services from a shell, for support staff and scripts. See
// usageText() for what it accepts.

#include <QCoreApplication>
#include <cstdio>

#include "company/U_DM.h"
#include "config/ConnectionParamList.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "dbcore/Error.h"
#include "product/Dm_Product.h"
#include "tools/voqproduct/Commands.h"

namespace {

using namespace voqproduct;

void write(std::FILE* stream, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stream);
    std::fflush(stream);
}

// The program's own parameter list for the company connection, with the login of the command
// line in place of the suite's when one is given.
void fillParams(db::ConnectionParams& params, const Options& o) {
    db::ConnectionParams program;
    config::fillConnectionParams(program, o.database, o.server, config::kCompanyQueryTime);
    params.clear();
    for (const QString& line : program.lines()) {
        const QString key = line.section(u'=', 0, 0);
        const bool replaced = (o.hasUser && key == QLatin1String(db::kUserName)) ||
                              (o.hasPassword && key == QLatin1String(db::kPassword));
        if (!replaced)
            params.add(line);
    }
    if (o.hasUser)
        params.add(QStringLiteral("%1=%2").arg(QLatin1String(db::kUserName), o.user));
    if (o.hasPassword)
        params.add(QStringLiteral("%1=%2").arg(QLatin1String(db::kPassword), o.password));
}

// The modules as the program creates them, on the company database of the command line.
int run(const Options& options) {
    TDM dm;
    TDMConfig cfg;
    cfg.UserId = options.userId;
    TDmProduct product;
    dm.DMdata->setBeforeConnect([&](db::Connection& c) { fillParams(c.params(), options); });
    const Outcome out = runCommand(product, options);
    write(stdout, out.lines.join(u'\n') + u'\n');
    return out.status;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    try {
        const Options options = parseArguments(args, QDateTime::currentDateTime());
        if (options.help) {
            write(stdout, usageText());
            return kFound;
        }
        return run(options);
    } catch (const UsageError& e) {
        write(stderr, QStringLiteral("voq-product: %1\n%2").arg(e.message(), usageText()));
    } catch (const db::Error& e) {
        write(stderr, QStringLiteral("voq-product: %1\n").arg(e.message()));
    } catch (const std::exception& e) {
        write(stderr, QStringLiteral("voq-product: %1\n").arg(QString::fromUtf8(e.what())));
    }
    return kError;
}
