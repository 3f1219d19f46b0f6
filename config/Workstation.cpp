#include "config/Workstation.h"

#include <arpa/inet.h>
#include <limits.h>
#include <netdb.h>
#include <pwd.h>
#include <unistd.h>

QString LocalComputerName() {
    // The whole name is read: a buffer too short for it makes the call fail.
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof(name) - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name).left(15).trimmed();
}

QString LocalUserName() {
    const passwd* pw = getpwuid(geteuid());
    if (!pw || !pw->pw_name || !*pw->pw_name)
        return QStringLiteral("UNKNOWN");
    return QString::fromLocal8Bit(pw->pw_name).toUpper();
}

QString LocalIpAddress() {
    char host[64] = {};
    if (gethostname(host, sizeof(host) - 1) != 0)
        return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &list) != 0 || !list)
        return {};
    QString last;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)))
            last = QString::fromLatin1(text);
    }
    freeaddrinfo(list);
    return last;
}

int YearOfDate(const QDateTime& value) {
    return value.date().year();
}
