// The severity and state with which SQL Server raises the errors that the engine and the TDS
// front end raise under its numbers.
#include <QHash>

#include "dbcore/Error.h"

namespace db {

namespace {

struct ErrorClass {
    int severity;
    int state;
};

// Numbers not listed are raised with severity 16, state 1.
const QHash<int, ErrorClass>& errorClasses() {
    static const QHash<int, ErrorClass> classes{
        {102, {15, 1}},    // incorrect syntax
        {137, {15, 2}},    // undeclared variable
        {156, {15, 1}},    // incorrect syntax near a keyword
        {191, {15, 1}},    // nested too deeply
        {201, {16, 4}},    // procedure parameter not supplied
        {515, {16, 2}},    // NULL into a NOT NULL column
        {547, {16, 0}},    // reference or check conflict
        {1105, {17, 2}},   // file group full
        {2601, {14, 1}},   // duplicate key in a unique index
        {2627, {14, 1}},   // duplicate key of a constraint
        {2714, {16, 6}},   // object exists
        {2812, {16, 62}},  // unknown stored procedure
        {3702, {16, 3}},   // database in use
        {3906, {16, 1}},   // database is read-only
        {4060, {11, 1}},   // cannot open the login's database
        {8114, {16, 5}},   // conversion to a number failed
        {8115, {16, 2}},   // arithmetic overflow
        {8152, {16, 14}},  // text would be cut
        {8179, {16, 2}},   // unknown prepared statement handle
        {8630, {17, 1}},   // internal query processor error
        {18456, {14, 1}},  // login failed
    };
    return classes;
}

}  // namespace

ServerMessage serverMessage(int number, const QString& text) {
    ServerMessage m;
    m.text = text;
    m.nativeError = number;
    const auto found = errorClasses().constFind(number);
    if (found != errorClasses().constEnd()) {
        m.severity = found->severity;
        m.state = found->state;
    }
    return m;
}

}  // namespace db
