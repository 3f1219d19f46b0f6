#include "tsql/DatabaseFile.h"

#include <sqlite3.h>
#include <unistd.h>

#include <QFileInfo>
#include <QUrl>

#include "tsql/SqliteErrors.h"

namespace tsql {

namespace {

bool writable(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// A read-only file in a directory nobody can write is never changed while it is open: SQLite may
// then read it without the -wal and -shm files it cannot make there.
QByteArray readOnlyUri(const QString& path) {
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    const bool unchangeable = !writable(QFileInfo(path).absolutePath()) &&
                              !QFileInfo::exists(path + QStringLiteral("-wal"));
    url.setQuery(unchangeable ? QStringLiteral("mode=ro&immutable=1") : QStringLiteral("mode=ro"));
    return url.toEncoded();
}

}  // namespace

bool isReadOnlyFile(const QString& path) {
    return !writable(path) || !writable(QFileInfo(path).absolutePath());
}

QByteArray attachName(const QString& path) {
    return isReadOnlyFile(path) ? readOnlyUri(path) : QFile::encodeName(path);
}

OpenedFile openDatabaseFile(const QString& path, bool create) {
    OpenedFile file;
    QByteArray name = ":memory:";
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    if (!path.isEmpty()) {
        file.readOnly = QFileInfo::exists(path) && isReadOnlyFile(path);
        name = file.readOnly ? readOnlyUri(path) : QFile::encodeName(path);
        if (file.readOnly)
            flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
        else if (!create)
            flags &= ~SQLITE_OPEN_CREATE;
    }
    const int rc = sqlite3_open_v2(name.constData(), &file.db, flags, nullptr);
    if (rc != SQLITE_OK) {
        SqliteFailure f;
        f.code = file.db ? sqlite3_extended_errcode(file.db) : rc;
        f.message = file.db ? QString::fromUtf8(sqlite3_errmsg(file.db)) : QString();
        f.systemError = file.db ? sqlite3_system_errno(file.db) : 0;
        f.database = QFileInfo(path).completeBaseName();
        sqlite3_close(file.db);
        raiseSqliteFailure(f);
    }
    return file;
}

QByteArray renameCollation(const QByteArray& sql, const QByteArray& from, const QByteArray& to) {
    QByteArray out;
    QByteArray lastWord;  // the word before the current one, blanks between them allowed
    int k = 0;
    const int n = static_cast<int>(sql.size());
    auto isWordChar = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || static_cast<unsigned char>(c) >= 0x80;
    };
    while (k < n) {
        const char c = sql[k];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            // A literal or a quoted name, copied as it stands; a doubled quote stands for itself.
            const char close = c == '[' ? ']' : c;
            int end = k + 1;
            while (end < n &&
                   !(sql[end] == close && (end + 1 >= n || sql[end + 1] != close || close == ']')))
                end += sql[end] == close ? 2 : 1;
            out += sql.mid(k, end + 1 - k);
            k = end + 1;
            lastWord.clear();
        } else if (isWordChar(c)) {
            int end = k;
            while (end < n && isWordChar(sql[end]))
                ++end;
            const QByteArray word = sql.mid(k, end - k);
            const bool renamed = word.compare(from, Qt::CaseInsensitive) == 0 &&
                                 lastWord.compare("COLLATE", Qt::CaseInsensitive) == 0;
            out += renamed ? to : word;
            lastWord = word;
            k = end;
        } else {
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r')
                lastWord.clear();
            out += c;
            ++k;
        }
    }
    return out;
}

}  // namespace tsql
