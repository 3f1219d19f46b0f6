// Batches whose first row set is read as the caller asks: the SELECT that opens it stops
// between two steps of its SQLite statement until the caller wants more rows.
#include <sqlite3.h>

#include <utility>

#include "tsql/Interpreter.h"

namespace tsql {

bool Interpreter::start(const QString& sql, std::vector<db::BoundValue> params, ResultSink& sink) {
    std::unique_ptr<Stream> stream =
        spareStream_ ? std::move(spareStream_) : std::make_unique<Stream>();
    stream->sql = sql;
    stream->params = std::move(params);
    stream->batch = beginBatch(sql, stream->params, sink);
    stream->depthAtStart = tranDepth_;
    stream_ = std::move(stream);
    return advance();
}

// Contract: runs the batch's own statements from the next one on, as execList does, except that
// the first SELECT of the batch that returns rows opens them (openRows) and returns true; false
// when the batch has ended. An error that ends the batch ends the stream and leaves.
bool Interpreter::advance() {
    Stream& s = *stream_;
    try {
        const PlaceScope place(place_, {s.batch.get(), -1});
        while (s.next < s.batch->statements.size()) {
            const Stmt& statement = *s.batch->statements[s.next++];
            openRowsNext_ = !s.opened && statement.kind == Stmt::SelectStmt;
            const Flow f = execListed(statement);
            openRowsNext_ = false;
            if (s.st || s.held)
                return true;
            const std::optional<size_t> target =
                f == Flow::Goto ? gotoTarget(s.batch->statements) : std::nullopt;
            if (target)
                s.next = *target + 1;
            else if (f != Flow::Normal)
                break;
        }
        endDoomedTransaction();
    } catch (db::Error& e) {
        openRowsNext_ = false;
        endStream(&e, false);
        throw;
    }
    endStream(nullptr, true);
    return false;
}

// The first steps of a SELECT (run where execSelect would read it whole): the row set begins
// and its rows wait in the statement, or the row of a SELECT of variables alone in the stream.
void Interpreter::openRows(const std::shared_ptr<const Compiled>& c) {
    Stream& s = *stream_;
    s.held = !c->variablesAlone.isEmpty();
    if (s.held)
        readVariables(*c, s.cells);
    else
        stepFirst(*c, s);
    s.opened = true;
    s.compiled = c;
    s.count = 0;
    sink_->rowSetBegin(c->result);
}

void Interpreter::stepFirst(const Compiled& c, Stream& s) {
    if (c.readsDatabases)
        refreshDatabases();
    Database::TranslationScope scope(*db_);
    sqlite3_stmt* st = prepare(c);
    bindSlots(st, c);
    const int rc = sqlite3_step(st);
    checkReprepared(st, rc, false);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        finishQuery(st, rc, 0, nullptr);  // raises the failure
    s.st = st;
    s.rc = rc;
    s.stepped = true;
}

bool Interpreter::fetch(int maxRows) {
    if (!stream_)
        return false;
    Stream& s = *stream_;
    if (!s.st && !s.held)
        return advance();
    db_->startStatement();  // the query timeout counts while a fetch runs
    const Stmt& statement = *s.batch->statements[s.next - 1];
    try {
        if (readRows(maxRows))
            return true;
    } catch (db::Error& e) {
        statementRaised(statement, e);
        if (!endsStatementOnly(e)) {
            endStream(&e, false);
            throw;
        }
        statementFailed(statement, e);
    }
    return advance();
}

// Hands up to maxRows rows to the sink, stepping only for a row that is asked for; false once
// the row set has ended.
bool Interpreter::readRows(int maxRows) {
    Stream& s = *stream_;
    if (s.held)
        return readHeldRow(maxRows);
    Database::TranslationScope scope(*db_);
    for (int k = 0; k < maxRows; ++k) {
        if (options_.rowcount > 0 && s.count == options_.rowcount) {
            s.rc = SQLITE_DONE;  // SET ROWCOUNT: the rest of the rows are left unread
            s.stepped = true;
            break;
        }
        if (!s.stepped)
            s.rc = sqlite3_step(s.st);
        s.stepped = true;
        if (s.rc != SQLITE_ROW)
            break;
        ++s.count;
        passRow(s.st, *s.compiled, s.cells, *sink_);
        s.stepped = false;
    }
    if (!s.stepped || s.rc == SQLITE_ROW)
        return true;
    sqlite3_stmt* st = std::exchange(s.st, nullptr);
    finishQuery(st, s.rc, s.count, sink_);
    return false;
}

bool Interpreter::readHeldRow(int maxRows) {
    Stream& s = *stream_;
    if (maxRows <= 0)
        return true;
    s.held = false;
    sink_->row(s.cells);
    endRowSet(1, sink_);
    return false;
}

void Interpreter::cancel() {
    if (stream_)
        endStream(nullptr, false);
}

// Ends the stream: a statement still between steps is reset; a batch that did not run to its
// end (an error `e`, or a cancellation) is abandoned. The emptied stream is kept for the next.
void Interpreter::endStream(db::Error* e, bool finished) {
    std::unique_ptr<Stream> s = std::move(stream_);
    if (s->st) {
        sqlite3_reset(s->st);
        noteSchema(s->st);
    }
    if (finished) {
        endBatch();
    } else {
        abandonBatch(s->depthAtStart);
        if (e)
            e->setStatement(s->sql);
    }
    std::vector<Value> cells = std::move(s->cells);  // the room for a row is kept
    *s = Stream();
    s->cells = std::move(cells);
    spareStream_ = std::move(s);
}

}  // namespace tsql
