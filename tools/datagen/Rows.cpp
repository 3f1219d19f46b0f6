#include "tools/datagen/Rows.h"

#include <stdexcept>

namespace datagen::detail {

void Writer::add(const QString& table, const QString& columns, const QString& values) {
    Pending& p = pending_[table];
    p.columns = columns;
    p.rows << values;
    if (p.rows.size() >= rowsPerInsert_)
        flush(table, p);
}

void Writer::flushAll() {
    for (auto& [table, p] : pending_)
        flush(table, p);
}

void Writer::flush(const QString& table, Pending& p) {
    if (p.rows.isEmpty())
        return;
    sink_.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES\n(%3)")
                      .arg(table, p.columns, p.rows.join(QStringLiteral("),\n("))));
    p.rows.clear();
}

QString money(std::int64_t cents) {
    const QString sign = cents < 0 ? QStringLiteral("-") : QString();
    const std::int64_t a = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2.%3").arg(sign).arg(a / 100).arg(a % 100, 2, 10, QLatin1Char('0'));
}

QString padded(std::int64_t n, int width) {
    return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

QHash<QString, std::int64_t> idsByCode(const Sink& sink, const QString& sql) {
    QHash<QString, std::int64_t> ids;
    for (const QVariantList& row : sink.rows(sql))
        ids.insert(row.at(1).toString(), row.at(0).toLongLong());
    return ids;
}

std::int64_t need(const QHash<QString, std::int64_t>& ids, const QString& code) {
    const auto it = ids.constFind(code);
    if (it == ids.constEnd())
        throw std::runtime_error(("generated row " + code + " was not found again").toStdString());
    return it.value();
}

}  // namespace datagen::detail
