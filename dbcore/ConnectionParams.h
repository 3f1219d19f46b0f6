#pragma once

#include <QString>
#include <QStringList>

namespace db {

// The parameter list of a connection: text lines of the form KEY=VALUE, in order.
class ConnectionParams {
public:
    void clear() { lines_.clear(); }
    void add(const QString& line) { lines_ << line; }
    const QStringList& lines() const { return lines_; }
    int count() const { return static_cast<int>(lines_.size()); }

    // Value of the first line whose key equals `key` (case ignored); empty when absent.
    QString value(const QString& key) const;
    bool contains(const QString& key) const;

private:
    QStringList lines_;
};

// Keys the drivers read.
inline constexpr const char* kDatabaseName = "DATABASE NAME";
inline constexpr const char* kServerName = "SERVER NAME";
inline constexpr const char* kUserName = "USER NAME";
inline constexpr const char* kPassword = "PASSWORD";
inline constexpr const char* kMaxQueryTime = "MAX QUERY TIME";

}  // namespace db
