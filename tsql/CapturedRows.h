#pragma once

#include <QByteArray>
#include <QString>

#include "tsql/Ast.h"
#include "tsql/Catalog.h"
#include "tsql/Database.h"

namespace tsql {

// The rows one statement writes, copied while it runs by a temporary SQLite trigger on its target
// into tables of the target's columns, an UPDATE's old and new row under the same rowid. OUTPUT
// reads the copies, and triggers read them as `inserted` and `deleted`. Copied `Instead`, the
// rows are only copied: the statement writes nothing (a BEFORE trigger on a table that ignores
// each row, an INSTEAD OF trigger on a view). The copies go when the object does.
class CapturedRows {
public:
    // The temporary tables of the new and the old rows (a null name: not copied) and the
    // temporary trigger that fills them.
    struct Names {
        QString inserted;
        QString deleted;
        QString trigger;
    };

    enum Timing { After, Instead };

    CapturedRows(Database& db, const TableInfo& target, Stmt::Kind kind, Names names,
                 Timing timing = After);
    ~CapturedRows();
    CapturedRows(const CapturedRows&) = delete;
    CapturedRows& operator=(const CapturedRows&) = delete;

    // The statement has run: later writes to the target are not copied.
    void stop();
    const Names& names() const { return names_; }
    // CREATE TABLE of the copy `table` (one of names()), empty.
    QByteArray declaration(const QString& table) const;
    // The rows copied to `table` (one of names()).
    qint64 count(const QString& table) const;

private:
    void drop();

    Database& db_;
    Names names_;
    QByteArray columns_;  // the copies' column declarations
};

}  // namespace tsql
