#include "db/OdbcDriver.h"

#include <sql.h>
#include <sqlext.h>

#include <langinfo.h>
#include <locale.h>

#include <QByteArray>
#include <QDate>
#include <QTime>
#include <algorithm>
#include <cstring>
#include <limits>

#include "dbcore/TsqlScanner.h"

namespace db {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC with 2-byte SQLWCHAR expected");

constexpr SQLULEN kLoginTimeoutSeconds = 15;
// Declared size of text output parameters that are not longer on input (nvarchar(4000)).
constexpr SQLULEN kOutputTextChars = 4000;
// SQL Server types the ODBC headers do not name.
constexpr SQLSMALLINT kSsTime2 = -154;
constexpr SQLSMALLINT kSsTimestampOffset = -155;

const char* const kFreeTdsDriverName = "FreeTDS";
const char* const kFreeTdsLibrary = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";

SQLWCHAR* wide(const QString& s) {
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(s.utf16()));
}

QString fromWide(const SQLWCHAR* p, qsizetype n) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(p), n);
}

bool succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// Every diagnostic record of a handle, in the order the driver keeps them.
std::vector<ServerMessage> diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::vector<ServerMessage> out;
    if (handle == nullptr)
        return out;
    for (SQLSMALLINT rec = 1;; ++rec) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLWCHAR> text(1024);
        SQLRETURN rc = SQLGetDiagRecW(type, handle, rec, state, &native, text.data(),
                                      static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
            text.resize(static_cast<size_t>(length) + 1);
            rc = SQLGetDiagRecW(type, handle, rec, state, &native, text.data(),
                                static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (!succeeded(rc))
            break;
        ServerMessage m;
        m.sqlState = fromWide(state, 5);
        m.nativeError = static_cast<int>(native);
        const qsizetype n = std::min<qsizetype>(length, static_cast<qsizetype>(text.size()) - 1);
        m.text = OdbcDriver::stripVendorTags(fromWide(text.data(), n));
        bool numeric = false;
        const int sqlClass = m.sqlState.left(2).toInt(&numeric);
        m.errorCode = numeric ? sqlClass : 0;
        out.push_back(std::move(m));
    }
    return out;
}

bool isInformational(const ServerMessage& m) {
    return m.sqlState.startsWith(QLatin1String("01"));
}

// Builds the error of a failed call: errors first (db::Error takes its number from the first
// record), informational records such as PRINT output after them, each group in server order.
Error makeError(std::vector<ServerMessage> messages, const char* call, const QString& statement) {
    if (messages.empty())
        messages.push_back(
            {QStringLiteral("%1 failed without a diagnostic record").arg(QString::fromLatin1(call)),
             0, 0, QString()});
    std::stable_partition(messages.begin(), messages.end(),
                          [](const ServerMessage& m) { return !isInformational(m); });
    return Error(std::move(messages), statement);
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* call,
           const QString& statement = QString()) {
    if (!succeeded(rc))
        throw makeError(diagnostics(type, handle), call, statement);
}

