#include "tsql/DatabaseUse.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "tsql/Errors.h"

namespace tsql {

namespace {

int openLockFile(const QString& serverDir, int mode) {
    const QByteArray path = QFile::encodeName(QDir(serverDir).filePath(DatabaseUse::kLockFile));
    return ::open(path.constData(), mode | O_CLOEXEC, 0666);
}

// The byte that stands for a database: a hash of its name (names match without regard to case).
off_t byteOf(const QString& database) {
    quint64 h = 14695981039346656037ULL;  // FNV-1a
    for (char c : database.toLower().toUtf8()) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return static_cast<off_t>(h >> 2);
}

bool lock(int fd, short type, off_t byte, bool wait) {
    struct flock f = {};
    f.l_type = type;
    f.l_whence = SEEK_SET;
    f.l_start = byte;
    f.l_len = 1;
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &f) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

}  // namespace

DatabaseUse::DatabaseUse(const QString& serverDir, const QString& database) {
    fd_ = openLockFile(serverDir, O_RDWR | O_CREAT);
    if (fd_ < 0)
        fd_ = openLockFile(serverDir, O_RDONLY);
    if (fd_ >= 0 && !lock(fd_, F_RDLCK, byteOf(database), true)) {
        ::close(fd_);
        fd_ = -1;
    }
}

DatabaseUse::~DatabaseUse() {
    if (fd_ >= 0)
        ::close(fd_);  // releases the lock of this open file description only
}

void DatabaseUse::whileUnused(const QString& serverDir, const QString& database,
                              const std::function<void()>& drop) {
    const int fd = openLockFile(serverDir, O_RDWR | O_CREAT);
    if (fd >= 0 && !lock(fd, F_WRLCK, byteOf(database), false)) {
        ::close(fd);
        raise(3702, QStringLiteral("Cannot drop database \"%1\" because it is currently in use.")
                        .arg(database));
    }
    try {
        drop();
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        throw;
    }
    if (fd >= 0)
        ::close(fd);
}

}  // namespace tsql
