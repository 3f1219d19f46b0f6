#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tsql {

// A server is a directory; each database is the SQLite file DIR/<name>.sqlite. The file
// DIR/server-clock, when present, sets the server's clock:
//   fixed 2024-06-30 10:00:00     the clock stands at that moment
//   start 2024-06-30 10:00:00     the clock runs from that moment, counted from the file's
//                                 modification time
//   offset -86400                 the machine's clock moved by that many seconds
class Server {
public:
    explicit Server(const QString& dir);

    const QString& dir() const { return dir_; }
    QStringList databases() const;
    // Path of an existing database (name matched without regard to case), or empty.
    QString pathOf(const QString& name) const;
    void createDatabase(const QString& name);
    void dropDatabase(const QString& name);
    QDateTime now() const;

    static constexpr const char* kClockFile = "server-clock";

private:
    QString dir_;
};

}  // namespace tsql
