#include "tools/voqsql/Options.h"

namespace voqsql {

namespace {

// Options that take a value, and those that stand alone.
constexpr QStringView kValueOptions = u"SdUPtQihsv";
constexpr QStringView kFlagOptions = u"bWx";

int parseInteger(const QString& text, QChar option, int min, int max) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < min || n > max)
        throw UsageError(QStringLiteral("-%1 needs a whole number from %2 to %3, not '%4'")
                             .arg(option)
                             .arg(min)
                             .arg(max)
                             .arg(text));
    return n;
}

void addVariable(Options& o, const QString& assignment) {
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    if (eq < 0)
        throw UsageError(QStringLiteral("-v needs name=value, not '%1'").arg(assignment));
    const QString name = assignment.left(eq);
    if (!isValidVariableName(name))
        throw UsageError(QStringLiteral("'%1' is not a valid scripting variable name").arg(name));
    o.variables.set(name, assignment.mid(eq + 1));
}

}  // namespace

Options parseArguments(const QStringList& args) {
    Options o;
    bool seenServer = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("-?") || arg == QLatin1String("--help")) {
            o.help = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-')
            throw UsageError(QStringLiteral("unexpected argument '%1'").arg(arg));
        const QChar opt = arg[1];
        if (kFlagOptions.contains(opt)) {
            if (arg.size() != 2)
                throw UsageError(QStringLiteral("unknown option '%1'").arg(arg));
            if (opt == 'b')
                o.exitOnError = true;
            else if (opt == 'W')
                o.trim = true;
            else
                o.substitute = false;
            continue;
        }
        if (!kValueOptions.contains(opt))
            throw UsageError(QStringLiteral("unknown option '%1'").arg(arg));

        QString value;
        if (arg.size() > 2) {
            value = arg.mid(2);
        } else {
            if (i + 1 >= args.size())
                throw UsageError(QStringLiteral("-%1 needs a value").arg(opt));
            value = args[++i];
        }

        switch (opt.unicode()) {
            case 'S':
                o.server = value;
                seenServer = true;
                break;
            case 'd':
                o.database = value;
                break;
            case 'U':
                o.user = value;
                o.hasUser = true;
                break;
            case 'P':
                o.password = value;
                o.hasPassword = true;
                break;
            case 't':
                o.queryTimeout = parseInteger(value, opt, 0, 65535);
                break;
            case 'Q':
                if (o.hasQuery)
                    throw UsageError(QStringLiteral("-Q may be given only once"));
                o.query = value;
                o.hasQuery = true;
                break;
            case 'i':
                o.inputFiles << value;
                break;
            case 'h':
                o.headers = parseInteger(value, opt, -1, 2147483647);
                break;
            case 's':
                if (value.isEmpty())
                    throw UsageError(QStringLiteral("-s needs a non-empty separator"));
                o.separator = value;
                break;
            case 'v':
                addVariable(o, value);
                // Further name=value arguments belong to the same -v.
                while (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-')))
                    addVariable(o, args[++i]);
                break;
        }
    }
    if (o.help)
        return o;
    if (!seenServer || o.server.isEmpty())
        throw UsageError(QStringLiteral("-S server is required"));
    if (o.database.isEmpty())
        throw UsageError(QStringLiteral("-d needs a database name"));
    if (o.hasQuery && !o.inputFiles.isEmpty())
        throw UsageError(QStringLiteral("-Q and -i cannot be used together"));
    if (!o.hasQuery && o.inputFiles.isEmpty())
        throw UsageError(QStringLiteral("give a query with -Q or a script with -i"));
    return o;
}

QString usageText() {
    return QStringLiteral(
        "Usage: voq-sql -S server [-d database] [-U user] [-P password] [-t seconds]\n"
        "               (-Q \"query\" | -i file [-i file ...])\n"
        "               [-v name=value ...] [-x] [-b] [-h rows] [-W] [-s separator]\n"
        "\n"
        "Runs T-SQL batches on a server and prints their results.\n"
        "\n"
        "Connection:\n"
        "  -S server    a SQL Server name reached through FreeTDS (SRV01, SRV01\\SQLEXPRESS,\n"
        "               10.0.0.5,1433), odbc:<ODBC connection string or DSN=name>, or\n"
        "               file:DIR for the embedded engine\n"
        "  -d database  database to use (default master)\n"
        "  -U user      login name; -P password its password\n"
        "  -t seconds   query time limit (default 0: none)\n"
        "\n"
        "Input:\n"
        "  -Q query     run this text and exit\n"
        "  -i file      run a script file (UTF-8, or UTF-16 with a byte-order mark); repeat\n"
        "               -i for several files, run in the order given\n"
        "  Batches are separated by lines holding only GO (any letter case, blanks around\n"
        "  allowed, a trailing -- comment too); \"GO n\" runs the batch n times. A GO line\n"
        "  inside a block comment or a quoted text that spans lines does not separate.\n"
        "  -v name=value  set a scripting variable; $(name) in the text is replaced by its\n"
        "               value (names ignore letter case). -v a=1 b=2 sets several. A\n"
        "               reference to an undefined variable fails its batch.\n"
        "  -x           no $(name) substitution\n"
        "\n"
        "Output:\n"
        "  Rows are printed as a table aligned by character count: a header line with the\n"
        "  column names, a line of dashes, the rows (NULL for null values, numbers right-\n"
        "  aligned), then \"(N rows affected)\". Statements that report a count print\n"
        "  \"(N rows affected)\"; PRINT messages follow the batch's results. Text is UTF-8.\n"
        "  -h -1        no header and dashes lines; -h N repeats them every N rows\n"
        "  -W           no padding: values are printed with their trailing blanks removed\n"
        "  -s sep       column separator (default one blank)\n"
        "\n"
        "Errors:\n"
        "  A failing batch prints the server's words on stderr as\n"
        "    Msg <server error number>, SQLSTATE <state>, <file or query> line <line>\n"
        "    <message>\n"
        "  where <line> is the line its batch starts on.\n"
        "  -b           stop at the first failing batch\n"
        "  Without -b the remaining batches still run.\n"
        "\n"
        "Exit status: 0 when every batch succeeded; 1 when a batch failed (with -b, the\n"
        "first failure ends the run), the server could not be reached or a script could\n"
        "not be read; 2 for a command line that cannot be followed.\n");
}

}  // namespace voqsql
