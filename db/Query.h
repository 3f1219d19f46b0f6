#pragma once

#include <QObject>
#include <QStringList>
#include <map>
#include <memory>

#include "db/Param.h"
#include "db/ParamScanner.h"
#include "dbcore/Types.h"

namespace db {

class Connection;
class RowCursor;
class UpdateSql;

// A column value of the current row. NULL reads as 0, 0.0, empty text or an invalid date-time.
class Field {
public:
    Field(QString name, FieldType type, QVariant value)
        : name_(std::move(name)), type_(type), value_(std::move(value)) {}
    const QString& name() const { return name_; }
    FieldType type() const { return type_; }
    bool isNull() const { return value_.isNull(); }
    const QVariant& value() const { return value_; }
    QString asString() const { return variantToString(value_); }
    qint64 asInteger() const { return variantToInteger(value_); }
    double asFloat() const { return variantToFloat(value_); }
    QDateTime asDateTime() const { return variantToDateTime(value_); }

private:
    QString name_;
    FieldType type_;
    QVariant value_;
};

// An SQL statement on a named connection, held as lines, with `:name` parameters.
// open() runs it and keeps the first row set of its results, fetching its rows as they are
// needed: a first page on opening, more as navigation or a view reaches them (fetchMore), all of
// them for recordCount() and last(); execSql() runs it for its effect.
// With cached updates on, edits stay in memory until applyUpdates() sends them through the
// update object.
class Query : public QObject {
    Q_OBJECT
public:
    explicit Query(QObject* parent = nullptr);
    // A query named `name` on the connection `databaseName`, holding `lines`.
    Query(const QString& name, const QString& databaseName, const QStringList& lines,
          QObject* parent);
    ~Query() override;

    void setDatabaseName(const QString& name) {
        databaseName_ = name;
        connection_ = nullptr;
    }
    const QString& databaseName() const { return databaseName_; }
    Connection& connection() const;

    // SQL lines. Changing them closes the query and rebuilds the parameter list, keeping the
    // values of names that remain.
    const QStringList& sql() const { return sql_; }
    void setSql(const QStringList& lines);
    void setSqlText(const QString& text);
    void setLine(int index, const QString& line);
    void addLine(const QString& line);
    void clearSql() { setSql({}); }
    QString sqlText() const { return sql_.join('\n'); }

    Params& params() { return params_; }
    const Params& params() const { return params_; }
    Param& paramByName(const QString& name) { return params_.byName(name); }
    Param& paramByName(QLatin1StringView name) { return params_.byName(name); }

    void open();
    void execSql();
    void close();
    bool isActive() const { return active_; }
    // Rows the last execSql() touched, -1 when unknown.
    qint64 rowsAffected() const { return rowsAffected_; }

    // Rows fetched when the query opens and by each fetchMore().
    static constexpr int kPageRows = 200;

    // Navigation over the open rows.
    bool isEmpty() const { return rows_.empty(); }
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    void first();
    void next();
    void prior();
    void last();
    // Every row's count: the rows not fetched yet are fetched.
    int recordCount();
    // Rows fetched so far.
    int fetchedCount() const { return static_cast<int>(rows_.size()); }
    // Whether rows remain to be fetched.
    bool canFetchMore() const;
    // Fetches up to `rows` more rows (rowsFetched tells which); returns how many came.
    int fetchMore(int rows = kPageRows);
    int recNo() const { return current_; }  // 0-based, -1 when empty
    void setRecNo(int row);

    const Columns& columns() const { return columns_; }
    QStringList fieldNames() const;
    bool hasField(const QString& name) const;
    // Raises db::Error "<query>: Field 'X' not found" when the column is absent.
    Field fieldByName(const QString& name) const;
    Field fieldByName(QLatin1StringView name) const;
    QVariant valueAt(int row, int column) const;

    // Cached updates.
    void setCachedUpdates(bool on);
    bool cachedUpdates() const { return cachedUpdates_; }
    void setUpdateObject(UpdateSql* update) { updateObject_ = update; }
    UpdateSql* updateObject() const { return updateObject_; }
    void setFieldValue(const QString& name, const QVariant& value);  // edits the current row
    void append();                                                   // adds a new row at the end
    void deleteRecord();                                             // removes the current row
    bool updatesPending() const;
    void applyUpdates();   // runs the update object's statements for every pending change
    void cancelUpdates();  // drops pending changes, restoring the fetched rows

signals:
    void opened();
    void closed();
    void rowsChanged();
    // Rows first..last were fetched and added at the end.
    void rowsFetched(int first, int last);
    void currentChanged(int row);
    // A field of a row was edited in the cache.
    void valueChanged(int row, int column);

protected:
    // Something listens from now on: the query emits its signals, which it skips until then.
    void connectNotify(const QMetaMethod&) override { listened_ = true; }

private:
    enum class RowState { Unchanged, Modified, Inserted };
    // A query keeps originals only once cached updates are on: before, nothing of it can change.
    struct CachedRow {
        QVariantList values;
        QVariantList original;
        RowState state = RowState::Unchanged;
    };

    std::vector<BoundValue> bindParams() const;
    const Param& paramOf(qsizetype occurrence) const;
    int columnIndex(const QString& name) const;
    template <typename Name>
    Field namedField(const Name& name) const;
    void fetchAll();
    void keepOriginals();
    void keepOriginal(CachedRow& row);
    void moveTo(int row);
    void requireActive() const;
    template <typename... Args, typename... Values>
    void notify(void (Query::*signal)(Args...), Values... values) {
        if (listened_)
            (this->*signal)(values...);
    }
    void requireUpdateObject() const;
    Params applyParams(const CachedRow& row) const;

    QString databaseName_;
    // The connection last found by that name, while the registry has not changed since.
    mutable Connection* connection_ = nullptr;
    mutable quint64 connectionGeneration_ = 0;
    QStringList sql_;
    ScannedSql scanned_;  // sql_ as sent, with its parameter occurrences
    Params params_;
    std::vector<int> occurrenceParams_;  // index in params_ of each occurrence
    bool active_ = false;
    std::unique_ptr<RowCursor> cursor_;  // while rows remain to be fetched
    Columns columns_;
    std::vector<CachedRow> rows_;
    std::vector<CachedRow> deleted_;
    std::vector<QVariantList> fetched_;  // rows as last fetched or applied, once originals are kept
    bool originalsKept_ = false;         // since cached updates were first on in this open
    std::vector<QVariantList> read_;     // rows of one fetch, kept to reuse its storage
    int current_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    qint64 rowsAffected_ = -1;
    bool cachedUpdates_ = false;
    UpdateSql* updateObject_ = nullptr;
    bool listened_ = false;
};

}  // namespace db