// A statement handle freed on every path.
class Statement {
public:
    Statement(SQLHDBC dbc, SQLULEN timeoutSeconds, const QString& text) {
        check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle_), SQL_HANDLE_DBC, dbc, "SQLAllocHandle",
              text);
        if (timeoutSeconds == 0)
            return;
        const SQLRETURN rc = SQLSetStmtAttr(handle_, SQL_ATTR_QUERY_TIMEOUT,
                                            reinterpret_cast<SQLPOINTER>(timeoutSeconds), 0);
        if (!succeeded(rc)) {
            Error e = makeError(diagnostics(SQL_HANDLE_STMT, handle_), "SQLSetStmtAttr", text);
            SQLFreeHandle(SQL_HANDLE_STMT, handle_);
            throw e;
        }
    }
    ~Statement() {
        if (handle_ != nullptr)
            SQLFreeHandle(SQL_HANDLE_STMT, handle_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT get() const { return handle_; }

private:
    SQLHSTMT handle_ = nullptr;
};

// ---- parameters ----------------------------------------------------------------------------

// Storage of one bound parameter; it must stay in place until the statement has run.
struct ParamBuffer {
    SQLSMALLINT ioType = SQL_PARAM_INPUT;
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 0;
    SQLSMALLINT digits = 0;
    SQLBIGINT integer = 0;
    SQLINTEGER status = 0;
    double real = 0;
    SQL_TIMESTAMP_STRUCT timestamp{};
    std::vector<SQLWCHAR> text;
    SQLLEN indicator = 0;

    SQLPOINTER data() {
        switch (cType) {
            case SQL_C_SBIGINT:
                return &integer;
            case SQL_C_SLONG:
                return &status;
            case SQL_C_DOUBLE:
                return &real;
            case SQL_C_TYPE_TIMESTAMP:
                return &timestamp;
            default:
                return text.data();
        }
    }
    SQLLEN bufferLength() const {
        switch (cType) {
            case SQL_C_SBIGINT:
                return sizeof integer;
            case SQL_C_SLONG:
                return sizeof status;
            case SQL_C_DOUBLE:
                return sizeof real;
            case SQL_C_TYPE_TIMESTAMP:
                return sizeof timestamp;
            default:
                return static_cast<SQLLEN>(text.size() * sizeof(SQLWCHAR));
        }
    }
};

SQL_TIMESTAMP_STRUCT toTimestamp(const QDateTime& value) {
    const QDate d = value.date();
    const QTime t = value.time();
    SQL_TIMESTAMP_STRUCT ts{};
    ts.year = static_cast<SQLSMALLINT>(d.year());
    ts.month = static_cast<SQLUSMALLINT>(d.month());
    ts.day = static_cast<SQLUSMALLINT>(d.day());
    ts.hour = static_cast<SQLUSMALLINT>(t.hour());
    ts.minute = static_cast<SQLUSMALLINT>(t.minute());
    ts.second = static_cast<SQLUSMALLINT>(t.second());
    ts.fraction = static_cast<SQLUINTEGER>(t.msec()) * 1000000u;
    return ts;
}

QDateTime fromTimestamp(const SQL_TIMESTAMP_STRUCT& ts) {
    return QDateTime(QDate(ts.year, ts.month, ts.day),
                     QTime(ts.hour, ts.minute, ts.second, static_cast<int>(ts.fraction / 1000000)));
}

Error badValue(const QString& label, const QVariant& value, const char* what,
               const QString& statement) {
    return Error(Error::Kind::Client,
                 QStringLiteral("%1: '%2' is not %3").arg(label, value.toString(), what), 0,
                 statement);
}

// Fills `b` for a value of `type`; a null QVariant is SQL NULL of that type.
void fillParam(ParamBuffer& b, FieldType type, const QVariant& value, ParamDirection direction,
               const QString& label, const QString& statement) {
    const bool output = direction == ParamDirection::Output;
    const bool returnsValue = output || direction == ParamDirection::InputOutput;
    b.ioType =
        output ? SQL_PARAM_OUTPUT : (returnsValue ? SQL_PARAM_INPUT_OUTPUT : SQL_PARAM_INPUT);
    const bool null = output || value.isNull();
    b.indicator = null ? SQL_NULL_DATA : 0;
    bool ok = true;
    switch (type) {
        case FieldType::Integer:
            b.cType = SQL_C_SBIGINT;
            b.sqlType = SQL_BIGINT;
            b.columnSize = 19;
            if (!null) {
                b.integer = value.toLongLong(&ok);
                if (!ok)
                    throw badValue(label, value, "an integer", statement);
            }
            break;
        case FieldType::Float:
            b.cType = SQL_C_DOUBLE;
            b.sqlType = SQL_DOUBLE;
            b.columnSize = 15;
            if (!null) {
                b.real = value.toDouble(&ok);
                if (!ok)
                    throw badValue(label, value, "a number", statement);
            }
            break;
        case FieldType::DateTime:
            b.cType = SQL_C_TYPE_TIMESTAMP;
            b.sqlType = SQL_TYPE_TIMESTAMP;
            b.columnSize = 23;
            b.digits = 3;
            if (!null) {
                const QDateTime dt = value.toDateTime();
                if (!dt.isValid())
                    throw badValue(label, value, "a date and time", statement);
                b.timestamp = toTimestamp(dt);
            }
            break;
        case FieldType::String: {
            b.cType = SQL_C_WCHAR;
            b.sqlType = SQL_WVARCHAR;
            const QString s = null ? QString() : value.toString();
            const SQLULEN length = static_cast<SQLULEN>(s.size());
            b.columnSize = std::max<SQLULEN>(returnsValue ? kOutputTextChars : 1, length);
            b.text.assign(b.columnSize + 1, 0);
            std::copy_n(reinterpret_cast<const SQLWCHAR*>(s.utf16()), s.size(), b.text.begin());
            if (!null)
                b.indicator = static_cast<SQLLEN>(length * sizeof(SQLWCHAR));
            break;
        }
        case FieldType::Unknown:
            throw Error(Error::Kind::Client, label + QStringLiteral(" has no type"), 0, statement);
    }
}

void bindParams(SQLHSTMT stmt, std::vector<ParamBuffer>& buffers, const QString& statement) {
    for (size_t i = 0; i < buffers.size(); ++i) {
        ParamBuffer& b = buffers[i];
        check(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), b.ioType, b.cType, b.sqlType,
                               b.columnSize, b.digits, b.data(), b.bufferLength(), &b.indicator),
              SQL_HANDLE_STMT, stmt, "SQLBindParameter", statement);
    }
}

QVariant paramValue(const ParamBuffer& b) {
    if (b.indicator == SQL_NULL_DATA)
        return {};
    switch (b.cType) {
        case SQL_C_SBIGINT:
            return QVariant::fromValue<qint64>(b.integer);
        case SQL_C_SLONG:
            return QVariant::fromValue<qint64>(b.status);
        case SQL_C_DOUBLE:
            return b.real;
        case SQL_C_TYPE_TIMESTAMP:
            return fromTimestamp(b.timestamp);
        default: {
            qsizetype n = static_cast<qsizetype>(b.text.size()) - 1;
            if (b.indicator >= 0)
                n = std::min<qsizetype>(n, b.indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)));
            return fromWide(b.text.data(), n);
        }
    }
}

// ---- results -------------------------------------------------------------------------------

enum class Reader { Integer, Float, Decimal, Text, Binary, DateTime, Time };

struct ColumnReader {
    Column column;
    Reader reader = Reader::Text;
};

