#pragma once

#include <QStringList>

#include "dbcore/Types.h"

// The rows of a batch's first row set as text, each row's values joined with '|': NULL as
// "NULL", date-times as "yyyy-MM-dd hh:mm:ss", other values as the driver gives them.
inline QStringList firstRowSetAsText(const db::BatchResult& result) {
    QStringList out;
    const db::StatementResult* rs = result.firstRowSet();
    if (!rs)
        return out;
    for (const auto& row : rs->rowSet.rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << (v.isNull() ? QStringLiteral("NULL")
                      : v.typeId() == QMetaType::QDateTime
                          ? v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                          : v.toString());
        out << cells.join(u'|');
    }
    return out;
}
