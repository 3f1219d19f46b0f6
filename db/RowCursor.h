#pragma once

#include <QVariantList>
#include <exception>
#include <memory>
#include <vector>

#include "db/Driver.h"

namespace db {

class Connection;

// The first row set of a batch as its owner reads it, a page at a time. It holds its
// connection's session only while rows remain unread there: before the connection runs
// anything else, it reads the rest into memory (drain), so statements on one connection never
// overlap and the owner still gets every row. Destroying it early drops the rows not read yet.
class RowCursor {
public:
    RowCursor(Connection& connection, std::unique_ptr<Cursor> cursor);
    ~RowCursor();
    RowCursor(const RowCursor&) = delete;
    RowCursor& operator=(const RowCursor&) = delete;

    bool hasRowSet() const { return hasRowSet_; }
    // The row set's columns, handed over once.
    Columns takeColumns() { return std::move(columns_); }
    // Appends up to maxRows rows, those drained first; false once none remain. An error the
    // batch raised while it was drained is raised here.
    bool fetch(int maxRows, std::vector<QVariantList>& rows);
    // Whether rows remain to be fetched.
    bool more() const {
        return cursor_ != nullptr || nextDrained_ < drained_.size() || error_ != nullptr;
    }

private:
    friend class Connection;
    // Reads the rest into memory and lets go of the connection (called with its lock held).
    void drain();
    // Lets go of the connection without reading on (it is closing).
    void drop();

    Connection* connection_;  // while the cursor is being read there
    std::unique_ptr<Cursor> cursor_;
    bool hasRowSet_;
    Columns columns_;
    std::vector<QVariantList> drained_;  // read on from nextDrained_
    size_t nextDrained_ = 0;
    std::exception_ptr error_;
};

}  // namespace db