// The server's name of a column's type ("money", "date", ...), or one told by its ODBC type when
// the driver names none.
QString typeName(SQLHSTMT stmt, SQLUSMALLINT index, SQLSMALLINT dataType, SQLSMALLINT digits) {
    SQLWCHAR name[64] = {};
    SQLSMALLINT bytes = 0;
    if (SQL_SUCCEEDED(SQLColAttributeW(stmt, index, SQL_DESC_TYPE_NAME, name, sizeof name, &bytes,
                                       nullptr)) &&
        bytes > 0) {
        const QString text = fromWide(name, bytes / static_cast<SQLSMALLINT>(sizeof(SQLWCHAR)));
        return text.section(QLatin1Char(' '), 0, 0).toLower();  // "int identity" is an int
    }
    switch (dataType) {
        case SQL_DECIMAL:
            return QStringLiteral("decimal");
        case SQL_NUMERIC:
            return QStringLiteral("numeric");
        case SQL_TYPE_DATE:
            return QStringLiteral("date");
        case SQL_TYPE_TIMESTAMP:
            return digits == 3 ? QStringLiteral("datetime") : QStringLiteral("datetime2");
        case SQL_TYPE_TIME:
        case kSsTime2:
            return QStringLiteral("time");
        default:
            return {};
    }
}

ColumnReader describeColumn(SQLHSTMT stmt, SQLUSMALLINT index, const QString& statement) {
    std::vector<SQLWCHAR> name(256);
    SQLSMALLINT nameLength = 0, dataType = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    check(SQLDescribeColW(stmt, index, name.data(), static_cast<SQLSMALLINT>(name.size()),
                          &nameLength, &dataType, &size, &digits, &nullable),
          SQL_HANDLE_STMT, stmt, "SQLDescribeCol", statement);
    if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
        name.resize(static_cast<size_t>(nameLength) + 1);
        check(SQLDescribeColW(stmt, index, name.data(), static_cast<SQLSMALLINT>(name.size()),
                              &nameLength, &dataType, &size, &digits, &nullable),
              SQL_HANDLE_STMT, stmt, "SQLDescribeCol", statement);
    }
    ColumnReader c;
    c.column.name = fromWide(name.data(), nameLength);
    const bool text = dataType == SQL_CHAR || dataType == SQL_VARCHAR || dataType == SQL_WCHAR ||
                      dataType == SQL_WVARCHAR;
    c.column.size = text ? static_cast<int>(size) : 0;
    c.column.declared = {typeName(stmt, index, dataType, digits), static_cast<int>(size), digits};
    switch (dataType) {
        case SQL_BIT:
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
            c.reader = Reader::Integer;
            c.column.type = FieldType::Integer;
            break;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            c.reader = Reader::Float;
            c.column.type = FieldType::Float;
            break;
        case SQL_DECIMAL:
        case SQL_NUMERIC:  // also money: read as text so the value is the nearest double
            c.reader = Reader::Decimal;
            c.column.type = FieldType::Float;
            break;
        case SQL_DATE:
        case SQL_TIMESTAMP:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIMESTAMP:
        case kSsTimestampOffset:
            c.reader = Reader::DateTime;
            c.column.type = FieldType::DateTime;
            break;
        case SQL_TIME:
        case SQL_TYPE_TIME:
        case kSsTime2:
            c.reader = Reader::Time;
            c.column.type = FieldType::DateTime;
            break;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:  // pictures and the like: bytes in a QByteArray
            c.reader = Reader::Binary;
            c.column.type = FieldType::String;
            break;
        default:  // char, varchar, nchar, nvarchar, text, ntext, guid, xml, sql_variant
            c.reader = Reader::Text;
            c.column.type = FieldType::String;
            break;
    }
    return c;
}

template <typename T>
bool getFixed(SQLHSTMT stmt, SQLUSMALLINT col, SQLSMALLINT cType, T& value,
              const QString& statement) {
    SQLLEN indicator = 0;
    check(SQLGetData(stmt, col, cType, &value, sizeof value, &indicator), SQL_HANDLE_STMT, stmt,
          "SQLGetData", statement);
    return indicator != SQL_NULL_DATA;
}

// Reads a long value piece by piece; `unit` is the size of one character (0 for bytes, which
// carry no terminator).
QByteArray getLong(SQLHSTMT stmt, SQLUSMALLINT col, SQLSMALLINT cType, size_t unit, bool& isNull,
                   const QString& statement) {
    QByteArray out;
    std::vector<char> buffer(8192);
    const SQLLEN room = static_cast<SQLLEN>(buffer.size() - unit);
    isNull = false;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, col, cType, buffer.data(),
                                        static_cast<SQLLEN>(buffer.size()), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, SQL_HANDLE_STMT, stmt, "SQLGetData", statement);
        if (indicator == SQL_NULL_DATA) {
            isNull = true;
            break;
        }
        const bool truncated = indicator == SQL_NO_TOTAL || indicator > room;
        SQLLEN got = truncated ? room : indicator;
        if (unit > 1)
            got -= got % static_cast<SQLLEN>(unit);
        out.append(buffer.data(), got);
        if (rc == SQL_SUCCESS || !truncated)
            break;
    }
    return out;
}

