#include "tools/voqproduct/Options.h"

namespace voqproduct {

namespace {

// Takes the value of an option, attached (-SSRV) or as the next argument.
QString valueOf(const QStringList& args, qsizetype& i, const QString& option) {
    const QString& a = args.at(i);
    if (a.size() > option.size() && option.startsWith(u'-') && !option.startsWith(u"--"))
        return a.mid(option.size());
    if (i + 1 >= args.size())
        throw UsageError(QStringLiteral("%1 needs a value").arg(option));
    return args.at(++i);
}

bool isOption(const QString& arg, const char* name) {
    const QString option = QString::fromLatin1(name);
    if (option.startsWith(u"--"))
        return arg == option;
    return arg.startsWith(option);
}

// The command's own options; false when `arg` is none of them.
bool commandOption(Options& o, const QStringList& args, qsizetype& i) {
    const QString& a = args.at(i);
    if (a == u"--kinds") {
        o.kinds = parseKinds(valueOf(args, i, a));
        o.hasKinds = true;
    } else if (a == u"--date") {
        o.date = parseDate(valueOf(args, i, a));
    } else if (a == u"--warehouse") {
        o.warehouse = parseInteger(valueOf(args, i, a), QStringLiteral("--warehouse"));
        o.hasWarehouse = true;
    } else if (a == u"--unit") {
        o.unit = parseInteger(valueOf(args, i, a), QStringLiteral("--unit"));
        o.hasUnit = true;
    } else if (a == u"--barcode") {
        o.byBarCode = true;
    } else if (a == u"--stock-unit-price") {
        o.stockUnitPrice = true;
    } else {
        return false;
    }
    return true;
}

// A connection option before the command; false when `arg` is none of them.
bool connectionOption(Options& o, const QStringList& args, qsizetype& i) {
    const QString& a = args.at(i);
    if (isOption(a, "-S"))
        o.server = valueOf(args, i, QStringLiteral("-S"));
    else if (isOption(a, "-d"))
        o.database = valueOf(args, i, QStringLiteral("-d"));
    else if (isOption(a, "-U")) {
        o.user = valueOf(args, i, QStringLiteral("-U"));
        o.hasUser = true;
    } else if (isOption(a, "-P")) {
        o.password = valueOf(args, i, QStringLiteral("-P"));
        o.hasPassword = true;
    } else if (isOption(a, "-u"))
        o.userId = parseInteger(valueOf(args, i, QStringLiteral("-u")), QStringLiteral("-u"));
    else
        return false;
    return true;
}

}  // namespace

Options parseArguments(const QStringList& args, const QDateTime& now) {
    Options o;
    o.date = now;
    qsizetype i = 0;
    for (; i < args.size() && o.command.isEmpty(); ++i) {
        const QString& a = args.at(i);
        if (a == u"-?" || a == u"--help") {
            o.help = true;
            return o;
        }
        if (connectionOption(o, args, i))
            continue;
        if (a.startsWith(u'-'))
            throw UsageError(QStringLiteral("unknown option %1").arg(a));
        o.command = a;
    }
    for (; i < args.size(); ++i) {
        if (!commandOption(o, args, i))
            o.args << args.at(i);
    }
    if (o.server.isEmpty() || o.database.isEmpty())
        throw UsageError(QStringLiteral("-S server and -d database are required"));
    if (o.command.isEmpty())
        throw UsageError(QStringLiteral("no command given"));
    return o;
}

QDateTime parseDate(const QString& text) {
    for (const char* format : {"dd/MM/yyyy", "dd/MM/yyyy hh:mm", "dd/MM/yyyy hh:mm:ss"}) {
        const QDateTime d = QDateTime::fromString(text.trimmed(), QString::fromLatin1(format));
        if (d.isValid())
            return d;
    }
    throw UsageError(
        QStringLiteral("'%1' is no date: write dd/mm/yyyy, or dd/mm/yyyy hh:mm:ss").arg(text));
}

TUnitKinds parseKinds(const QString& text) {
    TUnitKinds kinds;
    for (const QString& word : text.split(u',', Qt::SkipEmptyParts)) {
        const QString k = word.trimmed().toLower();
        if (k == u"sale")
            kinds.insert(ukSale);
        else if (k == u"purc")
            kinds.insert(ukPurc);
        else if (k == u"stock")
            kinds.insert(ukStock);
        else if (k == u"small")
            kinds.insert(ukSmall);
        else
            throw UsageError(
                QStringLiteral("unknown unit kind '%1': use sale, purc, stock, small").arg(word));
    }
    return kinds;
}

int parseInteger(const QString& text, const QString& what) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok)
        throw UsageError(QStringLiteral("%1 must be a whole number, not '%2'").arg(what, text));
    return n;
}

double parseNumber(const QString& text, const QString& what) {
    bool ok = false;
    const double n = text.toDouble(&ok);
    if (!ok)
        throw UsageError(QStringLiteral("%1 must be a number, not '%2'").arg(what, text));
    return n;
}

}  // namespace voqproduct
