#include "db/Connection.h"

#include <algorithm>
#include <atomic>
#include <map>

#include "db/RowCursor.h"
#include "dbcore/Error.h"

namespace db {

namespace {

// Database names ordered by their case-folded characters, without making a folded copy; ASCII
// letters, which the names are made of, are folded directly.
struct CaseInsensitiveLess {
    static char16_t folded(QChar c) {
        const char16_t u = c.unicode();
        if (u < 128)
            return u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u + 32) : u;
        return c.toCaseFolded().unicode();
    }
    bool operator()(const QString& a, const QString& b) const {
        const qsizetype n = std::min(a.size(), b.size());
        for (qsizetype k = 0; k < n; ++k) {
            const char16_t x = folded(a[k]), y = folded(b[k]);
            if (x != y)
                return x < y;
        }
        return a.size() < b.size();
    }
};

struct Registry {
    std::mutex mutex;
    std::map<QString, Connection*, CaseInsensitiveLess> byName;
};

// Changes whenever a connection comes or goes; outside the registry so that reading it, as
// every query's open does, needs no guarded static.
constinit std::atomic<quint64> generation{0};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

Connection::Connection(const QString& databaseName, QObject* parent)
    : QObject(parent), databaseName_(databaseName) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.byName[databaseName] = this;
    ++generation;
}

Connection::~Connection() {
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.byName.find(databaseName_);
        if (it != r.byName.end() && it->second == this)
            r.byName.erase(it);
        ++generation;
    }
    if (reading_)
        reading_->drop();
    if (driver_) {
        try {
            driver_->close();
        } catch (const Error&) {
            // The session is going away with the process; nothing is left to report to.
        }
    }
}

Connection* Connection::find(const QString& databaseName) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.byName.find(databaseName);
    return it == r.byName.end() ? nullptr : it->second;
}

quint64 Connection::registryGeneration() {
    return generation.load();
}

Connection& Connection::byName(const QString& databaseName) {
    if (Connection* c = find(databaseName))
        return *c;
    throw Error::client(QStringLiteral("Database '%1' is not defined").arg(databaseName));
}

void Connection::open() {
    std::lock_guard lock(mutex_);
    openLocked();
}

void Connection::openLocked() {
    if (driver_ && driver_->isOpen())
        return;
    if (beforeConnect_)
        beforeConnect_(*this);
    auto driver = createDriver(params_.value(kServerName));
    driver->open(params_);
    driver_ = std::move(driver);
    if (afterConnect_)
        afterConnect_(*this);
}

void Connection::close() {
    std::lock_guard lock(mutex_);
    if (!driver_)
        return;
    if (reading_)
        reading_->drop();
    auto driver = std::move(driver_);
    driver->close();
}

bool Connection::isOpen() const {
    std::lock_guard lock(mutex_);
    return driver_ && driver_->isOpen();
}

Driver& Connection::openDriver() {
    openLocked();
    settle();
    return *driver_;
}

void Connection::settle() {
    if (reading_)
        reading_->drain();
}

void Connection::startTransaction() {
    std::lock_guard lock(mutex_);
    openDriver().beginTransaction();
}

void Connection::commit() {
    std::lock_guard lock(mutex_);
    if (!inTransaction())
        throw Error::client(
            QStringLiteral("Database '%1' has no active transaction").arg(databaseName_));
    settle();
    driver_->commit();
}

void Connection::rollback() {
    std::lock_guard lock(mutex_);
    if (!inTransaction())
        throw Error::client(
            QStringLiteral("Database '%1' has no active transaction").arg(databaseName_));
    settle();
    driver_->rollback();
}

bool Connection::inTransaction() const {
    std::lock_guard lock(mutex_);
    return driver_ && driver_->isOpen() && driver_->transactionDepth() > 0;
}

BatchResult Connection::execute(const QString& sql, const std::vector<BoundValue>& params) {
    std::lock_guard lock(mutex_);
    try {
        return openDriver().execute(sql, params);
    } catch (Error& e) {
        if (e.statement().isEmpty())
            e.setStatement(sql);
        throw;
    }
}

std::unique_ptr<RowCursor> Connection::openCursor(const QString& sql,
                                                  std::vector<BoundValue> params) {
    std::lock_guard lock(mutex_);
    try {
        return std::make_unique<RowCursor>(*this, openDriver().openCursor(sql, std::move(params)));
    } catch (Error& e) {
        if (e.statement().isEmpty())
            e.setStatement(sql);
        throw;
    }
}

int Connection::callProcedure(const QString& name, std::vector<ProcArg>& args,
                              BatchResult* results) {
    std::lock_guard lock(mutex_);
    try {
        return openDriver().callProcedure(name, args, results);
    } catch (Error& e) {
        if (e.statement().isEmpty())
            e.setStatement(name);
        throw;
    }
}

}  // namespace db
