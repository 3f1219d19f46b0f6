#include "tsql/Cursor.h"

namespace tsql {

void Cursor::open(ResultColumns columns, std::vector<std::vector<Value>> rows,
                  std::vector<qint64> keys) {
    columns_ = std::move(columns);
    rows_ = std::move(rows);
    keys_ = std::move(keys);
    deleted_.assign(rows_.size(), false);
    position_ = 0;
    open_ = true;
}

void Cursor::close() {
    open_ = false;
    rows_.clear();
    keys_.clear();
    deleted_.clear();
    position_ = 0;
}

qint64 Cursor::clamped(qint64 position) const {
    return position < 0 ? 0 : position > count() ? count() + 1 : position;
}

// ABSOLUTE n counts from the first row, -n from the last; ABSOLUTE 0 and RELATIVE moves past
// either end leave it before the first row or after the last.
Cursor::Fetched Cursor::move(FetchStmt::Direction direction, qint64 offset) {
    switch (direction) {
        case FetchStmt::Next:
            position_ = clamped(position_ + 1);
            break;
        case FetchStmt::Prior:
            position_ = clamped(position_ - 1);
            break;
        case FetchStmt::First:
            position_ = clamped(1);
            break;
        case FetchStmt::Last:
            position_ = count();
            break;
        case FetchStmt::Absolute:
            position_ = offset >= 0 ? clamped(offset) : clamped(count() + 1 + offset);
            break;
        case FetchStmt::Relative:
            position_ = clamped(position_ + offset);
            break;
    }
    return current();
}

Cursor::Fetched Cursor::current() const {
    if (!onRow())
        return {};
    if (deleted_[index()])
        return {-2, nullptr};
    return {0, &rows_[index()]};
}

std::optional<qint64> Cursor::currentKey() const {
    if (!onRow() || keys_.empty() || deleted_[index()])
        return std::nullopt;
    return keys_[index()];
}

void Cursor::deleteCurrent() {
    if (onRow())
        deleted_[index()] = true;
}

}  // namespace tsql
