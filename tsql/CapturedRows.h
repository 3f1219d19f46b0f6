#pragma once

#include <QByteArray>
#include <QString>

#include "tsql/Ast.h"
#include "tsql/Catalog.h"
#include "tsql/Database.h"

namespace tsql {

// The rows one statement writes, copied while it runs by a temporary SQLite trigger on its target
// into tables of the target's columns, each row under its own rowid so that an UPDATE's old and
// new rows pair. OUTPUT reads the copies, and AFTER triggers read them as `inserted` and
// `deleted`. The copies go when the object does.
class CapturedRows {
public:
    // The temporary tables of the new and the old rows (a null name: not copied) and the
    // temporary trigger that fills them.
    struct Names {
        QString inserted;
        QString deleted;
        QString trigger;
    };

    CapturedRows(Database& db, const TableInfo& target, Stmt::Kind kind, Names names);
    ~CapturedRows();
    CapturedRows(const CapturedRows&) = delete;
    CapturedRows& operator=(const CapturedRows&) = delete;

    // The statement has run: later writes to the target are not copied.
    void stop();
    const Names& names() const { return names_; }
    // CREATE TABLE of the copy `table` (one of names()), empty.
    QByteArray declaration(const QString& table) const;

private:
    void drop();

    Database& db_;
    Names names_;
    QByteArray columns_;  // the copies' column declarations
};

}  // namespace tsql
