#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace conformance {

// One case of a case file: T-SQL batches run in order on a fresh database, and the output
// SQL Server gives for them, one line a string.
struct Case {
    QString group;  // the file's base name, e.g. "decimals"
    QString name;   // unique within its file
    QString file;
    int line = 0;          // line of the case's heading
    QStringList batches;   // the text split at GO lines
    QStringList expected;  // output lines, trailing blank lines dropped

    QString fullName() const { return group + QLatin1Char('.') + name; }
};

struct CaseFile {
    std::vector<Case> cases;
    QStringList problems;  // "file:line: what is wrong"
};

// Reads one case file:
//   text before the first case       description, ignored
//   === name                         starts a case (name: letters, digits, underscores)
//   T-SQL lines, GO lines between batches
//   --- expect                       ends the T-SQL
//   expected output lines            up to the next "=== " line or the end of the file
CaseFile readCaseFile(const QString& path);

// The lines of a text file of the case folder; one that cannot be read adds a problem to
// `problems` and gives no lines.
QStringList readLines(const QString& path, QStringList& problems);

}  // namespace conformance
