// MERGE: the rows of the target and the source are filed under the clause each takes, as they
// stand before anything changes; then each clause's statement runs over the rows filed under it
// (MergeStmt in Ast.h), with its triggers and OUTPUT, the whole as one statement.
#include "tsql/Errors.h"
#include "tsql/Interpreter.h"

namespace tsql {

namespace {

// The rows the clauses' OUTPUT sends to the client, as the one row set of the statement. The
// first clause's columns describe them all and are kept here, since the statement that gave them
// may be gone before the later clauses' rows come.
class OneRowSet : public ResultSink {
public:
    explicit OneRowSet(ResultSink& to) : to_(to) {}
    void rowSetBegin(const ResultColumns& columns) override {
        if (begun_)
            return;
        columns_ = columns;
        begun_ = true;
        to_.rowSetBegin(columns_);
    }
    void row(const std::vector<Value>& cells) override {
        ++rows_;
        to_.row(cells);
    }
    void rowSetEnd(qint64) override {}
    void rowsAffected(qint64 count) override { to_.rowsAffected(count); }
    void message(const QString& text) override { to_.message(text); }
    void statementError(const db::Error& error) override { to_.statementError(error); }
    // Ends the row set, if one began (the answer); `count` tells whether its count is reported.
    bool end(bool count) {
        if (begun_)
            to_.rowSetEnd(count ? rows_ : -1);
        return begun_;
    }

private:
    ResultSink& to_;
    ResultColumns columns_;
    bool begun_ = false;
    qint64 rows_ = 0;
};

}  // namespace

// The count of a MERGE is the rows all its clauses touched.
void Interpreter::execMerge(const MergeStmt& m) {
    refuseWritesWhenDoomed();
    qint64 count = 0;
    OneRowSet output(*sink_);
    writeAtomically([&] {
        const QByteArray table = "temp." + sqlite::name(filedRowsAt(kMergeRows, merging_ + 1));
        ++merging_;
        try {
            fileMergeRows(m, table);
            const SinkScope sink(sink_, &output);
            for (const StmtPtr& action : m.actions) {
                const PlaceScope place(place_, {place_.batch, action->index});
                execChange(*action, false);
                count += rowcount_;
            }
        } catch (...) {
            --merging_;
            db_->exec("DROP TABLE IF EXISTS " + table);
            throw;
        }
        --merging_;
        db_->exec("DROP TABLE " + table);
        schemaChanged();
    });
    // Rows sent to the client carry the count.
    rowcount_ = count;
    if (output.end(!options_.nocount))
        return;
    if (!options_.nocount)
        sink_->rowsAffected(count);
}

// A target row that more than one source row matches would be changed twice: 8672.
void Interpreter::fileMergeRows(const MergeStmt& m, const QByteArray& table) {
    std::shared_ptr<const Compiled> rows;
    retryOnSchemaChange([&] {
        rows = compiled(m.rows.get(), [&](SqliteEmitter& e) {
            useDatabasesOf(*m.rows);
            return e.select(*m.rows);
        });
    });
    db_->exec("CREATE TABLE " + table + " (" +
              columnDeclarations(*rows, QLatin1String(kMergeRows)) + ")");
    schemaChanged();
    Compiled filing = *rows;
    filing.sql = "INSERT INTO " + table + " " + rows->sql;
    filing.verb = QStringLiteral("INSERT");
    filing.changesRows = true;
    runChange(filing, false);
    if (db_->scalar("SELECT count(*) FROM (SELECT 1 FROM " + table +
                    " WHERE tsql_row IS NOT NULL AND tsql_action IS NOT NULL GROUP BY tsql_row "
                    "HAVING count(*) > 1)") > 0)
        raise(8672, QStringLiteral("The MERGE statement attempted to UPDATE or DELETE the same "
                                   "row more than once. This happens when a target row matches "
                                   "more than one source row. A MERGE statement cannot "
                                   "UPDATE/DELETE the same row of the target table multiple "
                                   "times. Refine the ON clause to ensure a target row matches "
                                   "at most one source row, or use the GROUP BY clause to group "
                                   "the source rows."));
}

}  // namespace tsql
