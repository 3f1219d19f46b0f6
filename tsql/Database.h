#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tsql/SqliteErrors.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_context;
struct sqlite3_value;

namespace tsql {

struct Value;

// A translation's prepared statement as Database::prepareTranslation last handed it to its
// holder. A copy starts empty, since the copy's text may be changed.
struct HeldStatement {
    HeldStatement() = default;
    HeldStatement(const HeldStatement&) {}
    HeldStatement& operator=(const HeldStatement&) {
        st = nullptr;
        return *this;
    }
    sqlite3_stmt* st = nullptr;
    quint64 generation = 0;  // of the statement cache it came from
};

// One SQLite connection with the engine's collation, functions and catalogue views installed,
// and a cache of prepared statements keyed by their SQL text.
//
// Every text is prepared as exactly one statement. Translations of T-SQL statements run under an
// authorizer that lets them read and change the rows of the database's tables and nothing else:
// no ATTACH, PRAGMA, schema change or transaction control, and no access to SQLite's or the
// engine's own tables. The engine's own statements run inside an EngineScope.
class Database {
public:
    // `path` empty: an in-memory database (the virtual master); `create` makes a missing file.
    Database(const QString& path, std::function<QDateTime()>* clock, bool create = false);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }
    const QString& path() const { return path_; }
    // The file cannot be written (read-only file or directory): it serves reads only.
    bool readOnly() const { return readOnly_; }

    // While an EngineScope lives, statements are the engine's own and the authorizer lets them
    // do anything; while a TranslationScope lives, they are translations, even inside an
    // EngineScope.
    template <bool Engine>
    class Scope {
    public:
        explicit Scope(Database& db) : db_(db), saved_(db.engine_) { db_.engine_ = Engine; }
        ~Scope() { db_.engine_ = saved_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Database& db_;
        bool saved_;
    };
    using EngineScope = Scope<true>;
    using TranslationScope = Scope<false>;

    // A prepared statement of the engine, reset and with bindings cleared. Owned by the cache.
    sqlite3_stmt* prepare(const QByteArray& sql);
    // One step of an engine statement.
    int step(sqlite3_stmt* st);
    // Runs an engine statement that yields no rows.
    void exec(const QByteArray& sql);
    // Integer of the first column of the first row of an engine statement.
    qint64 scalar(const QByteArray& sql);
    // A prepared translation, reset and with bindings cleared; step it in a TranslationScope.
    sqlite3_stmt* prepareTranslation(const QByteArray& sql);
    // The same, handing back `held` without looking its text up while the cache that owns it has
    // not been cleared since. Handed back so, it is as its last run left it: reset, as every run
    // ends, with that run's bindings, which the caller binds anew.
    sqlite3_stmt* prepareTranslation(const QByteArray& sql, HeldStatement& held);

    // Deadline of a batch, checked while SQLite runs and between statements; 0 for none.
    void setTimeout(int seconds) { timeoutMs_ = seconds * 1000; }
    // Asked at the same points; a true answer cancels the batch.
    void setCancelCheck(std::function<bool()> check) { cancelCheck_ = std::move(check); }
    void startStatement();
    // Raises err::Timeout or err::Cancelled when the batch is to stop.
    void checkInterrupted();

    // Attaches another database of the server under its name.
    void attach(const QString& name, const QString& path);
    void detach(const QString& name);
    bool isAttached(const QString& name) const;

    // SQLite's last failure, `rc`, with its context. `object`: the table written, when known.
    SqliteFailure failure(int rc, const QString& object = QString()) const;
    // Raises the db::Error that SQLite's last failure stands for, in SQL Server's numbers and
    // words.
    [[noreturn]] void raiseLast(int rc, const QString& object = QString());

    // Creates the engine's metadata tables in a database file when missing.
    void ensureMetadata(const QByteArray& schema);
    // Runs `edit`, which changes the text of objects in the schema table where that changes
    // nothing of how SQLite stores their rows, as SQLite documents for such changes.
    void editSchema(const std::function<void()>& edit);

private:
    // Collations, functions, authorizer, journal and metadata of a newly opened connection.
    void setUp(std::function<QDateTime()>* clock);
    void close() noexcept;
    void bringCollationUpToDate();
    void installCatalogViews();
    // Whether the table of the schema (a SQLite name) has the column.
    bool hasColumn(const QByteArray& schema, const char* table, const char* column);
    void installCatalogFunctions();
    static void objectId(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    static void typeId(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    static void objectName(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    static void columnLength(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    static void lookUp(sqlite3_context* ctx, int argc, sqlite3_value** argv,
                       const QByteArray& byName, const QByteArray& byTemporaryName);
    static void identity(sqlite3_context* ctx, int argc, sqlite3_value** argv);
    struct Identity {
        qint64 seed = 1;
        qint64 increment = 1;
        std::optional<qint64> counter;  // SQLite's: the last value given, if any
    };
    // The identity of a table by its stored name or a name that differs only in case; nullopt
    // when there is no such table or it has no identity column.
    std::optional<Identity> identityOf(const QByteArray& schema, const QByteArray& name);
    // The stored name of the table an argument names, and the SQLite schema it is in.
    static std::pair<QByteArray, QByteArray> objectArgument(sqlite3_value* v);
    // The integer in column 0 of the first row of `sql`, which takes `param` as ?1.
    std::optional<qint64> integerOf(const QByteArray& sql, const Value& param);
    // Column 0 of the first row of `sql`, which takes `params` as ?1, ?2 ...; NULL without a row.
    Value valueOf(const QByteArray& sql, std::initializer_list<Value> params);
    sqlite3_stmt* prepareOne(const QByteArray& sql, bool engine);
    static int progress(void* self);
    [[noreturn]] void raiseInterrupted();
    static int authorize(void* self, int action, const char* a, const char* b, const char* schema,
                         const char* view);

    sqlite3* db_ = nullptr;
    QString path_;
    bool readOnly_ = false;
    bool legacyCollation_ = false;  // a read-only file of an older engine
    bool engine_ = false;           // inside an EngineScope
    // Prepared statements by their text, looked up without copying it: [0] translations, [1] the
    // engine's own statements.
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };
    using StatementCache =
        std::unordered_map<std::string, sqlite3_stmt*, TextHash, std::equal_to<>>;
    StatementCache cache_[2];
    // More statements of a text whose cached statement is running when it is asked for again: a
    // statement run inside another one's step (a user function's body, an APPLY's select).
    std::vector<std::pair<std::string, sqlite3_stmt*>> spares_;
    quint64 generation_ = 1;  // counts the clearings of cache_
    // Finalizes the cached statements; unless `all`, those running stay.
    void clearCache(bool all) noexcept;
    sqlite3_stmt* idleSpare(std::string_view text) const;
    QStringList attached_;
    bool interrupted();

    int timeoutMs_ = 0;
    qint64 deadline_ = 0;
    bool timedOut_ = false;
    std::function<bool()> cancelCheck_;
    bool cancelled_ = false;
};

}  // namespace tsql