QVariant readCell(SQLHSTMT stmt, SQLUSMALLINT col, Reader reader, const QString& statement) {
    switch (reader) {
        case Reader::Integer: {
            SQLBIGINT v = 0;
            return getFixed(stmt, col, SQL_C_SBIGINT, v, statement) ? QVariant::fromValue<qint64>(v)
                                                                    : QVariant();
        }
        case Reader::Float: {
            double v = 0;
            return getFixed(stmt, col, SQL_C_DOUBLE, v, statement) ? QVariant(v) : QVariant();
        }
        case Reader::DateTime: {
            SQL_TIMESTAMP_STRUCT v{};
            return getFixed(stmt, col, SQL_C_TYPE_TIMESTAMP, v, statement)
                       ? QVariant(fromTimestamp(v))
                       : QVariant();
        }
        case Reader::Time: {
            // A time of day alone lands on the zero date of the date-time scale.
            SQL_TIME_STRUCT v{};
            if (!getFixed(stmt, col, SQL_C_TYPE_TIME, v, statement))
                return {};
            return QDateTime(QDate(1899, 12, 30), QTime(v.hour, v.minute, v.second));
        }
        case Reader::Decimal: {
            bool isNull = false;
            const QByteArray text = getLong(stmt, col, SQL_C_CHAR, 1, isNull, statement);
            if (isNull)
                return {};
            bool ok = false;
            const double v = text.trimmed().toDouble(&ok);
            if (!ok)
                throw Error(Error::Kind::Client,
                            QStringLiteral("Column %1 holds '%2', which is not a number")
                                .arg(col)
                                .arg(QString::fromLatin1(text)),
                            0, statement);
            return v;
        }
        case Reader::Binary: {
            bool isNull = false;
            const QByteArray bytes = getLong(stmt, col, SQL_C_BINARY, 0, isNull, statement);
            return isNull ? QVariant() : QVariant(bytes);
        }
        case Reader::Text:
            break;
    }
    bool isNull = false;
    const QByteArray raw = getLong(stmt, col, SQL_C_WCHAR, sizeof(SQLWCHAR), isNull, statement);
    if (isNull)
        return {};
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.constData()),
                              raw.size() / static_cast<qsizetype>(sizeof(SQLWCHAR)));
}

bool sameMessages(const std::vector<ServerMessage>& a, const std::vector<ServerMessage>& b) {
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const ServerMessage& x, const ServerMessage& y) {
            return x.sqlState == y.sqlState && x.nativeError == y.nativeError && x.text == y.text;
        });
}

// Walks every result of an executed statement: row counts and row sets, in order, each row set's
// rows read as they are asked for.
//
// A failing statement inside a batch does not end the walk: SQL Server goes on with the rest of
// the batch, so its later results are read and its later errors gathered, and the first error is
// raised with every record once the batch is exhausted. Drivers differ in how they report a
// statement that failed mid-batch (SQL_ERROR, or SQL_SUCCESS_WITH_INFO carrying error records),
// so the records of every return are sorted by class: "01" (PRINT, warnings) are messages, all
// others errors.
class BatchReader {
public:
    // `rc` is what executing the statement returned.
    BatchReader(SQLHSTMT stmt, const QString& statement, SQLRETURN rc)
        : stmt_(stmt), statement_(statement), rc_(rc) {}

    // Every result, row sets fully fetched.
    BatchResult run() {
        while (nextRowSet())
            while (readRows(std::numeric_limits<int>::max(), out_.results.back().rowSet.rows)) {
            }
        return finish();
    }

    // Moves on to the next row set, its columns described and its rows left unread; false once
    // the batch is exhausted.
    bool nextRowSet() {
        while (!ended_) {
            if (visit())
                return true;
            advance();
        }
        return false;
    }

    // Appends up to maxRows rows of the current row set; false once it has none left.
    bool readRows(int maxRows, std::vector<QVariantList>& rows) {
        try {
            for (int k = 0; k < maxRows; ++k) {
                const SQLRETURN rc = SQLFetch(stmt_);
                if (rc == SQL_NO_DATA) {
                    advance();
                    return false;
                }
                check(rc, SQL_HANDLE_STMT, stmt_, "SQLFetch", statement_);
                if (rc == SQL_SUCCESS_WITH_INFO)
                    takeRecords();
                QVariantList row;
                row.reserve(static_cast<qsizetype>(readers_.size()));
                for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(readers_.size()); ++i)
                    row << readCell(stmt_, i, readers_[i - 1], statement_);
                rows.push_back(std::move(row));
            }
        } catch (const Error& e) {
            keepServerErrors(e);
            advance();
            return false;
        }
        return true;
    }

    // The results read, or the errors gathered raised together with the results read.
    BatchResult finish() {
        if (!errors_.empty()) {
            Error error = makeError(std::move(errors_), "SQLExecDirect", statement_);
            error.setResults(out_);
            throw error;
        }
        return std::move(out_);
    }

    bool failed() const { return !errors_.empty(); }
    const BatchResult& results() const { return out_; }

