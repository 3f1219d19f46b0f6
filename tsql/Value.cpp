#include "tsql/Value.h"

#include <QStringEncoder>
#include <charconv>

#include "tsql/SqliteApi.h"

#include "tsql/Conversions.h"
#include "tsql/Moment.h"

namespace tsql {

namespace {

// Binds a text as UTF-8 in a buffer SQLite takes over, so it is converted once and not copied.
void bindText(sqlite3_stmt* st, int index, const QString& text) {
    QStringEncoder utf8(QStringEncoder::Utf8);
    // One byte more than needed: SQLite gives no buffer at all for a size of 0 (an empty text).
    char* buffer = static_cast<char*>(sqlite3_malloc64(utf8.requiredSpace(text.size()) + 1));
    if (!buffer) {
        Value::text(text).bind(st, index);
        return;
    }
    const char* end = utf8.appendToBuffer(buffer, text);
    sqlite3_bind_text64(st, index, buffer, static_cast<sqlite3_uint64>(end - buffer), sqlite3_free,
                        SQLITE_UTF8);
}

}  // namespace

// The engine's decimals are plain texts that std::from_chars reads at a fraction of the general
// parser's cost; anything else (blanks, a sign of plus) goes to that parser.
double Value::textToDouble(const char* text, qsizetype size) {
    const char* end = text + size;
    double d = 0;
    const std::from_chars_result r = std::from_chars(text, end, d);
    if (r.ec == std::errc() && r.ptr == end)
        return d;
    return QByteArray::fromRawData(text, size).toDouble();
}

double Value::toDouble() const {
    switch (kind) {
        case Int:
            return static_cast<double>(i);
        case Real:
            return d;
        case Text:
            return textToDouble(s.constData(), s.size());
        case Null:
            break;
    }
    return 0;
}

QString Value::toString() const {
    switch (kind) {
        case Int:
            return QString::number(i);
        case Real:
            return QString::number(d, 'g', 17);
        case Text:
            return QString::fromUtf8(s);
        case Null:
            break;
    }
    return {};
}

Value Value::fromSqlite(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return integer(sqlite3_value_int64(v));
        case SQLITE_FLOAT:
            return real(sqlite3_value_double(v));
        case SQLITE_NULL:
            return null();
        default: {
            const char* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
            return text(QByteArray(p, sqlite3_value_bytes(v)));
        }
    }
}

Value Value::fromColumn(sqlite3_stmt* st, int col) {
    switch (sqlite3_column_type(st, col)) {
        case SQLITE_INTEGER:
            return integer(sqlite3_column_int64(st, col));
        case SQLITE_FLOAT:
            return real(sqlite3_column_double(st, col));
        case SQLITE_NULL:
            return null();
        default: {
            const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
            return text(QByteArray(p, sqlite3_column_bytes(st, col)));
        }
    }
}

void Value::bind(sqlite3_stmt* st, int index) const {
    switch (kind) {
        case Int:
            sqlite3_bind_int64(st, index, i);
            break;
        case Real:
            sqlite3_bind_double(st, index, d);
            break;
        case Text:
            sqlite3_bind_text(st, index, s.constData(), int(s.size()), SQLITE_TRANSIENT);
            break;
        case Null:
            sqlite3_bind_null(st, index);
            break;
    }
}

void Value::result(sqlite3_context* ctx) const {
    switch (kind) {
        case Int:
            sqlite3_result_int64(ctx, i);
            break;
        case Real:
            sqlite3_result_double(ctx, d);
            break;
        case Text:
            sqlite3_result_text(ctx, s.constData(), int(s.size()), SQLITE_TRANSIENT);
            break;
        case Null:
            sqlite3_result_null(ctx);
            break;
    }
}

Value Value::fromBound(const db::BoundValue& b) {
    const QVariant& v = b.value;
    if (v.isNull() || !v.isValid())
        return null();
    switch (b.type) {
        case db::FieldType::Integer:
            return integer(v.toLongLong());
        case db::FieldType::Float:
            return real(v.toDouble());
        case db::FieldType::DateTime: {
            QDateTime dt = v.toDateTime();
            if (!dt.isValid())
                return text(v.toString());
            return text(canonicalDate(dt));
        }
        case db::FieldType::String:
            return text(v.toString());
        case db::FieldType::Unknown:
            break;
    }
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            return integer(v.toLongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            return real(v.toDouble());
        case QMetaType::QDateTime:
        case QMetaType::QDate:
            return text(canonicalDate(v.toDateTime()));
        default:
            return text(v.toString());
    }
}

void Value::bindBound(sqlite3_stmt* st, int index, const db::BoundValue& b) {
    const QVariant& v = b.value;
    if (v.isNull())
        sqlite3_bind_null(st, index);
    else if (b.type == db::FieldType::Integer && v.typeId() == QMetaType::LongLong)
        sqlite3_bind_int64(st, index, *static_cast<const qlonglong*>(v.constData()));
    else if (b.type == db::FieldType::Integer)
        sqlite3_bind_int64(st, index, v.toLongLong());
    else if (b.type == db::FieldType::String && v.typeId() == QMetaType::QString)
        bindText(st, index, *static_cast<const QString*>(v.constData()));
    else
        fromBound(b).bind(st, index);
}

QVariant Value::toVariant(const SqlType& type) const {
    if (kind == Null)
        return QVariant();
    if (type.isInteger()) {
        if (kind == Int)
            return QVariant(static_cast<qint64>(i));
        if (kind == Real)
            return QVariant(static_cast<qint64>(d));
        return QVariant(s.trimmed().toLongLong());
    }
    if (type.isNumeric()) {
        return QVariant(toDouble());
    }
    // A time of day as a QTime, to the millisecond as the access layer's date-times are.
    if (type.base == SqlType::Time && kind == Text) {
        if (const std::optional<Moment> m = Moment::fromStored(s))
            return QVariant(QTime::fromMSecsSinceStartOfDay(
                static_cast<int>(m->ticks / (Moment::kTicksPerSecond / 1000))));
    }
    if (type.isDate()) {
        if (kind == Text) {
            auto dt = parseCanonicalDate(s);
            if (dt)
                return QVariant(*dt);
        }
        return QVariant(toString());
    }
    if (type.isText())
        return QVariant(toString());
    // Type unknown at translation time: report what the value is.
    switch (kind) {
        case Int:
            return QVariant(static_cast<qint64>(i));
        case Real:
            return QVariant(d);
        default:
            return QVariant(toString());
    }
}

}  // namespace tsql
