#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <type_traits>
#include <vector>

namespace db {

// Declared type of a parameter or column. Unknown: a parameter nobody has set yet.
enum class FieldType { Unknown, Integer, String, Float, DateTime };

// A value handed to a driver: a null QVariant is SQL NULL of the given type.
struct BoundValue {
    FieldType type = FieldType::Unknown;
    QVariant value;
};

// A column's type as the server declares it: SQL Server's name in lower case ("decimal",
// "money", "date", "datetime", "int", "nvarchar", ...), empty when the driver cannot tell. The
// scale is a decimal's digits after the point, and a date-time's or time's decimals of the second.
struct DeclaredType {
    QString name;
    int precision = 0;
    int scale = 0;
};

struct Column {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;  // characters a text column holds; 0 when unknown or not a text
    DeclaredType declared = {};
};

// A row set's columns. Implicitly shared: a statement run again hands the same description on
// without copying it.
using Columns = QList<Column>;

namespace detail {
// Equal but for the case of letters: ASCII letters fold by one bit, and Qt's Unicode comparison
// decides from the first character pair that is not ASCII. Both names are of one length.
template <typename Name>
inline bool sameLetters(const QString& a, const Name& b) {
    for (qsizetype k = 0; k < a.size(); ++k) {
        const char16_t x = a[k].unicode();
        const char16_t y = QChar(b[k]).unicode();
        if (x == y)
            continue;
        if (x >= 0x80 || y >= 0x80)
            return a.compare(b, Qt::CaseInsensitive) == 0;
        const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c | 0x20 : c; };
        if (lower(x) != lower(y))
            return false;
    }
    return true;
}
}  // namespace detail

// Column and parameter names match with letter case ignored. Case folding keeps a name's length,
// and most names are spelt alike, so between two QStrings Qt's fast exact comparison comes first;
// against a QLatin1StringView (which Qt 6.4 compares out of line) the loop alone is quicker.
template <typename Name>
inline bool sameName(const QString& a, const Name& b) {
    if (a.size() != b.size())
        return false;
    if constexpr (std::is_same_v<Name, QString>) {
        if (a == b)
            return true;
    }
    return detail::sameLetters(a, b);
}

// Index of the column called name, letter case ignored; -1 when absent.
int columnIndex(const Columns& columns, const QString& name);
int columnIndex(const Columns& columns, QLatin1StringView name);

// Rows of one result set, fully fetched. Values are null QVariant for NULL, qint64 for integers,
// double for floats and decimals, QString for texts, QDateTime for date-time columns.
struct RowSet {
    Columns columns;
    std::vector<QVariantList> rows;

    int indexOf(const QString& name) const { return columnIndex(columns, name); }
};

// One result of a batch: either a row set or the count of rows a statement touched.
struct StatementResult {
    bool hasRowSet = false;
    RowSet rowSet;
    qint64 rowsAffected = -1;
};

struct BatchResult {
    std::vector<StatementResult> results;
    QStringList messages;  // informational messages (PRINT), in order

    // The first result that carries rows, or nullptr.
    const StatementResult* firstRowSet() const;
    // Rows touched by the last statement that reported a count, -1 when none did.
    qint64 lastRowsAffected() const;
};

enum class ParamDirection { Input, Output, InputOutput, Result };

// An argument of a stored-procedure call; output values are written back into value.
struct ProcArg {
    QString name;  // with the leading '@'
    FieldType type = FieldType::Unknown;
    ParamDirection direction = ParamDirection::Input;
    QVariant value;
};

}  // namespace db