private:
    void advance() {
        rc_ = SQLMoreResults(stmt_);
        first_ = false;
    }

    // Takes in the return of the last call: true when it opened a row set.
    bool visit() {
        if (rc_ == SQL_ERROR || rc_ == SQL_INVALID_HANDLE) {
            std::vector<ServerMessage> records = diagnostics(SQL_HANDLE_STMT, stmt_);
            // A driver that cannot move past a failure says nothing or repeats itself.
            if (records.empty() || sameMessages(records, lastError_)) {
                if (errors_.empty())
                    errors_ = makeError({}, first_ ? "SQLExecDirect" : "SQLMoreResults", statement_)
                                  .messages();
                ended_ = true;
                return false;
            }
            sortRecords(records);
            lastError_ = std::move(records);
            return false;
        }
        lastError_.clear();
        if (rc_ == SQL_SUCCESS_WITH_INFO || rc_ == SQL_NO_DATA)
            takeRecords();
        if (rc_ != SQL_NO_DATA) {
            try {
                return describeResult();
            } catch (const Error& e) {
                keepServerErrors(e);
            }
            return false;
        }
        if (!first_) {
            ended_ = true;
            return false;
        }
        // The first statement touched no rows, or reports no count at all (SET).
        SQLLEN count = -1;
        if (succeeded(SQLRowCount(stmt_, &count)) && count >= 0)
            addCount(count);
        return false;
    }

    void keepServerErrors(const Error& e) {
        if (!e.isServerError())
            throw e;
        errors_.insert(errors_.end(), e.messages().begin(), e.messages().end());
    }

    void takeRecords() { sortRecords(diagnostics(SQL_HANDLE_STMT, stmt_)); }

    void sortRecords(const std::vector<ServerMessage>& records) {
        for (const ServerMessage& m : records) {
            if (isInformational(m))
                out_.messages << m.text;
            else
                errors_.push_back(m);
        }
    }

    void addCount(qint64 count) {
        StatementResult r;
        r.rowsAffected = count;
        out_.results.push_back(std::move(r));
    }

    // The current result: a row set's columns (true), or the count of rows touched.
    bool describeResult() {
        SQLSMALLINT columns = 0;
        check(SQLNumResultCols(stmt_, &columns), SQL_HANDLE_STMT, stmt_, "SQLNumResultCols",
              statement_);
        if (columns == 0) {
            SQLLEN count = -1;
            check(SQLRowCount(stmt_, &count), SQL_HANDLE_STMT, stmt_, "SQLRowCount", statement_);
            if (count >= 0)
                addCount(count);
            return false;
        }
        StatementResult r;
        r.hasRowSet = true;
        readers_.clear();
        for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columns); ++i) {
            ColumnReader c = describeColumn(stmt_, i, statement_);
            r.rowSet.columns.push_back(c.column);
            readers_.push_back(c.reader);
        }
        out_.results.push_back(std::move(r));
        return true;
    }

    SQLHSTMT stmt_;
    QString statement_;
    SQLRETURN rc_;
    bool first_ = true;
    bool ended_ = false;
    std::vector<ServerMessage> lastError_;
    std::vector<Reader> readers_;
    BatchResult out_;
    std::vector<ServerMessage> errors_;
};

// The rows of a batch's first row set fetched as they are asked for, on a statement handle of
// its own; freeing the handle early drops the rest of the batch.
class OdbcCursor : public Cursor {
public:
    OdbcCursor(std::unique_ptr<Statement> stmt, std::vector<ParamBuffer> buffers,
               const QString& sql, bool& busy)
        : stmt_(std::move(stmt)),
          buffers_(std::move(buffers)),
          reader_(stmt_->get(), sql, SQLExecDirectW(stmt_->get(), wide(sql), SQL_NTS)),
          busy_(busy) {
        reading_ = reader_.nextRowSet();
        if (reading_)
            rowSet_ = reader_.results().results.size() - 1;
        if (reading_ && reader_.failed())
            runToEnd();
        if (!reading_)
            reader_.finish();
        busy_ = reading_;
    }
    ~OdbcCursor() override {
        if (reading_)
            busy_ = false;
    }

    bool hasRowSet() const override { return rowSet_ != kNone; }
    Columns takeColumns() override { return reader_.results().results.at(rowSet_).rowSet.columns; }

    bool fetch(int maxRows, std::vector<QVariantList>& rows) override {
        if (!reading_)
            return false;
        if (reader_.readRows(maxRows, rows))
            return true;
        runToEnd();
        return false;
    }

private:
    // Reads the rest of the batch, dropping later row sets, and raises its errors.
    void runToEnd() {
        if (reading_)
            busy_ = false;
        reading_ = false;
        std::vector<QVariantList> dropped;
        while (reader_.nextRowSet())
            while (reader_.readRows(kDropBatch, dropped))
                dropped.clear();
        reader_.finish();
    }

    static constexpr int kDropBatch = 500;
    static constexpr size_t kNone = ~size_t(0);

    std::unique_ptr<Statement> stmt_;
    std::vector<ParamBuffer> buffers_;  // bound to the statement
    BatchReader reader_;
    bool& busy_;  // the driver's: a cursor of it is being read
    bool reading_ = false;
    size_t rowSet_ = kNone;
};

// A statement handle with the parameters bound, ready to execute `sql`.
std::unique_ptr<Statement> prepared(SQLHDBC dbc, SQLULEN timeoutSeconds, const QString& sql,
                                    const std::vector<BoundValue>& params,
                                    std::vector<ParamBuffer>& buffers) {
    if (!params.empty()) {
        const int markers = OdbcDriver::countMarkers(sql);
        if (markers != static_cast<int>(params.size()))
            throw Error(Error::Kind::Client,
                        QStringLiteral("The statement has %1 parameter markers but %2 values")
                            .arg(markers)
                            .arg(params.size()),
                        0, sql);
    }
    buffers.resize(params.size());
    for (size_t i = 0; i < params.size(); ++i)
        fillParam(buffers[i], params[i].type, params[i].value, ParamDirection::Input,
                  QStringLiteral("Parameter %1").arg(i + 1), sql);
    auto stmt = std::make_unique<Statement>(dbc, timeoutSeconds, sql);
    bindParams(stmt->get(), buffers, sql);
    return stmt;
}

