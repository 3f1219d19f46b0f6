#include "db/RowCursor.h"

#include <mutex>
#include <utility>

#include "db/Connection.h"

namespace db {

namespace {

// Rows read at a time while a cursor is drained.
constexpr int kDrainBatch = 500;

void moveInto(std::vector<QVariantList>& to, std::vector<QVariantList>& from) {
    for (QVariantList& row : from)
        to.push_back(std::move(row));
    from.clear();
}

}  // namespace

RowCursor::RowCursor(Connection& connection, std::unique_ptr<Cursor> cursor)
    : connection_(&connection), cursor_(std::move(cursor)), hasRowSet_(cursor_->hasRowSet()) {
    if (hasRowSet_)
        columns_ = cursor_->takeColumns();
    connection.reading_ = this;
}

RowCursor::~RowCursor() {
    if (connection_) {
        std::lock_guard lock(connection_->mutex_);
        drop();
    }
}

bool RowCursor::fetch(int maxRows, std::vector<QVariantList>& rows) {
    for (; maxRows > 0 && nextDrained_ < drained_.size(); --maxRows)
        rows.push_back(std::move(drained_[nextDrained_++]));
    if (nextDrained_ == drained_.size()) {
        drained_.clear();
        nextDrained_ = 0;
    }
    if (maxRows > 0 && connection_) {
        std::lock_guard lock(connection_->mutex_);
        try {
            if (cursor_ && !cursor_->fetch(maxRows, rows))
                drop();
        } catch (...) {
            drop();
            throw;
        }
    }
    if (drained_.empty() && !cursor_ && error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
    return more();
}

void RowCursor::drain() {
    std::vector<QVariantList> rows;
    try {
        while (cursor_->fetch(kDrainBatch, rows))
            moveInto(drained_, rows);
    } catch (...) {
        error_ = std::current_exception();
    }
    moveInto(drained_, rows);
    drop();
}

void RowCursor::drop() {
    cursor_.reset();
    if (connection_ && connection_->reading_ == this)
        connection_->reading_ = nullptr;
    connection_ = nullptr;
}

}  // namespace db
