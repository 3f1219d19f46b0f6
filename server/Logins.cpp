#include "server/Logins.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <stdexcept>

namespace tds {

namespace {

constexpr int kIterations = 20000;
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;

QByteArray hashOf(const QString& password, const QByteArray& salt) {
    const QByteArray utf8 = password.toUtf8();
    QByteArray hash(kHashBytes, '\0');
    if (PKCS5_PBKDF2_HMAC(utf8.constData(), static_cast<int>(utf8.size()),
                          reinterpret_cast<const unsigned char*>(salt.constData()),
                          static_cast<int>(salt.size()), kIterations, EVP_sha256(), kHashBytes,
                          reinterpret_cast<unsigned char*>(hash.data())) != 1)
        throw std::runtime_error("password hashing failed");
    return hash;
}

struct Entry {
    QString name;
    QByteArray salt;
    QByteArray hash;
};

// Lines "NAME SALT HASH" (hexadecimal); names are URL-encoded so that any text fits.
QList<Entry> readEntries(const QString& path) {
    QList<Entry> entries;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return entries;
    while (!f.atEnd()) {
        const QList<QByteArray> parts = f.readLine().trimmed().split(' ');
        if (parts.size() != 3)
            continue;
        entries.append({QString::fromUtf8(QByteArray::fromPercentEncoding(parts[0])),
                        QByteArray::fromHex(parts[1]), QByteArray::fromHex(parts[2])});
    }
    return entries;
}

}  // namespace

Logins::Logins(const QString& serverDir) : path_(QDir(serverDir).filePath(QLatin1String(kFile))) {}

void Logins::set(const QString& name, const QString& password) {
    QByteArray salt(kSaltBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), kSaltBytes) != 1)
        throw std::runtime_error("no random salt available");
    QList<Entry> entries = readEntries(path_);
    entries.removeIf(
        [&](const Entry& e) { return e.name.compare(name, Qt::CaseInsensitive) == 0; });
    entries.append({name, salt, hashOf(password, salt)});
    QSaveFile f(path_);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error(("cannot write " + path_).toStdString());
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const Entry& e : entries)
        f.write(e.name.toUtf8().toPercentEncoding() + ' ' + e.salt.toHex() + ' ' + e.hash.toHex() +
                '\n');
    if (!f.commit())
        throw std::runtime_error(("cannot write " + path_).toStdString());
}

bool Logins::check(const QString& name, const QString& password) const {
    for (const Entry& e : readEntries(path_)) {
        if (e.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QByteArray hash = hashOf(password, e.salt);
        return hash.size() == e.hash.size() && CRYPTO_memcmp(hash.constData(), e.hash.constData(),
                                                             static_cast<size_t>(hash.size())) == 0;
    }
    return false;
}

}  // namespace tds
