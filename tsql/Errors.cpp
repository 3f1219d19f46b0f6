#include "tsql/Errors.h"

namespace tsql {

void raise(int number, const QString& message) {
    throw db::Error(db::Error::Kind::Server, message, number);
}

void syntaxError(const QString& near) {
    raise(err::Syntax, QStringLiteral("Incorrect syntax near '%1'.").arg(near));
}

void keywordSyntaxError(const QString& keyword) {
    raise(err::KeywordSyntax,
          QStringLiteral("Incorrect syntax near the keyword '%1'.").arg(keyword));
}

void notSupported(const QString& construct) {
    raise(err::NotSupported,
          QStringLiteral("The embedded engine does not support %1.").arg(construct));
}

void invalidObject(const QString& name) {
    raise(err::InvalidObject, QStringLiteral("Invalid object name '%1'.").arg(name));
}

void invalidColumn(const QString& name) {
    raise(err::InvalidColumn, QStringLiteral("Invalid column name '%1'.").arg(name));
}

void missingParameter(int index) {
    raise(8178, QStringLiteral("The parameterized query expects the parameter '@P%1', which was "
                               "not supplied.")
                    .arg(index + 1));
}

void incorrectWaitforTime(const QString& text) {
    raise(148,
          QStringLiteral("Incorrect time syntax in time string '%1' used with WAITFOR.").arg(text));
}

void undeclaredVariable(const QString& name) {
    raise(137, QStringLiteral("Must declare the scalar variable \"%1\".").arg(name));
}

}  // namespace tsql