// ---- connection strings --------------------------------------------------------------------

// A value as a connection string carries it: braced when it holds a separator or blanks at its
// ends, with '}' doubled inside the braces.
QString attributeValue(const QString& value) {
    const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{')) &&
                       !value.contains(QLatin1Char('}')) && !value.contains(QLatin1Char('=')) &&
                       value.trimmed() == value;
    if (plain)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

// Keys of an ODBC connection string, upper-cased.
QStringList connectionKeys(const QString& text) {
    QStringList keys;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        keys << text.mid(i, eq - i).trimmed().toUpper();
        i = eq + 1;
        while (i < text.size() && text[i].isSpace())
            ++i;
        if (i < text.size() && text[i] == QLatin1Char('{')) {
            for (++i; i < text.size(); ++i) {
                if (text[i] == QLatin1Char('}')) {
                    if (i + 1 < text.size() && text[i + 1] == QLatin1Char('}'))
                        ++i;
                    else
                        break;
                }
            }
        }
        const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
        if (semi < 0)
            break;
        i = semi + 1;
    }
    return keys;
}

// A driver without wide-character entry points (the SQLite one) gets its text from unixODBC in
// the character set that the thread's locale had when the connection handle was made; with a
// locale such as "C", Thai would reach it as garbage. While it lives, an instance switches the
// calling thread alone to UTF-8 character handling, the set such drivers read on this platform.
class Utf8Ctype {
public:
    Utf8Ctype() {
        if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0)
            return;
        locale_t base = duplocale(uselocale(static_cast<locale_t>(nullptr)));
        if (base == static_cast<locale_t>(nullptr))
            return;
        utf8_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", base);
        if (utf8_ == static_cast<locale_t>(nullptr)) {
            freelocale(base);
            return;
        }
        previous_ = uselocale(utf8_);
    }
    ~Utf8Ctype() {
        if (utf8_ == static_cast<locale_t>(nullptr))
            return;
        uselocale(previous_);
        freelocale(utf8_);
    }
    Utf8Ctype(const Utf8Ctype&) = delete;
    Utf8Ctype& operator=(const Utf8Ctype&) = delete;

private:
    locale_t utf8_ = static_cast<locale_t>(nullptr);
    locale_t previous_ = static_cast<locale_t>(nullptr);
};

// "Driver=FreeTDS" when the driver manager knows that name, else the library itself.
QString freeTdsDriver() {
    static const QString driver = [] {
        SQLHENV env = nullptr;
        bool registered = false;
        if (succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
            SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                          0);
            SQLCHAR name[256];
            SQLCHAR attributes[1024];
            SQLSMALLINT nameLength = 0, attributesLength = 0;
            SQLUSMALLINT direction = SQL_FETCH_FIRST;
            while (succeeded(SQLDriversA(env, direction, name, sizeof name, &nameLength, attributes,
                                         sizeof attributes, &attributesLength))) {
                direction = SQL_FETCH_NEXT;
                if (QString::fromUtf8(reinterpret_cast<const char*>(name))
                        .compare(QLatin1String(kFreeTdsDriverName), Qt::CaseInsensitive) == 0)
                    registered = true;
            }
            SQLFreeHandle(SQL_HANDLE_ENV, env);
        }
        return QString::fromLatin1(registered ? kFreeTdsDriverName : kFreeTdsLibrary);
    }();
    return driver;
}

}  // namespace

// ---- OdbcDriver ----------------------------------------------------------------------------

QString OdbcDriver::stripVendorTags(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char('[')) {
        const qsizetype close = text.indexOf(QLatin1Char(']'), i);
        if (close < 0)
            break;
        i = close + 1;
    }
    return i < text.size() ? text.mid(i) : text;
}

int OdbcDriver::countMarkers(const QString& sql) {
    int count = 0;
    for (qsizetype i = 0; i < sql.size();) {
        const Stretch stretch = stretchAt(sql, i);
        if (stretch == Stretch::None) {
            count += sql[i] == QLatin1Char('?');
            ++i;
            continue;
        }
        int depth = 1;
        i = stretchEnd(sql, i + openingLength(stretch), stretch, depth);
        if (i < 0)
            break;
    }
    return count;
}

