#pragma once

#include <QString>

namespace tds {

// The logins a server directory accepts, kept in DIR/server-logins: one line per login with
// its name, a random salt and the PBKDF2-SHA256 hash of the password, never the password.
class Logins {
public:
    explicit Logins(const QString& serverDir);

    // Adds the login or gives it a new password. Throws std::runtime_error when the file cannot
    // be written.
    void set(const QString& name, const QString& password);
    // Whether the name (letter case ignored) is a login with that password.
    bool check(const QString& name, const QString& password) const;

    static constexpr const char* kFile = "server-logins";

private:
    QString path_;
};

}  // namespace tds
