#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "product/UnitKinds.h"
#include "tools/voqsql/Options.h"

namespace voqproduct {

using voqsql::UsageError;

struct Options {
    QString server;    // -S
    QString database;  // -d, the company database
    QString user;      // -U, replaces the suite's login
    QString password;  // -P
    bool hasUser = false;
    bool hasPassword = false;
    int userId = 0;  // -u, the suite's user whose warehouses the checks may use

    QString command;
    QStringList args;  // the command's arguments, options taken out

    TUnitKinds kinds;  // --kinds sale,purc,stock,small
    bool hasKinds = false;
    QDateTime date;     // --date, default now
    int warehouse = 0;  // --warehouse ID
    bool hasWarehouse = false;
    int unit = 0;  // --unit ID
    bool hasUnit = false;
    bool byBarCode = false;       // --barcode
    bool stockUnitPrice = false;  // --stock-unit-price

    bool help = false;  // -? or --help
};

// Parses the arguments that follow the program name: the connection options, then the command
// and its arguments, among which the command's own options may stand. Raises UsageError for
// anything it cannot accept; `now` is the date when none is given.
Options parseArguments(const QStringList& args, const QDateTime& now);

// A date as dd/mm/yyyy, optionally followed by hh:mm or hh:mm:ss.
QDateTime parseDate(const QString& text);
// Unit kinds as a comma-separated list of sale, purc, stock and small; empty text is no kind.
TUnitKinds parseKinds(const QString& text);
// A whole number, or UsageError naming what it was meant to be.
int parseInteger(const QString& text, const QString& what);
// A number with a decimal point (not the locale's), or UsageError.
double parseNumber(const QString& text, const QString& what);

}  // namespace voqproduct
