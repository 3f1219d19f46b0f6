#include "tools/voqsql/ResultPrinter.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <algorithm>

namespace voqsql {

namespace {

bool isNumeric(db::FieldType type) {
    return type == db::FieldType::Integer || type == db::FieldType::Float;
}

QString trimmedRight(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    return text.left(end);
}

QString pad(const QString& text, qsizetype width, bool right) {
    const qsizetype fill = width - characterCount(text);
    if (fill <= 0)
        return text;
    const QString blanks(fill, QLatin1Char(' '));
    return right ? blanks + text : text + blanks;
}

// A number with `scale` digits after the point (none when the scale is 0).
QString fixedPoint(const QVariant& value, int scale) {
    return QString::number(value.toDouble(), 'f', scale);
}

// A time of day with `scale` decimals of the second; the value holds milliseconds at most.
QString timeOfDay(const QTime& time, int scale) {
    QString text = time.toString(QStringLiteral("HH:mm:ss"));
    if (scale <= 0)
        return text;
    const QString millis = QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'));
    return text + QLatin1Char('.') + millis.left(scale).leftJustified(scale, QLatin1Char('0'));
}

// The value in the form of its declared type; an empty text when the type has no form of its own.
QString inDeclaredForm(const QVariant& value, const db::DeclaredType& declared) {
    const QString& name = declared.name;
    if (name == u"decimal" || name == u"numeric")
        return fixedPoint(value, declared.scale);
    if (name == u"money" || name == u"smallmoney")
        return fixedPoint(value, 4);
    const QDateTime moment = value.toDateTime();
    if (name == u"date")
        return moment.date().toString(QStringLiteral("yyyy-MM-dd"));
    // A time of day comes as a QTime, which reads as no date-time.
    if (name == u"time")
        return timeOfDay(value.typeId() == QMetaType::QTime ? value.toTime() : moment.time(),
                         declared.scale);
    if (name == u"datetime" || name == u"datetime2" || name == u"smalldatetime")
        return moment.date().toString(QStringLiteral("yyyy-MM-dd ")) +
               timeOfDay(moment.time(), declared.scale);
    return {};
}

}  // namespace

qsizetype characterCount(QStringView text) {
    qsizetype n = text.size();
    for (QChar c : text)
        if (c.isLowSurrogate())
            --n;
    return n;
}

QString formatValue(const QVariant& value, const db::DeclaredType& declared) {
    if (value.isNull())
        return QStringLiteral("NULL");
    if (const QString typed = inDeclaredForm(value, declared); !typed.isEmpty())
        return typed;
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest);
        case QMetaType::QDateTime:
            return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        case QMetaType::QDate:
            return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        case QMetaType::QTime:
            return value.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
        case QMetaType::QByteArray:
            return QStringLiteral("0x") +
                   QString::fromLatin1(value.toByteArray().toHex().toUpper());
        default:
            return value.toString();
    }
}

QString formatRowsAffected(qint64 count) {
    return count == 1 ? QStringLiteral("\n(1 row affected)\n")
                      : QStringLiteral("\n(%1 rows affected)\n").arg(count);
}

QString ResultPrinter::formatRowSet(const db::RowSet& rowSet) const {
    const size_t ncols = rowSet.columns.size();

    std::vector<QStringList> cells;
    cells.reserve(rowSet.rows.size());
    for (const auto& row : rowSet.rows) {
        QStringList line;
        for (size_t c = 0; c < ncols; ++c) {
            QString cell = c < static_cast<size_t>(row.size())
                               ? formatValue(row[c], rowSet.columns[c].declared)
                               : QStringLiteral("NULL");
            line << (options_.trim ? trimmedRight(cell) : cell);
        }
        cells.push_back(std::move(line));
    }

    std::vector<qsizetype> widths(ncols, 0);
    if (!options_.trim) {
        for (size_t c = 0; c < ncols; ++c) {
            widths[c] = options_.headers >= 0 ? characterCount(rowSet.columns[c].name) : 0;
            for (const auto& line : cells)
                widths[c] = std::max(widths[c], characterCount(line[c]));
        }
    }

    QString out;
    auto emitLine = [&](const QStringList& parts) {
        out += parts.join(options_.separator);
        out += QLatin1Char('\n');
    };
    auto emitHeader = [&]() {
        QStringList names;
        QStringList dashes;
        for (size_t c = 0; c < ncols; ++c) {
            const QString& name = rowSet.columns[c].name;
            if (options_.trim) {
                names << trimmedRight(name);
                dashes << QString(characterCount(names.back()), QLatin1Char('-'));
            } else {
                names << pad(name, widths[c], false);
                dashes << QString(widths[c], QLatin1Char('-'));
            }
        }
        emitLine(names);
        emitLine(dashes);
    };

    if (options_.headers >= 0 && cells.empty())
        emitHeader();
    for (size_t r = 0; r < cells.size(); ++r) {
        if (options_.headers == 0 ? r == 0 : options_.headers > 0 && r % options_.headers == 0) {
            if (r > 0)
                out += QLatin1Char('\n');
            emitHeader();
        }
        if (options_.trim) {
            emitLine(cells[r]);
            continue;
        }
        QStringList padded;
        for (size_t c = 0; c < ncols; ++c)
            padded << pad(cells[r][c], widths[c], isNumeric(rowSet.columns[c].type));
        emitLine(padded);
    }
    out += formatRowsAffected(static_cast<qint64>(rowSet.rows.size()));
    return out;
}

QString ResultPrinter::formatBatch(const db::BatchResult& batch) const {
    QString out;
    for (const auto& result : batch.results) {
        if (result.hasRowSet)
            out += formatRowSet(result.rowSet);
        else if (result.rowsAffected >= 0)
            out += formatRowsAffected(result.rowsAffected);
    }
    for (const auto& message : batch.messages) {
        out += message;
        out += QLatin1Char('\n');
    }
    return out;
}

QString formatError(const db::Error& error, const QString& where) {
    if (!error.isServerError() || error.messages().empty())
        return QStringLiteral("voq-sql: %1: %2\n").arg(where, error.message());
    QString out;
    for (const auto& m : error.messages()) {
        QString head = QStringLiteral("Msg %1").arg(m.nativeError);
        if (!m.sqlState.isEmpty())
            head += QStringLiteral(", SQLSTATE ") + m.sqlState;
        out += head + QStringLiteral(", ") + where + QLatin1Char('\n');
        out += m.text;
        if (!m.text.endsWith(QLatin1Char('\n')))
            out += QLatin1Char('\n');
    }
    return out;
}

}  // namespace voqsql
