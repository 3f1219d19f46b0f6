#include "db/ParamScanner.h"

#include "dbcore/Types.h"

namespace db {

static bool endsName(QChar c) {
    return c == ' ' || c == '\r' || c == '\n' || c == ',' || c == ';' || c == ')';
}

ScannedSql scanParams(const QString& sql) {
    ScannedSql out;
    out.text.reserve(sql.size());
    QChar quote;  // the quote character of the open stretch, null outside
    const int n = static_cast<int>(sql.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            out.text += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            out.text += c;
            continue;
        }
        if (c != ':') {
            out.text += c;
            continue;
        }
        if (i + 1 < n && sql[i + 1] == ':') {
            out.text += ':';
            ++i;
            continue;
        }
        int end = i + 1;
        QString name;
        if (end < n && (sql[end] == '\'' || sql[end] == '"')) {
            const QChar q = sql[end];
            const int close = static_cast<int>(sql.indexOf(q, end + 1));
            end = close < 0 ? n : close + 1;
            name = sql.mid(i + 2, (close < 0 ? n : close) - (i + 2));
        } else {
            while (end < n && !endsName(sql[end]))
                ++end;
            name = sql.mid(i + 1, end - (i + 1));
        }
        if (name.isEmpty()) {  // a lone colon is text
            out.text += c;
            continue;
        }
        out.text += '?';
        out.occurrences << name;
        bool known = false;
        for (const auto& existing : std::as_const(out.names))
            known = known || sameName(existing, name);
        if (!known)
            out.names << name;
        i = end - 1;
    }
    return out;
}

}  // namespace db
