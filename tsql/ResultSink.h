#pragma once

#include <QList>
#include <QString>
#include <vector>

#include "dbcore/Error.h"
#include "dbcore/Types.h"
#include "tsql/SqlType.h"
#include "tsql/Value.h"

namespace tsql {

struct ResultColumn {
    QString name;
    SqlType type;  // Unknown when the engine cannot tell (an untyped NULL, say)
};

// A row set's columns as the engine types them, and as the access layer describes them. Both
// lists are made once and implicitly shared, so a statement run again hands them on without a
// copy.
class ResultColumns {
public:
    ResultColumns() = default;
    explicit ResultColumns(QList<ResultColumn> typed);

    const db::Columns& described() const { return described_; }
    size_t size() const { return static_cast<size_t>(typed_.size()); }
    const ResultColumn& operator[](size_t k) const { return typed_.at(static_cast<qsizetype>(k)); }
    QList<ResultColumn>::const_iterator begin() const { return typed_.cbegin(); }
    QList<ResultColumn>::const_iterator end() const { return typed_.cend(); }

private:
    QList<ResultColumn> typed_;
    db::Columns described_;
};

// Receives the results of a batch or a procedure call while the engine produces them, in
// order, so that a caller can pass rows on without holding a whole result. Within a row set the
// calls are rowSetBegin, row for each row, rowSetEnd; an error that ends the batch is raised
// from the running call, possibly between two rows. The columns given to rowSetBegin stay valid
// until the row set ends, so a sink may keep a reference to them for its rows.
class ResultSink {
public:
    virtual ~ResultSink() = default;

    virtual void rowSetBegin(const ResultColumns& columns) = 0;
    // Cells in column order: texts are UTF-8, dates canonical texts, as the engine holds them.
    // Valid only during the call.
    virtual void row(const std::vector<Value>& cells) = 0;
    // The same row straight from SQLite's statement, whose columns are the row set's in order;
    // a sink that reads them itself answers true, others get the row through row().
    virtual bool takeRow(sqlite3_stmt*) { return false; }
    // rowCount is negative under SET NOCOUNT ON, where the count is not reported.
    virtual void rowSetEnd(qint64 rowCount) = 0;
    // An INSERT, UPDATE or DELETE touched `count` rows (not reported under SET NOCOUNT ON).
    virtual void rowsAffected(qint64 count) = 0;
    // PRINT, or RAISERROR with severity 10 or lower.
    virtual void message(const QString& text) = 0;
    // An error that ended its statement while the batch goes on (a constraint violation, a
    // divide by zero, RAISERROR outside TRY), in its place among the results. An error that ends
    // the batch is raised instead.
    virtual void statementError(const db::Error& error) = 0;
};

// Collects every result into a db::BatchResult, values as the access layer reads them. The
// access layer reports a failing batch by its error: the errors that ended statements are kept
// and raised together once the batch is over.
class BatchCollector : public ResultSink {
public:
    explicit BatchCollector(db::BatchResult& out) : out_(out) {}

    void rowSetBegin(const ResultColumns& columns) override;
    void row(const std::vector<Value>& cells) override;
    bool takeRow(sqlite3_stmt* st) override;
    void rowSetEnd(qint64) override {}
    void rowsAffected(qint64 count) override;
    void message(const QString& text) override;
    void statementError(const db::Error& error) override;

    // Raises the errors of the statements, in order, followed by the one that ended the batch
    // (`ending`, when it failed), with the results collected so far; returns when there is
    // neither.
    void raiseErrors(const QString& batch, const db::Error* ending = nullptr) const;
    // Whether a statement's error has been collected.
    bool failed() const { return !errors_.empty(); }
    // Sends the rows of the current row set to `rows` instead of its result, until the next row
    // set begins or this is called again (nullptr: back to the result).
    void sendRowsTo(std::vector<QVariantList>* rows) { rowsTo_ = rows; }
    // Empties the result and forgets the errors, ready for another batch; the room they took is
    // kept.
    void clear();

    // A cell as the access layer reports a column of the given type.
    static QVariant variant(const Value& cell, const SqlType& type);
    // The same for column k of a statement's current row, without a cell in between.
    static QVariant variant(sqlite3_stmt* st, int k, const SqlType& type);

private:
    std::vector<QVariantList>& rows() {
        return rowsTo_ ? *rowsTo_ : out_.results.back().rowSet.rows;
    }

    db::BatchResult& out_;
    std::vector<QVariantList>* rowsTo_ = nullptr;
    const ResultColumns* columns_ = nullptr;  // of the current row set, held by its producer
    std::vector<db::ServerMessage> errors_;
};

// Sends a statement's results to `now` while it lives.
class SinkScope {
public:
    SinkScope(ResultSink*& sink, ResultSink* now) : sink_(sink), saved_(sink) { sink_ = now; }
    ~SinkScope() { sink_ = saved_; }
    SinkScope(const SinkScope&) = delete;
    SinkScope& operator=(const SinkScope&) = delete;

private:
    ResultSink*& sink_;
    ResultSink* saved_;
};

// An argument of a procedure call with the engine's own types.
struct CallArgument {
    QString name;  // "@name" when passed by name, empty when by position
    Value value;
    SqlType type;
    bool output = false;
    bool isDefault = false;  // DEFAULT: the parameter's own default applies
    Value result;            // value of an output parameter after the call
    SqlType resultType;
};

}  // namespace tsql
