#include "db/Query.h"

#include <algorithm>
#include <limits>

#include "db/Connection.h"
#include "db/ParamScanner.h"
#include "db/RowCursor.h"
#include "db/UpdateSql.h"
#include "dbcore/Error.h"

namespace db {

Query::Query(QObject* parent) : QObject(parent) {}

Query::Query(const QString& name, const QString& databaseName, const QStringList& lines,
             QObject* parent)
    : QObject(parent), databaseName_(databaseName) {
    setObjectName(name);
    setSql(lines);
}

Query::~Query() = default;

Connection& Query::connection() const {
    const quint64 generation = Connection::registryGeneration();
    if (!connection_ || connectionGeneration_ != generation) {
        connection_ = &Connection::byName(databaseName_);
        connectionGeneration_ = generation;
    }
    return *connection_;
}

void Query::setSql(const QStringList& lines) {
    close();
    sql_ = lines;
    scanned_ = scanParams(sqlText());
    params_.rebuild(scanned_.names);
    occurrenceParams_.clear();
    for (const QString& name : std::as_const(scanned_.occurrences)) {
        int index = 0;
        while (!sameName(scanned_.names[index], name))
            ++index;
        occurrenceParams_.push_back(index);
    }
}

void Query::setSqlText(const QString& text) {
    setSql(text.split('\n'));
}

void Query::setLine(int index, const QString& line) {
    if (index < 0 || index >= sql_.size())
        throw Error::client(QStringLiteral("List index out of bounds (%1)").arg(index));
    QStringList lines = sql_;
    lines[index] = line;
    setSql(lines);
}

void Query::addLine(const QString& line) {
    QStringList lines = sql_;
    lines << line;
    setSql(lines);
}

// The parameter of an occurrence: found at its place in the list unless the list was changed
// since the statement was scanned.
const Param& Query::paramOf(qsizetype occurrence) const {
    const int index = occurrenceParams_[static_cast<size_t>(occurrence)];
    if (index < params_.count()) {
        // The list made from the scanned names shares their text until it is rebuilt.
        const QString& name = params_.at(index).name();
        const QString& scanned = scanned_.names[index];
        if ((name.constData() == scanned.constData() && name.size() == scanned.size()) ||
            name == scanned)
            return params_.at(index);
    }
    return params_.byName(scanned_.occurrences[occurrence]);
}

std::vector<BoundValue> Query::bindParams() const {
    std::vector<BoundValue> values;
    values.reserve(scanned_.occurrences.size());
    for (qsizetype k = 0; k < scanned_.occurrences.size(); ++k) {
        const Param& p = paramOf(k);
        if (!p.isBound())
            throw Error::client(QStringLiteral("No value for parameter '%1'").arg(p.name()));
        values.push_back(p.bound());
    }
    return values;
}

void Query::open() {
    if (active_)
        return;
    std::unique_ptr<RowCursor> cursor = connection().openCursor(scanned_.text, bindParams());
    if (!cursor->hasRowSet())
        throw Error::client(
            QStringLiteral("%1: the statement returned no result set").arg(objectName()));
    columns_ = cursor->takeColumns();
    rows_.clear();
    deleted_.clear();
    fetched_.clear();
    originalsKept_ = cachedUpdates_;
    cursor_ = std::move(cursor);
    // Cached edits need every row in place before the first one changes.
    if (cachedUpdates_)
        fetchAll();
    else
        fetchMore(kPageRows);
    active_ = true;
    notify(&Query::opened);
    first();
}

bool Query::canFetchMore() const {
    return cursor_ != nullptr;
}

int Query::fetchMore(int rows) {
    if (!cursor_)
        return 0;
    read_.clear();
    try {
        if (!cursor_->fetch(rows, read_))
            cursor_.reset();
    } catch (...) {
        cursor_.reset();
        throw;
    }
    const int first = fetchedCount();
    for (QVariantList& values : read_) {
        rows_.push_back({std::move(values), {}, RowState::Unchanged});
        if (originalsKept_)
            keepOriginal(rows_.back());
    }
    const int count = fetchedCount() - first;
    if (count > 0 && active_)
        notify(&Query::rowsFetched, first, fetchedCount() - 1);
    return count;
}

void Query::setCachedUpdates(bool on) {
    cachedUpdates_ = on;
    if (on && active_ && !originalsKept_)
        keepOriginals();
}

// The rows as they stand become the originals that cached edits start from and that cancelling
// goes back to; so do the rows fetched from then on, until the query closes.
void Query::keepOriginals() {
    fetched_.clear();
    for (CachedRow& row : rows_)
        keepOriginal(row);
    originalsKept_ = true;
}

void Query::keepOriginal(CachedRow& row) {
    row.original = row.values;
    fetched_.push_back(row.values);
}

void Query::fetchAll() {
    while (canFetchMore())
        fetchMore(std::numeric_limits<int>::max() / 2);
}

int Query::recordCount() {
    fetchAll();
    return fetchedCount();
}

void Query::execSql() {
    const std::vector<BoundValue> values = bindParams();
    rowsAffected_ = connection().execute(scanned_.text, values).lastRowsAffected();
}

void Query::close() {
    if (!active_)
        return;
    active_ = false;
    cursor_.reset();
    columns_ = {};  // shared with the statement: clear() would allocate a detached copy
    rows_.clear();
    deleted_.clear();
    fetched_.clear();
    current_ = -1;
    eof_ = bof_ = true;
    notify(&Query::closed);
}

void Query::requireActive() const {
    if (!active_)
        throw Error::client(QStringLiteral("%1: Cannot perform this operation on a closed dataset")
                                .arg(objectName()));
}

void Query::moveTo(int row) {
    while (row >= fetchedCount() && canFetchMore())
        fetchMore();
    const int count = fetchedCount();
    bof_ = row < 0 || count == 0;
    eof_ = row >= count || count == 0;
    const int clamped = count == 0 ? -1 : std::clamp(row, 0, count - 1);
    if (clamped != current_) {
        current_ = clamped;
        notify(&Query::currentChanged, current_);
    }
}

void Query::first() {
    requireActive();
    moveTo(0);
    bof_ = true;
}

void Query::next() {
    requireActive();
    moveTo(current_ + 1);
}

void Query::prior() {
    requireActive();
    moveTo(current_ - 1);
}

void Query::last() {
    requireActive();
    moveTo(recordCount() - 1);
    eof_ = true;
}

void Query::setRecNo(int row) {
    requireActive();
    moveTo(row);
}

QStringList Query::fieldNames() const {
    QStringList names;
    for (const auto& c : columns_)
        names << c.name;
    return names;
}

int Query::columnIndex(const QString& name) const {
    return db::columnIndex(columns_, name);
}

bool Query::hasField(const QString& name) const {
    return columnIndex(name) >= 0;
}

template <typename Name>
Field Query::namedField(const Name& name) const {
    requireActive();
    const int column = db::columnIndex(columns_, name);
    if (column < 0)
        throw Error::client(QStringLiteral("%1: Field '%2' not found").arg(objectName(), name));
    return Field(columns_[column].name, columns_[column].type,
                 current_ < 0 ? QVariant() : rows_[current_].values.value(column));
}

Field Query::fieldByName(const QString& name) const {
    return namedField(name);
}

Field Query::fieldByName(QLatin1StringView name) const {
    return namedField(name);
}

QVariant Query::valueAt(int row, int column) const {
    if (row < 0 || row >= fetchedCount() || column < 0 || column >= int(columns_.size()))
        return {};
    return rows_[row].values.value(column);
}

void Query::setFieldValue(const QString& name, const QVariant& value) {
    requireActive();
    if (!cachedUpdates_)
        throw Error::client(
            QStringLiteral("%1: Cannot modify a read-only dataset").arg(objectName()));
    const int column = columnIndex(name);
    if (column < 0)
        throw Error::client(QStringLiteral("%1: Field '%2' not found").arg(objectName(), name));
    if (current_ < 0)
        throw Error::client(QStringLiteral("%1: Cannot modify an empty dataset").arg(objectName()));
    CachedRow& row = rows_[current_];
    row.values[column] = value;
    if (row.state == RowState::Unchanged)
        row.state = RowState::Modified;
    notify(&Query::valueChanged, current_, column);
}

void Query::append() {
    requireActive();
    if (!cachedUpdates_)
        throw Error::client(
            QStringLiteral("%1: Cannot modify a read-only dataset").arg(objectName()));
    const QVariantList empty(columns_.size());
    rows_.push_back({empty, empty, RowState::Inserted});
    notify(&Query::rowsChanged);
    moveTo(fetchedCount() - 1);
}

void Query::deleteRecord() {
    requireActive();
    if (!cachedUpdates_)
        throw Error::client(
            QStringLiteral("%1: Cannot modify a read-only dataset").arg(objectName()));
    if (current_ < 0)
        throw Error::client(
            QStringLiteral("%1: Cannot delete from an empty dataset").arg(objectName()));
    CachedRow row = rows_[current_];
    rows_.erase(rows_.begin() + current_);
    if (row.state != RowState::Inserted)
        deleted_.push_back(std::move(row));
    notify(&Query::rowsChanged);
    moveTo(std::min(current_, fetchedCount() - 1));
}

bool Query::updatesPending() const {
    if (!deleted_.empty())
        return true;
    for (const auto& r : rows_)
        if (r.state != RowState::Unchanged)
            return true;
    return false;
}

void Query::requireUpdateObject() const {
    if (!updateObject_)
        throw Error::client(QStringLiteral("%1: No update object assigned").arg(objectName()));
}

// Parameters for one update statement: :Column is the value as edited, :OLD_Column as fetched.
Params Query::applyParams(const CachedRow& row) const {
    Params params;
    for (qsizetype i = 0; i < columns_.size(); ++i) {
        const Column& column = columns_.at(i);
        Param current(column.name);
        current.setValue(column.type, row.values.value(i));
        params.add(current);
        Param old(QStringLiteral("OLD_") + column.name);
        old.setValue(column.type, row.original.value(i));
        params.add(old);
    }
    return params;
}

void Query::applyUpdates() {
    requireActive();
    if (!updatesPending())
        return;
    requireUpdateObject();
    Connection& conn = connection();
    auto run = [&](const QStringList& lines, const CachedRow& row) {
        const ScannedSql scanned = scanParams(lines.join('\n'));
        const Params params = applyParams(row);
        std::vector<BoundValue> values;
        for (const auto& name : scanned.occurrences)
            values.push_back(params.byName(name).bound());
        conn.execute(scanned.text, values);
    };
    const bool ownTransaction = !conn.inTransaction();
    if (ownTransaction)
        conn.startTransaction();
    try {
        for (const auto& row : deleted_)
            run(updateObject_->deleteSql, row);
        for (const auto& row : rows_) {
            if (row.state == RowState::Modified)
                run(updateObject_->modifySql, row);
            else if (row.state == RowState::Inserted)
                run(updateObject_->insertSql, row);
        }
        if (ownTransaction)
            conn.commit();
    } catch (...) {
        if (ownTransaction && conn.inTransaction())
            conn.rollback();
        throw;
    }
    deleted_.clear();
    for (auto& row : rows_)
        row.state = RowState::Unchanged;
    keepOriginals();
}

void Query::cancelUpdates() {
    if (!active_)
        return;
    if (originalsKept_) {  // otherwise nothing could change since the rows were fetched
        rows_.clear();
        for (const auto& values : fetched_)
            rows_.push_back({values, values, RowState::Unchanged});
    }
    deleted_.clear();
    notify(&Query::rowsChanged);
    moveTo(0);
}

}  // namespace db
