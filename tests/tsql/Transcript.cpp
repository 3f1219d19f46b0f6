#include "Transcript.h"

#include <QRegularExpression>

#include "PrintedValue.h"

namespace conformance {

namespace {

QString countLine(qint64 count) {
    return count == 1 ? QStringLiteral("(1 row affected)")
                      : QStringLiteral("(%1 rows affected)").arg(count);
}

}  // namespace

void Transcript::rowSetBegin(const tsql::ResultColumns& columns) {
    QStringList names;
    types_.clear();
    for (const tsql::ResultColumn& c : columns) {
        names << (c.name.isEmpty() ? QStringLiteral("(No column name)") : c.name);
        types_.push_back(c.type);
    }
    lines_ << names.join(QLatin1String(" | ")) << QStringLiteral("---");
}

void Transcript::row(const std::vector<tsql::Value>& cells) {
    QStringList printed;
    for (size_t k = 0; k < cells.size(); ++k)
        printed << printedValue(cells[k], k < types_.size() ? types_[k] : tsql::SqlType{});
    lines_ << printed.join(QLatin1String(" | "));
}

void Transcript::rowSetEnd(qint64 rowCount) {
    if (rowCount >= 0)
        lines_ << countLine(rowCount);
}

void Transcript::rowsAffected(qint64 count) {
    lines_ << countLine(count);
}

void Transcript::message(const QString& text) {
    lines_ << text.split(QLatin1Char('\n'));
}

void Transcript::error(const db::Error& e) {
    if (e.messages().empty()) {
        lines_ << QStringLiteral("Msg 0") << e.message().split(QLatin1Char('\n'));
        return;
    }
    for (const db::ServerMessage& m : e.messages())
        lines_ << QStringLiteral("Msg %1").arg(m.nativeError) << m.text.split(QLatin1Char('\n'));
}

QString comparableLine(const QString& expectedLine) {
    static const QRegularExpression header(
        QStringLiteral("^(Msg \\d+), Level \\d+, State \\d+,( Procedure [^,]+,)? Line \\d+$"));
    const QRegularExpressionMatch m = header.match(expectedLine);
    return m.hasMatch() ? m.captured(1) : expectedLine;
}

}  // namespace conformance
