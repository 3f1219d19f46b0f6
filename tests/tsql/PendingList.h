#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace conformance {

// Cases known to fail on today's engine. One a line: the case's full name ("group.name"), blanks,
// and why it fails; lines starting with '#' and blank lines are ignored.
struct PendingList {
    QHash<QString, QString> reasons;  // full name -> reason
    QStringList problems;             // "file:line: what is wrong"
};

PendingList readPendingList(const QString& path);

}  // namespace conformance
