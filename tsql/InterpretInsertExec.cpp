// INSERT ... EXEC: the call runs with the rows of each of its result sets filed, converted to the
// types of the columns they fill, into a temporary table; the INSERT then copies them as INSERT
// ... SELECT does (kExecRows in Ast.h), with its triggers and OUTPUT. The call and the copy are
// one statement: they stand or fall whole, and the statement reports one count.
#include <sqlite3.h>

#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/Interpreter.h"

namespace tsql {

namespace {

// Receives the call's results: the rows of its result sets are filed into `table`, its messages
// and counts go on to the client. A result set of another shape than the target's columns, or a
// value that does not convert, is remembered and raised once the call is over.
class FiledRows : public ResultSink {
public:
    FiledRows(ResultSink& to, Database& db, const QByteArray& table, std::vector<SqlType> types)
        : to_(to), db_(db), types_(std::move(types)) {
        QByteArray marks;
        for (size_t k = 0; k < types_.size(); ++k)
            marks += (k ? ", ?" : "?") + QByteArray::number(k + 1);
        insert_ = "INSERT INTO " + table + " VALUES (" + marks + ")";
    }

    void rowSetBegin(const ResultColumns& columns) override {
        from_.clear();
        for (const ResultColumn& c : columns)
            from_.push_back(c.type);
        if (from_.size() != types_.size())
            fail([] {
                raise(213, QStringLiteral("Column name or number of supplied values does not "
                                          "match table definition."));
            });
    }
    void row(const std::vector<Value>& cells) override {
        if (from_.size() != types_.size() || error_)
            return;
        fail([&] { file(cells); });
    }
    void rowSetEnd(qint64) override {}
    void rowsAffected(qint64 count) override { to_.rowsAffected(count); }
    void message(const QString& text) override { to_.message(text); }
    void statementError(const db::Error& error) override { to_.statementError(error); }

    void raiseFailure() const {
        if (error_)
            throw *error_;
    }

private:
    // Runs `step`, keeping its error, the first one only.
    void fail(const std::function<void()>& step) {
        try {
            step();
        } catch (const db::Error& e) {
            if (!error_)
                error_ = e;
        }
    }

    void file(const std::vector<Value>& cells) {
        const Database::EngineScope scope(db_);
        sqlite3_stmt* st = db_.prepare(insert_);
        for (size_t k = 0; k < cells.size(); ++k) {
            const Value v = cells[k].isNull() ? Value()
                                              : convertValue(cells[k], from_[k], types_[k], -1,
                                                             ConvertMode::Store);
            v.bind(st, static_cast<int>(k) + 1);
        }
        const int rc = db_.step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            db_.raiseLast(rc);
    }

    ResultSink& to_;
    Database& db_;
    std::vector<SqlType> types_;  // of the columns filled
    std::vector<SqlType> from_;   // of the result set being read
    QByteArray insert_;
    std::optional<db::Error> error_;
};

}  // namespace

QString Interpreter::filedRowsAt(const char* name, int depth) {
    return QLatin1String(name) + u'_' + QString::number(depth);
}

std::shared_ptr<const TableInfo> Interpreter::filedRows(const char* name, int depth) {
    std::shared_ptr<const TableInfo> rows =
        catalog_->find(QStringLiteral("temp"), filedRowsAt(name, depth));
    if (!rows)
        raise(err::Internal, QStringLiteral("The rows filed for the statement are gone."));
    return rows;
}

void Interpreter::insertExec(const InsertStmt& s) {
    if (filingExec_)
        raise(8164, QStringLiteral("An INSERT EXEC statement cannot be nested."));
    useDatabase(s.table);
    retryOnSchemaChange([&] { Binder(*this).bindInsertTarget(s); });
    std::vector<SqlType> types;
    QByteArray columns;
    for (const int c : s.boundColumns) {
        const SqlType& type = s.boundTable->columns[static_cast<size_t>(c)].type;
        columns += (types.empty() ? "c" : ", c") + QByteArray::number(types.size()) + " " +
                   type.columnSql();
        types.push_back(type);
    }
    writeAtomically([&] {
        const QByteArray table = "temp." + sqlite::name(filedRowsAt(kExecRows, insertingExec_ + 1));
        db_->exec("CREATE TABLE " + table + " (" + columns + ")");
        schemaChanged();
        ++insertingExec_;
        auto drop = [&] {
            --insertingExec_;
            db_->exec("DROP TABLE IF EXISTS " + table);
            schemaChanged();
        };
        try {
            FiledRows filed(*sink_, *db_, table, types);
            {
                const SinkScope sink(sink_, &filed);
                filingExec_ = tranDepth_;
                try {
                    execCall(*s.exec);
                } catch (...) {
                    filingExec_.reset();
                    throw;
                }
                filingExec_.reset();
            }
            filed.raiseFailure();
            execChange(s);
        } catch (...) {
            drop();
            throw;
        }
        drop();
    });
}

}  // namespace tsql
