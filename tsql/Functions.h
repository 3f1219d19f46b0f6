#pragma once

#include <QDateTime>
#include <functional>

struct sqlite3;

namespace tsql {

// Registers the engine's scalar functions (conversions, dates, texts, OBJECT_ID) on a
// connection. `now` yields the server clock for GETDATE().
void registerFunctions(sqlite3* db, std::function<QDateTime()>* now);

// Date arithmetic shared by the functions and the interpreter.
QDateTime dateAdd(const QString& part, qint64 n, const QDateTime& d);
qint64 dateDiff(const QString& part, const QDateTime& a, const QDateTime& b);
int datePart(const QString& part, const QDateTime& d);

}  // namespace tsql
