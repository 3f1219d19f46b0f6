#pragma once

#include <QString>
#include <functional>

namespace tsql {

// That a session uses a database of a server, seen by every process that opens the server.
//
// The server directory holds a lock file, "server-lock". A session holds a shared lock on the
// byte of that file that stands for each database it uses (open file description locks, so that
// sessions of one process see each other as sessions of different processes do); DROP DATABASE
// takes the exclusive lock on it and so fails while any session, in any process, uses the
// database. In a directory that cannot be written, where no database can be dropped, sessions
// lock nothing.
class DatabaseUse {
public:
    DatabaseUse(const QString& serverDir, const QString& database);
    ~DatabaseUse();
    DatabaseUse(const DatabaseUse&) = delete;
    DatabaseUse& operator=(const DatabaseUse&) = delete;

    // Runs `drop` while no session uses the database; raises 3702 when one does.
    static void whileUnused(const QString& serverDir, const QString& database,
                            const std::function<void()>& drop);

    static constexpr const char* kLockFile = "server-lock";

private:
    int fd_ = -1;
};

}  // namespace tsql