QString OdbcDriver::connectionString(const ConnectionParams& params) {
    const QString server = params.value(QLatin1String(kServerName));
    if (server.startsWith(QLatin1String("odbc:"), Qt::CaseInsensitive)) {
        const QString text = server.mid(5);
        if (text.trimmed().isEmpty())
            throw Error::client(
                QStringLiteral("Server name '%1' holds no ODBC connection string").arg(server));
        return text;
    }

    // A host name holds no blanks, so blanks around the server name are not part of it.
    QString address = server.trimmed();
    if (address.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        address = address.mid(4);
    QString port;
    const qsizetype comma = address.lastIndexOf(QLatin1Char(','));
    if (comma >= 0) {
        port = address.mid(comma + 1).trimmed();
        address = address.left(comma).trimmed();
        bool ok = false;
        const uint number = port.toUInt(&ok);
        if (!ok || number == 0 || number > 65535)
            throw Error::client(QStringLiteral("Server name '%1' has an invalid port").arg(server));
    }
    QString host = address;
    QString instance;
    const qsizetype slash = address.indexOf(QLatin1Char('\\'));
    if (slash >= 0) {
        host = address.left(slash);
        instance = address.mid(slash + 1);
    }
    if (host == QLatin1String(".") ||
        host.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
        host = QStringLiteral("localhost");
    if (host.isEmpty())
        throw Error::client(server.isEmpty()
                                ? QStringLiteral("No server name given")
                                : QStringLiteral("Server name '%1' names no host").arg(server));

    QStringList parts;
    const auto add = [&parts](const char* key, const QString& value) {
        parts << QLatin1String(key) + QLatin1Char('=') + attributeValue(value);
    };
    add("Driver", freeTdsDriver());
    // With a port the instance name is not needed to find the server.
    add("Server",
        port.isEmpty() && !instance.isEmpty() ? host + QLatin1Char('\\') + instance : host);
    if (!port.isEmpty())
        add("Port", port);
    const QString database = params.value(QLatin1String(kDatabaseName));
    if (!database.isEmpty())
        add("Database", database);
    const QString user = params.value(QLatin1String(kUserName));
    if (!user.isEmpty())
        add("UID", user);
    if (params.contains(QLatin1String(kPassword)))
        add("PWD", params.value(QLatin1String(kPassword)));
    const QString workstation = params.value(QStringLiteral("HOST NAME"));
    if (!workstation.isEmpty())
        add("WSID", workstation);
    const QString application = params.value(QStringLiteral("APPLICATION NAME"));
    if (!application.isEmpty())
        add("APP", application);
    add("TDS_Version", QStringLiteral("7.4"));
    add("ClientCharset", QStringLiteral("UTF-8"));
    return parts.join(QLatin1Char(';'));
}

OdbcDriver::OdbcDriver() = default;

OdbcDriver::~OdbcDriver() {
    if (dbc_ != nullptr) {
        if (depth_ > 0)
            SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
        SQLDisconnect(dbc_);
    }
    freeHandles();
}

void OdbcDriver::freeHandles() noexcept {
    if (dbc_ != nullptr)
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_ != nullptr)
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    dbc_ = nullptr;
    env_ = nullptr;
    depth_ = 0;
}

void OdbcDriver::open(const ConnectionParams& params) {
    if (isOpen())
        throw Error::client(QStringLiteral("The connection is already open"));

    const QString timeoutText = params.value(QLatin1String(kMaxQueryTime)).trimmed();
    unsigned long timeout = 0;
    if (!timeoutText.isEmpty()) {
        bool ok = false;
        timeout = timeoutText.toULong(&ok);
        if (!ok)
            throw Error::client(
                QStringLiteral("MAX QUERY TIME must be a number of seconds, not '%1'")
                    .arg(timeoutText));
    }
    const QString text = connectionString(params);

    const Utf8Ctype utf8;
    SQLHENV env = nullptr;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        throw Error::client(QStringLiteral("The ODBC driver manager could not be initialised"));
    env_ = env;
    SQLHDBC dbc = nullptr;
    try {
        check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                            0),
              SQL_HANDLE_ENV, env, "SQLSetEnvAttr");
        check(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_HANDLE_ENV, env, "SQLAllocHandle");
        dbc_ = dbc;
        check(SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                                reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0),
              SQL_HANDLE_DBC, dbc, "SQLSetConnectAttr");
        SQLWCHAR completed[1024];
        SQLSMALLINT completedLength = 0;
        const SQLRETURN rc = SQLDriverConnectW(
            dbc, nullptr, wide(text), static_cast<SQLSMALLINT>(text.size()), completed,
            static_cast<SQLSMALLINT>(std::size(completed)), &completedLength, SQL_DRIVER_NOPROMPT);
        check(rc, SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
    } catch (...) {
        // The handle is not connected, so freeing it is all there is to do.
        freeHandles();
        throw;
    }

    // A data source string that names no database (a DSN, say) still gets the connection's own.
    const QString server = params.value(QLatin1String(kServerName));
    const QString database = params.value(QLatin1String(kDatabaseName));
    if (server.startsWith(QLatin1String("odbc:"), Qt::CaseInsensitive) && !database.isEmpty() &&
        !connectionKeys(text).contains(QLatin1String("DATABASE"))) {
        // Terminated text: the driver manager reads a given length as characters when it
        // converts the name for a driver without wide entry points, twice the bytes there are.
        const SQLRETURN rc =
            SQLSetConnectAttrW(dbc, SQL_ATTR_CURRENT_CATALOG, wide(database), SQL_NTS);
        if (!succeeded(rc)) {
            Error e = makeError(diagnostics(SQL_HANDLE_DBC, dbc), "SQLSetConnectAttr", QString());
            SQLDisconnect(dbc);
            freeHandles();
            throw e;
        }
    }
    queryTimeout_ = timeout;
    depth_ = 0;
}

