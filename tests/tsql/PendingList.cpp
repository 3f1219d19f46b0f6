#include "PendingList.h"

#include <QRegularExpression>

#include "ConformanceCase.h"

namespace conformance {

PendingList readPendingList(const QString& path) {
    PendingList out;
    static const QRegularExpression entry(QStringLiteral("^(\\S+)\\s+(\\S.*)$"));
    const QStringList lines = readLines(path, out.problems);
    for (int k = 0; k < lines.size(); ++k) {
        const QString line = lines[k].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QRegularExpressionMatch m = entry.match(line);
        const QString where = QStringLiteral("%1:%2: ").arg(path).arg(k + 1);
        if (!m.hasMatch())
            out.problems << where + QStringLiteral("an entry needs a case name and a reason");
        else if (out.reasons.contains(m.captured(1)))
            out.problems << where + QStringLiteral("'%1' is listed twice").arg(m.captured(1));
        else
            out.reasons.insert(m.captured(1), m.captured(2));
    }
    return out;
}

}  // namespace conformance
