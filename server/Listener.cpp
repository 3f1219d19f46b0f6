#include "server/Listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "server/Transport.h"

namespace tds {

std::optional<ListenAddress> ListenAddress::parse(const QString& text) {
    ListenAddress a;
    const qsizetype colon = text.lastIndexOf(u':');
    const QString host = colon < 0 ? text : text.left(colon);
    if (!host.isEmpty())
        a.host = host;
    if (colon >= 0) {
        bool ok = false;
        const uint port = text.mid(colon + 1).toUInt(&ok);
        if (!ok || port > 65535)
            return std::nullopt;
        a.port = static_cast<uint16_t>(port);
    }
    return a;
}

bool ListenAddress::isLoopback() const {
    in_addr v4{};
    if (inet_pton(AF_INET, host.toLatin1().constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    return host == u"localhost" || host == u"::1";
}

uint16_t Listener::bind(const ListenAddress& address) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const QByteArray host = address.host.toLatin1();
    const QByteArray port = QByteArray::number(address.port);
    if (getaddrinfo(host.constData(), port.constData(), &hints, &found) != 0 || !found)
        throw std::runtime_error("unknown address " + host.toStdString());
    const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const bool bound =
        fd >= 0 && ::bind(fd, found->ai_addr, found->ai_addrlen) == 0 && ::listen(fd, 64) == 0;
    freeaddrinfo(found);
    if (!bound) {
        const std::string reason = strerror(errno);
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("cannot listen on " + host.toStdString() + ":" +
                                 port.toStdString() + ": " + reason);
    }
    listenFd_ = fd;
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                             : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}

void Listener::serve() {
    sigset_t termination;
    sigemptyset(&termination);
    sigaddset(&termination, SIGTERM);
    sigaddset(&termination, SIGINT);
    const int signalFd = signalfd(-1, &termination, SFD_CLOEXEC);
    for (;;) {
        pollfd watched[2] = {{listenFd_, POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (watched[1].revents)
            break;
        if (watched[0].revents & POLLIN) {
            const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                startConnection(client);
        }
        joinFinished();
    }
    ::close(signalFd);
    ::close(listenFd_);
    closeAll();
}

void Listener::startConnection(int fd) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::lock_guard lock(mutex_);
    open_.insert(fd);
    const uint16_t sessionId = nextSessionId_++;
    Worker& worker = workers_.emplace_back();
    worker.thread = std::thread([this, fd, sessionId, &worker] {
        auto connection = std::make_unique<ClientConnection>(std::make_unique<SocketTransport>(fd),
                                                             config_, sessionId);
        connection->run();
        std::lock_guard lock(mutex_);
        open_.erase(fd);
        connection.reset();  // closes the socket while no one can shut it down
        worker.finished = true;
        finished_.notify_all();
    });
}

// Threads whose connection has ended are joined, so that each has ended (its thread-local
// state released) before the process does.
void Listener::joinFinished() {
    std::list<Worker> done;
    {
        std::lock_guard lock(mutex_);
        for (auto it = workers_.begin(); it != workers_.end();) {
            const auto next = std::next(it);
            if (it->finished)
                done.splice(done.end(), workers_, it);
            it = next;
        }
    }
    for (Worker& w : done)
        w.thread.join();
}

void Listener::closeAll() {
    {
        std::unique_lock lock(mutex_);
        for (int fd : open_)
            ::shutdown(fd, SHUT_RDWR);
        finished_.wait(lock, [this] { return open_.empty(); });
    }
    joinFinished();
}

}  // namespace tds
