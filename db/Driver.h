#pragma once

#include <memory>

#include "dbcore/ConnectionParams.h"
#include "dbcore/Types.h"

namespace db {

// The first row set of a batch, read forward as the caller asks. While it is open its driver
// runs nothing else (one active result per connection, as FreeTDS allows), so its owner reads it
// to the end or destroys it before the next statement; destroying it drops what is left of the
// batch. Reading it to its end also runs the rest of the batch and raises the errors of its
// statements, as execute does. It must not outlive its driver's session.
class Cursor {
public:
    virtual ~Cursor() = default;

    // False when the batch yielded no row set (then it has run to its end).
    virtual bool hasRowSet() const = 0;
    // The row set's columns, handed over once.
    virtual Columns takeColumns() = 0;
    // Appends up to maxRows rows; false once no row remains and the batch has ended.
    virtual bool fetch(int maxRows, std::vector<QVariantList>& rows) = 0;
};

// One session with a database server. A driver is used by one thread at a time; the owning
// Connection serialises calls. Every failure is raised as db::Error carrying the server's words.
class Driver {
public:
    virtual ~Driver() = default;

    // Opens the session described by the parameter list (DATABASE NAME, SERVER NAME, USER NAME,
    // PASSWORD, MAX QUERY TIME in seconds as the statement timeout).
    virtual void open(const ConnectionParams& params) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Explicit transactions; without one every statement commits on its own. Nested calls count
    // levels: an inner commit does nothing, a rollback at any level rolls back the whole.
    virtual void beginTransaction() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual int transactionDepth() const = 0;

    // Runs a batch. `?` marks positional parameters outside quoted text, one value each in
    // `params`; with no params the text is passed on exactly as given. Returns every result in
    // order: row counts and fully fetched row sets.
    virtual BatchResult execute(const QString& sql, const std::vector<BoundValue>& params) = 0;
    // Runs a batch up to its first row set, whose rows are then fetched through the cursor.
    // Errors of statements before that row set are raised here, once the batch has run to its end.
    // The cursor may keep the parameters while it is read.
    virtual std::unique_ptr<Cursor> openCursor(const QString& sql,
                                               std::vector<BoundValue> params) = 0;

    // Calls a stored procedure with named arguments; output arguments get their values back.
    // Returns the procedure's return status; row sets it yields land in `results` when given.
    virtual int callProcedure(const QString& name, std::vector<ProcArg>& args,
                              BatchResult* results) = 0;
};

// Chooses the driver by server name: "file:DIR" is the embedded engine, "odbc:..." an ODBC
// connection string used as it stands, anything else a SQL Server reached through FreeTDS.
std::unique_ptr<Driver> createDriver(const QString& serverName);

}  // namespace db
