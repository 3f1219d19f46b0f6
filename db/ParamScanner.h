#pragma once

#include <QString>
#include <QStringList>

namespace db {

// The `:name` parameters of an SQL text.
// Rules: ' and " open and close quoted stretches, inside which nothing is a parameter. A colon
// outside them starts a name unless a second colon follows (then the pair stands for one literal
// colon). The name runs up to the next space, CR, LF, comma, semicolon or ')' or to the end of
// the text; a name that begins with a quote is a quoted name and loses its quotes.
struct ScannedSql {
    QString text;             // the SQL with each occurrence replaced by '?' and '::' by ':'
    QStringList occurrences;  // the name of each occurrence, in text order
    QStringList names;        // each name once, at its first occurrence (case ignored)
};

ScannedSql scanParams(const QString& sql);

}  // namespace db
