#include "tsql/ResultSink.h"

#include <sqlite3.h>

#include <algorithm>

namespace tsql {

ResultColumns::ResultColumns(QList<ResultColumn> typed) : typed_(std::move(typed)) {
    described_.reserve(typed_.size());
    for (const auto& [name, type] : typed_) {
        const db::FieldType t = type.fieldType();
        described_.push_back({name, t == db::FieldType::Unknown ? db::FieldType::String : t,
                              type.isText() ? std::max(type.length, 0) : 0, type.declared()});
    }
}

void BatchCollector::clear() {
    out_.results.clear();
    out_.messages.clear();
    rowsTo_ = nullptr;
    columns_ = nullptr;
    errors_.clear();
}

void BatchCollector::rowSetBegin(const ResultColumns& columns) {
    rowsTo_ = nullptr;
    db::StatementResult r;
    r.hasRowSet = true;
    r.rowSet.columns = columns.described();
    columns_ = &columns;
    out_.results.push_back(std::move(r));
}

void BatchCollector::row(const std::vector<Value>& cells) {
    QVariantList row;
    row.reserve(static_cast<qsizetype>(cells.size()));
    for (size_t k = 0; k < cells.size(); ++k)
        row.push_back(variant(cells[k], (*columns_)[k].type));
    rows().push_back(std::move(row));
}

bool BatchCollector::takeRow(sqlite3_stmt* st) {
    QVariantList row;
    const ResultColumns& columns = *columns_;
    row.reserve(static_cast<qsizetype>(columns.size()));
    for (size_t k = 0; k < columns.size(); ++k)
        row.push_back(variant(st, static_cast<int>(k), columns[k].type));
    rows().push_back(std::move(row));
    return true;
}

void BatchCollector::rowsAffected(qint64 count) {
    db::StatementResult r;
    r.rowsAffected = count;
    out_.results.push_back(std::move(r));
}

void BatchCollector::message(const QString& text) {
    out_.messages << text;
}

void BatchCollector::statementError(const db::Error& error) {
    for (const db::ServerMessage& m : error.messages())
        errors_.push_back(m);
}

void BatchCollector::raiseErrors(const QString& batch, const db::Error* ending) const {
    if (errors_.empty() && !ending)
        return;
    std::vector<db::ServerMessage> messages = errors_;
    if (ending)
        for (const db::ServerMessage& m : ending->messages())
            messages.push_back(m);
    db::Error error = errors_.empty() ? *ending : db::Error(std::move(messages), batch);
    error.setResults(out_);
    throw error;
}

QVariant BatchCollector::variant(const Value& cell, const SqlType& type) {
    if (cell.isNull())
        return QVariant();
    if (type.isText() || (!type.known() && cell.kind == Value::Text))
        return QVariant(cell.toString());
    if (type.isInteger() && cell.kind == Value::Int)
        return QVariant(static_cast<qint64>(cell.i));
    if (type.isNumeric() && cell.kind != Value::Text)
        return QVariant(cell.toDouble());
    return cell.toVariant(type);
}

// Texts as SQLite renders them, whatever it stores (as the interpreter reads a text column).
QVariant BatchCollector::variant(sqlite3_stmt* st, int k, const SqlType& type) {
    const int kind = sqlite3_column_type(st, k);
    if (kind == SQLITE_NULL)
        return QVariant();
    if (type.isText() || (!type.known() && kind == SQLITE_TEXT)) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, k));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(st, k)));
    }
    if (type.isInteger() && kind == SQLITE_INTEGER)
        return QVariant(static_cast<qint64>(sqlite3_column_int64(st, k)));
    if (type.isNumeric() && (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT))
        return QVariant(sqlite3_column_double(st, k));
    if (type.isNumeric() && !type.isInteger() && kind == SQLITE_TEXT) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, k));
        return QVariant(Value::textToDouble(text, sqlite3_column_bytes(st, k)));
    }
    return variant(Value::fromColumn(st, k), type);
}

}  // namespace tsql
