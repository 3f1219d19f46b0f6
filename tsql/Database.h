#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace tsql {

// One SQLite connection with the engine's collation, functions and catalogue views installed,
// and a cache of prepared statements keyed by their SQL text.
class Database {
public:
    // `path` empty: an in-memory database (the virtual master).
    Database(const QString& path, std::function<QDateTime()>* clock);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }
    const QString& path() const { return path_; }

    // A prepared statement, reset and with bindings cleared. Owned by the cache.
    sqlite3_stmt* prepare(const QByteArray& sql);
    // Runs statements that yield no rows.
    void exec(const QByteArray& sql);
    // Integer of the first column of the first row.
    qint64 scalar(const QByteArray& sql);

    // Deadline of a batch, checked while SQLite runs and between statements; 0 for none.
    void setTimeout(int seconds) { timeoutMs_ = seconds * 1000; }
    // Asked at the same points; a true answer cancels the batch.
    void setCancelCheck(std::function<bool()> check) { cancelCheck_ = std::move(check); }
    void startStatement();
    // Raises err::Timeout or err::Cancelled when the batch is to stop.
    void checkInterrupted();

    // Attaches another database of the server under its name.
    void attach(const QString& name, const QString& path);
    bool isAttached(const QString& name) const;

    // Raises the db::Error that SQLite's last failure stands for (generic mapping).
    [[noreturn]] void raiseLast(int rc);

    // Creates the engine's metadata tables in a database file when missing.
    static void ensureMetadata(sqlite3* db, const char* schema);

private:
    void installCatalogViews();
    static int progress(void* self);
    [[noreturn]] void raiseInterrupted();

    sqlite3* db_ = nullptr;
    QString path_;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
    QStringList attached_;
    bool interrupted();

    int timeoutMs_ = 0;
    qint64 deadline_ = 0;
    bool timedOut_ = false;
    std::function<bool()> cancelCheck_;
    bool cancelled_ = false;
};

}  // namespace tsql
