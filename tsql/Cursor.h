#pragma once

#include <optional>
#include <vector>

#include "tsql/Ast.h"
#include "tsql/ResultSink.h"
#include "tsql/Value.h"

namespace tsql {

// The rows of an open cursor, as its select gave them at OPEN, and the position FETCH moves.
// Positions count from 1; 0 stands before the first row and count + 1 after the last. A keyed
// cursor's rows carry the rowid of the table row each was read from.
// Contract: move() never leaves the range 0 .. count + 1; a row deleted through the cursor
// stays in its place and fetches as missing.
class Cursor {
public:
    // What a FETCH found: @@FETCH_STATUS 0 with its row, -1 past either end, -2 a row that is
    // missing.
    struct Fetched {
        int status = -1;
        const std::vector<Value>* row = nullptr;
    };

    void open(ResultColumns columns, std::vector<std::vector<Value>> rows,
              std::vector<qint64> keys);
    void close();
    bool isOpen() const { return open_; }
    const ResultColumns& columns() const { return columns_; }
    qint64 count() const { return static_cast<qint64>(rows_.size()); }

    // Moves as a FETCH in `direction` with `offset` (ABSOLUTE, RELATIVE) does.
    Fetched move(FetchStmt::Direction direction, qint64 offset);
    // The row at the position, for a move that skips rows gone from the table.
    Fetched current() const;
    // The rowid of the row it stands on; none before the first row, after the last, on a row
    // deleted through it, or when its rows carry none.
    std::optional<qint64> currentKey() const;
    // The row it stands on was deleted through it.
    void deleteCurrent();

private:
    bool onRow() const { return position_ >= 1 && position_ <= count(); }
    size_t index() const { return static_cast<size_t>(position_ - 1); }
    qint64 clamped(qint64 position) const;

    bool open_ = false;
    ResultColumns columns_;
    std::vector<std::vector<Value>> rows_;
    std::vector<qint64> keys_;   // one per row, or none
    std::vector<bool> deleted_;  // one per row
    qint64 position_ = 0;
};

}  // namespace tsql