void OdbcDriver::close() {
    if (dbc_ == nullptr)
        return;
    std::vector<ServerMessage> errors;
    if (depth_ > 0 && !succeeded(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK))) {
        const auto records = diagnostics(SQL_HANDLE_DBC, dbc_);
        errors.insert(errors.end(), records.begin(), records.end());
    }
    if (!succeeded(SQLDisconnect(dbc_))) {
        const auto records = diagnostics(SQL_HANDLE_DBC, dbc_);
        errors.insert(errors.end(), records.begin(), records.end());
    }
    freeHandles();
    if (!errors.empty())
        throw makeError(std::move(errors), "SQLDisconnect", QString());
}

void OdbcDriver::setAutocommit(bool on) {
    check(SQLSetConnectAttr(
              dbc_, SQL_ATTR_AUTOCOMMIT,
              reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, dbc_, "SQLSetConnectAttr");
}

void OdbcDriver::beginTransaction() {
    requireIdle(QString());
    if (depth_ == 0)
        setAutocommit(false);
    ++depth_;
}

void OdbcDriver::commit() {
    if (depth_ == 0)
        throw Error::client(QStringLiteral("Commit without an open transaction"));
    requireIdle(QString());
    if (depth_ > 1) {
        --depth_;
        return;
    }
    // On failure the transaction stays open, so the caller can still roll it back.
    check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_, "SQLEndTran");
    depth_ = 0;
    setAutocommit(true);
}

void OdbcDriver::rollback() {
    if (depth_ == 0)
        throw Error::client(QStringLiteral("Rollback without an open transaction"));
    requireIdle(QString());
    check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK), SQL_HANDLE_DBC, dbc_, "SQLEndTran");
    depth_ = 0;
    setAutocommit(true);
}

void OdbcDriver::requireIdle(const QString& statement) const {
    if (!isOpen())
        throw Error(Error::Kind::Client, QStringLiteral("The connection is not open"), 0,
                    statement);
    if (busy_)
        throw Error(Error::Kind::Client,
                    QStringLiteral("The connection is busy with the rows of another statement; "
                                   "read them to the end or close them first."),
                    0, statement);
}

BatchResult OdbcDriver::execute(const QString& sql, const std::vector<BoundValue>& params) {
    requireIdle(sql);
    std::vector<ParamBuffer> buffers;
    const std::unique_ptr<Statement> stmt = prepared(dbc_, queryTimeout_, sql, params, buffers);
    const SQLRETURN rc = SQLExecDirectW(stmt->get(), wide(sql), SQL_NTS);
    return BatchReader(stmt->get(), sql, rc).run();
}

std::unique_ptr<Cursor> OdbcDriver::openCursor(const QString& sql, std::vector<BoundValue> params) {
    requireIdle(sql);
    std::vector<ParamBuffer> buffers;
    std::unique_ptr<Statement> stmt = prepared(dbc_, queryTimeout_, sql, params, buffers);
    return std::make_unique<OdbcCursor>(std::move(stmt), std::move(buffers), sql, busy_);
}

int OdbcDriver::callProcedure(const QString& name, std::vector<ProcArg>& args,
                              BatchResult* results) {
    requireIdle(name);
    if (name.trimmed().isEmpty())
        throw Error::client(QStringLiteral("No stored procedure name given"));

    // Marker 1 is the return status; the others follow the arguments in the order given.
    std::vector<size_t> positions;  // index into args of each argument marker
    for (size_t i = 0; i < args.size(); ++i)
        if (args[i].direction != ParamDirection::Result)
            positions.push_back(i);
    QString call = QStringLiteral("{? = call ") + name.trimmed();
    if (!positions.empty()) {
        QStringList markers;
        for (size_t i = 0; i < positions.size(); ++i)
            markers << QStringLiteral("?");
        call += QLatin1Char('(') + markers.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    call += QLatin1Char('}');

    std::vector<ParamBuffer> buffers(positions.size() + 1);
    ParamBuffer& status = buffers[0];
    status.ioType = SQL_PARAM_OUTPUT;
    status.cType = SQL_C_SLONG;
    status.sqlType = SQL_INTEGER;
    status.columnSize = 10;
    status.indicator = SQL_NULL_DATA;
    for (size_t k = 0; k < positions.size(); ++k) {
        const ProcArg& a = args[positions[k]];
        fillParam(buffers[k + 1], a.type, a.value, a.direction,
                  QStringLiteral("Parameter %1").arg(a.name), call);
    }

    Statement stmt(dbc_, queryTimeout_, call);
    bindParams(stmt.get(), buffers, call);
    const SQLRETURN rc = SQLExecDirectW(stmt.get(), wide(call), SQL_NTS);
    BatchResult out;
    try {
        out = BatchReader(stmt.get(), call, rc).run();
    } catch (const Error& e) {
        if (results != nullptr && e.results() != nullptr)
            *results = *e.results();  // as the embedded driver leaves them
        throw;
    }

    // Output values are in place once every result has been read.
    const int returnStatus = status.indicator == SQL_NULL_DATA ? 0 : status.status;
    for (size_t k = 0; k < positions.size(); ++k) {
        ProcArg& a = args[positions[k]];
        if (a.direction == ParamDirection::Output || a.direction == ParamDirection::InputOutput)
            a.value = paramValue(buffers[k + 1]);
    }
    for (ProcArg& a : args)
        if (a.direction == ParamDirection::Result)
            a.value = QVariant::fromValue<qint64>(returnStatus);
    if (results != nullptr)
        *results = std::move(out);
    return returnStatus;
}

}  // namespace db
